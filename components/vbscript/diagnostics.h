#pragma once
// Error numbers and texts of the language: compile errors (1001 and up) and
// the run-time errors the automation layer does not already describe.

#include "automation/errors.h"

#include <QString>

namespace vbscript {

namespace compile {
inline constexpr int kSyntax = 1002;
inline constexpr int kExpectedColon = 1003;
inline constexpr int kExpectedLParen = 1005;
inline constexpr int kExpectedRParen = 1006;
inline constexpr int kExpectedRBracket = 1007;
inline constexpr int kExpectedIdentifier = 1010;
inline constexpr int kExpectedEqual = 1011;
inline constexpr int kExpectedIf = 1012;
inline constexpr int kExpectedTo = 1013;
inline constexpr int kExpectedEnd = 1014;
inline constexpr int kExpectedFunction = 1015;
inline constexpr int kExpectedSub = 1016;
inline constexpr int kExpectedThen = 1017;
inline constexpr int kExpectedWend = 1018;
inline constexpr int kExpectedLoop = 1019;
inline constexpr int kExpectedNext = 1020;
inline constexpr int kExpectedCase = 1021;
inline constexpr int kExpectedSelect = 1022;
inline constexpr int kExpectedExpression = 1023;
inline constexpr int kExpectedStatement = 1024;
inline constexpr int kExpectedEndOfStatement = 1025;
inline constexpr int kExpectedInteger = 1026;
inline constexpr int kExpectedWhileUntil = 1027;
inline constexpr int kExpectedWith = 1029;
inline constexpr int kIdentifierTooLong = 1030;
inline constexpr int kInvalidNumber = 1031;
inline constexpr int kInvalidCharacter = 1032;
inline constexpr int kUnterminatedString = 1033;
inline constexpr int kInvalidMe = 1037;
inline constexpr int kLoopWithoutDo = 1038;
inline constexpr int kInvalidExit = 1039;
inline constexpr int kInvalidForVariable = 1040;
inline constexpr int kNameRedefined = 1041;
inline constexpr int kMustBeFirstStatement = 1042;
inline constexpr int kCannotUseParentheses = 1044;
inline constexpr int kExpectedLiteral = 1045;
inline constexpr int kExpectedIn = 1046;
inline constexpr int kExpectedClass = 1047;
inline constexpr int kMustBeInsideClass = 1048;
inline constexpr int kExpectedLetSetGet = 1049;
inline constexpr int kExpectedProperty = 1050;
inline constexpr int kInconsistentPropertyArguments = 1051;
inline constexpr int kMultipleDefault = 1052;
inline constexpr int kInitializeTerminateArguments = 1053;
inline constexpr int kPropertyNeedsArgument = 1054;
inline constexpr int kUnexpectedNext = 1055;
inline constexpr int kDefaultPlacement = 1056;
inline constexpr int kDefaultNeedsPublic = 1057;
inline constexpr int kDefaultOnlyOnGet = 1058;
}  // namespace compile

namespace runtime {
inline constexpr int kFixedArray = 10;          // This array is fixed or temporarily locked
inline constexpr int kInterrupted = 18;         // User interrupt occurred
inline constexpr int kNotDefined = 35;          // Sub or Function not defined
inline constexpr int kObjectNotSet = 91;        // Object variable not set
inline constexpr int kForNotInitialized = 92;   // For loop not initialized
inline constexpr int kNotCollection = 451;      // Object not a collection
inline constexpr int kUndefinedVariable = 500;  // Variable is undefined
inline constexpr int kIllegalAssignment = 501;
inline constexpr int kClassNotDefined = 506;
}  // namespace runtime

// The text of a compile or run-time error number; "Unknown runtime error" for
// numbers the language does not name.
QString describeError(int number);

// Where a script's code sits: 1-based line and column.
struct Position {
    int line = 0;
    int column = 0;
};

// A compile error, thrown by the lexer and the parser.
struct CompileError {
    int number;
    Position position;
};

// A run-time error that has left a statement: the position is where it
// happened, and it stays as it is while the error travels up the calls.
class RuntimeError : public automation::AutomationError {
public:
    RuntimeError(const automation::AutomationError& error, Position position, bool fatal)
        : AutomationError(error), position_(position), fatal_(fatal) {}
    Position position() const { return position_; }
    bool fatal() const { return fatal_; }

private:
    Position position_;
    bool fatal_;
};

// An error no On Error Resume Next may swallow: an interrupt from outside.
class AbortError : public automation::AutomationError {
public:
    using AutomationError::AutomationError;
};

}  // namespace vbscript
