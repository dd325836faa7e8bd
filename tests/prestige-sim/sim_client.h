#pragma once
// A monitor-side client for the simulator: the terminal control's own telnet
// connection and screen, recording the screen and cursor after every chunk,
// which is what the router screen driver looks at.

#include "tessen/telnet_client.h"
#include "components/prestige/screens.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QList>
#include <QThread>

#include <functional>

namespace simtest {

struct Snapshot {
    QByteArray text;
    int row = 0;
    int column = 0;
    QByteArray chunk;

    bool contains(const char* marker) const { return text.contains(marker); }
    bool at(int r, int c) const { return row == r && column == c; }
    QByteArray cells(int r, int c, int length) const
    {
        return text.mid(qsizetype(r - 1) * 82 + (c - 1), length);
    }
};

// The router screen driver's recognition: text and cursor together.
inline bool isMenu24(const Snapshot& s)
{
    return s.contains("Menu 24 ") && s.row == 21 && (s.column == 54 || s.column == 56);
}
inline bool isMenu249(const Snapshot& s)
{
    return s.contains("Menu 24.9 ") && s.row == 21 && (s.column == 54 || s.column == 56);
}
inline bool isStatus(const Snapshot& s)
{
    return s.contains("Menu 24.1 ") && s.row == 22 && (s.column == 47 || s.column == 49);
}
inline bool isHistory(const Snapshot& s)
{
    return s.contains("Menu 24.9.4 ") && s.row == 21 && (s.column == 57 || s.column == 59);
}

class SimClient : public CTelnetClient::Listener {
public:
    SimClient()
        : client_(this)
    {
        client_.SetWaitLimit(5000);
    }

    bool connectTo(quint16 port)
    {
        return client_.Create() && client_.Connect(QStringLiteral("127.0.0.1:%1").arg(port));
    }
    void send(const QByteArray& keys) { client_.Send(keys); }
    void close() { client_.Close(); }

    // Runs the event loop until the predicate holds for the latest screen or
    // the bound passes; the caller asserts on the result.
    bool waitFor(const std::function<bool(const Snapshot&)>& done, int boundMs = 5000)
    {
        QDeadlineTimer deadline(boundMs);
        while (!deadline.hasExpired()) {
            if (!snapshots.isEmpty() && done(snapshots.back()))
                return true;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(1);
        }
        return !snapshots.isEmpty() && done(snapshots.back());
    }
    // Waits for a screen arriving after the ones seen so far.
    bool waitForNext(const std::function<bool(const Snapshot&)>& done, int boundMs = 5000)
    {
        const qsizetype seen = snapshots.size();
        return waitFor([&](const Snapshot&) {
            for (qsizetype i = seen; i < snapshots.size(); ++i)
                if (done(snapshots[i]))
                    return true;
            return false;
        }, boundMs);
    }
    bool anyScreen(const std::function<bool(const Snapshot&)>& test) const
    {
        for (const Snapshot& s : snapshots)
            if (test(s))
                return true;
        return false;
    }

    const Snapshot& last() const { return snapshots.back(); }
    CTelnetClient& connection() { return client_; }

    QList<Snapshot> snapshots;
    QByteArray received;

private:
    void OnTelnetData(const QByteArray& chunk) override
    {
        received += chunk;
        pendingChunk_ = chunk;
    }
    void OnTelnetChange() override
    {
        const CTerminalScreen& screen = client_.Screen();
        snapshots.append({screen.Text(), screen.CursorRow(), screen.CursorColumn(), pendingChunk_});
    }

    CTelnetClient client_;
    QByteArray pendingChunk_;
};

// Runs the event loop for a while: for "nothing more arrives" checks only.
inline void spin(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

inline bool spinUntil(const std::function<bool()>& done, int boundMs = 5000)
{
    QDeadlineTimer deadline(boundMs);
    while (!deadline.hasExpired()) {
        if (done())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return done();
}

} // namespace simtest
