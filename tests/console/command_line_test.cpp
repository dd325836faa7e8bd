// The monitor's command line as a user meets it: the password kept out of
// the process list and the demo kept out of the user's settings.
#include "korvane/monitor/password_source.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

using namespace korvane;

namespace {

const QString kMonitor = QStringLiteral(KORVANE_BINARY_DIR "/bin/korvane");

QByteArray cmdline(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

TEST(PasswordSource, FileLineStandardInputAndScrubbedArguments) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pw"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("s3cret, with comma\r\nsecond line\n");
    }
    QString password, error;
    ASSERT_TRUE(readPasswordLine(file, &password, &error)) << error.toStdString();
    EXPECT_EQ(password, QStringLiteral("s3cret, with comma"));
    EXPECT_FALSE(readPasswordLine(dir.filePath(QStringLiteral("missing")), &password, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("missing")));

    FILE* input = std::tmpfile();
    ASSERT_NE(input, nullptr);
    std::fputs("from stdin\nnext\n", input);
    std::rewind(input);
    ASSERT_TRUE(readPasswordLine(QStringLiteral("-"), &password, &error, input));
    EXPECT_EQ(password, QStringLiteral("from stdin"));
    std::fclose(input);

    char a0[] = "korvane", a1[] = "--password", a2[] = "topsecret", a3[] = "--password=other", a4[] = "--for";
    char* argv[] = {a0, a1, a2, a3, a4, nullptr};
    EXPECT_EQ(scrubOptionValues(5, argv, "password"), 2);
    EXPECT_EQ(std::strlen(a2), 0u);
    EXPECT_STREQ(a3, "--password=");
    EXPECT_STREQ(a4, "--for");
}

TEST(CommandLine, ThePasswordLeavesTheProcessListAndTheDemoLeavesTheProfileAlone) {
    if (!QFile::exists(kMonitor))
        GTEST_SKIP() << "no monitor program in this build";
    QTemporaryDir profile;
    const QString conf = QDir(profile.path()).filePath(QStringLiteral("ZyXEL Prestige Korvane.conf"));
    {
        QFile f(conf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Settings]\nSyslog Port=5514\nConfigured=0\n");
    }
    const QByteArray before = [&] {
        QFile f(conf);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();

    QProcess monitor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVANE_SETTINGS_DIR"), profile.path());
    monitor.setProcessEnvironment(env);
    monitor.start(kMonitor, {QStringLiteral("--console"), QStringLiteral("--json"), QStringLiteral("--demo"),
                             QStringLiteral("--for"), QStringLiteral("3"), QStringLiteral("--password"),
                             QStringLiteral("wrong-one")});
    ASSERT_TRUE(monitor.waitForStarted());
    // Once it has started printing, the password is no longer on its command line.
    ASSERT_TRUE(monitor.waitForReadyRead(20000));
    const QByteArray args = cmdline(monitor.processId());
    EXPECT_TRUE(args.contains("--password")) << args.toStdString();
    EXPECT_FALSE(args.contains("wrong-one"));
    ASSERT_TRUE(monitor.waitForFinished(30000));
    const QByteArray out = monitor.readAllStandardOutput();
    // The wrong password reached the simulated router.
    EXPECT_TRUE(out.contains("\"event\":\"badpassword\"")) << out.toStdString();

    QFile f(conf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(QDir(profile.path()).entryList(QDir::Files | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("ZyXEL Prestige Korvane.conf")});
}

TEST(CommandLine, APasswordFromStandardInput) {
    if (!QFile::exists(kMonitor))
        GTEST_SKIP() << "no monitor program in this build";
    QProcess monitor;
    monitor.start(kMonitor, {QStringLiteral("--console"), QStringLiteral("--json"), QStringLiteral("--demo"),
                             QStringLiteral("--for"), QStringLiteral("3"), QStringLiteral("--password"),
                             QStringLiteral("-")});
    ASSERT_TRUE(monitor.waitForStarted());
    monitor.write("not-the-password\n");
    monitor.closeWriteChannel();
    ASSERT_TRUE(monitor.waitForFinished(30000));
    EXPECT_TRUE(monitor.readAllStandardOutput().contains("\"event\":\"badpassword\""));
}

namespace {

struct MonitorRun {
    int code = -1;
    QByteArray out, err;
};

// The monitor with a settings folder of its own; ends within 30 s.
MonitorRun runMonitor(const QString& settingsDir, const QStringList& args) {
    QProcess monitor;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVANE_SETTINGS_DIR"), settingsDir);
    env.remove(QStringLiteral("KORVANE_PASSWORD"));
    monitor.setProcessEnvironment(env);
    monitor.start(kMonitor, args);
    if (!monitor.waitForStarted() || !monitor.waitForFinished(30000)) {
        monitor.kill();
        monitor.waitForFinished();
        return {};
    }
    return {monitor.exitStatus() == QProcess::NormalExit ? monitor.exitCode() : -1, monitor.readAllStandardOutput(),
            monitor.readAllStandardError()};
}

}  // namespace

TEST(CommandLine, HelpShowsTheAddressAsOptional) {
    if (!QFile::exists(kMonitor))
        GTEST_SKIP() << "no monitor program in this build";
    QTemporaryDir profile;
    const MonitorRun run = runMonitor(profile.path(), {QStringLiteral("--help")});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(run.out.contains("[options] [address]")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("--record-limit")) << run.out.toStdString();
}

TEST(CommandLine, AConsoleRunWithoutAPasswordSaysHowToGiveOne) {
    if (!QFile::exists(kMonitor))
        GTEST_SKIP() << "no monitor program in this build";
    QTemporaryDir profile;
    const MonitorRun run = runMonitor(profile.path(), {QStringLiteral("--console"), QStringLiteral("--for"), QStringLiteral("2"),
                                                QStringLiteral("127.0.0.1:1")});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains("no router password is set for 127.0.0.1:1")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("--password-file FILE")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("KORVANE_PASSWORD")) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains("bad password")) << run.out.toStdString();
}

