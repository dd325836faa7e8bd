#pragma once
// What the Call Log view asks of the calls: filters (line, type, direction,
// date range, text), totals per day, week or month, and online minutes per
// day for the bar chart. Dates are the user's local dates.

#include "korvane/journal/call_export.h"

#include <QDate>
#include <QList>
#include <QVector>

namespace korvane {

struct CallFilter {
    enum class Type { Any, Voice, Data };
    enum class Direction { Any, In, Out, Unknown };
    int line = 0;  // 0: both
    Type type = Type::Any;
    Direction direction = Direction::Any;
    QDate from;    // invalid: no limit
    QDate to;      // inclusive; invalid: no limit
    QString text;  // in caller ids, names, links and peer addresses

    bool matches(const CallRecord& call) const;
};

// The calls that pass, newest first.
QList<CallRecord> filterCalls(const QList<CallRecord>& calls, const CallFilter& filter);

enum class TotalsPeriod { Day, Week, Month };
struct PeriodTotals {
    QDate start;    // first day of the period
    QString label;  // "2024-05-01", "2024-W18", "2024-05"
    CallTotals totals;
};
// Totals per period, newest period first.
QList<PeriodTotals> totalsPer(const QList<CallRecord>& calls, TotalsPeriod period, const Tariff& tariff);

// Online minutes per local day for the days up to lastDay (index 0 is the
// oldest); a call over midnight counts on the day it started.
QVector<double> onlineMinutesPerDay(const QList<CallRecord>& calls, const QDate& lastDay, int days = 30);

}  // namespace korvane
