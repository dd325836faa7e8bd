#include "automation/dispatch.h"
#include "automation/events.h"
#include "loopback.h"
#include "tessen/control.h"
#include "tessen/socket_errors.h"

#include <gtest/gtest.h>

#include <vector>

using automation::Variant;

namespace {

struct Event {
    automation::DispId id;
    QString name;
    QList<Variant> args;
};

// Listens the way a host does: through the automation layer's event sink.
class Recorder : public automation::EventSink {
public:
    explicit Recorder(CTessenCtrl& ctrl) : connection_(automation::connectEvents(&ctrl, this)) {}
    void onEvent(automation::DispId id, const QString& name, const QList<Variant>& args) override
    {
        events.push_back({id, name, args});
        if (onAny)
            onAny(events.back());
    }
    int count(const char* name) const
    {
        int n = 0;
        for (const Event& e : events)
            n += e.name == QLatin1String(name);
        return n;
    }
    std::vector<Event> events;
    std::function<void(const Event&)> onAny;

private:
    automation::EventConnection connection_;
};

void feed(CTessenCtrl& ctrl, const QByteArray& chunk) { static_cast<CTelnetClient::Listener&>(ctrl).OnTelnetData(chunk); }

}  // namespace

TEST(ControlTest, AFreshControlIsClosedWithItsDefaults)
{
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    EXPECT_FALSE(ctrl.isOpen());
    EXPECT_EQ(ctrl.row(), 0);
    EXPECT_EQ(ctrl.column(), 0);
    EXPECT_EQ(ctrl.rows(), 0);
    EXPECT_EQ(ctrl.columns(), 0);
    EXPECT_TRUE(ctrl.screen().isEmpty());
    EXPECT_EQ(ctrl.lastError(), 0);
    EXPECT_TRUE(ctrl.lastErrorText().isEmpty());
    EXPECT_EQ(ctrl.ipAddress(), QStringLiteral("192.168.0.1"));
    EXPECT_TRUE(ctrl.breakOn().isEmpty());

    int row = 7, column = 8;
    EXPECT_FALSE(ctrl.SendKeys(QStringLiteral("x")));
    EXPECT_FALSE(ctrl.Close());
    EXPECT_FALSE(ctrl.Find(QStringLiteral(" "), row, column));
    EXPECT_EQ(row, 7);
    EXPECT_EQ(column, 8);
    EXPECT_TRUE(ctrl.GetBuffer(1, 1, 10).isEmpty());
    EXPECT_TRUE(recorder.events.empty());
}

TEST(ControlTest, DispatchIdsAndEventIdsAreThoseHostsCompiledAgainst)
{
    CTessenCtrl ctrl;
    const automation::DispatchRef d = automation::dispatchFor(&ctrl);
    const std::pair<const char*, int> ids[] = {
        {"Screen", 1},  {"LastError", 2}, {"LastErrorText", 3}, {"BreakOn", 4},   {"Column", 5},
        {"Columns", 6}, {"Row", 7},       {"Rows", 8},          {"IpAddress", 9}, {"IsOpen", 11},
        {"Close", 12},  {"SendKeys", 13}, {"Find", 14},         {"GetBuffer", 15}, {"Open", 16},
        {"AboutBox", -552},
    };
    for (const auto& [name, id] : ids)
        EXPECT_EQ(d->memberId(QString::fromLatin1(name)), id) << name;
    EXPECT_EQ(d->memberId(QStringLiteral("ipaddress")), 9);
    EXPECT_EQ(automation::membersOf(ctrl.metaObject()).size(), 16);
    EXPECT_EQ(d->typeName(), QStringLiteral("Tessen"));

    const QList<automation::EventInfo> events = automation::eventsOf(ctrl.metaObject());
    ASSERT_EQ(events.size(), 3);
    EXPECT_EQ(events[0].name, QStringLiteral("OnScreenChange"));
    EXPECT_EQ(events[0].id, 1);
    EXPECT_EQ(events[1].name, QStringLiteral("OnBreak"));
    EXPECT_EQ(events[1].id, 2);
    EXPECT_EQ(events[2].name, QStringLiteral("OnError"));
    EXPECT_EQ(events[2].id, 3);
    EXPECT_EQ(events[2].parameterNames, (QList<QByteArray>{"Method", "Error", "ErrorText"}));

    // Read-only members refuse a write; the writable ones mark the control modified.
    try {
        d->put(QStringLiteral("Screen"), Variant(QStringLiteral("x")));
        ADD_FAILURE() << "Screen accepted a write";
    } catch (const automation::AutomationError& e) {
        EXPECT_EQ(e.number(), automation::error::kReadOnly);
    }
    EXPECT_FALSE(ctrl.IsModified());
    d->put(QStringLiteral("IpAddress"), Variant(QStringLiteral("not an address")));
    EXPECT_EQ(ctrl.ipAddress(), QStringLiteral("not an address"));
    EXPECT_TRUE(ctrl.IsModified());
    EXPECT_EQ(d->get(QStringLiteral("IsOpen")).toBool(), false);
}