TEST(CommandLine, APasswordFileOthersCanReadIsRefusedWithTheFix) {
    if (!QFile::exists(kMonitor))
        GTEST_SKIP() << "no monitor program in this build";
    QTemporaryDir profile;
    const QString file = QDir(profile.path()).filePath(QStringLiteral("router.pw"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("1234\n");
    }
    ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    const QStringList args = {QStringLiteral("--console"), QStringLiteral("--demo"), QStringLiteral("--for"),
                              QStringLiteral("1"), QStringLiteral("--password-file"), file};
    MonitorRun run = runMonitor(profile.path(), args);
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains("other users can read or change it")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("chmod go-rw \"%1\"").arg(file).toUtf8())) << run.err.toStdString();

    // Made private, the same file is taken.
    ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
    run = runMonitor(profile.path(), args);
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("refused")) << run.err.toStdString();
}

TEST(CommandLine, ACaptureIsPrivateBoundedAndSaysWhenItStops) {
    if (!QFile::exists(kMonitor))
        GTEST_SKIP() << "no monitor program in this build";
    QTemporaryDir profile;
    const QString capture = QDir(profile.path()).filePath(QStringLiteral("session.capture"));
    {
        // A file left readable by everyone from before is made private too.
        QFile f(capture);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    }
    MonitorRun run = runMonitor(profile.path(), {QStringLiteral("--console"), QStringLiteral("--demo"), QStringLiteral("--for"),
                                          QStringLiteral("4"), QStringLiteral("--record"), capture,
                                          QStringLiteral("--record-limit"), QStringLiteral("4K")});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(QFile::permissions(capture) & ~(QFile::ReadUser | QFile::WriteUser),
              QFile::ReadOwner | QFile::WriteOwner);
    const qint64 size = QFileInfo(capture).size();
    EXPECT_GE(size, 4 * 1024);
    // Stopped at the first record past the limit: a screen or two at most.
    EXPECT_LT(size, 16 * 1024);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Recording to %1 stopped at its limit of 4 KB").arg(capture).toUtf8()))
        << run.err.toStdString();

    // A full disk: the run goes on without the recording and says why.
    if (QFileInfo(QStringLiteral("/dev/full")).isWritable()) {
        run = runMonitor(profile.path(), {QStringLiteral("--console"), QStringLiteral("--demo"), QStringLiteral("--for"),
                                          QStringLiteral("2"), QStringLiteral("--record"), QStringLiteral("/dev/full")});
        EXPECT_EQ(run.code, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("Recording to /dev/full stopped: ")) << run.err.toStdString();
        EXPECT_FALSE(run.out.isEmpty()) << "the monitor went on";
    }

    run = runMonitor(profile.path(), {QStringLiteral("--console"), QStringLiteral("--demo"), QStringLiteral("--record"),
                                      capture, QStringLiteral("--record-limit"), QStringLiteral("lots")});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains("--record-limit needs a size")) << run.err.toStdString();
}
