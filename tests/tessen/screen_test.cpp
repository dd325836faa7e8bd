#include "tessen/screen.h"

#include <gtest/gtest.h>

namespace {

QByteArray row(const CTerminalScreen& s, int r) { return s.GetBuffer(r, 1, s.Columns()); }

QByteArray padded(const char* text, int width = 80)
{
    QByteArray out(text);
    out.append(QByteArray(width - out.size(), ' '));
    return out;
}

struct Cursor {
    int row;
    int column;
};

Cursor cursor(const CTerminalScreen& s) { return {s.CursorRow(), s.CursorColumn()}; }

void expectCursor(const CTerminalScreen& s, int r, int c)
{
    EXPECT_EQ(s.CursorRow(), r);
    EXPECT_EQ(s.CursorColumn(), c);
}

}  // namespace

TEST(ScreenTest, NewScreenIsBlankWithTheFixedTextForm)
{
    CTerminalScreen s;
    EXPECT_EQ(s.Rows(), 24);
    EXPECT_EQ(s.Columns(), 80);
    expectCursor(s, 1, 1);
    const QByteArray text = s.Text();
    ASSERT_EQ(text.size(), 1968);
    for (int r = 0; r < 24; ++r) {
        EXPECT_EQ(text.mid(r * 82, 80), QByteArray(80, ' '));
        EXPECT_EQ(text.mid(r * 82 + 80, 2), QByteArray("\r\n"));
    }
}

TEST(ScreenTest, TextCarriageReturnAndLineFeed)
{
    CTerminalScreen s;
    s.Parse(QByteArray("AB\r\n"));
    EXPECT_EQ(row(s, 1), padded("AB"));
    expectCursor(s, 2, 1);

    // A line feed alone keeps the column; a carriage return alone keeps the row.
    s.Parse(QByteArray("xyz\nQ"));
    EXPECT_EQ(row(s, 2), padded("xyz"));
    EXPECT_EQ(row(s, 3), padded("   Q"));
    s.Parse(QByteArray("\rW"));
    EXPECT_EQ(row(s, 3), padded("W  Q"));
    expectCursor(s, 3, 2);
}

TEST(ScreenTest, WrappingIsImmediateAndTheBottomRowScrolls)
{
    CTerminalScreen s;
    s.Parse(QByteArray("top"));
    s.SetCursor(24, 1);
    const QByteArray line(80, 'x');
    s.Parse(line);
    // The 80th byte scrolls at once: the text is now in row 23.
    EXPECT_EQ(row(s, 23), line);
    EXPECT_EQ(row(s, 24), QByteArray(80, ' '));
    EXPECT_EQ(row(s, 1), QByteArray(80, ' '));  // "top" scrolled away
    expectCursor(s, 24, 1);

    // Writing into the last column of a middle row moves to the next row.
    s.SetCursor(5, 80);
    s.PutChar('z');
    expectCursor(s, 6, 1);
    EXPECT_EQ(s.GetBuffer(5, 80, 1), QByteArray("z"));
}

TEST(ScreenTest, LineFeedOnTheLastRowScrollsAndKeepsTheColumn)
{
    CTerminalScreen s;
    s.Parse(QByteArray("first\r\nsecond"));
    s.SetCursor(24, 1);
    s.Parse(QByteArray("bottom"));
    s.Parse(QByteArray("\n"));
    EXPECT_EQ(row(s, 1), padded("second"));
    EXPECT_EQ(row(s, 23), padded("bottom"));
    EXPECT_EQ(row(s, 24), QByteArray(80, ' '));
    expectCursor(s, 24, 7);
}

TEST(ScreenTest, BackspaceMovesLeftWithoutErasingAndStopsAtColumnOne)
{
    CTerminalScreen s;
    s.Parse(QByteArray("abc\b\bX"));
    EXPECT_EQ(row(s, 1), padded("aXc"));
    expectCursor(s, 1, 3);
    s.Parse(QByteArray("\r\b\b"));
    expectCursor(s, 1, 1);
    EXPECT_EQ(row(s, 1), padded("aXc"));
}

TEST(ScreenTest, ControlBytesAndHighBytesAreStoredAsTheyCome)
{
    CTerminalScreen s;
    s.Parse(QByteArray("\t\x07\x80\xfe", 4));
    EXPECT_EQ(s.GetBuffer(1, 1, 4), QByteArray("\t\x07\x80\xfe", 4));
    expectCursor(s, 1, 5);
    s.Parse(QByteArray("\0", 1));
    EXPECT_EQ(s.GetBuffer(1, 5, 1), QByteArray(1, '\0'));
}

