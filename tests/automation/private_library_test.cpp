// The program's own libraries loaded on demand from beside the automation
// layer: found there, and a missing file or symbol is a message, not a crash.
#include "automation/private_library.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace automation;

TEST(PrivateLibrary, LoadsFromBesideTheAutomationLayerAndSaysWhyNot) {
    const QString folder = privateLibraryFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(QDir(folder).filePath(QStringLiteral("libautomation.so"))));

    QString error;
    // The layer itself, by a symbol every build exports.
    EXPECT_NE(resolvePrivateSymbol(QStringLiteral("libautomation.so"), "_ZN10automation20privateLibraryFolderEv", &error),
              nullptr)
        << error.toStdString();

    error.clear();
    EXPECT_EQ(resolvePrivateSymbol(QStringLiteral("libkorvane_nothing.so"), "korvane_main", &error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("libkorvane_nothing.so"))) << error.toStdString();

    error.clear();
    EXPECT_EQ(resolvePrivateSymbol(QStringLiteral("libautomation.so"), "no_such_entry", &error), nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("no_such_entry"))) << error.toStdString();
    // Without a place for the message it still fails quietly.
    EXPECT_EQ(resolvePrivateSymbol(QStringLiteral("libkorvane_nothing.so"), "korvane_main", nullptr), nullptr);
}
