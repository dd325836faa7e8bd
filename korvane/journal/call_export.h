#pragma once
// Calls as others read them: CSV (RFC 4180, with a header row) and JSON, with
// times in UTC (ISO 8601) and, where a tariff is set, each call's cost. The
// Call Log view's export and korvane-tool journal share these.

#include "korvane/journal/call_journal.h"
#include "korvane/journal/journal_settings.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>

namespace korvane {

QString callTypeText(const CallRecord& call);       // "Voice" or "Data"
QString durationText(qint64 seconds);               // "1:02:03"
QString utcText(qint64 utcSeconds);                 // "2024-05-01T12:00:00Z"

QByteArray callsToCsv(const QList<CallRecord>& calls, const Tariff& tariff);
QJsonObject callToJson(const CallRecord& call, const Tariff& tariff);
QJsonArray callsToJson(const QList<CallRecord>& calls, const Tariff& tariff);

// Totals over a set of calls.
struct CallTotals {
    qint64 calls = 0;
    qint64 onlineSeconds[2] = {0, 0};  // per line
    qint64 packetsSent = 0;
    qint64 packetsReceived = 0;
    qint64 cost = 0;  // minor units of the tariff's currency
    void add(const CallRecord& call, const Tariff& tariff);
};

}  // namespace korvane
