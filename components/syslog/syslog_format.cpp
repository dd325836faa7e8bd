#include "components/syslog/syslog_format.h"

namespace syslog {

namespace {

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "<PRI>" with one to three digits, or nothing.
qsizetype priorityLength(const QByteArray& d)
{
    if (d.isEmpty() || d[0] != '<')
        return 0;
    qsizetype i = 1;
    while (i < d.size() && i <= 3 && isDigit(d[i]))
        ++i;
    if (i == 1 || i >= d.size() || d[i] != '>')
        return 0;
    return i + 1;
}

// Month (1-12) of a timestamp "Mmm dd hh:mm:ss" at offset, or 0.
int timestampMonth(const QByteArray& d, qsizetype at)
{
    if (d.size() - at < 15)
        return 0;
    const QByteArray month = d.mid(at, 3);
    int m = 0;
    for (int i = 0; i < 12; ++i) {
        if (month == kMonths[i])
            m = i + 1;
    }
    if (m == 0 || d[at + 3] != ' ')
        return 0;
    const char d1 = d[at + 4];
    const char d2 = d[at + 5];
    if (!(d1 == ' ' || isDigit(d1)) || !isDigit(d2) || d[at + 6] != ' ')
        return 0;
    for (qsizetype k : {7, 8, 10, 11, 13, 14}) {
        if (!isDigit(d[at + k]))
            return 0;
    }
    if (d[at + 9] != ':' || d[at + 12] != ':')
        return 0;
    return m;
}

QString cleaned(const QByteArray& bytes)
{
    QString s = QString::fromLatin1(bytes);
    for (QChar& c : s) {
        // C0, DEL and the C1 range Latin-1 maps bytes 0x80-0x9F to.
        if (c != QLatin1Char('\n') && (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F)))
            c = QLatin1Char(' ');
    }
    return s;
}

}  // namespace

QString formatRfc3164Timestamp(const QDateTime& time)
{
    const QDate date = time.date();
    const QTime t = time.time();
    return QStringLiteral("%1 %2 %3")
        .arg(QLatin1String(kMonths[qBound(1, date.month(), 12) - 1]))
        .arg(date.day(), 2, 10, QLatin1Char(' '))
        .arg(t.toString(QStringLiteral("HH:mm:ss")));
}

SyslogMessage parseDatagram(const QByteArray& raw, const QString& senderAddress, const QDateTime& receiveTime)
{
    const QByteArray d = raw.left(kMaxDatagram);
    SyslogMessage message;
    message.time = receiveTime;

    qsizetype at = priorityLength(d);
    // A datagram without a priority gets the one RFC 3164 tells relays to add.
    QString priority = at > 0 ? QString::fromLatin1(d.left(at)) : QStringLiteral("<13>");
    priority = priority.leftJustified(5, QLatin1Char(' '), true);

    QString timestamp;
    QString host;
    if (const int month = timestampMonth(d, at)) {
        timestamp = QString::fromLatin1(d.mid(at, 15));
        const int day = QByteArray(d.mid(at + 4, 2)).trimmed().toInt();
        const QTime t = QTime::fromString(QString::fromLatin1(d.mid(at + 7, 8)), QStringLiteral("HH:mm:ss"));
        // RFC 3164 carries no year. A time more than a day ahead of the
        // receive time (clocks differ a little) was sent last year: a message
        // of Dec 31 received in January, or Feb 29 received the year after.
        const int year = receiveTime.date().year();
        QDate date(year, month, day);
        if (!date.isValid() || QDateTime(date, t.isValid() ? t : QTime(0, 0)) > receiveTime.addDays(1))
            date = QDate(year - 1, month, day);
        if (date.isValid() && t.isValid())
            message.time = QDateTime(date, t);
        at += 15;
        if (at < d.size() && d[at] == ' ')
            ++at;
        // The host field follows the timestamp, up to the next blank.
        qsizetype end = at;
        while (end < d.size() && d[end] != ' ' && d[end] != '\n')
            ++end;
        host = cleaned(d.mid(at, end - at));
        at = end;
        if (at < d.size() && d[at] == ' ')
            ++at;
    } else {
        timestamp = formatRfc3164Timestamp(receiveTime);
    }
    if (host.isEmpty())
        host = senderAddress;

    message.text = priority + timestamp + QLatin1Char(' ') + host.leftJustified(11, QLatin1Char(' '), true) +
                   QLatin1Char(' ') + cleaned(d.mid(at));
    return message;
}

}  // namespace syslog
