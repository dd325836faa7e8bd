// Compiles and runs arbitrary text as a VBScript program, then calls each of
// its procedures and evaluates the text as an expression, under a step limit
// so that endless loops end, and discards everything (Class_Terminate runs).
// Script errors are expected; crashes, hangs, leaks and errors without a
// number or text are not. The only objects are the engine's own, a dictionary
// from CreateObject and one dictionary as a named object: nothing that
// reaches files, programs or the network.

#include "components/scriptcontrol/host_objects.h"
#include "components/vbscript/engine.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// Enough for the corpus' loops, small enough that a run stays well under the
// fuzzer's time limit.
constexpr qint64 kStepLimit = 10000;
// Large arrays and texts each operation may make, well under the fuzzer's
// memory limit (a few array copies of tens of millions of elements would
// pass it long before the step limit does).
constexpr qint64 kAllocationLimit = qint64(256) << 20;
// The step limit bounds how often a loop turns, not what one turn costs: a
// loop over a text of millions of characters may take minutes in as few
// steps. Past this much time for one input, every operation is interrupted
// (error 18 as well), so that only a real hang, one that never reaches a loop
// step or call again, is left for the fuzzer's time-out.
constexpr auto kBackstop = std::chrono::seconds(3);

class Backstop {
public:
    Backstop() : thread_([this] { watch(); }) {}
    ~Backstop()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void watch(vbscript::Engine* engine)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        engine_ = engine;
        started_ = std::chrono::steady_clock::now();
    }

private:
    void watch()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_) {
            wake_.wait_for(lock, std::chrono::milliseconds(20));
            if (engine_ && std::chrono::steady_clock::now() - started_ > kBackstop)
                engine_->interrupt();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    vbscript::Engine* engine_ = nullptr;
    std::chrono::steady_clock::time_point started_;
    bool stop_ = false;
    std::thread thread_;
};

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

    static Backstop backstop;
    vbscript::Engine engine;
    backstop.watch(&engine);
    struct Unwatch {
        ~Unwatch() { backstop.watch(nullptr); }
    } unwatch;
    engine.setStepLimit(kStepLimit);
    engine.setAllocationLimit(kAllocationLimit);
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