TEST(ControlTest, CaptureHandsOutEverythingUpToEachBreakText)
{
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    ctrl.setBreakOn(QStringLiteral("ab"));
    feed(ctrl, "xxa");
    EXPECT_TRUE(recorder.events.empty());
    feed(ctrl, "byyab");
    ASSERT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(recorder.events[0].id, 2);
    EXPECT_EQ(recorder.events[0].args.value(0).toString(), QStringLiteral("xxab"));
    EXPECT_EQ(recorder.events[1].args.value(0).toString(), QStringLiteral("yyab"));

    // Nothing was left behind: the next break text alone makes a capture of its own.
    feed(ctrl, "ab");
    ASSERT_EQ(recorder.events.size(), 3u);
    EXPECT_EQ(recorder.events[2].args.value(0).toString(), QStringLiteral("ab"));
}

TEST(ControlTest, CaptureIsOffWhileBreakOnIsEmptyAndKeepsWhatItHeld)
{
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    feed(ctrl, "ignored;");
    ctrl.setBreakOn(QStringLiteral(";"));
    feed(ctrl, "one");
    ctrl.setBreakOn(QString());
    feed(ctrl, "lost;");
    ctrl.setBreakOn(QStringLiteral(";"));
    feed(ctrl, "two;\x80\xff;");
    ASSERT_EQ(recorder.count("OnBreak"), 2);
    EXPECT_EQ(recorder.events[0].args.value(0).toString(), QStringLiteral("onetwo;"));
    // Raw bytes, telnet commands included, travel as single-byte text.
    EXPECT_EQ(recorder.events[1].args.value(0).toString().toLatin1(), QByteArray("\x80\xff;"));
}

TEST(ControlTest, CaptureOverflowIsReportedAndTheCaptureKeepsWhatItHolds)
{
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    ctrl.setBreakOn(QStringLiteral("END"));
    feed(ctrl, QByteArray(65000, 'a'));
    feed(ctrl, QByteArray(600, 'b'));
    ASSERT_EQ(recorder.events.size(), 1u);
    const Event& e = recorder.events[0];
    EXPECT_EQ(e.name, QStringLiteral("OnError"));
    EXPECT_EQ(e.args.value(0).toString(), QStringLiteral("Internal( OnTelnetData )"));
    EXPECT_EQ(e.args.value(1).toLong(), -1);
    EXPECT_EQ(e.args.value(2).toString(), QStringLiteral("Capture buffer overflow"));
    EXPECT_EQ(ctrl.lastError(), -1);
    EXPECT_EQ(ctrl.lastErrorText(), QStringLiteral("Capture buffer overflow"));

    // Up to the limit still fits: the 600 bytes were not added.
    feed(ctrl, QByteArray(532, 'c') + "END");
    ASSERT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(recorder.events[1].args.value(0).toString().size(), 65535);
}

