#include "korvane/http/journal_source.h"

#include "korvane/journal/call_export.h"
#include "korvane/journal/journal_session.h"

#include <algorithm>

namespace korvane::http {

double JournalSource::total(int line, bool seconds) const {
    const CallJournal* journal = session_ ? session_->journalForReading() : nullptr;
    if (!journal)
        return 0;
    for (const korvane::LineTotals& totals : journal->lineTotals())
        if (totals.line == line)
            return double(seconds ? totals.onlineSeconds : totals.calls);
    return 0;
}

double JournalSource::calls(int line) const { return total(line, false); }
double JournalSource::onlineSeconds(int line) const { return total(line, true); }

QJsonArray JournalSource::callsSince(const QDateTime& since, int limit) const {
    const CallJournal* journal = session_ ? session_->journalForReading() : nullptr;
    if (!journal)
        return {};
    QList<CallRecord> calls = journal->calls(since.isValid() ? since.toSecsSinceEpoch() : 0);
    std::sort(calls.begin(), calls.end(), [](const CallRecord& a, const CallRecord& b) { return a.startUtc < b.startUtc; });
    // Oldest first, so that a client asking again from its last call's time goes on.
    if (limit > 0 && calls.size() > limit)
        calls = calls.mid(0, limit);
    return callsToJson(calls, session_->settings().tariff);
}

}  // namespace korvane::http
