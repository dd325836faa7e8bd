// Scripting.Dictionary as scripts use it: keys compared as Windows compares
// them, insertion order kept through removals, and large or deeply nested
// dictionaries handled without trouble.

#include "components/scriptcontrol/script_control.h"

#include <gtest/gtest.h>

#include <ostream>

using scriptcontrol::ScriptControl;

// Results show as text in failures.
void PrintTo(const QString& text, std::ostream* os);

namespace {

QString run(ScriptControl& control, const QString& body) {
    const QString code = QStringLiteral("Function Main()\n") + body + QStringLiteral("\nEnd Function\n");
    if (!control.addCode(code))
        return QStringLiteral("compile error %1").arg(control.error().number);
    automation::Variant result;
    if (!control.run(QStringLiteral("Main"), {}, &result))
        return QStringLiteral("error %1: %2").arg(control.error().number).arg(control.error().description);
    return result.toString();
}

}  // namespace

TEST(DictionaryTest, KeysCompareAsWindowsComparesThem) {
    ScriptControl control;
    // Binary: case matters; numbers of any subtype are one key; a text of
    // digits is not the number.
    EXPECT_EQ(run(control, QStringLiteral("Set d = CreateObject(\"Scripting.Dictionary\")\n"
                                          "d.Add \"A\", 1\nd.Add \"a\", 2\nd.Add 1, \"one\"\nd.Add \"1\", \"text\"\n"
                                          "Main = d.Count & d(CByte(1)) & d(1.0) & d(\"1\") & d.Exists(CDbl(1)) & d(\"A\")")),
              QStringLiteral("4oneonetextTrue1"));
    // Text: case does not matter, and the first spelling stays the key.
    EXPECT_EQ(run(control, QStringLiteral("Set d = CreateObject(\"Scripting.Dictionary\")\nd.CompareMode = 1\n"
                                          "d.Add \"Key\", 1\nd(\"KEY\") = 2\nk = d.Keys\n"
                                          "Main = d.Count & k(0) & d(\"key\") & d.Exists(\"kEy\")")),
              QStringLiteral("1Key2True"));
    EXPECT_EQ(run(control, QStringLiteral("Set d = CreateObject(\"Scripting.Dictionary\")\nd.CompareMode = 1\n"
                                          "d.Add \"x\", 1\nd.Add \"X\", 2")),
              QStringLiteral("error 457: This key is already associated with an element of this collection"));
    // The mode cannot change once the dictionary holds something.
    EXPECT_EQ(run(control, QStringLiteral("Set d = CreateObject(\"Scripting.Dictionary\")\nd.Add \"x\", 1\n"
                                          "d.CompareMode = 1")).left(7),
              QStringLiteral("error 5"));
    // Objects are keys by identity.
    EXPECT_EQ(run(control, QStringLiteral("Set d = CreateObject(\"Scripting.Dictionary\")\n"
                                          "Set a = CreateObject(\"Scripting.Dictionary\")\n"
                                          "Set b = CreateObject(\"Scripting.Dictionary\")\n"
                                          "d.Add a, \"a\"\nd.Add b, \"b\"\nMain = d.Count & d(a) & d(b)")),
              QStringLiteral("2ab"));
}

TEST(DictionaryTest, OrderIsKeptThroughRemovalsRenamesAndManyEntries) {
    ScriptControl control;
    EXPECT_EQ(run(control, QStringLiteral("Set d = CreateObject(\"Scripting.Dictionary\")\n"
                                          "For i = 1 To 50000\nd.Add \"k\" & i, i\nNext\n"
                                          "For i = 1 To 50000\nIf d(\"k\" & i) <> i Then Main = \"lost \" & i\nNext\n"
                                          "For i = 1 To 49990\nd.Remove \"k\" & i\nNext\n"
                                          "d.Key(\"k49995\") = \"renamed\"\n"
                                          "d.Add \"last\", 0\n"
                                          "For Each k In d\nMain = Main & k & \",\"\nNext\n"
                                          "it = d.Items\nMain = Main & d.Count & \":\" & it(0) & it(10)")),
              QStringLiteral("k49991,k49992,k49993,k49994,renamed,k49996,k49997,k49998,k49999,k50000,last,11:499910"));
    EXPECT_EQ(run(control, QStringLiteral("Set d = CreateObject(\"Scripting.Dictionary\")\nd.Add 1, 1\n"
                                          "d.Key(1) = 2\nd.Remove 2\nd.Add 1, 3\nd.RemoveAll\nd.Add 4, 4\n"
                                          "Main = d.Count & d.Exists(1) & d(4)")),
              QStringLiteral("1False4"));
    EXPECT_EQ(run(control, QStringLiteral("Set d = CreateObject(\"Scripting.Dictionary\")\nd.Remove \"none\"")),
              QStringLiteral("error 32811: Element not found"));
}

TEST(DictionaryTest, DeeplyNestedDictionariesAreReleasedWithoutRecursion) {
    ScriptControl control;
    EXPECT_EQ(run(control, QStringLiteral("Set d = CreateObject(\"Scripting.Dictionary\")\n"
                                          "For i = 1 To 200000\nSet n = CreateObject(\"Scripting.Dictionary\")\n"
                                          "n.Add \"inner\", d\nSet d = n\nNext\n"
                                          "Set n = Nothing\nMain = d(\"inner\")(\"inner\").Count\nSet d = Nothing")),
              QStringLiteral("1"));
}
