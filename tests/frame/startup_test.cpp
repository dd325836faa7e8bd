#include "korvane/shell/startup.h"

#include "korvane/shell/splash.h"
#include "memory_store.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {
struct Recorder {
    QStringList steps;
    bool sheetResult = false;
    QString password;
    StartupHooks hooks(CMainFrame& frame)
    {
        StartupHooks h;
        h.createViews = [this] { steps << "views"; };
        h.password = [this] { return password; };
        h.runConfigSheet = [this] {
            steps << (SplashWindow::instance() ? "sheet with splash" : "sheet");
            return sheetResult;
        };
        h.loadScript = [this] { steps << "script"; };
        h.title = [this] {
            steps << "title";
            return QStringLiteral("ZyXEL Prestige Korvane v. 2.05 on 127.0.0.1");
        };
        h.firstUpdates = [this, &frame] { steps << (frame.isVisible() ? "connect while shown" : "connect"); };
        return h;
    }
};
}  // namespace

TEST(Startup, FirstRunHidesSplashOpensSheetBeforeConnectingAndCancelStillStarts)
{
    MemoryStore store;
    CMainFrame frame(&store);
    frame.create(true);
    ASSERT_TRUE(SplashWindow::instance());
    Recorder r;
    r.password = "secret";
    EXPECT_FALSE(runStartupSteps(frame, store, r.hooks(frame), false));
    EXPECT_EQ(r.steps, QStringList({"views", "sheet", "title", "connect"}));
    EXPECT_FALSE(store.values.contains("Settings/Configured"));
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(frame.windowTitle(), "ZyXEL Prestige Korvane v. 2.05 on 127.0.0.1");
}

TEST(Startup, OkWritesConfiguredAndLoadsTheScript)
{
    MemoryStore store;
    CMainFrame frame(&store);
    frame.create(false);
    Recorder r;
    r.sheetResult = true;
    EXPECT_TRUE(runStartupSteps(frame, store, r.hooks(frame), true));
    EXPECT_EQ(r.steps, QStringList({"views", "sheet", "script", "title", "connect"}));
    EXPECT_EQ(store.values.value("Settings/Configured").toInt(), 1);
    EXPECT_FALSE(frame.isVisible());
}

TEST(Startup, ConfiguredWithPasswordSkipsTheSheetButDeletedPasswordAsksAgain)
{
    EXPECT_FALSE(needsConfiguration(true, "pw"));
    EXPECT_TRUE(needsConfiguration(false, "pw"));
    EXPECT_TRUE(needsConfiguration(true, ""));
    EXPECT_TRUE(needsConfiguration(true, "<deleted>"));

    MemoryStore store;
    store.values.insert("Settings/Configured", 1);
    CMainFrame frame(&store);
    frame.create(false);
    Recorder r;
    r.password = "pw";
    EXPECT_TRUE(runStartupSteps(frame, store, r.hooks(frame), false));
    EXPECT_EQ(r.steps, QStringList({"views", "script", "title", "connect"}));
}