TEST(ControlTest, PersistsBreakOnAndIpAddressAsVersionOne)
{
    CTessenCtrl ctrl;
    ctrl.setBreakOn(QStringLiteral("Enter"));
    ctrl.setIpAddress(QStringLiteral("10.0.0.138"));
    automation::PropertyBag bag;
    ctrl.SaveState(bag);
    EXPECT_EQ(bag.version(), QStringLiteral("1.0"));
    EXPECT_EQ(bag.read(QStringLiteral("BreakOn")).toString(), QStringLiteral("Enter"));
    EXPECT_EQ(bag.read(QStringLiteral("IpAddress")).toString(), QStringLiteral("10.0.0.138"));
    EXPECT_FALSE(ctrl.IsModified());

    CTessenCtrl loaded;
    loaded.LoadState(bag);
    EXPECT_EQ(loaded.breakOn(), QStringLiteral("Enter"));
    EXPECT_EQ(loaded.ipAddress(), QStringLiteral("10.0.0.138"));
    EXPECT_FALSE(loaded.IsModified());

    // Missing values take their defaults; an old version is written back as 1.0.
    automation::PropertyBag old;
    old.setVersion(QStringLiteral("0.9"));
    loaded.LoadState(old);
    EXPECT_TRUE(loaded.breakOn().isEmpty());
    EXPECT_EQ(loaded.ipAddress(), QStringLiteral("192.168.0.1"));
    EXPECT_TRUE(loaded.IsModified());

    ctrl.ResetState();
    EXPECT_TRUE(ctrl.breakOn().isEmpty());
    EXPECT_EQ(ctrl.ipAddress(), QStringLiteral("192.168.0.1"));
}

TEST(ControlConnectionTest, KeysSentRightAfterOpenArriveInOnePieceInOrder)
{
    LoopbackServer server;
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    ctrl.setIpAddress(server.address());
    ASSERT_TRUE(ctrl.Open());
    EXPECT_TRUE(ctrl.isOpen());
    EXPECT_EQ(ctrl.rows(), 24);
    EXPECT_EQ(ctrl.columns(), 80);
    EXPECT_EQ(ctrl.row(), 1);
    ASSERT_TRUE(server.accept());
    EXPECT_TRUE(ctrl.SendKeys(QStringLiteral("1234")));
    EXPECT_TRUE(ctrl.SendKeys(QStringLiteral("\r")));
    EXPECT_TRUE(server.receiveAvailable().isEmpty());
    ASSERT_TRUE(pumpUntil([&] { return ctrl.Connection()->IsReadyToSend(); }));
    EXPECT_EQ(server.receive(5), QByteArray("1234\r"));
    EXPECT_TRUE(recorder.events.empty());
}

TEST(ControlConnectionTest, EachChunkFiresCaptureThenOneScreenChange)
{
    LoopbackServer server;
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    ctrl.setIpAddress(server.address());
    ctrl.setBreakOn(QStringLiteral("Menu"));
    ASSERT_TRUE(ctrl.Open());
    ASSERT_TRUE(server.accept());
    server.send("\x1b[2J\x1b[3;1HMain Menu\x1b[20;8H");
    ASSERT_TRUE(pumpUntil([&] { return recorder.count("OnScreenChange") > 0; }));
    ASSERT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(recorder.events[0].name, QStringLiteral("OnBreak"));
    EXPECT_EQ(recorder.events[1].id, 1);

    const QString screen = ctrl.screen();
    ASSERT_EQ(screen.size(), 1968);
    EXPECT_EQ(screen.mid(2 * 82, 9), QStringLiteral("Main Menu"));
    EXPECT_EQ(ctrl.row(), 20);
    EXPECT_EQ(ctrl.column(), 8);
    int row = 0, column = 0;
    EXPECT_TRUE(ctrl.Find(QStringLiteral("Main"), row, column));
    EXPECT_EQ(row, 3);
    EXPECT_EQ(column, 1);
    EXPECT_EQ(ctrl.GetBuffer(3, 6, 4), QStringLiteral("Menu"));

    // Find through the dispatch interface hands the position back by reference.
    const automation::DispatchRef d = automation::dispatchFor(&ctrl);
    QList<Variant> args{Variant(QStringLiteral("Menu")), Variant(0), Variant(0)};
    EXPECT_TRUE(d->invoke(14, automation::CallKind::Method, args).toBool());
    EXPECT_EQ(args[1].toLong(), 3);
    EXPECT_EQ(args[2].toLong(), 6);
}

