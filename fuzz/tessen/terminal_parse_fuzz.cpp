// Parse on arbitrary bytes, cut into chunks by the input's first byte, with
// the screen's invariants checked after every chunk, the result compared
// with the whole input parsed at once, and its readers driven
// with coordinates taken from the input.

#include "tessen/screen.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkInvariants(const CTerminalScreen& screen)
{
    check(screen.CursorRow() >= 1 && screen.CursorRow() <= screen.Rows());
    check(screen.CursorColumn() >= 1 && screen.CursorColumn() <= screen.Columns());
    const QByteArray text = screen.Text();
    check(text.size() == qsizetype(screen.Rows()) * (screen.Columns() + 2));
    for (int r = 0; r < screen.Rows(); ++r)
        check(text[r * 82 + 80] == '\r' && text[r * 82 + 81] == '\n');
}

int signedByte(const uint8_t* data, size_t size, size_t index, int scale)
{
    return index < size ? (int(data[index]) - 128) * scale : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses the chunk size: 0 means the whole input at once.
    const size_t chunk = data[0] == 0 ? size : data[0];
    const auto* bytes = reinterpret_cast<const char*>(data + 1);
    const size_t length = size - 1;

    CTerminalScreen screen(24, 80);
    for (size_t at = 0; at < length; at += chunk) {
        screen.Parse(bytes + at, std::min(chunk, length - at));
        checkInvariants(screen);
    }

    // However the stream was cut, the screen is the one the whole stream paints.
    CTerminalScreen whole(24, 80);
    whole.Parse(bytes, length);
    check(whole.Text() == screen.Text());
    check(whole.CursorRow() == screen.CursorRow() && whole.CursorColumn() == screen.CursorColumn());
    check(screen.Pending().size() <= CTerminalScreen::kMaxPendingBytes);

    const int row = signedByte(data, size, 1, 1);
    const int column = signedByte(data, size, 2, 1);
    const int count = signedByte(data, size, 3, 20);
    const QByteArray run = screen.GetBuffer(row, column, count);
    check(run.size() <= 1920 && (count > 0 || run.isEmpty()));

    int foundRow = -1;
    int foundColumn = -1;
    const QByteArray needle(bytes, qsizetype(std::min<size_t>(length, 6)));
    if (screen.Find(needle, foundRow, foundColumn)) {
        check(foundRow >= 1 && foundRow <= 24 && foundColumn >= 1 && foundColumn <= 80);
        const QByteArray there = screen.GetBuffer(foundRow, foundColumn, int(needle.size()));
        check(needle.isEmpty() || there == needle);
    } else {
        check(foundRow == 0 && foundColumn == 0);
    }
    return 0;
}
