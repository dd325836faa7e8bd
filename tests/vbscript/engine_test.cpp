// The host side of the engine: what the script control builds on.
#include "test_host.h"

#include "components/vbscript/engine.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

using automation::Variant;
using vbscript::Engine;

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

// Sets the locale variables of the environment for a test, then puts back
// what was there.
class LocaleEnvironment {
public:
    LocaleEnvironment(const char* lcAll, const char* lang)
    {
        for (const char* v : kVariables)
            saved_.append(qEnvironmentVariableIsSet(v) ? std::optional<QByteArray>(qgetenv(v)) : std::nullopt);
        qunsetenv("LC_NUMERIC");
        lcAll ? qputenv("LC_ALL", lcAll) : qunsetenv("LC_ALL");
        lang ? qputenv("LANG", lang) : qunsetenv("LANG");
    }
    ~LocaleEnvironment()
    {
        for (int i = 0; i < 3; ++i)
            saved_[i] ? qputenv(kVariables[i], *saved_[i]) : qunsetenv(kVariables[i]);
    }

private:
    static constexpr const char* kVariables[3] = {"LC_ALL", "LC_NUMERIC", "LANG"};
    QList<std::optional<QByteArray>> saved_;
};

QString evaluated(Engine& engine, const QString& expression)
{
    Variant v;
    if (!engine.evaluate(expression, &v))
        return QStringLiteral("error %1").arg(engine.lastError().number);
    return v.toDisplayString();
}

}  // namespace

TEST(EngineTest, TheUsersLocaleComesFromTheEnvironmentAndEnUsWhenItSaysNothing)
{
    {
        LocaleEnvironment env(nullptr, "de_DE.UTF-8");
        Engine engine;
        EXPECT_EQ(evaluated(engine, s("GetLocale")), s("1031"));
        EXPECT_EQ(evaluated(engine, s("CStr(1.5) & \" \" & FormatNumber(1234.5) & \" \" & CDbl(\"2,5\") * 2")),
                  s("1,5 1.234,50 5"));
        EXPECT_EQ(evaluated(engine, s("CStr(CDate(\"31.12.1999\"))")), s("31.12.1999"));
        // SetLocale 0 goes back to the user's locale, not to en-US.
        EXPECT_EQ(evaluated(engine, s("SetLocale(1033) & \" \" & SetLocale(0) & \" \" & GetLocale")),
                  s("1031 1033 1031"));
        // The engine's locale stays inside it: the host's conversions are en-US.
        EXPECT_EQ(Variant(1.5).toString(), s("1.5"));
    }
    {
        LocaleEnvironment env(nullptr, "fr_FR.UTF-8");
        Engine engine;
        EXPECT_EQ(evaluated(engine, s("GetLocale & \" \" & CStr(0.25)")), s("1036 0,25"));
    }
    {
        // LC_ALL wins over LANG; C and unknown names are en-US.
        LocaleEnvironment env("C", "de_DE.UTF-8");
        Engine engine;
        EXPECT_EQ(evaluated(engine, s("GetLocale & \" \" & CStr(1.5)")), s("1033 1.5"));
    }
    for (const char* lang : {"C.UTF-8", "POSIX", "xx_YY", ""}) {
        LocaleEnvironment env(nullptr, lang);
        Engine engine;
        EXPECT_EQ(evaluated(engine, s("GetLocale")), s("1033")) << lang;
    }
    {
        LocaleEnvironment env(nullptr, nullptr);
        Engine engine;
        EXPECT_EQ(evaluated(engine, s("GetLocale & \" \" & CStr(#12/31/1999#)")), s("1033 12/31/1999"));
    }
}