TEST(ScreenTest, CursorPositioning)
{
    struct Case {
        const char* bytes;
        Cursor expected;
    };
    const Case cases[] = {
        {"\x1b[10;20H", {10, 20}}, {"\x1b[0;0H", {3, 4}},   {"\x1b[H", {3, 4}},     {"\x1b[;H", {3, 4}},
        {"\x1b[5H", {5, 4}},       {"\x1b[;7H", {3, 7}},    {"\x1b[30;100H", {24, 80}}, {"\x1b[99;99H", {24, 80}},
        {"\x1b[0000012;0000003H", {12, 3}}, {"\x1b[00000012;3H", {3, 4}},  // over 7 digits: ignored
        {"\x1b[9999999;9999999H", {24, 80}},
    };
    for (const Case& c : cases) {
        CTerminalScreen s;
        s.SetCursor(3, 4);
        s.Parse(QByteArray(c.bytes));
        EXPECT_EQ(cursor(s).row, c.expected.row) << c.bytes + 1;
        EXPECT_EQ(cursor(s).column, c.expected.column) << c.bytes + 1;
        EXPECT_EQ(row(s, 1), QByteArray(80, ' ')) << "nothing written for " << c.bytes + 1;
    }
}

TEST(ScreenTest, ClearScreenOnlyForTheParameterTwo)
{
    for (const char* ignored : {"\x1b[J", "\x1b[0J", "\x1b[02J", "\x1b[1J", "\x1b[22J"}) {
        CTerminalScreen s;
        s.Parse(QByteArray("keep\x1b[5;6H"));
        s.Parse(QByteArray(ignored));
        EXPECT_EQ(row(s, 1), padded("keep")) << ignored + 1;
        expectCursor(s, 5, 6);
    }
    CTerminalScreen s;
    s.Parse(QByteArray("gone\x1b[5;6Hgone"));
    s.Parse(QByteArray("\x1b[2J"));
    EXPECT_EQ(s.Text(), CTerminalScreen().Text());
    expectCursor(s, 1, 1);
}

TEST(ScreenTest, EraseToEndOfLineWhateverTheParameter)
{
    for (const char* erase : {"\x1b[K", "\x1b[1K", "\x1b[2;5K"}) {
        CTerminalScreen s;
        s.SetCursor(5, 1);
        s.Parse(QByteArray(80, 'y'));
        s.Parse(QByteArray("\x1b[5;78H"));
        s.Parse(QByteArray(erase));
        EXPECT_EQ(row(s, 5), QByteArray(77, 'y') + "   ") << erase + 1;
        expectCursor(s, 5, 78);
    }
}

TEST(ScreenTest, UnknownAndSaveRestoreSequencesDoNothingButEndWhereTheySay)
{
    CTerminalScreen s;
    s.SetCursor(4, 4);
    s.Parse(QByteArray("\x1b" "7\x1b" "8\x1b" "c\x1b[m"));
    expectCursor(s, 4, 4);
    EXPECT_EQ(row(s, 4), QByteArray(80, ' '));

    // A third parameter ends the sequence at the second ";": the rest is text.
    s.Parse(QByteArray("\x1b[1;2;3H"));
    EXPECT_EQ(row(s, 4), padded("   3H"));
    // A private marker ends it at "?".
    s.Parse(QByteArray("\r\n\x1b[?25l"));
    EXPECT_EQ(row(s, 5), padded("25l"));
}

TEST(ScreenTest, TelnetCommandsLeaveNoTrace)
{
    CTerminalScreen s;
    s.Parse(QByteArray("ab\xff\xfd\x18" "cd\xff\xff" "ef\xff\xf1g", 14));
    EXPECT_EQ(row(s, 1), padded("abcdefg"));
    // Subnegotiation payload is written as ordinary bytes.
    s.Parse(QByteArray("\r\n\xff\xfa\x18xy\xff\xf0", 8));
    EXPECT_EQ(row(s, 2), padded("\x18xy"));
}

