#include "korvane/help/help_window.h"

#include "korvane/help/help_topic.h"

#include <QListWidget>
#include <QTextBrowser>

#include <gtest/gtest.h>

using namespace korvane;

TEST(HelpWindow, EveryPageTheProgramOpensIsBuiltIn)
{
    for (const HelpPage& p : helpPages())
        EXPECT_TRUE(helpPageExists(QLatin1String(p.file))) << p.file;
    EXPECT_FALSE(helpPageExists("missing.htm"));
    // Every view's page is in the contents, the Call Log's among them.
    QStringList files;
    for (const HelpPage& p : helpPages())
        files << QLatin1String(p.file);
    for (const char* page : {"The_Status_View.htm", "The_Router_Screens_View.htm", "The_Syslog_View.htm",
                             "The_Call_History_View.htm", "The_Graphs_View.htm", "The_LAN_Packet_Analyzer_View.htm",
                             "The_Call_Log_View.htm"})
        EXPECT_TRUE(files.contains(QLatin1String(page))) << page;
    EXPECT_FALSE(helpPageExists("../help.cmake"));
}

TEST(HelpWindow, TopicOpensThePageAtItsAnchorWithHistory)
{
    EXPECT_EQ(helpUrl("Korvane.chm::/Korvane_Configuration.htm#sound"),
              QUrl("qrc:/help/Korvane_Configuration.htm#sound"));
    EXPECT_EQ(helpUrl("Korvane.chm::/"), QUrl("qrc:/help/introduction.htm"));

    installHelpWindow();
    showHelpTopic("Korvane.chm::/introduction.htm");
    HelpWindow* w = HelpWindow::instance();
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->browser()->toPlainText().contains("Korvane"));
    showHelpTopic("Korvane.chm::/Korvane_Configuration.htm#script");
    EXPECT_EQ(w->currentSource().fileName(), "Korvane_Configuration.htm");
    EXPECT_EQ(w->contents()->currentItem()->text(), "Korvane Configuration");
    EXPECT_TRUE(w->browser()->isBackwardAvailable());
    w->browser()->backward();
    EXPECT_EQ(w->currentSource().fileName(), "introduction.htm");
    showHelpTopic("Korvane.chm::/No_Such_Page.htm");
    EXPECT_TRUE(w->browser()->toPlainText().contains("Page not found"));
}
