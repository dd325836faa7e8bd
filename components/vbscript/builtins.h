#pragma once
// The function library and the vb... constants.

#include "components/vbscript/interpreter.h"

namespace vbscript {

using BuiltinFunction = Variant (*)(Runtime& rt, Frame& frame, Args& args);

struct BuiltinInfo {
    const char* name;
    int minArgs;
    int maxArgs;
    BuiltinFunction function;
};

// The id of a library function by lower-case name, or -1.
int findBuiltin(const QString& lower);
const BuiltinInfo& builtinAt(int id);
// A vb... constant by lower-case name.
bool findConstant(const QString& lower, Variant* value);

}  // namespace vbscript
