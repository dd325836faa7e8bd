#pragma once
// The call journal: one SQLite file per router that keeps every call the
// monitor saw (one row a call, written from its start and updated as it
// goes) and the router's call history rows as de-duplicated snapshots.
//
// A journal never throws and never takes the monitor down with it: the first
// failure (corrupt file, locked by another process, full disk, folder not
// writable) is kept as errorText(), the journal turns itself off, and nothing
// already on disk is touched.

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

namespace korvane {

// How a call ended. The stored texts never change: old journals keep them.
enum class CallEnd { Open = 0, HungUp, Dropped, RouterLost, MonitorStopped };
QString callEndText(CallEnd end);          // "hung up", "dropped", ...
CallEnd callEndFromText(const QString& text);

struct CallRecord {
    qint64 id = 0;
    int line = 0;
    int channel = 0;
    qint64 startUtc = 0;     // seconds since the epoch, UTC
    qint64 endUtc = 0;       // 0 while the call is open
    qint64 lastTickUtc = 0;  // the last status tick that saw the call
    QString link;
    int type = 0;
    bool voice = false;
    QString direction;       // "In", "Out" or empty when the router does not say
    QString peerIp;
    QString callerId;
    QString callerName;
    qint64 packetsSent = 0;
    qint64 packetsReceived = 0;
    qint64 errors = 0;
    int averageUtilization = 0;
    int peakUtilization = 0;
    CallEnd ended = CallEnd::Open;

    bool isOpen() const { return ended == CallEnd::Open; }
    // Seconds from start to end, or to the last tick while open.
    qint64 durationSeconds() const;
};

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
    static constexpr int kSchemaVersion = 2;

    // The folder journals live in: KORVANE_SETTINGS_DIR when set, else
    // $XDG_DATA_HOME/Omberon/Korvane.
    static QString defaultDirectory();
    // The journal file of one router (address with or without a port).
    static QString fileForRouter(const QString& directory, const QString& address);

    // Opens (creating or migrating) the journal. A failure leaves it closed
    // with errorText() saying why.
    explicit CallJournal(const QString& file);
    ~CallJournal();
    CallJournal(const CallJournal&) = delete;
    CallJournal& operator=(const CallJournal&) = delete;

    bool isOpen() const { return open_; }
    const QString& errorText() const { return error_; }
    const QString& file() const { return file_; }
    int schemaVersion() const;

    // --- Writing. Each returns false (and closes the journal) on failure.
    // A new call; sets record.id.
    bool startCall(CallRecord& record);
    // Counters, utilisation, caller id, last tick of an open call.
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
    QList<HistorySnapshot> history(qint64 sinceUtc = 0) const;
    QList<LineTotals> lineTotals() const;

    // The connection's name, for tests that need to provoke a failure.
    QString connectionName() const { return connection_; }

private:
    bool migrate();
    bool fail(const QString& what, const QString& detail);

    struct Statements;
    QString file_;
    QString connection_;
    QString error_;
    bool open_ = false;
    bool readable_ = false;
    std::unique_ptr<Statements> statements_;
};

}  // namespace korvane
