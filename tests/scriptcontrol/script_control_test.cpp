// The script control's front, its host objects, and the time limit.

#include "components/scriptcontrol/memory_guard.h"
#include "components/scriptcontrol/script_control.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

#include <sys/resource.h>

using scriptcontrol::ScriptControl;

namespace {

long peakResidentKB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// JScript's measure counts the resident set (QJSEngine's heap is not the
// allocator's); AddressSanitizer keeps freed memory resident for a while,
// so there a JScript script is stopped early.
constexpr bool underAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

long currentResidentKB() { return long(scriptcontrol::MemoryGuard::residentBytes() / 1024); }

struct Case {
    const char* language;
};

class ControlTest : public ::testing::TestWithParam<Case> {
protected:
    ControlTest() {
        control_.setLanguage(QLatin1String(GetParam().language));
        control_.setAllowUI(true);
        control_.setMsgBoxHandler([this](const QString& p, int, const QString&) {
            boxes_.append(p);
            return 1;
        });
    }
    bool js() const { return control_.language() == QLatin1String("JScript"); }
    // Runs a procedure "Main" defined in the language under test.
    automation::Variant main(const QString& vbs, const QString& jsText) {
        EXPECT_TRUE(control_.addCode(js() ? jsText : vbs)) << control_.error().description.toStdString();
        automation::Variant result;
        EXPECT_TRUE(control_.run(QStringLiteral("Main"), {}, &result)) << control_.error().description.toStdString();
        return result;
    }

