#pragma once
// The call journal as the endpoint reads it: calls and online seconds per
// line over the whole journal for the metrics, and /api/calls. The session
// may change its journal (another router address), so it is asked each time.

#include "korvane/http/line_totals.h"

namespace korvane {
class JournalSession;
}

namespace korvane::http {

class JournalSource : public LineTotals, public CallList {
public:
    explicit JournalSource(const JournalSession* session) : session_(session) {}

    double calls(int line) const override;
    double onlineSeconds(int line) const override;
    QJsonArray callsSince(const QDateTime& since, int limit) const override;

private:
    double total(int line, bool seconds) const;

    const JournalSession* session_;
};

}  // namespace korvane::http
