#pragma once
// Writes what the call tracker tells into the call journal: one row a call,
// inserted when it starts, updated as it goes and when it ends. The recorder
// decides nothing about calls itself, and never writes inside a status tick:
// it keeps the latest state of each call and writes after the tick.
//
// A failed write (a full disk, a lock held too long) never loses a call: the
// latest state of every call not written waits, the journal is opened again
// after a growing wait, and the waiting calls are written then. The user is
// told once that the journal stopped and once that it resumed.

#include "korvane/journal/call_journal.h"

#include <QHash>
#include <QObject>
#include <QTimer>

#include <functional>

namespace korvane {

class CMonitorController;

class JournalRecorder : public QObject {
    Q_OBJECT
public:
    // The journal is owned by the caller. The calls an earlier run left open
    // go to the tracker, which continues or ends them.
    JournalRecorder(CMonitorController* controller, CallJournal* journal, QObject* parent = nullptr);
    ~JournalRecorder() override;

    // Told once when writing stops and once when it resumes (kResumedText).
    void setErrorListener(std::function<void(const QString&)> listener);

    // Calls whose latest state waits for the journal to be writable again.
    int unsavedCalls() const { return int(unsaved_.size()); }
    bool retryPending() const { return retry_.isActive(); }
    int retryWaitMs() const { return retryWaitMs_; }
    // The first wait after a failure and the longest.
    static constexpr int kFirstRetryMs = 1000;
    static constexpr int kLongestRetryMs = 60 * 1000;
    static constexpr char kResumedText[] = "The call journal is written again";

signals:
    // A call row was written (the Call Log view refreshes).
    void callWritten();

private:
    void save(const CallRecord& call);
    void writeWaiting();
    bool write(const CallRecord& call);
    void failed();
    void onHistory();
    static qint64 keyOf(const CallRecord& call) { return call.serial != 0 ? call.serial : -call.id; }

    CMonitorController* controller_;
    CallJournal* journal_;
    std::function<void(const QString&)> errorListener_;
    QHash<qint64, qint64> ids_;          // tracker serial -> journal row
    QHash<qint64, CallRecord> unsaved_;  // by keyOf, the latest state not yet written
    QTimer retry_;
    int retryWaitMs_ = kFirstRetryMs;
    bool reportedDown_ = false;
    bool flushScheduled_ = false;
    QTimer checkpoints_;
};

}  // namespace korvane