TEST(EngineTest, ListsProceduresWithArgumentCountsInDeclarationOrder)
{
    Engine engine;
    ASSERT_TRUE(engine.addCode(s("Sub OnConnect(line)\nEnd Sub\n"
                                 "Function Run_Test()\nEnd Function\n"
                                 "Sub OnTick\nEnd Sub\n"
                                 "Class Hidden\nSub NotListed()\nEnd Sub\nEnd Class\n")));
    ASSERT_TRUE(engine.addCode(s("Sub Run_Test()\nEnd Sub\nSub Later(a, b, c)\nEnd Sub\n")));
    const QList<vbscript::ProcedureInfo> list = engine.procedures();
    ASSERT_EQ(list.size(), 4);
    EXPECT_EQ(list[0].name, s("OnConnect"));
    EXPECT_EQ(list[0].argumentCount, 1);
    // A later definition replaces the earlier one but keeps its place.
    EXPECT_EQ(list[1].name, s("Run_Test"));
    EXPECT_FALSE(list[1].isFunction);
    EXPECT_EQ(list[2].name, s("OnTick"));
    EXPECT_EQ(list[2].argumentCount, 0);
    EXPECT_EQ(list[3].argumentCount, 3);
    EXPECT_TRUE(engine.hasProcedure(s("ontick")));
    EXPECT_FALSE(engine.hasProcedure(s("Hidden")));
}

TEST(EngineTest, RunsProceduresByNameWithVariantArguments)
{
    Engine engine;
    ASSERT_TRUE(engine.addCode(s("Function Sum(a, b)\nSum = a + b\nEnd Function\n"
                                 "Sub Swap(a, b)\nt = a : a = b : b = t\nEnd Sub\n"
                                 "Sub Fails()\nx = 1\nx = 1 / 0\nEnd Sub\n")));
    Variant result;
    ASSERT_TRUE(engine.run(s("SUM"), {Variant(qint32(2)), Variant(qint32(40))}, &result));
    EXPECT_EQ(result.toLong(), 42);

    QList<Variant> args{Variant("left"), Variant("right")};
    ASSERT_TRUE(engine.run(s("Swap"), args));
    EXPECT_EQ(args[0].toString(), s("right"));
    EXPECT_EQ(args[1].toString(), s("left"));

    EXPECT_FALSE(engine.run(s("Sum"), {Variant(qint32(1))}));
    EXPECT_EQ(engine.lastError().number, 450);

    EXPECT_FALSE(engine.run(s("Missing")));
    EXPECT_EQ(engine.lastError().number, 35);

    EXPECT_FALSE(engine.run(s("Fails")));
    EXPECT_EQ(engine.lastError().number, 11);
    EXPECT_EQ(engine.lastError().description, s("Division by zero"));
    EXPECT_EQ(engine.lastError().line, 9);
    EXPECT_EQ(engine.lastError().column, 1);
    EXPECT_FALSE(engine.lastError().compileError);

    // The next successful operation clears the error.
    EXPECT_TRUE(engine.run(s("Sum"), {Variant(qint32(1)), Variant(qint32(1))}));
    EXPECT_FALSE(engine.lastError().isError());
}

TEST(EngineTest, CompileErrorsReportNumberDescriptionLineAndColumnAndRunNothing)
{
    Engine engine;
    TestHost host;
    engine.addObject(s("Host"), automation::dispatchFor(&host), true);
    EXPECT_FALSE(engine.addCode(s("Print \"ran\"\nSub A()\nx = 1 +\nEnd Sub\n")));
    const vbscript::ScriptError& e = engine.lastError();
    EXPECT_EQ(e.number, 1023);
    EXPECT_EQ(e.description, s("Expected expression"));
    EXPECT_EQ(e.source, s("Microsoft VBScript compilation error"));
    EXPECT_EQ(e.line, 3);
    EXPECT_EQ(e.column, 8);
    EXPECT_TRUE(e.compileError);
    EXPECT_TRUE(host.lines.isEmpty());
    EXPECT_TRUE(engine.procedures().isEmpty());
}

TEST(EngineTest, NamedObjectsAddedAfterTheCodeAreFoundWhenProceduresRun)
{
    Engine engine;
    TestHost host;
    ASSERT_TRUE(engine.addCode(s("Sub Report()\nPrint Application.Name & \"/\" & Name & \"/\" & Add(1, 2)\nEnd Sub\n")));
    engine.addObject(s("Application"), automation::dispatchFor(&host), true);
    ASSERT_TRUE(engine.run(s("Report"))) << engine.lastError().description.toStdString();
    ASSERT_EQ(host.lines.size(), 1);
    EXPECT_EQ(host.lines[0], s("host/host/3"));
}

