// The graph view: the sampling step from the application's lines, Clear and help.
#include "korvane/views/graph_view.h"

#include "korvane/help/help_topic.h"
#include "korvane/model/application.h"
#include "korvane/model/line.h"
#include "korvane/model/lines.h"
#include "korvane/views/graph_ctrl.h"

#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

void setLine(CApplication& app, int number, const char* channel, const char* current, const char* average) {
    CLine* line = app.lines().line(number);
    line->SetChannel(QString::fromLatin1(channel));
    line->SetLineUtilization(QString::fromLatin1(current));
    line->SetAverageLineUtilization(QString::fromLatin1(average));
}

}  // namespace

TEST(GraphView, FormLaidOutWithTwoChartsAndTheirTitles) {
    CGraphView view;
    EXPECT_EQ(view.timer().interval(), 1000);
    EXPECT_TRUE(view.timer().isActive());
    QStringList titles;
    for (const QGroupBox* box : view.form()->findChildren<QGroupBox*>())
        titles << box->title();
    EXPECT_EQ(titles, (QStringList{"Line 1", "Line 2"}));
    int current = 0, average = 0;
    for (const QLabel* label : view.form()->findChildren<QLabel*>()) {
        current += label->text() == QStringLiteral("Current Line Utilization");
        average += label->text() == QStringLiteral("Average Line Utilization");
    }
    EXPECT_EQ(current, 2);
    EXPECT_EQ(average, 2);
    ASSERT_NE(view.chart(1), nullptr);
    EXPECT_LT(view.chart(1)->geometry().bottom(), view.chart(2)->geometry().top());
    EXPECT_GT(view.currentLabel(1)->geometry().left(), view.chart(1)->geometry().right());
    EXPECT_EQ(view.chart(3), nullptr);
    EXPECT_TRUE(view.currentText(1).isEmpty());
}

TEST(GraphView, SampleShowsTheFiguresAndChartsMinusOneForALineWithoutChannel) {
    CApplication app;
    setLine(app, 1, "B1", "37", "12");
    setLine(app, 2, " 0", "5", "64");
    CGraphView view(&app);
    view.Sample();
    EXPECT_EQ(view.currentText(1), QStringLiteral("37%"));
    EXPECT_EQ(view.averageText(1), QStringLiteral("12%"));
    EXPECT_EQ(view.currentLabel(1)->text(), QStringLiteral("37%"));
    // Line 2 holds no channel: its chart gets no data, its texts its figures.
    EXPECT_EQ(view.currentLabel(2)->text(), QStringLiteral("5%"));
    EXPECT_EQ(view.averageLabel(2)->text(), QStringLiteral("64%"));
    EXPECT_EQ(view.chart(1)->currentHistory(), QList<int>{37});
    EXPECT_EQ(view.chart(1)->averageHistory(), QList<int>{12});
    EXPECT_EQ(view.chart(2)->currentHistory(), QList<int>{-1});
    EXPECT_EQ(view.chart(2)->averageHistory(), QList<int>{-1});
    // The view's charts are coloured: red on the bottom row of line 2.
    const CGraphCtrl* chart2 = view.chart(2);
    const int x = chart2->plot().right - 1;
    EXPECT_EQ(chart2->image().pixel(x, chart2->yFor(-1)) | 0xff000000u, qRgb(255, 0, 0));
    const CGraphCtrl* chart1 = view.chart(1);
    EXPECT_EQ(chart1->image().pixel(x, chart1->yFor(37)) | 0xff000000u, qRgb(0, 255, 0));

    // What is on screen is the chart's picture, inside its edge.
    const QImage shown = view.chart(1)->grab().toImage();
    const QPoint origin = view.chart(1)->contentsRect().topLeft();
    EXPECT_EQ(shown.pixel(origin + QPoint(x, chart1->yFor(37))) | 0xff000000u, qRgb(0, 255, 0));

    view.Clear();
    EXPECT_TRUE(view.chart(1)->currentHistory().isEmpty());
    EXPECT_TRUE(view.chart(2)->averageHistory().isEmpty());
    EXPECT_EQ(view.currentText(1), QStringLiteral("37%"));  // the texts stay
}

TEST(GraphView, WithoutAnApplicationTheTickDoesNothingAndF1OpensTheTopic) {
    QStringList topics;
    setHelpTopicHandler([&](const QString& topic) { topics << topic; });
    CGraphView view;
    view.Sample();
    EXPECT_TRUE(view.chart(1)->currentHistory().isEmpty());
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    QTest::keyClick(&view, Qt::Key_F1);
    EXPECT_EQ(topics, QStringList{QStringLiteral("Korvane.chm::/The_Graphs_View.htm")});
    setHelpTopicHandler(nullptr);
}