    ScriptControl control_;
    QStringList boxes_;
    QTemporaryDir dir_;
};

TEST_P(ControlTest, ProceduresWithTheirArgumentCounts) {
    ASSERT_TRUE(control_.addCode(js() ? QStringLiteral("function A(x, y) {}\nfunction B() {}\n")
                                      : QStringLiteral("Sub A(x, y)\nEnd Sub\nFunction B()\nEnd Function\n")));
    const auto procs = control_.procedures();
    ASSERT_EQ(procs.size(), 2);
    EXPECT_EQ(procs[0].name, QStringLiteral("A"));
    EXPECT_EQ(procs[0].numArgs, 2);
    EXPECT_EQ(procs[1].name, QStringLiteral("B"));
    EXPECT_EQ(procs[1].numArgs, 0);
    control_.reset();
    EXPECT_TRUE(control_.procedures().isEmpty());
    EXPECT_FALSE(control_.run(QStringLiteral("A")));
    EXPECT_TRUE(control_.error().isError());
}

TEST_P(ControlTest, DictionaryKeepsOrderAndRefusesDuplicates) {
    const automation::Variant r = main(
        QStringLiteral("Function Main()\nSet d = CreateObject(\"Scripting.Dictionary\")\nd.Add \"b\", 1\nd.Add \"a\", 2\n"
                       "d(\"c\") = 3\nd.Remove \"b\"\nk = d.Keys\nMain = d.Count & \":\" & k(0) & k(1) & \":\" & d.Item(\"c\") & d.Exists(\"b\")\n"
                       "End Function\n"),
        QStringLiteral("function Main() {\n var d = new ActiveXObject('Scripting.Dictionary');\n d.Add('b', 1); d.Add('a', 2);\n"
                       " d.Add('c', 3); d.Remove('b');\n var k = d.Keys();\n"
                       " return d.Count + ':' + k[0] + k[1] + ':' + d.Item('c') + (d.Exists('b') ? 'True' : 'False');\n}\n"));
    EXPECT_EQ(r.toString(), QStringLiteral("2:ac:3False"));
    control_.addCode(js() ? QStringLiteral("function Dup() { var d = new ActiveXObject('Scripting.Dictionary'); d.Add(1, 1); d.Add(1, 2); }")
                          : QStringLiteral("Sub Dup\nSet d = CreateObject(\"Scripting.Dictionary\")\nd.Add 1, 1\nd.Add 1, 2\nEnd Sub\n"));
    EXPECT_FALSE(control_.run(QStringLiteral("Dup")));
    EXPECT_EQ(control_.error().number, 457);
}

// For Each (and JScript's Enumerator) walk a dictionary's keys in order.
TEST_P(ControlTest, DictionaryEnumeratesItsKeys) {
    const automation::Variant r = main(
        QStringLiteral("Function Main()\nSet d = CreateObject(\"Scripting.Dictionary\")\nd.Add \"x\", 1\nd.Add \"y\", 2\n"
                       "For Each k In d\nMain = Main & k & d(k)\nNext\nEnd Function\n"),
        QStringLiteral("function Main() {\n var d = new ActiveXObject('Scripting.Dictionary'); d.Add('x', 1); d.Add('y', 2);\n"
                       " var s = ''; for (var e = new Enumerator(d); !e.atEnd(); e.moveNext()) s += e.item() + d.Item(e.item());\n"
                       " return s;\n}\n"));
    EXPECT_EQ(r.toString(), QStringLiteral("x1y2"));
}

TEST_P(ControlTest, TextFilesWrittenAppendedAndRead) {
    const QString path = dir_.filePath(QStringLiteral("t.txt"));
    const automation::Variant r = main(
        QStringLiteral("Function Main()\nSet fso = CreateObject(\"Scripting.FileSystemObject\")\n"
                       "Set f = fso.CreateTextFile(\"%1\")\nf.Write \"one\"\nf.WriteLine\nf.Close\n"
                       "Set f = fso.OpenTextFile(\"%1\", 8)\nf.WriteLine \"two\"\nf.Close\n"
                       "Set f = fso.OpenTextFile(\"%1\")\na = f.ReadLine\nb = f.ReadLine\nMain = a & \"+\" & b & \"+\" & f.AtEndOfStream & \"+\" & fso.FileExists(\"%1\") & fso.GetFile(\"%1\").Size\nf.Close\n"
                       "End Function\n").arg(path),
        QStringLiteral("function Main() {\n var fso = new ActiveXObject('Scripting.FileSystemObject');\n"
                       " var f = fso.CreateTextFile('%1'); f.Write('one'); f.WriteLine(); f.Close();\n"
                       " f = fso.OpenTextFile('%1', 8); f.WriteLine('two'); f.Close();\n"
                       " f = fso.OpenTextFile('%1'); var a = f.ReadLine(), b = f.readline();\n"
                       " var r = a + '+' + b + '+' + (f.AtEndOfStream ? 'True' : 'False') + '+' + (fso.FileExists('%1') ? 'True' : 'False') + fso.GetFile('%1').Size;\n"
                       " f.Close(); return r;\n}\n").arg(path));
    EXPECT_EQ(r.toString(), QStringLiteral("one+two+True+True10"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("one\r\ntwo\r\n"));
    // Reading a missing file is error 53, not a crash or an empty stream.
    control_.addCode(js() ? QStringLiteral("function Missing() { new ActiveXObject('Scripting.FileSystemObject').OpenTextFile('%1/none'); }").arg(dir_.path())
                          : QStringLiteral("Sub Missing\nCreateObject(\"Scripting.FileSystemObject\").OpenTextFile \"%1/none\"\nEnd Sub\n").arg(dir_.path()));
    EXPECT_FALSE(control_.run(QStringLiteral("Missing")));
    EXPECT_EQ(control_.error().number, 53);
}

TEST_P(ControlTest, ShellExpandsAndRunsWithWait) {
    qputenv("KORVANE_SC_TEST", "abc");
    const automation::Variant r = main(
        QStringLiteral("Function Main()\nSet sh = CreateObject(\"WScript.Shell\")\n"
                       "Main = sh.ExpandEnvironmentStrings(\"x%KORVANE_SC_TEST%y%NOPE_NOT_SET%\") & sh.Run(\"sh -c \"\"exit 3\"\"\", 0, True) & sh.Popup(\"hi\")\n"
                       "End Function\n"),
        QStringLiteral("function Main() {\n var sh = new ActiveXObject('WScript.Shell');\n"
                       " return sh.ExpandEnvironmentStrings('x%KORVANE_SC_TEST%y%NOPE_NOT_SET%') + sh.Run('sh -c \"exit 3\"', 0, true) + sh.Popup('hi');\n}\n"));
    EXPECT_EQ(r.toString(), QStringLiteral("xabcy%NOPE_NOT_SET%31"));
    EXPECT_EQ(boxes_, QStringList({"hi"}));
}

TEST_P(ControlTest, TimeInsideAMessageBoxDoesNotCount) {
    control_.setTimeout(1);
    control_.setMsgBoxHandler([](const QString&, int, const QString&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        return 1;
    });
    main(QStringLiteral("Function Main()\nMsgBox \"wait\"\nEnd Function\n"), QStringLiteral("function Main() { MsgBox('wait'); }\n"));
    EXPECT_FALSE(control_.error().isError());
}

// A script that takes memory without end (texts doubled, an array filled
// with texts each below any per-allocation threshold) ends with 7 "Out of
// memory" at the budget; the script stays loaded and its next call runs.
TEST_P(ControlTest, MemoryBudgetEndsTheCallAndTheScriptGoesOn) {
    control_.setMemoryLimit(64);
    control_.setTimeout(20);
    ASSERT_TRUE(control_.addCode(
        js() ? QStringLiteral("var keep = [];\n"
                              "function Double() { var s = 'x'; while (true) { s = s + s; keep.push(s.length); } }\n"
                              "function Fill() { for (var i = 0; ; i++) keep.push(Array(15001).join('a') + i); }\n"
                              "function Small() { keep = []; return 42; }\n")
             : QStringLiteral("Dim keep()\n"
                              "Sub Double()\ns = \"x\"\nDo\ns = s & s\nLoop\nEnd Sub\n"
                              "Sub Fill()\nReDim keep(10000000)\nFor i = 0 To 10000000\nkeep(i) = Space(15000) & i\nNext\nEnd Sub\n"
                              "Function Small()\nReDim keep(0)\nSmall = 42\nEnd Function\n")))
        << control_.error().description.toStdString();
    for (const char* name : {"Double", "Fill"}) {
        EXPECT_FALSE(control_.run(QLatin1String(name))) << name;
        EXPECT_EQ(control_.error().number, scriptcontrol::kOutOfMemoryError) << name;
        EXPECT_EQ(control_.error().description, QStringLiteral("Out of memory"));
        automation::Variant r;
        EXPECT_TRUE(control_.run(QStringLiteral("Small"), {}, &r)) << control_.error().description.toStdString();
        EXPECT_EQ(r.toLong(), 42);
    }
}

// What a script keeps from call to call counts against the budget: a global
// that grows on every tick is stopped once it holds the budget, however
// little each call adds.
TEST_P(ControlTest, MemoryBudgetHoldsAcrossCalls) {
    control_.setMemoryLimit(32);
    control_.setTimeout(20);
    ASSERT_TRUE(control_.addCode(
        js() ? QStringLiteral("var keep = [];\n"
                              "function OnTick() { for (var i = 0; i < 300; i++) keep.push(Array(10001).join('a') + i); }\n"
                              "function Drop() { keep = []; }\n")
             : QStringLiteral("Dim keep(), n\nn = 0\n"
                              "Sub OnTick\nReDim Preserve keep(n + 300)\n"
                              "For i = 1 To 300\nkeep(n + i) = Space(10000) & i\nNext\nn = n + 300\nEnd Sub\n"
                              "Sub Drop\nErase keep\nn = 0\nEnd Sub\n")))
        << control_.error().description.toStdString();
    int ticks = 0;
    while (ticks < 40 && control_.run(QStringLiteral("OnTick")))
        ++ticks;
    EXPECT_EQ(control_.error().number, scriptcontrol::kOutOfMemoryError);
    EXPECT_GE(ticks, js() && underAddressSanitizer() ? 1 : 3);
    EXPECT_LE(ticks, 12);
    EXPECT_TRUE(control_.run(QStringLiteral("Drop"))) << control_.error().description.toStdString();
    if (!js()) {
        EXPECT_TRUE(control_.run(QStringLiteral("OnTick"))) << control_.error().description.toStdString();
    }
}

// Memory made and dropped costs nothing: ten times the budget in texts of a
// megabyte each, none kept, ends without an error.
TEST_P(ControlTest, MemoryMadeAndDroppedStaysWithinTheBudget) {
    // JScript's budget also counts resident memory, and the address
    // sanitizer keeps freed memory resident for a while.
    if (js() && underAddressSanitizer())
        GTEST_SKIP() << "freed memory stays resident under the address sanitizer";
    control_.setMemoryLimit(64);
    control_.setTimeout(60);
    ASSERT_TRUE(control_.addCode(
        js() ? QStringLiteral("function Churn() { var n = 0; for (var i = 0; i < 640; i++) { var s = 'a'.repeat(1048576) + i; n += s.length; } return n; }\n")
             : QStringLiteral("Function Churn()\nn = 0\nFor i = 1 To 640\ns = Space(1048576) & i\nn = n + Len(s)\nNext\nChurn = n\nEnd Function\n")))
        << control_.error().description.toStdString();
    automation::Variant r;
    EXPECT_TRUE(control_.run(QStringLiteral("Churn"), {}, &r)) << control_.error().description.toStdString();
    EXPECT_GT(r.toDouble(), 640.0 * 1048576);
}

INSTANTIATE_TEST_SUITE_P(Languages, ControlTest, ::testing::Values(Case{"VBScript"}, Case{"JScript"}),
                         [](const auto& info) { return std::string(info.param.language); });

TEST(ScriptControlFront, LanguagesAndDefaultButtons) {
    ScriptControl control;
    EXPECT_EQ(control.language(), QStringLiteral("VBScript"));
    EXPECT_TRUE(control.setLanguage(QStringLiteral("jscript")));
    EXPECT_EQ(control.language(), QStringLiteral("JScript"));
    EXPECT_FALSE(control.setLanguage(QStringLiteral("Perl")));
    EXPECT_EQ(control.language(), QStringLiteral("JScript"));
    // MsgBox without UI: the default button answers.
    EXPECT_EQ(ScriptControl::defaultButton(0), 1);           // OK
    EXPECT_EQ(ScriptControl::defaultButton(4), 6);           // Yes
    EXPECT_EQ(ScriptControl::defaultButton(4 | 0x100), 7);   // No as second default
    EXPECT_EQ(ScriptControl::defaultButton(3 | 0x200), 2);   // Cancel as third
    EXPECT_EQ(ScriptControl::defaultButton(9), 1);
    ASSERT_TRUE(control.addCode(QStringLiteral("function Main() { return MsgBox('q', 4); }")));
    automation::Variant r;
    ASSERT_TRUE(control.run(QStringLiteral("Main"), {}, &r));
    EXPECT_EQ(r.toLong(), 6);
}

// JScript builtins that work through a length the script gives (fill, join,
// repeat) run in steps, so that the memory budget (and with it a stop
// request or the time limit) reaches inside them rather than after gigabytes.
TEST(ScriptControlFront, JScriptBuiltinsStayInsideTheBudget) {
    ScriptControl control;
    control.setLanguage(QStringLiteral("JScript"));
    control.setMemoryLimit(48);
    control.setTimeout(30);
    ASSERT_TRUE(control.addCode(QStringLiteral(
        "var keep;\n"
        "function Fill() { keep = new Array(1e8).fill(1.5); }\n"
        "function Repeat() { keep = 'abcd'.repeat(1e8); }\n"
        "function Join() { keep = new Array(1e8).join('ab'); }\n"
        "function Small() { keep = null; return [1, 2, 3].fill(7).join('-') + 'x'.repeat(3) + '5'.padStart(3, '0')\n"
        "  + [, 1].join() + new Array(5).fill(0, 1, 3).join(':') + [3, 4].fill(9, -1).join(); }\n")));
    // The process's high-water mark says how far a builtin got before it was
    // stopped: well short of the gigabytes these ask for.
    const long peakBefore = peakResidentKB();
    const long ceiling = std::max(peakBefore, currentResidentKB() + 400 * 1024);
    for (const char* name : {"Fill", "Repeat", "Join"}) {
        // A join of holes may come out as pieces of one shared text, which
        // fits; what it must not do is pass the budget.
        if (!control.run(QLatin1String(name)) || QLatin1String(name) != QLatin1String("Join")) {
            EXPECT_EQ(control.error().number, scriptcontrol::kOutOfMemoryError) << name;
        }
        automation::Variant r;
        ASSERT_TRUE(control.run(QStringLiteral("Small"), {}, &r)) << control.error().description.toStdString();
        EXPECT_EQ(r.toString(), QStringLiteral("7-7-7xxx005,1:0:0::3,9")) << name;
        EXPECT_LE(peakResidentKB(), ceiling) << name;
    }
}

TEST(ScriptControlFront, JScriptErrorsCarryTheirLine) {
    ScriptControl control;
    control.setLanguage(QStringLiteral("JScript"));
    ASSERT_TRUE(control.addCode(QStringLiteral("function Main() {\n\n  throw new Error('boom');\n}\n")));
    EXPECT_FALSE(control.run(QStringLiteral("Main")));
    EXPECT_EQ(control.error().description, QStringLiteral("boom"));
    EXPECT_EQ(control.error().line, 3);
    EXPECT_NE(control.error().number, 0);
}

}  // namespace

namespace {

// Runs Main with a stop request from another thread after a moment, as the
// monitor's stop does: false when the call was not ended within two seconds.
bool stoppedSoon(ScriptControl& control)
{
    std::atomic<bool> done{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        while (!done.load()) {
            control.interruptRunning();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const auto start = std::chrono::steady_clock::now();
    const bool ran = control.run(QStringLiteral("Main"));
    const auto took = std::chrono::steady_clock::now() - start;
    done.store(true);
    stopper.join();
    return !ran && control.error().isError() && took < std::chrono::seconds(2);
}

}  // namespace

// Builtins over a length of a billion that holds nothing (or array-likes
// that claim one) go through every index natively; each must yield to a
// stop request, the time limit and the memory budget, and none may bring
// the engine down.
TEST(ScriptControlFront, JScriptBuiltinsOverHugeLengthsCanBeStopped) {
    const char* const bodies[] = {
        "a.sort(); a.indexOf(5); a.lastIndexOf(5); a.includes(5);",
        "a.includes(5);",
        "a.forEach(function () {});",
        "keep = a.map(function (x) { return x; });",
        "keep = a.filter(function () { return true; });",
        "a.some(function () { return false; }); a.every(function () { return true; });",
        "keep = a.reduce(function (x) { return x; }, 0);",
        "keep = a.reduceRight(function (x) { return x; }, 0);",
        "a.copyWithin(0, 1);",
        "keep = a.toLocaleString();",
        "keep = JSON.stringify(a);",
        "keep = Array.prototype.map.call({length: 1e9}, function () { return 1; });",
        "keep = Array.from({length: 1e9});",
        "keep = new Array(1e8).fill(1.5);",
    };
    for (const char* body : bodies) {
        ScriptControl control;
        control.setLanguage(QStringLiteral("JScript"));
        control.setMemoryLimit(48);
        ASSERT_TRUE(control.addCode(QStringLiteral("var keep, a = [1];\na.length = 1e9;\nfunction Main() { %1 }\n")
                                        .arg(QLatin1String(body))));
        EXPECT_TRUE(stoppedSoon(control)) << body << " " << control.error().description.toStdString();
        // The script goes on: the next call runs.
        ASSERT_TRUE(control.addCode(QStringLiteral("function Next() { keep = null; return a.length; }")));
        automation::Variant r;
        EXPECT_TRUE(control.run(QStringLiteral("Next"), {}, &r)) << body;
        EXPECT_EQ(r.toDouble(), 1e9) << body;
    }
    // The time limit reaches inside them too.
    ScriptControl control;
    control.setLanguage(QStringLiteral("JScript"));
    control.setTimeout(1);
    ASSERT_TRUE(control.addCode(QStringLiteral("function Main() { var a = []; a.length = 4e9; return a.includes(1); }")));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(control.run(QStringLiteral("Main")));
    EXPECT_EQ(control.error().number, scriptcontrol::kTimeoutError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}
