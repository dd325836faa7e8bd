#include "korvane/shell/tray_images.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// The application icon shows the tray meter with line 1 at full load and
// line 2 at half load.
constexpr int kIconTrayImage = 7 * 8 + 4;

QImage icon(int size)
{
    return QImage(QStringLiteral(KORVANE_SOURCE_DIR "/packaging/icons/%1x%1/korvane.png").arg(size))
        .convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

TEST(ApplicationIconTest, EveryHicolorSizeIsThereAtItsSize)
{
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage image = icon(size);
        ASSERT_FALSE(image.isNull()) << size;
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_TRUE(image.hasAlphaChannel()) << size;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;  // the gap left of line 1's meter
    }
}

TEST(ApplicationIconTest, IsTheTrayMeterPixelForPixelAndScaledWhole)
{
    const QImage tray = korvane::trayImage(kIconTrayImage);
    EXPECT_EQ(icon(16), tray);
    for (int size : {32, 48, 64, 128, 256})
        EXPECT_EQ(icon(size), tray.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation)) << size;
}
