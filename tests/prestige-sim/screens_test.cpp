// The painted screens as the monitor's terminal screen sees them: the bytes
// rebuild the grid exactly, the cursor stands where the driver looks for it,
// and each screen carries its own marker text and nobody else's.
#include "tessen/screen.h"
#include "tests/prestige-sim/qt_print.h"
#include "components/prestige/screens.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace prestige;

namespace {

RouterState busyState()
{
    RouterState s(7);
    s.setPendingLanPacket(QByteArray::fromHex("FFFF002E0004000000020000FFFFFFFF0452000000010000C54E217B400500010004"), true);
    CallRequest data;
    data.line = 1;
    data.channel = 2;
    data.number = QStringLiteral("5551234");
    data.node = QStringLiteral("Headoffice1");
    data.peerIp = QStringLiteral("172.16.200.254");
    EXPECT_TRUE(s.startCall(data));
    CallRequest voice;
    voice.line = 2;
    voice.channel = 1;
    voice.direction = Direction::In;
    voice.kind = CallKind::Voice;
    voice.number = QStringLiteral("+4930123456789");
    EXPECT_TRUE(s.startCall(voice));
    s.setLoad(1, 100);
    for (int i = 0; i < 4000; ++i)
        s.advance();
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
