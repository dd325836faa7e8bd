// The call tracker on the real controller, fed by what the router simulator
// paints and sends: when a call starts and ends, its direction and number
// from whichever source tells first, and each call once.
#include "tests/controller/recorders.h"

#include "components/prestige/router_state.h"
#include "components/prestige/screens.h"
#include "components/prestige/syslog_sender.h"
#include "korvane/monitor/call_tracker.h"
#include "korvane/monitor/controller.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

struct Rig {
    Log log;
    FakeSettings settings;
    CMonitorController controller{&settings, nullptr, std::make_unique<FakeTerminal>(&log)};
    prestige::RouterState router;
    qint64 now = 1'700'000'000;
    QList<CallRecord> started, known, updated, ended;
    QStringList callerIdEvents;

    Rig() {
        CallTracker& calls = controller.calls();
        calls.setClock([this] { return now; });
        QObject::connect(&calls, &CallTracker::callStarted, [this](const CallRecord& c) { started.append(c); });
        QObject::connect(&calls, &CallTracker::callerKnown, [this](const CallRecord& c) { known.append(c); });
        QObject::connect(&calls, &CallTracker::callUpdated, [this](const CallRecord& c) {
            if (!c.isOpen())
                updated.append(c);
        });
        QObject::connect(&calls, &CallTracker::callEnded, [this](const CallRecord& c) { ended.append(c); });
        QObject::connect(&controller, &CMonitorController::callerIdChanged,
                         [this](int, const QString& id) { callerIdEvents.append(id); });
        // What the router's syslog says of each call, as it says it.
        router.onCallEvent = [this](const prestige::CallEvent& e) {
            if (syslogOn)
                controller.OnSyslogMessage(prestige::SyslogSender::callRecord(e));
        };
    }
    void tick(int seconds = 1) {
        for (int i = 0; i < seconds; ++i)
            router.advance();
        now += seconds;
        controller.OnStatusScreen(QString::fromLatin1(prestige::paintStatusScreen(router, {}).text()));
    }
    void call(int line, prestige::CallKind kind, prestige::Direction direction, const char* number) {
        prestige::CallRequest request;
        request.line = line;
        request.kind = kind;
        request.direction = direction;
        request.number = QString::fromLatin1(number);
        request.node = QStringLiteral("Office");
        request.peerIp = QStringLiteral("10.0.0.2");
        ASSERT_TRUE(router.startCall(request));
    }
    void readHistory() {
        controller.OnCallHistoryScreen(QString::fromLatin1(prestige::paintCallHistoryScreen(router, {}).text()));
    }
    bool syslogOn = true;
};

}  // namespace

TEST(CallTracker, AnOutgoingCallHasItsDirectionAndNumberFromTheSyslog)
{
    Rig rig;
    rig.tick();
    rig.call(1, prestige::CallKind::Voice, prestige::Direction::Out, "5551234");
    rig.tick(60);
    rig.router.hangup(1);
    rig.tick();
    ASSERT_EQ(rig.started.size(), 1);
    EXPECT_EQ(rig.started[0].direction, QStringLiteral("Out"));
    EXPECT_EQ(rig.started[0].callerId, QStringLiteral("5551234"));
    EXPECT_TRUE(rig.started[0].voice);
    ASSERT_EQ(rig.ended.size(), 1);
    EXPECT_EQ(rig.ended[0].durationSeconds(), 60);
    EXPECT_EQ(rig.ended[0].ended, CallEnd::HungUp);
}

