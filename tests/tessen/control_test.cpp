#include "automation/dispatch.h"
#include "automation/events.h"
#include "loopback.h"
#include "tessen/control.h"
#include "tessen/socket_errors.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <vector>

using automation::Variant;

namespace {

struct Event {
    QString name;
    QList<Variant> args;
    QString arg(int i) const { return args.value(i).toString(); }
};

// Listens the way a host does: through the automation layer's event sink.
class Recorder : public automation::EventSink {
public:
    explicit Recorder(CTessenCtrl& ctrl) : connection_(automation::connectEvents(&ctrl, this)) {}
    void onEvent(automation::DispId id, const QString& name, const QList<Variant>& args) override
    {
        ids.push_back(id);
        events.push_back({name, args});
        if (onAny)
            onAny(events.back());
    }
    int count(const char* name) const
    {
        return int(std::count_if(events.begin(), events.end(), [&](const Event& e) { return e.name == QLatin1String(name); }));
    }
    std::vector<automation::DispId> ids;
    std::vector<Event> events;
    std::function<void(const Event&)> onAny;

private:
    automation::EventConnection connection_;
};

void feed(CTessenCtrl& ctrl, const QByteArray& chunk) { static_cast<CTelnetClient::Listener&>(ctrl).OnTelnetData(chunk); }

// A control connected to a loopback peer.
struct Connected : ::testing::Test {
    void open()
    {
        ctrl.setIpAddress(server.address());
        ASSERT_TRUE(ctrl.Open());
        ASSERT_TRUE(server.accept());
    }
    LoopbackServer server;
    CTessenCtrl ctrl;
    Recorder recorder{ctrl};
};

}  // namespace

TEST(ControlTest, AFreshControlIsClosedWithItsDefaultsAndFiresNothing)
{
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    EXPECT_FALSE(ctrl.isOpen());
    EXPECT_EQ(ctrl.row() + ctrl.column() + ctrl.rows() + ctrl.columns() + ctrl.lastError(), 0);
    EXPECT_TRUE(ctrl.screen().isEmpty() && ctrl.lastErrorText().isEmpty() && ctrl.breakOn().isEmpty());
    EXPECT_EQ(ctrl.ipAddress(), QStringLiteral("192.168.0.1"));
    int row = 7, column = 8;
    EXPECT_FALSE(ctrl.SendKeys(QStringLiteral("x")));
    EXPECT_FALSE(ctrl.Close());
    EXPECT_FALSE(ctrl.Find(QStringLiteral(" "), row, column));
    EXPECT_EQ(std::pair(row, column), std::pair(7, 8));
    EXPECT_TRUE(ctrl.GetBuffer(1, 1, 10).isEmpty());
    EXPECT_TRUE(recorder.events.empty());
}

TEST(ControlTest, DispatchAndEventIdsAreThoseHostsCompiledAgainst)
{
    CTessenCtrl ctrl;
    const automation::DispatchRef d = automation::dispatchFor(&ctrl);
    const char* names[] = {"Screen", "LastError", "LastErrorText", "BreakOn", "Column",  "Columns",
                           "Row",    "Rows",      "IpAddress",     "IsOpen",  "Close",   "SendKeys",
                           "Find",   "GetBuffer", "Open",          "AboutBox", "DataEvents"};
    const int ids[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, -552, 17};
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(d->memberId(QString::fromLatin1(names[i]).toLower()), ids[i]) << names[i];
    EXPECT_EQ(automation::membersOf(ctrl.metaObject()).size(), 17);
    EXPECT_EQ(d->typeName(), QStringLiteral("Tessen"));

    const QList<automation::EventInfo> events = automation::eventsOf(ctrl.metaObject());
    ASSERT_EQ(events.size(), 4);
    EXPECT_EQ(std::tuple(events[3].name, events[3].id), std::tuple(QStringLiteral("OnData"), 4));
    EXPECT_EQ(events[3].parameterNames, (QList<QByteArray>{"Data"}));
    EXPECT_EQ(std::tuple(events[0].name, events[0].id), std::tuple(QStringLiteral("OnScreenChange"), 1));
    EXPECT_EQ(std::tuple(events[1].name, events[1].id), std::tuple(QStringLiteral("OnBreak"), 2));
    EXPECT_EQ(std::tuple(events[2].name, events[2].id), std::tuple(QStringLiteral("OnError"), 3));
    EXPECT_EQ(events[2].parameterNames, (QList<QByteArray>{"Method", "Error", "ErrorText"}));

    EXPECT_THROW(d->put(QStringLiteral("Screen"), Variant(QStringLiteral("x"))), automation::AutomationError);
    EXPECT_FALSE(ctrl.IsModified());
    d->put(QStringLiteral("IpAddress"), Variant(QStringLiteral("not an address")));  // no validation
    EXPECT_EQ(ctrl.ipAddress(), QStringLiteral("not an address"));
    EXPECT_TRUE(ctrl.IsModified());
}

