// Times small programs on both engines: a loop of arithmetic and strings, a
// recursive function, many calls into a host object, a text built by
// appending, an array filled and summed, and a dictionary filled and read. Each is run several times, the
// engines taking turns so that a busy machine slows them alike; the best
// time of each counts. QJSEngine is measured twice: as a function runs when
// first called (its bytecode interpreter) and once it has been compiled to
// machine code, as a handler called for months is. Prints "report: " lines
// with each ratio and its goal.
#include "bench_host.h"

#include "components/scriptcontrol/script_control.h"
#include "components/vbscript/engine.h"

#include "automation/dispatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJSEngine>

#include <cstdio>
#include <functional>

namespace {

// QJSEngine (6.x) interprets a function's first three calls and compiles it to
// machine code on the fourth (QV4_JIT_CALL_THRESHOLD changes the count). Three
// timed runs on a fresh engine therefore time its interpreter.
constexpr int kRepeats = 3;
// The compiled comparison runs the function this many times untimed first, on
// a small argument. Warming up needs no environment variable, which the
// engine reads only when it is made and which the user may have set: with
// the default threshold, or any up to this, the timed runs are compiled code.
// A recursive function is compiled during its first run anyway, where the
// engine has a JIT at all.
constexpr int kWarmUpCalls = 8;
constexpr int kWarmUpArgument = 10;

struct Program {
    const char* name;
    const char* vbscript;
    const char* javascript;
    const char* call;  // the procedure/function both define
    int argument;
    double expected;
    // The engine is to take at most this many times QJSEngine's time (1: be
    // faster).
    double goal = 3.0;
};

// One row of the benchmark table: Benchmark | Measure | Korvane | Peer | Ratio.
void report(const Program& p, const char* peer, double vbsMs, double jsMs)
{
    const bool faster = vbsMs <= jsMs;
    const double ratio = faster ? (vbsMs > 0 ? jsMs / vbsMs : 0.0) : (jsMs > 0 ? vbsMs / jsMs : 0.0);
    const bool met = vbsMs <= p.goal * jsMs;
    const QString goal = p.goal > 1.0 ? QStringLiteral("at most %1× slower").arg(p.goal) : QStringLiteral("faster");
    std::printf("report: VBScript engine | %s, best of %d | %.2f ms | QJSEngine (JavaScript) %s %.2f ms | %.1f× %s "
                "(goal: %s, %s)\n",
                p.name, kRepeats, vbsMs, peer, jsMs, ratio, faster ? "faster" : "slower", qPrintable(goal),
                met ? "met" : "not met");
}

const Program kPrograms[] = {
    {"arithmetic and strings",
     "Function Work(n)\n"
     "  Dim i, total, s\n"
     "  total = 0 : s = \"\"\n"
     "  For i = 1 To n\n"
     "    total = total + (i * 3) Mod 7\n"
     "    If i Mod 100 = 0 Then s = s & Chr(65 + (i \\ 100) Mod 26)\n"
     "  Next\n"
     "  Work = total + Len(s)\n"
     "End Function\n",
     "function Work(n) {\n"
     "  var total = 0, s = '';\n"
     "  for (var i = 1; i <= n; i++) {\n"
     "    total = total + (i * 3) % 7;\n"
     "    if (i % 100 == 0) s = s + String.fromCharCode(65 + Math.floor(i / 100) % 26);\n"
     "  }\n"
     "  return total + s.length;\n"
     "}\n",
     "Work", 300000, 0},
    {"recursive function",
     "Function Work(n)\n"
     "  If n < 2 Then\n"
     "    Work = n\n"
     "  Else\n"
     "    Work = Work(n - 1) + Work(n - 2)\n"
     "  End If\n"
     "End Function\n",
     "function Work(n) { return n < 2 ? n : Work(n - 1) + Work(n - 2); }\n",
     "Work", 22, 17711},
    {"host object calls",
     "Function Work(n)\n"
     "  Dim i, total\n"
     "  total = 0\n"
     "  For i = 1 To n\n"
     "    total = Host.Add(total, 1)\n"
     "  Next\n"
     "  Work = total\n"
     "End Function\n",
     "function Work(n) {\n"
     "  var total = 0;\n"
     "  for (var i = 1; i <= n; i++) total = Host.Add(total, 1);\n"
     "  return total;\n"
     "}\n",
     "Work", 100000, 100000, 1.0},
    {"string building",
     "Function Work(n)\n"
     "  Dim i, s\n"
     "  s = \"\"\n"
     "  For i = 1 To n\n"
     "    s = s & \"x\"\n"
     "  Next\n"
     "  Work = Len(s)\n"
     "End Function\n",
     "function Work(n) {\n"
     "  var s = '';\n"
     "  for (var i = 1; i <= n; i++) s = s + 'x';\n"
     "  return s.length;\n"
     "}\n",
     "Work", 300000, 300000},
    {"array fill",
     "Function Work(n)\n"
     "  Dim i, a(), total\n"
     "  ReDim a(n)\n"
     "  For i = 0 To n\n"
     "    a(i) = i * 2\n"
     "  Next\n"
     "  total = 0\n"
     "  For i = 0 To n\n"
     "    total = total + a(i)\n"
     "  Next\n"
     "  Work = total\n"
     "End Function\n",
     "function Work(n) {\n"
     "  var a = new Array(n + 1), total = 0;\n"
     "  for (var i = 0; i <= n; i++) a[i] = i * 2;\n"
     "  for (var i = 0; i <= n; i++) total = total + a[i];\n"
     "  return total;\n"
     "}\n",
     "Work", 200000, 40000200000.0},
    {"text built of several pieces a step",
     "Function Work(n)\n"
     "  Dim i, s\n"
     "  s = \"\"\n"
     "  For i = 1 To n\n"
     "    s = s & \"x\" & i Mod 10\n"
     "  Next\n"
     "  Work = Len(s)\n"
     "End Function\n",
     "function Work(n) {\n"
     "  var s = '';\n"
     "  for (var i = 1; i <= n; i++) s = s + 'x' + i % 10;\n"
     "  return s.length;\n"
     "}\n",
     "Work", 300000, 600000},
    // Scripting.Dictionary against a plain JavaScript object used as a map.
    {"Dictionary, 50,000 Adds and lookups",
     "Function Work(n)\n"
     "  Dim d, i, total\n"
     "  Set d = CreateObject(\"Scripting.Dictionary\")\n"
     "  For i = 1 To n\n"
     "    d.Add \"k\" & i, i\n"
     "  Next\n"
     "  total = 0\n"
     "  For i = 1 To n\n"
     "    total = total + d(\"k\" & i)\n"
     "  Next\n"
     "  Work = total\n"
     "End Function\n",
     "function Work(n) {\n"
     "  var d = {}, total = 0;\n"
     "  for (var i = 1; i <= n; i++) d['k' + i] = i;\n"
     "  for (var i = 1; i <= n; i++) total = total + d['k' + i];\n"
     "  return total;\n"
     "}\n",
     "Work", 50000, 1250025000.0},
};

// One timed run; the best so far is kept.
void timeOnce(const std::function<double()>& once, double* best, double* value)
{
    QElapsedTimer t;
    t.start();
    *value = once();
    *best = std::min(*best, double(t.nsecsElapsed()) / 1e6);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    BenchHost host;
    int status = 0;
    // An argument picks the programs whose name contains it.
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    for (const Program& p : kPrograms) {
        if (!only.isEmpty() && !QString::fromLatin1(p.name).contains(only))
            continue;
        vbscript::Engine vbs;
        vbs.addObject(QStringLiteral("Host"), automation::dispatchFor(&host), false);
        vbs.setCreateObjectHandler([](const QString& id) { return scriptcontrol::createHostObject(id); });
        if (!vbs.addCode(QString::fromLatin1(p.vbscript))) {
            std::fprintf(stderr, "vbscript: %s\n", qPrintable(vbs.lastError().description));
            return 1;
        }
        // Two engines: one whose function is timed as first called, one whose
        // function has been compiled first.
        QJSEngine js;
        QJSEngine jsCompiled;
        QJSValue function, compiledFunction;
        for (QJSEngine* engine : {&js, &jsCompiled}) {
            engine->globalObject().setProperty(QStringLiteral("Host"), engine->newQObject(&host));
            QJSEngine::setObjectOwnership(&host, QJSEngine::CppOwnership);
            const QJSValue evaluated = engine->evaluate(QString::fromLatin1(p.javascript));
            if (evaluated.isError()) {
                std::fprintf(stderr, "javascript: %s\n", qPrintable(evaluated.toString()));
                return 1;
            }
            (engine == &js ? function : compiledFunction) = engine->globalObject().property(QString::fromLatin1(p.call));
        }
        for (int i = 0; i < kWarmUpCalls; ++i)
            compiledFunction.call({QJSValue(kWarmUpArgument)});

        auto runVbs = [&] {
            automation::Variant result;
            if (!vbs.run(QString::fromLatin1(p.call), {automation::Variant(qint32(p.argument))}, &result))
                return -1.0;
            return result.toDouble();
        };
        auto runJs = [&] { return function.call({QJSValue(p.argument)}).toNumber(); };
        auto runJsCompiled = [&] { return compiledFunction.call({QJSValue(p.argument)}).toNumber(); };
        double vbsValue = 0, jsValue = 0, jsCompiledValue = 0;
        double vbsMs = 1e300, jsMs = 1e300, jsCompiledMs = 1e300;
        for (int i = 0; i < kRepeats; ++i) {
            timeOnce(runVbs, &vbsMs, &vbsValue);
            timeOnce(runJs, &jsMs, &jsValue);
            timeOnce(runJsCompiled, &jsCompiledMs, &jsCompiledValue);
        }
        if (vbsValue != jsValue || vbsValue != jsCompiledValue || (p.expected != 0 && vbsValue != p.expected)) {
            std::fprintf(stderr, "%s: results differ (vbscript %g, javascript %g, compiled %g)\n", p.name, vbsValue,
                         jsValue, jsCompiledValue);
            status = 1;
        }
        report(p, "as first called", vbsMs, jsMs);
        report(p, "compiled", vbsMs, jsCompiledMs);
    }
    return status;
}
