// The call journal behind the HTTP endpoint with 400,000 calls journalled:
// /api/calls?limit=10 and /metrics over real loopback connections, the
// monitor's resident memory meanwhile, and a status tick with every listener
// attached (call tracker, journal, metrics, the endpoint with 100 /events
// clients).

#include "bench/support/bench_settings.h"
#include "bench/support/journal_fill.h"
#include "bench/support/no_terminal.h"
#include "components/prestige/router_state.h"
#include "components/prestige/screens.h"
#include "korvane/assembly/monitor_assembly.h"
#include "korvane/http/http_endpoint.h"
#include "korvane/journal/journal_session.h"
#include "korvane/monitor/controller.h"
#include "korvane/router/driver.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace korvane;

namespace {

using bench::NoTerminal;

double residentMb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// From 127.0.0.1, or from 127.0.0.<host> when given: the endpoint admits
// only so many connections from one address, and a hundred browsers come
// from more than one.
int connectTo(quint16 port, int host = 0)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (host > 0) {
        sockaddr_in from{};
        from.sin_family = AF_INET;
        from.sin_addr.s_addr = htonl((127u << 24) | unsigned(host));
        if (::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0) {
            ::close(fd);
            return -1;
        }
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One GET on a connection of its own; the milliseconds until the whole body
// was in, or -1.
double timedGet(quint16 port, const char* path)
{
    QElapsedTimer t;
    t.start();
    const int fd = connectTo(port);
    if (fd < 0)
        return -1;
    const QByteArray request = QByteArray("GET ") + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    (void)!::write(fd, request.constData(), size_t(request.size()));
    QByteArray in;
    char buffer[65536];
    qsizetype need = -1;
    while (need < 0 || in.size() < need) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0)
            break;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        in.append(buffer, n);
        const qsizetype end = in.indexOf("\r\n\r\n");
        if (need < 0 && end >= 0) {
            const qsizetype at = in.indexOf("Content-Length:");
            need = at >= 0 ? end + 4 + in.mid(at + 15, end - at - 15).split('\r').value(0).trimmed().toLongLong()
                           : end + 4;
        }
    }
    ::close(fd);
    return double(t.nsecsElapsed()) / 1e6;
}

struct Stats {
    double median = 0, p99 = 0, max = 0;
};
Stats stats(std::vector<double> v)
{
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 99 / 100)], v.back()};
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("KORVANE_SETTINGS_DIR", dir.path().toLocal8Bit());
    bench::BenchSettings settings;
    settings.address = QStringLiteral("127.0.0.1:1");
    {
        QFile conf(dir.filePath(QStringLiteral("ZyXEL Prestige Korvane.conf")));
        conf.open(QIODevice::WriteOnly);
        conf.write("[Settings]\nHTTP%20Address=127.0.0.1:0\nCost%20per%20Minute=0.10\n");
    }
    // KORVANE_BENCH_CALLS makes a smaller journal, for a profiler's run.
    const int calls = qEnvironmentVariableIsSet("KORVANE_BENCH_CALLS") ? qEnvironmentVariableIntValue("KORVANE_BENCH_CALLS")
                                                                     : 400000;
    QElapsedTimer filling;
    filling.start();
    bench::fillJournal(CallJournal::fileForRouter(CallJournal::defaultDirectory(), settings.address), calls);
    std::printf("bench_calls_api: %d calls journalled in %.1f s\n", calls, double(filling.elapsed()) / 1000.0);

    const double before = residentMb("VmRSS:");
    AssembledMonitor monitor(&settings, {});
    QString error;
    if (!monitor.startHttp(&error) || !monitor.httpEndpoint()) {
        std::printf("bench_calls_api: no endpoint: %s\n", qPrintable(error));
        return 1;
    }
    const quint16 port = monitor.httpEndpoint()->port();

    // The requests come from a thread of their own; the endpoint answers on its own.
    std::vector<double> callsMs, metricsMs;
    std::atomic<bool> done{false};
    std::thread client([&] {
        for (int i = 0; i < 40; ++i) {
            callsMs.push_back(timedGet(port, "/api/calls?since=0&limit=10"));
            metricsMs.push_back(timedGet(port, "/metrics"));
        }
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    client.join();
    const double after = residentMb("VmRSS:");
    const double peak = residentMb("VmHWM:");

    // A tick with every listener: both lines up, 100 event streams reading.
    // The streams connect from the reading thread while this loop accepts them.
    std::vector<int> streams;
    std::atomic<bool> reading{true};
    std::atomic<int> opened{0};
    std::thread drain([&] {
        for (int i = 0; i < 100; ++i) {
            const int fd = connectTo(port, 2 + i / 25);
            if (fd < 0)
                continue;
            const char request[] = "GET /events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
            (void)!::write(fd, request, sizeof request - 1);
            streams.push_back(fd);
            ++opened;
        }
        opened = 1000;
        char buffer[65536];
        std::vector<pollfd> fds;
        for (int fd : streams)
            fds.push_back({fd, POLLIN, 0});
        while (reading) {
            if (::poll(fds.data(), fds.size(), 20) <= 0)
                continue;
            for (pollfd& p : fds)
                if (p.revents & POLLIN)
                    (void)!::read(p.fd, buffer, sizeof buffer);
        }
    });
    while (opened < 1000 || monitor.httpEndpoint()->eventClients() < int(streams.size()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    CMonitorController& controller = monitor.controller();
    prestige::RouterState router;
    for (int line : {1, 2}) {
        prestige::CallRequest call;
        call.line = line;
        call.number = QStringLiteral("030123456%1").arg(line);
        call.node = QStringLiteral("Office");
        call.peerIp = QStringLiteral("10.0.0.2");
        router.startCall(call);
        router.setLoad(line, 70, 30);
    }
    QElapsedTimer clock;
    clock.start();
    std::vector<double> ticks;
    for (int i = 0; i < 2000; ++i) {
        router.advance();
        const QString screen = QString::fromLatin1(prestige::paintStatusScreen(router, {}).text());
        const qint64 t0 = clock.nsecsElapsed();
        controller.OnStatusScreen(screen);
        ticks.push_back(double(clock.nsecsElapsed() - t0) / 1000.0);
        // What happens between two repaints: the endpoint's writes and reads.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    reading = false;
    drain.join();
    for (int fd : streams)
        ::close(fd);

    const Stats c = stats(callsMs), m = stats(metricsMs), t = stats(ticks);
    std::printf("report: /api/calls?limit=10 with %d calls journalled | median %.1f ms, max %.1f ms | goal < 50 ms\n",
                calls, c.median, c.max);
    std::printf("report: /metrics with %d calls journalled | median %.2f ms, max %.1f ms | goal < 5 ms\n", calls,
                m.median, m.max);
    std::printf("report: monitor resident memory with %d calls journalled | %.1f MB after the requests, peak %.1f MB "
                "(%.1f MB before the monitor) | goal < 40 MB\n",
                calls, after, peak, before);
    std::printf("report: status tick with call tracker, journal, metrics and %zu /events clients | median %.0f us, "
                "99th percentile %.0f us | goal p99 <= 100 us\n",
                streams.size(), t.median, t.p99);
    return 0;
}