TEST(ControlTest, CaptureHandsOutEverythingUpToEachBreakText)
{
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    feed(ctrl, "ignored while BreakOn is empty ab");
    ctrl.setBreakOn(QStringLiteral("ab"));
    feed(ctrl, "xxa");
    EXPECT_TRUE(recorder.events.empty());
    feed(ctrl, "byyab");
    ASSERT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(recorder.ids[0], 2);
    EXPECT_EQ(recorder.events[0].arg(0), QStringLiteral("xxab"));
    EXPECT_EQ(recorder.events[1].arg(0), QStringLiteral("yyab"));

    // Switching off keeps what is held; raw bytes travel as single-byte text.
    feed(ctrl, "one");
    ctrl.setBreakOn(QString());
    feed(ctrl, "lost ab");
    ctrl.setBreakOn(QStringLiteral("ab"));
    feed(ctrl, "\xff\xfd" "ab");
    ASSERT_EQ(recorder.events.size(), 3u);
    EXPECT_EQ(recorder.events[2].arg(0).toLatin1(), QByteArray("one\xff\xfd" "ab"));
}

TEST(ControlTest, DataEventsCarryEachChunkAsReceivedOnlyWhenTurnedOn)
{
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    const automation::DispatchRef d = automation::dispatchFor(&ctrl);
    feed(ctrl, "not asked for");
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_FALSE(d->get(QStringLiteral("DataEvents")).toBool());
    d->put(QStringLiteral("DataEvents"), Variant(true));
    EXPECT_FALSE(ctrl.IsModified()); // a switch for this run, not a stored property
    ctrl.setBreakOn(QStringLiteral("ab"));
    feed(ctrl, QByteArray("\xff\xfb\x01\x1b[2Jx\0ab", 11));
    ASSERT_EQ(recorder.events.size(), 2u);
    // The chunk comes first, whole, then what the capture makes of it.
    EXPECT_EQ(recorder.ids[0], 4);
    EXPECT_EQ(recorder.events[0].arg(0).toLatin1(), QByteArray("\xff\xfb\x01\x1b[2Jx\0ab", 11));
    EXPECT_EQ(recorder.events[1].name, QStringLiteral("OnBreak"));
    d->put(QStringLiteral("DataEvents"), Variant(false));
    feed(ctrl, "quiet");
    EXPECT_EQ(recorder.events.size(), 2u);
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
    EXPECT_EQ(std::tuple(e.name, e.arg(0), e.args.value(1).toLong(), e.arg(2)),
              std::tuple(QStringLiteral("OnError"), QStringLiteral("Internal( OnTelnetData )"), -1,
                         QStringLiteral("Capture buffer overflow")));
    EXPECT_EQ(std::pair(ctrl.lastError(), ctrl.lastErrorText()), std::pair(-1, QStringLiteral("Capture buffer overflow")));
    // The 600 bytes were not added: exactly the limit still fits.
    feed(ctrl, QByteArray(532, 'c') + "END");
    ASSERT_EQ(recorder.events.size(), 2u);
    EXPECT_EQ(recorder.events[1].arg(0).size(), 65535);
}

TEST(ControlTest, PersistsBreakOnAndIpAddressAsVersionOne)
{
    CTessenCtrl ctrl;
    ctrl.setBreakOn(QStringLiteral("Enter"));
    ctrl.setIpAddress(QStringLiteral("10.0.0.138"));
    automation::PropertyBag bag;
    ctrl.SaveState(bag);
    EXPECT_EQ(bag.version(), QStringLiteral("1.0"));
    EXPECT_FALSE(ctrl.IsModified());
    CTessenCtrl loaded;
    loaded.LoadState(bag);
    EXPECT_EQ(std::pair(loaded.breakOn(), loaded.ipAddress()), std::pair(QStringLiteral("Enter"), QStringLiteral("10.0.0.138")));
    EXPECT_FALSE(loaded.IsModified());

    // Missing values take their defaults; another version is written back as 1.0.
    automation::PropertyBag old;
    old.setVersion(QStringLiteral("0.9"));
    loaded.LoadState(old);
    EXPECT_EQ(std::pair(loaded.breakOn(), loaded.ipAddress()), std::pair(QString(), QStringLiteral("192.168.0.1")));
    EXPECT_TRUE(loaded.IsModified());
    ctrl.ResetState();
    EXPECT_EQ(std::pair(ctrl.breakOn(), ctrl.ipAddress()), std::pair(QString(), QStringLiteral("192.168.0.1")));
}

