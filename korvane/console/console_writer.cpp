#include "korvane/console/console_writer.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace korvane {

namespace {

// False once the output is gone for good.
bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // An output someone else made non-blocking: this writer's own
            // thread waits until it takes bytes again, never the monitor.
            pollfd ready{fd, POLLOUT, 0};
            ::poll(&ready, 1, 100);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

ConsoleWriter::ConsoleWriter(int fd, std::function<QByteArray(quint64 dropped)> dropLine, std::size_t queueLines)
    : state_(std::make_shared<State>()), limit_(queueLines == 0 ? 1 : queueLines) {
    thread_ = std::thread(&ConsoleWriter::run, state_, fd, std::move(dropLine));
}

ConsoleWriter::~ConsoleWriter() {
    std::unique_lock lock(state_->mutex);
    state_->stopping = true;
    state_->wake.notify_all();
    const bool drained = state_->finished.wait_for(lock, std::chrono::milliseconds(kDrainMs), [this] { return state_->done; });
    lock.unlock();
    // A reader that takes nothing leaves the thread in its write; it holds
    // only the shared state and ends with the process.
    if (drained)
        thread_.join();
    else
        thread_.detach();
}

void ConsoleWriter::write(QByteArray line) {
    std::lock_guard lock(state_->mutex);
    if (state_->closed || state_->stopping)
        return;
    if (state_->queue.size() >= limit_ || state_->queuedBytes + std::size_t(line.size()) > kQueueBytes) {
        ++state_->droppedUntold;
        ++state_->droppedTotal;
        return;
    }
    state_->queuedBytes += std::size_t(line.size());
    state_->queue.push_back(std::move(line));
    state_->wake.notify_one();
}

quint64 ConsoleWriter::dropped() const {
    std::lock_guard lock(state_->mutex);
    return state_->droppedTotal;
}

bool ConsoleWriter::outputClosed() const {
    std::lock_guard lock(state_->mutex);
    return state_->closed;
}

void ConsoleWriter::run(std::shared_ptr<State> state, int fd, std::function<QByteArray(quint64)> dropLine) {
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->wake.wait(lock, [&] { return state->stopping || !state->queue.empty() || state->droppedUntold > 0; });
        if (state->queue.empty() && (state->stopping || state->droppedUntold == 0))
            break;
        std::deque<QByteArray> batch;
        batch.swap(state->queue);
        state->queuedBytes = 0;
        const quint64 dropped = std::exchange(state->droppedUntold, 0);
        lock.unlock();
        QByteArray out;
        for (const QByteArray& line : batch)
            out += line;
        // Told after the lines that were queued before the drop.
        if (dropped > 0 && dropLine)
            out += dropLine(dropped);
        const bool ok = writeAll(fd, out);
        lock.lock();
        if (!ok) {
            state->closed = true;
            state->queue.clear();
            break;
        }
    }
    state->done = true;
    state->finished.notify_all();
}

}  // namespace korvane
