// The recorder on the real controller: status screens painted by the router
// simulator's painter become calls in the journal, with their end reasons,
// names from the phone book, CallerName for scripts, and history snapshots.
#include "tests/controller/recorders.h"

#include "components/prestige/router_state.h"
#include "components/prestige/screens.h"
#include "korvane/journal/journal_recorder.h"
#include "korvane/journal/journal_session.h"
#include "korvane/model/application.h"
#include "korvane/model/lines.h"
#include "korvane/shell/controller.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
        recorder = std::make_unique<JournalRecorder>(controller.get(), journal.get());
        recorder->setClock([this] { return now; });
        recorder->setErrorListener([this](const QString& e) { errors.append(e); });
    }
    void tick(int seconds = 1) {
        for (int i = 0; i < seconds; ++i)
            router.advance();
        now += seconds;
        controller->OnStatusScreen(QString::fromLatin1(prestige::paintStatusScreen(router, {}).text()));
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
    rig.controller->DropChannels(rig.recorder->openCall(1)->channel);
    rig.router.hangup(1);
    rig.tick();
    rig.tick();
    rig.controller->OnWatchdog();  // the router stopped answering
    rig.call(1, prestige::CallKind::Data, "0303");
    rig.tick(5);
    rig.recorder.reset();          // the monitor ends
    const QList<CallRecord> calls = rig.calls();
    ASSERT_EQ(calls.size(), 4);
    EXPECT_EQ(calls[0].ended, CallEnd::Dropped);
    EXPECT_EQ(calls[0].line, 1);
    EXPECT_EQ(calls[1].ended, CallEnd::RouterLost);
    EXPECT_EQ(calls[1].line, 2);
    EXPECT_EQ(calls[1].endUtc, rig.now - 5);
    // The call the router still held when it came back is a row of its own,
    // starting when the router's up time says it did.
    for (const CallRecord& c : {calls[2], calls[3]})
        EXPECT_EQ(c.ended, CallEnd::MonitorStopped);
    EXPECT_EQ(calls[2].line, 2);
    EXPECT_LE(calls[2].startUtc, calls[1].endUtc);
    EXPECT_EQ(calls[3].line, 1);
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
    rig.recorder->setNameLookup(lookup);
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
