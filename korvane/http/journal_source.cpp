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
    noteJournal();
}

void JournalSource::noteJournal() const {
    const CallJournal* journal = session_ ? session_->journalForReading() : nullptr;
    QString file = journal ? journal->file() : QString();
    Tariff tariff = session_ ? session_->settings().tariff : Tariff{};
    const std::lock_guard<std::mutex> lock(readingLock_);
    readingFile_ = std::move(file);
    readingTariff_ = std::move(tariff);
}

void JournalSource::sumIfNeeded() const {
    const CallJournal* journal = session_ ? session_->journalForReading() : nullptr;
    if (session_) {
        // Only this thread writes what the reading side copies, so comparing
        // needs no lock.
        const Tariff& now = session_->settings().tariff;
        const Tariff& noted = readingTariff_;
        if (now.perCall != noted.perCall || now.perMinute != noted.perMinute || now.currency != noted.currency
            || now.chargeIncoming != noted.chargeIncoming)
            noteJournal();
    }
    if (journal == summed_)
        return;
    noteJournal();
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
    QString file;
    Tariff tariff;
    {
        const std::lock_guard<std::mutex> lock(readingLock_);
        file = readingFile_;
        tariff = readingTariff_;
    }
    if (file.isEmpty())
        return {};
    const CallJournal journal(file, CallJournal::Access::ReadOnly);
    return callsToJson(journal.latestCalls(since.isValid() ? since.toSecsSinceEpoch() : 0, limit), tariff);
}

}  // namespace korvane::http
