#include "korvane/journal/journal_recorder.h"

#include "korvane/model/application.h"
#include "korvane/model/call_infos.h"
#include "korvane/monitor/call_tracker.h"
#include "korvane/monitor/controller.h"

#include <QDateTime>

namespace korvane {

namespace {
// Rows of ended calls kept for a number the call history tells later.
constexpr qsizetype kRememberedRows = 64;
}  // namespace

JournalRecorder::JournalRecorder(CMonitorController* controller, CallJournal* journal, QObject* parent)
    : QObject(parent), controller_(controller), journal_(journal)
{
    CallTracker& calls = controller->calls();
    if (journal_->isOpen()) {
        const QList<CallRecord> resumable = journal_->resumableCalls();
        // Every call still open in the file was left by a run that did not
        // end cleanly; it ends at its last tick unless the tracker continues it.
        journal_->closeOpenCalls(CallEnd::MonitorStopped);
        calls.adoptOpenCalls(resumable);
    }
    connect(&calls, &CallTracker::callStarted, this, &JournalRecorder::save);
    connect(&calls, &CallTracker::callerKnown, this, &JournalRecorder::save);
    connect(&calls, &CallTracker::callUpdated, this, &JournalRecorder::save);
    connect(&calls, &CallTracker::callEnded, this, &JournalRecorder::save);
    connect(controller, &CMonitorController::callHistoryRead, this, &JournalRecorder::onHistory);
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &JournalRecorder::writeWaiting);
    // The log is folded into the file between ticks, half a second after
    // one, so the flush to disk never lands inside a tick.
    checkpoints_.setInterval(60 * 1000);
    connect(&checkpoints_, &QTimer::timeout, this, [this] {
        QTimer::singleShot(500, this, [this] { journal_->checkpoint(); });
    });
    checkpoints_.start();
}

JournalRecorder::~JournalRecorder()
{
    // A last try for what waits; what still cannot be written is lost with
    // the run. Nobody is told any more: the listener may be gone already.
    errorListener_ = nullptr;
    retry_.stop();
    if (!unsaved_.isEmpty())
        writeWaiting();
    retry_.stop();
    journal_->checkpoint();
}

void JournalRecorder::setErrorListener(std::function<void(const QString&)> listener)
{
    errorListener_ = std::move(listener);
    if (!journal_->isOpen() && !journal_->errorText().isEmpty() && !reportedDown_ && errorListener_) {
        reportedDown_ = true;
        errorListener_(QStringLiteral("The call journal is off for this run: %1").arg(journal_->errorText()));
    }
}

void JournalRecorder::save(const CallRecord& call)
{
    // Only kept here: the disk is written after the tick, in the loop's next
    // turn, with the latest state of each call that changed.
    unsaved_.insert(keyOf(call), call);
    if (!flushScheduled_ && !retry_.isActive()) {
        flushScheduled_ = true;
        QTimer::singleShot(0, this, [this] {
            flushScheduled_ = false;
            if (!retry_.isActive())
                writeWaiting();
        });
    }
}

bool JournalRecorder::write(const CallRecord& call)
{
    CallRecord row = call;
    if (row.id == 0)
        row.id = ids_.value(call.serial, 0);
    if (row.id == 0) {
        if (!journal_->startCall(row))
            return false;
        if (call.serial != 0)
            ids_.insert(call.serial, row.id);
        // The start's row has the call's state; an ended call needs its end too.
        if (!row.isOpen() && !journal_->updateCall(row))
            return false;
    } else if (!journal_->updateCall(row)) {
        return false;
    }
    if (ids_.size() > kRememberedRows) {
        // Only the newest calls can still learn anything.
        qint64 oldest = call.serial;
        for (auto it = ids_.cbegin(); it != ids_.cend(); ++it)
            oldest = qMin(oldest, it.key());
        ids_.remove(oldest);
    }
    emit callWritten();
    return true;
}

void JournalRecorder::failed()
{
    if (!reportedDown_) {
        reportedDown_ = true;
        if (errorListener_)
            errorListener_(QStringLiteral("The call journal cannot be written: %1; it is tried again")
                               .arg(journal_->errorText()));
    }
    if (!retry_.isActive())
        retry_.start(retryWaitMs_);
}

void JournalRecorder::writeWaiting()
{
    if (!journal_->isOpen() && !journal_->reopen()) {
        failed();
        retryWaitMs_ = qMin(kLongestRetryMs, retryWaitMs_ * 2);
        retry_.start(retryWaitMs_);
        return;
    }
    // Oldest calls first, so rows keep the order the calls started in.
    QList<CallRecord> waiting = unsaved_.values();
    std::sort(waiting.begin(), waiting.end(), [](const CallRecord& a, const CallRecord& b) {
        return a.startUtc != b.startUtc ? a.startUtc < b.startUtc : a.serial < b.serial;
    });
    for (const CallRecord& call : waiting) {
        if (!write(call)) {
            const bool first = !reportedDown_;
            failed();
            if (!first)
                retryWaitMs_ = qMin(kLongestRetryMs, retryWaitMs_ * 2);
            retry_.start(retryWaitMs_);
            return;
        }
        unsaved_.remove(keyOf(call));
    }
    retryWaitMs_ = kFirstRetryMs;
    if (reportedDown_) {
        reportedDown_ = false;
        if (errorListener_)
            errorListener_(QString::fromLatin1(kResumedText));
    }
}

void JournalRecorder::onHistory()
{
    if (!journal_->isOpen())
        return;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QList<HistorySnapshot> rows;
    for (const CCallInfo& info : controller_->application().callInfos()) {
        if (info.phoneNumber().isEmpty() && info.noOfCalls() == 0)
            continue;
        rows.append({now, info.phoneNumber(), info.direction(), info.baudRate(), info.noOfCalls(), info.minTime(),
                     info.maxTime(), info.totalTime()});
    }
    // The history is read again and again; a failed snapshot is made good by the next.
    if (!rows.isEmpty() && journal_->recordHistory(rows) < 0)
        failed();
}

}  // namespace korvane
