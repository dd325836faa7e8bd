#pragma once
// The operators' type rules: which type a result has, Null propagation,
// Empty as 0 or "", overflow into the next wider type, comparison modes.

#include "components/vbscript/ast.h"

namespace vbscript {

// The value behind an object (its default member); other values as they are.
Variant dereference(const Variant& value);
// The same without a copy: value itself unless it is an object, whose
// default value then goes into scratch.
const Variant& dereferenced(const Variant& value, Variant& scratch);

Variant arithmetic(BinaryOp op, const Variant& a, const Variant& b);  // + - * / \ Mod ^
Variant concatenate(const Variant& a, const Variant& b);
Variant logical(BinaryOp op, const Variant& a, const Variant& b);     // And Or Xor Eqv Imp
Variant negate(const Variant& a);
Variant logicalNot(const Variant& a);
// = <> < > <= >=: True, False or Null. A literal operand makes a string on the
// other side convert to its type, as the language does for constants.
Variant compare(BinaryOp op, const Variant& a, const Variant& b, bool aLiteral = false, bool bLiteral = false);
bool sameObject(const Variant& a, const Variant& b);  // Is

// -1, 0 or 1; text comparison ignores case.
int compareText(const QString& a, const QString& b, bool textCompare);
// A condition: Null is false.
bool isTrue(const Variant& condition);

// The narrowest of Integer, Long and Double that holds an integral value.
Variant integralResult(double value);

// The operators on Scalars, with the results the rules above give. False,
// having set nothing, where those rules raise an error or need a Variant (the
// caller then takes the general path, which raises it).
bool scalarBinary(BinaryOp op, const Scalar& a, const Scalar& b, Scalar& out);
bool scalarNegate(const Scalar& a, Scalar& out);
bool scalarNot(const Scalar& a, Scalar& out);

}  // namespace vbscript