TEST_F(Connected, KeysSentRightAfterOpenArriveInOnePieceInOrder)
{
    open();
    EXPECT_EQ(std::tuple(ctrl.isOpen(), ctrl.rows(), ctrl.columns(), ctrl.row()), std::tuple(true, 24, 80, 1));
    server.send("Enter Password : ");
    EXPECT_TRUE(ctrl.SendKeys(QStringLiteral("1234")));
    EXPECT_TRUE(ctrl.SendKeys(QStringLiteral("\r")));
    EXPECT_TRUE(server.receiveAvailable().isEmpty());  // held until the connection is writable
    EXPECT_TRUE(recorder.events.empty());  // the greeting waits until the calls have returned
    ASSERT_TRUE(pumpUntil([&] { return ctrl.Connection()->IsReadyToSend() && !recorder.events.empty(); }));
    EXPECT_EQ(server.receive(5), QByteArray("1234\r"));
    EXPECT_TRUE(ctrl.SendKeys(QStringLiteral("5")));  // from now on at once
    EXPECT_EQ(server.receive(1), QByteArray("5"));
    EXPECT_EQ(recorder.count("OnScreenChange"), 1);
}

TEST_F(Connected, EachChunkFiresCaptureThenOneScreenChange)
{
    ctrl.setBreakOn(QStringLiteral("Menu"));
    open();
    server.send("\xff\xfd\x18\x1b[2J\x1b[3;1HMain Menu\x1b[20;8H");
    ASSERT_TRUE(pumpUntil([&] { return recorder.count("OnScreenChange") > 0; }));
    EXPECT_EQ(recorder.ids, (std::vector<automation::DispId>{2, 1}));
    ASSERT_EQ(ctrl.screen().size(), 1968);
    EXPECT_EQ(ctrl.screen().mid(2 * 82, 9), QStringLiteral("Main Menu"));
    EXPECT_EQ(std::pair(ctrl.row(), ctrl.column()), std::pair(20, 8));
    EXPECT_EQ(ctrl.GetBuffer(3, 6, 4), QStringLiteral("Menu"));
    // Find through the dispatch interface hands the position back by reference.
    QList<Variant> args{Variant(QStringLiteral("Main")), Variant(0), Variant(0)};
    EXPECT_TRUE(automation::dispatchFor(&ctrl)->invoke(14, automation::CallKind::Method, args).toBool());
    EXPECT_EQ(std::pair(args[1].toLong(), args[2].toLong()), std::pair(3, 1));
    EXPECT_TRUE(server.receiveAvailable(50).isEmpty());  // the negotiation got no answer
}

TEST_F(Connected, OverflowStillShowsTheChunkOnTheScreen)
{
    ctrl.setBreakOn(QStringLiteral("never sent"));
    open();
    server.send(QByteArray(65000, 'a'));
    server.send(QByteArray("\x1b[2J") + QByteArray(596, 'b'));
    ASSERT_TRUE(pumpUntil([&] { return ctrl.screen().count(QLatin1Char('b')) == 596; }));
    ASSERT_GE(recorder.count("OnError"), 1);
    EXPECT_EQ(ctrl.lastErrorText(), QStringLiteral("Capture buffer overflow"));
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
    const QString refused = QStringLiteral(
        "Connection refused. No connection could be made because the target machine actively refused it.");
    EXPECT_EQ(std::pair(ctrl.lastError(), ctrl.lastErrorText()), std::pair(10061, refused));
    ASSERT_EQ(recorder.events.size(), 1u);
    EXPECT_EQ(recorder.ids[0], 3);
    EXPECT_EQ(std::tuple(recorder.events[0].arg(0), recorder.events[0].args.value(1).toLong(), recorder.events[0].arg(2)),
              std::tuple(QStringLiteral("Open"), 10061, refused));

    // A label too long for DNS fails to resolve without a query leaving the machine.
    ctrl.setIpAddress(QString(64, QLatin1Char('n')) + QStringLiteral(".invalid"));
    EXPECT_FALSE(ctrl.Open());
    EXPECT_EQ(std::pair(ctrl.lastError(), ctrl.lastErrorText()),
              std::pair(10022, QStringLiteral("Invalid argument. Some invalid argument was supplied.")));

    LoopbackServer server;  // a success does not clear the last failure
    ctrl.setIpAddress(server.address());
    EXPECT_TRUE(ctrl.Open());
    EXPECT_EQ(ctrl.lastError(), 10022);
}

