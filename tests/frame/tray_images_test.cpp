#include "korvane/shell/tray_images.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {
// Lit segments of a meter: segments whose face row is green, yellow or red.
int litSegments(const QImage& img, int line)
{
    const TrayBarGeometry g = trayBarGeometry(line);
    int lit = 0;
    for (int s = 0; s < kTraySegments; ++s) {
        const QRgb c = img.pixel(g.left + 2, g.segmentTop(s)) | 0xff000000;
        if (c == 0xff00ff00 || c == 0xffffff00 || c == 0xffff0000)
            ++lit;
    }
    return lit;
}
QRgb px(const QImage& img, int x, int y) { return img.pixel(x, y) | 0xff000000; }
}  // namespace

TEST(TrayImages, StripHas65ImagesInSixteenColoursWithMagentaBackground)
{
    const QImage strip = trayImageStrip();
    EXPECT_EQ(strip.size(), QSize(16 * 65, 16));
    const auto& palette = trayPalette();
    EXPECT_EQ(palette.size(), 16);
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x)
            ASSERT_TRUE(palette.contains(px(strip, x, y))) << x << "," << y;
    // The columns between and beside the meters are transparent.
    const QImage img = trayImage(0);
    EXPECT_EQ(qAlpha(img.pixel(0, 8)), 0);
    EXPECT_EQ(qAlpha(img.pixel(8, 8)), 0);
    EXPECT_EQ(qAlpha(img.pixel(15, 8)), 0);
    EXPECT_EQ(qAlpha(img.pixel(3, 8)), 255);
}

TEST(TrayImages, LevelsLightSegmentsFromTheBottomPerLine)
{
    for (int l1 = 0; l1 < 8; ++l1) {
        for (int l2 = 0; l2 < 8; ++l2) {
            const QImage img = trayImage(l1 * 8 + l2);
            EXPECT_EQ(litSegments(img, 1), qMax(0, l1 - 1)) << l1 << l2;
            EXPECT_EQ(litSegments(img, 2), qMax(0, l2 - 1)) << l1 << l2;
        }
    }
    // Image 7: line 1 idle (grey bar), line 2 fully lit with red at the top.
    const QImage seven = trayImage(7);
    const TrayBarGeometry g1 = trayBarGeometry(1), g2 = trayBarGeometry(2);
    EXPECT_EQ(px(seven, g1.left, 0), 0xff808080u);
    EXPECT_EQ(px(seven, g1.left + 2, 8), 0xffc0c0c0u);
    EXPECT_EQ(px(seven, g2.left + 2, g2.segmentTop(0)), 0xff00ff00u);
    EXPECT_EQ(px(seven, g2.left + 2, g2.segmentTop(3)), 0xffffff00u);
    EXPECT_EQ(px(seven, g2.left + 2, g2.segmentTop(5)), 0xffff0000u);
    // Image 0 (both idle) differs from image 9 (both up, no load: dark bars).
    EXPECT_EQ(px(trayImage(9), g1.left + 2, g1.segmentTop(3)), 0xff000000u);
    EXPECT_NE(trayImage(0), trayImage(9));
}

TEST(TrayImages, ImageSixtyFourIsARedCrossOverIdleBarsAndOutOfRangeFallsBackToIt)
{
    const QImage x = trayImage(64);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(px(x, i, i), 0xffff0000u);
        EXPECT_EQ(px(x, 15 - i, i), 0xffff0000u);
    }
    EXPECT_EQ(px(x, trayBarGeometry(1).left + 2, 8), 0xffc0c0c0u);
    EXPECT_EQ(trayImage(-1), x);
    EXPECT_EQ(trayImage(65), x);
    // All 65 pictures differ.
    for (int a = 0; a < 65; ++a)
        for (int b = a + 1; b < 65; ++b)
            ASSERT_NE(trayImage(a), trayImage(b)) << a << " " << b;
}
