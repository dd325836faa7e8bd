// The recorder on the real controller: status screens painted by the router
// simulator's painter become calls in the journal, with their end reasons,
// names from the phone book, CallerName for scripts, and history snapshots.
#include "tests/controller/recorders.h"

#include "components/prestige/router_state.h"
#include "components/prestige/screens.h"
#include "korvane/journal/journal_recorder.h"
#include "korvane/journal/journal_session.h"
#include "korvane/monitor/call_tracker.h"
#include "korvane/model/application.h"
#include "korvane/model/lines.h"
#include "korvane/monitor/controller.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace korvane;
using namespace korvane::test;

namespace {

struct Rig {
    Log log;
    FakeSettings settings;
    QTemporaryDir dir;
    std::unique_ptr<CMonitorController> controller;
    std::unique_ptr<CallJournal> journal;
    std::unique_ptr<JournalRecorder> recorder;
    prestige::RouterState router;
    qint64 now = 1'700'000'000;
    QStringList errors;

    Rig() {
        controller = std::make_unique<CMonitorController>(&settings, nullptr, std::make_unique<FakeTerminal>(&log));
        openRecorder();
    }
    QString file() const { return dir.filePath(QStringLiteral("j.sqlite")); }
    void openRecorder() {
        journal = std::make_unique<CallJournal>(file());
        controller->calls().setClock([this] { return now; });
        recorder = std::make_unique<JournalRecorder>(controller.get(), journal.get());
        recorder->setErrorListener([this](const QString& e) { errors.append(e); });
    }
    // The monitor stops cleanly: open calls end, the journal has them.
    void stop() {
        controller->calls().endOpenCalls(CallEnd::MonitorStopped);
        QCoreApplication::processEvents();
        recorder.reset();
        journal.reset();
    }
    // A new run of the monitor on the same journal (the old one stopped or was killed).
    void restart() {
        controller = std::make_unique<CMonitorController>(&settings, nullptr, std::make_unique<FakeTerminal>(&log));
        openRecorder();
    }
    void tick(int seconds = 1) {
        for (int i = 0; i < seconds; ++i)
            router.advance();
        now += seconds;
        controller->OnStatusScreen(QString::fromLatin1(prestige::paintStatusScreen(router, {}).text()));
        // The journal is written after the tick, in the loop's next turn.
        QCoreApplication::processEvents();
    }
    void call(int line, prestige::CallKind kind, const char* number) {
        prestige::CallRequest request;
        request.line = line;
        request.kind = kind;
        request.direction = kind == prestige::CallKind::Voice ? prestige::Direction::In : prestige::Direction::Out;
        request.number = QString::fromLatin1(number);
        request.node = QStringLiteral("Office");
        request.peerIp = QStringLiteral("10.0.0.2");
        ASSERT_TRUE(router.startCall(request));
    }
    QList<CallRecord> calls() const { return CallJournal(file()).calls(); }
};

}  // namespace

TEST(UpTimeText, ReadsTheRouterClock)
{
    EXPECT_EQ(upTimeSeconds(QStringLiteral("  0:01:05 ")), 65);
    EXPECT_EQ(upTimeSeconds(QStringLiteral("12:00:00")), 43200);
    EXPECT_EQ(upTimeSeconds(QStringLiteral("1:05")), 65);
    for (const char* bad : {"", "   ", "x:1:2", "1:2:3:4", "-1:00", "1::2"})
        EXPECT_EQ(upTimeSeconds(QString::fromLatin1(bad)), -1) << bad;
}

TEST(JournalRecorder, ADataCallIsOnDiskFromItsStartAndEndsWhenTheLineGoesDown)
{
    Rig rig;
    rig.tick();
    EXPECT_TRUE(rig.calls().isEmpty());
    rig.call(1, prestige::CallKind::Data, "0301234567");
    rig.router.setLoad(1, 60);
    rig.tick();
    QList<CallRecord> calls = rig.calls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_TRUE(calls[0].isOpen());
    EXPECT_EQ(calls[0].line, 1);
    EXPECT_EQ(calls[0].link, QStringLiteral("Office"));
    EXPECT_EQ(calls[0].peerIp, QStringLiteral("10.0.0.2"));
    const qint64 start = calls[0].startUtc;
    for (int i = 0; i < 30; ++i)
        rig.tick();
    calls = rig.calls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].lastTickUtc, rig.now);
    EXPECT_GT(calls[0].packetsSent + calls[0].packetsReceived, 0);
    EXPECT_GE(calls[0].peakUtilization, calls[0].averageUtilization);
    rig.router.hangup(1);
    rig.tick();
    calls = rig.calls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].ended, CallEnd::HungUp);
    EXPECT_EQ(calls[0].startUtc, start);
    EXPECT_NEAR(double(calls[0].durationSeconds()), 32.0, 2.0);
    EXPECT_TRUE(rig.errors.isEmpty());
}