TEST(EngineTest, ObjectsWithoutAddMembersAreOnlyReachedByName)
{
    Engine engine;
    TestHost host;
    engine.addObject(s("Host"), automation::dispatchFor(&host), false);
    EXPECT_TRUE(engine.addCode(s("Host.Print \"via name\"")));
    EXPECT_FALSE(engine.addCode(s("Option Explicit\nPrint \"bare\"")));
    EXPECT_EQ(engine.lastError().number, 500);
    EXPECT_EQ(host.lines, QStringList{s("via name")});
}

TEST(EngineTest, CreateObjectGoesThroughTheHost)
{
    Engine engine;
    TestHost made;
    QStringList asked;
    engine.setCreateObjectHandler([&](const QString& id) -> automation::DispatchRef {
        asked.append(id);
        return id == s("Test.Object") ? automation::dispatchFor(&made) : nullptr;
    });
    ASSERT_TRUE(engine.addCode(s("Set o = CreateObject(\"Test.Object\")\no.Print \"made\"")));
    EXPECT_EQ(made.lines, QStringList{s("made")});
    EXPECT_FALSE(engine.addCode(s("Set o = CreateObject(\"Scripting.Nothing\")")));
    EXPECT_EQ(engine.lastError().number, 429);
    EXPECT_EQ(asked, (QStringList{s("Test.Object"), s("Scripting.Nothing")}));
    // Without a handler every id fails the same way.
    Engine bare;
    EXPECT_FALSE(bare.addCode(s("Set o = CreateObject(\"Test.Object\")")));
    EXPECT_EQ(bare.lastError().number, 429);
}

TEST(EngineTest, MsgBoxAndInputBoxWithoutHandlersDoNotBlock)
{
    Engine engine;
    Variant answer;
    ASSERT_TRUE(engine.addCode(s("a = MsgBox(\"x\")\nb = InputBox(\"y\")")));
    ASSERT_TRUE(engine.evaluate(s("a"), &answer));
    EXPECT_EQ(answer.toLong(), 1);
    ASSERT_TRUE(engine.evaluate(s("b"), &answer));
    EXPECT_EQ(answer.toString(), QString());
}

TEST(EngineTest, InterruptEndsALoopWithAnErrorResumeNextCannotSwallow)
{
    Engine engine;
    int shown = 0;
    engine.setMsgBoxHandler([&](const QString&, int, const QString&) {
        ++shown;
        engine.interrupt();
        return 1;
    });
    EXPECT_FALSE(engine.addCode(s("On Error Resume Next\nDo\nMsgBox \"tick\"\nLoop\n")));
    EXPECT_EQ(engine.lastError().number, 18);
    EXPECT_EQ(shown, 1);
    // The request does not outlive the run it stopped.
    EXPECT_TRUE(engine.addCode(s("x = 1")));
    // A host that asks for a stop and fails the call (cscript's Quit) ends the
    // script there: once a stop is asked for, no failure is skipped.
    TestHost host;
    engine.addObject(s("Host"), automation::dispatchFor(&host), false);
    EXPECT_FALSE(engine.addCode(s("On Error Resume Next\nMsgBox \"quit\"\nx = 1 / 0\nHost.Print \"after\"\n")));
    EXPECT_EQ(engine.lastError().number, 11);
    EXPECT_EQ(engine.lastError().line, 3);
    EXPECT_TRUE(host.lines.isEmpty());
}

TEST(EngineTest, InterruptFromAnotherThread)
{
    Engine engine;
    ASSERT_TRUE(engine.addCode(s("Sub Spin()\nDo\nx = x + 1\nLoop\nEnd Sub")));
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        engine.interrupt();
    });
    EXPECT_FALSE(engine.run(s("Spin")));
    stopper.join();
    EXPECT_EQ(engine.lastError().number, 18);
    EXPECT_EQ(engine.lastError().line, 2);  // the loop that noticed
}

