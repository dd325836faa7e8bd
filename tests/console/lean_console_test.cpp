// The console monitor as a small box runs it, one per router: it maps neither
// Qt Gui nor Widgets nor OpenSSL, serving HTTP included, and maps Qt Qml only
// for a JScript script, which then runs.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

const QString kMonitor = QStringLiteral(KORVANE_BINARY_DIR "/bin/korvane");

// The console with --demo, --http on a free loopback port and these extra
// arguments, its settings in a folder of its own.
class ConsoleRun {
public:
    explicit ConsoleRun(const QStringList& extra) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KORVANE_SETTINGS_DIR"), profile_.path());
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process_.setProcessEnvironment(env);
        process_.start(kMonitor, QStringList{QStringLiteral("--console"), QStringLiteral("--json"),
                                             QStringLiteral("--demo"), QStringLiteral("--for"), QStringLiteral("60"),
                                             QStringLiteral("--http"), QStringLiteral("127.0.0.1:0")} + extra);
    }
    ~ConsoleRun() {
        process_.terminate();
        process_.waitForFinished(10000);
    }

    // Waits for an output line holding text; the whole output so far.
    bool waitFor(const QByteArray& text, int ms = 30000) {
        QElapsedTimer clock;
        clock.start();
        while (!output_.contains(text) && clock.elapsed() < ms && process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(200);
            output_ += process_.readAllStandardOutput();
        }
        return output_.contains(text);
    }
    int httpPort() const {
        static const QRegularExpression port(QStringLiteral("\"event\":\"http\",\"port\":(\\d+)|\"port\":(\\d+)"));
        const auto match = port.match(QString::fromUtf8(output_));
        return match.hasMatch() ? (match.captured(1).isEmpty() ? match.captured(2) : match.captured(1)).toInt() : 0;
    }
    QByteArray maps() const {
        QFile file(QStringLiteral("/proc/%1/maps").arg(process_.processId()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    const QByteArray& output() const { return output_; }
    QString folder() const { return profile_.path(); }

private:
    QTemporaryDir profile_;
    QProcess process_;
    QByteArray output_;
};

QByteArray get(int port, const QByteArray& path) {
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
    if (!socket.waitForConnected(5000))
        return {};
    socket.write("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(5000))
        answer += socket.readAll();
    return answer;
}

}  // namespace

TEST(LeanConsole, MapsNoWindowLibrariesNoTlsAndNoQmlForVBScript) {
    if (!QFile::exists(kMonitor))
        GTEST_SKIP() << "no monitor program in this build";
    QTemporaryDir scripts;
    const QString script = scripts.filePath(QStringLiteral("hello.vbs"));
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Sub OnAppLoad()\r\n  MsgBox \"vb \" & (6 * 7)\r\nEnd Sub\r\n");
    }
    ConsoleRun run({QStringLiteral("--script"), script});
    ASSERT_TRUE(run.waitFor("\"event\":\"tick\"")) << run.output().toStdString();
    EXPECT_TRUE(run.output().contains("vb 42")) << run.output().toStdString();
    ASSERT_GT(run.httpPort(), 0) << run.output().toStdString();
    // A scrape and an event stream's start: no TLS is set up for them either.
    EXPECT_TRUE(get(run.httpPort(), "/metrics").contains("korvane_"));
    EXPECT_TRUE(get(run.httpPort(), "/api/status").contains("\"lines\""));
    const QByteArray maps = run.maps();
    ASSERT_FALSE(maps.isEmpty());
    for (const char* library : {"libQt6Gui", "libQt6Widgets", "libQt6Qml", "libQt6Multimedia", "libcrypto.so",
                                "libssl.so", "libkorvane_window", "libtessen_ui", "libkorvane_jscript"})
        EXPECT_FALSE(maps.contains(library)) << library << " is mapped";
    EXPECT_TRUE(maps.contains("libkorvane_console"));
}

TEST(LeanConsole, AJScriptScriptLoadsQmlAndRuns) {
    if (!QFile::exists(kMonitor))
        GTEST_SKIP() << "no monitor program in this build";
    QTemporaryDir scripts;
    const QString script = scripts.filePath(QStringLiteral("hello.js"));
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("function OnAppLoad() { MsgBox('js ' + (6 * 7)); }\n");
    }
    ConsoleRun run({QStringLiteral("--script"), script});
    ASSERT_TRUE(run.waitFor("js 42")) << run.output().toStdString();
    const QByteArray maps = run.maps();
    EXPECT_TRUE(maps.contains("libkorvane_jscript"));
    EXPECT_TRUE(maps.contains("libQt6Qml"));
    EXPECT_FALSE(maps.contains("libQt6Gui"));
}