TEST(ControlConnectionTest, OverflowStillShowsTheChunkOnTheScreen)
{
    LoopbackServer server;
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    ctrl.setIpAddress(server.address());
    ctrl.setBreakOn(QStringLiteral("never sent"));
    ASSERT_TRUE(ctrl.Open());
    ASSERT_TRUE(server.accept());
    server.send(QByteArray(65000, 'a'));
    ASSERT_TRUE(pumpUntil([&] { return ctrl.Connection() && ctrl.screen().contains(QLatin1Char('a')); }));
    pumpBriefly();
    server.send(QByteArray("\x1b[2J") + QByteArray(596, 'b'));
    ASSERT_TRUE(pumpUntil([&] { return ctrl.screen().count(QLatin1Char('b')) == 596; }));
    ASSERT_GE(recorder.count("OnError"), 1);
    for (const Event& e : recorder.events) {
        if (e.name == QLatin1String("OnError")) {
            EXPECT_EQ(e.args.value(2).toString(), QStringLiteral("Capture buffer overflow"));
        }
    }
    EXPECT_EQ(recorder.events.back().name, QStringLiteral("OnScreenChange"));
}

TEST(ControlConnectionTest, RefusedAndUnresolvableOpensReportThroughOnError)
{
    quint16 port = 0;
    {
        LoopbackServer closed;
        port = closed.port();
    }
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    ctrl.setIpAddress(QStringLiteral("127.0.0.1:%1").arg(port));
    EXPECT_FALSE(ctrl.Open());
    EXPECT_FALSE(ctrl.isOpen());
    EXPECT_EQ(ctrl.lastError(), 10061);
    const QString refused = QStringLiteral(
        "Connection refused. No connection could be made because the target machine actively refused it.");
    EXPECT_EQ(ctrl.lastErrorText(), refused);
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(recorder.events[0].id, 3);
    EXPECT_EQ(recorder.events[0].args.value(0).toString(), QStringLiteral("Open"));
    EXPECT_EQ(recorder.events[0].args.value(1).toLong(), 10061);
    EXPECT_EQ(recorder.events[0].args.value(2).toString(), refused);

    ctrl.setIpAddress(QString(64, QLatin1Char('n')) + QStringLiteral(".invalid"));
    EXPECT_FALSE(ctrl.Open());
    EXPECT_EQ(ctrl.lastError(), 10022);
    EXPECT_EQ(ctrl.lastErrorText(), QStringLiteral("Invalid argument. Some invalid argument was supplied."));
    EXPECT_EQ(recorder.events.size(), 2u);

    // A later success does not clear the last failure.
    LoopbackServer server;
    ctrl.setIpAddress(server.address());
    EXPECT_TRUE(ctrl.Open());
    EXPECT_EQ(ctrl.lastError(), 10022);
}

TEST(ControlConnectionTest, PeerCloseIsSilentUntilASendFails)
{
    LoopbackServer server;
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    ctrl.setIpAddress(server.address());
    ASSERT_TRUE(ctrl.Open());
    ASSERT_TRUE(server.accept());
    ASSERT_TRUE(pumpUntil([&] { return ctrl.Connection()->IsReadyToSend(); }));
    server.closePeer();
    pumpBriefly();
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_TRUE(ctrl.isOpen());

    // The first send after the close may still be taken by the kernel; the
    // peer's reset makes a following one fail.
    bool sent = true;
    for (int i = 0; i < 50 && sent; ++i) {
        sent = ctrl.SendKeys(QStringLiteral("x"));
        pumpBriefly(2);
    }
    ASSERT_FALSE(sent);
    EXPECT_TRUE(ctrl.lastError() == 10054 || ctrl.lastError() == 10058) << ctrl.lastError();
    ASSERT_EQ(recorder.count("OnError"), 1);
    EXPECT_EQ(recorder.events.back().args.value(0).toString(), QStringLiteral("SendKeys"));
    EXPECT_EQ(recorder.events.back().args.value(2).toString(), tessen::socketErrorText(ctrl.lastError()));
    EXPECT_TRUE(ctrl.isOpen());
}

