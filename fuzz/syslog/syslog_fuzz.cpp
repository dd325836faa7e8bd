// One syslog datagram through the parser, with the layout every message the
// receiver hands out keeps checked afterwards. The first byte picks the sender
// and the receive time so that both fallbacks (no host, no timestamp) run
// with varied values; the rest is the datagram.

#include "components/syslog/syslog_format.h"

#include <QTimeZone>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// What the parser makes of the message bytes: Latin-1, controls other than
// a line feed as blanks.
QString cleaned(const QByteArray& bytes)
{
    QString s = QString::fromLatin1(bytes);
    for (QChar& c : s) {
        if (c != u'\n' && (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F)))
            c = u' ';
    }
    return s;
}

void checkTimestamp(const QString& t)
{
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    check(t.size() == 15);
    bool month = false;
    for (const char* m : months)
        month = month || t.left(3) == QLatin1String(m);
    check(month);
    check(t[3] == u' ' && (t[4] == u' ' || isDigit(t[4])) && isDigit(t[5]) && t[6] == u' ');
    for (int k : {7, 8, 10, 11, 13, 14})
        check(isDigit(t[k]));
    check(t[9] == u':' && t[12] == u':');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t pick = data[0];
    const QByteArray datagram(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QString sender = (pick & 1) ? QStringLiteral("192.168.1.1") : QStringLiteral("fe80::1234:5678:9abc:def0");
    // Any second of four years around a leap day, UTC so that no time zone rule applies.
    const QDateTime received = QDateTime(QDate(2023, 1, 1), QTime(0, 0), QTimeZone::utc())
                                   .addSecs(qint64(pick >> 1) * 987654 + qint64(size) * 7);

    const syslog::SyslogMessage m = syslog::parseDatagram(datagram, sender, received);
    const QString& text = m.text;

    // Fixed layout: priority, timestamp, host, then the message at index 33.
    check(text.size() >= syslog::kMessageIndex);
    check(text.size() <= syslog::kMessageIndex + syslog::kMaxDatagram);
    check(text[0] == u'<');
    qsizetype i = 1;
    while (i < 5 && isDigit(text[i]))
        ++i;
    check(i > 1 && i < 5 && text[i] == u'>');
    for (++i; i < 5; ++i)
        check(text[i] == u' ');
    checkTimestamp(text.mid(5, 15));
    check(text[20] == u' ' && text[32] == u' ');
    // Nothing in the text is a control character but a line feed, and no line
    // feed sits in the fixed part a reader cuts by index.
    for (qsizetype k = 0; k < text.size(); ++k) {
        const char16_t c = text[k].unicode();
        check(c == u'\n' || (c >= 0x20 && (c < 0x7F || c > 0x9F)));
        check(c != u'\n' || k >= syslog::kMessageIndex);
    }
    // The message is the tail of the (cut) datagram, nothing invented or lost
    // from its end.
    const QString whole = cleaned(datagram.left(syslog::kMaxDatagram));
    check(whole.endsWith(text.mid(syslog::kMessageIndex)));
    check(m.time.isValid());
    return 0;
}
