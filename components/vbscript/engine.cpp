#include "components/vbscript/engine.h"

#include "components/vbscript/interpreter.h"

#include <new>

// Under AddressSanitizer its allocator serves every allocation, and the C
// library's count stays near zero: ask the sanitizer instead.
#if defined(__SANITIZE_ADDRESS__)
#define KORVANE_ASAN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVANE_ASAN_ALLOCATOR 1
#endif
#endif

#if defined(KORVANE_ASAN_ALLOCATOR)
// From the sanitizer runtime (declared here: its header is not always installed).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vbscript {

using automation::AutomationError;
using automation::Variant;

qint64 heapBytesInUse()
{
#if defined(KORVANE_ASAN_ALLOCATOR)
    return qint64(__sanitizer_get_current_allocated_bytes());
#elif defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    // Chunks in use in every arena, and the large blocks mapped on their own.
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
#else
    return 0;
#endif
}

Engine::Engine() : runtime_(std::make_unique<Runtime>()) {}
Engine::~Engine() = default;

template <typename F>
bool Engine::guarded(F&& body)
{
    error_ = ScriptError();
    Runtime& rt = *runtime_;
    rt.interruptRequested.store(false);
    try {
        Runtime::Entry entry(rt);
        body();
        return true;
    } catch (const CompileError& e) {
        error_.number = e.number;
        error_.description = describeError(e.number);
        error_.source = QStringLiteral("Microsoft VBScript compilation error");
        error_.line = e.position.line;
        error_.column = e.position.column;
        error_.compileError = true;
    } catch (const RuntimeError& e) {
        error_.number = e.number();
        error_.description = e.description().isEmpty() ? describeError(e.number()) : e.description();
        error_.source = e.source().isEmpty() ? QStringLiteral("Microsoft VBScript runtime error") : e.source();
        error_.line = e.position().line;
        error_.column = e.position().column;
    } catch (const AutomationError& e) {
        error_.number = e.number();
        error_.description = e.description().isEmpty() ? describeError(e.number()) : e.description();
        error_.source = e.source().isEmpty() ? QStringLiteral("Microsoft VBScript runtime error") : e.source();
        error_.compileError = error_.source == QLatin1String("Microsoft VBScript compilation error");
    } catch (const std::bad_alloc&) {
        error_.number = automation::error::kOutOfMemory;
        error_.description = describeError(error_.number);
        error_.source = QStringLiteral("Microsoft VBScript runtime error");
    } catch (const std::exception&) {
        error_.number = 51;
        error_.description = describeError(51);
        error_.source = QStringLiteral("Microsoft VBScript runtime error");
    }
    // A script error leaves the script's own Err as the error was raised.
    rt.setErr(AutomationError(error_.number, error_.description, error_.source));
    return false;
}

bool Engine::addCode(const QString& code)
{
    return guarded([&] { runtime_->addCode(code); });
}

void Engine::addObject(const QString& name, automation::DispatchRef object, bool addMembers)
{
    runtime_->addObject(name, std::move(object), addMembers);
}

bool Engine::executeStatement(const QString& code)
{
    return guarded([&] { runtime_->executeCode(code, runtime_->globalFrame(), true); });
}

bool Engine::evaluate(const QString& expression, Variant* result)
{
    return guarded([&] {
        Variant v = runtime_->evalCode(expression, runtime_->globalFrame());
        if (result)
            *result = std::move(v);
    });
}

QList<ProcedureInfo> Engine::procedures() const
{
    QList<ProcedureInfo> list;
    for (int index : runtime_->procedureOrder()) {
        const GlobalEntry& e = runtime_->globals()[size_t(index)];
        if (e.kind != GlobalEntry::Procedure || !e.proc)
            continue;
        const auto* declared = runtime_->declarations(index);
        if (!declared || declared->empty()) {
            list.append({e.proc->name, int(e.proc->params.size()), e.proc->kind == ProcKind::Function});
            continue;
        }
        for (const vbscript::Procedure* p : *declared)
            list.append({p->name, int(p->params.size()), p->kind == ProcKind::Function});
    }
    return list;
}

bool Engine::hasProcedure(const QString& name) const
{
    const GlobalEntry* e = runtime_->findGlobal(name);
    return e && e->kind == GlobalEntry::Procedure;
}

bool Engine::run(const QString& name, QList<Variant>& args, Variant* result)
{
    return guarded([&] {
        const GlobalEntry* e = runtime_->findGlobal(name);
        if (!e || e->kind != GlobalEntry::Procedure)
            throw AutomationError(runtime::kNotDefined,
                                  describeError(runtime::kNotDefined) + QStringLiteral(": '%1'").arg(name));
        Args a;
        a.bindAll(args);
        Variant v = runtime_->callProcedure(e->proc, nullptr, nullptr, a);
        if (result)
            *result = std::move(v);
    });
}

bool Engine::run(const QString& name, const QList<Variant>& args, Variant* result)
{
    QList<Variant> copy = args;
    return run(name, copy, result);
}

void Engine::reset()
{
    // Not from inside a callback of a running script: its frames point into what
    // a reset frees.
    if (runtime_->running())
        return;
    runtime_->reset();
    error_ = ScriptError();
}

void Engine::setMsgBoxHandler(MsgBoxHandler handler) { runtime_->msgBox = std::move(handler); }
void Engine::setInputBoxHandler(InputBoxHandler handler) { runtime_->inputBox = std::move(handler); }
void Engine::setCreateObjectHandler(CreateObjectHandler handler) { runtime_->createObject = std::move(handler); }
void Engine::interrupt() { runtime_->interruptRequested.store(true); }
void Engine::setRecursionLimit(int depth) { runtime_->maxDepth = std::max(1, depth); }
void Engine::setStepLimit(qint64 steps) { runtime_->stepLimit = std::max<qint64>(0, steps); }
void Engine::setAllocationLimit(qint64 bytes) { runtime_->allocationLimit = std::max<qint64>(0, bytes); }

}  // namespace vbscript
