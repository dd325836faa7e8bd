#pragma once
// Internal: the engines behind the script control.

#include "components/scriptcontrol/script_control.h"

namespace scriptcontrol {

class Backend {
public:
    virtual ~Backend() = default;
    virtual bool addCode(const QString& code, Error* error) = 0;
    virtual void addObject(const QString& name, automation::DispatchRef object, bool addMembers) = 0;
    virtual QList<Procedure> procedures() const = 0;
    virtual bool run(const QString& name, const QList<automation::Variant>& args, automation::Variant* result,
                     Error* error) = 0;
    // May be called from another thread.
    virtual void interrupt() = 0;
    // The budget of one call's allocations the engine itself checks, if any.
    virtual void setMemoryLimit(qint64 bytes) { (void)bytes; }

    using MsgBox = std::function<int(const QString&, int, const QString&)>;
    using Create = std::function<automation::DispatchRef(const QString&)>;
};

std::unique_ptr<Backend> makeVBScriptBackend(Backend::MsgBox msgBox, Backend::Create create);
// JScript runs on QJSEngine, in libkorvane_jscript, loaded the first time a
// JScript backend is made: a monitor whose script is VBScript never maps Qt
// Qml. Where the library cannot be loaded, the backend refuses all code with
// an error that says why.
std::unique_ptr<Backend> makeJScriptBackend(Backend::MsgBox msgBox, Backend::Create create);

}  // namespace scriptcontrol
