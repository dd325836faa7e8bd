// The korvane program in console mode against the router simulator over
// loopback, measured from outside the way its user meets it:
//   - the time from starting the process to its first status tick (median of
//     a few starts),
//   - its CPU use (utime + stime over wall time, one core = 100 %) at 1 and
//     at 20 repaints a second,
//   - its resident memory once start-up has settled and after a long run at
//     20 repaints a second.
//
// Environment (all optional):
//   KORVANE_SOAK_SECONDS         the long run at 20 repaints/s (default 600)
//   KORVANE_SOAK_CPU_SECONDS     the run at 1 repaint/s (default 60)
//   KORVANE_SOAK_STARTS          start-up runs (default 5)
//   KORVANE_SOAK_SETTLE_SECONDS  wait after the first tick before measuring (default 10)
//   KORVANE_SOAK_PROGRAM         the korvane program (default: the one of this build)

#include "components/prestige/simulator.h"

#include <QCoreApplication>
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
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFastRepaintMs = 50;    // 20 repaints a second
constexpr int kSlowRepaintMs = 1000;  // the router's usual rate
constexpr int kFirstTickLimitMs = 30000;
constexpr qsizetype kMaxStderr = 64 * 1024;

int envNumber(const char* name, int fallback, int low, int high) {
    if (!qEnvironmentVariableIsSet(name))
        return fallback;
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    if (!ok || value < low || value > high) {
        std::fprintf(stderr, "bench_soak: %s takes a number from %d to %d; using %d\n", name, low, high, fallback);
        return fallback;
    }
    return value;
}

// Runs the event loop for up to ms milliseconds, or until `until` holds.
// A real loop that sleeps, so that this process takes no CPU from the one it
// measures.
void pump(int ms, const std::function<bool()>& until = {}) {
    if (until && until())
        return;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer check;
    check.setInterval(20);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (until && until())
            loop.quit();
    });
    deadline.start(ms);
    if (until)
        check.start();
    loop.exec();
}

std::optional<QByteArray> readProcFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    QByteArray text;
    char buffer[4096];
    for (int i = 0; i < 16; ++i) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        text.append(buffer, qsizetype(got));
    }
    ::close(fd);
    return text;
}

// utime + stime of the whole process, in clock ticks.
std::optional<qint64> cpuTicks(qint64 pid) {
    const auto text = readProcFile(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!text)
        return std::nullopt;
    // The command name may hold spaces and parentheses; the fields after it don't.
    const qsizetype close = text->lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = text->mid(close + 2).split(' ');
    if (fields.size() < 13)
        return std::nullopt;  // fields[0] is field 3 (state); utime is 14, stime 15
    bool userOk = false, systemOk = false;
    const qint64 user = fields[11].toLongLong(&userOk);
    const qint64 system = fields[12].toLongLong(&systemOk);
    if (!userOk || !systemOk)
        return std::nullopt;
    return user + system;
}

std::optional<qint64> residentKb(qint64 pid) {
    const auto text = readProcFile(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!text)
        return std::nullopt;
    const QList<QByteArray> fields = text->trimmed().split(' ');
    bool ok = false;
    const qint64 pages = fields.size() >= 2 ? fields[1].toLongLong(&ok) : 0;
    if (!ok)
        return std::nullopt;
    return pages * (::sysconf(_SC_PAGESIZE) / 1024);
}

