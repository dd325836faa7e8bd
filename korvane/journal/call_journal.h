#pragma once
// The call journal: one SQLite file per router that keeps every call the
// monitor saw (one row a call, written from its start and updated as it
// goes) and the router's call history rows as de-duplicated snapshots.
//
// A journal never throws and never takes the monitor down with it: the first
// failure (corrupt file, locked by another process, full disk, folder not
// writable) is kept as errorText(), the journal turns itself off, and nothing
// already on disk is touched.

#include "korvane/monitor/call_record.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

namespace korvane {

// One row of the router's call history, with the time it was first read.
struct HistorySnapshot {
    qint64 readUtc = 0;
    QString phoneNumber;
    QString direction;
    int baudRate = 0;
    int noOfCalls = 0;
    QString minTime;
    QString maxTime;
    QString totalTime;
};

// What a metrics exporter wants per line.
struct LineTotals {
    int line = 0;
    qint64 calls = 0;
    qint64 onlineSeconds = 0;
};

class CallJournal {
public:
    static constexpr int kSchemaVersion = 3;

    // The folder journals live in: KORVANE_SETTINGS_DIR when set, else
    // $XDG_DATA_HOME/Omberon/Korvane.
    static QString defaultDirectory();
    // The journal file of one router (address with or without a port).
    static QString fileForRouter(const QString& directory, const QString& address);

    enum class Access { ReadWrite, ReadOnly };

    // Opens (creating or migrating) the journal. A failure leaves it closed
    // with errorText() saying why. ReadOnly opens an existing journal for the
    // reading functions only, as a second reader beside the one that writes:
    // it creates, migrates and writes nothing, and never waits on the writer.
    explicit CallJournal(const QString& file, Access access = Access::ReadWrite);
    ~CallJournal();
    CallJournal(const CallJournal&) = delete;
    CallJournal& operator=(const CallJournal&) = delete;

    bool isOpen() const { return open_; }
    // Opens the file again after a failure (space came back, a lock went);
    // false while it still fails.
    bool reopen();
    const QString& errorText() const { return error_; }
    const QString& file() const { return file_; }
    int schemaVersion() const;

    // --- Writing. Each returns false (and closes the journal) on failure.
    // A new call; sets record.id.
    bool startCall(CallRecord& record);
    // Everything of a call by its id: counters, caller, seconds, and its end
    // (none while the call is open, which also opens an ended row again).
    bool updateCall(const CallRecord& record);
    bool endCall(qint64 id, qint64 endUtc, CallEnd how);
    // Closes every call left open by a run that did not end cleanly, at the
    // last tick it saw. Returns how many were closed (-1 on failure).
    int closeOpenCalls(CallEnd how);
    // Stores the rows not already kept; returns how many were new (-1 on failure).
    int recordHistory(const QList<HistorySnapshot>& rows);

    // Moves the write-ahead log into the database file. The journal never
    // does this by itself on a write, so a status tick never waits for the
    // disk to flush; the recorder calls it between ticks.
    bool checkpoint();

    // --- Reading (also possible after a write failure closed the journal for
    // writing, as long as the file could be read).
    QList<CallRecord> calls(qint64 sinceUtc = 0) const;
    // The newest calls first, at most limit of them, read in SQL.
    QList<CallRecord> latestCalls(qint64 sinceUtc, int limit) const;
    // The last call of each line when it had not ended with its run: what a
    // new run may continue.
    QList<CallRecord> resumableCalls() const;
    QList<HistorySnapshot> history(qint64 sinceUtc = 0) const;
    QList<LineTotals> lineTotals() const;

    // The connection's name, for tests that need to provoke a failure.
    QString connectionName() const { return connection_; }

private:
    void open();
    void openForReading();
    // Opens the connection with the driver's options and reads the schema
    // once; false (with the error kept) when the file is no journal.
    bool connect(const QString& options);
    void close();
    bool migrate();
    bool fail(const QString& what, const QString& detail);

    struct Statements;
    QString file_;
    QString connection_;
    QString error_;
    Access access_ = Access::ReadWrite;
    bool open_ = false;
    bool readable_ = false;
    std::unique_ptr<Statements> statements_;
};

}  // namespace korvane
