#include "korvane/script/script_editor.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace korvane {

EditorEnvironment EditorEnvironment::system() {
    return {[](const char* name) { return qEnvironmentVariable(name); },
            [](const QString& program) { return QStandardPaths::findExecutable(program); }};
}

EditorLaunch planScriptEdit(const QString& scriptFile, const EditorEnvironment& env) {
    EditorLaunch plan;
    const QString file = QFileInfo(scriptFile).absoluteFilePath();
    const bool display = !env.variable("DISPLAY").isEmpty() || !env.variable("WAYLAND_DISPLAY").isEmpty();
    if (!display) {
        plan.error = QStringLiteral("Cannot open \"%1\" for editing: there is no display to show an editor on.").arg(file);
        return plan;
    }
    // The desktop's own handler for the file's type.
    if (const QString opener = env.executable(QStringLiteral("xdg-open")); !opener.isEmpty()) {
        plan.program = opener;
        plan.arguments = {file};
        return plan;
    }
    // The user's editor, in a terminal of its own.
    QStringList editor;
    for (const char* name : {"VISUAL", "EDITOR"}) {
        editor = QProcess::splitCommand(env.variable(name));
        if (!editor.isEmpty())
            break;
    }
    if (editor.isEmpty()) {
        plan.error = QStringLiteral("Cannot open \"%1\" for editing: the desktop has no handler for it and "
                                    "neither VISUAL nor EDITOR names an editor.")
                         .arg(file);
        return plan;
    }
    QStringList terminals;
    if (const QString chosen = env.variable("TERMINAL"); !chosen.isEmpty())
        terminals << chosen;
    terminals << QStringLiteral("x-terminal-emulator") << QStringLiteral("xterm") << QStringLiteral("konsole")
              << QStringLiteral("gnome-terminal") << QStringLiteral("foot") << QStringLiteral("alacritty");
    for (const QString& terminal : terminals) {
        const QString path = env.executable(terminal);
        if (path.isEmpty())
            continue;
        plan.program = path;
        // "--" ends gnome-terminal's own options; the others take "-e".
        plan.arguments = {QFileInfo(path).fileName() == QLatin1String("gnome-terminal") ? QStringLiteral("--")
                                                                                         : QStringLiteral("-e")};
        plan.arguments << editor << file;
        return plan;
    }
    plan.error = QStringLiteral("Cannot open \"%1\" for editing: \"%2\" needs a terminal and no terminal emulator "
                                "was found (set TERMINAL).")
                     .arg(file, editor.first());
    return plan;
}

bool launchScriptEditor(const QString& scriptFile, QString* error) {
    const EditorLaunch plan = planScriptEdit(scriptFile, EditorEnvironment::system());
    if (plan.program.isEmpty()) {
        if (error)
            *error = plan.error;
        return false;
    }
    if (!QProcess::startDetached(plan.program, plan.arguments)) {
        if (error)
            *error = QStringLiteral("Cannot start \"%1\" to edit \"%2\".").arg(plan.program, scriptFile);
        return false;
    }
    return true;
}

}  // namespace korvane
