#pragma once
// Script > Edit: which program opens the script file. The desktop's handler
// for the file comes first (it knows the user's editor and starts a terminal
// editor in a terminal itself); otherwise $VISUAL or $EDITOR runs inside a
// terminal emulator. A terminal editor is never started without a terminal:
// with no display there is nothing to start.

#include <QString>
#include <QStringList>

#include <functional>

namespace korvane {

struct EditorLaunch {
    QString program;  // empty: nothing can open the file, see error
    QStringList arguments;
    QString error;
};

struct EditorEnvironment {
    std::function<QString(const char*)> variable;       // an environment variable, empty when unset
    std::function<QString(const QString&)> executable;  // the full path of a program, empty when not found
    static EditorEnvironment system();
};

EditorLaunch planScriptEdit(const QString& scriptFile, const EditorEnvironment& environment);

// Starts the plan detached (no child is left to reap); false with the reason.
bool launchScriptEditor(const QString& scriptFile, QString* error);

}  // namespace korvane