TEST_F(Connected, PeerCloseIsSilentUntilASendFails)
{
    open();
    ASSERT_TRUE(pumpUntil([&] { return ctrl.Connection()->IsReadyToSend(); }));
    server.closePeer();
    pumpBriefly();
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_TRUE(ctrl.isOpen());
    // The kernel may still take the first send; the peer's reset fails a later one.
    bool sent = true;
    for (int i = 0; i < 50 && sent; ++i) {
        sent = ctrl.SendKeys(QStringLiteral("x"));
        pumpBriefly(2);
    }
    ASSERT_FALSE(sent);
    EXPECT_TRUE(ctrl.lastError() == 10054 || ctrl.lastError() == 10058) << ctrl.lastError();
    ASSERT_EQ(recorder.count("OnError"), 1);
    EXPECT_EQ(recorder.events.back().arg(0), QStringLiteral("SendKeys"));
    EXPECT_EQ(recorder.events.back().arg(2), tessen::socketErrorText(ctrl.lastError()));
}

TEST_F(Connected, OpenWhileOpenStartsBlankAndCloseKeepsTheScreenText)
{
    open();
    server.send("old screen");
    ASSERT_TRUE(pumpUntil([&] { return ctrl.screen().startsWith(QLatin1String("old")); }));
    ASSERT_TRUE(ctrl.Open());
    EXPECT_TRUE(server.peerHasClosed());  // the old connection was shut down first
    EXPECT_EQ(ctrl.GetBuffer(1, 1, 10), QString(10, QLatin1Char(' ')));
    EXPECT_EQ(std::pair(ctrl.row(), ctrl.column()), std::pair(1, 1));

    EXPECT_TRUE(ctrl.Close());
    EXPECT_FALSE(ctrl.isOpen());
    EXPECT_TRUE(ctrl.screen().startsWith(QLatin1String("old screen")));
    EXPECT_EQ(ctrl.rows() + ctrl.row(), 0);
    EXPECT_TRUE(ctrl.GetBuffer(1, 1, 5).isEmpty());
    EXPECT_FALSE(ctrl.Close());
}

TEST_F(Connected, HandlersMayCloseOrReopenFromInsideAnEvent)
{
    ctrl.setBreakOn(QStringLiteral("bye"));
    recorder.onAny = [&](const Event& e) {
        if (e.name == QLatin1String("OnBreak"))
            ctrl.Close();
    };
    open();
    server.send("bye");
    ASSERT_TRUE(pumpUntil([&] { return !ctrl.isOpen(); }));
    EXPECT_EQ(recorder.count("OnScreenChange"), 0);  // the connection went inside the capture

    recorder.onAny = [&](const Event& e) {
        if (e.name == QLatin1String("OnScreenChange") && recorder.count("OnScreenChange") == 1)
            ctrl.Open();
    };
    ctrl.setBreakOn(QString());
    open();
    server.send("again");
    ASSERT_TRUE(pumpUntil([&] { return recorder.count("OnScreenChange") == 1; }));
    pumpBriefly();
    EXPECT_TRUE(ctrl.isOpen());
    EXPECT_EQ(ctrl.GetBuffer(1, 1, 5), QString(5, QLatin1Char(' ')));
}

// The asynchronous face: the monitor's way in, which never waits.
TEST(ControlAsyncTest, OpenReturnsAtOnceAndTellsTheOutcomeFromTheLoop)
{
    LoopbackServer server;
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    ITessenAsync* face = qobject_cast<ITessenAsync*>(&ctrl);
    ASSERT_NE(face, nullptr);
    ctrl.setIpAddress(server.address());
    int outcomes = 0;
    bool connected = false;
    ASSERT_TRUE(face->OpenAsync([&](bool ok) {
        ++outcomes;
        connected = ok;
    }));
    EXPECT_EQ(outcomes, 0);  // never within the call
    // Keys typed before the connection completes are queued, then sent in order.
    EXPECT_TRUE(face->SendKeysAsync(QStringLiteral("1234\r\n")));
    EXPECT_TRUE(face->SendKeysAsync(QStringLiteral("24\r\n")));
    ASSERT_TRUE(pumpUntil([&] { return outcomes == 1; }));
    EXPECT_TRUE(connected);
    EXPECT_TRUE(ctrl.isOpen());
    ASSERT_TRUE(server.accept());
    EXPECT_EQ(server.receive(10), QByteArray("1234\r\n24\r\n"));
    const quint64 paints = face->ScreenPaints();
    server.send("\x1b[2J\x1b[1;1HMenu 24\x1b[22;1HPress\x1b[5;1H");
    ASSERT_TRUE(pumpUntil([&] { return recorder.count("OnScreenChange") == 1; }));
    EXPECT_EQ(face->ScreenPaints(), paints + 2);  // the clear, and the move from the foot to the top

    // Closing does not pause: the caller waits ClosePauseMs before it opens again.
    QElapsedTimer took;
    took.start();
    EXPECT_TRUE(face->CloseAsync());
    EXPECT_LT(took.elapsed(), 100);
    EXPECT_EQ(face->ClosePauseMs(), CTessenCtrl::kClosePauseMs);
    EXPECT_FALSE(ctrl.isOpen());
    EXPECT_TRUE(pumpUntil([&] { return server.peerHasClosed(); }));
    EXPECT_EQ(recorder.count("OnError"), 0);
}

