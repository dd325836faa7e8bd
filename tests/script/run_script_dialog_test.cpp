// The Run Script Function dialog: sorted names, "&Run" only for a non-empty
// selection, the chosen name, and F1's topic.

#include "korvane/help/help_topic.h"
#include "korvane/model/application.h"
#include "korvane/script/run_script_dialog.h"
#include "korvane/script/script_editor.h"

#include <QFile>
#include <QMap>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(RunScriptDialog, SortedListAndRunEnabledForNamedEntries) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.vbs"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Sub Run_Zeta\nEnd Sub\nSub Run_\nEnd Sub\nSub Run_Alpha\nMsgBox \"alpha\"\nEnd Sub\nSub Run_Arg(x)\nEnd Sub\n");
    f.close();
    CApplication app;
    auto dispatch = automation::dispatchFor(&app);
    korvane::CScriptHost host(dispatch, [] { return true; }, [] { return QString(); });
    QStringList boxes;
    host.setMsgBoxHandler([&](const QString& p, int, const QString&) {
        boxes.append(p);
        return 1;
    });
    ASSERT_TRUE(host.LoadScript(path, dispatch));

    korvane::RunScriptDialog dialog(&host);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Run Script Function"));
    QListWidget* list = dialog.list();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), QString());
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("Alpha"));
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("Zeta"));
    EXPECT_FALSE(dialog.runButton()->isEnabled());
    EXPECT_TRUE(dialog.runButton()->isDefault());
    list->setCurrentRow(0);
    EXPECT_FALSE(dialog.runButton()->isEnabled());
    list->setCurrentRow(1);
    EXPECT_TRUE(dialog.runButton()->isEnabled());
    dialog.runButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.selectedFunction(), QStringLiteral("Alpha"));
    host.RunUserFunction(dialog.selectedFunction());
    EXPECT_EQ(boxes, QStringList({"alpha"}));

    QString topic;
    korvane::setHelpTopicHandler([&](const QString& t) { topic = t; });
    korvane::RunScriptDialog empty(nullptr);
    EXPECT_EQ(empty.list()->count(), 0);
    QTest::keyClick(&empty, Qt::Key_F1);
    EXPECT_EQ(topic, QStringLiteral("Korvane.chm::/Run_Script_Function_Dialog.htm"));
    korvane::setHelpTopicHandler(nullptr);
}

}  // namespace

TEST(ScriptEdit, TheDesktopsHandlerFirstATerminalEditorOnlyInATerminal) {
    QMap<QString, QString> vars;
    QStringList programs;
    const korvane::EditorEnvironment env{
        [&](const char* name) { return vars.value(QLatin1String(name)); },
        [&](const QString& p) { return programs.contains(p) ? QStringLiteral("/usr/bin/") + p : QString(); }};
    const QString file = QStringLiteral("/home/u/monitor.vbs");

    vars = {{"DISPLAY", ":0"}, {"EDITOR", "vi"}};
    programs = {"xdg-open", "x-terminal-emulator"};
    korvane::EditorLaunch plan = korvane::planScriptEdit(file, env);
    EXPECT_EQ(plan.program, QStringLiteral("/usr/bin/xdg-open"));
    EXPECT_EQ(plan.arguments, QStringList{file});

    // No desktop handler: vi runs in a terminal emulator, never on its own.
    programs = {"x-terminal-emulator", "vi"};
    vars = {{"WAYLAND_DISPLAY", "wayland-0"}, {"EDITOR", "vi"}, {"VISUAL", "nvim -p"}};
    plan = korvane::planScriptEdit(file, env);
    EXPECT_EQ(plan.program, QStringLiteral("/usr/bin/x-terminal-emulator"));
    EXPECT_EQ(plan.arguments, (QStringList{"-e", "nvim", "-p", file}));
    programs = {"gnome-terminal"};
    plan = korvane::planScriptEdit(file, env);
    EXPECT_EQ(plan.arguments.first(), QStringLiteral("--"));

    programs = {"vi"};
    plan = korvane::planScriptEdit(file, env);
    EXPECT_TRUE(plan.program.isEmpty());
    EXPECT_TRUE(plan.error.contains(QStringLiteral("terminal"))) << plan.error.toStdString();

    // Without a display nothing is started, whatever EDITOR says.
    vars = {{"EDITOR", "vi"}};
    programs = {"xdg-open", "x-terminal-emulator", "vi"};
    plan = korvane::planScriptEdit(file, env);
    EXPECT_TRUE(plan.program.isEmpty());
    EXPECT_TRUE(plan.error.contains(file));
}
