#pragma once
// The host around the script control: loads the user's script file, gives it
// the application object as "Application" (its members also as globals),
// learns which event procedures the script defines, fires them, lists and
// runs the user functions, and keeps the last script error as text.

#include "automation/dispatch.h"
#include "components/scriptcontrol/script_control.h"
#include "korvane/monitor/controller.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace korvane {

class CScriptHost : public ScriptEvents {
public:
    // application: the application object's dispatch interface, given to
    // every load. scriptsEnabled: the "Use Scripts" switch, read at each use.
    // scriptFile: the configured script, read at each Compile.
    CScriptHost(automation::DispatchRef application, std::function<bool()> scriptsEnabled,
                std::function<QString()> scriptFile);
    ~CScriptHost() override;

    // MsgBox in a script: the GUI shows a box, the console prints; without a
    // handler the default button answers.
    void setMsgBoxHandler(scriptcontrol::ScriptControl::MsgBoxHandler handler);
    // Where a load error goes (caption, text); the GUI shows an OK box.
    void setLoadErrorBox(std::function<void(const QString& caption, const QString& text)> box) {
        loadErrorBox_ = std::move(box);
    }
    // Called with the error text after each operation that recorded one,
    // except a load whose error goes to the load error box.
    void setErrorListener(std::function<void(const QString& text)> listener) { errorListener_ = std::move(listener); }
    // Seconds one call into the script may run; 0 turns the limit off.
    void setTimeout(int seconds) { control_.setTimeout(seconds); }
    // Megabytes one call may add to what the monitor holds; 0 turns it off.
    void setMemoryLimit(int megabytes) { control_.setMemoryLimit(megabytes); }

    bool LoadScript(const QString& fileName, const automation::DispatchRef& application);
    void FireOnConnect(int line) { fireLine(Event::Connect, line); }
    void FireOnDisconnect(int line) { fireLine(Event::Disconnect, line); }
    void FireOnCLIDChange(int line) { fireLine(Event::CLIDChange, line); }
    void FireOnSysLog(const QString& text) { fire(Event::SysLog, {automation::Variant(text)}); }
    void FireOnTtyChange(const QString& text) { fire(Event::TtyChange, {automation::Variant(text)}); }
    void FireOnAppLoad() { fire(Event::AppLoad, {}); }
    void FireOnAppUnload();
    void FireOnTick() { fire(Event::Tick, {}); }
    void ListUserFunctions(QStringList& list);
    void RunUserFunction(const QString& name);
    bool HasError() const { return hasError_; }
    const QString& ErrorText() const { return errorText_; }

    // Loading at start-up and by Compile: when scripts are enabled, load the
    // configured file; on success OnAppLoad, on a recorded error the box.
    // An empty name fails at start-up and is ignored by Compile.
    void loadConfigured(bool fromCompile);

    // The controller's view of the host.
    bool hasEvent(const QString& name) const override;
    void fireEvent(const QString& name, const QList<automation::Variant>& args) override;
    void compile() override { loadConfigured(true); }

    // The event procedures the loaded script defines, in table order.
    QStringList eventProcedures() const;
    scriptcontrol::ScriptControl& control() { return control_; }

    enum class Event { Connect, Disconnect, CLIDChange, AppLoad, AppUnload, SysLog, Tick, TtyChange, Count };
    static QString eventName(Event event);
    // Larger script files are refused: no real script comes near this, and
    // the whole text is held in memory several times while it compiles.
    static constexpr qint64 kMaxScriptBytes = qint64(16) << 20;
    // The text of a script file: UTF-16 or UTF-32 after a byte order mark,
    // else UTF-8, else the single-byte code page.
    static QString scriptText(const QByteArray& bytes);
    static int eventArgumentCount(Event event);
    // "<description>. Line <l>, Column <c>", saying line and column only
    // where the engine gave them (above 0).
    static QString errorText(const QString& description, int line, int column);
    // Whether the event also needs "Use Scripts" on (the others only a host).
    static bool needsScriptsEnabled(Event event);

private:
    static QString readScriptFile(const QString& fileName, QByteArray& bytes);
    void recordLoadError(const QString& description);
    void recordError(const QString& text);
    void clearError();
    void collectError();
    void fire(Event event, const QList<automation::Variant>& args);
    void fireLine(Event event, int line) { fire(event, {automation::Variant(qint32(line))}); }

    scriptcontrol::ScriptControl control_;
    automation::DispatchRef application_;
    std::function<bool()> scriptsEnabled_;
    std::function<QString()> scriptFile_;
    std::function<void(const QString&, const QString&)> loadErrorBox_;
    std::function<void(const QString&)> errorListener_;
    bool has_[int(Event::Count)] = {};
    bool hasError_ = false;
    bool loadReported_ = false;
    QString errorText_;
};

}  // namespace korvane
