#pragma once
// The script control: one front over two engines, VBScript (our own engine)
// and JScript (QJSEngine). A host sets the language, adds code and named
// objects, lists the procedures, runs them by name and reads the last error.
//
// Everything runs on the caller's thread. A call that runs longer than the
// timeout is interrupted from a watchdog thread and ends with an error.

#include "automation/dispatch.h"
#include "automation/variant.h"

#include <QString>

#include <functional>
#include <memory>

namespace scriptcontrol {

struct Procedure {
    QString name;
    int numArgs = 0;
};

struct Error {
    int number = 0;
    QString description;
    int line = 0;
    int column = 0;
    bool isError() const { return number != 0; }
};

// The error number of a call stopped by the timeout.
inline constexpr int kTimeoutError = 18;
// The error number of a call stopped by the memory budget ("Out of memory").
inline constexpr int kOutOfMemoryError = 7;
inline constexpr int kDefaultMemoryLimitMB = 512;

class Backend;

class ScriptControl {
public:
    ScriptControl();
    ~ScriptControl();
    ScriptControl(const ScriptControl&) = delete;
    ScriptControl& operator=(const ScriptControl&) = delete;

    // "VBScript" or "JScript" (without regard to case); anything else fails
    // with an error and keeps the language. Changing it discards the code.
    bool setLanguage(const QString& language);
    QString language() const;
    // Discards code and named objects.
    void reset();
    void setAllowUI(bool allow) { allowUI_ = allow; }
    bool allowUI() const { return allowUI_; }
    void setUseSafeSubset(bool safe) { useSafeSubset_ = safe; }
    bool useSafeSubset() const { return useSafeSubset_; }

    bool addCode(const QString& code);
    void addObject(const QString& name, automation::DispatchRef object, bool addMembers);
    QList<Procedure> procedures() const;
    // Calls a procedure; false on an error, which error() then describes.
    bool run(const QString& name, const QList<automation::Variant>& args = {},
             automation::Variant* result = nullptr);

    const Error& error() const { return error_; }
    void clearError() { error_ = Error(); }

    // Ends the call running now as its time limit would; safe from any
    // thread. Without a running call nothing happens.
    void interruptRunning();

    // Seconds a call may run (0: no limit).
    void setTimeout(int seconds) { timeoutSeconds_ = seconds < 0 ? 0 : seconds; }
    int timeout() const { return timeoutSeconds_; }
    // Megabytes the script may hold (0: no limit): what the process holds
    // beyond what it held when the script was loaded, across calls. Past it
    // the call ends with 7 "Out of memory" and the script stays loaded.
    void setMemoryLimit(int megabytes);
    int memoryLimit() const { return memoryLimitMB_; }

    // MsgBox(prompt, buttons, title) -> the button pressed (vbOK = 1 ...).
    // Without a handler, or with AllowUI off, MsgBox answers with the default
    // button and shows nothing.
    using MsgBoxHandler = std::function<int(const QString& prompt, int buttons, const QString& title)>;
    void setMsgBoxHandler(MsgBoxHandler handler) { msgBox_ = std::move(handler); }
    // CreateObject / new ActiveXObject: a null answer fails with 429. The
    // default serves the built-in host objects.
    using CreateObjectHandler = std::function<automation::DispatchRef(const QString& programId)>;
    void setCreateObjectHandler(CreateObjectHandler handler) { createObject_ = std::move(handler); }

    // The default button of a MsgBox button set: what a host without UI answers.
    static int defaultButton(int buttons);

private:
    friend class Backend;
    void makeBackend();
    int showMessage(const QString& prompt, int buttons, const QString& title);
    automation::DispatchRef create(const QString& programId);
    template <typename F>
    bool timed(F&& body);

    std::unique_ptr<Backend> backend_;
    bool jscript_ = false;
    bool allowUI_ = false;
    bool useSafeSubset_ = false;
    int timeoutSeconds_ = 0;
    int memoryLimitMB_ = kDefaultMemoryLimitMB;
    Error error_;
    MsgBoxHandler msgBox_;
    CreateObjectHandler createObject_;
    struct Objects;
    std::unique_ptr<Objects> objects_;
};

// The host objects scripts may create: "Scripting.FileSystemObject",
// "Scripting.Dictionary", "WScript.Shell" (ids without regard to case). Null
// for any other id. The shell's Popup goes to popup.
automation::DispatchRef createHostObject(const QString& programId,
                                         ScriptControl::MsgBoxHandler popup = {});

}  // namespace scriptcontrol
