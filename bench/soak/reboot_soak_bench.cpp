// The korvane program in console mode, left alone with a router that reboots
// every few minutes and cuts every write into pieces of random size, as an
// unattended monitor meets one over weeks. Measured from outside:
//   - reboots survived: the status ticks again after each return,
//   - the longest time from the router's return (listening again) to the
//     next status tick, against the monitor's reconnect wait + 5 s,
//   - status ticks lost outside reboots: status screens the router painted
//     between a return's first tick and the next reboot that gave no tick,
//   - resident memory growth, per hour.
//
// Environment (all optional):
//   KORVANE_REBOOT_SOAK_SECONDS  length of the run (default: KORVANE_SOAK_SECONDS, else 1800)
//   KORVANE_REBOOT_EVERY         seconds between reboots (default 180)
//   KORVANE_REBOOT_DOWN          seconds a reboot keeps the router away (default 10)
//   KORVANE_RECONNECT_INTERVAL   the monitor's "Reconnect Interval" (default 2)
//   KORVANE_SOAK_PROGRAM         the korvane program (default: the one of this build)

#include "components/prestige/simulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRepaintMs = 1000;
constexpr int kSettleSeconds = 10;
// A run shorter than this many reboot periods has its period shortened.
constexpr int kRebootsInAShortRun = 3;
constexpr int kShortestEvery = 8;
constexpr double kReturnGoalSlackSeconds = 5;
constexpr double kGrowthGoalKbPerHour = 200;
// A repaint cut into pieces may arrive this long after it was painted.
constexpr qint64 kDeliveryMs = 1500;
// Status screens painted this close to a reboot may be cut by it.
constexpr qint64 kRebootMarginMs = 2000;
constexpr qsizetype kMaxStderr = 64 * 1024;

int envNumber(const char* name, int fallback, int low, int high) {
    if (!qEnvironmentVariableIsSet(name))
        return fallback;
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    if (!ok || value < low || value > high) {
        std::fprintf(stderr, "bench_soak_reboot: %s takes a number from %d to %d; using %d\n", name, low, high, fallback);
        return fallback;
    }
    return value;
}

void pump(int ms, const std::function<bool()>& until = {}) {
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer check;
    check.setInterval(50);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (until && until())
            loop.quit();
    });
    deadline.start(ms);
    if (until)
        check.start();
    loop.exec();
}

std::optional<qint64> residentKb(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    const QList<QByteArray> fields = file.read(4096).trimmed().split(' ');
    bool ok = false;
    const qint64 pages = fields.size() >= 2 ? fields[1].toLongLong(&ok) : 0;
    if (!ok)
        return std::nullopt;
    return pages * (::sysconf(_SC_PAGESIZE) / 1024);
}

// All times are milliseconds on one monotonic clock, read from both threads.
struct Timeline {
    QElapsedTimer clock;
    std::mutex mutex;
    std::vector<qint64> rebootStarts, returns, statusPaints;

    qint64 now() const { return clock.elapsed(); }
    void add(std::vector<qint64>& list) {
        const qint64 t = now();
        std::lock_guard<std::mutex> lock(mutex);
        list.push_back(t);
    }
};

