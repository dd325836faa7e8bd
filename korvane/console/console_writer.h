#pragma once
// The console's output: event lines go through a bounded queue to a thread
// of their own, so a reader that stalls never stops the monitor. When the
// queue is full the newest lines are dropped and counted, and one line says
// how many once the reader takes lines again. An output that is closed ends
// the printing, not the monitor.

#include <QByteArray>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace korvane {

class ConsoleWriter {
public:
    static constexpr std::size_t kDefaultQueueLines = 1000;
    // What a stalled reader may hold back in all: about one pipe's worth more.
    static constexpr std::size_t kQueueBytes = 64 * 1024;
    // How long the end waits for queued lines to go out.
    static constexpr int kDrainMs = 300;

    // dropLine: the line that tells how many lines were dropped.
    ConsoleWriter(int fd, std::function<QByteArray(quint64 dropped)> dropLine,
                  std::size_t queueLines = kDefaultQueueLines);
    // Writes what the reader takes within kDrainMs, then lets go.
    ~ConsoleWriter();
    ConsoleWriter(const ConsoleWriter&) = delete;
    ConsoleWriter& operator=(const ConsoleWriter&) = delete;

    // Never waits: the line is queued or counted as dropped.
    void write(QByteArray line);

    quint64 dropped() const;
    // The output was closed by its reader; nothing is printed any more.
    bool outputClosed() const;

private:
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        std::condition_variable finished;
        std::deque<QByteArray> queue;
        std::size_t queuedBytes = 0;
        quint64 droppedUntold = 0;
        quint64 droppedTotal = 0;
        bool stopping = false;
        bool done = false;
        bool closed = false;
    };
    static void run(std::shared_ptr<State> state, int fd, std::function<QByteArray(quint64)> dropLine);

    std::shared_ptr<State> state_;
    std::size_t limit_;
    std::thread thread_;
};

}  // namespace korvane
