#include "korvane/http/journal_source.h"

#include "korvane/journal/call_export.h"
#include "korvane/journal/journal_session.h"
#include "korvane/monitor/call_tracker.h"
#include "korvane/monitor/controller.h"

namespace korvane::http {

JournalSource::JournalSource(const JournalSession* session, CMonitorController* controller, QObject* parent)
    : QObject(parent), session_(session) {
    if (controller)
        connect(&controller->calls(), &CallTracker::callEnded, this, &JournalSource::onCallEnded);
    // Summed now, at the start, rather than in the first scrape.
    sumIfNeeded();
}

void JournalSource::sumIfNeeded() const {
    const CallJournal* journal = session_ ? session_->journalForReading() : nullptr;
    if (journal == summed_)
        return;
    summed_ = journal;
    calls_ = {};
    seconds_ = {};
    if (!journal)
        return;
    for (const korvane::LineTotals& totals : journal->lineTotals()) {
        if (totals.line == 1 || totals.line == 2) {
            calls_[size_t(totals.line - 1)] = totals.calls;
            seconds_[size_t(totals.line - 1)] = totals.onlineSeconds;
        }
    }
}

void JournalSource::onCallEnded(const CallRecord& call) {
    // Summed before the journal holds this call's end: it is not in the sum yet.
    if (!summed_ || (call.line != 1 && call.line != 2))
        return;
    // A call continued from an earlier run (it has its row already) was
    // counted by the sum.
    if (call.id == 0)
        calls_[size_t(call.line - 1)] += 1;
    seconds_[size_t(call.line - 1)] += call.durationSeconds();
}

double JournalSource::calls(int line) const {
    sumIfNeeded();
    return line == 1 || line == 2 ? double(calls_[size_t(line - 1)]) : 0;
}

double JournalSource::onlineSeconds(int line) const {
    sumIfNeeded();
    return line == 1 || line == 2 ? double(seconds_[size_t(line - 1)]) : 0;
}

QJsonArray JournalSource::callsSince(const QDateTime& since, int limit) const {
    const CallJournal* journal = session_ ? session_->journalForReading() : nullptr;
    if (!journal)
        return {};
    return callsToJson(journal->latestCalls(since.isValid() ? since.toSecsSinceEpoch() : 0, limit),
                       session_->settings().tariff);
}

}  // namespace korvane::http