TEST(CallTracker, WithoutSyslogTheCallHistoryTellsTheNumberOfAnOutgoingCall)
{
    Rig rig;
    rig.syslogOn = false;
    rig.readHistory();  // what the router had booked before
    rig.call(2, prestige::CallKind::Data, prestige::Direction::Out, "0407654321");
    rig.tick(5);
    rig.router.hangup(2);
    rig.tick();
    ASSERT_EQ(rig.ended.size(), 1);
    EXPECT_TRUE(rig.ended[0].direction.isEmpty());
    rig.readHistory();
    ASSERT_EQ(rig.updated.size(), 1);
    EXPECT_EQ(rig.updated[0].serial, rig.ended[0].serial);
    EXPECT_EQ(rig.updated[0].direction, QStringLiteral("Out"));
    EXPECT_EQ(rig.updated[0].callerId, QStringLiteral("0407654321"));
    // Read again, the history tells nothing new.
    rig.readHistory();
    EXPECT_EQ(rig.updated.size(), 1);
}

TEST(CallTracker, TheSameCallerTwiceIsTwoCallsThoughTheCallerIdNeverChanged)
{
    Rig rig;
    rig.call(1, prestige::CallKind::Voice, prestige::Direction::In, "5550001");
    rig.tick(3);
    rig.router.hangup(1);
    rig.tick();
    rig.call(1, prestige::CallKind::Voice, prestige::Direction::In, "5550001");
    rig.tick(2);
    ASSERT_EQ(rig.started.size(), 2);
    for (const CallRecord& c : rig.started) {
        EXPECT_EQ(c.direction, QStringLiteral("In"));
        EXPECT_EQ(c.callerId, QStringLiteral("5550001"));
    }
    EXPECT_NE(rig.started[0].serial, rig.started[1].serial);
    // Scripts' OnCLIDChange keeps its rule: the text did not change.
    EXPECT_EQ(rig.callerIdEvents.size(), 1);
}

TEST(CallTracker, AnIncomingDataCallIsIncomingWithItsCaller)
{
    Rig rig;
    rig.syslogOn = false;
    rig.call(2, prestige::CallKind::Data, prestige::Direction::In, "0309876");
    rig.tick();
    ASSERT_EQ(rig.started.size(), 1);
    EXPECT_FALSE(rig.started[0].voice);
    EXPECT_EQ(rig.started[0].direction, QStringLiteral("In"));
    EXPECT_EQ(rig.started[0].callerId, QStringLiteral("0309876"));
    EXPECT_EQ(rig.started[0].link, QStringLiteral("Office"));
}

TEST(CallTracker, ASyslogMessageAfterTheStartMakesTheCallerKnown)
{
    Rig rig;
    rig.syslogOn = false;
    rig.call(1, prestige::CallKind::Data, prestige::Direction::Out, "0301111");
    rig.tick();
    ASSERT_EQ(rig.started.size(), 1);
    EXPECT_TRUE(rig.started[0].direction.isEmpty());
    rig.controller.OnSyslogMessage(QStringLiteral("line 1 channel 1, call 7, C01, CALL Connected, 64K 0301111"));
    ASSERT_EQ(rig.known.size(), 1);
    EXPECT_EQ(rig.known[0].direction, QStringLiteral("Out"));
    EXPECT_EQ(rig.known[0].callerId, QStringLiteral("0301111"));
    // Messages of no call, or garbled, change nothing.
    for (const char* odd : {"Call Terminated", "Outgoing Call,", "line 9 channel 9, Incoming Call, 1", "", "\x01\x02"})
        rig.controller.OnSyslogMessage(QString::fromLatin1(odd));
    EXPECT_EQ(rig.known.size(), 1);
    EXPECT_EQ(rig.controller.calls().openCall(1)->callerId, QStringLiteral("0301111"));
}

TEST(CallTracker, CountsSinceTheStartPerLine)
{
    Rig rig;
    rig.call(1, prestige::CallKind::Voice, prestige::Direction::In, "1");
    rig.tick(10);
    rig.router.hangup(1);
    rig.tick();
    rig.call(1, prestige::CallKind::Voice, prestige::Direction::In, "1");
    rig.tick(4);
    EXPECT_EQ(rig.controller.calls().callsStarted(1), 2);
    EXPECT_EQ(rig.controller.calls().callsStarted(2), 0);
    EXPECT_EQ(rig.controller.calls().secondsEnded(1), 10);
}
