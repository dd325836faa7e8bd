// The journal file: schema and migrations, calls written and read back,
// history snapshots without duplicates, and every way the file can fail
// without taking the monitor down or losing what is already on disk.
#include "korvane/journal/call_journal.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

CallRecord sampleCall(int line, qint64 start)
{
    CallRecord r;
    r.line = line;
    r.channel = line;
    r.startUtc = start;
    r.lastTickUtc = start;
    r.link = QStringLiteral("Office");
    r.type = 64;
    r.peerIp = QStringLiteral("10.0.0.2");
    return r;
}

// Owner, group and others, without the "user" flags that mirror one of them.
const QFileDevice::Permissions kEveryone = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                           QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                           QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

// A second connection to the same file, as another program would hold it.
struct OtherConnection {
    explicit OtherConnection(const QString& file) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(file);
        db.open();
    }
    ~OtherConnection() {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }
    QSqlDatabase db;
};

}  // namespace

TEST(JournalLocation, OneFilePerRouterInTheRelocatedFolder)
{
    qputenv("KORVANE_SETTINGS_DIR", "/tmp/korvane-x");
    EXPECT_EQ(CallJournal::defaultDirectory(), QStringLiteral("/tmp/korvane-x"));
    EXPECT_EQ(CallJournal::fileForRouter(QStringLiteral("/d"), QStringLiteral("192.168.1.1")),
              QStringLiteral("/d/journal-192.168.1.1.sqlite"));
    EXPECT_EQ(CallJournal::fileForRouter(QStringLiteral("/d"), QStringLiteral("../x:2323")),
              QStringLiteral("/d/journal-.._x_2323.sqlite"));
    qunsetenv("KORVANE_SETTINGS_DIR");
    EXPECT_TRUE(CallJournal::defaultDirectory().endsWith(QStringLiteral("/Omberon/Korvane")));
}

TEST(JournalStore, CreatesAPrivateWalFileAtTheCurrentVersion)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sub/j.sqlite"));
    CallJournal journal(file);
    ASSERT_TRUE(journal.isOpen()) << journal.errorText().toStdString();
    EXPECT_EQ(journal.schemaVersion(), CallJournal::kSchemaVersion);
    EXPECT_EQ(QFile::permissions(file) & kEveryone, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QSqlQuery q(QSqlDatabase::database(journal.connectionName()));
    ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("wal"));
}

TEST(JournalStore, MigratesAFirstReleaseJournalAndKeepsItsCalls)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("j.sqlite"));
    {
        OtherConnection old(file);
        QSqlQuery q(old.db);
        // The first release's schema, as it was written.
        ASSERT_TRUE(q.exec(QStringLiteral(
            "CREATE TABLE calls (id INTEGER PRIMARY KEY, line INTEGER NOT NULL, channel INTEGER NOT NULL,"
            " start_utc INTEGER NOT NULL, end_utc INTEGER, last_tick_utc INTEGER NOT NULL,"
            " link TEXT NOT NULL DEFAULT '', type INTEGER NOT NULL DEFAULT 0, voice INTEGER NOT NULL DEFAULT 0,"
            " direction TEXT NOT NULL DEFAULT '', peer_ip TEXT NOT NULL DEFAULT '',"
            " caller_id TEXT NOT NULL DEFAULT '', caller_name TEXT NOT NULL DEFAULT '',"
            " packets_sent INTEGER NOT NULL DEFAULT 0, packets_received INTEGER NOT NULL DEFAULT 0,"
            " errors INTEGER NOT NULL DEFAULT 0, average_util INTEGER NOT NULL DEFAULT 0,"
            " peak_util INTEGER NOT NULL DEFAULT 0, ended TEXT)")));
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO calls (line, channel, start_utc, end_utc, last_tick_utc, ended)"
                                          " VALUES (1, 1, 1000, 1060, 1059, 'hung up')")));
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA user_version = 1")));
    }
    CallJournal journal(file);
    ASSERT_TRUE(journal.isOpen()) << journal.errorText().toStdString();
    EXPECT_EQ(journal.schemaVersion(), CallJournal::kSchemaVersion);
    const QList<CallRecord> calls = journal.calls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].durationSeconds(), 60);
    EXPECT_EQ(calls[0].ended, CallEnd::HungUp);
    EXPECT_EQ(journal.recordHistory({{1100, QStringLiteral("030 1"), QStringLiteral("In"), 64, 1, {}, {}, {}}}), 1);
}

