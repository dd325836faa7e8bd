// The driver's screen recognition and detour walk, as pure functions.
#include "korvane/router/driver.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

QString screenWith(const char* text) { return QString::fromLatin1("          ") + QString::fromLatin1(text) + QStringLiteral("  \r\n"); }

QList<DriverAction> step(const QString& text, int row, int column, DriverState& state, bool active = false,
                         int refresh = 60, bool monitoring = true) {
    return ScreenChangeActions(RecognizeScreen(text, row, column), state, monitoring, active, refresh);
}

DriverAction keys(const char* k) { return {DriverAction::SendKeys, QString::fromLatin1(k)}; }
const DriverAction kStatus{DriverAction::HandStatus, {}};
const DriverAction kHistory{DriverAction::HandCallHistory, {}};
const DriverAction kInvalidate{DriverAction::InvalidateStatus, {}};

}  // namespace

TEST(RecognizeScreen, NeedsTheTextAndOneOfTheCursorPositions) {
    const QString status = screenWith("Menu 24.1 - System Maintenance - Status");
    EXPECT_TRUE(RecognizeScreen(status, 22, 47).status);
    EXPECT_TRUE(RecognizeScreen(status, 22, 49).status);
    EXPECT_FALSE(RecognizeScreen(status, 22, 48).status);
    EXPECT_FALSE(RecognizeScreen(status, 21, 47).status);
    EXPECT_TRUE(RecognizeScreen(screenWith("Menu 24 - System"), 21, 56).menu24);
    EXPECT_FALSE(RecognizeScreen(screenWith("Menu 24.9 - System"), 21, 56).menu24);  // "Menu 24 " needs the space
    EXPECT_TRUE(RecognizeScreen(screenWith("Menu 24.9 - System"), 21, 54).menu249);
    EXPECT_TRUE(RecognizeScreen(screenWith("Menu 24.9.4 - Call History"), 21, 59).callHistory);
    EXPECT_FALSE(RecognizeScreen(screenWith("Menu 24.9.4 - Call History"), 21, 54).callHistory);
    EXPECT_FALSE(RecognizeScreen(screenWith("menu 24.1 - status"), 22, 47).status);  // case-sensitive
    EXPECT_TRUE(RecognizeScreen(screenWith("Bad Password!!!"), 1, 1).badPassword);
}

TEST(ScreenChangeActions, StatusScreensCountDownToTheDetourOnlyWhileAnotherViewIsActive) {
    const QString status = screenWith("Menu 24.1 - System Maintenance - Status");
    DriverState state;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(step(status, 22, 47, state), QList<DriverAction>{kStatus});
    EXPECT_EQ(state.historyCountdown, 0);
    // The fourth status screen starts the detour, after its own tick.
    EXPECT_EQ(step(status, 22, 47, state), (QList<DriverAction>{kStatus, kInvalidate, keys("\x1b")}));
    EXPECT_EQ(state.walkStep, 1);
    EXPECT_EQ(state.historyCountdown, 60);

    DriverState watched;
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(step(status, 22, 49, watched, /*active=*/true), QList<DriverAction>{kStatus});
    EXPECT_EQ(watched.historyCountdown, 3);
    EXPECT_EQ(watched.walkStep, 0);

    // Cursor elsewhere: not handed over, not counted.
    DriverState moved;
    EXPECT_TRUE(step(status, 10, 1, moved).isEmpty());
    EXPECT_EQ(moved.historyCountdown, 3);
}