TEST(ScreenTest, EachChunkIsInterpretedOnItsOwn)
{
    // IAC WILL at a chunk's end: the option byte opens the next chunk as text.
    CTerminalScreen s;
    s.Parse(QByteArray("\xff\xfb", 2));
    s.Parse(QByteArray("\x01", 1));
    EXPECT_EQ(s.GetBuffer(1, 1, 1), QByteArray("\x01"));
    expectCursor(s, 1, 2);

    // A lone IAC or ESC at the end is dropped.
    s.Parse(QByteArray("A\xff", 2));
    s.Parse(QByteArray("B\x1b"));
    EXPECT_EQ(row(s, 1), padded("\x01" "AB"));

    // A cut control sequence is dropped; its remainder is text in the next chunk.
    CTerminalScreen t;
    t.SetCursor(2, 2);
    t.Parse(QByteArray("\x1b[10;"));
    expectCursor(t, 2, 2);
    t.Parse(QByteArray("20H"));
    EXPECT_EQ(row(t, 2), padded(" 20H"));
    t.Parse(QByteArray("\x1b["));
    t.Parse(QByteArray("\x1b[12"));
    expectCursor(t, 2, 5);

    // The same bytes in one chunk do move the cursor.
    CTerminalScreen u;
    u.Parse(QByteArray("\x1b[10;20H"));
    expectCursor(u, 10, 20);
}

TEST(ScreenTest, GetBufferClampsItsArguments)
{
    CTerminalScreen s;
    s.Parse(QByteArray("\x1b[2;1H") + QByteArray(80, '2') + QByteArray(80, '3'));
    // Writing the bottom-right cell scrolls at once, so the row lands in 23.
    s.Parse(QByteArray("\x1b[24;1H") + QByteArray(79, 'L') + "R");
    s.Parse(QByteArray("\x1b[24;1H") + QByteArray(79, 'B'));
    EXPECT_EQ(s.GetBuffer(23, 80, 1), QByteArray("R"));
    EXPECT_EQ(s.GetBuffer(24, 80, 10), QByteArray(" "));
    EXPECT_EQ(s.GetBuffer(24, 1, 100), QByteArray(79, 'B') + " ");
    EXPECT_EQ(s.GetBuffer(0, 0, 5), QByteArray(5, '2'));
    EXPECT_EQ(s.GetBuffer(-3, 200, 2), QByteArray("23"));  // row 1, column 80 onward
    // After the scroll the 2s and 3s sit in rows 1 and 2; row 1 is read from (0, 0).
    EXPECT_EQ(s.GetBuffer(1, 1, 160), QByteArray(80, '2') + QByteArray(80, '3'));
    EXPECT_EQ(s.GetBuffer(99, 99, 3), QByteArray(" "));
    EXPECT_TRUE(s.GetBuffer(1, 1, 0).isEmpty());
    EXPECT_TRUE(s.GetBuffer(1, 1, -5).isEmpty());
    EXPECT_TRUE(s.GetBuffer(1, 1, INT_MIN).isEmpty());
    EXPECT_EQ(s.GetBuffer(1, 1, INT_MAX).size(), 1920);
}

TEST(ScreenTest, FindSearchesTheCellsAsOneRun)
{
    CTerminalScreen s;
    s.Parse(QByteArray("\x1b[2;6HMenu"));
    int r = -1, c = -1;
    EXPECT_TRUE(s.Find("Menu", r, c));
    EXPECT_EQ(r, 2);
    EXPECT_EQ(c, 6);  // cell index 85

    s.Parse(QByteArray("\x1b[3;78HspanRow"));
    EXPECT_TRUE(s.Find("spanRow", r, c));
    EXPECT_EQ(r, 3);
    EXPECT_EQ(c, 78);

    EXPECT_FALSE(s.Find("menu", r, c));  // case matters
    EXPECT_EQ(r, 0);
    EXPECT_EQ(c, 0);

    EXPECT_TRUE(s.Find("", r, c));
    EXPECT_EQ(r, 1);
    EXPECT_EQ(c, 1);
}

TEST(ScreenTest, FindStopsAtTheFirstZeroCell)
{
    CTerminalScreen s;
    s.Parse(QByteArray("\x1b[5;1Hbefore"));
    s.Parse(QByteArray("\x1b[6;1H\0after", 12));
    int r = 0, c = 0;
    EXPECT_TRUE(s.Find("before", r, c));
    EXPECT_FALSE(s.Find("after", r, c));
    EXPECT_EQ(r, 0);
}

TEST(ScreenTest, OversizedGeometryIsClampedSoTheCellsAlwaysExist)
{
    CTerminalScreen tiny(0, -4);
    EXPECT_EQ(tiny.Rows(), 1);
    EXPECT_EQ(tiny.Columns(), 1);
    tiny.Parse(QByteArray("abc\x1b[5;5H\n"));
    EXPECT_EQ(tiny.GetBuffer(1, 1, 9), QByteArray(" "));  // every write scrolls a 1 x 1 grid
    expectCursor(tiny, 1, 1);
    CTerminalScreen huge(1 << 30, 1 << 30);
    EXPECT_EQ(huge.Rows(), CTerminalScreen::kMaxDimension);
}
