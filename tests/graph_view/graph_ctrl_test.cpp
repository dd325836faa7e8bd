// The strip chart's pixels: rendered into its image and read back at the
// positions the drawing rules give.
#include "korvane/views/graph_ctrl.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kGrid = qRgb(0, 128, 0);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kYellow = qRgb(255, 255, 0);

// A chart whose client area is width x height pixels, coloured as the view
// colours its charts.
struct Chart {
    explicit Chart(int width = 100, int height = 60) {
        ctrl.setGeometry(0, 0, width + 2 * CGraphCtrl::kEdge, height + 2 * CGraphCtrl::kEdge);
        ctrl.SetColors(QColor(kBlack), QColor(kGrid), QColor(kRed), QColor(kGreen), QColor(kYellow));
    }
    QRgb at(int x, int y) const { return ctrl.image().pixel(x, y) | 0xff000000u; }
    CGraphCtrl ctrl;
};

int countOnRow(const QImage& image, int y, QRgb color) {
    int n = 0;
    for (int x = 0; x < image.width(); ++x)
        n += (image.pixel(x, y) | 0xff000000u) == color;
    return n;
}

}  // namespace

// With a 100 x 60 client area: R = 99, B = 59, newest sample at x = 98,
// 0 % (and no data) on row 58, grid rows 58, 48, ... 8.

TEST(GraphCtrl, PlotGeometryAndTheEmptyChartsGrid) {
    Chart chart;
    const CGraphCtrl::Plot p = chart.ctrl.plot();
    EXPECT_EQ(p.left, 0);
    EXPECT_EQ(p.top, 0);
    EXPECT_EQ(p.right, 99);
    EXPECT_EQ(p.bottom, 59);
    EXPECT_EQ(chart.ctrl.yFor(0), 58);
    EXPECT_EQ(chart.ctrl.yFor(-1), 58);
    EXPECT_EQ(chart.ctrl.yFor(37), 21);
    EXPECT_EQ(chart.ctrl.yFor(100), -42);  // not clamped: above the plot

    // Phase 0: vertical lines at R - 1 = 98, 88, ... 8; horizontal every 10 rows.
    EXPECT_EQ(chart.at(98, 30), kGrid);
    EXPECT_EQ(chart.at(8, 30), kGrid);
    EXPECT_EQ(chart.at(97, 30), kBlack);
    EXPECT_EQ(chart.at(50, 58), kGrid);
    EXPECT_EQ(chart.at(50, 8), kGrid);
    EXPECT_EQ(chart.at(50, 57), kBlack);
    EXPECT_EQ(chart.at(50, 59), kBlack);  // the bottom edge stays background
    EXPECT_EQ(chart.at(99, 58), kBlack);  // and so does the right one
}

TEST(GraphCtrl, FirstSampleRisesFromTheBottomRowInItsColour) {
    Chart chart;
    chart.ctrl.AddSample(50, 20);
    // Current: from (98, 8) towards (96, 58), the end left out.
    EXPECT_EQ(chart.at(98, 8), kGreen);
    EXPECT_EQ(chart.at(97, 30), kGreen);
    EXPECT_EQ(chart.at(96, 50), kGreen);
    EXPECT_EQ(chart.at(96, 57), kYellow);  // where the average curve crosses it
    EXPECT_NE(chart.at(96, 58), kGreen);
    EXPECT_EQ(chart.at(98, 7), kBlack);
    // Average: from (98, 38), drawn after the current curve.
    EXPECT_EQ(chart.at(98, 38), kYellow);
    EXPECT_EQ(chart.ctrl.currentHistory(), QList<int>{50});
    EXPECT_EQ(chart.ctrl.averageHistory(), QList<int>{20});

    // A first sample without data is a red step along the bottom row.
    Chart empty;
    empty.ctrl.AddSample(-1, -1);
    EXPECT_EQ(empty.at(98, 58), kRed);
    EXPECT_EQ(empty.at(97, 58), kRed);
    EXPECT_EQ(empty.at(96, 58), kGrid);
}

TEST(GraphCtrl, NoChannelDrawsRedAlongTheBottomUntilTheLineComesBack) {
    Chart chart;
    for (int i = 0; i < 3; ++i)
        chart.ctrl.AddSample(-1, -1);
    for (int x = 93; x <= 98; ++x)
        EXPECT_EQ(chart.at(x, 58), kRed) << "x " << x;
    chart.ctrl.AddSample(30, 10);
    EXPECT_EQ(chart.at(98, 28), kGreen);
    EXPECT_EQ(chart.at(98, 48), kYellow);
    EXPECT_EQ(chart.at(96, 58), kRed);  // the last red step, scrolled left
    EXPECT_EQ(chart.at(91, 58), kRed);
    // A sample of 0 after data is a real value: curve colour on the bottom row.
    chart.ctrl.AddSample(0, 0);
    EXPECT_EQ(chart.at(98, 58), kYellow);
}

