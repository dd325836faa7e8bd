// The painted screens as the monitor's terminal screen sees them: the bytes
// rebuild the grid exactly, the cursor stands where the driver looks for it,
// and each screen carries its own marker text and nobody else's.
#include "tessen/screen.h"
#include "tests/prestige-sim/qt_print.h"
#include "tools/prestige-sim/screens.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace prestige;

namespace {

RouterState busyState()
{
    RouterState s(7);
    s.setPendingLanPacket(QByteArray::fromHex("FFFF002E0004000000020000FFFFFFFF0452000000010000C54E217B400500010004"), true);
    CallSpec data;
    data.line = 1;
    data.channel = 2;
    data.number = QStringLiteral("5551234");
    data.node = QStringLiteral("Headoffice1");
    data.peerIp = QStringLiteral("172.16.200.254");
    EXPECT_TRUE(s.startCall(data));
    CallSpec voice;
    voice.line = 2;
    voice.channel = 1;
    voice.direction = Direction::In;
    voice.kind = CallKind::Voice;
    voice.number = QStringLiteral("+4930123456789");
    EXPECT_TRUE(s.startCall(voice));
    s.setLoad(1, 100);
    for (int i = 0; i < 4000; ++i)
        s.advance();
    LineState pinned = s.line(1); // the load jitters; pin the painted value
    pinned.utilization = 100;
    s.setLine(1, pinned);
    return s;
}

QByteArray feed(const QByteArray& bytes, CTerminalScreen& screen)
{
    screen.Parse(bytes);
    return screen.Text();
}

struct Expect {
    ScreenId id;
    int row;
    int column;
    const char* marker;
};

const Expect kScreens[] = {
    {ScreenId::MainMenu, 21, 54, "Main Menu"},
    {ScreenId::SystemMaintenance, 21, 54, "Menu 24 "},
    {ScreenId::CallControl, 21, 54, "Menu 24.9 "},
    {ScreenId::Status, 22, 47, "Menu 24.1 "},
    {ScreenId::CallHistory, 21, 57, "Menu 24.9.4 "},
};

} // namespace

TEST(Screens, EveryScreenRebuildsExactlyOnTheTerminalScreenWithTheCursorAtItsPrompt)
{
    const RouterState state = busyState();
    for (bool shift : {false, true}) {
        for (int layout = 0; layout <= 2; ++layout) {
            for (const Expect& e : kScreens) {
                SCOPED_TRACE(testing::Message() << screenName(e.id) << " layout " << layout << " shift " << shift);
                const Canvas canvas = paintScreen(e.id, state, {layout, shift});
                CTerminalScreen screen;
                screen.Parse("junk from an earlier screen\r\n\x1b[24;70Hmore");
                EXPECT_EQ(feed(canvas.toAnsi(true), screen), canvas.text());
                EXPECT_EQ(screen.CursorRow(), e.row);
                EXPECT_EQ(screen.CursorColumn(), e.column + (shift ? 2 : 0));
                // The in-place repaint gives the same screen over the full one.
                EXPECT_EQ(feed(canvas.toAnsi(false), screen), canvas.text());
                EXPECT_EQ(screen.CursorColumn(), e.column + (shift ? 2 : 0));
            }
        }
    }
}

TEST(Screens, EachScreenCarriesOnlyItsOwnMarker)
{
    const RouterState state = busyState();
    const char* markers[] = {"Menu 24 ", "Menu 24.9 ", "Menu 24.1 ", "Menu 24.9.4 ", kBadPasswordText};
    for (const Expect& e : kScreens) {
        const QByteArray text = paintScreen(e.id, state, {}).text();
        for (const char* marker : markers)
            EXPECT_EQ(text.contains(marker), qstrcmp(marker, e.marker) == 0)
                << screenName(e.id) << " / " << marker;
    }
    EXPECT_FALSE(paintPasswordScreen(false).text().contains(kBadPasswordText));
    EXPECT_TRUE(paintPasswordScreen(true).text().contains(kBadPasswordText));
}

TEST(Screens, StatusLayoutsAreToldApartByRowNine)
{
    const RouterState state = busyState();
    for (int layout = 0; layout <= 2; ++layout) {
        const Canvas c = paintStatusScreen(state, {layout, false});
        const char first = c.row(9)[0];
        const char sixth = c.row(9)[5];
        const int detected = first == 'C' ? 2 : sixth == 'T' ? 0 : 1;
        EXPECT_EQ(detected, layout);
    }
}

