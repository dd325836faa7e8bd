// Builds VBScript programs of great depth and length from a few input bytes
// (operator chains of up to hundreds of thousands of terms, nesting of
// parentheses, signs, Not, blocks, arrays, dictionaries and linked class
// instances), compiles and runs them under a step limit, and releases
// everything. A program the engine cannot take must end in an error with a
// number and a text: never a crash, a stack overflow or a hang.
//
// Input: up to three steps of three bytes, [form, size, variant]; each step
// appends one statement of that form, its size scaled so that one step
// reaches the depths that used to overflow the stack.

#include "components/scriptcontrol/host_objects.h"
#include "components/vbscript/engine.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr qint64 kStepLimit = 3000000;
constexpr qint64 kAllocationLimit = qint64(256) << 20;

// Sizes grow fast with the byte: 1 .. about 50,000, past the parser's limits
// and deeper than a release level by level could go.
int scaled(uint8_t size) { return 1 + (int(size) * int(size) * int(size)) / 330; }

const char* const kOperators[] = {" + ", " - ", " * ", " & ", " And ", " Or ", " = ", " <> ", " Mod ", " \\ ", " ^ ", " Xor "};

QString statement(uint8_t form, int n, uint8_t variant)
{
    QString s;
    const QString op = QLatin1String(kOperators[variant % std::size(kOperators)]);
    switch (form % 10) {
    case 0:  // a long chain of one operator
        s = QStringLiteral("x = 1");
        for (int i = 0; i < n; ++i)
            s += op + QString::number(i % 7 + 1);
        break;
    case 1:  // the same chain over continuation lines
        s = QStringLiteral("x = \"a\"");
        for (int i = 0; i < n; ++i)
            s += op + QStringLiteral("_\n  \"b\"");
        break;
    case 2:  // nested parentheses, signs or Not
        for (int i = 0; i < n; ++i)
            s += variant % 3 == 0 ? QStringLiteral("(") : variant % 3 == 1 ? QStringLiteral("-") : QStringLiteral("Not ");
        s = QStringLiteral("x = ") + s + QStringLiteral("1");
        if (variant % 3 == 0)
            s += QString(n, u')');
        break;
    case 3:  // nested blocks
        for (int i = 0; i < n; ++i)
            s += variant % 2 ? QStringLiteral("If True Then\n") : QStringLiteral("Do\n");
        s += QStringLiteral("x = x + 1\n");
        for (int i = 0; i < n; ++i)
            s += variant % 2 ? QStringLiteral("End If\n") : QStringLiteral("Exit Do\nLoop\n");
        break;
    case 4:  // an array nested n deep, then dropped
        s = QStringLiteral("a = Array()\nFor i = 1 To %1\na = Array(a, i)\nNext\na = Empty").arg(n);
        break;
    case 5:  // dictionaries nested n deep
        s = QStringLiteral("Set d = CreateObject(\"Scripting.Dictionary\")\nFor i = 1 To %1\n"
                           "Set e = CreateObject(\"Scripting.Dictionary\")\ne.Add i, d\nSet d = e\nNext\n"
                           "Set e = Nothing\nSet d = Nothing").arg(n);
        break;
    case 6:  // a list of linked class instances
        s = QStringLiteral("Set h = Nothing\nFor i = 1 To %1\nSet k = New Node\nSet k.N = h\nSet h = k\nNext\n"
                           "Set k = Nothing\nSet h = Nothing").arg(n);
        break;
    case 7:  // nested calls in one expression
        for (int i = 0; i < n; ++i)
            s += QStringLiteral("Len(");
        s = QStringLiteral("x = ") + s + QStringLiteral("\"abc\"") + QString(n, u')');
        break;
    case 8:  // a text built of several pieces a step
        s = QStringLiteral("t = \"\"\nFor i = 1 To %1\nt = t & \"x\"%2i Mod 10\nNext").arg(n).arg(op);
        break;
    default:  // Eval of a long chain
        s = QStringLiteral("y = Eval(String(%1, \"(\") & \"1\" & String(%1, \")\"))").arg(n);
        break;
    }
    return s + u'\n';
}

void checkError(const vbscript::Engine& engine, bool succeeded)
{
    const vbscript::ScriptError& e = engine.lastError();
    if (succeeded ? e.isError() : (!e.isError() || e.description.isEmpty())) {
        std::fprintf(stderr, "result %d, error %d \"%s\" at %d:%d\n", int(succeeded), e.number,
                     qPrintable(e.description), e.line, e.column);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Three statements at most: each may be tens of thousands of levels deep.
    if (size > 9)
        return 0;
    QString code = QStringLiteral("Class Node\nPublic N\nEnd Class\nOn Error Resume Next\n");
    for (size_t i = 0; i + 2 < size; i += 3)
        code += statement(data[i], scaled(data[i + 1]), data[i + 2]);

    vbscript::Engine engine;
    engine.setStepLimit(kStepLimit);
    engine.setAllocationLimit(kAllocationLimit);
    engine.setCreateObjectHandler([](const QString& id) {
        return id.compare(QLatin1String("Scripting.Dictionary"), Qt::CaseInsensitive) == 0
                   ? scriptcontrol::owningDispatch(std::make_unique<scriptcontrol::Dictionary>())
                   : automation::DispatchRef();
    });
    checkError(engine, engine.addCode(code));
    // The same text as an expression and as statements run by Execute.
    automation::Variant value;
    checkError(engine, engine.evaluate(code, &value));
    checkError(engine, engine.executeStatement(code));
    engine.reset();
    return 0;
}
