// The status list: columns, rows and the cell writer's widening rules.
#include "korvane/views/list_cells.h"
#include "korvane/views/status_view.h"
#include "korvane/views/telnet_view.h"
#include "tests/support/list_elision.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace korvane;

TEST(WidenedColumnWidth, GrowsToTheTextNeverShrinksNeverBelowTheTitle) {
    EXPECT_EQ(WidenedColumnWidth(50, 60, 20), 64);   // text + 4
    EXPECT_EQ(WidenedColumnWidth(50, 46, 20), 50);   // text + 4 == width: set to the same
    EXPECT_EQ(WidenedColumnWidth(80, 10, 20), 80);   // never shrinks
    EXPECT_EQ(WidenedColumnWidth(10, 0, 30), 34);    // a dragged-narrow column comes back to its title
}

TEST(StatusView, EightTitledColumnsTwoRowsAndCellsThatWidenTheirColumn) {
    CStatusView view;
    ASSERT_EQ(view.columnCount(), 8);
    ASSERT_EQ(view.topLevelItemCount(), 2);
    EXPECT_EQ(view.headerItem()->text(5), QStringLiteral("Line Util."));
    EXPECT_EQ(view.headerItem()->text(7), QStringLiteral("IP/CLID"));
    EXPECT_FALSE(view.header()->sectionsClickable());
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(view.columnWidth(c), view.header()->sectionSizeHint(c) + 4);

    const QString wide = QStringLiteral("a very long remote node name indeed");
    view.SetCell(1, 1, wide);
    EXPECT_EQ(view.cellText(1, 1), wide);
    const int widened = view.sizeHintForIndex(view.model()->index(1, 1)).width() + 4;
    EXPECT_GT(widened, view.fontMetrics().horizontalAdvance(wide) + 4);  // the item's margins count
    EXPECT_EQ(view.columnWidth(1), widened);
    view.BlankStatusCells();
    EXPECT_TRUE(view.cellText(1, 1).isEmpty());
    EXPECT_EQ(view.columnWidth(1), widened);  // the width stays after the text has gone

    // Cells that do not exist are not written and nothing breaks.
    view.SetCell(2, 0, QStringLiteral("x"));
    view.SetCell(0, 8, QStringLiteral("x"));
    view.SetCell(-1, -1, QStringLiteral("x"));
    EXPECT_EQ(view.topLevelItemCount(), 2);
}

TEST(StatusView, NoCellOrTitleIsElidedWithRealFonts) {
    elision::ElisionProbe<CStatusView> view;
    view.resize(492, 138);
    view.show();
    EXPECT_TRUE(view.elidedTitles().isEmpty()) << view.elidedTitles().join(QStringLiteral(", ")).toStdString();
    // Texts a busy line shows; each was cut short when only the bare text was measured.
    const QStringList row = {QStringLiteral("B1"),       QStringLiteral("Outgoing"), QStringLiteral("1234567"),
                             QStringLiteral("7654321"),  QStringLiteral("0"),        QStringLiteral("68%/64%"),
                             QStringLiteral("0:00:59"),  QStringLiteral("030123456789")};
    for (int c = 0; c < 8; ++c) {
        view.SetCell(0, c, row[c]);
        view.SetCell(1, c, row[c].left(1));
    }
    EXPECT_TRUE(view.elidedCells().isEmpty()) << view.elidedCells().join(QStringLiteral(", ")).toStdString();
    // A bigger font (as a user's desktop may set) measures as drawn too.
    QFont big = view.font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    view.setFont(big);
    for (int c = 0; c < 8; ++c)
        view.SetCell(0, c, row[c]);
    EXPECT_TRUE(view.elidedCells().isEmpty()) << view.elidedCells().join(QStringLiteral(", ")).toStdString();
}

TEST(TelnetView, KeyTableAndCaretAtTheRouterCursor) {
    EXPECT_EQ(KeysForKey(Qt::Key_Up, {}, {}), QByteArray("\x1b[A"));
    EXPECT_EQ(KeysForKey(Qt::Key_Left, {}, {}), QByteArray("\x1b[D"));
    EXPECT_EQ(KeysForKey(Qt::Key_Return, {}, QStringLiteral("\r")), QByteArray("\r\n"));
    EXPECT_EQ(KeysForKey(Qt::Key_Tab, {}, QStringLiteral("\t")), QByteArray("\t"));
    EXPECT_EQ(KeysForKey(Qt::Key_Escape, {}, {}), QByteArray("\x1b"));
    EXPECT_EQ(KeysForKey(Qt::Key_A, {}, QStringLiteral("a")), QByteArray("a"));
    EXPECT_TRUE(KeysForKey(Qt::Key_F5, {}, {}).isEmpty());
    EXPECT_TRUE(KeysForKey(0, {}, QStringLiteral("\u20ac")).isEmpty());  // no single byte for it

    CTelnetView view;
    QStringList sent;
    view.setKeySender([&](const QString& k) { sent << k; });
    QString screen;
    for (int r = 0; r < 24; ++r)
        screen += QString(80, QLatin1Char(r == 21 ? 'x' : ' ')) + QStringLiteral("\r\n");
    view.showScreen(screen, 21 * 82 + 46);  // row 22, column 47
    EXPECT_EQ(view.textCursor().blockNumber(), 21);
    EXPECT_EQ(view.textCursor().positionInBlock(), 46);
    EXPECT_TRUE(view.isReadOnly());

    QTest::keyClick(&view, Qt::Key_Up);
    QTest::keyClick(&view, Qt::Key_Tab);
    QTest::keyClick(&view, '7');
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(sent, (QStringList{QStringLiteral("\x1b[A"), QStringLiteral("\t"), QStringLiteral("7"), QStringLiteral("\r\n")}));
    EXPECT_EQ(view.toPlainText().size(), 24 * 81);  // typing never edits the text

    view.clearScreen();
    EXPECT_TRUE(view.toPlainText().isEmpty());
}
