#include "korvane/journal/call_export.h"

#include "korvane/journal/phone_book.h"

#include <QDateTime>

namespace korvane {

QString callTypeText(const CallRecord& call) { return call.voice ? QStringLiteral("Voice") : QStringLiteral("Data"); }

QString durationText(qint64 seconds)
{
    seconds = qMax<qint64>(0, seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString utcText(qint64 utcSeconds)
{
    return utcSeconds <= 0 ? QString() : QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::UTC).toString(Qt::ISODate);
}

QByteArray callsToCsv(const QList<CallRecord>& calls, const Tariff& tariff)
{
    QStringList header{QStringLiteral("Start (UTC)"), QStringLiteral("End (UTC)"), QStringLiteral("Duration"),
                       QStringLiteral("Seconds"), QStringLiteral("Line"), QStringLiteral("Channel"),
                       QStringLiteral("Type"), QStringLiteral("Direction"), QStringLiteral("Caller ID"),
                       QStringLiteral("Name"), QStringLiteral("Link"), QStringLiteral("Peer IP"),
                       QStringLiteral("Packets Sent"), QStringLiteral("Packets Received"), QStringLiteral("Errors"),
                       QStringLiteral("Average Utilization"), QStringLiteral("Peak Utilization"),
                       QStringLiteral("Ended")};
    if (tariff.isSet())
        header.append(QStringLiteral("Cost"));
    QString text = header.join(u',') + QLatin1String("\r\n");
    for (const CallRecord& c : calls) {
        QStringList row{utcText(c.startUtc), c.isOpen() ? QString() : utcText(c.endUtc), durationText(c.durationSeconds()),
                        QString::number(c.durationSeconds()), QString::number(c.line), QString::number(c.channel),
                        callTypeText(c), c.direction, c.callerId, c.callerName, c.link, c.peerIp,
                        QString::number(c.packetsSent), QString::number(c.packetsReceived), QString::number(c.errors),
                        QString::number(c.averageUtilization), QString::number(c.peakUtilization), callEndText(c.ended)};
        if (tariff.isSet())
            row.append(tariff.amount(tariff.cost(c)));
        for (QString& field : row)
            field = csvField(field);
        text += row.join(u',') + QLatin1String("\r\n");
    }
    return text.toUtf8();
}

QJsonObject callToJson(const CallRecord& c, const Tariff& tariff)
{
    QJsonObject o{{QStringLiteral("start"), utcText(c.startUtc)},
                  {QStringLiteral("end"), c.isOpen() ? QJsonValue() : QJsonValue(utcText(c.endUtc))},
                  {QStringLiteral("seconds"), c.durationSeconds()},
                  {QStringLiteral("line"), c.line},
                  {QStringLiteral("channel"), c.channel},
                  {QStringLiteral("type"), callTypeText(c)},
                  {QStringLiteral("direction"), c.direction},
                  {QStringLiteral("callerId"), c.callerId},
                  {QStringLiteral("number"), c.callerId},
                  {QStringLiteral("name"), c.callerName},
                  {QStringLiteral("link"), c.link},
                  {QStringLiteral("peerIp"), c.peerIp},
                  {QStringLiteral("packetsSent"), c.packetsSent},
                  {QStringLiteral("packetsReceived"), c.packetsReceived},
                  {QStringLiteral("errors"), c.errors},
                  {QStringLiteral("averageUtilization"), c.averageUtilization},
                  {QStringLiteral("peakUtilization"), c.peakUtilization},
                  {QStringLiteral("ended"), callEndText(c.ended)}};
    if (tariff.isSet())
        o.insert(QStringLiteral("cost"), tariff.number(tariff.cost(c)));
    return o;
}

QJsonArray callsToJson(const QList<CallRecord>& calls, const Tariff& tariff)
{
    QJsonArray array;
    for (const CallRecord& c : calls)
        array.append(callToJson(c, tariff));
    return array;
}

void CallTotals::add(const CallRecord& call, const Tariff& tariff)
{
    ++calls;
    if (call.line == 1 || call.line == 2)
        onlineSeconds[call.line - 1] += call.durationSeconds();
    packetsSent += call.packetsSent;
    packetsReceived += call.packetsReceived;
    cost += tariff.cost(call);
}

}  // namespace korvane