TEST(EngineTest, StepLimitEndsEndlessLoopsAndCountsEachOperationAfresh)
{
    Engine engine;
    engine.setStepLimit(1000);
    // Neither On Error Resume Next nor a loop the script never leaves gets past it.
    EXPECT_FALSE(engine.addCode(s("On Error Resume Next\nx = 0\nDo While True\nx = x + 1\nLoop\n")));
    EXPECT_EQ(engine.lastError().number, 18);
    EXPECT_EQ(engine.lastError().line, 3);
    Variant x;
    ASSERT_TRUE(engine.evaluate(s("x"), &x));
    EXPECT_GT(x.toLong(), 900);
    EXPECT_LT(x.toLong(), 1001);
    // Calls count too: a loop of calls ends sooner than the bare loop.
    ASSERT_TRUE(engine.addCode(s("Dim n\nSub Tick()\nn = n + 1\nEnd Sub\n"
                                 "Sub Spin()\nn = 0\nDo\nTick\nLoop\nEnd Sub\n")));
    EXPECT_FALSE(engine.run(s("Spin")));
    EXPECT_EQ(engine.lastError().number, 18);
    ASSERT_TRUE(engine.evaluate(s("n"), &x));
    EXPECT_GT(x.toLong(), 400);
    EXPECT_LT(x.toLong(), 501);
    // Each operation starts with the whole allowance.
    for (int round = 0; round < 3; ++round)
        EXPECT_TRUE(engine.addCode(s("For i = 1 To 600\nNext\n"))) << round;
    // A script object called from the host counts afresh as well.
    TestHost host;
    engine.addObject(s("Host"), automation::dispatchFor(&host), true);
    ASSERT_TRUE(engine.addCode(s("Class Counter\nPublic Sub Count()\nFor i = 1 To 600\nNext\nEnd Sub\nEnd Class\n"
                                 "Set c = New Counter\nHost.Keep c\n")));
    automation::DispatchRef counter = host.kept.objectRef();
    QList<Variant> none;
    for (int round = 0; round < 3; ++round)
        EXPECT_NO_THROW(counter->invoke(counter->requireId(s("Count")), automation::CallKind::Method, none)) << round;
    // 0 lifts the limit.
    engine.setStepLimit(0);
    EXPECT_TRUE(engine.addCode(s("For i = 1 To 5000\nNext\n")));
}

TEST(EngineTest, ComparingAGrowingDigitTextWithANumberStaysCheapUnderTheStepLimit)
{
    // Found by the fuzzer as a time-out: every comparison converted the whole
    // text, slowly, so 20000 steps took minutes.
    Engine engine;
    engine.setStepLimit(20000);
    EXPECT_FALSE(engine.addCode(s("i = \"\"\nDo\n  i = i & +0\n  If i > 20 Then Exit Do\nLoop\n")));
    EXPECT_EQ(engine.lastError().number, 18);
    Variant answer;
    // A long literal of digits against a number variable converts to a number.
    ASSERT_TRUE(engine.evaluate(s("Len(i) > 9000 And (\"") + QString(3000, u'0') + s("25\" = CInt(25) + 0)"), &answer));
    EXPECT_FALSE(answer.toBool());
    ASSERT_TRUE(engine.addCode(s("n = 25")));
    ASSERT_TRUE(engine.evaluate(s("Len(i) > 9000 And (\"") + QString(3000, u'0') + s("25\" = n)"), &answer));
    EXPECT_TRUE(answer.toBool());
}

TEST(EngineTest, AllocationBudgetEndsHugeArraysWithOutOfMemoryAndTheEngineStaysUsable)
{
    // Each array is under the per-array cap, but the copies together would
    // take gigabytes; the default budget ends the operation on the first one.
    Engine engine;
    EXPECT_FALSE(engine.addCode(s("ReDim a(60000000)\nReDim Preserve a(60000001)\nb = a\nb(1) = 2\n")));
    EXPECT_EQ(engine.lastError().number, 7);
    EXPECT_EQ(engine.lastError().description, s("Out of memory"));
    EXPECT_EQ(engine.lastError().line, 1);
    // On Error Resume Next does not turn it into a loop of further tries.
    engine.setAllocationLimit(32 << 20);
    EXPECT_FALSE(engine.addCode(s("On Error Resume Next\nn = 0\nReDim keep(0)\n"
                                  "Do\nn = n + 1\nReDim Preserve keep(n)\nkeep(n) = Space(1000000)\nLoop\n")));
    EXPECT_EQ(engine.lastError().number, 7);
    Variant n;
    ASSERT_TRUE(engine.evaluate(s("n"), &n));
    EXPECT_GT(n.toLong(), 5);
    EXPECT_LT(n.toLong(), 20);
    // Once the script lets go of what it kept, the budget is there again.
    EXPECT_TRUE(engine.addCode(s("Erase keep\nReDim d(1000000)\nd(5) = 1\n")));
    engine.setAllocationLimit(qint64(512) << 20);
    // An array over the per-array cap is still the script's own, catchable error.
    ASSERT_TRUE(engine.addCode(s("On Error Resume Next\nReDim e(100000000)\nk = Err.Number\n")));
    ASSERT_TRUE(engine.evaluate(s("k"), &n));
    EXPECT_EQ(n.toLong(), 7);
}

