// Feeds arbitrary text to the VBScript lexer and parser, as a program and as
// an Eval expression.
#include "components/vbscript/lexer.h"
#include "components/vbscript/parser.h"

#include <cstdint>
#include <cstdlib>

namespace {

void checkPosition(const vbscript::CompileError& e, const QString& text)
{
    // A compile error points into the text: a real line and column, and a
    // number of the compile range (or 28 for nesting too deep).
    const int lines = int(text.count(u'\n') + text.count(u'\r')) + 1;
    if (e.position.line < 1 || e.position.line > lines || e.position.column < 1)
        std::abort();
    if ((e.number < 1001 || e.number > 1058) && e.number != 28)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 64 * 1024)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        vbscript::parseUnit(text);
    } catch (const vbscript::CompileError& e) {
        checkPosition(e, text);
    }
    vbscript::ParseOptions expression;
    expression.expressionOnly = true;
    try {
        vbscript::parseUnit(text, expression);
    } catch (const vbscript::CompileError& e) {
        checkPosition(e, text);
    }
    return 0;
}