TEST(ScreenChangeActions, TheDetourWalksMenu24Then249ThenTheHistoryAndBack) {
    const QString menu24 = screenWith("Menu 24 - System Maintenance");
    const QString menu249 = screenWith("Menu 24.9 - System Maintenance - Diagnostic");
    const QString history = screenWith("Menu 24.9.4 - Call History");
    const QString status = screenWith("Menu 24.1 - System Maintenance - Status");
    DriverState state{1, 60};
    EXPECT_EQ(step(menu24, 21, 54, state), QList<DriverAction>{keys("9\r\n")});
    EXPECT_EQ(step(menu249, 21, 56, state), QList<DriverAction>{keys("4\r\n")});
    EXPECT_EQ(step(history, 21, 57, state), (QList<DriverAction>{kHistory, keys("\x1b")}));
    EXPECT_EQ(step(menu249, 21, 54, state), QList<DriverAction>{keys("\x1b")});
    EXPECT_EQ(step(menu24, 21, 56, state), QList<DriverAction>{keys("1\r\n")});
    EXPECT_EQ(state.walkStep, 0);
    EXPECT_EQ(step(status, 22, 47, state), QList<DriverAction>{kStatus});
    EXPECT_EQ(state.historyCountdown, 59);

    // A recognised screen out of turn changes nothing.
    DriverState idle;
    EXPECT_TRUE(step(menu24, 21, 56, idle).isEmpty());
    EXPECT_TRUE(step(menu249, 21, 56, idle).isEmpty());
    EXPECT_EQ(idle.walkStep, 0);
    // The history screen is read even when the driver did not walk there.
    EXPECT_EQ(step(history, 21, 59, idle), QList<DriverAction>{kHistory});
}

TEST(ScreenChangeActions, RefreshZeroStartsADetourOnEveryWatchedStatusScreen) {
    const QString status = screenWith("Menu 24.1 - System Maintenance - Status");
    DriverState state{0, 0};
    EXPECT_EQ(step(status, 22, 47, state, false, 0), (QList<DriverAction>{kStatus, kInvalidate, keys("\x1b")}));
    state.walkStep = 0;
    EXPECT_EQ(step(status, 22, 47, state, false, 0), (QList<DriverAction>{kStatus, kInvalidate, keys("\x1b")}));
    EXPECT_EQ(state.historyCountdown, 0);
}

TEST(ScreenChangeActions, MonitoringOffOnlyInvalidatesAndBadPasswordIsReported) {
    const QString status = screenWith("Menu 24.1 - System Maintenance - Status");
    DriverState state;
    EXPECT_EQ(step(status, 22, 47, state, false, 60, false), QList<DriverAction>{kInvalidate});
    EXPECT_EQ(step(screenWith("Bad Password!!!"), 3, 1, state, false, 60, false), QList<DriverAction>{kInvalidate});
    EXPECT_EQ(state.historyCountdown, 3);
    EXPECT_EQ(step(screenWith("Bad Password!!!"), 3, 1, state),
              (QList<DriverAction>{DriverAction{DriverAction::ReportBadPassword, {}}}));
}

TEST(ControlErrorText, ShowsTheCodeInParenthesesThenTheText) {
    EXPECT_EQ(ControlErrorText(10061, QStringLiteral("Connection refused.")), QStringLiteral("(10061) Connection refused."));
}

namespace {

// A screen as the control publishes it, the given lines from the top, each
// row 80 cells and CR LF.
QString rows(const QStringList& lines) {
    QString text;
    for (int r = 0; r < 24; ++r)
        text += (r < lines.size() ? lines[r] : QString()).leftJustified(80, u' ', true) + QStringLiteral("\r\n");
    return text;
}

}  // namespace

