#pragma once
// VBScript's regular expressions: the RegExp object (New RegExp,
// CreateObject("VBScript.RegExp")) with its MatchCollection, Match and
// SubMatches. Patterns use JScript 5.5's syntax; QRegularExpression runs them
// after the few places where the two syntaxes differ are rewritten.

#include "automation/dispatch.h"

#include <QRegularExpression>

namespace vbscript {

automation::DispatchRef makeRegExp();

// True for the program ids that name the RegExp object.
bool isRegExpProgramId(const QString& programId);

// A JScript pattern as PCRE: "." and "$" keep JScript's meaning, \uXXXX
// becomes \x{XXXX}, [] and [^] keep theirs. Exposed for tests.
QString translateJScriptPattern(const QString& pattern, bool multiline);

}  // namespace vbscript
