#pragma once
// A VBScript engine for hosts: add code, add named objects, list and run the
// script's procedures, read the last error. Values cross as automation
// Variants; objects as automation Dispatch references both ways (class
// instances made by a script are Dispatch objects a host can keep and call).
//
// Everything runs on the caller's thread; only interrupt() may be called
// from another thread.

#include "automation/dispatch.h"
#include "automation/variant.h"

#include <QString>

#include <functional>
#include <memory>

namespace vbscript {

class Runtime;

// Bytes the process's allocator has handed out and not had back; 0 where the
// platform does not tell.
qint64 heapBytesInUse();

// The last error of an engine operation. Lines and columns count from 1;
// both are 0 when the error has no place in the code.
struct ScriptError {
    int number = 0;
    QString description;
    QString source;  // "Microsoft VBScript compilation error" / "... runtime error"
    int line = 0;
    int column = 0;
    bool compileError = false;

    bool isError() const { return number != 0; }
};

struct ProcedureInfo {
    QString name;  // as declared
    int argumentCount = 0;
    bool isFunction = false;
};

class Engine {
public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Compiles code and runs its global statements. Its procedures and classes
    // join the ones added before (a later definition replaces an earlier one).
    // False on a compile or run-time error, which lastError() then describes.
    bool addCode(const QString& code);
    // A named object: the script reaches it by name, and with addMembers its
    // properties and methods also as global names.
    void addObject(const QString& name, automation::DispatchRef object, bool addMembers);
    // Runs one statement block (ExecuteGlobal) or evaluates an expression.
    bool executeStatement(const QString& code);
    bool evaluate(const QString& expression, automation::Variant* result);

    // The global Subs and Functions, in the order they were first declared.
    QList<ProcedureInfo> procedures() const;
    bool hasProcedure(const QString& name) const;
    // Calls a global procedure by name (without regard to case). Arguments
    // are passed by reference: a procedure that changes a ByRef parameter
    // changes the caller's list. An unknown name fails with 35.
    bool run(const QString& name, QList<automation::Variant>& args, automation::Variant* result = nullptr);
    bool run(const QString& name, const QList<automation::Variant>& args = {}, automation::Variant* result = nullptr);

    const ScriptError& lastError() const { return error_; }
    void clearError() { error_ = ScriptError(); }
    // Discards code, variables and named objects (running each remaining
    // instance's Class_Terminate). Ignored when called from a callback while a
    // script runs.
    void reset();

    // Host callbacks. Without a MsgBox handler MsgBox returns vbOK; without an
    // InputBox handler InputBox returns an empty text; CreateObject fails with
    // 429 for every id the handler answers with a null reference.
    using MsgBoxHandler = std::function<int(const QString& prompt, int buttons, const QString& title)>;
    using InputBoxHandler =
        std::function<automation::Variant(const QString& prompt, const QString& title, const QString& defaultText)>;
    using CreateObjectHandler = std::function<automation::DispatchRef(const QString& programId)>;
    void setMsgBoxHandler(MsgBoxHandler handler);
    void setInputBoxHandler(InputBoxHandler handler);
    void setCreateObjectHandler(CreateObjectHandler handler);

    // Asks a running script to stop: it ends at its next loop step or call with
    // error 18 "User interrupt occurred", which On Error Resume Next does not
    // catch. The request is cleared when the next operation starts.
    void interrupt();
    // Calls deeper than this end with 28 "Out of stack space".
    void setRecursionLimit(int depth);
    // Ends an operation that takes more than this many loop steps and calls
    // the way interrupt() does (error 18), so that a run is bounded without a
    // clock. Each operation, and each call of a script object from the host,
    // counts afresh. 0, the default, sets no limit.
    void setStepLimit(qint64 steps);
    // Bytes the script may hold: what the heap holds beyond what it held when
    // the engine was made or last reset. An allocation that would pass it, or
    // a loop that has passed it, ends the operation with 7 "Out of memory",
    // which On Error Resume Next does not catch. What the script keeps
    // counts across operations; what it lets go of does not. The default is
    // 512 MB; 0 sets no limit.
    void setAllocationLimit(qint64 bytes);

private:
    template <typename F>
    bool guarded(F&& body);

    std::unique_ptr<Runtime> runtime_;
    ScriptError error_;
};

}  // namespace vbscript
