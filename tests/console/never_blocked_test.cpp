// Never blocked: the real console monitor with --http keeps answering
// /metrics while it connects to an address that never answers and while a
// router closes every few screens, ends on SIGTERM and at the end of --for
// during such a connect, and keeps ticking and serving when nobody reads its
// output.
#include "../controller/simulated_calls.h"

#include "components/prestige/simulator.h"
#include "tests/support/http_fetch.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <vector>

using namespace korvane::test;

namespace {

quint16 freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

// A loopback address whose accept queue is full: a connect to it never
// completes (the kernel drops its SYNs) until the limit ends it.
class NeverAnswering {
public:
    NeverAnswering() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listener_, 0) != 0)
            return;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        // Fill the queue until a connect hangs.
        for (int i = 0; i < 16; ++i) {
            const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            clients_.push_back(client);
            ::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
            pollfd p{client, POLLOUT, 0};
            if (::poll(&p, 1, 300) == 0) {
                full_ = true;
                break;
            }
        }
    }
    ~NeverAnswering() {
        for (int fd : clients_)
            ::close(fd);
        if (listener_ >= 0)
            ::close(listener_);
    }
    bool full() const { return full_; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

private:
    int listener_ = -1;
    quint16 port_ = 0;
    std::vector<int> clients_;
    bool full_ = false;
};

// The slowest of the answers to /metrics asked every 50 ms for ms
// milliseconds (-1 when one did not come); the in-process router keeps
// running between them.
qint64 slowestMetrics(quint16 port, int ms, int* answers) {
    QElapsedTimer clock;
    clock.start();
    qint64 slowest = 0;
    *answers = 0;
    while (clock.elapsed() < ms) {
        const qint64 took = fetchMs(port, "/metrics");
        if (took < 0)
            return -1;
        slowest = qMax(slowest, took);
        ++*answers;
        waitUntil([] { return false; }, 50);
    }
    return slowest;
}

struct Console {
    QTemporaryDir dir;
    quint16 httpPort = freePort();

    explicit Console(const QByteArray& settings = {}) {
        QFile file(dir.filePath(QStringLiteral("ZyXEL Prestige Korvane.conf")));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Settings]\nShow Splash Screen=0\n" + settings);
    }
    QStringList arguments(const QString& router, const QStringList& more = {}) const {
        return QStringList{QStringLiteral("--console"), QStringLiteral("--password"), QStringLiteral("1234"),
                           QStringLiteral("--http"), QStringLiteral("127.0.0.1:%1").arg(httpPort)} +
               more + QStringList{router};
    }
    void start(QProcess& korvane, const QStringList& arguments) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KORVANE_SETTINGS_DIR"), dir.path());
        korvane.setProcessEnvironment(env);
        korvane.start(QStringLiteral(KORVANE_BINARY_DIR "/bin/korvane"), arguments);
        ASSERT_TRUE(korvane.waitForStarted(5000));
    }
    bool serving() const {
        return waitUntil([&] { return fetchMs(httpPort, "/metrics") >= 0; }, 10000);
    }
};

bool finishes(QProcess& korvane, int limitMs) {
    return waitUntil([&] { return korvane.state() == QProcess::NotRunning; }, limitMs);
}

}  // namespace

TEST(NeverBlocked, MetricsAnswerAndSigtermEndsWhileTheConnectNeverCompletes) {
    NeverAnswering router;
    ASSERT_TRUE(router.full()) << "the accept queue could not be filled";
    Console console;
    QProcess korvane;
    console.start(korvane, console.arguments(router.address()));
    ASSERT_TRUE(console.serving()) << korvane.readAllStandardError().constData();
    int answers = 0;
    const qint64 slowest = slowestMetrics(console.httpPort, 2000, &answers);
    std::printf("during a connect that never completes: %d /metrics answers, the slowest in %lld ms\n", answers,
                static_cast<long long>(slowest));
    EXPECT_GE(slowest, 0) << "a /metrics request went unanswered";
    EXPECT_LE(slowest, 100) << answers << " answers";
    EXPECT_GE(answers, 15);
    ASSERT_EQ(korvane.state(), QProcess::Running);
    EXPECT_TRUE(korvane.readAllStandardOutput().contains("connecting"));

    QElapsedTimer clock;
    clock.start();
    ::kill(pid_t(korvane.processId()), SIGTERM);
    ASSERT_TRUE(finishes(korvane, 10000));
    std::printf("SIGTERM during the connect: ended after %lld ms\n", static_cast<long long>(clock.elapsed()));
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_EQ(korvane.exitStatus(), QProcess::NormalExit);
}

