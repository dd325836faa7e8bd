#include "components/prestige/capture.h"

#include <QFile>
#include <QIODevice>

#include <algorithm>

namespace prestige {

namespace {

// A capture is a day's session at most; a bigger file is not one.
constexpr qint64 kMaxCaptureFileBytes = 512ll * 1024 * 1024;
constexpr char kHex[] = "0123456789abcdef";

int direction(CaptureEntry::Kind kind) { return kind == CaptureEntry::Kind::Sent ? 1 : 0; }

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

QByteArray escapeCaptureBytes(const QByteArray& bytes, const QByteArray& masks)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 4);
    bool endsInSpace = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char mask = i < masks.size() ? masks[i] : 0;
        endsInSpace = false;
        if (mask == 1) {
            out += "\\P";
            continue;
        }
        if (mask == 2)
            continue;
        const quint8 b = quint8(bytes[i]);
        switch (b) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case 27: out += "\\e"; break;
        default:
            if (b >= 32 && b < 127) {
                out += char(b);
                endsInSpace = b == ' ';
            } else {
                out += "\\x";
                out += kHex[b >> 4];
                out += kHex[b & 15];
            }
        }
    }
    if (endsInSpace) {
        out.chop(1);
        out += "\\x20";
    }
    return out;
}

std::optional<QByteArray> unescapeCaptureBytes(QByteArrayView text, QList<qsizetype>* passwordAt, QString* error)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size()) {
            *error = QStringLiteral("a backslash ends the line");
            return std::nullopt;
        }
        switch (text[i]) {
        case '\\': out += '\\'; break;
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'e': out += '\x1b'; break;
        case 'P':
            if (passwordAt)
                passwordAt->append(out.size());
            break;
        case 'x': {
            const int high = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
            if (high < 0 || low < 0) {
                *error = QStringLiteral("\\x needs two hex digits");
                return std::nullopt;
            }
            out += char(high * 16 + low);
            i += 2;
            break;
        }
        default:
            *error = QStringLiteral("unknown escape \\%1").arg(QLatin1Char(text[i]));
            return std::nullopt;
        }
    }
    return out;
}

std::optional<QList<CaptureEntry>> parseCapture(const QByteArray& text, QString* error)
{
    QList<CaptureEntry> entries;
    const QList<QByteArray> lines = text.split('\n');
    bool headerSeen = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray line = lines[n];
        if (line.endsWith('\r'))
            line.chop(1);
        const int number = int(n + 1);
        auto fail = [&](const QString& why) {
            *error = QStringLiteral("line %1: %2").arg(number).arg(why);
            return std::nullopt;
        };
        if (!headerSeen) {
            if (line.trimmed().isEmpty())
                continue;
            if (line.trimmed() != kCaptureHeader)
                return fail(QStringLiteral("not a korvane capture (it begins with \"%1\")").arg(QLatin1String(kCaptureHeader)));
            headerSeen = true;
            continue;
        }
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        CaptureEntry e;
        e.sourceLine = number;
        switch (line[0]) {
        case '<': e.kind = CaptureEntry::Kind::Received; break;
        case '>': e.kind = CaptureEntry::Kind::Sent; break;
        case '!': e.kind = CaptureEntry::Kind::Open; break;
        default: return fail(QStringLiteral("a line begins with <, > or !"));
        }
        if (line.size() < 3 || line[1] != ' ')
            return fail(QStringLiteral("the time is missing"));
        qsizetype end = line.indexOf(' ', 2);
        if (end < 0)
            end = line.size();
        bool ok = false;
        e.seconds = line.mid(2, end - 2).toDouble(&ok);
        if (!ok || !(e.seconds >= 0) || e.seconds > 1e9)
            return fail(QStringLiteral("\"%1\" is not a time in seconds").arg(QString::fromLatin1(line.mid(2, end - 2))));
        const QByteArray rest = end < line.size() ? line.mid(end + 1) : QByteArray();
        if (e.kind == CaptureEntry::Kind::Open) {
            const QByteArray word = rest.left(rest.indexOf(' ') < 0 ? rest.size() : rest.indexOf(' '));
            if (word == "open") {
                e.note = rest.mid(word.size()).trimmed();
            } else if (word == "close") {
                e.kind = CaptureEntry::Kind::Close;
            } else {
                return fail(QStringLiteral("a ! line says open or close"));
            }
        } else {
            QString why;
            const auto bytes = unescapeCaptureBytes(rest, &e.passwordAt, &why);
            if (!bytes)
                return fail(why);
            e.bytes = *bytes;
        }
        entries.append(std::move(e));
    }
    if (!headerSeen) {
        *error = QStringLiteral("the capture is empty");
        return std::nullopt;
    }
    return entries;
}

