#pragma once
// The Run Script Function dialog and the Script menu's commands.

#include "korvane/script/script_host.h"

#include <QDialog>

class QListWidget;
class QPushButton;

namespace korvane {

class RunScriptDialog : public QDialog {
    Q_OBJECT
public:
    // Filled from the host's user functions; with no host the list stays empty.
    explicit RunScriptDialog(CScriptHost* host, QWidget* parent = nullptr);

    // The selected name once closed with "&Run".
    QString selectedFunction() const { return selected_; }
    QListWidget* list() const { return list_; }
    QPushButton* runButton() const { return run_; }

    static constexpr const char* kHelpTopic = "Korvane.chm::/Run_Script_Function_Dialog.htm";

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void selectionChanged();
    void accept() override;

    QListWidget* list_;
    QPushButton* run_;
    QString selected_;
};

// The Script menu. Edit and Compile and Run are enabled with "Use Scripts".
struct ScriptCommands {
    // Opens the script file in the user's editor; false when none could
    // start, with the reason in error.
    static bool edit(const QString& scriptFile, QString* error = nullptr);
    // Run...: when scripts are enabled, the dialog, then the chosen function.
    static void run(CScriptHost* host, bool scriptsEnabled, QWidget* parent);
};

}  // namespace korvane
