// The monitor's command line as a user meets it: the password kept out of
// the process list and the demo kept out of the user's settings.
#include "korvane/monitor/password_source.h"

#include <QDir>
#include <QFile>
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
