#include "korvane/journal/call_query.h"

#include <QDateTime>
#include <QMap>

#include <algorithm>

namespace korvane {

namespace {
QDate localDate(qint64 utc) { return QDateTime::fromSecsSinceEpoch(utc).date(); }
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
    QMap<QDate, PeriodTotals> byStart;
    for (const CallRecord& c : calls) {
        const QDate day = localDate(c.startUtc);
        QDate start = day;
        QString label;
        switch (period) {
        case TotalsPeriod::Day:
            label = day.toString(Qt::ISODate);
            break;
        case TotalsPeriod::Week: {
            int year = 0;
            const int week = day.weekNumber(&year);
            start = day.addDays(1 - day.dayOfWeek());
            label = QStringLiteral("%1-W%2").arg(year).arg(week, 2, 10, QLatin1Char('0'));
            break;
        }
        case TotalsPeriod::Month:
            start = QDate(day.year(), day.month(), 1);
            label = start.toString(QStringLiteral("yyyy-MM"));
            break;
        }
        PeriodTotals& t = byStart[start];
        t.start = start;
        t.label = label;
        t.totals.add(c, tariff);
    }
    QList<PeriodTotals> out = byStart.values();
    std::reverse(out.begin(), out.end());
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