TEST(JournalStore, RefusesAJournalOfANewerRelease)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("j.sqlite"));
    {
        OtherConnection other(file);
        QSqlQuery(other.db).exec(QStringLiteral("PRAGMA user_version = 99"));
    }
    CallJournal journal(file);
    EXPECT_FALSE(journal.isOpen());
    EXPECT_TRUE(journal.errorText().contains(QStringLiteral("newer")));
}

TEST(JournalStore, CallsAreWrittenFromTheirStartAndReadBack)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("j.sqlite"));
    qint64 id = 0;
    {
        CallJournal journal(file);
        CallRecord call = sampleCall(2, 5000);
        ASSERT_TRUE(journal.startCall(call)) << journal.errorText().toStdString();
        id = call.id;
        EXPECT_GT(id, 0);
        call.lastTickUtc = 5090;
        call.packetsSent = 1234567890123;
        call.callerId = QStringLiteral("0301234567");
        call.callerName = QStringLiteral("Jürgen, \"Büro\"");
        call.peakUtilization = 97;
        ASSERT_TRUE(journal.updateCall(call));
        // Still open on disk, as a crash would leave it.
        const QList<CallRecord> open = CallJournal(file).calls();
        ASSERT_EQ(open.size(), 1);
        EXPECT_TRUE(open[0].isOpen());
        EXPECT_EQ(open[0].durationSeconds(), 90);
        ASSERT_TRUE(journal.endCall(id, 5100, CallEnd::Dropped));
    }
    CallJournal again(file);
    const QList<CallRecord> calls = again.calls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].id, id);
    EXPECT_EQ(calls[0].line, 2);
    EXPECT_EQ(calls[0].ended, CallEnd::Dropped);
    EXPECT_EQ(calls[0].durationSeconds(), 100);
    EXPECT_EQ(calls[0].packetsSent, 1234567890123);
    EXPECT_EQ(calls[0].callerName, QStringLiteral("Jürgen, \"Büro\""));
    EXPECT_EQ(calls[0].peakUtilization, 97);
    EXPECT_TRUE(again.calls(5001).isEmpty());
}

TEST(JournalStore, AReadOnlyReaderSeesTheWritersCallsAndWritesNothing)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("j.sqlite"));
    // No journal, no file made.
    {
        const CallJournal reader(file, CallJournal::Access::ReadOnly);
        EXPECT_TRUE(reader.calls().isEmpty());
        EXPECT_FALSE(reader.errorText().isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(file));

    CallJournal writer(file);
    CallRecord call = sampleCall(1, 7000);
    ASSERT_TRUE(writer.startCall(call));
    call.lastTickUtc = 7030;
    ASSERT_TRUE(writer.updateCall(call));
    const qint64 logBytes = QFileInfo(file + QStringLiteral("-wal")).size();
    {
        // Beside the writer, on the log it has not checkpointed.
        const CallJournal reader(file, CallJournal::Access::ReadOnly);
        EXPECT_FALSE(reader.isOpen());  // not for writing
        const QList<CallRecord> calls = reader.latestCalls(0, 10);
        ASSERT_EQ(calls.size(), 1);
        EXPECT_EQ(calls[0].durationSeconds(), 30);
    }
    // Closing the reader neither checkpointed the log nor kept the writer out.
    EXPECT_EQ(QFileInfo(file + QStringLiteral("-wal")).size(), logBytes);
    EXPECT_TRUE(writer.endCall(call.id, 7040, CallEnd::HungUp));
}

TEST(JournalStore, OpenCallsOfAKilledRunCloseAtTheirLastTick)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("j.sqlite"));
    {
        CallJournal journal(file);
        CallRecord a = sampleCall(1, 100), b = sampleCall(2, 200);
        journal.startCall(a);
        journal.startCall(b);
        a.lastTickUtc = 160;
        journal.updateCall(a);
        journal.endCall(b.id, 230, CallEnd::HungUp);
    }
    CallJournal journal(file);
    EXPECT_EQ(journal.closeOpenCalls(CallEnd::MonitorStopped), 1);
    const QList<CallRecord> calls = journal.calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].ended, CallEnd::MonitorStopped);
    EXPECT_EQ(calls[0].endUtc, 160);
    EXPECT_EQ(calls[1].ended, CallEnd::HungUp);
    EXPECT_EQ(journal.closeOpenCalls(CallEnd::MonitorStopped), 0);
}

