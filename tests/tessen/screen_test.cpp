#include "tessen/screen.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// One case of the screen language: chunks fed in order from a given cursor,
// then cells expected at positions and the cursor.
struct Case {
    const char* name;
    std::vector<QByteArray> chunks;
    int startRow, startColumn;
    std::vector<std::tuple<int, int, QByteArray>> cells;
    int row, column;
};

QByteArray bytes(const char* text, int size) { return QByteArray(text, size); }

}  // namespace

TEST(ScreenTest, NewScreenIsBlankWithTheFixedTextForm)
{
    CTerminalScreen s;
    EXPECT_EQ(s.Rows(), 24);
    EXPECT_EQ(s.Columns(), 80);
    EXPECT_EQ(s.CursorRow(), 1);
    EXPECT_EQ(s.CursorColumn(), 1);
    QByteArray expected;
    for (int r = 0; r < 24; ++r)
        expected += QByteArray(80, ' ') + "\r\n";
    EXPECT_EQ(s.Text(), expected);
}

TEST(ScreenTest, TheScreenLanguage)
{
    const QByteArray line(80, 'x');
    const Case cases[] = {
        {"text CR LF", {"AB\r\n"}, 1, 1, {{1, 1, "AB "}}, 2, 1},
        {"LF keeps the column", {"ab\nc"}, 1, 1, {{2, 3, "c"}}, 2, 4},
        {"CR keeps the row", {"abc\rX"}, 1, 1, {{1, 1, "Xbc"}}, 1, 2},
        {"wrap is immediate", {"z"}, 5, 80, {{5, 80, "z"}}, 6, 1},
        {"bottom row scrolls after the 80th byte", {line}, 24, 1, {{23, 1, line}, {24, 1, QByteArray(80, ' ')}}, 24, 1},
        {"LF on the last row scrolls", {"top\x1b[24;1Hbot\n"}, 1, 1, {{1, 1, "   "}, {23, 1, "bot"}}, 24, 4},
        {"backspace moves left without erasing", {"abc\b\bX"}, 1, 1, {{1, 1, "aXc"}}, 1, 3},
        {"backspace stops at column 1", {"\b\b"}, 3, 1, {}, 3, 1},
        {"control and high bytes are stored", {bytes("\t\x07\x80\xfe\0", 5)}, 1, 1, {{1, 1, bytes("\t\x07\x80\xfe\0", 5)}}, 1, 6},
        {"ESC [ r ; c H", {"\x1b[10;20H"}, 3, 4, {}, 10, 20},
        {"ESC [ 0 ; 0 H keeps the cursor", {"\x1b[0;0H"}, 3, 4, {}, 3, 4},
        {"ESC [ H keeps the cursor", {"\x1b[H\x1b[;H"}, 3, 4, {}, 3, 4},
        {"ESC [ r H keeps the column", {"\x1b[5H"}, 3, 4, {}, 5, 4},
        {"ESC [ ; c H keeps the row", {"\x1b[;7H"}, 3, 4, {}, 3, 7},
        {"positions are clamped", {"\x1b[30;100H"}, 3, 4, {}, 24, 80},
        {"seven digits are a parameter", {"\x1b[0000012;9999999H"}, 3, 4, {}, 12, 80},
        {"eight digits void the sequence", {"\x1b[00000012;3H"}, 3, 4, {{3, 4, " "}}, 3, 4},
        {"ESC [ 2 J clears and homes", {"gone\x1b[2J"}, 5, 6, {{5, 6, "    "}}, 1, 1},
        {"other J parameters do nothing", {"keep\x1b[J\x1b[0J\x1b[02J\x1b[22J"}, 5, 1, {{5, 1, "keep"}}, 5, 5},
        {"ESC [ K erases to the end of the line", {QByteArray(80, 'y') + "\x1b[5;78H\x1b[1K"}, 5, 1,
         {{5, 76, "yy   "}}, 5, 78},
        {"ESC 7 and ESC 8 do nothing", {"\x1b" "7\x1b" "8\x1b" "c\x1b[m"}, 4, 4, {{4, 4, " "}}, 4, 4},
        {"a third parameter ends at the second ;", {"\x1b[1;2;3H"}, 4, 1, {{4, 1, "3H"}}, 4, 3},
        {"a private marker ends at ?", {"\x1b[?25l"}, 4, 1, {{4, 1, "25l"}}, 4, 4},
        {"telnet commands leave no trace", {bytes("ab\xff\xfd\x18" "cd\xff\xff" "ef\xff\xf1g", 14)}, 1, 1,
         {{1, 1, "abcdefg "}}, 1, 8},
        {"subnegotiation payload is text", {bytes("\xff\xfa\x18xy\xff\xf0", 7)}, 1, 1, {{1, 1, "\x18xy "}}, 1, 4},
        // A sequence cut at a chunk's end is completed by the next chunk.
        {"IAC WILL cut before its option", {bytes("\xff\xfb", 2), "\x01"}, 1, 1, {{1, 1, " "}}, 1, 1},
        {"IAC and ESC at a chunk's end take the next byte", {bytes("A\xff", 2), "B\x1b", "C"}, 1, 1, {{1, 1, "A "}}, 1, 2},
        {"a cut position is completed", {"\x1b[10;", "20H", "\x1b[", "\x1b[12"}, 2, 2, {{10, 20, "[12 "}}, 10, 23},
        {"a cut at every byte", {"\x1b", "[", "1", "2", ";", "3", "4", "H", "x"}, 1, 1, {{12, 34, "x"}}, 12, 35},
        {"a long run cut in pieces voids the sequence", {"\x1b[1234", "56789", "0;5", "H", "y"}, 3, 3, {{3, 3, "y"}}, 3, 4},
        {"a long run then a second ; ends the sequence", {"\x1b[123456789", ";1", ";2H"}, 3, 3, {{3, 3, "2H"}}, 3, 5},
    };
    for (const Case& c : cases) {
        CTerminalScreen s;
        s.SetCursor(c.startRow, c.startColumn);
        for (const QByteArray& chunk : c.chunks)
            s.Parse(chunk);
        for (const auto& [row, column, text] : c.cells)
            EXPECT_EQ(s.GetBuffer(row, column, int(text.size())), text) << c.name << " at " << row << "," << column;
        EXPECT_EQ(s.CursorRow(), c.row) << c.name;
        EXPECT_EQ(s.CursorColumn(), c.column) << c.name;
    }
}

