#include "components/vbscript/builtins.h"

#include "automation/regional.h"
#include "components/vbscript/operators.h"
#include "components/vbscript/regexp.h"

#include <QDateTime>
#include <QLocale>

#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>

namespace vbscript {

using automation::Array;
using automation::AutomationError;
using automation::VarType;
using automation::roundHalfEven;
namespace error = automation::error;

namespace {

[[noreturn]] void invalid() { throw AutomationError(error::kInvalidCall); }

bool given(const Args& a, qsizetype i) { return i < a.size() && a.values[i].type() != VarType::Error; }
Variant arg(const Args& a, qsizetype i) { return dereference(a.values[i]); }
QString str(const Args& a, qsizetype i) { return arg(a, i).toString(); }
qint32 lng(const Args& a, qsizetype i) { return arg(a, i).toLong(); }
double dbl(const Args& a, qsizetype i) { return arg(a, i).toDouble(); }
bool anyNull(const Args& a, std::initializer_list<qsizetype> indexes)
{
    for (qsizetype i : indexes) {
        if (i < a.size() && a.values[i].isNull())
            return true;
    }
    return false;
}
bool textMode(const Args& a, qsizetype i)
{
    if (!given(a, i))
        return false;
    const qint32 mode = lng(a, i);
    if (mode < 0 || mode > 2)
        invalid();
    return mode != 0;
}
Qt::CaseSensitivity cs(bool text) { return text ? Qt::CaseInsensitive : Qt::CaseSensitive; }
Variant longResult(qsizetype v) { return Variant(qint32(v)); }
constexpr qint32 kMaxString = 1 << 26;

// ------------------------------------------------------------ strings

Variant fnLen(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    return longResult(str(a, 0).size());
}

Variant fnLeft(Runtime&, Frame&, Args& a)
{
    // The length is a number even when the text is Null: Null there is 94.
    const qint32 n = lng(a, 1);
    if (a.values[0].isNull())
        return Variant::null();
    if (n < 0)
        invalid();
    return Variant(str(a, 0).left(n));
}

Variant fnRight(Runtime&, Frame&, Args& a)
{
    // The length is a number even when the text is Null: Null there is 94.
    const qint32 n = lng(a, 1);
    if (a.values[0].isNull())
        return Variant::null();
    if (n < 0)
        invalid();
    return Variant(str(a, 0).right(n));
}

Variant fnMid(Runtime&, Frame&, Args& a)
{
    // A Null text gives Null, as the language reference says; the start and
    // length are numbers all the same, so Null there is 94.
    const qint32 start = lng(a, 1);
    const qint32 length = given(a, 2) ? lng(a, 2) : -1;
    if (a.values[0].isNull())
        return Variant::null();
    if (start < 1 || (given(a, 2) && length < 0))
        invalid();
    const QString s = str(a, 0);
    if (start > s.size())
        return Variant(QString());
    return Variant(s.mid(start - 1, length));
}

Variant fnInStr(Runtime&, Frame&, Args& a)
{
    // InStr([start,] string1, string2[, compare])
    qsizetype first = 0;
    qint32 start = 1;
    if (a.size() >= 3) {
        if (a.values[0].isNull())
            throw AutomationError(error::kInvalidUseOfNull);
        start = lng(a, 0);
        if (start < 1)
            invalid();
        first = 1;
    }
    if (anyNull(a, {first, first + 1}))
        return Variant::null();
    const bool text = a.size() >= 4 && textMode(a, 3);
    const QString s = str(a, first);
    const QString find = str(a, first + 1);
    if (start > s.size())
        return longResult(find.isEmpty() && start == s.size() + 1 ? 0 : 0);
    if (find.isEmpty())
        return longResult(start);
    return longResult(s.indexOf(find, start - 1, cs(text)) + 1);
}

Variant fnInStrRev(Runtime&, Frame&, Args& a)
{
    if (anyNull(a, {0, 1}))
        return Variant::null();
    const QString s = str(a, 0);
    const QString find = str(a, 1);
    qint32 start = given(a, 2) ? lng(a, 2) : -1;
    if (start == 0 || start < -1)
        invalid();
    const bool text = textMode(a, 3);
    if (start == -1)
        start = qint32(s.size());
    if (find.isEmpty())
        return longResult(start);
    if (start > s.size())
        return longResult(0);
    // The match must end at or before start.
    const qsizetype from = start - find.size();
    if (from < 0)
        return longResult(0);
    return longResult(s.lastIndexOf(find, from, cs(text)) + 1);
}

Variant fnReplace(Runtime& rt, Frame&, Args& a)
{
    if (anyNull(a, {0, 1, 2}))
        return Variant::null();
    const QString s = str(a, 0);
    const QString find = str(a, 1);
    const QString with = str(a, 2);
    const qint32 start = given(a, 3) ? lng(a, 3) : 1;
    const qint32 count = given(a, 4) ? lng(a, 4) : -1;
    if (start < 1 || count < -1)
        invalid();
    const bool text = textMode(a, 5);
    // The result begins at start: what comes before it is dropped.
    const QString source = s.mid(start - 1);
    if (find.isEmpty() || count == 0)
        return Variant(source);
    QString out;
    qsizetype pos = 0;
    qint32 done = 0;
    while (count == -1 || done < count) {
        const qsizetype hit = source.indexOf(find, pos, cs(text));
        if (hit < 0)
            break;
        out += QStringView(source).mid(pos, hit - pos);
        out += with;
        if (out.size() > kMaxString)
            throw AutomationError(14, QStringLiteral("Out of string space"));
        pos = hit + find.size();
        ++done;
    }
    out += QStringView(source).mid(pos);
    rt.chargeText(out.size());
    return Variant(out);
}

bool isSpace(QChar c) { return c == u' '; }

Variant fnTrim(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    QString s = str(a, 0);
    qsizetype b = 0, e = s.size();
    while (b < e && isSpace(s[b]))
        ++b;
    while (e > b && isSpace(s[e - 1]))
        --e;
    return Variant(s.mid(b, e - b));
}

Variant fnLTrim(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    QString s = str(a, 0);
    qsizetype b = 0;
    while (b < s.size() && isSpace(s[b]))
        ++b;
    return Variant(s.mid(b));
}

Variant fnRTrim(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    QString s = str(a, 0);
    qsizetype e = s.size();
    while (e > 0 && isSpace(s[e - 1]))
        --e;
    return Variant(s.left(e));
}

Variant fnUCase(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    return Variant(str(a, 0).toUpper());
}

Variant fnLCase(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    return Variant(str(a, 0).toLower());
}

Variant fnSpace(Runtime& rt, Frame&, Args& a)
{
    const qint32 n = lng(a, 0);
    if (n < 0)
        invalid();
    if (n > kMaxString)
        throw AutomationError(error::kOutOfMemory);
    rt.chargeText(n);
    return Variant(QString(n, u' '));
}

Variant fnString(Runtime& rt, Frame&, Args& a)
{
    if (anyNull(a, {0, 1}))
        return Variant::null();
    const qint32 n = lng(a, 0);
    if (n < 0)
        invalid();
    if (n > kMaxString)
        throw AutomationError(error::kOutOfMemory);
    rt.chargeText(n);
    const Variant c = arg(a, 1);
    QChar ch;
    if (c.isString()) {
        if (c.stringRef().isEmpty())
            invalid();
        ch = c.stringRef().front();
    } else {
        ch = QChar(ushort(c.toLong() % 256));
    }
    return Variant(QString(n, ch));
}

Variant fnStrReverse(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        throw AutomationError(error::kInvalidUseOfNull);
    QString s = str(a, 0);
    std::reverse(s.begin(), s.end());
    return Variant(s);
}

Variant fnStrComp(Runtime&, Frame&, Args& a)
{
    if (anyNull(a, {0, 1}))
        return Variant::null();
    return Variant::fromInteger(qint16(compareText(str(a, 0), str(a, 1), textMode(a, 2))));
}

Variant fnAsc(Runtime&, Frame&, Args& a)
{
    const QString s = str(a, 0);
    if (s.isEmpty())
        invalid();
    const ushort u = s.front().unicode();
    return Variant::fromInteger(qint16(u < 256 ? u : '?'));
}

Variant fnAscW(Runtime&, Frame&, Args& a)
{
    const QString s = str(a, 0);
    if (s.isEmpty())
        invalid();
    return Variant::fromInteger(qint16(s.front().unicode()));
}

Variant fnChr(Runtime&, Frame&, Args& a)
{
    const qint32 n = lng(a, 0);
    if (n < 0 || n > 255)
        invalid();
    return Variant(QString(QChar(ushort(n))));
}

Variant fnChrW(Runtime&, Frame&, Args& a)
{
    const qint32 n = lng(a, 0);
    if (n < -32768 || n > 65535)
        invalid();
    return Variant(QString(QChar(ushort(n & 0xFFFF))));
}

Variant stringArray(const QStringList& items)
{
    QList<Variant> values;
    values.reserve(items.size());
    for (const QString& s : items)
        values.append(Variant(s));
    return Variant(Array::fromList(values));
}

Variant fnSplit(Runtime& rt, Frame&, Args& a)
{
    if (a.values[0].isNull())
        throw AutomationError(error::kInvalidUseOfNull);
    const QString s = str(a, 0);
    const QString delimiter = given(a, 1) ? str(a, 1) : QStringLiteral(" ");
    const qint32 count = given(a, 2) ? lng(a, 2) : -1;
    if (count < -1)
        invalid();
    const bool text = textMode(a, 3);
    QStringList parts;
    if (s.isEmpty() || count == 0)
        return stringArray(parts);
    if (delimiter.isEmpty()) {
        parts.append(s);
        return stringArray(parts);
    }
    // The pieces are counted before they are made: a long text of delimiters
    // splits into more elements than its own size.
    if (qint64(s.size() / delimiter.size() + 1) * qint64(sizeof(Variant)) >= Runtime::kChargeFrom) {
        qint64 pieces = qint64(s.count(delimiter, cs(text))) + 1;
        if (count > 0)
            pieces = std::min<qint64>(pieces, count);
        rt.chargeElements(pieces);
    }
    qsizetype pos = 0;
    while (count == -1 || parts.size() + 1 < count) {
        const qsizetype hit = s.indexOf(delimiter, pos, cs(text));
        if (hit < 0)
            break;
        parts.append(s.mid(pos, hit - pos));
        pos = hit + delimiter.size();
    }
    parts.append(s.mid(pos));
    return stringArray(parts);
}

const Array& arrayArg(const Args& a, qsizetype i)
{
    const Variant& v = a.values[i];
    if (v.isArray())
        return v.arrayRef();
    // Windows tells the two common mistakes apart.
    if (v.isNull())
        throw AutomationError(error::kInvalidUseOfNull);
    if (v.isNothing())
        throw AutomationError(runtime::kObjectNotSet);
    throw AutomationError(error::kTypeMismatch);
}

Variant fnJoin(Runtime& rt, Frame&, Args& a)
{
    const Array& list = arrayArg(a, 0);
    if (list.dimensions() > 1)
        throw AutomationError(error::kSubscriptOutOfRange);
    const QString delimiter = given(a, 1) ? str(a, 1) : QStringLiteral(" ");
    QString out;
    bool first = true;
    for (const Variant& v : list.elements()) {
        if (!first)
            out += delimiter;
        first = false;
        const Variant d = dereference(v);
        if (!d.isNull())
            out += d.toString();
        if (out.size() > kMaxString)
            throw AutomationError(14, QStringLiteral("Out of string space"));
    }
    rt.chargeText(out.size());
    return Variant(out);
}

Variant fnFilter(Runtime& rt, Frame&, Args& a)
{
    const Array& list = arrayArg(a, 0);
    if (list.dimensions() > 1)
        throw AutomationError(error::kSubscriptOutOfRange);
    const QString value = str(a, 1);
    const bool include = given(a, 2) ? arg(a, 2).toBool() : true;
    const bool text = textMode(a, 3);
    QStringList kept;
    for (const Variant& v : list.elements()) {
        const Variant d = dereference(v);
        if (d.isNull())
            throw AutomationError(error::kTypeMismatch);
        const QString s = d.toString();
        if (s.contains(value, cs(text)) == include)
            kept.append(s);
    }
    rt.chargeElements(kept.size());
    return stringArray(kept);
}

// ------------------------------------------------------------ conversions

Variant fnCStr(Runtime&, Frame&, Args& a) { return Variant(str(a, 0)); }
Variant fnCInt(Runtime&, Frame&, Args& a) { return Variant::fromInteger(arg(a, 0).toInteger()); }
Variant fnCLng(Runtime&, Frame&, Args& a) { return Variant(arg(a, 0).toLong()); }
Variant fnCDbl(Runtime&, Frame&, Args& a) { return Variant(arg(a, 0).toDouble()); }
Variant fnCSng(Runtime&, Frame&, Args& a) { return Variant::fromSingle(arg(a, 0).toSingle()); }
Variant fnCByte(Runtime&, Frame&, Args& a)
{
    // True is all bits set: 255 as a Byte.
    const Variant v = arg(a, 0);
    if (v.type() == VarType::Boolean)
        return Variant::fromByte(v.toBool() ? 255 : 0);
    return Variant::fromByte(v.toByte());
}
Variant fnCBool(Runtime&, Frame&, Args& a)
{
    // The texts Write # gives Booleans read back: #TRUE#, #FALSE#.
    const Variant v = arg(a, 0);
    if (v.isString()) {
        const QString t = v.stringRef().trimmed();
        if (t.compare(QLatin1String("#TRUE#"), Qt::CaseInsensitive) == 0)
            return Variant(true);
        if (t.compare(QLatin1String("#FALSE#"), Qt::CaseInsensitive) == 0)
            return Variant(false);
    }
    return Variant(v.toBool());
}
Variant fnCDate(Runtime&, Frame&, Args& a) { return Variant::fromDate(arg(a, 0).toDate()); }
Variant fnCCur(Runtime&, Frame&, Args& a)
{
    const double v = arg(a, 0).toDouble();
    if (std::fabs(v) > 922337203685477.0)
        throw AutomationError(error::kOverflow);
    return Variant::fromCurrency(v);
}

QString radix(const Variant& v, int base)
{
    const qint32 n = v.toLong();
    // Integers print in 16 bits, everything else in 32.
    const bool narrow = (v.type() == VarType::Integer || v.type() == VarType::Byte || v.type() == VarType::Boolean
                         || v.type() == VarType::Empty)
                     || (n >= -32768 && n < 0 && v.type() != VarType::Long && v.type() != VarType::Double
                         && v.type() != VarType::Single && v.type() != VarType::String);
    const quint32 u = narrow && n < 0 ? quint32(quint16(n)) : quint32(n);
    return QString::number(u, base).toUpper();
}

Variant fnHex(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    return Variant(radix(arg(a, 0), 16));
}

Variant fnOct(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    return Variant(radix(arg(a, 0), 8));
}

Variant keepType(const Variant& original, double value)
{
    switch (original.type()) {
    case VarType::Integer:
    case VarType::Boolean:
    case VarType::Empty: return integralResult(value);
    case VarType::Byte: return Variant::fromByte(quint8(value));
    case VarType::Long: return Variant(qint32(value));
    case VarType::Single: return Variant::fromSingle(float(value));
    case VarType::Currency: return Variant::fromCurrency(value);
    case VarType::Date: return Variant::fromDate(value);
    default: return Variant(value);
    }
}

Variant fnFix(Runtime&, Frame&, Args& a)
{
    const Variant v = arg(a, 0);
    if (v.isNull())
        return v;
    return keepType(v, std::trunc(v.toDouble()));
}

Variant fnInt(Runtime&, Frame&, Args& a)
{
    const Variant v = arg(a, 0);
    if (v.isNull())
        return v;
    return keepType(v, std::floor(v.toDouble()));
}

Variant fnRound(Runtime&, Frame&, Args& a)
{
    const Variant v = arg(a, 0);
    if (v.isNull())
        return v;
    const qint32 digits = given(a, 1) ? lng(a, 1) : 0;
    if (digits < 0)
        invalid();
    const double x = v.toDouble();
    double r;
    if (digits == 0) {
        r = roundHalfEven(x);
    } else {
        const double scale = std::pow(10.0, std::min(digits, 15));
        if (!std::isfinite(x * scale)) {
            r = x;  // too large to have decimals to round
        } else {
            // Work on the decimal text so that 2.675 rounds as written, not as stored.
            const double scaled = QString::number(x * scale, 'g', 15).toDouble();
            r = roundHalfEven(scaled) / scale;
        }
    }
    if (v.type() == VarType::String || v.type() == VarType::Boolean)
        return Variant(r);
    return keepType(v, r);
}

Variant fnAbs(Runtime&, Frame&, Args& a)
{
    const Variant v = arg(a, 0);
    if (v.isNull())
        return v;
    if (v.isEmpty())
        return Variant::fromInteger(0);
    const double x = std::fabs(v.toDouble());
    if (v.type() == VarType::Integer && x > 32767)
        return Variant(qint32(x));
    if (v.type() == VarType::Long && x > 2147483647.0)
        return Variant(x);
    if (v.type() == VarType::String || v.type() == VarType::Boolean)
        return Variant(x);
    return keepType(v, x);
}

Variant fnSgn(Runtime&, Frame&, Args& a)
{
    const Variant v = arg(a, 0);
    if (v.isNull())
        return v;
    const double x = v.toDouble();
    return Variant::fromInteger(x > 0 ? 1 : x < 0 ? -1 : 0);
}

Variant fnSqr(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    const double x = dbl(a, 0);
    if (x < 0)
        invalid();
    return Variant(std::sqrt(x));
}

Variant fnExp(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    const double r = std::exp(dbl(a, 0));
    if (std::isinf(r))
        throw AutomationError(error::kOverflow);
    return Variant(r);
}

Variant fnLog(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    const double x = dbl(a, 0);
    if (x <= 0)
        invalid();
    return Variant(std::log(x));
}

Variant fnSin(Runtime&, Frame&, Args& a) { return a.values[0].isNull() ? Variant::null() : Variant(std::sin(dbl(a, 0))); }
Variant fnCos(Runtime&, Frame&, Args& a) { return a.values[0].isNull() ? Variant::null() : Variant(std::cos(dbl(a, 0))); }
Variant fnTan(Runtime&, Frame&, Args& a) { return a.values[0].isNull() ? Variant::null() : Variant(std::tan(dbl(a, 0))); }
Variant fnAtn(Runtime&, Frame&, Args& a) { return a.values[0].isNull() ? Variant::null() : Variant(std::atan(dbl(a, 0))); }

// The classic 24-bit linear congruential generator behind Rnd.
Variant fnRnd(Runtime& rt, Frame&, Args& a)
{
    const float n = given(a, 0) ? arg(a, 0).toSingle() : 1.0f;
    if (n == 0)
        return Variant::fromSingle(rt.rndLast);
    if (n < 0) {
        quint32 bits = 0;
        std::memcpy(&bits, &n, sizeof bits);
        rt.rndState = (bits + (bits >> 24)) & 0xFFFFFF;
    }
    rt.rndState = (rt.rndState * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFF;
    rt.rndLast = float(rt.rndState) / float(0x1000000);
    return Variant::fromSingle(rt.rndLast);
}

Variant fnRandomize(Runtime& rt, Frame&, Args& a)
{
    double seed = given(a, 0) ? dbl(a, 0) : double(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0;
    quint64 bits = 0;
    std::memcpy(&bits, &seed, sizeof bits);
    const quint32 mixed = quint32(bits >> 32) ^ quint32(bits);
    rt.rndState = (rt.rndState & 0xFF) | (((mixed & 0xFFFF) ^ (mixed >> 16)) << 8);
    rt.rndState &= 0xFFFFFF;
    return {};
}

// ------------------------------------------------------------ types

Variant fnIsEmpty(Runtime&, Frame&, Args& a) { return Variant(a.values[0].isEmpty()); }
Variant fnIsNull(Runtime&, Frame&, Args& a) { return Variant(a.values[0].isNull()); }
Variant fnIsArray(Runtime&, Frame&, Args& a) { return Variant(a.values[0].isArray()); }
Variant fnIsObject(Runtime&, Frame&, Args& a) { return Variant(a.values[0].isObject()); }

Variant fnIsNumeric(Runtime&, Frame&, Args& a)
{
    Variant v = a.values[0];
    try {
        v = dereference(v);
    } catch (const AutomationError&) {
        return Variant(false);
    }
    switch (v.type()) {
    case VarType::Empty:
    case VarType::Boolean:
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Currency:
    case VarType::Double: return Variant(true);
    case VarType::String: {
        double d = 0;
        return Variant(automation::parseNumericText(v.stringRef(), &d));
    }
    default: return Variant(false);
    }
}

Variant fnIsDate(Runtime&, Frame&, Args& a)
{
    const Variant& v = a.values[0];
    if (v.type() == VarType::Date)
        return Variant(true);
    if (!v.isString())
        return Variant(false);
    double d = 0;
    if (automation::parseNumericText(v.stringRef(), &d))
        return Variant(false);
    try {
        v.toDate();
        return Variant(true);
    } catch (const AutomationError&) {
        return Variant(false);
    }
}

Variant fnVarType(Runtime&, Frame&, Args& a)
{
    return Variant::fromInteger(qint16(int(a.values[0].type())));
}

Variant fnTypeName(Runtime&, Frame&, Args& a)
{
    const Variant& v = a.values[0];
    switch (v.type()) {
    case VarType::Empty: return Variant("Empty");
    case VarType::Null: return Variant("Null");
    case VarType::Integer: return Variant("Integer");
    case VarType::Long: return Variant("Long");
    case VarType::Single: return Variant("Single");
    case VarType::Double: return Variant("Double");
    case VarType::Currency: return Variant("Currency");
    case VarType::Date: return Variant("Date");
    case VarType::String: return Variant("String");
    case VarType::Boolean: return Variant("Boolean");
    case VarType::Byte: return Variant("Byte");
    case VarType::Error: return Variant("Error");
    case VarType::Array: return Variant("Variant()");
    case VarType::Dispatch: return v.objectRef() ? Variant(v.objectRef()->typeName()) : Variant("Nothing");
    }
    return Variant("Unknown");
}

// ------------------------------------------------------------ arrays

Variant fnArray(Runtime&, Frame&, Args& a)
{
    QList<Variant> items = a.values;
    for (Variant& v : items) {
        if (v.type() == VarType::Error)
            v = Variant();
    }
    return Variant(Array::fromList(items));
}

Variant fnUBound(Runtime&, Frame&, Args& a)
{
    const Array& array = arrayArg(a, 0);
    return Variant(array.upperBound(given(a, 1) ? lng(a, 1) : 1));
}

Variant fnLBound(Runtime&, Frame&, Args& a)
{
    const Array& array = arrayArg(a, 0);
    return Variant(array.lowerBound(given(a, 1) ? lng(a, 1) : 1));
}

// ------------------------------------------------------------ dates

// The parts of a date are those of the nearest whole second, as on Windows:
// Minute(2.02083) is 30, not 29 and 59.98 seconds.
QDateTime dateOf(const Args& a, qsizetype i)
{
    const double ole = arg(a, i).toDate();
    if (!std::isfinite(ole) || std::fabs(ole) > 3e6)
        throw AutomationError(error::kOverflow);
    const double days = std::trunc(ole);
    const double seconds = std::round(std::fabs(ole - days) * 86400.0);
    return automation::fromOleDate(days + (ole < 0 ? -seconds : seconds) / 86400.0);
}

Variant dateResult(double ole)
{
    if (!std::isfinite(ole) || ole < -657434.0 || ole >= 2958466.0)
        throw AutomationError(error::kOverflow);
    return Variant::fromDate(ole);
}

double oleOf(const QDate& d, const QTime& t = QTime(0, 0))
{
    return automation::toOleDate(QDateTime(d, t));
}

Variant fnNow(Runtime&, Frame&, Args&)
{
    QDateTime now = QDateTime::currentDateTime();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    return Variant::fromDateTime(now);
}
Variant fnDate(Runtime&, Frame&, Args&) { return Variant::fromDate(oleOf(QDate::currentDate())); }
Variant fnTime(Runtime&, Frame&, Args&)
{
    const QTime t = QTime::currentTime();
    return Variant::fromDate((t.hour() * 3600 + t.minute() * 60 + t.second()) / 86400.0);
}
Variant fnTimer(Runtime&, Frame&, Args&)
{
    return Variant::fromSingle(float(QTime::currentTime().msecsSinceStartOfDay() / 10) / 100.0f);
}

#define DATE_PART(fn, expr)                                  \
    Variant fn(Runtime&, Frame&, Args& a)                    \
    {                                                        \
        if (a.values[0].isNull())                            \
            return Variant::null();                          \
        const QDateTime dt = dateOf(a, 0);                   \
        return Variant::fromInteger(qint16(expr));           \
    }
DATE_PART(fnYear, dt.date().year())
DATE_PART(fnMonth, dt.date().month())
DATE_PART(fnDay, dt.date().day())
DATE_PART(fnHour, dt.time().hour())
DATE_PART(fnMinute, dt.time().minute())
DATE_PART(fnSecond, dt.time().second())
#undef DATE_PART

int firstDayArg(const Args& a, qsizetype i)
{
    if (!given(a, i))
        return 1;
    const qint32 d = lng(a, i);
    if (d < 0 || d > 7)
        invalid();
    return d == 0 ? 1 : d;
}

// 1 = the first day of the week (Sunday by default).
int weekdayOf(const QDate& d, int firstDay)
{
    const int sundayBased = d.dayOfWeek() % 7 + 1;  // Sunday 1 .. Saturday 7
    return (sundayBased - firstDay + 7) % 7 + 1;
}

Variant fnWeekday(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    return Variant::fromInteger(qint16(weekdayOf(dateOf(a, 0).date(), firstDayArg(a, 1))));
}

const char* const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};

Variant fnWeekdayName(Runtime&, Frame&, Args& a)
{
    const qint32 n = lng(a, 0);
    if (n < 1 || n > 7)
        invalid();
    const bool abbreviate = given(a, 1) && arg(a, 1).toBool();
    const int first = firstDayArg(a, 2);
    const int day = (n - 1 + first - 1) % 7;  // 0: Sunday
    const automation::RegionalSettings& regional = automation::currentRegionalSettings();
    if (!regional.isUnitedStates())
        return Variant(regional.names.dayName(day == 0 ? 7 : day, abbreviate ? QLocale::ShortFormat : QLocale::LongFormat));
    const QString name = QString::fromLatin1(kDayNames[day]);
    return Variant(abbreviate ? name.left(3) : name);
}

Variant fnMonthName(Runtime&, Frame&, Args& a)
{
    const qint32 n = lng(a, 0);
    if (n < 1 || n > 12)
        invalid();
    const bool abbreviate = given(a, 1) && arg(a, 1).toBool();
    // The names of the script's locale; en-US's as Windows writes them.
    const automation::RegionalSettings& regional = automation::currentRegionalSettings();
    if (!regional.isUnitedStates())
        return Variant(regional.names.monthName(n, abbreviate ? QLocale::ShortFormat : QLocale::LongFormat));
    const QString name = QString::fromLatin1(kMonthNames[n - 1]);
    return Variant(abbreviate ? name.left(3) : name);
}

QDate serialDate(qint32 year, qint32 month, qint32 day)
{
    if (year >= 0 && year < 30)
        year += 2000;
    else if (year >= 30 && year < 100)
        year += 1900;
    if (year < 100 || year > 9999 || std::abs(month) > 120000 || std::abs(day) > 4000000)
        invalid();
    QDate d(year, 1, 1);
    d = d.addMonths(month - 1).addDays(qint64(day) - 1);
    if (!d.isValid() || d.year() < 100 || d.year() > 9999)
        invalid();
    return d;
}

Variant fnDateSerial(Runtime&, Frame&, Args& a)
{
    if (anyNull(a, {0, 1, 2}))
        throw AutomationError(error::kInvalidUseOfNull);
    return dateResult(oleOf(serialDate(lng(a, 0), lng(a, 1), lng(a, 2))));
}

Variant fnTimeSerial(Runtime&, Frame&, Args& a)
{
    if (anyNull(a, {0, 1, 2}))
        throw AutomationError(error::kInvalidUseOfNull);
    const double seconds = double(lng(a, 0)) * 3600 + double(lng(a, 1)) * 60 + double(lng(a, 2));
    double days = seconds / 86400.0;
    // Before midnight the date part counts back and the time stays positive.
    if (days < 0) {
        const double whole = std::floor(days);
        days = whole - (days - whole);
    }
    return dateResult(days);
}

Variant fnDateValue(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    return Variant::fromDate(std::trunc(arg(a, 0).toDate()));
}

Variant fnTimeValue(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    const double d = arg(a, 0).toDate();
    return Variant::fromDate(std::fabs(d - std::trunc(d)));
}

QString intervalOf(const Args& a, qsizetype i) { return str(a, i).toLower(); }

Variant fnDateAdd(Runtime&, Frame&, Args& a)
{
    const QString interval = intervalOf(a, 0);
    if (anyNull(a, {1, 2}))
        throw AutomationError(error::kInvalidUseOfNull);
    const double number = std::trunc(dbl(a, 1));
    const QDateTime dt = dateOf(a, 2);
    if (std::fabs(number) > 1e7)
        invalid();
    const int n = int(number);
    QDateTime r;
    if (interval == QLatin1String("yyyy")) r = dt.addYears(n);
    else if (interval == QLatin1String("q")) r = dt.addMonths(n * 3);
    else if (interval == QLatin1String("m")) r = dt.addMonths(n);
    else if (interval == QLatin1String("y") || interval == QLatin1String("d") || interval == QLatin1String("w"))
        r = dt.addDays(n);
    else if (interval == QLatin1String("ww")) r = dt.addDays(qint64(n) * 7);
    else if (interval == QLatin1String("h")) r = dt.addSecs(qint64(n) * 3600);
    else if (interval == QLatin1String("n")) r = dt.addSecs(qint64(n) * 60);
    else if (interval == QLatin1String("s")) r = dt.addSecs(n);
    else invalid();
    if (!r.isValid())
        invalid();
    return dateResult(automation::toOleDate(r));
}

qint64 secondsOf(const QDateTime& dt)
{
    static const QDate epoch(1899, 12, 30);
    return epoch.daysTo(dt.date()) * 86400 + dt.time().msecsSinceStartOfDay() / 1000;
}

Variant fnDateDiff(Runtime&, Frame&, Args& a)
{
    const QString interval = intervalOf(a, 0);
    if (anyNull(a, {1, 2}))
        return Variant::null();
    const QDateTime d1 = dateOf(a, 1);
    const QDateTime d2 = dateOf(a, 2);
    const int firstDay = firstDayArg(a, 3);
    const qint64 days = d1.date().daysTo(d2.date());
    qint64 r = 0;
    if (interval == QLatin1String("yyyy")) {
        r = d2.date().year() - d1.date().year();
    } else if (interval == QLatin1String("q")) {
        r = (d2.date().year() - d1.date().year()) * 4 + (d2.date().month() - 1) / 3 - (d1.date().month() - 1) / 3;
    } else if (interval == QLatin1String("m")) {
        r = (d2.date().year() - d1.date().year()) * 12 + d2.date().month() - d1.date().month();
    } else if (interval == QLatin1String("y") || interval == QLatin1String("d")) {
        r = days;
    } else if (interval == QLatin1String("w")) {
        r = days / 7;
    } else if (interval == QLatin1String("ww")) {
        // Weeks counted by the first days of week between the two dates.
        const QDate s1 = d1.date().addDays(-(weekdayOf(d1.date(), firstDay) - 1));
        const QDate s2 = d2.date().addDays(-(weekdayOf(d2.date(), firstDay) - 1));
        r = s1.daysTo(s2) / 7;
    } else if (interval == QLatin1String("h")) {
        r = secondsOf(d2) / 3600 - secondsOf(d1) / 3600;
    } else if (interval == QLatin1String("n")) {
        r = secondsOf(d2) / 60 - secondsOf(d1) / 60;
    } else if (interval == QLatin1String("s")) {
        r = secondsOf(d2) - secondsOf(d1);
    } else {
        invalid();
    }
    if (r < INT32_MIN || r > INT32_MAX)
        throw AutomationError(error::kOverflow);
    return Variant(qint32(r));
}

Variant fnDatePart(Runtime&, Frame&, Args& a)
{
    const QString interval = intervalOf(a, 0);
    if (a.values[1].isNull())
        return Variant::null();
    const QDateTime dt = dateOf(a, 1);
    const int firstDay = firstDayArg(a, 2);
    const QDate d = dt.date();
    int r = 0;
    if (interval == QLatin1String("yyyy")) r = d.year();
    else if (interval == QLatin1String("q")) r = (d.month() - 1) / 3 + 1;
    else if (interval == QLatin1String("m")) r = d.month();
    else if (interval == QLatin1String("y")) r = d.dayOfYear();
    else if (interval == QLatin1String("d")) r = d.day();
    else if (interval == QLatin1String("w")) r = weekdayOf(d, firstDay);
    else if (interval == QLatin1String("ww")) {
        // Week 1 holds January 1 (1), or is the first with four days of the
        // year (2), or the first whole one (3); earlier days belong to the
        // last week of the year before.
        const qint32 firstWeek = given(a, 3) ? lng(a, 3) : 1;
        if (firstWeek < 0 || firstWeek > 3)
            invalid();
        auto weekOneStart = [&](int year) {
            const QDate jan1(year, 1, 1);
            const QDate start = jan1.addDays(-(weekdayOf(jan1, firstDay) - 1));
            const qint64 inYear = 7 - start.daysTo(jan1);
            if ((firstWeek == 2 && inYear < 4) || (firstWeek == 3 && inYear < 7))
                return start.addDays(7);
            return start;
        };
        QDate start = weekOneStart(d.year());
        if (d < start)
            start = weekOneStart(d.year() - 1);
        r = int(start.daysTo(d) / 7) + 1;
    }
    else if (interval == QLatin1String("h")) r = dt.time().hour();
    else if (interval == QLatin1String("n")) r = dt.time().minute();
    else if (interval == QLatin1String("s")) r = dt.time().second();
    else invalid();
    return Variant(qint32(r));
}

// What the Format functions take from the script's locale (SetLocale).
using LocaleFormats = automation::RegionalSettings;

Variant fnFormatDateTime(Runtime& rt, Frame&, Args& a)
{
    if (a.values[0].isNull())
        throw AutomationError(error::kInvalidUseOfNull);
    const double ole = arg(a, 0).toDate();
    const qint32 format = given(a, 1) ? lng(a, 1) : 0;
    const QDateTime dt = automation::fromOleDate(ole);
    if (rt.locale == Runtime::kDefaultLocale) {
        const QLocale c = QLocale::c();
        switch (format) {
        case 0: return Variant(automation::formatDate(ole));
        case 1: return Variant(c.toString(dt.date(), QStringLiteral("dddd, MMMM dd, yyyy")));
        case 2: return Variant(c.toString(dt.date(), QStringLiteral("M/d/yyyy")));
        case 3: return Variant(c.toString(dt.time(), QStringLiteral("h:mm:ss AP")));
        case 4: return Variant(c.toString(dt.time(), QStringLiteral("HH:mm")));
        default: invalid();
        }
    }
    const LocaleFormats f = rt.regional();
    const bool hasTime = dt.time() != QTime(0, 0);
    const bool hasDate = std::trunc(ole) != 0;
    switch (format) {
    case 0: {
        // The short date, then the long time when there is one.
        QStringList parts;
        if (hasDate || !hasTime)
            parts.append(f.names.toString(dt.date(), f.shortDate));
        if (hasTime)
            parts.append(f.names.toString(dt.time(), f.longTime));
        return Variant(parts.join(u' '));
    }
    case 1: return Variant(f.names.toString(dt.date(), f.longDate));
    case 2: return Variant(f.names.toString(dt.date(), f.shortDate));
    case 3: return Variant(f.names.toString(dt.time(), f.longTime));
    case 4: return Variant(f.names.toString(dt.time(), QStringLiteral("HH:mm")));
    default: invalid();
    }
}

// ------------------------------------------------------------ number formats

QString formatNumber(double value, const Args& a, qsizetype first, const LocaleFormats& locale = LocaleFormats())
{
    qint32 digits = given(a, first) ? lng(a, first) : 2;
    if (digits == -1)
        digits = 2;
    if (digits < 0 || digits > 255)
        invalid();
    auto tristate = [&](qsizetype i, bool fallback) {
        if (!given(a, i))
            return fallback;
        const qint32 t = lng(a, i);
        return t == -2 ? fallback : t != 0;
    };
    const bool leadingZero = tristate(first + 1, true);
    const bool parens = tristate(first + 2, false);
    const bool group = tristate(first + 3, true);
    const double scale = std::pow(10.0, std::min(digits, 15));
    const double rounded = std::round(std::fabs(value) * scale) / scale;
    QString text = QString::number(rounded, 'f', digits);
    QString whole = text.section(u'.', 0, 0);
    const QString fraction = text.contains(u'.') ? text.section(u'.', 1) : QString();
    if (group) {
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, locale.group);
    }
    if (!leadingZero && whole == QLatin1String("0") && !fraction.isEmpty())
        whole.clear();
    QString out = fraction.isEmpty() ? whole : whole + locale.decimal + fraction;
    if (value < 0 && rounded != 0)
        out = parens ? u'(' + out + u')' : u'-' + out;
    return out;
}

Variant fnFormatNumber(Runtime& rt, Frame&, Args& a)
{
    if (a.values[0].isNull())
        throw AutomationError(error::kInvalidUseOfNull);
    return Variant(formatNumber(dbl(a, 0), a, 1, rt.regional()));
}

Variant fnFormatPercent(Runtime& rt, Frame&, Args& a)
{
    if (a.values[0].isNull())
        throw AutomationError(error::kInvalidUseOfNull);
    return Variant(formatNumber(dbl(a, 0) * 100, a, 1, rt.regional()) + u'%');
}

Variant fnFormatCurrency(Runtime& rt, Frame&, Args& a)
{
    if (a.values[0].isNull())
        throw AutomationError(error::kInvalidUseOfNull);
    const double v = dbl(a, 0);
    const LocaleFormats f = rt.regional();
    QString s = formatNumber(std::fabs(v), a, 1, f);
    if (f.currencyAfter)
        s += u' ' + f.currency;
    else
        s.prepend(f.currency);
    if (v < 0)
        s = given(a, 3) && lng(a, 3) != 0 ? u'(' + s + u')' : u'-' + s;
    return Variant(s);
}

// ------------------------------------------------------------ host and engine

Variant fnMsgBox(Runtime& rt, Frame&, Args& a)
{
    const QString prompt = a.values[0].isNull() ? QStringLiteral("Null") : str(a, 0);
    const qint32 buttons = given(a, 1) ? lng(a, 1) : 0;
    const QString title = given(a, 2) ? str(a, 2) : QStringLiteral("VBScript");
    const int answer = rt.msgBox ? rt.msgBox(prompt, buttons, title) : 1;
    return Variant::fromInteger(qint16(answer));
}

Variant fnInputBox(Runtime& rt, Frame&, Args& a)
{
    const QString prompt = str(a, 0);
    const QString title = given(a, 1) ? str(a, 1) : QStringLiteral("VBScript");
    const QString initial = given(a, 2) ? str(a, 2) : QString();
    if (!rt.inputBox)
        return Variant(QString());
    return rt.inputBox(prompt, title, initial);
}

Variant fnCreateObject(Runtime& rt, Frame&, Args& a)
{
    const QString id = str(a, 0);
    if (isRegExpProgramId(id))
        return Variant(makeRegExp());
    DispatchRef object = rt.createObject ? rt.createObject(id) : DispatchRef();
    if (!object)
        throw AutomationError(error::kCannotCreateObject,
                              automation::standardDescription(error::kCannotCreateObject) + QStringLiteral(": '%1'").arg(id));
    return Variant(object);
}

Variant fnGetObject(Runtime&, Frame&, Args&) { throw AutomationError(error::kCannotCreateObject); }

Variant fnGetRef(Runtime& rt, Frame&, Args& a) { return Variant(rt.procedureRef(str(a, 0))); }
// Code to run must be a text: a number is not turned into one.
const QString& codeArg(const Args& a)
{
    if (!a.values[0].isString())
        throw AutomationError(error::kTypeMismatch);
    return a.values[0].stringRef();
}

Variant fnExecute(Runtime& rt, Frame& f, Args& a)
{
    rt.executeCode(codeArg(a), f, false);
    return {};
}
Variant fnExecuteGlobal(Runtime& rt, Frame& f, Args& a)
{
    rt.executeCode(codeArg(a), f, true);
    return {};
}
Variant fnEval(Runtime& rt, Frame& f, Args& a) { return rt.evalCode(codeArg(a), f); }

Variant fnScriptEngine(Runtime&, Frame&, Args&) { return Variant("VBScript"); }
Variant fnScriptEngineMajor(Runtime&, Frame&, Args&) { return Variant(qint32(5)); }
Variant fnScriptEngineMinor(Runtime&, Frame&, Args&) { return Variant(qint32(8)); }
Variant fnScriptEngineBuild(Runtime&, Frame&, Args&) { return Variant(qint32(1)); }

Variant fnRGB(Runtime&, Frame&, Args& a)
{
    auto part = [&](qsizetype i) {
        const qint32 v = lng(a, i);
        if (v < 0)
            invalid();
        return std::min(v, qint32(255));
    };
    return Variant(qint32(part(0) + part(1) * 256 + part(2) * 65536));
}

// ------------------------------------------------------------ bytes
// Texts are UTF-16: the byte functions see two bytes to a character, the low
// byte first. A text of an odd number of bytes keeps its last byte as a lone
// low surrogate (U+DC00 + byte), which no well-formed text ends in.

bool endsInHalf(const QString& s)
{
    if (s.isEmpty())
        return false;
    const ushort last = s.back().unicode();
    return (last & 0xFF00) == 0xDC00 && (s.size() == 1 || !s[s.size() - 2].isHighSurrogate());
}

QByteArray bytesOf(const QString& s)
{
    const bool half = endsInHalf(s);
    QByteArray bytes;
    bytes.reserve(s.size() * 2);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const ushort c = s[i].unicode();
        bytes.append(char(c & 0xFF));
        if (!half || i + 1 < s.size())
            bytes.append(char(c >> 8));
    }
    return bytes;
}

QString fromBytes(QByteArrayView bytes)
{
    QString s;
    s.reserve((bytes.size() + 1) / 2);
    qsizetype i = 0;
    for (; i + 1 < bytes.size(); i += 2)
        s.append(QChar(ushort(quint8(bytes[i]) | (quint8(bytes[i + 1]) << 8))));
    if (i < bytes.size())
        s.append(QChar(ushort(0xDC00 | quint8(bytes[i]))));
    return s;
}

Variant fnLenB(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    const QString s = str(a, 0);
    return longResult(s.size() * 2 - (endsInHalf(s) ? 1 : 0));
}

Variant fnLeftB(Runtime&, Frame&, Args& a)
{
    // The length is a number even when the text is Null: Null there is 94.
    const qint32 n = lng(a, 1);
    if (a.values[0].isNull())
        return Variant::null();
    if (n < 0)
        invalid();
    return Variant(fromBytes(bytesOf(str(a, 0)).left(n)));
}

Variant fnRightB(Runtime&, Frame&, Args& a)
{
    // The length is a number even when the text is Null: Null there is 94.
    const qint32 n = lng(a, 1);
    if (a.values[0].isNull())
        return Variant::null();
    if (n < 0)
        invalid();
    return Variant(fromBytes(bytesOf(str(a, 0)).right(n)));
}

Variant fnMidB(Runtime&, Frame&, Args& a)
{
    const qint32 start = lng(a, 1);
    const qint32 n = given(a, 2) ? lng(a, 2) : -1;
    if (a.values[0].isNull())
        return Variant::null();
    if (start < 1 || (given(a, 2) && n < 0))
        invalid();
    const QByteArray bytes = bytesOf(str(a, 0));
    if (!given(a, 2))
        return Variant(fromBytes(bytes.mid(start - 1)));
    return Variant(fromBytes(bytes.mid(start - 1, n)));
}

Variant fnAscB(Runtime&, Frame&, Args& a)
{
    const QByteArray bytes = bytesOf(str(a, 0));
    if (bytes.isEmpty())
        invalid();
    return Variant::fromInteger(qint16(quint8(bytes[0])));
}

Variant fnChrB(Runtime&, Frame&, Args& a)
{
    const qint32 n = lng(a, 0);
    if (n < 0 || n > 255)
        invalid();
    const char byte = char(n);
    return Variant(fromBytes(QByteArrayView(&byte, 1)));
}

Variant fnInStrB(Runtime&, Frame&, Args& a)
{
    qsizetype first = 0;
    qint32 start = 1;
    if (a.size() >= 3) {
        if (a.values[0].isNull())
            throw AutomationError(error::kInvalidUseOfNull);
        start = lng(a, 0);
        if (start < 1)
            invalid();
        first = 1;
    }
    if (anyNull(a, {first, first + 1}))
        return Variant::null();
    // Compared byte by byte; text compare folds the case of ASCII letters.
    const bool text = a.size() >= 4 && textMode(a, 3);
    QByteArray s = bytesOf(str(a, first));
    QByteArray find = bytesOf(str(a, first + 1));
    if (start - 1 > s.size())
        return longResult(0);
    if (find.isEmpty())
        return longResult(start);
    if (text) {
        s = s.toLower();
        find = find.toLower();
    }
    const qsizetype at = s.indexOf(find, start - 1);
    return longResult(at < 0 ? 0 : at + 1);
}

// ------------------------------------------------------------ Escape, locale

Variant fnEscape(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    const QString s = str(a, 0);
    QString out;
    out.reserve(s.size());
    for (QChar c : s) {
        const ushort u = c.unicode();
        const bool plain = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')
                        || (u != 0 && u < 128 && std::strchr("@*_+-./", char(u)));
        if (plain)
            out.append(c);
        else if (u < 256)
            out.append(u'%' + QStringLiteral("%1").arg(u, 2, 16, QChar(u'0')).toUpper());
        else
            out.append(QStringLiteral("%u") + QStringLiteral("%1").arg(u, 4, 16, QChar(u'0')).toUpper());
    }
    return Variant(out);
}

Variant fnUnescape(Runtime&, Frame&, Args& a)
{
    if (a.values[0].isNull())
        return Variant::null();
    const QString s = str(a, 0);
    QString out;
    out.reserve(s.size());
    auto hex = [&](qsizetype from, int count, ushort* value) {
        if (from + count > s.size())
            return false;
        for (int i = 0; i < count; ++i) {
            const ushort c = s[from + i].unicode();
            if (c >= 128 || !std::isxdigit(c))
                return false;
        }
        *value = ushort(s.mid(from, count).toUInt(nullptr, 16));
        return true;
    };
    for (qsizetype i = 0; i < s.size(); ++i) {
        ushort u = 0;
        if (s[i] == u'%' && i + 1 < s.size() && s[i + 1] == u'u' && hex(i + 2, 4, &u)) {
            out.append(QChar(u));
            i += 5;
        } else if (s[i] == u'%' && hex(i + 1, 2, &u)) {
            out.append(QChar(u));
            i += 2;
        } else {
            out.append(s[i]);
        }
    }
    return Variant(out);
}

Variant fnGetLocale(Runtime& rt, Frame&, Args&) { return Variant(rt.locale); }

Variant fnSetLocale(Runtime& rt, Frame&, Args& a)
{
    const qint32 previous = rt.locale;
    if (!given(a, 0))
        return Variant(previous);
    const Variant v = arg(a, 0);
    qint32 lcid = 0;
    if (v.isString()) {
        // A number's text, or a locale's name: "de-de".
        double number = 0;
        if (automation::parseUsNumericText(v.stringRef(), &number))
            lcid = qint32(number);
        else if (!(lcid = automation::localeIdForName(v.stringRef())))
            invalid();
    } else {
        lcid = v.toLong();
    }
    if (lcid < 0 || lcid > 0xFFFF)
        invalid();
    // 0 and 1024 stand for the user's and the system's default.
    rt.setLocale(lcid == 0 || lcid == 1024 ? automation::userLocaleId() : lcid);
    return Variant(previous);
}

constexpr int kMany = 1 << 16;

const BuiltinInfo kBuiltins[] = {
    {"abs", 1, 1, fnAbs},
    {"array", 0, kMany, fnArray},
    {"asc", 1, 1, fnAsc},
    {"ascb", 1, 1, fnAscB},
    {"ascw", 1, 1, fnAscW},
    {"atn", 1, 1, fnAtn},
    {"cbool", 1, 1, fnCBool},
    {"cbyte", 1, 1, fnCByte},
    {"ccur", 1, 1, fnCCur},
    {"cdate", 1, 1, fnCDate},
    {"cdbl", 1, 1, fnCDbl},
    {"chr", 1, 1, fnChr},
    {"chrb", 1, 1, fnChrB},
    {"chrw", 1, 1, fnChrW},
    {"cint", 1, 1, fnCInt},
    {"clng", 1, 1, fnCLng},
    {"cos", 1, 1, fnCos},
    {"createobject", 1, 2, fnCreateObject},
    {"csng", 1, 1, fnCSng},
    {"cstr", 1, 1, fnCStr},
    {"date", 0, 0, fnDate},
    {"dateadd", 3, 3, fnDateAdd},
    {"datediff", 3, 5, fnDateDiff},
    {"datepart", 2, 4, fnDatePart},
    {"dateserial", 3, 3, fnDateSerial},
    {"datevalue", 1, 1, fnDateValue},
    {"day", 1, 1, fnDay},
    {"eval", 1, 1, fnEval},
    {"execute", 1, 1, fnExecute},
    {"executeglobal", 1, 1, fnExecuteGlobal},
    {"exp", 1, 1, fnExp},
    {"filter", 2, 4, fnFilter},
    {"fix", 1, 1, fnFix},
    {"formatcurrency", 1, 5, fnFormatCurrency},
    {"formatdatetime", 1, 2, fnFormatDateTime},
    {"formatnumber", 1, 5, fnFormatNumber},
    {"formatpercent", 1, 5, fnFormatPercent},
    {"getobject", 0, 2, fnGetObject},
    {"getref", 1, 1, fnGetRef},
    {"hex", 1, 1, fnHex},
    {"hour", 1, 1, fnHour},
    {"inputbox", 1, 7, fnInputBox},
    {"instr", 2, 4, fnInStr},
    {"instrrev", 2, 4, fnInStrRev},
    {"int", 1, 1, fnInt},
    {"isarray", 1, 1, fnIsArray},
    {"isdate", 1, 1, fnIsDate},
    {"isempty", 1, 1, fnIsEmpty},
    {"isnull", 1, 1, fnIsNull},
    {"isnumeric", 1, 1, fnIsNumeric},
    {"isobject", 1, 1, fnIsObject},
    {"join", 1, 2, fnJoin},
    {"lbound", 1, 2, fnLBound},
    {"lcase", 1, 1, fnLCase},
    {"left", 2, 2, fnLeft},
    {"leftb", 2, 2, fnLeftB},
    {"len", 1, 1, fnLen},
    {"lenb", 1, 1, fnLenB},
    {"log", 1, 1, fnLog},
    {"ltrim", 1, 1, fnLTrim},
    {"mid", 2, 3, fnMid},
    {"midb", 2, 3, fnMidB},
    {"minute", 1, 1, fnMinute},
    {"month", 1, 1, fnMonth},
    {"monthname", 1, 2, fnMonthName},
    {"msgbox", 1, 5, fnMsgBox},
    {"now", 0, 0, fnNow},
    {"oct", 1, 1, fnOct},
    {"randomize", 0, 1, fnRandomize},
    {"replace", 3, 6, fnReplace},
    {"rgb", 3, 3, fnRGB},
    {"right", 2, 2, fnRight},
    {"rightb", 2, 2, fnRightB},
    {"rnd", 0, 1, fnRnd},
    {"round", 1, 2, fnRound},
    {"rtrim", 1, 1, fnRTrim},
    {"scriptengine", 0, 0, fnScriptEngine},
    {"scriptenginebuildversion", 0, 0, fnScriptEngineBuild},
    {"scriptenginemajorversion", 0, 0, fnScriptEngineMajor},
    {"scriptengineminorversion", 0, 0, fnScriptEngineMinor},
    {"second", 1, 1, fnSecond},
    {"sgn", 1, 1, fnSgn},
    {"sin", 1, 1, fnSin},
    {"space", 1, 1, fnSpace},
    {"split", 1, 4, fnSplit},
    {"sqr", 1, 1, fnSqr},
    {"strcomp", 2, 3, fnStrComp},
    {"string", 2, 2, fnString},
    {"strreverse", 1, 1, fnStrReverse},
    {"tan", 1, 1, fnTan},
    {"time", 0, 0, fnTime},
    {"timer", 0, 0, fnTimer},
    {"timeserial", 3, 3, fnTimeSerial},
    {"timevalue", 1, 1, fnTimeValue},
    {"trim", 1, 1, fnTrim},
    {"typename", 1, 1, fnTypeName},
    {"ubound", 1, 2, fnUBound},
    {"ucase", 1, 1, fnUCase},
    {"vartype", 1, 1, fnVarType},
    {"weekday", 1, 2, fnWeekday},
    {"weekdayname", 1, 3, fnWeekdayName},
    {"year", 1, 1, fnYear},
    {"escape", 1, 1, fnEscape},
    {"unescape", 1, 1, fnUnescape},
    {"getlocale", 0, 0, fnGetLocale},
    {"setlocale", 0, 1, fnSetLocale},
    {"instrb", 2, 4, fnInStrB},
};

const QHash<QString, int>& builtinIndex()
{
    static const QHash<QString, int> index = [] {
        QHash<QString, int> h;
        for (size_t i = 0; i < std::size(kBuiltins); ++i)
            h.insert(QString::fromLatin1(kBuiltins[i].name), int(i));
        return h;
    }();
    return index;
}

const QHash<QString, Variant>& constants()
{
    static const QHash<QString, Variant> table = [] {
        QHash<QString, Variant> h;
        // Constants are Integer where the value fits, Long otherwise.
        auto l = [&](const char* name, qint32 v) {
            h.insert(QString::fromLatin1(name).toLower(),
                     v >= -32768 && v <= 32767 ? Variant::fromInteger(qint16(v)) : Variant(v));
        };
        auto s = [&](const char* name, const QString& v) { h.insert(QString::fromLatin1(name).toLower(), Variant(v)); };
        s("vbCrLf", QStringLiteral("\r\n"));
        s("vbNewLine", QStringLiteral("\r\n"));
        s("vbCr", QStringLiteral("\r"));
        s("vbLf", QStringLiteral("\n"));
        s("vbTab", QStringLiteral("\t"));
        s("vbFormFeed", QStringLiteral("\f"));
        s("vbVerticalTab", QStringLiteral("\v"));
        s("vbNullString", QString());
        s("vbNullChar", QString(QChar(0)));
        l("vbOKOnly", 0); l("vbOKCancel", 1); l("vbAbortRetryIgnore", 2); l("vbYesNoCancel", 3);
        l("vbYesNo", 4); l("vbRetryCancel", 5);
        l("vbCritical", 16); l("vbQuestion", 32); l("vbExclamation", 48); l("vbInformation", 64);
        l("vbDefaultButton1", 0); l("vbDefaultButton2", 256); l("vbDefaultButton3", 512); l("vbDefaultButton4", 768);
        l("vbApplicationModal", 0); l("vbSystemModal", 4096); l("vbMsgBoxHelpButton", 16384);
        l("vbMsgBoxSetForeground", 65536); l("vbMsgBoxRight", 524288); l("vbMsgBoxRtlReading", 1048576);
        l("vbOK", 1); l("vbCancel", 2); l("vbAbort", 3); l("vbRetry", 4); l("vbIgnore", 5); l("vbYes", 6); l("vbNo", 7);
        l("vbBinaryCompare", 0); l("vbTextCompare", 1); l("vbDatabaseCompare", 2);
        l("vbUseSystemDayOfWeek", 0); l("vbSunday", 1); l("vbMonday", 2); l("vbTuesday", 3); l("vbWednesday", 4);
        l("vbThursday", 5); l("vbFriday", 6); l("vbSaturday", 7);
        l("vbUseSystem", 0); l("vbFirstJan1", 1); l("vbFirstFourDays", 2); l("vbFirstFullWeek", 3);
        l("vbGeneralDate", 0); l("vbLongDate", 1); l("vbShortDate", 2); l("vbLongTime", 3); l("vbShortTime", 4);
        l("vbObjectError", qint32(0x80040000));
        l("vbBlack", 0); l("vbRed", 255); l("vbGreen", 65280); l("vbYellow", 65535); l("vbBlue", 16711680);
        l("vbMagenta", 16711935); l("vbCyan", 16776960); l("vbWhite", 16777215);
        l("vbEmpty", 0); l("vbNull", 1); l("vbInteger", 2); l("vbLong", 3); l("vbSingle", 4); l("vbDouble", 5);
        l("vbCurrency", 6); l("vbDate", 7); l("vbString", 8); l("vbObject", 9); l("vbError", 10);
        l("vbBoolean", 11); l("vbVariant", 12); l("vbDataObject", 13); l("vbDecimal", 14); l("vbByte", 17);
        l("vbArray", 8192);
        l("vbTrue", -1); l("vbFalse", 0); l("vbUseDefault", -2);
        return h;
    }();
    return table;
}

}  // namespace

int findBuiltin(const QString& lower) { return builtinIndex().value(lower, -1); }
const BuiltinInfo& builtinAt(int id) { return kBuiltins[id]; }

bool findConstant(const QString& lower, Variant* value)
{
    auto it = constants().find(lower);
    if (it == constants().end())
        return false;
    *value = *it;
    return true;
}

}  // namespace vbscript
