// The call history table: cell texts from the records, rewrites, clearing,
// help and the focus hand-over.
#include "korvane/views/call_history_view.h"

#include "korvane/help/help_topic.h"
#include "korvane/model/call_info.h"
#include "korvane/model/call_infos.h"
#include "tests/support/list_elision.h"

#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

QString fixture(const char* name) {
    QFile file(QStringLiteral(KORVANE_SOURCE_DIR "/tests/parsers/fixtures/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "missing fixture " << name;
        return {};
    }
    return QString::fromLatin1(file.readAll());
}

// A history screen whose entry i is the given text (the sixth line holds the
// first entry, as on the router).
QString screenWithRows(const QStringList& rows) {
    QString text;
    for (int row = 0; row < 24; ++row) {
        QString line = row >= 5 && row - 5 < rows.size() ? rows.at(row - 5) : QString();
        line = line.leftJustified(80, u' ', true);
        text += line + QStringLiteral("\r\n");
    }
    return text;
}

QStringList rowTexts(const CCallHistoryView& view, int row) {
    QStringList texts;
    for (int c = 0; c < CCallHistoryView::kColumnCount; ++c)
        texts << view.cellText(row, c);
    return texts;
}

}  // namespace

TEST(CallHistoryView, SevenTitledColumnsTenEmptyRowsWidthsFromTheTitles) {
    CCallInfos calls;
    CCallHistoryView view(&calls);
    ASSERT_EQ(view.columnCount(), 7);
    ASSERT_EQ(view.topLevelItemCount(), 10);
    EXPECT_EQ(view.headerItem()->text(0), QStringLiteral("Phone number"));
    EXPECT_EQ(view.headerItem()->text(3), QStringLiteral("No. of calls"));
    EXPECT_EQ(view.headerItem()->text(6), QStringLiteral("Total time"));
    EXPECT_FALSE(view.header()->sectionsClickable());
    EXPECT_EQ(view.selectionMode(), QAbstractItemView::SingleSelection);
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(view.columnWidth(c), view.header()->sectionSizeHint(c) + 4);
        for (int r = 0; r < 10; ++r)
            EXPECT_TRUE(view.cellText(r, c).isEmpty());
    }
}

TEST(CallHistoryView, ScreenFillsRecordsAndCellsTimesLoseOnlyTheirDisplayedLeadingSpaces) {
    CCallInfos calls;
    CCallHistoryView view(&calls);
    const QString screen = fixture("call_history.txt");
    view.ParseCallHistoryScreen(screen);
    EXPECT_EQ(view.screenText(), screen);
    EXPECT_EQ(rowTexts(view, 0), (QStringList{"0891234", "Out", "64000", "12", "0:42:10", "0:00:04", "2:11:58"}));
    EXPECT_EQ(rowTexts(view, 2),
              (QStringList{"4989123456", "Out", "128000", "141", "12:00:01", "0:00:01", "101:33:17"}));
    // A script reading the record still gets the right-aligned times.
    EXPECT_EQ(calls.entry(0)->maxTime(), QStringLiteral("    0:42:10"));
    // Columns grew to the widest text written.
    const QFontMetrics metrics = view.fontMetrics();
    EXPECT_GE(view.columnWidth(0), metrics.horizontalAdvance(QStringLiteral("0800111222333444")) + 4);
}

TEST(CallHistoryView, NoCellOrTitleIsElidedWithRealFonts) {
    CCallInfos calls;
    elision::ElisionProbe<CCallHistoryView> view(&calls);
    view.resize(520, 251);
    view.show();
    EXPECT_TRUE(view.elidedTitles().isEmpty()) << view.elidedTitles().join(QStringLiteral(", ")).toStdString();
    view.ParseCallHistoryScreen(fixture("call_history.txt"));
    view.ParseCallHistoryScreen(screenWithRows({
        "  1   03012345678901   OUT   64000        999   100:00:00    100:00:00 999:59:59",
    }));
    EXPECT_TRUE(view.elidedCells().isEmpty()) << view.elidedCells().join(QStringLiteral(", ")).toStdString();
}