TEST(JournalStore, ACheckpointStartsTheLogAgainBeforeTheNextTick)
{
    // The write that starts the log again flushes it to disk; a checkpoint
    // does it itself so that the next status tick's update does not.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("j.sqlite"));
    CallJournal journal(file);
    ASSERT_TRUE(journal.isOpen());
    CallRecord call = sampleCall(1, 1000);
    ASSERT_TRUE(journal.startCall(call));
    for (int i = 1; i <= 40; ++i) {
        call.lastTickUtc = 1000 + i;
        call.packetsSent = i;
        ASSERT_TRUE(journal.updateCall(call));
    }
    ASSERT_TRUE(journal.checkpoint());
    {
        OtherConnection other(file);
        QSqlQuery q(other.db);
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")) && q.next());
        EXPECT_EQ(q.value(0).toInt(), 0);
        EXPECT_LE(q.value(1).toInt(), 1) << "frames left in the log after the checkpoint";
    }
    EXPECT_EQ(journal.schemaVersion(), CallJournal::kSchemaVersion);
    call.lastTickUtc = 1100;
    ASSERT_TRUE(journal.updateCall(call));
    const QList<CallRecord> calls = journal.calls();
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].lastTickUtc, 1100);
    EXPECT_EQ(calls[0].packetsSent, 40);
    EXPECT_TRUE(calls[0].isOpen());
}

TEST(JournalStore, CallsComeBackInStartOrderWhenTheClockWasSetBack)
{
    QTemporaryDir dir;
    CallJournal journal(dir.filePath(QStringLiteral("j.sqlite")));
    ASSERT_TRUE(journal.isOpen());
    // Recorded in this order; the third after the clock went back an hour.
    const qint64 starts[] = {5000, 9000, 5000 - 3600, 9000};
    for (qint64 start : starts) {
        CallRecord call = sampleCall(1, start);
        call.link = QStringLiteral("Office");  // one text shared by every row
        ASSERT_TRUE(journal.startCall(call));
        ASSERT_TRUE(journal.endCall(call.id, start + 60, CallEnd::HungUp));
    }
    const QList<CallRecord> all = journal.calls();
    ASSERT_EQ(all.size(), 4);
    EXPECT_EQ(all[0].startUtc, 5000 - 3600);
    EXPECT_EQ(all[1].startUtc, 5000);
    EXPECT_EQ(all[2].startUtc, 9000);
    EXPECT_EQ(all[3].startUtc, 9000);
    EXPECT_LT(all[2].id, all[3].id);  // the same start: in the order recorded
    for (const CallRecord& c : all) {
        EXPECT_EQ(c.link, QStringLiteral("Office"));
        EXPECT_EQ(c.ended, CallEnd::HungUp);
        EXPECT_TRUE(c.direction.isEmpty());
    }
    const QList<CallRecord> recent = journal.calls(6000);
    ASSERT_EQ(recent.size(), 2);
    EXPECT_LT(recent[0].id, recent[1].id);
}

TEST(JournalStore, HistorySnapshotsKeepEachDistinctRowOnce)
{
    QTemporaryDir dir;
    CallJournal journal(dir.filePath(QStringLiteral("j.sqlite")));
    const HistorySnapshot a{100, QStringLiteral("0301234567"), QStringLiteral("In"), 64, 3, QStringLiteral("  0:00:10"),
                            QStringLiteral("  0:02:00"), QStringLiteral("  0:03:00")};
    HistorySnapshot b = a;
    b.phoneNumber = QStringLiteral("0407654321");
    EXPECT_EQ(journal.recordHistory({a, b}), 2);
    HistorySnapshot again = a;
    again.readUtc = 200;
    EXPECT_EQ(journal.recordHistory({again, b}), 0);
    HistorySnapshot more = a;
    more.readUtc = 300;
    more.noOfCalls = 4;
    EXPECT_EQ(journal.recordHistory({more}), 1);
    const QList<HistorySnapshot> rows = journal.history();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].readUtc, 100);
    EXPECT_EQ(rows[2].noOfCalls, 4);
}

TEST(JournalStore, LineTotalsCountEndedCallsAndTheRoutersSeconds)
{
    QTemporaryDir dir;
    CallJournal journal(dir.filePath(QStringLiteral("j.sqlite")));
    for (auto [line, start, end] : {std::tuple{1, 0, 60}, {1, 100, 130}, {2, 50, 51}}) {
        CallRecord c = sampleCall(line, start);
        journal.startCall(c);
        journal.endCall(c.id, end, CallEnd::HungUp);
    }
    // The router's own count, where it gave one, wins over start and end.
    CallRecord counted = sampleCall(2, 200);
    counted.seconds = 7;
    journal.startCall(counted);
    journal.endCall(counted.id, 209, CallEnd::HungUp);
    // A call in progress is counted once it has ended.
    CallRecord open = sampleCall(2, 500);
    open.lastTickUtc = 510;
    journal.startCall(open);
    const QList<LineTotals> totals = journal.lineTotals();
    ASSERT_EQ(totals.size(), 2);
    EXPECT_EQ(totals[0].calls, 2);
    EXPECT_EQ(totals[0].onlineSeconds, 90);
    EXPECT_EQ(totals[1].calls, 2);
    EXPECT_EQ(totals[1].onlineSeconds, 8);
}

