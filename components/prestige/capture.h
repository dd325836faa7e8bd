#pragma once
// A capture of a monitor's session with a router: what the router sent, chunk
// by chunk, and the keys the monitor typed, each with its time, as readable
// lines. The monitor writes it (korvane --record); prestige-sim --replay plays
// the router's side of it back.
//
//   # korvane capture 1
//   ! 0.000 open 192.168.1.1
//   > 0.001 \P\r\n
//   < 0.015 \xff\xfb\x01\e[2J\e[10;22HEnter Password :\e[K\e[10;39H
//   ! 9.120 close
//
// "<" lines come from the router, ">" lines go to it, "!" lines mark the
// monitor opening and closing its connection. Seconds count from the start of
// the recording. Bytes are printable ASCII as they are, else \\ \r \n \t \e
// \xHH; a space that ends a line is \x20, so that editors keep it. \P stands
// where the router password was: it is never written.

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QIODevice;

namespace prestige {

inline constexpr char kCaptureHeader[] = "# korvane capture 1";

struct CaptureEntry {
    enum class Kind { Received, Sent, Open, Close };
    Kind kind = Kind::Received;
    double seconds = 0;
    QByteArray bytes;               // the bytes, without the password
    QList<qsizetype> passwordAt;    // offsets in bytes where the password stood
    QByteArray note;                // Open: the address; Close: nothing
    int sourceLine = 0;
};

// The escaped form of bytes; masks marks the password: for each byte 0 (kept),
// 1 (the first byte of the password: \P) or 2 (the password's other bytes).
QByteArray escapeCaptureBytes(const QByteArray& bytes, const QByteArray& masks = {});
// Reads the escaped form back; nullopt with a reason for a bad escape.
std::optional<QByteArray> unescapeCaptureBytes(QByteArrayView text, QList<qsizetype>* passwordAt, QString* error);

// Reads a whole capture; nullopt with "line N: reason" when it is not one.
std::optional<QList<CaptureEntry>> parseCapture(const QByteArray& text, QString* error);
std::optional<QList<CaptureEntry>> loadCapture(const QString& fileName, QString* error);

// Writes a capture as it happens. The password is masked wherever it stands
// in either direction, also when it is split between two chunks: a record
// whose last bytes could still be the start of the password is held back
// until the next bytes of its direction (or the end) settle it, and every
// later record waits behind it, so the lines keep their order.
class CaptureWriter {
public:
    // out is written to and flushed line by line; it must stay open.
    CaptureWriter(QIODevice* out, std::function<QByteArray()> password);
    ~CaptureWriter();

    void received(double seconds, const QByteArray& bytes);
    void sent(double seconds, const QByteArray& keys);
    void opened(double seconds, const QByteArray& address);
    void closed(double seconds);
    // Writes what is held back; after it, a password cut at the end is no
    // longer recognised.
    void flush();

private:
    struct Record {
        CaptureEntry::Kind kind;
        double seconds;
        QByteArray bytes;
        QByteArray masks;
        QByteArray note;
        qint64 streamStart = 0; // offset of bytes[0] in its direction's stream
    };
    struct Stream {
        qint64 length = 0; // bytes so far
        int held = 0;      // the last bytes that may begin the password
    };

    void add(CaptureEntry::Kind kind, double seconds, const QByteArray& bytes);
    void writeSettled(bool all);
    void write(const Record& r);

    QIODevice* out_;
    std::function<QByteArray()> password_;
    QList<Record> queue_;
    Stream streams_[2];
};

} // namespace prestige
