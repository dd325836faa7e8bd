#include "korvane/shell/placement.h"

#include <gtest/gtest.h>

using namespace korvane;

TEST(Placement, RecordLayoutIsLittleEndianWithBarFlagsAndTwoZeroBytes)
{
    WindowPlacement p;
    p.flags = 2;
    p.showCmd = 1;
    p.minPosition = {-1, -1};
    p.maxPosition = {-8, -30};
    p.setNormalRect(QRect(100, 200, 492, 138));
    p.toolBarVisible = true;
    p.statusBarVisible = false;
    const QByteArray b = encodePlacement(p);
    ASSERT_EQ(b.size(), 48);
    const unsigned char expected[48] = {44, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0xff, 0xff, 0xff, 0xff,
                                        0xff, 0xff, 0xff, 0xff, 0xf8, 0xff, 0xff, 0xff, 0xe2, 0xff, 0xff, 0xff,
                                        100, 0, 0, 0, 200, 0, 0, 0, 0x50, 0x02, 0, 0, 0x52, 0x01, 0, 0,
                                        1, 0, 0, 0};
    EXPECT_EQ(b, QByteArray(reinterpret_cast<const char*>(expected), 48));
    const auto back = decodePlacement(b);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, p);
    EXPECT_EQ(back->normalRect(), QRect(100, 200, 492, 138));
}

TEST(Placement, WrongSizeTypeOrImpossibleRectangleIsIgnored)
{
    WindowPlacement p;
    p.setNormalRect(QRect(0, 0, 300, 200));
    const QByteArray good = encodePlacement(p);
    EXPECT_FALSE(decodePlacement(good.left(47)));
    EXPECT_FALSE(decodePlacement(good + '\0'));
    EXPECT_FALSE(decodePlacement(QByteArray()));
    EXPECT_TRUE(placementFromValue(QVariant(good)));
    EXPECT_FALSE(placementFromValue(QVariant(QString::fromLatin1(good.toHex()))));
    EXPECT_FALSE(placementFromValue(QVariant(48)));
    EXPECT_FALSE(placementFromValue(QVariant()));

    WindowPlacement empty;
    empty.setNormalRect(QRect(10, 10, 0, 50));
    EXPECT_FALSE(decodePlacement(encodePlacement(empty)));
    WindowPlacement huge;
    huge.left = INT32_MIN;
    huge.right = INT32_MAX;
    huge.top = 0;
    huge.bottom = 100;
    EXPECT_FALSE(decodePlacement(encodePlacement(huge)));
}

TEST(Placement, NamesAndCentring)
{
    EXPECT_EQ(placementValueName("StatusView"), "StatusViewPlacement");
    EXPECT_EQ(centredRect(QSize(492, 138), QRect(0, 0, 1280, 800)), QRect(394, 331, 492, 138));
    // A window larger than the screen goes to a negative offset, as the halves say.
    EXPECT_EQ(centredRect(QSize(700, 600), QRect(0, 0, 640, 480)).topLeft(), QPoint(-30, -60));
    EXPECT_EQ(centredRect(QSize(100, 100), QRect(1280, 0, 1000, 800)).topLeft(), QPoint(1730, 350));
}

TEST(Placement, KeptWithinTheAvailableAreaOfAScreenThatExists)
{
    const QRect small(0, 0, 1024, 740);  // 1024x768 less a 28 px panel
    // Running off the right and the bottom: moved back, size kept.
    EXPECT_EQ(keptOnScreen(QRect(500, 400, 700, 400), {small}), QRect(324, 340, 700, 400));
    // Above or left of the area: the title bar comes back into reach.
    EXPECT_EQ(keptOnScreen(QRect(-80, -30, 600, 300), {small}), QRect(0, 0, 600, 300));
    // Larger than the area: shrunk to it.
    EXPECT_EQ(keptOnScreen(QRect(10, 10, 1300, 900), {small}), small);
    // Already inside: untouched.
    EXPECT_EQ(keptOnScreen(QRect(100, 100, 300, 200), {small}), QRect(100, 100, 300, 200));

    // Two screens side by side: a window mostly on the right one stays there.
    const QRect right(1024, 0, 1280, 900);
    EXPECT_EQ(keptOnScreen(QRect(900, 100, 600, 400), {small, right}), QRect(1024, 100, 600, 400));
    // Stored on a screen that is gone: it comes onto the first one.
    EXPECT_EQ(keptOnScreen(QRect(3000, 200, 500, 300), {small}), QRect(524, 200, 500, 300));
    // No screen known (nothing to fit into): as given.
    EXPECT_EQ(keptOnScreen(QRect(3000, 200, 500, 300), {}), QRect(3000, 200, 500, 300));
}