// Any split of a stream paints what the whole stream paints: the router's
// repaints cut by TCP at random places, with telnet commands and odd
// sequences among them.
TEST(ScreenTest, AnyChunkingGivesTheScreenOfTheWholeStream)
{
    QByteArray stream;
    stream += "\x1b[2J\x1b[1;1H";
    for (int round = 0; round < 40; ++round) {
        stream += "\x1b[1;1H";
        for (int row = 1; row <= 22; ++row) {
            stream += "\x1b[" + QByteArray::number(row) + ";1H";
            stream += "Menu 24.1 - System Maintenance - Status row " + QByteArray::number(row * round) + "\x1b[K";
        }
        stream += QByteArray("\xff\xfd\x18\xff\xff\xff\xfb\x01\xff\xf1", 10);
        stream += "\x1b[00000012;9999999H\x1b[123456789;3H\x1b[1;2;3H\x1b[?25l\x1b" "7\x1b" "8\b\b\r\n";
        stream += "\x1b[22;" + QByteArray::number(round % 2 ? 47 : 49) + "H";
        // A parameter longer than any buffer a cut sequence is completed in.
        stream += "\x1b[" + QByteArray(40 + round, '0') + "5;7Hx";
    }
    CTerminalScreen whole;
    whole.Parse(stream);

    std::mt19937 random(20261209);
    for (int trial = 0; trial < 300; ++trial) {
        const int largest = trial < 100 ? 8 : trial < 200 ? 64 : 1460;
        std::uniform_int_distribution<int> size(1, largest);
        CTerminalScreen cut;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype n = std::min<qsizetype>(size(random), stream.size() - at);
            cut.Parse(stream.constData() + at, std::size_t(n));
            at += n;
        }
        ASSERT_EQ(cut.Text(), whole.Text()) << "trial " << trial;
        ASSERT_EQ(std::pair(cut.CursorRow(), cut.CursorColumn()), std::pair(whole.CursorRow(), whole.CursorColumn()))
            << "trial " << trial;
    }
}