TEST(RecognizeScreen, MenusPaintedLineByLineAreFollowedByTheCursorAfterTheirPrompt) {
    // Firmware that paints with CR LF: the prompt ends up where the lines
    // took it, and the cursor just after it (or at the start of the next line).
    const QStringList menu24 = {QStringLiteral("                 Menu 24 - System Maintenance"), QString(),
                                QStringLiteral("        1.  System Status"), QStringLiteral("        9.  Diagnostic"),
                                QString(), QStringLiteral("     Enter Menu Selection Number: ")};
    const QString text = rows(menu24);
    const int end = 5 + 28 + 1;  // five blanks, the prompt, then the column after it
    EXPECT_TRUE(RecognizeScreen(text, 6, end).menu24);
    EXPECT_TRUE(RecognizeScreen(text, 6, end + 1).menu24);
    EXPECT_TRUE(RecognizeScreen(text, 7, 1).menu24);
    EXPECT_FALSE(RecognizeScreen(text, 6, end - 3).menu24);
    EXPECT_FALSE(RecognizeScreen(text, 4, 1).menu24);
    // Half painted, the prompt not yet there: not the menu yet.
    EXPECT_FALSE(RecognizeScreen(rows(menu24.mid(0, 4)), 5, 1).menu24);

    // Scrolled on from menu 24 to 24.9: the later title counts.
    QStringList scrolled = menu24;
    scrolled << QStringLiteral("          Menu 24.9 - System Maintenance - Diagnostic")
             << QStringLiteral("        4.  Call History") << QStringLiteral("     Enter Menu Selection Number: ");
    const QString both = rows(scrolled);
    EXPECT_TRUE(RecognizeScreen(both, 9, end).menu249);
    EXPECT_FALSE(RecognizeScreen(both, 9, end).menu24);

    const QString history = rows({QStringLiteral("               Menu 24.9.4 - Call History"), QString(),
                                  QStringLiteral("  Phone Number   Dir  Rate  #call  Max   Min   Total"),
                                  QStringLiteral("1 0301234567     In   64K     2    0:01  0:00  0:02"), QString(),
                                  QStringLiteral("                 Press ESC or RETURN to Exit: ")});
    EXPECT_TRUE(RecognizeScreen(history, 6, 17 + 28 + 1).callHistory);
    EXPECT_FALSE(RecognizeScreen(history, 6, 17 + 28 + 1).menu249);

    // A prompt on the usual row with the cursor in another column is a
    // layout of other firmware, not line-by-line painting: not followed.
    QStringList usualRow = menu24.mid(0, 4);
    while (usualRow.size() < 20)
        usualRow.append(QString());
    usualRow.append(QStringLiteral("                          Enter Menu Selection Number: "));
    ASSERT_EQ(usualRow.size(), 21);
    EXPECT_FALSE(RecognizeScreen(rows(usualRow), 21, 26 + 28 + 1).menu24);

    // The status screen still needs its own cursor.
    const QString status = rows({QStringLiteral("      Menu 24.1 - System Maintenance - Status"),
                                 QStringLiteral("     Enter Menu Selection Number: ")});
    EXPECT_FALSE(RecognizeScreen(status, 2, end).status);
}

TEST(ScreenChangeActions, TheDetourWalksMenusPaintedLineByLine) {
    const QString prompt = QStringLiteral("     Enter Menu Selection Number: ");
    const QString menu24 = rows({QStringLiteral("  Menu 24 - System Maintenance"), prompt});
    const QString menu249 = rows({QStringLiteral("  Menu 24.9 - System Maintenance - Diagnostic"), prompt});
    const QString history =
        rows({QStringLiteral("  Menu 24.9.4 - Call History"), QStringLiteral("  Press ESC or RETURN to Exit: ")});
    const int end = 5 + 28 + 1;
    DriverState state{1, 60};
    EXPECT_EQ(step(menu24, 2, end, state), QList<DriverAction>{keys("9\r\n")});
    EXPECT_EQ(step(menu249, 3, 1, state), QList<DriverAction>{keys("4\r\n")});
    EXPECT_EQ(step(history, 2, 2 + 28 + 2, state), (QList<DriverAction>{kHistory, keys("\x1b")}));
    EXPECT_EQ(step(menu249, 2, end, state), QList<DriverAction>{keys("\x1b")});
    EXPECT_EQ(step(menu24, 2, end, state), QList<DriverAction>{keys("1\r\n")});
    EXPECT_EQ(state.walkStep, 0);
}

TEST(ControlErrorText, AHostNameThatDoesNotResolveIsSaidToBeOneWithItsNumber) {
    const QString invalid = QStringLiteral("Invalid argument. Some invalid argument was supplied.");
    EXPECT_EQ(ControlErrorText(10022, ConnectErrorText(10022, invalid, QStringLiteral("no-such-router.invalid:2323"))),
              QStringLiteral("(10022) The router's name \"no-such-router.invalid\" cannot be resolved: no such host is known."));
    EXPECT_EQ(ConnectErrorText(10022, invalid, QStringLiteral("gateway")),
              QStringLiteral("The router's name \"gateway\" cannot be resolved: no such host is known."));
    // An address, or a port that is no port, is not about a name.
    EXPECT_EQ(ConnectErrorText(10022, invalid, QStringLiteral("192.168.1.1")), invalid);
    EXPECT_EQ(ConnectErrorText(10022, invalid, QStringLiteral("gateway:99999")), invalid);
    EXPECT_EQ(ConnectErrorText(10061, QStringLiteral("Connection refused."), QStringLiteral("gateway")),
              QStringLiteral("Connection refused."));
}
