#include "components/prestige/syslog_sender.h"

#include <QHostInfo>

#include <algorithm>

namespace prestige {

std::optional<SyslogTarget> SyslogSender::parseTarget(const QString& text, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QString host = text.trimmed();
    QString port;
    if (host.startsWith(QLatin1Char('['))) {
        const qsizetype close = host.indexOf(QLatin1Char(']'));
        if (close < 0)
            return fail(QStringLiteral("'%1': missing ']'").arg(text));
        const QString rest = host.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))
            return fail(QStringLiteral("'%1': expected ':port' after ']'").arg(text));
        port = rest.mid(1);
        host = host.mid(1, close - 1);
    } else if (host.count(QLatin1Char(':')) == 1) {
        port = host.section(QLatin1Char(':'), 1);
        host = host.section(QLatin1Char(':'), 0, 0);
    }
    if (host.isEmpty())
        return fail(QStringLiteral("'%1': no host").arg(text));
    SyslogTarget target;
    if (!port.isEmpty()) {
        bool ok = false;
        const uint value = port.toUInt(&ok);
        if (!ok || value == 0 || value > 65535)
            return fail(QStringLiteral("'%1': the port is 1 to 65535").arg(text));
        target.port = quint16(value);
    }
    if (!target.address.setAddress(host)) {
        const QHostInfo info = QHostInfo::fromName(host);
        if (info.error() != QHostInfo::NoError || info.addresses().isEmpty())
            return fail(QStringLiteral("'%1': %2").arg(host, info.errorString()));
        target.address = info.addresses().constFirst();
    }
    return target;
}

QString SyslogSender::callRecord(const CallEvent& e)
{
    const QString head = QStringLiteral("line %1 channel %2, call %3, C01, ").arg(e.line).arg(e.channel).arg(e.callId);
    const bool in = e.direction == Direction::In;
    switch (e.kind) {
    case CallEvent::Dialing:
        return head + (in ? QStringLiteral("Incoming Call, ") : QStringLiteral("Outgoing Call, ")) + e.number;
    case CallEvent::Connected:
        return head + (in ? QStringLiteral("ANSWER Connected, ") : QStringLiteral("CALL Connected, "))
            + QString::number(e.rate) + QStringLiteral("K ") + e.number;
    case CallEvent::Terminated:
        return head + QStringLiteral("Call Terminated");
    }
    return head;
}

QByteArray SyslogSender::formatMessage(int priority, const QDateTime& time, const QString& hostName,
                                       const QString& message)
{
    // The time stamp is always English and the day padded with a blank.
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate d = time.date();
    const QTime t = time.time();
    const QString stamp = QStringLiteral("%1 %2 %3")
                              .arg(QLatin1String(months[std::clamp(d.month(), 1, 12) - 1]))
                              .arg(d.day(), 2, 10, QLatin1Char(' '))
                              .arg(t.toString(QStringLiteral("HH:mm:ss")));
    QString host = hostName;
    host.remove(QLatin1Char(' '));
    if (host.isEmpty())
        host = QStringLiteral("-");
    // A datagram of the BSD form should stay below 1024 bytes.
    return QStringLiteral("<%1>%2 %3 %4").arg(priority).arg(stamp, host, message).toUtf8().left(1024);
}

SyslogSender::SyslogSender(SyslogTarget target, QString hostName)
    : target_(std::move(target))
    , hostName_(std::move(hostName))
{
}

bool SyslogSender::send(const CallEvent& event)
{
    return sendText(callRecord(event));
}

bool SyslogSender::sendText(const QString& message)
{
    const QByteArray datagram = formatMessage(kPriority, clock(), hostName_, message);
    return socket_.writeDatagram(datagram, target_.address, target_.port) == datagram.size();
}

} // namespace prestige