TEST(NeverBlocked, TheEndOfForComesDuringANeverEndingConnect) {
    NeverAnswering router;
    ASSERT_TRUE(router.full());
    Console console;
    QProcess korvane;
    QElapsedTimer clock;
    clock.start();
    console.start(korvane, console.arguments(router.address(), {QStringLiteral("--for"), QStringLiteral("3")}));
    ASSERT_TRUE(finishes(korvane, 15000));
    EXPECT_LT(clock.elapsed(), 4500);
    EXPECT_EQ(korvane.exitStatus(), QProcess::NormalExit);
}

TEST(NeverBlocked, MetricsAnswerWhileARouterClosesEveryFewScreens) {
    prestige::SimulatorOptions options;
    options.repaintMs = 100;
    options.faults.closeAfterScreens = 6;
    prestige::Simulator router(options);
    ASSERT_TRUE(router.listen(0));
    // Stale after 1 s, reconnect 2 s later; a pause before each connect.
    Console console("Connection Timeout=1000\nReconnect Interval=2\nWait For Connect=500\n");
    QProcess korvane;
    console.start(korvane, console.arguments(QStringLiteral("127.0.0.1:%1").arg(router.port())));
    ASSERT_TRUE(console.serving());
    int answers = 0;
    const qint64 slowest = slowestMetrics(console.httpPort, 7000, &answers);
    std::printf("across reconnects: %d /metrics answers, the slowest in %lld ms\n", answers,
                static_cast<long long>(slowest));
    EXPECT_GE(slowest, 0);
    EXPECT_LE(slowest, 100) << answers << " answers";
    QByteArray metrics;
    ASSERT_GE(fetchMs(console.httpPort, "/metrics", &metrics), 0);
    // The polls spanned reconnects, and the monitor ticked between them.
    EXPECT_GE(metricValue(metrics, "korvane_reconnects_total"), 1) << metrics.constData();
    EXPECT_GE(metricValue(metrics, "korvane_status_ticks_total"), 6);
    ::kill(pid_t(korvane.processId()), SIGTERM);
    EXPECT_TRUE(finishes(korvane, 5000));
}

TEST(NeverBlocked, AnOutputNobodyReadsNeitherStopsTheTicksNorTheEndpointNorTheEnd) {
    prestige::SimulatorOptions options;
    options.repaintMs = 20;
    prestige::Simulator router(options);
    ASSERT_TRUE(router.listen(0));
    Console console;
    // Standard output is a pipe whose reader never reads; JSON lines fill it
    // and the queue behind it within seconds.
    int out[2];
    ASSERT_EQ(::pipe2(out, O_CLOEXEC), 0);
    QStringList arguments =
        console.arguments(QStringLiteral("127.0.0.1:%1").arg(router.port()), {QStringLiteral("--json")});
    std::vector<QByteArray> storage;
    storage.push_back(QByteArrayLiteral(KORVANE_BINARY_DIR "/bin/korvane"));
    for (const QString& a : arguments)
        storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const QByteArray settingsDir = console.dir.path().toLocal8Bit();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::setenv("KORVANE_SETTINGS_DIR", settingsDir.constData(), 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    bool reaped = false;
    auto exited = [&](int limitMs) {
        return waitUntil([&] {
            int status = 0;
            reaped = reaped || ::waitpid(pid, &status, WNOHANG) == pid;
            return reaped;
        }, limitMs);
    };
    ASSERT_TRUE(console.serving());
    // A pipe holds 64 KiB, the queue as much again: a few seconds of ticks.
    waitUntil([] { return false; }, 5000);
    QByteArray before;
    ASSERT_GE(fetchMs(console.httpPort, "/metrics", &before), 0);
    waitUntil([] { return false; }, 1500);
    QByteArray after;
    const qint64 took = fetchMs(console.httpPort, "/metrics", &after);
    ASSERT_GE(took, 0);
    EXPECT_LE(took, 100);
    EXPECT_GT(metricValue(after, "korvane_status_ticks_total"), metricValue(before, "korvane_status_ticks_total") + 10);
    // Nobody read it. Once the reader takes the lines, one line says how many
    // were dropped meanwhile.
    pollfd p{out[0], POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 0), 1);
    QByteArray read;
    QElapsedTimer reading;
    reading.start();
    ::fcntl(out[0], F_SETFL, O_NONBLOCK);
    // Until the whole line that tells of the dropped lines is in: the pipe
    // may hand over its first part alone.
    auto toldWhole = [&read] {
        const qsizetype at = read.indexOf("\"event\":\"output-dropped\"");
        return at >= 0 && read.indexOf('\n', at) >= 0;
    };
    while (!toldWhole() && reading.elapsed() < 5000) {
        char buffer[65536];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n > 0)
            read.append(buffer, n);
        else
            waitUntil([] { return false; }, 20);
    }
    const qsizetype at = read.indexOf("\"event\":\"output-dropped\"");
    ASSERT_GE(at, 0);
    const qsizetype lineStart = read.lastIndexOf('\n', at) + 1;
    const QJsonObject dropped =
        QJsonDocument::fromJson(read.mid(lineStart, read.indexOf('\n', at) - lineStart)).object();
    EXPECT_GT(dropped.value(QStringLiteral("lines")).toInteger(), 10);

    QElapsedTimer clock;
    clock.start();
    ::kill(pid, SIGTERM);
    const bool ended = exited(10000);
    const qint64 endedAfter = clock.elapsed();
    if (!ended) {
        ::kill(pid, SIGKILL);
        exited(2000);
    }
    EXPECT_TRUE(ended);
    EXPECT_LT(endedAfter, 1500);
    ::close(out[0]);
}