TEST(EngineTest, AllocationBudgetCountsCopiesOnWriteAndBuiltTexts)
{
    Engine engine;
    // Arrays of 3.2 MB: three, two of them copies made on write, fit in 16 MB;
    // writes to an array no other value shares cost nothing.
    static_assert(sizeof(Variant) == 32);
    engine.setAllocationLimit(16 << 20);
    ASSERT_TRUE(engine.addCode(s("ReDim a(100000)\nb = a\nb(1) = 2\nc = a\nc(1) = 3\n"
                                 "For i = 0 To 100000\na(i) = i\nb(i) = i\nNext\n")));
    // Six do not.
    EXPECT_FALSE(engine.addCode(s("d = a\nd(1) = 4\ne = a\ne(1) = 5\nf = a\nf(1) = 6\n")));
    EXPECT_EQ(engine.lastError().number, 7);
    EXPECT_GE(engine.lastError().line, 4);
    ASSERT_TRUE(engine.addCode(s("a = Empty : b = Empty : c = Empty : d = Empty : e = Empty : f = Empty")));

    // Built texts: 2 bytes a character.
    engine.setAllocationLimit(1 << 20);
    EXPECT_TRUE(engine.addCode(s("x = Space(400000)\n")));
    EXPECT_FALSE(engine.addCode(s("x = Space(400000)\ny = String(400000, \"a\")\n")));
    EXPECT_EQ(engine.lastError().number, 7);
    EXPECT_FALSE(engine.addCode(s("x = Space(300000)\ny = x & x\n")));
    EXPECT_EQ(engine.lastError().number, 7);
    EXPECT_FALSE(engine.addCode(s("p = Split(String(200000, \",\"), \",\")\n")));
    EXPECT_EQ(engine.lastError().number, 7);
    // 0 lifts the budget.
    engine.setAllocationLimit(0);
    EXPECT_TRUE(engine.addCode(s("x = Space(400000)\ny = String(400000, \"a\")\nz = x & y\n")));
}

TEST(EngineTest, GrowingTextsAndArraysAreCountedByWhatTheyKeep)
{
    // Charging every whole copy would take several times this budget.
    Engine engine;
    engine.setAllocationLimit(32 << 20);
    // A text grown line by line and an array grown by ReDim Preserve count by
    // what each step adds, so a long report or list is no problem.
    ASSERT_TRUE(engine.addCode(s("r = \"\"\nFor i = 1 To 5000\nr = r & String(99, \"x\") & vbLf\nNext\n"
                                 "parts = Split(r, vbLf)\nj = Join(parts, \",\")\n"
                                 "ReDim g(0)\nFor i = 1 To 200000 Step 10000\nReDim Preserve g(i)\ng(i) = i\nNext\n"
                                 "h = g\nh(0) = 1\n")));
    Variant answer;
    ASSERT_TRUE(engine.evaluate(s("Len(r) = 500000 And UBound(parts) = 5000 And Len(j) = 500000 And g(190001) = 190001"),
                                &answer));
    EXPECT_TRUE(answer.toBool());
}

TEST(EngineTest, RecursionLimitGivesOutOfStackSpace)
{
    Engine engine;
    engine.setRecursionLimit(50);
    ASSERT_TRUE(engine.addCode(s("Function Depth(n)\nIf n = 0 Then Depth = 0 Else Depth = 1 + Depth(n - 1)\nEnd Function")));
    Variant result;
    EXPECT_TRUE(engine.run(s("Depth"), {Variant(qint32(40))}, &result));
    EXPECT_EQ(result.toLong(), 40);
    EXPECT_FALSE(engine.run(s("Depth"), {Variant(qint32(60))}));
    EXPECT_EQ(engine.lastError().number, 28);
    EXPECT_EQ(engine.lastError().description, s("Out of stack space"));
    // Unbounded recursion under the default limit ends the same way.
    Engine deep;
    ASSERT_TRUE(deep.addCode(s("Sub Down()\nDown\nEnd Sub")));
    EXPECT_FALSE(deep.run(s("Down")));
    EXPECT_EQ(deep.lastError().number, 28);
}