TEST(ControlAsyncTest, ARefusedOpenIsAnErrorThenAFailedOutcome)
{
    quint16 port = 0;
    {
        LoopbackServer closed;
        port = closed.port();
    }
    CTessenCtrl ctrl;
    Recorder recorder(ctrl);
    ITessenAsync* face = qobject_cast<ITessenAsync*>(&ctrl);
    ASSERT_NE(face, nullptr);
    ctrl.setIpAddress(QStringLiteral("127.0.0.1:%1").arg(port));
    std::vector<QString> order;
    recorder.onAny = [&](const Event& e) { order.push_back(e.name); };
    int outcomes = 0;
    const bool started = face->OpenAsync([&](bool ok) {
        ++outcomes;
        order.push_back(ok ? QStringLiteral("connected") : QStringLiteral("failed"));
    });
    if (started) {
        ASSERT_TRUE(pumpUntil([&] { return outcomes == 1; }));
    }
    // OnError first, then the outcome (none when it failed within the call).
    ASSERT_FALSE(order.empty());
    EXPECT_EQ(order[0], QStringLiteral("OnError"));
    EXPECT_EQ(order.back(), started ? QStringLiteral("failed") : QStringLiteral("OnError"));
    EXPECT_EQ(ctrl.lastError(), 10061);
    EXPECT_FALSE(ctrl.isOpen());
    EXPECT_EQ(recorder.events[0].arg(0), QStringLiteral("Open"));
    pumpBriefly();
    EXPECT_EQ(outcomes, started ? 1 : 0);
}

TEST(ControlAsyncTest, AHostNameIsLookedUpWithoutWaitingOnTheThread)
{
    // "localhost" comes from the hosts file: no query leaves the machine.
    LoopbackServer server;
    CTessenCtrl ctrl;
    ITessenAsync* face = qobject_cast<ITessenAsync*>(&ctrl);
    ASSERT_NE(face, nullptr);
    ctrl.setIpAddress(QStringLiteral("localhost:%1").arg(server.port()));
    int outcomes = 0;
    bool connected = false;
    ASSERT_TRUE(face->OpenAsync([&](bool ok) {
        ++outcomes;
        connected = ok;
    }));
    EXPECT_EQ(outcomes, 0);
    EXPECT_TRUE(face->SendKeysAsync(QStringLiteral("1234\r\n")));
    ASSERT_TRUE(pumpUntil([&] { return outcomes == 1; }));
    EXPECT_TRUE(connected);
    ASSERT_TRUE(server.accept());
    EXPECT_EQ(server.receive(6), QByteArray("1234\r\n"));

    // Closed while the name is looked up: the answer reaches nobody.
    EXPECT_TRUE(face->CloseAsync());
    outcomes = 0;
    ASSERT_TRUE(face->OpenAsync([&](bool) { ++outcomes; }));
    EXPECT_TRUE(face->CloseAsync());
    pumpBriefly();
    EXPECT_EQ(outcomes, 0);
    EXPECT_FALSE(ctrl.isOpen());
}

TEST(ControlAsyncTest, ACloseWhileConnectingDropsTheOutcome)
{
    LoopbackServer server;
    CTessenCtrl ctrl;
    ITessenAsync* face = qobject_cast<ITessenAsync*>(&ctrl);
    ctrl.setIpAddress(server.address());
    int outcomes = 0;
    ASSERT_TRUE(face->OpenAsync([&](bool) { ++outcomes; }));
    EXPECT_TRUE(face->CloseAsync());
    pumpBriefly();
    EXPECT_EQ(outcomes, 0);
    EXPECT_FALSE(ctrl.isOpen());
}