// The rebooting, chunking router on a thread of its own, so that its pace
// does not depend on this thread.
class RouterThread {
public:
    RouterThread(Timeline& timeline, int everySeconds, int downSeconds) {
        thread_.start();
        auto* anchor = new QObject;
        anchor->moveToThread(&thread_);
        QMetaObject::invokeMethod(
            anchor,
            [&] {
                prestige::SimulatorOptions options;
                options.repaintMs = kRepaintMs;
                options.faults.chunkRandomMin = 1;
                options.faults.chunkRandomMax = prestige::kMaxRandomChunk;
                options.faults.chunkDelayMs = 5;
                options.faults.rebootEverySeconds = everySeconds;
                options.faults.rebootDownSeconds = downSeconds;
                simulator_ = std::make_unique<prestige::Simulator>(options);
                auto* s = simulator_.get();
                QObject::connect(s, &prestige::Simulator::rebootStarted, s,
                                 [&timeline](int) { timeline.add(timeline.rebootStarts); });
                QObject::connect(s, &prestige::Simulator::rebootFinished, s,
                                 [&timeline] { timeline.add(timeline.returns); });
                QObject::connect(s, &prestige::Simulator::screenPainted, s, [&timeline](prestige::ScreenId id) {
                    if (id == prestige::ScreenId::Status)
                        timeline.add(timeline.statusPaints);
                });
                listening_ = simulator_->listen(0);
                port_ = simulator_->port();
                password_ = simulator_->options().password;
                error_ = simulator_->errorString();
            },
            Qt::BlockingQueuedConnection);
        anchor->deleteLater();
    }
    ~RouterThread() {
        if (simulator_)
            QMetaObject::invokeMethod(simulator_.get(), [this] { simulator_.reset(); }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    RouterThread(const RouterThread&) = delete;
    RouterThread& operator=(const RouterThread&) = delete;

    bool listening() const { return listening_; }
    quint16 port() const { return port_; }
    QString password() const { return password_; }
    QString error() const { return error_; }

private:
    QThread thread_;
    std::unique_ptr<prestige::Simulator> simulator_;
    bool listening_ = false;
    quint16 port_ = 0;
    QString password_;
    QString error_;
};

struct Monitor {
    QProcess process;
    QTemporaryDir settings;
    QByteArray errors;
    std::vector<qint64> ticks;
    int reconnects = 0;
    int stale = 0;
    double longestWaitSeconds = 0; // the longest reconnect wait it announced
};

// One table row: Benchmark | Measure | Korvane | Peer | Ratio.
void row(const QString& measure, const QString& value) {
    std::printf("report: Monitor reboot soak | %s | %s | | \n", qPrintable(measure), qPrintable(value));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString program = qEnvironmentVariableIsSet("KORVANE_SOAK_PROGRAM")
                                ? qEnvironmentVariable("KORVANE_SOAK_PROGRAM")
                                : QStringLiteral(KORVANE_SOAK_PROGRAM);
    if (!QFileInfo(program).isExecutable()) {
        std::fprintf(stderr, "bench_soak_reboot: no korvane program at %s\n", qPrintable(program));
        return 1;
    }
    const int fallbackSeconds = envNumber("KORVANE_SOAK_SECONDS", 1800, 1, 7 * 24 * 3600);
    const int seconds = envNumber("KORVANE_REBOOT_SOAK_SECONDS", qEnvironmentVariableIsSet("KORVANE_SOAK_SECONDS") ? fallbackSeconds : 1800, 1, 7 * 24 * 3600);
    int every = envNumber("KORVANE_REBOOT_EVERY", 180, 5, 24 * 3600);
    int down = envNumber("KORVANE_REBOOT_DOWN", 10, 0, 3600);
    const int reconnectInterval = envNumber("KORVANE_RECONNECT_INTERVAL", 2, 0, 3600);
    // A short run (KORVANE_SOAK_SECONDS for a quick look) gets its reboots
    // closer together, so that some fit in it, unless the period was given.
    if (!qEnvironmentVariableIsSet("KORVANE_REBOOT_EVERY") && seconds < kRebootsInAShortRun * every) {
        every = std::max(kShortestEvery, seconds / kRebootsInAShortRun);
        if (!qEnvironmentVariableIsSet("KORVANE_REBOOT_DOWN"))
            down = std::min(down, std::max(1, every / 4));
    }
    // The first reboot comes after one period; its return and the next tick
    // need the down time and the reconnect wait and some slack.
    const int shortest = kSettleSeconds + every + down + reconnectInterval + int(kReturnGoalSlackSeconds);
    if (seconds < shortest) {
        std::printf("report: Monitor reboot soak | run: %d s | too short to judge: a reboot and the return after it need "
                    "at least %d s (set KORVANE_SOAK_SECONDS or KORVANE_REBOOT_SOAK_SECONDS) | | \n",
                    seconds, shortest);
        return 0;
    }

    Timeline timeline;
    timeline.clock.start();
    RouterThread router(timeline, every, down);
    if (!router.listening()) {
        std::fprintf(stderr, "bench_soak_reboot: the simulator could not listen: %s\n", qPrintable(router.error()));
        return 1;
    }

    Monitor monitor;
    {
        QFile conf(QDir(monitor.settings.path()).filePath(QStringLiteral("ZyXEL Prestige Korvane.conf")));
        if (!conf.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "bench_soak_reboot: cannot write the monitor's settings\n");
            return 1;
        }
        conf.write(QStringLiteral("[Settings]\nReconnect Interval=%1\n").arg(reconnectInterval).toLatin1());
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KORVANE_SETTINGS_DIR"), monitor.settings.path());
    monitor.process.setProcessEnvironment(environment);
    QObject::connect(&monitor.process, &QProcess::readyReadStandardOutput, [&] {
        while (monitor.process.canReadLine()) {
            const QJsonObject event = QJsonDocument::fromJson(monitor.process.readLine()).object();
            const QString kind = event.value(QStringLiteral("event")).toString();
            if (kind == QLatin1String("tick")) {
                monitor.ticks.push_back(timeline.now());
            } else if (kind == QLatin1String("reconnect") || kind == QLatin1String("reconnect-scheduled")) {
                monitor.reconnects += kind == QLatin1String("reconnect");
                monitor.longestWaitSeconds = std::max(monitor.longestWaitSeconds, event.value(QStringLiteral("wait")).toDouble());
            } else if (kind == QLatin1String("stale")) {
                ++monitor.stale;
            }
        }
    });
    QObject::connect(&monitor.process, &QProcess::readyReadStandardError, [&] {
        const QByteArray bytes = monitor.process.readAllStandardError();
        if (monitor.errors.size() < kMaxStderr)
            monitor.errors += bytes.left(kMaxStderr - monitor.errors.size());
    });
    monitor.process.start(program, {QStringLiteral("--console"), QStringLiteral("--json"), QStringLiteral("--password"),
                                    router.password(), QStringLiteral("127.0.0.1:%1").arg(router.port())});
    if (!monitor.process.waitForStarted(10000)) {
        std::fprintf(stderr, "bench_soak_reboot: the monitor did not start\n");
        return 1;
    }
    const qint64 pid = monitor.process.processId();
    const qint64 start = timeline.now();
    pump(kSettleSeconds * 1000, [&] { return monitor.process.state() != QProcess::Running; });
    const std::optional<qint64> settledKb = residentKb(pid);
    const qint64 settledAt = timeline.now();
    qint64 lastProgress = settledAt;
    // Half way, for the growth once the reconnect path has run a few times.
    std::optional<qint64> halfKb;
    qint64 halfAt = 0;
    while (timeline.now() - start < qint64(seconds) * 1000 && monitor.process.state() == QProcess::Running) {
        pump(1000, [&] { return monitor.process.state() != QProcess::Running; });
        if (!halfKb && timeline.now() - start >= qint64(seconds) * 500) {
            halfKb = residentKb(pid);
            halfAt = timeline.now();
        }
        if (timeline.now() - lastProgress >= 60000) {
            lastProgress = timeline.now();
            std::lock_guard<std::mutex> lock(timeline.mutex);
            std::fprintf(stderr, "bench_soak_reboot: %lld of %d s, %zu reboots, %zu ticks, resident %lld kB\n",
                         qlonglong((lastProgress - start) / 1000), seconds, timeline.rebootStarts.size(),
                         monitor.ticks.size(), qlonglong(residentKb(pid).value_or(0)));
        }
    }
    const bool ran = monitor.process.state() == QProcess::Running;
    const std::optional<qint64> finalKb = residentKb(pid);
    const qint64 end = timeline.now();
    monitor.process.terminate();
    if (!monitor.process.waitForFinished(10000)) {
        monitor.process.kill();
        monitor.process.waitForFinished(5000);
    }

    std::vector<qint64> starts, returns, paints;
    {
        std::lock_guard<std::mutex> lock(timeline.mutex);
        starts = timeline.rebootStarts;
        returns = timeline.returns;
        paints = timeline.statusPaints;
    }
    const std::vector<qint64>& ticks = monitor.ticks;
    auto firstTickAfter = [&](qint64 t) -> std::optional<qint64> {
        const auto it = std::upper_bound(ticks.begin(), ticks.end(), t);
        return it == ticks.end() ? std::nullopt : std::optional<qint64>(*it);
    };
    auto countIn = [](const std::vector<qint64>& list, qint64 from, qint64 to) {
        return qint64(std::lower_bound(list.begin(), list.end(), to) - std::lower_bound(list.begin(), list.end(), from));
    };

    // A reboot is survived when the status ticks again before the next one
    // (or before the end of the run).
    // A return too close to the end of the run to be met counts neither way.
    const double goalSeconds = std::max<double>(reconnectInterval, monitor.longestWaitSeconds) + kReturnGoalSlackSeconds;
    int survived = 0;
    int counted = 0;
    qint64 longestReturnMs = -1;
    for (std::size_t i = 0; i < returns.size(); ++i) {
        const qint64 next = i + 1 < starts.size() ? starts[i + 1] : end;
        const auto tick = firstTickAfter(returns[i]);
        if (tick && *tick < next) {
            ++survived;
            ++counted;
            longestReturnMs = std::max(longestReturnMs, *tick - returns[i]);
        } else if (next - returns[i] > qint64(goalSeconds * 1000)) {
            ++counted;
        }
    }
    // Outside reboots: from the first tick of a connection to shortly before
    // the next reboot, every status screen painted should have ticked.
    qint64 lost = 0;
    qint64 painted = 0;
    std::vector<std::pair<qint64, qint64>> windows;
    const auto firstTick = firstTickAfter(start);
    if (firstTick)
        windows.push_back({*firstTick, (starts.empty() ? end : starts[0]) - kRebootMarginMs});
    for (std::size_t i = 0; i < returns.size(); ++i) {
        const auto tick = firstTickAfter(returns[i]);
        if (tick)
            windows.push_back({*tick, (i + 1 < starts.size() ? starts[i + 1] : end) - kRebootMarginMs});
    }
    for (const auto& [from, to] : windows) {
        if (to <= from)
            continue;
        const qint64 p = countIn(paints, from, to);
        const qint64 t = countIn(ticks, from, to + kDeliveryMs);
        painted += p;
        lost += std::max<qint64>(0, p - t);
    }

    const int reboots = counted;
    const int cutOff = int(starts.size()) - counted;
    const double hours = double(end - settledAt) / 3.6e6;
    row(QStringLiteral("run: %1 s, reboot every %2 s for %3 s, random pieces of 1 to %4 bytes, Reconnect Interval %5 s")
            .arg((end - start) / 1000).arg(every).arg(down).arg(prestige::kMaxRandomChunk).arg(reconnectInterval),
        ran ? QStringLiteral("%1 ticks, %2 reconnects announced, %3 stale").arg(ticks.size()).arg(monitor.reconnects).arg(monitor.stale)
            : QStringLiteral("the monitor ended early"));
    row(QStringLiteral("reboots survived (goal: all)"),
        QStringLiteral("%1 of %2%3").arg(survived).arg(reboots).arg(cutOff > 0 ? QStringLiteral(" (%1 more cut short by the end of the run)").arg(cutOff) : QString()));
    row(QStringLiteral("longest time from the router's return to the next status tick (goal: at most reconnect wait + 5 s = %1 s)")
            .arg(goalSeconds, 0, 'f', 0),
        longestReturnMs < 0 ? QStringLiteral("never ticked again") : QStringLiteral("%1 s").arg(double(longestReturnMs) / 1000, 0, 'f', 1));
    row(QStringLiteral("status ticks lost outside reboots (goal: 0)"),
        QStringLiteral("%1 of %2 status screens painted").arg(lost).arg(painted));
    QString growth = QStringLiteral("not measured");
    double perHour = 0;
    if (settledKb && finalKb && hours > 0) {
        perHour = double(*finalKb - *settledKb) / hours;
        growth = QStringLiteral("%1%2 kB/h (%3 kB to %4 kB)")
                     .arg(perHour >= 0 ? "+" : "")
                     .arg(perHour, 0, 'f', 0)
                     .arg(*settledKb)
                     .arg(*finalKb);
    }
    row(QStringLiteral("resident memory growth from %1 s after the start (goal: under %2 kB per hour)")
            .arg(kSettleSeconds)
            .arg(kGrowthGoalKbPerHour, 0, 'f', 0),
        growth);
    if (halfKb && finalKb && end > halfAt)
        row(QStringLiteral("resident memory growth over the second half of the run"),
            QStringLiteral("%1%2 kB/h (%3 kB to %4 kB)")
                .arg(*finalKb >= *halfKb ? "+" : "")
                .arg(double(*finalKb - *halfKb) / (double(end - halfAt) / 3.6e6), 0, 'f', 0)
                .arg(*halfKb)
                .arg(*finalKb));

    const bool met = ran && reboots > 0 && survived == reboots && longestReturnMs >= 0
        && double(longestReturnMs) / 1000 <= goalSeconds && lost == 0 && settledKb && finalKb
        && perHour < kGrowthGoalKbPerHour;
    if (!met && !monitor.errors.isEmpty())
        std::fprintf(stderr, "bench_soak_reboot: the monitor said:\n%s\n", monitor.errors.constData());
    return met ? 0 : 1;
}