TEST(EngineTest, ScriptObjectsAreDispatchObjectsForHosts)
{
    Engine engine;
    TestHost host;
    engine.addObject(s("Host"), automation::dispatchFor(&host), true);
    ASSERT_TRUE(engine.addCode(s("Class Account\n"
                                 "  Public Owner\n"
                                 "  Private balance_\n"
                                 "  Public Default Property Get Balance()\n    Balance = balance_\n  End Property\n"
                                 "  Public Sub Deposit(amount)\n    balance_ = balance_ + amount\n    amount = 0\n  End Sub\n"
                                 "End Class\n"
                                 "Set a = New Account\na.Owner = \"Ann\"\nHost.Keep a\n")));
    ASSERT_TRUE(host.kept.isObject());
    automation::DispatchRef account = host.kept.objectRef();
    EXPECT_EQ(account->typeName(), s("Account"));
    EXPECT_EQ(account->get(s("OWNER")).toString(), s("Ann"));
    EXPECT_EQ(account->memberId(s("balance_")), automation::kDispIdUnknown);
    QList<Variant> args{Variant(qint32(25))};
    account->invoke(account->requireId(s("Deposit")), automation::CallKind::Method, args);
    EXPECT_EQ(args[0].toLong(), 0);  // ByRef writes back into the host's list
    EXPECT_EQ(Variant(account).toLong(), 25);  // the default member
    account->put(s("Owner"), Variant("Bob"));
    Variant owner;
    ASSERT_TRUE(engine.evaluate(s("a.Owner"), &owner));
    EXPECT_EQ(owner.toString(), s("Bob"));
    // After a reset the object is disconnected rather than dangling.
    engine.reset();
    EXPECT_THROW(account->get(s("Owner")), automation::AutomationError);
}

TEST(EngineTest, ResetDiscardsCodeVariablesAndObjectsAndRunsTerminate)
{
    Engine engine;
    TestHost host;
    engine.addObject(s("Host"), automation::dispatchFor(&host), true);
    ASSERT_TRUE(engine.addCode(s("Class T\nPrivate Sub Class_Terminate()\nPrint \"terminated\"\nEnd Sub\nEnd Class\n"
                                 "Set held = New T\nx = 5\nSub P()\nEnd Sub")));
    engine.reset();
    EXPECT_EQ(host.lines, QStringList{s("terminated")});
    EXPECT_TRUE(engine.procedures().isEmpty());
    Variant v;
    ASSERT_TRUE(engine.evaluate(s("IsEmpty(x)"), &v));
    EXPECT_TRUE(v.toBool());
    EXPECT_FALSE(engine.addCode(s("Option Explicit\nHost.Print 1")));
    EXPECT_EQ(engine.lastError().number, 500);
}

TEST(EngineTest, EvaluateAndExecuteStatementWorkAtTheGlobalLevel)
{
    Engine engine;
    ASSERT_TRUE(engine.executeStatement(s("Dim counter : counter = 41")));
    Variant v;
    ASSERT_TRUE(engine.evaluate(s("counter + 1"), &v));
    EXPECT_EQ(v.toLong(), 42);
    EXPECT_FALSE(engine.evaluate(s("counter +"), &v));
    EXPECT_EQ(engine.lastError().number, 1002);
    EXPECT_TRUE(engine.lastError().compileError);
}

TEST(EngineTest, HostErrorsKeepTheirNumberAndSource)
{
    Engine engine;
    TestHost host;
    engine.addObject(s("Host"), automation::dispatchFor(&host), false);
    EXPECT_FALSE(engine.addCode(s("x = 1\nHost.Nope 1")));
    EXPECT_EQ(engine.lastError().number, 438);
    EXPECT_EQ(engine.lastError().line, 2);
    EXPECT_TRUE(engine.lastError().description.contains(s("Nope")));
    EXPECT_FALSE(engine.addCode(s("Err.Raise 77, \"MyHost\", \"It broke\"")));
    EXPECT_EQ(engine.lastError().number, 77);
    EXPECT_EQ(engine.lastError().source, s("MyHost"));
    EXPECT_EQ(engine.lastError().description, s("It broke"));
}