TEST(ControlConnectionTest, OpenWhileOpenStartsAgainFromABlankScreen)
{
    LoopbackServer server;
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    ctrl.setIpAddress(server.address());
    ASSERT_TRUE(ctrl.Open());
    ASSERT_TRUE(server.accept());
    server.send("old screen");
    ASSERT_TRUE(pumpUntil([&] { return ctrl.screen().startsWith(QLatin1String("old")); }));

    ASSERT_TRUE(ctrl.Open());
    EXPECT_TRUE(server.peerHasClosed());  // the old connection was shut down first
    EXPECT_EQ(ctrl.GetBuffer(1, 1, 10), QString(10, QLatin1Char(' ')));
    EXPECT_EQ(ctrl.row(), 1);
    EXPECT_EQ(ctrl.column(), 1);
    // The published text stays until the new connection's first chunk.
    EXPECT_TRUE(ctrl.screen().startsWith(QLatin1String("old")));
}

TEST(ControlConnectionTest, CloseKeepsTheLastScreenText)
{
    LoopbackServer server;
    CTessenCtrl ctrl;
    ctrl.setIpAddress(server.address());
    ASSERT_TRUE(ctrl.Open());
    ASSERT_TRUE(server.accept());
    server.send("Enter Password : ");
    ASSERT_TRUE(pumpUntil([&] { return !ctrl.screen().isEmpty(); }));
    EXPECT_TRUE(ctrl.Close());
    EXPECT_FALSE(ctrl.isOpen());
    EXPECT_TRUE(ctrl.screen().startsWith(QLatin1String("Enter Password : ")));
    EXPECT_EQ(ctrl.rows(), 0);
    EXPECT_EQ(ctrl.row(), 0);
    EXPECT_TRUE(ctrl.GetBuffer(1, 1, 5).isEmpty());
    EXPECT_FALSE(ctrl.Close());
    EXPECT_TRUE(server.peerHasClosed());
}

TEST(ControlConnectionTest, HandlersMayCloseOrReopenFromInsideAnEvent)
{
    LoopbackServer server;
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    ctrl.setIpAddress(server.address());
    ctrl.setBreakOn(QStringLiteral("bye"));
    recorder.onAny = [&](const Event& e) {
        if (e.name == QLatin1String("OnBreak"))
            ctrl.Close();
    };
    ASSERT_TRUE(ctrl.Open());
    ASSERT_TRUE(server.accept());
    server.send("bye");
    ASSERT_TRUE(pumpUntil([&] { return !ctrl.isOpen(); }));
    // The connection went inside the capture: no screen change followed.
    EXPECT_EQ(recorder.count("OnScreenChange"), 0);

    recorder.onAny = [&](const Event& e) {
        if (e.name == QLatin1String("OnScreenChange") && recorder.count("OnScreenChange") == 1)
            ctrl.Open();
    };
    ctrl.setBreakOn(QString());
    ASSERT_TRUE(ctrl.Open());
    ASSERT_TRUE(server.accept());
    server.send("again");
    ASSERT_TRUE(pumpUntil([&] { return recorder.count("OnScreenChange") == 1; }));
    pumpBriefly();
    EXPECT_TRUE(ctrl.isOpen());
    EXPECT_EQ(ctrl.GetBuffer(1, 1, 5), QString(5, QLatin1Char(' ')));
}
