#pragma once
// The operators' type rules: which type a result has, Null propagation,
// Empty as 0 or "", overflow into the next wider type, comparison modes.

#include "components/vbscript/ast.h"

#include <cmath>

namespace vbscript {

// The value behind an object (its default member); other values as they are.
Variant dereference(const Variant& value);
// The same without a copy: value itself unless it is an object, whose
// default value then goes into scratch.
const Variant& dereferenced(const Variant& value, Variant& scratch);

Variant arithmetic(BinaryOp op, const Variant& a, const Variant& b);  // + - * / \ Mod ^
Variant concatenate(const Variant& a, const Variant& b);
// 14 "Out of string space" when joining texts of these lengths would pass the limit.
void checkConcatLength(qsizetype a, qsizetype b);
Variant logical(BinaryOp op, const Variant& a, const Variant& b);     // And Or Xor Eqv Imp
Variant negate(const Variant& a);
Variant logicalNot(const Variant& a);
// = <> < > <= >=: True, False or Null. How a number and a text compare
// depends on what the operands are (see operators.cpp).
Variant compare(BinaryOp op, const Variant& a, const Variant& b, Comparand aKind = Comparand::Value,
                Comparand bKind = Comparand::Value);
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

// The operators on Scalars, inline for the evaluators that know their
// operator when compiled; scalarOperator() gives one function per operator.
namespace scalar_ops {

// Integer, Long and Double, as typed() makes them from an integral result.
Q_ALWAYS_INLINE Scalar integralScalar(qint64 r, bool integerRank)
{
    if (integerRank && r >= -32768 && r <= 32767)
        return Scalar::ofInteger(qint32(r));
    if (r >= INT32_MIN && r <= INT32_MAX)
        return Scalar::ofLong(qint32(r));
    return Scalar::ofDouble(double(r));
}

Q_ALWAYS_INLINE bool compared(BinaryOp op, int c, Scalar& out)
{
    switch (op) {
    case BinaryOp::Eq: out = Scalar::ofBool(c == 0); return true;
    case BinaryOp::Ne: out = Scalar::ofBool(c != 0); return true;
    case BinaryOp::Lt: out = Scalar::ofBool(c < 0); return true;
    case BinaryOp::Gt: out = Scalar::ofBool(c > 0); return true;
    case BinaryOp::Le: out = Scalar::ofBool(c <= 0); return true;
    case BinaryOp::Ge: out = Scalar::ofBool(c >= 0); return true;
    default: return false;
    }
}

// A Double result: Overflow (the general path's) when it is not finite.
Q_ALWAYS_INLINE bool doubleResult(double r, Scalar& out)
{
    if (!std::isfinite(r))
        return false;
    out = Scalar::ofDouble(r);
    return true;
}

bool power(double x, double y, Scalar& out);

// A Boolean ranks as an Integer of -1 or 0 in arithmetic; only the logical
// operators keep it a Boolean when both sides are one. Inlined into one
// function per operator, so that the operator costs no test when run.
Q_ALWAYS_INLINE bool scalarBinaryImpl(BinaryOp op, const Scalar& a, const Scalar& b, Scalar& out)
{
    if (a.kind != Scalar::Double && b.kind != Scalar::Double) {
        const qint64 x = a.integer;
        const qint64 y = b.integer;
        const bool integerRank = a.kind != Scalar::Long && b.kind != Scalar::Long;
        switch (op) {
        case BinaryOp::Add: out = integralScalar(x + y, integerRank); return true;
        case BinaryOp::Sub: out = integralScalar(x - y, integerRank); return true;
        case BinaryOp::Mul: out = integralScalar(x * y, integerRank); return true;
        // In 32 bits, which divide faster; only -2147483648 \ -1 needs more.
        case BinaryOp::IntDiv:
            if (y == 0)
                return false;
            out = integralScalar(y == -1 ? -x : qint64(a.integer / b.integer), integerRank);
            return true;
        case BinaryOp::Mod:
            if (y == 0)
                return false;
            out = integralScalar(y == -1 ? 0 : qint64(a.integer % b.integer), integerRank);
            return true;
        case BinaryOp::Div:
            if (y == 0)
                return false;
            out = Scalar::ofDouble(double(x) / double(y));
            return true;
        case BinaryOp::Pow: return power(double(x), double(y), out);
        case BinaryOp::And:
        case BinaryOp::Or:
        case BinaryOp::Xor:
        case BinaryOp::Eqv:
        case BinaryOp::Imp: {
            const qint32 p = a.integer, q = b.integer;
            qint32 r = 0;
            switch (op) {
            case BinaryOp::And: r = p & q; break;
            case BinaryOp::Or: r = p | q; break;
            case BinaryOp::Xor: r = p ^ q; break;
            case BinaryOp::Eqv: r = ~(p ^ q); break;
            default: r = ~p | q; break;
            }
            if (a.kind == Scalar::Boolean && b.kind == Scalar::Boolean)
                out = Scalar::ofBool(r != 0);
            else
                out = integerRank ? Scalar::ofInteger(qint16(r)) : Scalar::ofLong(r);
            return true;
        }
        default: return compared(op, x < y ? -1 : x > y ? 1 : 0, out);
        }
    }
    const double x = a.toDouble();
    const double y = b.toDouble();
    switch (op) {
    case BinaryOp::Add: return doubleResult(x + y, out);
    case BinaryOp::Sub: return doubleResult(x - y, out);
    case BinaryOp::Mul: return doubleResult(x * y, out);
    case BinaryOp::Div: return y != 0 && doubleResult(x / y, out);
    case BinaryOp::Pow: return power(x, y, out);
    default: return compared(op, (x < y ? -1 : x > y ? 1 : 0), out);
    }
}

}  // namespace scalar_ops

}  // namespace vbscript