TEST(NeverBlocked, AClosedOutputEndsThePrintingNotTheMonitor) {
    prestige::SimulatorOptions options;
    options.repaintMs = 50;
    prestige::Simulator router(options);
    ASSERT_TRUE(router.listen(0));
    Console console;
    QProcess korvane;
    console.start(korvane, console.arguments(QStringLiteral("127.0.0.1:%1").arg(router.port())));
    ASSERT_TRUE(console.serving());
    // The reader goes away: every later line would raise SIGPIPE.
    korvane.closeReadChannel(QProcess::StandardOutput);
    waitUntil([] { return false; }, 1500);
    ASSERT_EQ(korvane.state(), QProcess::Running);
    QByteArray before;
    ASSERT_GE(fetchMs(console.httpPort, "/metrics", &before), 0);
    waitUntil([] { return false; }, 1000);
    QByteArray after;
    ASSERT_GE(fetchMs(console.httpPort, "/metrics", &after), 0);
    EXPECT_GT(metricValue(after, "korvane_status_ticks_total"), metricValue(before, "korvane_status_ticks_total"));
    ::kill(pid_t(korvane.processId()), SIGTERM);
    ASSERT_TRUE(finishes(korvane, 5000));
    EXPECT_EQ(korvane.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(korvane.exitCode(), 0);
}

// A hang-up ends the console as SIGTERM does: the call still up is closed as
// "monitor stopped" before the program ends, and it ends normally.
TEST(NeverBlocked, SighupEndsTheConsoleAndClosesTheOpenCall) {
    prestige::SimulatorOptions options;
    options.repaintMs = 100;
    prestige::Simulator router(options);
    ASSERT_TRUE(router.listen(0));
    ASSERT_TRUE(startCall(router, 1, prestige::CallKind::Data, QStringLiteral("0301234")).isEmpty());
    Console console;
    QProcess korvane;
    QByteArray out;
    QObject::connect(&korvane, &QProcess::readyReadStandardOutput, [&] { out += korvane.readAllStandardOutput(); });
    console.start(korvane, console.arguments(QStringLiteral("127.0.0.1:%1").arg(router.port()), {QStringLiteral("--json")}));
    ASSERT_TRUE(waitUntil([&] { return out.contains("\"event\":\"call\""); }, 15000)) << out.constData();
    ::kill(pid_t(korvane.processId()), SIGHUP);
    ASSERT_TRUE(finishes(korvane, 5000));
    out += korvane.readAllStandardOutput();
    EXPECT_EQ(korvane.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(korvane.exitCode(), 0);
    const qsizetype end = out.indexOf("\"event\":\"call-end\"");
    ASSERT_GE(end, 0) << out.constData();
    const qsizetype lineStart = out.lastIndexOf('\n', end) + 1;
    const QJsonObject ended = QJsonDocument::fromJson(out.mid(lineStart, out.indexOf('\n', end) - lineStart)).object();
    EXPECT_EQ(ended.value(QStringLiteral("ended")).toString(), QStringLiteral("monitor stopped"));
    EXPECT_EQ(ended.value(QStringLiteral("line")).toInt(), 1);
}
