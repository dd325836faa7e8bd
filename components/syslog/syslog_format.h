#pragma once
// Turning one received syslog datagram (RFC 3164) into the message the
// receiver hands out: a text with a fixed layout and a time.
//
// Text layout, by character index:
//   0-4    the "<PRI>" part, padded with blanks to 5 characters
//   5-19   the timestamp "Mmm dd hh:mm:ss" (the receive time when there is none)
//   20     a blank
//   21-31  the host field (or the sender's address), cut or padded to 11
//   32     a blank
//   33-    the message itself
// so that a reader can take the priority from the first 5 characters and the
// message from index 33.

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace syslog {

// Datagrams longer than this are cut; RFC 3164 allows 1024 bytes.
inline constexpr qsizetype kMaxDatagram = 2048;
inline constexpr qsizetype kMessageIndex = 33;

struct SyslogMessage {
    QString text;
    QDateTime time;
};

// receiveTime stands in for a missing timestamp and gives the year of one that
// is present. senderAddress stands in for a missing host field.
SyslogMessage parseDatagram(const QByteArray& datagram, const QString& senderAddress, const QDateTime& receiveTime);

// "Dec  8 09:05:01" for a time, as RFC 3164 writes it (English month names).
QString formatRfc3164Timestamp(const QDateTime& time);

}  // namespace syslog
