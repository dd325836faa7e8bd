// Latency from a status repaint's bytes arriving over loopback to its status
// cells written: the terminal control's screen, the driver's recognition, the
// parser, change detection and the cell writes, all on the monitor's thread.
// A raw router on another thread sends one repaint at a time and waits until
// the monitor has written the last cell of it.
#include "bench/support/bench_settings.h"
#include "korvane/monitor/controller.h"
#include "korvane/views/list_cells.h"
#include "components/prestige/router_state.h"
#include "components/prestige/screens.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRepaints = 600;
constexpr int kWarmup = 50;

std::atomic<long long> sentAt{0};
std::atomic<int> written{0};

long long nowNs() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count(); }

class Table : public korvane::CellTable {
public:
    std::vector<double> latenciesUs;
    void SetCell(int row, int column, const QString&) override {
        if (row == 1 && column == 7) {
            latenciesUs.push_back(double(nowNs() - sentAt.load()) / 1000.0);
            written.fetch_add(1);
        }
    }
};

// Two rows of the benchmark table (Benchmark | Measure | Korvane | Peer | Ratio):
// the median and the 99th percentile.
void report(const char* what, std::vector<double> values) {
    if (values.empty())
        return;
    std::sort(values.begin(), values.end());
    const double median = values[values.size() / 2];
    const double p99 = values[std::min(values.size() - 1, size_t(double(values.size()) * 0.99))];
    std::printf("report: Status tick latency | %s, median of %zu | %.1f µs | | \n", what, values.size(), median);
    std::printf("report: Status tick latency | %s, 99th percentile | %.1f µs | | \n", what, p99);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);

    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 1) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::fprintf(stderr, "bench_controller_latency: no loopback listener\n");
        return 1;
    }

    std::atomic<bool> done{false};
    std::thread router([&] {
        const int peer = ::accept(listener, nullptr, nullptr);
        if (peer < 0)
            return;
        prestige::RouterState state;
        prestige::CallRequest call;
        call.line = 1;
        call.node = QStringLiteral("Office");
        call.peerIp = QStringLiteral("10.0.0.2");
        state.startCall(call);
        for (int i = 0; i < kRepaints + kWarmup && !done; ++i) {
            state.advance();
            const QByteArray bytes = prestige::paintStatusScreen(state, {}).toAnsi(i == 0);
            const int before = written.load();
            sentAt.store(nowNs());
            if (::send(peer, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) != bytes.size())
                break;
            // One repaint at a time, so each measures the whole path alone.
            const auto limit = Clock::now() + std::chrono::seconds(2);
            while (written.load() == before && Clock::now() < limit && !done)
                std::this_thread::yield();
        }
        ::shutdown(peer, SHUT_RDWR);
        ::close(peer);
    });

    korvane::bench::BenchSettings settings;
    settings.address = QStringLiteral("127.0.0.1:%1").arg(ntohs(address.sin_port));
    korvane::CMonitorController controller(&settings);
    Table table;
    controller.setStatusTable(&table);
    controller.Connect();

    QElapsedTimer bound;
    bound.start();
    while (written.load() < kRepaints + kWarmup && bound.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    done = true;
    router.join();
    ::close(listener);
    controller.Disconnect();

    if (int(table.latenciesUs.size()) <= kWarmup) {
        std::fprintf(stderr, "bench_controller_latency: only %zu repaints arrived\n", table.latenciesUs.size());
        return 1;
    }
    report("repaint bytes arriving over loopback to cells written and changes detected",
           std::vector<double>(table.latenciesUs.begin() + kWarmup, table.latenciesUs.end()));

    // The status tick alone, on one painted screen.
    prestige::RouterState state;
    const QString screen = QString::fromLatin1(prestige::paintStatusScreen(state, {}).text());
    std::vector<double> tick;
    for (int i = 0; i < 2000; ++i) {
        const long long t0 = nowNs();
        controller.OnStatusScreen(screen);
        tick.push_back(double(nowNs() - t0) / 1000.0);
    }
    report("status tick alone on a painted screen (parse, change detection, cells)", tick);
    return 0;
}