TEST(JournalRecorder, EndReasonsDropRouterLostAndMonitorStopped)
{
    Rig rig;
    rig.call(1, prestige::CallKind::Data, "0301");
    rig.call(2, prestige::CallKind::Voice, "0302");
    rig.tick();
    rig.controller->DropChannels(rig.controller->calls().openCall(1)->channel);
    rig.router.hangup(1);
    rig.tick();
    rig.tick();
    rig.controller->OnWatchdog();  // the router stopped answering
    rig.router.hangup(2);          // ... and line 2 went down meanwhile
    rig.call(1, prestige::CallKind::Data, "0303");
    rig.tick(5);
    rig.stop();                    // the monitor ends
    const QList<CallRecord> calls = rig.calls();
    ASSERT_EQ(calls.size(), 3);
    EXPECT_EQ(calls[0].ended, CallEnd::Dropped);
    EXPECT_EQ(calls[0].line, 1);
    // Its end was not seen: it ended where it was last seen, as long as the
    // router had counted it then.
    EXPECT_EQ(calls[1].ended, CallEnd::RouterLost);
    EXPECT_EQ(calls[1].line, 2);
    EXPECT_EQ(calls[1].durationSeconds(), 3);
    EXPECT_EQ(calls[2].ended, CallEnd::MonitorStopped);
    EXPECT_EQ(calls[2].line, 1);
    EXPECT_EQ(calls[2].durationSeconds(), 5);
}

TEST(JournalRecorder, AStaleSpellInsideACallLeavesItOneCall)
{
    Rig rig;
    rig.call(1, prestige::CallKind::Voice, "0301");
    rig.tick(3);
    const qint64 start = rig.calls()[0].startUtc;
    // Eight seconds without status, a reconnect, the status again.
    rig.controller->OnWatchdog();
    emit rig.controller->disconnected();
    rig.now += 8;
    for (int i = 0; i < 8; ++i)
        rig.router.advance();
    rig.tick();
    rig.tick(2);
    rig.router.hangup(1);
    rig.tick();
    const QList<CallRecord> calls = rig.calls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].startUtc, start);
    EXPECT_EQ(calls[0].ended, CallEnd::HungUp);
    EXPECT_EQ(calls[0].durationSeconds(), 3 + 8 + 1 + 2);
}

TEST(JournalRecorder, DurationIsTheRoutersUpTimeAndAMinuteCallIsOneMinute)
{
    Rig rig;
    rig.tick();
    rig.call(1, prestige::CallKind::Voice, "5551234");
    rig.tick(60);  // the router shows 0:01:00
    rig.router.hangup(1);
    rig.tick();    // the next repaint shows the line down
    const QList<CallRecord> calls = rig.calls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].durationSeconds(), 60);
    EXPECT_EQ(calls[0].endUtc - calls[0].startUtc, 60);
    Tariff perMinute{0, 10, QStringLiteral("EUR")};
    perMinute.chargeIncoming = true;
    EXPECT_EQ(perMinute.cost(calls[0]), 10);  // one started minute, not two
}

