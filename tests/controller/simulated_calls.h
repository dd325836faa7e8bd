#pragma once
// Helpers for tests that run the monitor against the router simulator: a
// bounded wait on the event loop and a call started on the router.

#include "components/prestige/simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace korvane::test {

// Runs the event loop until done() holds or limitMs has passed.
inline bool waitUntil(const std::function<bool()>& done, int limitMs = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

// Starts a call (voice calls come in, data calls go out) to node "Office"
// and moves router time on by a second; an empty text when it started.
inline QString startCall(prestige::Simulator& router, int line, prestige::CallKind kind, const QString& number) {
    prestige::CallRequest call;
    call.line = line;
    call.kind = kind;
    call.direction = kind == prestige::CallKind::Voice ? prestige::Direction::In : prestige::Direction::Out;
    call.number = number;
    call.node = QStringLiteral("Office");
    call.peerIp = QStringLiteral("10.0.0.2");
    QString error;
    if (!router.state().startCall(call, &error))
        return error.isEmpty() ? QStringLiteral("the call did not start") : error;
    router.step(1);
    return {};
}

}  // namespace korvane::test