TEST(GraphCtrl, VerticalGridEveryFifthSampleScrollsAndARepaintPutsItBackThere) {
    Chart chart;
    for (int i = 0; i < 4; ++i)
        chart.ctrl.AddSample(0, 0);
    EXPECT_EQ(chart.ctrl.scrollPhase(), 4);
    EXPECT_EQ(chart.at(98, 30), kBlack);
    chart.ctrl.AddSample(0, 0);
    EXPECT_EQ(chart.ctrl.scrollPhase(), 0);
    EXPECT_EQ(chart.at(98, 30), kGrid);
    chart.ctrl.AddSample(0, 0);
    chart.ctrl.AddSample(0, 0);
    EXPECT_EQ(chart.ctrl.scrollPhase(), 2);
    EXPECT_EQ(chart.at(94, 30), kGrid);
    EXPECT_EQ(chart.at(84, 30), kGrid);
    EXPECT_EQ(chart.at(98, 30), kBlack);
    // Horizontal grid lines carried on into the new columns.
    EXPECT_EQ(chart.at(97, 48), kGrid);
    EXPECT_EQ(chart.at(98, 8), kGrid);

    const QImage scrolled = chart.ctrl.image();
    chart.ctrl.Redraw();
    EXPECT_EQ(chart.at(94, 30), kGrid);
    EXPECT_EQ(chart.at(84, 30), kGrid);
    EXPECT_EQ(chart.at(4, 30), kGrid);
    EXPECT_EQ(chart.at(98, 30), kBlack);
    EXPECT_EQ(chart.at(88, 30), kBlack);
    // Seven flat samples: the repaint's grid and curve match the scrolled
    // picture column for column above the curve's row.
    for (int x = 0; x < 100; ++x)
        for (int y : {8, 20, 30, 48, 57})
            ASSERT_EQ(chart.at(x, y), scrolled.pixel(x, y) | 0xff000000u) << x << "," << y;
}

TEST(GraphCtrl, HistoriesKeep249AndARepaintDrawsAtMost496Pixels) {
    Chart wide(600, 60);
    for (int i = 0; i < 260; ++i)
        wide.ctrl.AddSample(45, i < 10 ? 1 : 2);
    EXPECT_EQ(wide.ctrl.currentHistory().size(), 249);
    EXPECT_EQ(wide.ctrl.averageHistory().size(), 249);
    EXPECT_EQ(wide.ctrl.averageHistory().last(), 2);  // the first samples dropped out
    wide.ctrl.Redraw();
    const int row = wide.ctrl.yFor(45);
    EXPECT_EQ(countOnRow(wide.ctrl.image(), row, kGreen), 496);
    EXPECT_EQ(wide.at(598, row), kGreen);
    EXPECT_EQ(wide.at(103, row), kGreen);
    EXPECT_NE(wide.at(102, row), kGreen);

    // A narrower plot stops at its left edge.
    Chart narrow;
    for (int i = 0; i < 80; ++i)
        narrow.ctrl.AddSample(45, 2);
    narrow.ctrl.Redraw();
    EXPECT_EQ(narrow.at(1, narrow.ctrl.yFor(45)), kGreen);
    EXPECT_NE(narrow.at(0, narrow.ctrl.yFor(45)), kGreen);
}

TEST(GraphCtrl, ClearEmptiesTheHistoriesKeepsThePhaseAndStartsFromTheBottom) {
    Chart chart;
    for (int i = 0; i < 3; ++i)
        chart.ctrl.AddSample(60, 40);
    chart.ctrl.Clear();
    EXPECT_TRUE(chart.ctrl.currentHistory().isEmpty());
    EXPECT_TRUE(chart.ctrl.averageHistory().isEmpty());
    EXPECT_EQ(chart.ctrl.scrollPhase(), 3);
    EXPECT_EQ(countOnRow(chart.ctrl.image(), chart.ctrl.yFor(60), kGreen), 0);
    EXPECT_EQ(chart.at(92, 30), kGrid);  // the grid where the phase puts it
    chart.ctrl.AddSample(10, 10);
    EXPECT_EQ(chart.at(98, 48), kYellow);
    EXPECT_EQ(chart.at(96, 57), kYellow);  // down to the bottom row
}

TEST(GraphCtrl, TinyChartsAndOutOfRangeValuesStayInsideTheImage) {
    Chart tiny(3, 3);
    for (int i = 0; i < 10; ++i)
        tiny.ctrl.AddSample(i % 2 ? 1000 : -50, -1);
    tiny.ctrl.Redraw();
    EXPECT_EQ(tiny.ctrl.currentHistory().size(), 10);
    Chart none(0, 0);
    none.ctrl.AddSample(50, 50);
    none.ctrl.Redraw();
    EXPECT_FALSE(none.ctrl.image().isNull());
}