TEST(EngineTest, ObjectsAHostKeepsOutliveTheEngineSafely)
{
    TestHost host;
    {
        Engine engine;
        engine.addObject(s("Host"), automation::dispatchFor(&host), false);
        ASSERT_TRUE(engine.addCode(s("Class K\nPublic V\nEnd Class\nSet inst = New K\ninst.V = 1")));
        Variant v;
        ASSERT_TRUE(engine.evaluate(s("inst"), &v));
        host.lines.append(v.objectRef()->typeName());
        host.kept = v;  // an instance kept across the engine's end
    }
    ASSERT_TRUE(host.kept.isObject());
    EXPECT_EQ(host.kept.objectRef()->memberId(s("V")), automation::kDispIdUnknown);
    QList<Variant> none;
    EXPECT_THROW(host.kept.objectRef()->invoke(1, automation::CallKind::PropertyGet, none), automation::AutomationError);
    EXPECT_EQ(host.lines, QStringList{s("K")});
}

TEST(EngineTest, ErrKeptByAHostIsDisconnectedWhenTheEngineGoes)
{
    TestHost host;
    {
        Engine engine;
        engine.addObject(s("Host"), automation::dispatchFor(&host), false);
        ASSERT_TRUE(engine.addCode(s("Host.Keep Err")));
    }
    ASSERT_TRUE(host.kept.isObject());
    EXPECT_THROW(host.kept.objectRef()->get(s("Number")), automation::AutomationError);
}

TEST(EngineTest, ResetFromACallbackOfARunningScriptIsIgnored)
{
    Engine engine;
    engine.setMsgBoxHandler([&](const QString&, int, const QString&) {
        engine.reset();
        return 1;
    });
    ASSERT_TRUE(engine.addCode(s("x = 5\nMsgBox \"reset now\"\ny = x + 1")));
    Variant v;
    ASSERT_TRUE(engine.evaluate(s("y"), &v));
    EXPECT_EQ(v.toLong(), 6);
}

// A call site binds a host method on its second call; what a script sees must
// not change then. Each loop below makes the same call three times and keeps
// every result, with its type.
TEST(EngineTest, RepeatedHostCallsGiveWhatTheFirstCallGave)
{
    Engine engine;
    TypedHost typed;
    TestHost plain;
    engine.addObject(s("T"), automation::dispatchFor(&typed), false);
    engine.addObject(s("P"), automation::dispatchFor(&plain), false);
    ASSERT_TRUE(engine.addCode(s(
        "Function Loop3(n)\n"
        "  Dim i, r\n"
        "  For i = 1 To 3 : r = r & TypeName(T.Scale(n, 2)) & T.Scale(n, 2) & \" \" : Next\n"
        "  For i = 1 To 3 : r = r & T.Mark(i = 2, \"x\") & \" \" : Next\n"
        "  For i = 1 To 3 : r = r & TypeName(T.Same(n)) & \" \" : Next\n"
        "  For i = 1 To 3 : r = r & TypeName(T.Odd(i)) & T.Odd(i) & \" \" : Next\n"
        "  For i = 1 To 3 : r = r & T.Sum(i) & \"/\" & T.Sum(i, 1) & \" \" : Next\n"
        "  For i = 1 To 3 : r = r & TypeName(T.Count()) & \" \" : Next\n"
        "  For i = 1 To 3 : r = r & TypeName(T.Half(i)) & T.Half(i) & \" \" : Next\n"
        "  Loop3 = r\n"
        "End Function\n")));
    Variant result;
    ASSERT_TRUE(engine.run(s("Loop3"), {Variant(1.5)}, &result));
    EXPECT_EQ(result.toString(), s("Double3 Double3 Double3 x x! x Double Double Double Booleantrue Booleanfalse "
                                   "Booleantrue 11/2 12/3 13/4 Empty Empty Empty Single0.5 Single1 Single1.5 ")
                                     .replace(s("true"), s("True"))
                                     .replace(s("false"), s("False")));
    EXPECT_EQ(typed.calls, 3);
    ASSERT_TRUE(engine.run(s("Loop3"), {Variant("2")}, &result));
    EXPECT_TRUE(result.toString().startsWith(s("Double4 Double4 Double4 x x! x String String String")));

    // Conversions fail the same way on every call: 13 for text that is no
    // number, 6 for a number out of an int's range, 94 for Null.
    ASSERT_TRUE(engine.addCode(s(
        "Function Errors(v)\n"
        "  Dim i, r, x\n"
        "  On Error Resume Next\n"
        "  For i = 1 To 3\n"
        "    Err.Clear : x = Empty : x = T.Add(1, v) : r = r & Err.Number & \":\" & x & \" \"\n"
        "  Next\n"
        "  Errors = r\n"
        "End Function\n")));
    ASSERT_TRUE(engine.run(s("Errors"), {Variant("abc")}, &result));
    EXPECT_EQ(result.toString(), s("13: 13: 13: "));
    ASSERT_TRUE(engine.run(s("Errors"), {Variant(3e9)}, &result));
    EXPECT_EQ(result.toString(), s("6: 6: 6: "));
    ASSERT_TRUE(engine.run(s("Errors"), {Variant::null()}, &result));
    EXPECT_EQ(result.toString(), s("94: 94: 94: "));
    ASSERT_TRUE(engine.run(s("Errors"), {Variant(2.5)}, &result));
    EXPECT_EQ(result.toString(), s("0:103 0:103 0:103 "));  // 2.5 rounds to even

    // By-reference parameters still come back, call after call.
    ASSERT_TRUE(engine.addCode(s("Function Bumps()\nDim i, n\nFor i = 1 To 3 : T.Bump n : Next\nBumps = n\nEnd Function\n")));
    ASSERT_TRUE(engine.run(s("Bumps"), {}, &result));
    EXPECT_EQ(result.toLong(), 3);
}