TEST(ScreenTest, WhatACutSequenceKeepsIsBounded)
{
    CTerminalScreen s;
    s.Parse(QByteArray("\x1b[") + QByteArray(100000, '7'));
    EXPECT_LE(s.Pending().size(), CTerminalScreen::kMaxPendingBytes);
    s.Parse(QByteArray(100000, '3') + ";" + QByteArray(50000, '1'));
    EXPECT_LE(s.Pending().size(), CTerminalScreen::kMaxPendingBytes);
    s.Parse("Hz");  // voided: the runs were too long
    EXPECT_EQ(s.GetBuffer(1, 1, 2), QByteArray("z "));
    EXPECT_TRUE(s.Pending().isEmpty());
}

TEST(ScreenTest, GetBufferClampsItsArguments)
{
    CTerminalScreen s;
    s.Parse(QByteArray("\x1b[1;1H") + QByteArray(80, '1') + QByteArray(80, '2'));
    s.Parse(QByteArray("\x1b[24;1H") + QByteArray(79, 'L'));
    EXPECT_EQ(s.GetBuffer(24, 80, 10), QByteArray(" "));  // the run stops at the bottom-right cell
    EXPECT_EQ(s.GetBuffer(24, 1, 100), QByteArray(79, 'L') + " ");
    EXPECT_EQ(s.GetBuffer(0, 0, 5), QByteArray(5, '1'));
    EXPECT_EQ(s.GetBuffer(-3, 200, 2), QByteArray("12"));  // row 1, column 80, then row 2
    EXPECT_EQ(s.GetBuffer(1, 1, 160), QByteArray(80, '1') + QByteArray(80, '2'));
    for (int length : {0, -5, INT_MIN})
        EXPECT_TRUE(s.GetBuffer(1, 1, length).isEmpty()) << length;
    EXPECT_EQ(s.GetBuffer(1, 1, INT_MAX).size(), 1920);
}

TEST(ScreenTest, FindSearchesTheCellsAsOneRunUpToTheFirstZero)
{
    CTerminalScreen s;
    s.Parse(QByteArray("\x1b[2;6HMenu\x1b[3;78HspanRow"));
    int r = -1, c = -1;
    EXPECT_TRUE(s.Find("Menu", r, c));  // cell index 85
    EXPECT_EQ(std::pair(r, c), std::pair(2, 6));
    EXPECT_TRUE(s.Find("spanRow", r, c));
    EXPECT_EQ(std::pair(r, c), std::pair(3, 78));
    EXPECT_FALSE(s.Find("menu", r, c));  // case matters
    EXPECT_EQ(std::pair(r, c), std::pair(0, 0));
    EXPECT_TRUE(s.Find("", r, c));
    EXPECT_EQ(std::pair(r, c), std::pair(1, 1));

    s.Parse(QByteArray("\x1b[5;1H\0after", 12));
    EXPECT_TRUE(s.Find("span", r, c));
    EXPECT_FALSE(s.Find("after", r, c));
}

TEST(ScreenTest, GeometryIsClampedSoTheCellsAlwaysExist)
{
    CTerminalScreen tiny(0, -4);
    EXPECT_EQ(std::pair(tiny.Rows(), tiny.Columns()), std::pair(1, 1));
    tiny.Parse(QByteArray("abc\x1b[5;5H\n"));
    EXPECT_EQ(tiny.GetBuffer(1, 1, 9), QByteArray(" "));  // every write scrolls a 1 x 1 grid
    EXPECT_EQ(CTerminalScreen(1 << 30, 3).Rows(), CTerminalScreen::kMaxDimension);
}