TEST(JournalRecorder, ACallAcrossARestartOfTheMonitorIsOneRow)
{
    for (const bool killed : {false, true}) {
        SCOPED_TRACE(killed ? "killed" : "stopped");
        Rig rig;
        rig.call(1, prestige::CallKind::Voice, "5551234");
        rig.tick(10);
        std::unique_ptr<CallJournal> killedJournal;
        std::unique_ptr<JournalRecorder> killedRecorder;
        std::unique_ptr<CMonitorController> killedController;
        if (killed) {
            // Nobody gets to end the call; the pieces stay aside until the test ends.
            killedJournal = std::move(rig.journal);
            killedRecorder = std::move(rig.recorder);
            killedController = std::move(rig.controller);
        } else {
            rig.stop();
            EXPECT_EQ(rig.calls()[0].ended, CallEnd::MonitorStopped);
        }
        // Five seconds later a new run finds the line still up.
        for (int i = 0; i < 5; ++i)
            rig.router.advance();
        rig.now += 5;
        rig.restart();
        rig.tick(33);
        rig.router.hangup(1);
        rig.tick();
        const QList<CallRecord> calls = rig.calls();
        ASSERT_EQ(calls.size(), 1);
        EXPECT_EQ(calls[0].ended, CallEnd::HungUp);
        EXPECT_EQ(calls[0].durationSeconds(), 48);
        EXPECT_EQ(calls[0].direction, QStringLiteral("In"));
        EXPECT_EQ(calls[0].callerId, QStringLiteral("5551234"));
    }
}

TEST(JournalRecorder, ACallEndedWhileNoMonitorRanIsNotContinued)
{
    Rig rig;
    rig.call(1, prestige::CallKind::Voice, "5551234");
    rig.tick(10);
    rig.stop();
    rig.router.hangup(1);
    rig.call(1, prestige::CallKind::Voice, "5559999");  // another call on the same line
    rig.tick(4);
    rig.restart();
    rig.tick();
    const QList<CallRecord> calls = rig.calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].ended, CallEnd::MonitorStopped);
    EXPECT_EQ(calls[0].durationSeconds(), 10);
    EXPECT_TRUE(calls[1].isOpen());
    EXPECT_EQ(calls[1].callerId, QStringLiteral("5559999"));
}

TEST(JournalRecorder, ACallLeftOpenByAKilledRunIsClosedAtItsLastTick)
{
    Rig rig;
    rig.call(1, prestige::CallKind::Data, "0301");
    rig.tick();
    rig.tick();
    const qint64 lastTick = rig.now;
    // A kill: neither the recorder nor the journal get to end the call. They
    // stay aside, untouched, until the test is over (a leak would trouble
    // the leak checker, not the run).
    std::unique_ptr<CallJournal> killedJournal = std::move(rig.journal);
    std::unique_ptr<JournalRecorder> killedRecorder = std::move(rig.recorder);
    ASSERT_TRUE(rig.calls()[0].isOpen());
    rig.now += 3600;
    rig.openRecorder();
    const QList<CallRecord> calls = rig.calls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].ended, CallEnd::MonitorStopped);
    EXPECT_EQ(calls[0].endUtc, lastTick);
}

TEST(JournalRecorder, CallerIdsGetNamesInTheJournalAndForScripts)
{
    Rig rig;
    PhoneBook book(rig.dir.filePath(QStringLiteral("book.csv")));
    book.setMatcher(NumberMatcher(QStringLiteral("49"), QStringLiteral("30")));
    book.merge({{QStringLiteral("+49 30 1234567"), QStringLiteral("Anna Berg")}});
    auto lookup = [&book](const QString& n) { return book.nameFor(n); };
    rig.controller->setCallerNameLookup(lookup);
    QString nameSeenByScript;
    QObject::connect(rig.controller.get(), &CMonitorController::callerIdChanged, [&](int line, const QString&) {
        nameSeenByScript = rig.controller->application().lines().line(line)->property("CallerName").toString();
    });
    rig.call(2, prestige::CallKind::Voice, "1234567");
    rig.tick();
    EXPECT_EQ(nameSeenByScript, QStringLiteral("Anna Berg"));
    const QList<CallRecord> calls = rig.calls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_TRUE(calls[0].voice);
    EXPECT_EQ(calls[0].direction, QStringLiteral("In"));
    EXPECT_EQ(calls[0].callerId, QStringLiteral("1234567"));
    EXPECT_EQ(calls[0].callerName, QStringLiteral("Anna Berg"));
}

