#pragma once
// The terminal control's character screen: a fixed grid of one-byte cells with
// a cursor, fed with each received chunk and read by fixed positions.
//
// It understands only what the router's menus use: cursor positioning, clear
// screen, erase to end of line, CR, LF and backspace. Telnet commands in the
// stream are skipped. TCP may cut the stream anywhere: an escape sequence or
// telnet command cut at a chunk's end is kept and completed by the next
// chunk, so any split of a stream paints exactly the screen the whole stream
// paints at once.

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <algorithm>
#include <memory>

class CTerminalScreen {
public:
    // Geometry outside 1..kMaxDimension is clamped into it so that the cell
    // array always exists and its size cannot overflow.
    static constexpr int kMaxDimension = 1024;
    // Parameters longer than this make the sequence ignored.
    static constexpr int kMaxParameterDigits = 7;
    // The most a cut sequence keeps until the next chunk: ESC [, two
    // parameters of one digit more than counts (a longer run voids the
    // sequence just the same) and the ";".
    static constexpr int kMaxPendingBytes = 2 + 2 * (kMaxParameterDigits + 1) + 1;

    CTerminalScreen(int rows = 24, int columns = 80);
    CTerminalScreen(const CTerminalScreen&) = delete;
    CTerminalScreen& operator=(const CTerminalScreen&) = delete;

    void Clear();
    void SetCursor(int row, int column);
    void EraseToEndOfLine();
    void ScrollUp();
    void PutChar(unsigned char byte);

    void Parse(const char* data, std::size_t size);
    void Parse(const QByteArray& chunk) { Parse(chunk.constData(), std::size_t(chunk.size())); }

    // A run of cells from (row, column) in row-major order, stopping at the
    // bottom-right cell. Coordinates are clamped; a length of 0 or less gives
    // an empty run.
    QByteArray GetBuffer(int row, int column, int length) const;
    // The first occurrence of text in the cells read as one run (rows run into
    // each other), up to the first cell holding 0. Row and column are 0 when
    // not found; an empty text is found at (1, 1).
    bool Find(const QByteArray& text, int& row, int& column) const;

    // Every row followed by CR LF: 24 x 82 = 1,968 bytes with the usual geometry.
    QByteArray Text() const;

    // Paints begun: clears, and moves from the lower half of the screen to
    // the upper one. A host that reads the screen after every chunk counts
    // one paint once, however it arrived.
    quint64 Paints() const { return paints_; }

    int CursorRow() const { return cursorRow_; }
    int CursorColumn() const { return cursorColumn_; }
    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    const unsigned char* Cells() const { return cells_.get(); }
    // The start of a sequence cut at the last chunk's end, waiting for the rest.
    QByteArray Pending() const { return QByteArray(reinterpret_cast<const char*>(pending_), pendingSize_); }

private:
    // SetCursor, made in place where the parser moves the cursor.
    void moveCursor(int row, int column)
    {
        const int before = cursorRow_;
        if (row > 0)
            cursorRow_ = row;
        if (column > 0)
            cursorColumn_ = column;
        cursorRow_ = std::clamp(cursorRow_, 1, rows_);
        // A repaint starts where the cursor leaves its resting place at the
        // foot of the screen for the top half, whether the router repaints it
        // all or only the fields that changed.
        if (2 * cursorRow_ <= rows_ && 2 * before > rows_)
            ++paints_;
        cursorColumn_ = std::clamp(cursorColumn_, 1, columns_);
    }
    void lineFeed();
    // Writes a run of ordinary bytes, none of them CR or LF, as PutChar would.
    void putRun(const unsigned char* data, std::size_t size);
    // What a CSI sequence does, by its final byte and its two parameters
    // (0 when not given); firstIsTwo: the first parameter is the digit 2.
    void applySequence(unsigned char final, int first, int second, bool firstIsTwo);
    // Interprets the escape sequence starting at data[0] == ESC; returns the
    // number of bytes it takes up, or 0 when the data ends before it does.
    std::size_t parseEscape(const unsigned char* data, std::size_t size);
    // The same for a CSI sequence that lies whole before end, in one pass;
    // 0 when it does not (cut, or a parameter too long).
    std::size_t parseSequenceInChunk(const unsigned char* p, const unsigned char* end);
    // Interprets the telnet command starting at data[0] == IAC, the same way.
    static std::size_t skipTelnetCommand(const unsigned char* data, std::size_t size);
    void parseBytes(const unsigned char* data, std::size_t size);
    // Keeps the unfinished sequence at the end of a chunk, its digit runs cut
    // to one digit more than a parameter holds.
    void keepPending(const unsigned char* data, std::size_t size);

    int rows_;
    int columns_;
    int cursorRow_ = 1;
    int cursorColumn_ = 1;
    std::unique_ptr<unsigned char[]> cells_;
    unsigned char pending_[kMaxPendingBytes] = {};
    int pendingSize_ = 0;
    quint64 paints_ = 0;
};
