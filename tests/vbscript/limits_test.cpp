// What a script may build and hold without taking the host down: deep and
// long structures end in an error or are released without exhausting the
// stack, and the memory budget is on what the script holds.
#include "components/vbscript/engine.h"

#include <gtest/gtest.h>

using automation::Variant;
using vbscript::Engine;

namespace {

QString s(const char* text) { return QString::fromUtf8(text); }

qint32 evalLong(Engine& engine, const char* expression)
{
    Variant v;
    EXPECT_TRUE(engine.evaluate(s(expression), &v)) << engine.lastError().description.toStdString();
    return v.toLong();
}

}  // namespace

TEST(LimitsTest, LongChainsOfLinkedInstancesAreReleasedWithoutRecursion)
{
    Engine engine;
    ASSERT_TRUE(engine.addCode(s("Class Node\nPublic NextNode\nPublic Value\nEnd Class\n"
                                 "Dim head\nSub Build(n)\nDim i, k\nSet head = Nothing\n"
                                 "For i = 1 To n\nSet k = New Node\nk.Value = i\nSet k.NextNode = head\nSet head = k\nNext\n"
                                 "End Sub\n")));
    ASSERT_TRUE(engine.run(s("Build"), {Variant(qint32(50000))}));
    EXPECT_EQ(evalLong(engine, "head.Value"), 50000);
    // Dropping the head releases the whole list; so does a reset.
    ASSERT_TRUE(engine.executeStatement(s("Set head = Nothing")));
    ASSERT_TRUE(engine.run(s("Build"), {Variant(qint32(50000))}));
    engine.reset();
    EXPECT_TRUE(engine.addCode(s("x = 1")));
}

TEST(LimitsTest, ClassTerminateStillRunsForEveryReleasedInstanceInOrder)
{
    Engine engine;
    ASSERT_TRUE(engine.addCode(s("Dim count, order\nClass Node\nPublic NextNode\nPublic Id\n"
                                 "Private Sub Class_Terminate\ncount = count + 1\n"
                                 "If count <= 3 Then order = order & Id\nEnd Sub\nEnd Class\n"
                                 "count = 0\nSet head = Nothing\nFor i = 1 To 30000\nSet k = New Node\nk.Id = i Mod 10\n"
                                 "Set k.NextNode = head\nSet head = k\nNext\nSet k = Nothing\nSet head = Nothing\n")));
    EXPECT_EQ(evalLong(engine, "count"), 30000);
    // The head goes first, then what it held.
    Variant order;
    ASSERT_TRUE(engine.evaluate(s("order"), &order));
    EXPECT_EQ(order.toString(), s("098"));
}

TEST(LimitsTest, DeeplyNestedArraysAreReleasedWithoutRecursion)
{
    Engine engine;
    // Deep enough to take far more stack than a thread has if released level
    // by level; small enough for a sanitizer build.
    ASSERT_TRUE(engine.addCode(s("a = Array()\nFor i = 1 To 200000\na = Array(a, i)\nNext\n")));
    EXPECT_EQ(evalLong(engine, "a(1)"), 200000);
    EXPECT_EQ(evalLong(engine, "a(0)(0)(1)"), 199998);
    ASSERT_TRUE(engine.executeStatement(s("a = Empty")));
    ASSERT_TRUE(engine.addCode(s("ReDim b(0)\nFor i = 1 To 100000\nReDim c(0)\nc(0) = b\nb = c\nNext\n")));
    engine.reset();
}

TEST(LimitsTest, VeryLongExpressionsEndInACompileErrorNotACrash)
{
    Engine engine;
    QString code = s("x = 1");
    for (int i = 0; i < 200000; ++i)
        code += s(" + 1");
    EXPECT_FALSE(engine.addCode(code));
    EXPECT_EQ(engine.lastError().number, 28);
    EXPECT_TRUE(engine.lastError().compileError);
    EXPECT_EQ(engine.lastError().line, 1);

    // The same with each term on a continuation line, and with texts.
    code = s("x = \"a\"");
    for (int i = 0; i < 50000; ++i)
        code += s(" & _\n\"b\"");
    EXPECT_FALSE(engine.addCode(code));
    EXPECT_EQ(engine.lastError().number, 28);

    // Right-nested forms: signs, Not and parentheses.
    for (const char* unit : {"-", "Not ", "("}) {
        code = s("x = ");
        for (int i = 0; i < 100000; ++i)
            code += s(unit);
        code += s("1");
        EXPECT_FALSE(engine.addCode(code)) << unit;
        EXPECT_EQ(engine.lastError().number, 28) << unit;
    }

    // Long sums of the length scripts do write still run.
    code = s("x = 0");
    for (int i = 0; i < 900; ++i)
        code += s(" + 1");
    ASSERT_TRUE(engine.addCode(code)) << engine.lastError().description.toStdString();
    EXPECT_EQ(evalLong(engine, "x"), 900);
    // ... also deep in a recursion.
    ASSERT_TRUE(engine.addCode(s("Function F(n)\nIf n > 0 Then F = F(n - 1) Else F = ") + code.mid(4)
                               + s("\nEnd Function\ny = F(200)\n")))
        << engine.lastError().description.toStdString();
    EXPECT_EQ(evalLong(engine, "y"), 900);
    // The engine goes on after the refused code.
    EXPECT_TRUE(engine.addCode(s("y = 2")));
}
TEST(LimitsTest, TextsMadeAndDroppedDoNotAddUpToOutOfMemory)
{
    Engine engine;
    engine.setAllocationLimit(24 << 20);
    // 100 texts of 2 MB, one at a time: 200 MB made, 2 MB held; the same
    // with arrays of 3.2 MB.
    ASSERT_TRUE(engine.addCode(s("For i = 1 To 100\ns = Space(1000000)\nNext\n"
                                 "For i = 1 To 40\nReDim a(100000)\na(5) = i\nNext\n")))
        << engine.lastError().number << " " << engine.lastError().description.toStdString();
}

TEST(LimitsTest, TheBudgetIsOnWhatTheScriptHoldsAcrossCalls)
{
    Engine engine;
    engine.setAllocationLimit(32 << 20);
    // Each tick keeps 4 MB more in a global.
    ASSERT_TRUE(engine.addCode(s("Dim keep()\nReDim keep(-1)\n"
                                 "Sub OnTick\nReDim Preserve keep(UBound(keep) + 1)\nkeep(UBound(keep)) = Space(2000000)\n"
                                 "End Sub\nSub Drop\nReDim keep(-1)\nEnd Sub\n")));
    int ticks = 0;
    while (ticks < 40 && engine.run(s("OnTick")))
        ++ticks;
    EXPECT_EQ(engine.lastError().number, 7);
    EXPECT_GE(ticks, 4);
    EXPECT_LE(ticks, 8);
    // What it let go of is back in the budget.
    ASSERT_TRUE(engine.run(s("Drop")));
    EXPECT_TRUE(engine.run(s("OnTick"))) << engine.lastError().description.toStdString();
}