// The simulator on a thread of its own, as the monitor's demo runs it: its
// repaints keep their pace however busy this thread is.
class RouterThread {
public:
    explicit RouterThread(int repaintMs) {
        thread_.start();
        auto* anchor = new QObject;
        anchor->moveToThread(&thread_);
        QMetaObject::invokeMethod(
            anchor,
            [&] {
                prestige::SimulatorOptions options;
                options.repaintMs = repaintMs;
                simulator_ = std::make_unique<prestige::Simulator>(options);
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

// One `korvane --console --json` process with settings of its own, and what
// its event lines said.
class MonitorProcess {
public:
    MonitorProcess(const QString& program, quint16 port, const QString& password) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KORVANE_SETTINGS_DIR"), settings_.path());
        process_.setProcessEnvironment(environment);
        process_.setProgram(program);
        process_.setArguments({QStringLiteral("--console"), QStringLiteral("--json"), QStringLiteral("--password"),
                               password, QStringLiteral("127.0.0.1:%1").arg(port)});
        QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] { readEvents(); });
        QObject::connect(&process_, &QProcess::readyReadStandardError, [this] {
            const QByteArray bytes = process_.readAllStandardError();
            if (stderr_.size() < kMaxStderr)
                stderr_ += bytes.left(kMaxStderr - stderr_.size());
        });
    }
    ~MonitorProcess() { stop(); }
    MonitorProcess(const MonitorProcess&) = delete;
    MonitorProcess& operator=(const MonitorProcess&) = delete;

    bool start() {
        if (!settings_.isValid())
            return false;
        clock_.start();
        process_.start();
        return process_.waitForStarted(10000);
    }
    void stop() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();  // SIGTERM: the monitor closes the connection and ends
        if (!process_.waitForFinished(10000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    bool running() const { return process_.state() == QProcess::Running; }
    qint64 pid() const { return process_.processId(); }

    int ticks = 0;
    int stale = 0;
    int histories = 0;
    int problems = 0;  // errors, closed connections, bad passwords
    QString lastProblem;
    std::optional<double> firstTickMs;

    // Why the process is no good for measuring, for the report.
    QString failure() const {
        QString why = running() ? QStringLiteral("no status tick") : QStringLiteral("the monitor ended");
        if (!lastProblem.isEmpty())
            why += QStringLiteral(" (last event: %1)").arg(lastProblem);
        return why;
    }
    QString errorOutput() const { return QString::fromLocal8Bit(stderr_).trimmed(); }

private:
    void readEvents() {
        while (process_.canReadLine()) {
            const QByteArray line = process_.readLine();
            const QJsonObject event = QJsonDocument::fromJson(line).object();
            const QString kind = event.value(QStringLiteral("event")).toString();
            if (kind == QLatin1String("tick")) {
                if (!firstTickMs)
                    firstTickMs = double(clock_.nsecsElapsed()) / 1e6;
                ++ticks;
            } else if (kind == QLatin1String("history")) {
                ++histories;
            } else if (kind == QLatin1String("stale")) {
                ++stale;
            } else if (kind == QLatin1String("error") || kind == QLatin1String("closed") ||
                       kind == QLatin1String("badpassword")) {
                ++problems;
                lastProblem = kind;
                const QString text = event.value(QStringLiteral("text")).toString();
                if (!text.isEmpty())
                    lastProblem += QStringLiteral(": ") + text;
            }
        }
    }

    QTemporaryDir settings_;
    QProcess process_;
    QElapsedTimer clock_;
    QByteArray stderr_;
};

struct RunResult {
    QString failure;  // empty when the run measured
    qint64 settledKb = 0, finalKb = 0, peakKb = 0;
    double cpuPercent = 0;
    double cpuSeconds = 0;
    double ticksPerSecond = 0;
    double seconds = 0;
    int stale = 0, problems = 0, histories = 0;
};

void printFailure(const char* what, const QString& why, const MonitorProcess* monitor) {
    std::fprintf(stderr, "bench_soak: %s: %s\n", what, qPrintable(why));
    if (monitor && !monitor->errorOutput().isEmpty())
        std::fprintf(stderr, "bench_soak: the monitor said:\n%s\n", qPrintable(monitor->errorOutput()));
}

// Starts a monitor against a router repainting every repaintMs, lets it
// settle, then watches it for `seconds`.
RunResult measure(const QString& program, int repaintMs, int settleSeconds, int seconds, const char* what) {
    RunResult result;
    RouterThread router(repaintMs);
    if (!router.listening()) {
        result.failure = QStringLiteral("the simulator could not listen: ") + router.error();
        printFailure(what, result.failure, nullptr);
        return result;
    }
    MonitorProcess monitor(program, router.port(), router.password());
    if (!monitor.start()) {
        result.failure = QStringLiteral("the monitor did not start");
        printFailure(what, result.failure, &monitor);
        return result;
    }
    pump(kFirstTickLimitMs, [&] { return monitor.firstTickMs || !monitor.running(); });
    if (monitor.firstTickMs)
        pump(settleSeconds * 1000, [&] { return !monitor.running(); });
    const auto cpuStart = cpuTicks(monitor.pid());
    const auto settled = residentKb(monitor.pid());
    if (!monitor.firstTickMs || !monitor.running() || !cpuStart || !settled) {
        result.failure = monitor.failure();
        printFailure(what, result.failure, &monitor);
        return result;
    }
    result.settledKb = result.peakKb = *settled;
    const int ticksStart = monitor.ticks, staleStart = monitor.stale, problemsStart = monitor.problems,
              historiesStart = monitor.histories;
    QElapsedTimer wall;
    wall.start();
    qint64 lastProgress = 0;
    while (wall.elapsed() < qint64(seconds) * 1000 && monitor.running()) {
        pump(int(std::min<qint64>(1000, qint64(seconds) * 1000 - wall.elapsed())), [&] { return !monitor.running(); });
        if (const auto kb = residentKb(monitor.pid()))
            result.peakKb = std::max(result.peakKb, *kb);
        if (wall.elapsed() - lastProgress >= 60000) {
            lastProgress = wall.elapsed();
            std::fprintf(stderr, "bench_soak: %s: %lld of %d s, resident %lld kB, %d ticks\n", what,
                         qlonglong(wall.elapsed() / 1000), seconds,
                         qlonglong(residentKb(monitor.pid()).value_or(0)), monitor.ticks - ticksStart);
        }
    }
    const auto cpuEnd = cpuTicks(monitor.pid());
    const auto ending = residentKb(monitor.pid());
    result.seconds = double(wall.nsecsElapsed()) / 1e9;
    if (!monitor.running() || !cpuEnd || !ending) {
        result.failure = monitor.failure();
        printFailure(what, result.failure, &monitor);
        return result;
    }
    result.finalKb = *ending;
    result.peakKb = std::max(result.peakKb, *ending);
    result.cpuSeconds = double(*cpuEnd - *cpuStart) / double(::sysconf(_SC_CLK_TCK));
    result.cpuPercent = 100.0 * result.cpuSeconds / result.seconds;
    result.histories = monitor.histories - historiesStart;
    result.ticksPerSecond = double(monitor.ticks - ticksStart) / result.seconds;
    result.stale = monitor.stale - staleStart;
    result.problems = monitor.problems - problemsStart;
    if (result.stale || result.problems)
        std::fprintf(stderr, "bench_soak: %s: %d stale status, %d errors or closed connections (last: %s)\n", what,
                     result.stale, result.problems, qPrintable(monitor.lastProblem));
    return result;
}

// One table row: Benchmark | Measure | Korvane | Peer | Ratio.
void row(const char* measure, const QString& value) {
    std::printf("report: Monitor soak | %s | %s | | \n", measure, qPrintable(value));
    std::fflush(stdout);
}

QString kb(qint64 value) { return QStringLiteral("%1 kB").arg(value); }

// Of one core; the CPU seconds show the clock-tick resolution behind it.
QString cpu(const RunResult& run) {
    return QStringLiteral("%1 % (%2 s CPU)").arg(run.cpuPercent, 0, 'f', 2).arg(run.cpuSeconds, 0, 'f', 2);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString program = qEnvironmentVariableIsSet("KORVANE_SOAK_PROGRAM")
                                ? qEnvironmentVariable("KORVANE_SOAK_PROGRAM")
                                : QStringLiteral(KORVANE_SOAK_PROGRAM);
    if (!QFileInfo(program).isExecutable()) {
        std::fprintf(stderr, "bench_soak: no korvane program at %s\n", qPrintable(program));
        return 1;
    }
    const int soakSeconds = envNumber("KORVANE_SOAK_SECONDS", 600, 1, 7 * 24 * 3600);
    const int cpuSeconds = envNumber("KORVANE_SOAK_CPU_SECONDS", 60, 1, 24 * 3600);
    const int starts = envNumber("KORVANE_SOAK_STARTS", 5, 1, 100);
    const int settleSeconds = envNumber("KORVANE_SOAK_SETTLE_SECONDS", 10, 0, 3600);
    int status = 0;

    // Start-up: a fresh process, fresh settings and a fresh router each time.
    std::vector<double> firstTicks;
    QString startFailure;
    for (int i = 0; i < starts; ++i) {
        RouterThread router(kSlowRepaintMs);
        if (!router.listening()) {
            startFailure = QStringLiteral("the simulator could not listen: ") + router.error();
            break;
        }
        MonitorProcess monitor(program, router.port(), router.password());
        if (!monitor.start()) {
            startFailure = QStringLiteral("the monitor did not start");
            printFailure("start-up", startFailure, &monitor);
            break;
        }
        pump(kFirstTickLimitMs, [&] { return monitor.firstTickMs || !monitor.running(); });
        if (!monitor.firstTickMs) {
            startFailure = monitor.failure();
            printFailure("start-up", startFailure, &monitor);
            break;
        }
        firstTicks.push_back(*monitor.firstTickMs);
    }
    if (startFailure.isEmpty() && !firstTicks.empty()) {
        std::sort(firstTicks.begin(), firstTicks.end());
        const QString measure =
            QStringLiteral("process start to first status tick, median of %1 (fastest %2, slowest %3 ms)")
                .arg(firstTicks.size())
                .arg(firstTicks.front(), 0, 'f', 0)
                .arg(firstTicks.back(), 0, 'f', 0);
        std::printf("report: Monitor soak | %s | %.0f ms | | \n", qPrintable(measure),
                    firstTicks[firstTicks.size() / 2]);
        std::fflush(stdout);
    } else {
        row("process start to first status tick", QStringLiteral("failed: ") + startFailure);
        status = 1;
    }

    // The router's usual pace.
    const RunResult slow = measure(program, kSlowRepaintMs, settleSeconds, cpuSeconds, "1 repaint/s");
    if (slow.failure.isEmpty()) {
        row(qPrintable(QStringLiteral("resident memory idle (1 repaint/s, %1 s after the first tick)").arg(settleSeconds)),
            kb(slow.settledKb));
        row(qPrintable(QStringLiteral("CPU at 1 repaint/s, utime + stime over %1 s").arg(slow.seconds, 0, 'f', 0)),
            cpu(slow));
    } else {
        row("at 1 repaint/s", QStringLiteral("failed: ") + slow.failure);
        status = 1;
    }

    // The long run, twenty times as fast.
    const RunResult fast = measure(program, kFastRepaintMs, settleSeconds, soakSeconds, "20 repaints/s");
    if (fast.failure.isEmpty()) {
        const QString span = soakSeconds % 60 == 0 ? QStringLiteral("%1 min").arg(soakSeconds / 60)
                                                   : QStringLiteral("%1 s").arg(soakSeconds);
        row(qPrintable(QStringLiteral("resident memory at 20 repaints/s, %1 s after the first tick").arg(settleSeconds)),
            kb(fast.settledKb));
        row(qPrintable(QStringLiteral("resident memory after %1 more at 20 repaints/s (peak %2)").arg(span, kb(fast.peakKb))),
            kb(fast.finalKb));
        row(qPrintable(QStringLiteral("resident memory growth over %1 at 20 repaints/s").arg(span)),
            QStringLiteral("%1%2 kB").arg(fast.finalKb >= fast.settledKb ? "+" : "").arg(fast.finalKb - fast.settledKb));
        row(qPrintable(QStringLiteral("CPU at 20 repaints/s, utime + stime over %1 s").arg(fast.seconds, 0, 'f', 0)),
            cpu(fast));
        row(qPrintable(QStringLiteral("status ticks at 20 repaints/s (%1 call history reads in between)")
                           .arg(fast.histories)),
            QStringLiteral("%1 /s").arg(fast.ticksPerSecond, 0, 'f', 1));
        if (fast.stale || fast.problems)
            row("stale status or connection errors during the run",
                QStringLiteral("%1 stale, %2 errors").arg(fast.stale).arg(fast.problems));
    } else {
        row("at 20 repaints/s", QStringLiteral("failed: ") + fast.failure);
        status = 1;
    }
    return status;
}
