#include "tessen/screen.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

constexpr unsigned char kBackspace = 8;
constexpr unsigned char kLineFeed = 10;
constexpr unsigned char kCarriageReturn = 13;
constexpr unsigned char kEscape = 27;
constexpr unsigned char kIac = 255;
constexpr unsigned char kWill = 251;
constexpr unsigned char kDont = 254;

// Bytes that Parse must look at; everything else is stored as it comes.
constexpr std::array<bool, 256> makeSpecialTable()
{
    std::array<bool, 256> table{};
    table[kBackspace] = table[kLineFeed] = table[kCarriageReturn] = table[kEscape] = table[kIac] = true;
    return table;
}
constexpr std::array<bool, 256> kSpecial = makeSpecialTable();

constexpr bool isDigit(unsigned char b) { return b >= '0' && b <= '9'; }

int clampDimension(int value) { return std::clamp(value, 1, CTerminalScreen::kMaxDimension); }

// Value of a parameter already known to hold at most kMaxParameterDigits digits.
int parameterValue(const unsigned char* digits, std::size_t count)
{
    int value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value = value * 10 + (digits[i] - '0');
    return value;
}

// Copies n bytes, as memcpy does, with fixed-size moves the compiler makes
// in place: the router's fields are a few to a few dozen bytes long, and for
// them a library call costs more than the copy.
inline void copyCells(unsigned char* to, const unsigned char* from, std::size_t n)
{
    if (n >= 16) {
        if (n > 64) {
            std::memcpy(to, from, n);
            return;
        }
        // Overlapping 16-byte moves: the first and last cover any tail.
        std::size_t i = 0;
        for (; i + 16 < n; i += 16)
            std::memcpy(to + i, from + i, 16);
        std::memcpy(to + n - 16, from + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else {
        for (std::size_t i = 0; i < n; ++i)
            to[i] = from[i];
    }
}

}  // namespace

CTerminalScreen::CTerminalScreen(int rows, int columns)
    : rows_(clampDimension(rows)),
      columns_(clampDimension(columns)),
      cells_(new unsigned char[std::size_t(rows_) * std::size_t(columns_)])
{
    Clear();
}

void CTerminalScreen::Clear()
{
    std::memset(cells_.get(), ' ', std::size_t(rows_) * std::size_t(columns_));
    cursorRow_ = 1;
    cursorColumn_ = 1;
    ++paints_;
}

void CTerminalScreen::SetCursor(int row, int column)
{
    moveCursor(row, column);
}

void CTerminalScreen::EraseToEndOfLine()
{
    unsigned char* row = cells_.get() + std::size_t(cursorRow_ - 1) * std::size_t(columns_);
    std::memset(row + (cursorColumn_ - 1), ' ', std::size_t(columns_ - cursorColumn_ + 1));
}

void CTerminalScreen::ScrollUp()
{
    const std::size_t pitch = std::size_t(columns_);
    std::memmove(cells_.get(), cells_.get() + pitch, std::size_t(rows_ - 1) * pitch);
    std::memset(cells_.get() + std::size_t(rows_ - 1) * pitch, ' ', pitch);
}

void CTerminalScreen::lineFeed()
{
    if (cursorRow_ >= rows_) {
        ScrollUp();
        cursorRow_ = rows_;
    } else {
        ++cursorRow_;
    }
}

void CTerminalScreen::PutChar(unsigned char byte)
{
    if (byte == kCarriageReturn) {
        cursorColumn_ = 1;
    } else if (byte == kLineFeed) {
        lineFeed();
    } else {
        putRun(&byte, 1);
    }
}

void CTerminalScreen::putRun(const unsigned char* data, std::size_t size)
{
    while (size > 0) {
        const std::size_t room = std::size_t(columns_ - cursorColumn_ + 1);
        const std::size_t n = std::min(size, room);
        copyCells(cells_.get() + std::size_t(cursorRow_ - 1) * std::size_t(columns_) + std::size_t(cursorColumn_ - 1),
                  data, n);
        data += n;
        size -= n;
        // Wrapping is immediate: filling the last column moves to the next row at once.
        if (n == room) {
            cursorColumn_ = 1;
            lineFeed();
        } else {
            cursorColumn_ += int(n);
        }
    }
}

inline void CTerminalScreen::applySequence(unsigned char final, int first, int second, bool firstIsTwo)
{
    switch (final) {
    case 'H':
        moveCursor(first, second);  // 0 keeps the row or column
        break;
    case 'J':
        if (firstIsTwo)
            Clear();
        break;
    case 'K':
        EraseToEndOfLine();
        break;
    default:
        break;
    }
}

std::size_t CTerminalScreen::parseEscape(const unsigned char* data, std::size_t size)
{
    if (size < 2)
        return 0;
    if (data[1] != '[')
        return 2;  // ESC 7, ESC 8 and every other two-byte sequence: no effect

    std::size_t i = 2;
    const std::size_t first = i;
    while (i < size && isDigit(data[i]))
        ++i;
    const std::size_t firstLength = i - first;
    if (i == size)
        return 0;
    std::size_t second = i;
    std::size_t secondLength = 0;
    if (data[i] == ';') {
        second = ++i;
        while (i < size && isDigit(data[i]))
            ++i;
        secondLength = i - second;
        if (i == size)
            return 0;
    }
    const unsigned char final = data[i++];
    // A parameter longer than its storage makes the whole sequence meaningless.
    if (firstLength > std::size_t(kMaxParameterDigits) || secondLength > std::size_t(kMaxParameterDigits))
        return i;
    applySequence(final, parameterValue(data + first, firstLength), parameterValue(data + second, secondLength),
                  firstLength == 1 && data[first] == '2');
    return i;
}

std::size_t CTerminalScreen::parseSequenceInChunk(const unsigned char* p, const unsigned char* end)
{
    if (end - p < 3 || p[1] != '[')
        return 0;
    const unsigned char* q = p + 2;
    const unsigned char* const digitsEnd = std::min(end, q + kMaxParameterDigits + 1);
    int first = 0;
    const unsigned char* start = q;
    while (q < digitsEnd && isDigit(*q))
        first = first * 10 + (*q++ - '0');
    if (q == digitsEnd)
        return 0;  // cut, or a parameter too long: the careful path decides
    const bool firstIsTwo = q - start == 1 && *start == '2';
    int second = 0;
    if (*q == ';') {
        start = ++q;
        const unsigned char* const secondEnd = std::min(end, q + kMaxParameterDigits + 1);
        while (q < secondEnd && isDigit(*q))
            second = second * 10 + (*q++ - '0');
        if (q == secondEnd)
            return 0;
    }
    applySequence(*q++, first, second, firstIsTwo);
    return std::size_t(q - p);
}

std::size_t CTerminalScreen::skipTelnetCommand(const unsigned char* data, std::size_t size)
{
    if (size < 2)
        return 0;
    if (data[1] >= kWill && data[1] <= kDont)
        return size < 3 ? 0 : 3;  // a negotiation with its option byte
    return 2;  // any other command, IAC IAC included
}

void CTerminalScreen::keepPending(const unsigned char* data, std::size_t size)
{
    pendingSize_ = 0;
    auto keep = [this](unsigned char b) {
        if (pendingSize_ < kMaxPendingBytes)
            pending_[pendingSize_++] = b;
    };
    if (data[0] != kEscape || size < 2) {
        // IAC, IAC with a negotiation verb, or a lone ESC: at most two bytes.
        for (std::size_t i = 0; i < size && i < 2; ++i)
            keep(data[i]);
        return;
    }
    keep(data[0]);
    keep(data[1]);
    int digits = 0;
    for (std::size_t i = 2; i < size; ++i) {
        if (data[i] == ';') {
            keep(';');
            digits = 0;
        } else if (digits <= kMaxParameterDigits) {
            keep(data[i]);
            ++digits;
        }
    }
}

void CTerminalScreen::Parse(const char* chunk, std::size_t size)
{
    if (size == 0)
        return;
    const auto* data = reinterpret_cast<const unsigned char*>(chunk);
    if (pendingSize_ == 0) {
        parseBytes(data, size);
        return;
    }
    // A sequence was cut at the last chunk's end. With sequences every few
    // bytes that is most chunk borders: it is completed from the head of this
    // chunk in a small buffer, and the rest of the chunk parsed where it lies.
    unsigned char head[kMaxPendingBytes + 32];
    const std::size_t had = std::size_t(pendingSize_);
    std::memcpy(head, pending_, had);
    const std::size_t added = std::min(size, sizeof head - had);
    std::memcpy(head + had, data, added);
    pendingSize_ = 0;
    const std::size_t taken = head[0] == kIac ? skipTelnetCommand(head, had + added) : parseEscape(head, had + added);
    if (taken > had) {
        parseBytes(data + (taken - had), size - (taken - had));
    } else if (added == size) {
        keepPending(head, had + added);  // still cut: the chunk was shorter than the rest
    } else {
        // A sequence longer than the buffer (a run of digits no router
        // sends): parse its start and the whole chunk as one.
        QByteArray joined(reinterpret_cast<const char*>(head), qsizetype(had));
        joined.append(chunk, qsizetype(size));
        parseBytes(reinterpret_cast<const unsigned char*>(joined.constData()), std::size_t(joined.size()));
    }
}

void CTerminalScreen::parseBytes(const unsigned char* p, std::size_t size)
{
    const unsigned char* const end = p + size;
    while (p < end) {
        if (!kSpecial[*p]) {
            const unsigned char* run = p + 1;
            while (run < end && !kSpecial[*run])
                ++run;
            const std::size_t n = std::size_t(run - p);
            if (int(n) <= columns_ - cursorColumn_) {
                // Most runs end inside their row: no wrap to think of.
                copyCells(cells_.get() + std::size_t(cursorRow_ - 1) * std::size_t(columns_)
                              + std::size_t(cursorColumn_ - 1),
                          p, n);
                cursorColumn_ += int(n);
            } else {
                putRun(p, n);
            }
            p = run;
            continue;
        }
        std::size_t taken = 1;
        switch (*p) {
        case kBackspace:
            moveCursor(cursorRow_, cursorColumn_ - 1);
            break;
        case kCarriageReturn:
            cursorColumn_ = 1;
            break;
        case kLineFeed:
            lineFeed();
            break;
        case kIac:
            taken = skipTelnetCommand(p, std::size_t(end - p));
            break;
        default:  // ESC
            // Nearly every sequence lies whole inside its chunk: read it in
            // one pass; the careful path takes the rest, cut ones included.
            taken = parseSequenceInChunk(p, end);
            if (taken == 0)
                taken = parseEscape(p, std::size_t(end - p));
            break;
        }
        if (taken == 0) {
            keepPending(p, std::size_t(end - p));
            return;
        }
        p += taken;
    }
}

QByteArray CTerminalScreen::GetBuffer(int row, int column, int length) const
{
    if (length <= 0)
        return {};
    row = std::clamp(row, 1, rows_);
    column = std::clamp(column, 1, columns_);
    const qint64 start = qint64(row - 1) * columns_ + (column - 1);
    const qint64 available = qint64(rows_) * columns_ - start;
    const qint64 count = std::min<qint64>(length, available);
    return QByteArray(reinterpret_cast<const char*>(cells_.get()) + start, qsizetype(count));
}

bool CTerminalScreen::Find(const QByteArray& text, int& row, int& column) const
{
    row = 0;
    column = 0;
    const std::size_t total = std::size_t(rows_) * std::size_t(columns_);
    const auto* cells = reinterpret_cast<const char*>(cells_.get());
    const void* zero = std::memchr(cells, 0, total);
    const std::size_t searchable = zero ? std::size_t(static_cast<const char*>(zero) - cells) : total;
    const std::string_view haystack(cells, searchable);
    const std::size_t at = haystack.find(std::string_view(text.constData(), std::size_t(text.size())));
    if (at == std::string_view::npos)
        return false;
    row = int(at / std::size_t(columns_)) + 1;
    column = int(at % std::size_t(columns_)) + 1;
    return true;
}

QByteArray CTerminalScreen::Text() const
{
    const qsizetype pitch = columns_ + 2;
    QByteArray text(pitch * rows_, Qt::Uninitialized);
    char* out = text.data();
    const auto* cells = reinterpret_cast<const char*>(cells_.get());
    for (int r = 0; r < rows_; ++r) {
        std::memcpy(out, cells + qsizetype(r) * columns_, std::size_t(columns_));
        out[columns_] = '\r';
        out[columns_ + 1] = '\n';
        out += pitch;
    }
    return text;
}