TEST(CallHistoryView, RateDecidesWhetherRateAndCallCountShow) {
    CCallInfos calls;
    CCallHistoryView view(&calls);
    // Row 0: no rate but calls; row 1: a rate and no calls.
    view.ParseCallHistoryScreen(screenWithRows({
        "  1   0891234          OUT       0          9     0:00:01      0:00:01   0:00:09",
        "  2   0301234567       IN    64000          0     0:00:00      0:00:00   0:00:00",
    }));
    ASSERT_EQ(calls.entry(0)->baudRate(), 0);
    ASSERT_EQ(calls.entry(0)->noOfCalls(), 9);
    EXPECT_TRUE(view.cellText(0, 2).isEmpty());
    EXPECT_TRUE(view.cellText(0, 3).isEmpty());
    EXPECT_EQ(view.cellText(0, 0), QStringLiteral("0891234"));
    EXPECT_EQ(view.cellText(1, 2), QStringLiteral("64000"));
    EXPECT_EQ(view.cellText(1, 3), QStringLiteral("0"));
    // Empty rows show nothing at all, not a 0.
    EXPECT_EQ(rowTexts(view, 5), QStringList(7, QString()));
}

TEST(CallHistoryView, ShorterScreenEmptiesTheRowsWithoutACallAndClearKeepsWidths) {
    CCallInfos calls;
    CCallHistoryView view(&calls);
    view.ParseCallHistoryScreen(fixture("call_history.txt"));
    ASSERT_FALSE(view.cellText(9, 0).isEmpty());
    view.ParseCallHistoryScreen(fixture("call_history_partial.txt"));
    EXPECT_EQ(view.cellText(2, 0), QStringLiteral("4989123456"));
    for (int r = 3; r < 10; ++r)
        EXPECT_EQ(rowTexts(view, r), QStringList(7, QString())) << "row " << r;

    std::vector<int> widths;
    for (int c = 0; c < 7; ++c)
        widths.push_back(view.columnWidth(c));
    view.ClearCallHistory();
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(view.columnWidth(c), widths[std::size_t(c)]);
        for (int r = 0; r < 10; ++r)
            EXPECT_TRUE(view.cellText(r, c).isEmpty());
    }
    for (const CCallInfo& call : calls) {
        EXPECT_TRUE(call.phoneNumber().isEmpty());
        EXPECT_EQ(call.baudRate(), 0);
    }
}

TEST(CallHistoryView, ShowsRecordsReadElsewhereAndSurvivesMissingRecords) {
    CCallInfos calls;
    calls.entry(4)->SetPhoneNumber(QStringLiteral("110"));
    calls.entry(4)->SetBaudRate(QStringLiteral("64000"));
    calls.entry(4)->SetNoOfCalls(QStringLiteral("1"));
    calls.entry(4)->SetTotalTime(QStringLiteral("  0:00:12"));
    CCallHistoryView view(&calls);
    view.ShowCallHistory();
    EXPECT_EQ(rowTexts(view, 4), (QStringList{"110", "", "64000", "1", "", "", "0:00:12"}));

    CCallHistoryView orphan(nullptr);
    orphan.ParseCallHistoryScreen(fixture("call_history.txt"));
    orphan.ClearCallHistory();
    EXPECT_TRUE(orphan.cellText(0, 0).isEmpty());
    EXPECT_TRUE(orphan.cellText(42, 0).isEmpty());
}

TEST(CallHistoryView, F1OpensItsTopicAndLosingFocusIsReported) {
    QStringList topics;
    setHelpTopicHandler([&](const QString& topic) { topics << topic; });
    CCallInfos calls;
    QWidget window;
    CCallHistoryView view(&calls, &window);
    QWidget other(&window);
    other.setFocusPolicy(Qt::StrongFocus);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(&view, Qt::Key_F1);
    EXPECT_EQ(topics, QStringList{QStringLiteral("Korvane.chm::/The_Call_History_View.htm")});

    QSignalSpy lost(&view, &CCallHistoryView::focusLost);
    window.activateWindow();
    view.setFocus();
    other.setFocus();
    EXPECT_EQ(lost.count(), 1);
    setHelpTopicHandler(nullptr);
}
