#include "korvane/shell/splash.h"

#include <QMouseEvent>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using namespace korvane;

namespace {
struct Splash : ::testing::Test {
    QWidget owner;
    QList<int> written;
    SplashWindow* splash = nullptr;
    void SetUp() override
    {
        owner.resize(400, 400);
        owner.show();
        splash = SplashWindow::ShowSplashIfEnabled(&owner, true, [this](int v) { written << v; });
        ASSERT_TRUE(splash);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(splash));
    }
    void TearDown() override { SplashWindow::HideSplash(); }
    // Sends a press where the application receives it: at the splash's window.
    bool press(Qt::MouseButton button, QPoint at, QEvent::Type type = QEvent::MouseButtonPress)
    {
        QWindow* w = splash->windowHandle();
        QMouseEvent e(type, QPointF(at), QPointF(splash->mapToGlobal(at)), button, button, Qt::NoModifier);
        return splash->filterEvent(w, &e);
    }
};
}  // namespace

TEST_F(Splash, PictureAndBoxesHaveTheirSizes)
{
    EXPECT_EQ(SplashWindow::picture().size(), QSize(230, 281));
    EXPECT_EQ(SplashWindow::boxImage(true).size(), QSize(13, 13));
    EXPECT_NE(SplashWindow::boxImage(true), SplashWindow::boxImage(false));
    EXPECT_EQ(splash->size(), QSize(230, 281));
    // Only one splash at a time.
    EXPECT_EQ(SplashWindow::ShowSplashIfEnabled(&owner, true, {}), splash);
}

TEST_F(Splash, HideBoxTogglesTheFlagAndTwoClicksLeaveItOn)
{
    EXPECT_FALSE(press(Qt::LeftButton, QPoint(20, 268)));
    EXPECT_TRUE(splash->hideTicked());
    EXPECT_EQ(splash->face().copy(14, 262, 13, 13), SplashWindow::boxImage(true));
    EXPECT_FALSE(press(Qt::LeftButton, QPoint(74, 279)));  // the label's far corner still counts
    EXPECT_FALSE(splash->hideTicked());
    EXPECT_EQ(written, QList<int>({0, 1}));
    EXPECT_EQ(SplashWindow::instance(), splash);
}

TEST_F(Splash, LeftClickElsewhereDoesNothing)
{
    for (QPoint p : {QPoint(13, 268), QPoint(75, 268), QPoint(20, 261), QPoint(20, 280), QPoint(100, 100)})
        EXPECT_FALSE(press(Qt::LeftButton, p));
    EXPECT_TRUE(written.isEmpty());
    EXPECT_EQ(SplashWindow::instance(), splash);
}

TEST_F(Splash, OtherButtonsAndKeysCloseItAndAreConsumed)
{
    EXPECT_TRUE(press(Qt::RightButton, QPoint(100, 100)));
    EXPECT_FALSE(SplashWindow::instance());

    splash = SplashWindow::ShowSplashIfEnabled(&owner, true, {});
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    // A widget-level delivery is not the first look; the window-level one is.
    EXPECT_FALSE(splash->filterEvent(splash, &key));
    EXPECT_TRUE(splash->filterEvent(owner.windowHandle(), &key));
    EXPECT_FALSE(SplashWindow::instance());

    splash = SplashWindow::ShowSplashIfEnabled(&owner, true, {});
    EXPECT_TRUE(press(Qt::LeftButton, QPoint(1, 1), QEvent::NonClientAreaMouseButtonPress));
    EXPECT_FALSE(SplashWindow::instance());
}

TEST(SplashOff, DisabledFlagShowsNone)
{
    QWidget owner;
    EXPECT_EQ(SplashWindow::ShowSplashIfEnabled(&owner, false, {}), nullptr);
    EXPECT_FALSE(SplashWindow::instance());
}