TEST(Screens, StatusFieldsStandInTheirCells)
{
    const RouterState state = busyState();
    const Canvas c = paintStatusScreen(state, {0, false});
    EXPECT_EQ(c.field(6, 2, 2), "B2");
    EXPECT_EQ(c.field(6, 4, 12), " Headoffice1");
    EXPECT_EQ(c.field(7, 4, 12), " Voice      ");
    EXPECT_EQ(c.field(6, 17, 7), "64K    ");
    EXPECT_EQ(c.field(6, 59, 4), "100%");
    EXPECT_EQ(c.field(7, 59, 4), "  0%");
    EXPECT_EQ(c.field(6, 71, 9), "  1:06:40");
    // Layout 0 shows by channel: line 1 is on B2, so its address is on B2's row.
    EXPECT_EQ(c.field(13, 52, 15), "172.16.200.254 ");
    EXPECT_EQ(c.field(14, 48, 15), "+4930123456789 ");
    EXPECT_EQ(c.field(9, 28, 9), "  1:06:40");
    EXPECT_TRUE(c.text().contains("(Type: IPX)"));
    const QByteArray packet = (c.field(19, 6, 71) + ' ' + c.field(20, 6, 71)).trimmed();
    EXPECT_EQ(packet, formatHexBytes(state.lanPacket()));
    EXPECT_EQ(c.field(19, 6, 71).size(), 71);
    EXPECT_EQ(c.field(19, 77, 4), "    ");
}

TEST(Screens, RepaintWipesStrayBytesBetweenRepaints)
{
    const RouterState state = busyState();
    const Canvas c = paintStatusScreen(state, {1, false});
    CTerminalScreen screen;
    screen.Parse(c.toAnsi(true));
    QRandomGenerator rng(3);
    for (int round = 0; round < 50; ++round) {
        QByteArray noise(int(rng.bounded(1, 200)), '\0');
        for (char& b : noise)
            b = char(rng.bounded(256));
        screen.Parse(noise);
        screen.Parse(c.toAnsi(false));
        // ESC [ 2 J in the noise could clear everything; the repaint still
        // rewrites every row.
        ASSERT_EQ(screen.Text(), c.text()) << "round " << round;
        ASSERT_EQ(screen.CursorRow(), 22);
    }
}

TEST(Screens, CanvasNeverWritesTheCornerCellOrControlBytes)
{
    Canvas c;
    c.put(24, 1, QByteArray(80, 'x'));
    c.put(3, 1, QByteArray("a\x1b[2Jb\r\n"));
    c.put(0, 1, "outside");
    c.put(25, 1, "outside");
    c.put(5, 79, "wxyz");
    EXPECT_EQ(c.row(24), QByteArray(79, 'x') + ' ');
    EXPECT_EQ(c.row(3).left(8), "a?[2Jb??");
    EXPECT_EQ(c.row(5).right(2), "wx");
    CTerminalScreen screen;
    screen.Parse(c.toAnsi(true));
    EXPECT_EQ(screen.Text(), c.text()); // nothing scrolled
}

TEST(Screens, CallHistoryColumns)
{
    RouterState s;
    QList<HistoryEntry> entries;
    entries.append({QStringLiteral("0123456789012345"), Direction::In, 64, 123456789, 3599, 1, 999 * 3600});
    entries.append({QStringLiteral("5551234"), Direction::Out, 56, 1, 61, 61, 61});
    s.setHistory(entries);
    const Canvas c = paintCallHistoryScreen(s, {});
    EXPECT_EQ(c.field(6, 7, 16), "0123456789012345");
    EXPECT_EQ(c.field(6, 24, 4), "IN  ");
    EXPECT_EQ(c.field(7, 24, 4), "OUT ");
    EXPECT_EQ(c.field(7, 29, 6), "56K   ");
    EXPECT_EQ(c.field(6, 36, 10), "123456789 ");
    EXPECT_EQ(c.field(6, 47, 11), "    0:59:59");
    EXPECT_EQ(c.field(6, 60, 11), "    0:00:01");
    EXPECT_EQ(c.field(6, 72, 11), "999:00:00\r\n");
    EXPECT_EQ(c.field(8, 7, 16), QByteArray(16, ' '));
}