std::optional<QList<CaptureEntry>> loadCapture(const QString& fileName, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(fileName, file.errorString());
        return std::nullopt;
    }
    if (file.size() > kMaxCaptureFileBytes) {
        *error = QStringLiteral("%1: larger than %2 MB; not a capture").arg(fileName).arg(kMaxCaptureFileBytes >> 20);
        return std::nullopt;
    }
    QString why;
    auto entries = parseCapture(file.readAll(), &why);
    if (!entries)
        *error = QStringLiteral("%1: %2").arg(fileName, why);
    return entries;
}

CaptureWriter::CaptureWriter(QIODevice* out, std::function<QByteArray()> password)
    : out_(out)
    , password_(std::move(password))
{
    out_->write(QByteArray(kCaptureHeader) + '\n');
    out_->write("# < from the router, > keys to it, ! the monitor's connection; seconds from the start.\n");
}

CaptureWriter::~CaptureWriter()
{
    flush();
}

void CaptureWriter::received(double seconds, const QByteArray& bytes)
{
    add(CaptureEntry::Kind::Received, seconds, bytes);
}

void CaptureWriter::sent(double seconds, const QByteArray& keys)
{
    add(CaptureEntry::Kind::Sent, seconds, keys);
}

void CaptureWriter::opened(double seconds, const QByteArray& address)
{
    // A password is not split between two connections.
    flush();
    write({CaptureEntry::Kind::Open, seconds, {}, {}, address});
}

void CaptureWriter::closed(double seconds)
{
    flush();
    write({CaptureEntry::Kind::Close, seconds, {}, {}, {}});
}

void CaptureWriter::flush()
{
    streams_[0].held = streams_[1].held = 0;
    writeSettled(true);
}

void CaptureWriter::add(CaptureEntry::Kind kind, double seconds, const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    const int d = direction(kind);
    Stream& s = streams_[d];
    queue_.append({kind, seconds, bytes, QByteArray(bytes.size(), '\0'), {}, s.length});
    const QByteArray password = password_ ? password_() : QByteArray();
    if (password.isEmpty()) {
        s.length += bytes.size();
        s.held = 0;
        writeSettled(false);
        return;
    }

    // The window: the held bytes of this direction, then the new ones. Every
    // held byte still sits in a queued record.
    const qint64 windowStart = s.length - s.held;
    QByteArray window;
    for (const Record& r : queue_) {
        if (direction(r.kind) != d || r.streamStart + r.bytes.size() <= windowStart)
            continue;
        const qint64 from = std::max<qint64>(0, windowStart - r.streamStart);
        window += r.bytes.mid(from);
    }
    auto mark = [&](qint64 offset, char value) {
        for (Record& r : queue_) {
            if (direction(r.kind) == d && offset >= r.streamStart && offset < r.streamStart + r.bytes.size()) {
                r.masks[offset - r.streamStart] = value;
                return;
            }
        }
    };
    qsizetype searchFrom = 0;
    for (qsizetype at = window.indexOf(password); at >= 0; at = window.indexOf(password, searchFrom)) {
        for (qsizetype i = 0; i < password.size(); ++i)
            mark(windowStart + at + i, i == 0 ? 1 : 2);
        searchFrom = at + password.size();
    }
    // What may still become the password once more bytes come.
    int held = 0;
    for (qsizetype k = std::min(password.size() - 1, window.size() - searchFrom); k > 0; --k) {
        if (window.endsWith(QByteArrayView(password).first(k))) {
            held = int(k);
            break;
        }
    }
    s.length += bytes.size();
    s.held = held;
    writeSettled(false);
}

void CaptureWriter::writeSettled(bool all)
{
    qsizetype done = 0;
    for (; done < queue_.size(); ++done) {
        const Record& r = queue_[done];
        const Stream& s = streams_[direction(r.kind)];
        if (!all && r.streamStart + r.bytes.size() > s.length - s.held)
            break;
        write(r);
    }
    queue_.remove(0, done);
}

void CaptureWriter::write(const Record& r)
{
    QByteArray line;
    switch (r.kind) {
    case CaptureEntry::Kind::Received: line = "< "; break;
    case CaptureEntry::Kind::Sent: line = "> "; break;
    case CaptureEntry::Kind::Open:
    case CaptureEntry::Kind::Close: line = "! "; break;
    }
    line += QByteArray::number(std::max(0.0, r.seconds), 'f', 3);
    if (r.kind == CaptureEntry::Kind::Open)
        line += " open" + (r.note.isEmpty() ? QByteArray() : ' ' + escapeCaptureBytes(r.note));
    else if (r.kind == CaptureEntry::Kind::Close)
        line += " close";
    else
        line += ' ' + escapeCaptureBytes(r.bytes, r.masks);
    line += '\n';
    out_->write(line);
}

} // namespace prestige
