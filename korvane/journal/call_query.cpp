#include "korvane/journal/call_query.h"

#include <QDateTime>
#include <QHash>
#include <QMap>

#include <algorithm>
#include <limits>

namespace korvane {

namespace {
// Local dates of many calls: the zone's offset is asked once per UTC day
// when it is the same at both ends of the day, else once per half hour (the
// days the clocks change), never once per call.
int offsetAt(qint64 utc) { return QDateTime::fromSecsSinceEpoch(utc).offsetFromUtc(); }

QDate localDate(qint64 utc)
{
    constexpr int kMixed = std::numeric_limits<int>::min();
    static thread_local QHash<qint64, int> byDay, byHalfHour;
    if (byDay.size() > 100000 || byHalfHour.size() > 100000) {
        byDay.clear();
        byHalfHour.clear();
    }
    const qint64 day = utc >= 0 ? utc / 86400 : (utc - 86399) / 86400;
    auto it = byDay.constFind(day);
    if (it == byDay.constEnd()) {
        const int first = offsetAt(day * 86400), last = offsetAt(day * 86400 + 86399);
        it = byDay.insert(day, first == last ? first : kMixed);
    }
    int offset = *it;
    if (offset == kMixed) {
        const qint64 half = utc >= 0 ? utc / 1800 : (utc - 1799) / 1800;
        auto h = byHalfHour.constFind(half);
        if (h == byHalfHour.constEnd())
            h = byHalfHour.insert(half, offsetAt(half * 1800));
        offset = *h;
    }
    const qint64 local = utc + offset;
    return QDate(1970, 1, 1).addDays(local >= 0 ? local / 86400 : (local - 86399) / 86400);
}
}  // namespace

bool CallFilter::matches(const CallRecord& c) const
{
    if (line != 0 && c.line != line)
        return false;
    if ((type == Type::Voice && !c.voice) || (type == Type::Data && c.voice))
        return false;
    switch (direction) {
    case Direction::Any: break;
    case Direction::In: if (c.direction != QLatin1String("In")) return false; break;
    case Direction::Out: if (c.direction != QLatin1String("Out")) return false; break;
    case Direction::Unknown: if (!c.direction.isEmpty()) return false; break;
    }
    if (from.isValid() || to.isValid()) {
        const QDate day = localDate(c.startUtc);
        if ((from.isValid() && day < from) || (to.isValid() && day > to))
            return false;
    }
    if (!text.isEmpty()) {
        const auto has = [this](const QString& field) { return field.contains(text, Qt::CaseInsensitive); };
        if (!has(c.callerId) && !has(c.callerName) && !has(c.link) && !has(c.peerIp))
            return false;
    }
    return true;
}

QList<CallRecord> filterCalls(const QList<CallRecord>& calls, const CallFilter& filter)
{
    QList<CallRecord> out;
    out.reserve(calls.size());
    for (auto it = calls.crbegin(); it != calls.crend(); ++it)
        if (filter.matches(*it))
            out.append(*it);
    // The journal is in start order already; calls recorded out of order
    // (a clock set back) still come newest first.
    if (!std::is_sorted(out.cbegin(), out.cend(),
                        [](const CallRecord& a, const CallRecord& b) { return a.startUtc > b.startUtc; }))
        std::stable_sort(out.begin(), out.end(),
                         [](const CallRecord& a, const CallRecord& b) { return a.startUtc > b.startUtc; });
    return out;
}

QList<PeriodTotals> totalsPer(const QList<CallRecord>& calls, TotalsPeriod period, const Tariff& tariff)
{
    QHash<qint64, PeriodTotals> byStart;
    for (const CallRecord& c : calls) {
        const QDate day = localDate(c.startUtc);
        QDate start = day;
        if (period == TotalsPeriod::Week)
            start = day.addDays(1 - day.dayOfWeek());
        else if (period == TotalsPeriod::Month)
            start = QDate(day.year(), day.month(), 1);
        PeriodTotals& t = byStart[start.toJulianDay()];
        if (!t.start.isValid()) {
            t.start = start;
            switch (period) {
            case TotalsPeriod::Day:
                t.label = day.toString(Qt::ISODate);
                break;
            case TotalsPeriod::Week: {
                int year = 0;
                const int week = day.weekNumber(&year);
                t.label = QStringLiteral("%1-W%2").arg(year).arg(week, 2, 10, QLatin1Char('0'));
                break;
            }
            case TotalsPeriod::Month:
                t.label = start.toString(QStringLiteral("yyyy-MM"));
                break;
            }
        }
        t.totals.add(c, tariff);
    }
    QList<PeriodTotals> out = byStart.values();
    std::sort(out.begin(), out.end(), [](const PeriodTotals& a, const PeriodTotals& b) { return a.start > b.start; });
    return out;
}

QVector<double> onlineMinutesPerDay(const QList<CallRecord>& calls, const QDate& lastDay, int days)
{
    QVector<double> minutes(qMax(0, days), 0.0);
    const QDate first = lastDay.addDays(1 - days);
    for (const CallRecord& c : calls) {
        const qint64 index = first.daysTo(localDate(c.startUtc));
        if (index >= 0 && index < days)
            minutes[index] += double(c.durationSeconds()) / 60.0;
    }
    return minutes;
}

}  // namespace korvane