TEST(EngineTest, ACallSiteFollowsItsObjectAcrossClassesAndDeletion)
{
    Engine engine;
    TestHost plain;
    auto* typed = new TypedHost;
    engine.addObject(s("P"), automation::dispatchFor(&plain), false);
    engine.addObject(s("T"), automation::dispatchFor(typed), false);
    ASSERT_TRUE(engine.addCode(s(
        "Function Both()\n"
        "  Dim i, o, r\n"
        "  For i = 1 To 8\n"
        "    If (i \\ 2) Mod 2 = 0 Then Set o = P Else Set o = T\n"
        "    r = r & o.Add(i, 0) & \" \"\n"
        "  Next\n"
        "  Both = r\n"
        "End Function\n"
        "Function Twice()\nDim i\nFor i = 1 To 2 : Twice = T.Sum(i) : Next\nEnd Function\n")));
    Variant result;
    ASSERT_TRUE(engine.run(s("Both"), {}, &result));
    EXPECT_EQ(result.toString(), s("1 102 103 4 5 106 107 8 "));
    ASSERT_TRUE(engine.run(s("Twice"), {}, &result));
    EXPECT_EQ(result.toLong(), 12);
    // The object goes while the engine still holds its dispatch reference:
    // the bound call must find that out, as the dispatch interface does.
    delete typed;
    EXPECT_FALSE(engine.run(s("Twice"), {}, &result));
    EXPECT_EQ(engine.lastError().number, 462);
}

// An instance a host kept across a reset comes back into new code: its class
// is gone, so its members are unknown and its default value unreachable.
TEST(EngineTest, AnInstanceKeptAcrossAResetIsInertInNewCode)
{
    Engine engine;
    TestHost host;
    engine.addObject(s("Host"), automation::dispatchFor(&host), false);
    ASSERT_TRUE(engine.addCode(s("Class K\nPublic Default Function V() : V = 1 : End Function\n"
                                 "Sub Go() : End Sub\nEnd Class\nHost.Keep New K")));
    engine.reset();
    engine.addObject(s("Host"), automation::dispatchFor(&host), false);
    EXPECT_FALSE(engine.addCode(s("Host.Kept.Go")));
    EXPECT_EQ(engine.lastError().number, 438);
    EXPECT_FALSE(engine.addCode(s("x = Host.Kept + 1")));
    EXPECT_EQ(engine.lastError().number, 462);
}
