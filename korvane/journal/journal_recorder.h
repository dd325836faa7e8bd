#pragma once
// Records what the controller reports into the call journal: a line going up
// starts a call, each status tick updates it, a line going down ends it. The
// recorder listens to the controller's signals only; it never talks to the
// router.

#include "korvane/journal/call_journal.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>

namespace korvane {

class CMonitorController;

class JournalRecorder : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<qint64()>;  // seconds since the epoch, UTC

    // The journal is owned by the caller. Calls a previous run left open are
    // closed at once, at the last tick they saw.
    JournalRecorder(CMonitorController* controller, CallJournal* journal, QObject* parent = nullptr);
    // Ends the calls still open: the monitor stopped.
    ~JournalRecorder() override;

    void setClock(Clock clock) { clock_ = std::move(clock); }
    // Names for caller ids (the phone book); none leaves names empty.
    void setNameLookup(std::function<QString(const QString&)> lookup) { lookup_ = std::move(lookup); }
    // Told once, on the first failure; the journal is then off for this run.
    void setErrorListener(std::function<void(const QString&)> listener);

    // The open call of line 1 or 2, or null.
    const CallRecord* openCall(int line) const;
    // Ends the open calls (the monitor stops or the router was lost).
    void endOpenCalls(CallEnd how);
    // The drop command for channel 1, 2 or both (0) was sent.
    void noteDropRequested(int which);

private:
    void onTick();
    void onHistory();
    void check();

    CMonitorController* controller_;
    CallJournal* journal_;
    Clock clock_;
    std::function<QString(const QString&)> lookup_;
    std::function<void(const QString&)> errorListener_;
    std::array<CallRecord, 2> calls_;
    std::array<qint64, 2> utilizationSum_{};
    std::array<qint64, 2> samples_{};
    std::array<qint64, 2> dropRequested_{};  // when the drop command was sent for the line's channel
    bool reported_ = false;
    QTimer checkpoints_;
};

// Seconds in an up-time text as the router paints it ("  1:02:03 "); -1 when
// it is not one.
qint64 upTimeSeconds(const QString& text);

}  // namespace korvane