// --- Faults: a clear message, the journal off, the file untouched.

TEST(JournalFaults, ACorruptFileIsReportedAndLeftAsItWas)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("j.sqlite"));
    QByteArray garbage(8192, '\x5a');
    garbage.prepend("not a database at all");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    CallJournal journal(file);
    EXPECT_FALSE(journal.isOpen());
    EXPECT_TRUE(journal.errorText().contains(file)) << journal.errorText().toStdString();
    CallRecord call = sampleCall(1, 1);
    EXPECT_FALSE(journal.startCall(call));
    EXPECT_TRUE(journal.calls().isEmpty());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), garbage);
}

TEST(JournalFaults, ALockHeldByAnotherConnectionStopsWritingButKeepsTheRows)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("j.sqlite"));
    CallJournal journal(file);
    CallRecord first = sampleCall(1, 10);
    ASSERT_TRUE(journal.startCall(first));
    {
        OtherConnection other(file);
        QSqlQuery q(other.db);
        ASSERT_TRUE(q.exec(QStringLiteral("BEGIN EXCLUSIVE"))) << q.lastError().text().toStdString();
        CallRecord second = sampleCall(2, 20);
        EXPECT_FALSE(journal.startCall(second));
        EXPECT_FALSE(journal.isOpen());
        EXPECT_TRUE(journal.errorText().contains(QStringLiteral("locked"))) << journal.errorText().toStdString();
        q.exec(QStringLiteral("ROLLBACK"));
    }
    EXPECT_FALSE(journal.updateCall(first));  // off for the rest of the run
    CallJournal again(file);
    ASSERT_EQ(again.calls().size(), 1);
    EXPECT_EQ(again.calls()[0].startUtc, 10);
}

TEST(JournalFaults, AJournalLockedAtStartIsReported)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("j.sqlite"));
    { CallJournal create(file); }
    OtherConnection other(file);
    QSqlQuery q(other.db);
    ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE")));
    ASSERT_TRUE(q.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    CallJournal journal(file);
    CallRecord call = sampleCall(1, 1);
    EXPECT_FALSE(journal.isOpen() && journal.startCall(call));
    EXPECT_FALSE(journal.errorText().isEmpty());
}

TEST(JournalFaults, AFullDiskEndsWritingAndKeepsWhatWasWritten)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("j.sqlite"));
    CallJournal journal(file);
    CallRecord call = sampleCall(1, 1);
    ASSERT_TRUE(journal.startCall(call));
    QSqlQuery q(QSqlDatabase::database(journal.connectionName()));
    ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA page_count")) && q.next());
    const int pages = q.value(0).toInt();
    // The database may grow no further: SQLite reports the disk as full.
    ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages)));
    QList<HistorySnapshot> big;
    for (int i = 0; i < 2000; ++i)
        big.append({2, QStringLiteral("%1").arg(i, 40, 10, QLatin1Char('0')), QStringLiteral("In"), 64, i, {}, {}, {}});
    EXPECT_EQ(journal.recordHistory(big), -1);
    EXPECT_FALSE(journal.isOpen());
    EXPECT_TRUE(journal.errorText().contains(QStringLiteral("full"))) << journal.errorText().toStdString();
    CallJournal again(file);
    EXPECT_EQ(again.calls().size(), 1);
    EXPECT_TRUE(again.history().isEmpty());
}

TEST(JournalFaults, AFolderThatCannotBeCreatedOrWrittenIsReported)
{
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("plain-file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CallJournal journal(dir.filePath(QStringLiteral("plain-file/j.sqlite")));
    EXPECT_FALSE(journal.isOpen());
    EXPECT_TRUE(journal.errorText().contains(QStringLiteral("folder"))) << journal.errorText().toStdString();

    // A folder without write permission (root writes anyway: nothing to test there).
    const QString readOnly = dir.filePath(QStringLiteral("ro"));
    QDir().mkpath(readOnly);
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(readOnly).isWritable()) {
        QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    }
    CallJournal denied(readOnly + QStringLiteral("/j.sqlite"));
    EXPECT_FALSE(denied.isOpen());
    EXPECT_FALSE(denied.errorText().isEmpty());
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
