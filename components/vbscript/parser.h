#pragma once
// Builds a Unit from tokens. Declarations are hoisted into the unit; names
// are collected per scope for the linker.

#include "components/vbscript/ast.h"

namespace vbscript {

struct ParseOptions {
    bool expressionOnly = false;       // Eval: one expression and nothing else
    Procedure* localProcedure = nullptr;  // Execute inside a procedure: its locals are visible
    ClassDef* localClass = nullptr;
    bool optionExplicit = false;       // inherited by Execute'd code
};

// Throws CompileError.
std::unique_ptr<Unit> parseUnit(const QString& source, const ParseOptions& options = {});

}  // namespace vbscript
