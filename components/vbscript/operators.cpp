#include "components/vbscript/operators.h"

#include "automation/dispatch.h"

#include <cfloat>
#include <cmath>

namespace vbscript {

using automation::AutomationError;
using automation::VarType;
using automation::DispatchRef;
using automation::CallKind;
namespace error = automation::error;

namespace {

// Longer texts end in "Out of string space" rather than exhausting memory.
constexpr qsizetype kMaxStringLength = qsizetype(1) << 26;

void checkLength(qsizetype a, qsizetype b)
{
    if (a + b > kMaxStringLength)
        throw AutomationError(14, QStringLiteral("Out of string space"));
}

enum Rank { kByte = 1, kInteger, kLong, kCurrency, kSingle, kDouble, kDate, kString };

Rank rankOf(const Variant& v)
{
    switch (v.type()) {
    case VarType::Byte: return kByte;
    case VarType::Empty:
    case VarType::Boolean:
    case VarType::Integer: return kInteger;
    case VarType::Long: return kLong;
    case VarType::Currency: return kCurrency;
    case VarType::Single: return kSingle;
    case VarType::Double: return kDouble;
    case VarType::Date: return kDate;
    case VarType::String: return kString;
    default: throw AutomationError(error::kTypeMismatch);
    }
}

double numberOf(const Variant& v)
{
    return v.isString() ? v.toDouble() : v.rawNumber();
}

Variant typed(double r, Rank rank)
{
    if (std::isnan(r) || std::isinf(r))
        throw AutomationError(error::kOverflow);
    switch (rank) {
    case kByte:
        if (r >= 0 && r <= 255)
            return Variant::fromByte(quint8(r));
        [[fallthrough]];
    case kInteger:
        if (r >= -32768 && r <= 32767)
            return Variant::fromInteger(qint16(r));
        [[fallthrough]];
    case kLong:
        if (r >= -2147483648.0 && r <= 2147483647.0)
            return Variant(qint32(r));
        return Variant(r);
    case kCurrency: return Variant::fromCurrency(r);
    case kSingle:
        if (std::fabs(r) <= double(FLT_MAX))
            return Variant::fromSingle(float(r));
        return Variant(r);
    case kDate:
        if (std::fabs(r) > 2958465.99999)
            throw AutomationError(error::kOverflow);
        return Variant::fromDate(r);
    default: return Variant(r);
    }
}

// The operands of \ and Mod and the logical operators: rounded to Long.
qint32 longOf(const Variant& v)
{
    if (v.type() == VarType::String) {
        const QString t = v.stringRef().trimmed();
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return -1;
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return 0;
    }
    return v.toLong();
}

Rank integerRank(const Variant& a, const Variant& b)
{
    const Rank ra = a.isString() ? kLong : rankOf(a);
    const Rank rb = b.isString() ? kLong : rankOf(b);
    if (ra == kByte && rb == kByte)
        return kByte;
    if (ra <= kInteger && rb <= kInteger)
        return kInteger;
    return kLong;
}

}  // namespace

const Variant& dereferenced(const Variant& value, Variant& scratch)
{
    if (!value.isObject())
        return value;
    scratch = dereference(value);
    return scratch;
}

Variant dereference(const Variant& value)
{
    if (!value.isObject())
        return value;
    const DispatchRef& object = value.objectRef();
    if (!object)
        throw AutomationError(91, QStringLiteral("Object variable not set"));
    QList<Variant> none;
    Variant v = object->invoke(automation::kDispIdValue, CallKind::PropertyGet, none);
    if (v.isObject())
        throw AutomationError(error::kTypeMismatch);
    return v;
}

Variant integralResult(double value) { return typed(value, kInteger); }

Variant arithmetic(BinaryOp op, const Variant& a0, const Variant& b0)
{
    Variant aScratch;
    const Variant& a = dereferenced(a0, aScratch);
    Variant bScratch;
    const Variant& b = dereferenced(b0, bScratch);
    if (a.isNull() || b.isNull())
        return Variant::null();
    if (a.isArray() || b.isArray() || a.type() == VarType::Error || b.type() == VarType::Error)
        throw AutomationError(error::kTypeMismatch);
    if (op == BinaryOp::Add) {
        if (a.isString() && b.isString()) {
            checkLength(a.stringRef().size(), b.stringRef().size());
            return Variant(a.stringRef() + b.stringRef());
        }
        if (a.isString() && b.isEmpty())
            return a;
        if (b.isString() && a.isEmpty())
            return b;
    }
    switch (op) {
    case BinaryOp::IntDiv:
    case BinaryOp::Mod: {
        const qint32 x = longOf(a);
        const qint32 y = longOf(b);
        if (y == 0)
            throw AutomationError(error::kDivisionByZero);
        const qint64 r = op == BinaryOp::IntDiv ? qint64(x) / y : qint64(x) % y;
        return typed(double(r), integerRank(a, b));
    }
    case BinaryOp::Div: {
        const double x = numberOf(a);
        const double y = numberOf(b);
        if (y == 0) {
            if (x == 0)
                throw AutomationError(error::kOverflow);
            throw AutomationError(error::kDivisionByZero);
        }
        const Rank ra = rankOf(a), rb = rankOf(b);
        return typed(x / y, ra <= kSingle && rb <= kSingle && (ra == kSingle || rb == kSingle) ? kSingle : kDouble);
    }
    case BinaryOp::Pow: {
        const double x = numberOf(a);
        const double y = numberOf(b);
        const double r = std::pow(x, y);
        if (std::isnan(r))
            throw AutomationError(error::kInvalidCall);
        if (std::isinf(r) && x == 0)
            throw AutomationError(error::kDivisionByZero);
        return typed(r, kDouble);
    }
    default: break;
    }
    Rank ra = rankOf(a), rb = rankOf(b);
    if (ra == kString)
        ra = kDouble;
    if (rb == kString)
        rb = kDouble;
    const double x = numberOf(a);
    const double y = numberOf(b);
    Rank rank = std::max(ra, rb);
    // Currency keeps its type with whole numbers only; with Single it is Double.
    if ((ra == kCurrency && rb == kSingle) || (ra == kSingle && rb == kCurrency))
        rank = kDouble;
    double r = 0;
    switch (op) {
    case BinaryOp::Add: r = x + y; break;
    case BinaryOp::Sub:
        r = x - y;
        if (ra == kDate && rb == kDate)
            rank = kDouble;
        break;
    case BinaryOp::Mul:
        r = x * y;
        if (rank == kDate)
            rank = kDouble;
        break;
    default: throw AutomationError(error::kTypeMismatch);
    }
    return typed(r, rank);
}

void checkConcatLength(qsizetype a, qsizetype b) { checkLength(a, b); }

Variant concatenate(const Variant& a0, const Variant& b0)
{
    Variant aScratch;
    const Variant& a = dereferenced(a0, aScratch);
    Variant bScratch;
    const Variant& b = dereferenced(b0, bScratch);
    if (a.isNull() && b.isNull())
        return Variant::null();
    QString s = a.isNull() ? QString() : a.toString();
    if (!b.isNull()) {
        const QString t = b.toString();
        checkLength(s.size(), t.size());
        s += t;
    }
    return Variant(std::move(s));
}

Variant negate(const Variant& a0)
{
    Variant aScratch;
    const Variant& a = dereferenced(a0, aScratch);
    switch (a.type()) {
    case VarType::Null: return a;
    case VarType::Empty: return Variant::fromInteger(0);
    case VarType::String: return Variant(-a.toDouble());
    case VarType::Byte:
    case VarType::Boolean:
    case VarType::Integer: return typed(-a.rawNumber(), kInteger);
    case VarType::Long: return typed(-a.rawNumber(), kLong);
    case VarType::Single: return Variant::fromSingle(-float(a.rawNumber()));
    case VarType::Double: return Variant(-a.rawNumber());
    case VarType::Currency: return Variant::fromCurrency(-a.rawNumber());
    case VarType::Date: return typed(-a.rawNumber(), kDate);
    default: throw AutomationError(error::kTypeMismatch);
    }
}

Variant logicalNot(const Variant& a0)
{
    Variant aScratch;
    const Variant& a = dereferenced(a0, aScratch);
    switch (a.type()) {
    case VarType::Null: return a;
    case VarType::Boolean: return Variant(!a.toBool());
    case VarType::Empty: return Variant::fromInteger(-1);
    case VarType::Byte: return Variant::fromByte(quint8(~a.toByte()));
    case VarType::Integer: return Variant::fromInteger(qint16(~a.toInteger()));
    default: return Variant(qint32(~longOf(a)));
    }
}

Variant logical(BinaryOp op, const Variant& a0, const Variant& b0)
{
    Variant aScratch;
    const Variant& a = dereferenced(a0, aScratch);
    Variant bScratch;
    const Variant& b = dereferenced(b0, bScratch);
    const bool an = a.isNull(), bn = b.isNull();
    if (an || bn) {
        // Null is "unknown": a result that does not depend on it is still known.
        if (an && bn)
            return Variant::null();
        const Variant& other = an ? b : a;
        const qint32 o = longOf(other);
        switch (op) {
        case BinaryOp::And:
            if (o == 0)
                return other.type() == VarType::Boolean ? Variant(false) : typed(0, integerRank(other, other));
            return Variant::null();
        case BinaryOp::Or:
            if (o == -1)
                return other.type() == VarType::Boolean ? Variant(true) : typed(-1, integerRank(other, other));
            return Variant::null();
        case BinaryOp::Imp:
            if ((an && o == -1) || (bn && o == 0))
                return other.type() == VarType::Boolean ? Variant(true) : typed(-1, integerRank(other, other));
            return Variant::null();
        default: return Variant::null();
        }
    }
    const qint32 x = longOf(a);
    const qint32 y = longOf(b);
    qint32 r = 0;
    switch (op) {
    case BinaryOp::And: r = x & y; break;
    case BinaryOp::Or: r = x | y; break;
    case BinaryOp::Xor: r = x ^ y; break;
    case BinaryOp::Eqv: r = ~(x ^ y); break;
    case BinaryOp::Imp: r = ~x | y; break;
    default: throw AutomationError(error::kTypeMismatch);
    }
    if (a.type() == VarType::Boolean && b.type() == VarType::Boolean)
        return Variant(r != 0);
    const Rank rank = integerRank(a, b);
    if (rank == kByte)
        return Variant::fromByte(quint8(r));
    if (rank == kInteger)
        return Variant::fromInteger(qint16(r));
    return Variant(r);
}

int compareText(const QString& a, const QString& b, bool textCompare)
{
    const int c = a.compare(b, textCompare ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

namespace {

bool numberForLiteralCompare(const Variant& s, double* n)
{
    const QString t = s.stringRef().trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        *n = -1;
        return true;
    }
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        *n = 0;
        return true;
    }
    return automation::parseNumericText(t, n);
}

int compareNumbers(double x, double y) { return x < y ? -1 : x > y ? 1 : 0; }

}  // namespace

// A number meets a text. The table of the language reference says the
// number is less than the text; that is the rule for values the script
// computed (a function's or an operator's result): "100" > CLng(1000) and
// "010" = CInt(10) <> True. A literal or constant, though, is converted to
// the type of a variable it is compared with, so that x = 5 : x < "10" and
// x = "5" hold, and s = "10" : s = 10 compares the texts "10" and "10". A
// literal text that is no number stays a text (x < "abc" is True), and
// between two literals the text must become a number: "abc" = 5 is 13. A
// Boolean's text is "True" or "False" ("True" = b, "-1" <> b).
Variant compare(BinaryOp op, const Variant& a0, const Variant& b0, Comparand aKind, Comparand bKind)
{
    Variant aScratch;
    const Variant& a = dereferenced(a0, aScratch);
    Variant bScratch;
    const Variant& b = dereferenced(b0, bScratch);
    // An array cannot be compared, with Null neither.
    if (a.isArray() || b.isArray() || a.type() == VarType::Error || b.type() == VarType::Error)
        throw AutomationError(error::kTypeMismatch);
    if (a.isNull() || b.isNull())
        return Variant::null();
    int c = 0;
    const bool as = a.isString(), bs = b.isString();
    if (as && bs) {
        c = compareText(a.stringRef(), b.stringRef(), false);
    } else if (as || bs) {
        const Variant& s = as ? a : b;
        const Variant& other = as ? b : a;
        const Comparand sKind = as ? aKind : bKind;
        const Comparand otherKind = as ? bKind : aKind;
        const bool bothLiterals = sKind == Comparand::Literal && otherKind == Comparand::Literal;
        // The side whose type wins: the variable's against a literal.
        const bool toNumber = bothLiterals || (sKind == Comparand::Literal && otherKind == Comparand::Variable);
        const bool toText = !bothLiterals && otherKind == Comparand::Literal && sKind == Comparand::Variable;
        if (other.isEmpty()) {
            c = as ? compareText(s.stringRef(), QString(), false) : compareText(QString(), s.stringRef(), false);
        } else if ((toNumber && other.type() == VarType::Boolean) || toText) {
            const QString t = other.toString();
            c = as ? compareText(s.stringRef(), t, false) : compareText(t, s.stringRef(), false);
        } else if (double n = 0; toNumber && numberForLiteralCompare(s, &n)) {
            c = as ? compareNumbers(n, other.rawNumber()) : compareNumbers(other.rawNumber(), n);
        } else if (bothLiterals) {
            throw AutomationError(error::kTypeMismatch);
        } else {
            // A number is less than any string.
            c = as ? 1 : -1;
        }
    } else {
        c = compareNumbers(a.rawNumber(), b.rawNumber());
    }
    bool r = false;
    switch (op) {
    case BinaryOp::Eq: r = c == 0; break;
    case BinaryOp::Ne: r = c != 0; break;
    case BinaryOp::Lt: r = c < 0; break;
    case BinaryOp::Gt: r = c > 0; break;
    case BinaryOp::Le: r = c <= 0; break;
    case BinaryOp::Ge: r = c >= 0; break;
    default: throw AutomationError(error::kTypeMismatch);
    }
    return Variant(r);
}

namespace {

template <BinaryOp op>
bool scalarOperatorOf(const Scalar& a, const Scalar& b, Scalar& out)
{
    return scalar_ops::scalarBinaryImpl(op, a, b, out);
}

}  // namespace

bool scalarBinary(BinaryOp op, const Scalar& a, const Scalar& b, Scalar& out)
{
    return scalarOperator(op)(a, b, out);
}

ScalarOperator scalarOperator(BinaryOp op)
{
    switch (op) {
    case BinaryOp::Pow: return &scalarOperatorOf<BinaryOp::Pow>;
    case BinaryOp::Mul: return &scalarOperatorOf<BinaryOp::Mul>;
    case BinaryOp::Div: return &scalarOperatorOf<BinaryOp::Div>;
    case BinaryOp::IntDiv: return &scalarOperatorOf<BinaryOp::IntDiv>;
    case BinaryOp::Mod: return &scalarOperatorOf<BinaryOp::Mod>;
    case BinaryOp::Add: return &scalarOperatorOf<BinaryOp::Add>;
    case BinaryOp::Sub: return &scalarOperatorOf<BinaryOp::Sub>;
    case BinaryOp::Concat: return &scalarOperatorOf<BinaryOp::Concat>;
    case BinaryOp::Eq: return &scalarOperatorOf<BinaryOp::Eq>;
    case BinaryOp::Ne: return &scalarOperatorOf<BinaryOp::Ne>;
    case BinaryOp::Lt: return &scalarOperatorOf<BinaryOp::Lt>;
    case BinaryOp::Gt: return &scalarOperatorOf<BinaryOp::Gt>;
    case BinaryOp::Le: return &scalarOperatorOf<BinaryOp::Le>;
    case BinaryOp::Ge: return &scalarOperatorOf<BinaryOp::Ge>;
    case BinaryOp::Is: return &scalarOperatorOf<BinaryOp::Is>;
    case BinaryOp::And: return &scalarOperatorOf<BinaryOp::And>;
    case BinaryOp::Or: return &scalarOperatorOf<BinaryOp::Or>;
    case BinaryOp::Xor: return &scalarOperatorOf<BinaryOp::Xor>;
    case BinaryOp::Eqv: return &scalarOperatorOf<BinaryOp::Eqv>;
    case BinaryOp::Imp: return &scalarOperatorOf<BinaryOp::Imp>;
    }
    return &scalarOperatorOf<BinaryOp::Is>;
}

bool scalar_ops::power(double x, double y, Scalar& out)
{
    const double r = std::pow(x, y);
    if (std::isnan(r) || std::isinf(r))
        return false;
    out = Scalar::ofDouble(r);
    return true;
}

bool scalarNegate(const Scalar& a, Scalar& out)
{
    switch (a.kind) {
    case Scalar::Integer:
    case Scalar::Boolean: out = scalar_ops::integralScalar(-qint64(a.integer), true); return true;
    case Scalar::Long: out = scalar_ops::integralScalar(-qint64(a.integer), false); return true;
    case Scalar::Double: out = Scalar::ofDouble(-a.number); return true;
    }
    return false;
}

bool scalarNot(const Scalar& a, Scalar& out)
{
    switch (a.kind) {
    case Scalar::Boolean: out = Scalar::ofBool(a.integer == 0); return true;
    case Scalar::Integer: out = Scalar::ofInteger(qint16(~a.integer)); return true;
    case Scalar::Long: out = Scalar::ofLong(~a.integer); return true;
    case Scalar::Double: return false;
    }
    return false;
}

bool sameObject(const Variant& a, const Variant& b)
{
    if (!a.isObject() || !b.isObject())
        throw AutomationError(error::kObjectRequired);
    return a == b;
}

bool isTrue(const Variant& condition)
{
    Variant vScratch;
    const Variant& v = dereferenced(condition, vScratch);
    if (v.isNull())
        return false;
    if (v.type() == VarType::Boolean)
        return v.toBool();
    if (v.isArray())
        throw AutomationError(error::kTypeMismatch);
    return v.toBool();
}

}  // namespace vbscript
