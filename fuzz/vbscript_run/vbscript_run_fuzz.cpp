// Compiles and runs arbitrary text as a VBScript program, then calls each of
// its procedures and evaluates the text as an expression, under a step limit
// so that endless loops end, and discards everything (Class_Terminate runs).
// Script errors are expected; crashes, hangs, leaks and errors without a
// number or text are not. The only objects are the engine's own, a dictionary
// from CreateObject and one dictionary as a named object: nothing that
// reaches files, programs or the network.

#include "components/scriptcontrol/host_objects.h"
#include "components/vbscript/engine.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Enough for the corpus' loops, small enough that a run stays well under the
// fuzzer's time limit.
constexpr qint64 kStepLimit = 20000;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Code added with addCode has its compile errors placed; Eval and Execute
// text reports them as run-time errors do, without a place.
void checkError(const vbscript::Engine& engine, bool succeeded, bool placed = false)
{
    const vbscript::ScriptError& e = engine.lastError();
    bool sound = succeeded ? !e.isError()
                           : e.isError() && !e.source.isEmpty() && e.line >= 0 && e.column >= 0
                                 && (!placed || !e.compileError || (e.line >= 1 && e.column >= 1));
    if (!sound) {
        // Said first, so that a reproduction shows what went wrong.
        std::fprintf(stderr, "result %d, error %d \"%s\" from \"%s\" at %d:%d\n", int(succeeded), e.number,
                     qPrintable(e.description), qPrintable(e.source), e.line, e.column);
        std::abort();
    }
}

automation::DispatchRef dictionary()
{
    return scriptcontrol::owningDispatch(std::make_unique<scriptcontrol::Dictionary>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 16 * 1024)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    vbscript::Engine engine;
    engine.setStepLimit(kStepLimit);
    engine.setMsgBoxHandler([](const QString&, int, const QString&) { return 1; });
    engine.setInputBoxHandler([](const QString&, const QString&, const QString& initial) {
        return automation::Variant(initial + QStringLiteral("!"));
    });
    engine.setCreateObjectHandler([](const QString& id) {
        return id.compare(QLatin1String("Scripting.Dictionary"), Qt::CaseInsensitive) == 0 ? dictionary()
                                                                                           : automation::DispatchRef();
    });
    engine.addObject(QStringLiteral("Store"), dictionary(), true);

    const bool compiled = engine.addCode(text);
    checkError(engine, compiled, true);
    if (compiled) {
        // Every procedure, with arguments of a few kinds; ByRef ones may be
        // changed by the call.
        const QList<vbscript::ProcedureInfo> procedures = engine.procedures();
        for (const vbscript::ProcedureInfo& p : procedures) {
            QList<automation::Variant> args;
            for (int i = 0; i < p.argumentCount && i < 8; ++i) {
                switch (i % 3) {
                case 0: args.append(automation::Variant(qint32(i + 1))); break;
                case 1: args.append(automation::Variant(QStringLiteral("text"))); break;
                default: args.append(automation::Variant()); break;
                }
            }
            automation::Variant result;
            checkError(engine, engine.run(p.name, args, &result));
        }
    }
    automation::Variant value;
    checkError(engine, engine.evaluate(text, &value));
    checkError(engine, engine.executeStatement(text));
    engine.reset();
    return 0;
}
