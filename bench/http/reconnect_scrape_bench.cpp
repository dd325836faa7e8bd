// /metrics while the monitor reconnects: the console monitor with --http
// watches a simulated router that closes the connection every few screens,
// and a scraper asks /metrics every 50 ms. Reports the slowest and the 99th
// percentile answer (goal: the slowest within 100 ms) and how many reconnects
// the run spanned.
//
//   bench_http_reconnect [seconds = 20]
// Both the router and the monitor are programs of this build, run as their
// own processes, so the scraper's waits never hold either.

#include "tests/support/http_fetch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

using korvane::test::fetchMs;
using korvane::test::metricValue;

namespace {

quint16 freePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::clamp(std::atoi(argv[1]), 3, 3600) : 20;
    const QString bin = QCoreApplication::applicationDirPath();

    const quint16 routerPort = freePort();
    QProcess router;
    router.start(bin + QStringLiteral("/prestige-sim"),
                 {QStringLiteral("--port"), QString::number(routerPort), QStringLiteral("--repaint-ms"),
                  QStringLiteral("100"), QStringLiteral("--close-after"), QStringLiteral("6")});
    if (!router.waitForStarted(5000)) {
        std::fprintf(stderr, "bench_http_reconnect: prestige-sim did not start\n");
        return 1;
    }

    QTemporaryDir dir;
    QFile settings(dir.filePath(QStringLiteral("ZyXEL Prestige Korvane.conf")));
    if (!settings.open(QIODevice::WriteOnly))
        return 1;
    // Stale after 1 s, reconnect 2 s later, with a pause before each connect.
    settings.write("[Settings]\nShow Splash Screen=0\nConnection Timeout=1000\nReconnect Interval=2\n"
                   "Wait For Connect=500\n");
    settings.close();
    const quint16 httpPort = freePort();
    QProcess korvane;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVANE_SETTINGS_DIR"), dir.path());
    korvane.setProcessEnvironment(env);
    korvane.setStandardOutputFile(QProcess::nullDevice());
    korvane.start(bin + QStringLiteral("/korvane"),
                  {QStringLiteral("--console"), QStringLiteral("--password"), QStringLiteral("1234"),
                   QStringLiteral("--http"), QStringLiteral("127.0.0.1:%1").arg(httpPort),
                   QStringLiteral("127.0.0.1:%1").arg(routerPort)});
    if (!korvane.waitForStarted(5000)) {
        std::fprintf(stderr, "bench_http_reconnect: korvane did not start\n");
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    while (fetchMs(httpPort, "/metrics") < 0 && clock.elapsed() < 10000)
        QThread::msleep(50);

    std::vector<qint64> answers;
    int unanswered = 0;
    clock.restart();
    while (clock.elapsed() < seconds * 1000LL) {
        const qint64 took = fetchMs(httpPort, "/metrics");
        if (took < 0)
            ++unanswered;
        else
            answers.push_back(took);
        QThread::msleep(50);
    }
    QByteArray metrics;
    fetchMs(httpPort, "/metrics", &metrics);
    ::kill(pid_t(korvane.processId()), SIGTERM);
    korvane.waitForFinished(5000);
    router.terminate();
    router.waitForFinished(5000);

    std::sort(answers.begin(), answers.end());
    const auto at = [&](double p) {
        return answers.empty() ? qint64(-1) : answers[std::min(answers.size() - 1, size_t(double(answers.size()) * p))];
    };
    std::printf("report: HTTP endpoint | /metrics every 50 ms across %.0f reconnects in %d s, slowest answer "
                "(goal ≤ 100 ms) | %lld ms | | \n",
                metricValue(metrics, "korvane_reconnects_total"), seconds,
                static_cast<long long>(answers.empty() ? -1 : answers.back()));
    std::printf("report: HTTP endpoint | /metrics every 50 ms across reconnects, 99th percentile; unanswered | %lld ms; "
                "%d of %zu | | \n",
                static_cast<long long>(at(0.99)), unanswered, answers.size() + size_t(unanswered));
    return unanswered == 0 && !answers.empty() ? 0 : 1;
}
