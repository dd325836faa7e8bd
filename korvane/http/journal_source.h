#pragma once
// The call journal as the endpoint reads it: the whole journal's calls and
// online seconds per line for the journal gauges, and /api/calls. The totals
// are summed in SQL once and then kept up to date from the calls the tracker
// ends, so a scrape never reads the journal; /api/calls reads only the rows
// it answers with. The session may change its journal (another router
// address), which sums the totals again.
//
// The totals are kept on the monitor's thread. /api/calls is asked on the
// endpoint's thread: it reads through a connection of its own, opened read
// only for the request, beside the monitor's writing one.

#include "korvane/http/line_totals.h"
#include "korvane/journal/journal_settings.h"

#include <QObject>
#include <QString>

#include <array>
#include <mutex>

namespace korvane {
class CMonitorController;
class CallJournal;
class JournalSession;
struct CallRecord;
}  // namespace korvane

namespace korvane::http {

class JournalSource : public QObject, public LineTotals, public CallList {
    Q_OBJECT
public:
    JournalSource(const JournalSession* session, CMonitorController* controller, QObject* parent = nullptr);

    double calls(int line) const override;
    double onlineSeconds(int line) const override;
    // Any thread.
    QJsonArray callsSince(const QDateTime& since, int limit) const override;

private:
    // What the reading side needs of the session, copied on the monitor's thread.
    void noteJournal() const;
    void sumIfNeeded() const;
    void onCallEnded(const CallRecord& call);

    const JournalSession* session_;
    mutable const CallJournal* summed_ = nullptr;  // the journal the totals are of
    mutable std::array<qint64, 2> calls_{};
    mutable std::array<qint64, 2> seconds_{};

    mutable std::mutex readingLock_;
    mutable QString readingFile_;  // empty while no journal is open
    mutable Tariff readingTariff_;
};

}  // namespace korvane::http