TEST(JournalRecorder, HistoryScreensBecomeSnapshotsWithoutDuplicates)
{
    Rig rig;
    rig.router.setHistory({{QStringLiteral("0301234567"), prestige::Direction::In, 64, 2, 60, 10, 70},
                           {QStringLiteral("0407654321"), prestige::Direction::Out, 64, 1, 5, 5, 5}});
    const QString screen = QString::fromLatin1(prestige::paintCallHistoryScreen(rig.router, {}).text());
    rig.controller->OnCallHistoryScreen(screen);
    rig.now += 60;
    rig.controller->OnCallHistoryScreen(screen);
    const QList<HistorySnapshot> rows = CallJournal(rig.file()).history();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].phoneNumber, QStringLiteral("0301234567"));
    EXPECT_EQ(rows[0].direction, QStringLiteral("In"));
    EXPECT_EQ(rows[0].noOfCalls, 2);
}

TEST(JournalRecorder, AFailingJournalIsReportedOnceAndTheTicksGoOn)
{
    Rig rig;
    rig.call(1, prestige::CallKind::Data, "0301");
    rig.tick();
    // Another program takes the file for itself.
    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
    other.setDatabaseName(rig.file());
    ASSERT_TRUE(other.open());
    QSqlQuery q(other);
    ASSERT_TRUE(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    int ticks = 0;
    QObject::connect(rig.controller.get(), &CMonitorController::statusTick, [&] { ++ticks; });
    for (int i = 0; i < 5; ++i)
        rig.tick();
    EXPECT_EQ(ticks, 5);
    ASSERT_EQ(rig.errors.size(), 1);
    EXPECT_TRUE(rig.errors[0].contains(QStringLiteral("locked"))) << rig.errors[0].toStdString();
    q.exec(QStringLiteral("ROLLBACK"));
    q = QSqlQuery();
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    EXPECT_EQ(rig.calls().size(), 1);  // what was written stays
}

TEST(JournalRecorder, AFullDiskStopsTheJournalUntilSpaceReturnsThenTheCallIsOneRow)
{
    Rig rig;
    rig.call(1, prestige::CallKind::Data, "0301");
    rig.tick(2);
    // The disk fills: no file of this process may grow any more.
    const QString wal = rig.file() + QLatin1String("-wal");
    ASSERT_TRUE(QFile::exists(wal));
    struct rlimit before {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit full = before;
    full.rlim_cur = rlim_t(QFileInfo(wal).size());
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    int ticks = 0;
    QObject::connect(rig.controller.get(), &CMonitorController::statusTick, [&] { ++ticks; });
    rig.tick(3);
    rig.router.hangup(1);
    rig.tick();
    rig.call(2, prestige::CallKind::Voice, "5551234");  // a call that starts while the disk is full
    rig.tick(2);
    EXPECT_EQ(ticks, 3);  // every status screen was a tick
    ASSERT_EQ(rig.errors.size(), 1);
    EXPECT_GT(rig.recorder->unsavedCalls(), 0);
    EXPECT_TRUE(rig.recorder->retryPending());
    // Space comes back; the next try writes what waited and says so, once.
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &before), 0);
    QElapsedTimer waited;
    waited.start();
    while (rig.recorder->unsavedCalls() > 0 && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(rig.recorder->unsavedCalls(), 0);
    ASSERT_EQ(rig.errors.size(), 2);
    EXPECT_EQ(rig.errors[1], QString::fromLatin1(JournalRecorder::kResumedText));
    rig.tick();
    const QList<CallRecord> calls = rig.calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].ended, CallEnd::HungUp);  // the call in progress is one row, closed
    EXPECT_EQ(calls[0].durationSeconds(), 5);
    EXPECT_TRUE(calls[1].isOpen());
    EXPECT_EQ(calls[1].callerId, QStringLiteral("5551234"));
    EXPECT_EQ(calls[1].durationSeconds(), 3);
}

TEST(JournalSession, TheJournalIsCreatedOnlyWhenOn)
{
    Rig rig;
    rig.recorder.reset();
    rig.journal.reset();
    qputenv("KORVANE_SETTINGS_DIR", rig.dir.path().toLocal8Bit());
    {
        JournalSession on(rig.controller.get(), {});
        ASSERT_NE(on.journal(), nullptr);
        EXPECT_TRUE(on.journal()->file().startsWith(rig.dir.path()));
    }
    QFile conf(rig.dir.filePath(QStringLiteral("ZyXEL Prestige Korvane.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("[Settings]\nJournal=0\n");
    conf.close();
    JournalSession off(rig.controller.get(), {});
    EXPECT_EQ(off.journal(), nullptr);
    EXPECT_EQ(off.journalForReading(), nullptr);
}
