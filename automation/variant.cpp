#include "automation/variant.h"

#include "automation/regional.h"

#include "automation/dispatch.h"
#include "automation/errors.h"


#include <algorithm>
#include <vector>
#include <cmath>
#include <cstdio>
#include <limits>

namespace automation {

namespace {
// Registered by name so that invokable methods can take them by reference.
const bool metaTypesRegistered = [] {
    qRegisterMetaType<Variant>("automation::Variant");
    qRegisterMetaType<QList<Variant>>("automation::VariantList");
    qRegisterMetaType<DispatchRef>("automation::DispatchRef");
    return true;
}();
}  // namespace

// ---------------------------------------------------------------- Array

struct Array::Data : QSharedData {
    Data() = default;
    Data(const Data&) = default;
    ~Data() { releaseValues(items); }
    QList<qint32> lower;
    QList<qint32> count;
    QList<Variant> items;
};

namespace {
// Values set aside by releases nested inside the outermost one.
thread_local std::vector<Variant>* pendingReleases = nullptr;
}  // namespace

void releaseValues(Variant* values, qsizetype count)
{
    if (pendingReleases) {
        for (qsizetype i = 0; i < count; ++i) {
            const VarType type = values[i].type();
            if (type != VarType::Array && type != VarType::Dispatch)
                continue;
            try {
                pendingReleases->push_back(std::move(values[i]));
            } catch (...) {
                values[i] = Variant();  // no room to set it aside: freed the ordinary way
            }
        }
        return;
    }
    std::vector<Variant> pending;
    pendingReleases = &pending;
    for (qsizetype i = 0; i < count; ++i)
        values[i] = Variant();
    while (!pending.empty()) {
        // Freed here, outside the vector: its release may add to it.
        Variant last = std::move(pending.back());
        pending.pop_back();
    }
    pendingReleases = nullptr;
}

Array::Array() : d(new Data) {}
Array::Array(const Array& other) = default;
Array::Array(Array&& other) noexcept = default;
Array& Array::operator=(const Array& other) = default;
Array& Array::operator=(Array&& other) noexcept = default;
Array::~Array() = default;

Array::Array(const QList<qint32>& upperBounds, const QList<qint32>& lowerBounds) : d(new Data)
{
    qsizetype total = 1;
    for (qsizetype i = 0; i < upperBounds.size(); ++i) {
        const qint32 lower = i < lowerBounds.size() ? lowerBounds[i] : 0;
        const qint64 count = qint64(upperBounds[i]) - lower + 1;
        if (count < 0)
            throw AutomationError(error::kSubscriptOutOfRange);
        if (count > 0 && total > (qsizetype(1) << 26) / count)
            throw AutomationError(error::kOutOfMemory);
        total *= qsizetype(count);
        d->lower.append(lower);
        d->count.append(qint32(count));
    }
    if (upperBounds.isEmpty())
        total = 0;
    d->items.resize(total);
}

Array Array::fromList(const QList<Variant>& items)
{
    Array array;
    array.d->lower = {0};
    array.d->count = {qint32(items.size())};
    array.d->items = items;
    return array;
}

int Array::dimensions() const { return int(d->count.size()); }

qint32 Array::lowerBound(int dimension) const
{
    if (dimension < 1 || dimension > dimensions())
        throw AutomationError(error::kSubscriptOutOfRange);
    return d->lower[dimension - 1];
}

qint32 Array::upperBound(int dimension) const
{
    if (dimension < 1 || dimension > dimensions())
        throw AutomationError(error::kSubscriptOutOfRange);
    return d->lower[dimension - 1] + d->count[dimension - 1] - 1;
}

qsizetype Array::size() const { return d->items.size(); }

qsizetype Array::offsetOf(const QList<qint32>& indexes) const
{
    if (indexes.size() != d->count.size())
        throw AutomationError(error::kSubscriptOutOfRange);
    qsizetype offset = 0;
    qsizetype stride = 1;
    for (qsizetype i = 0; i < indexes.size(); ++i) {
        const qint64 k = qint64(indexes[i]) - d->lower[i];
        if (k < 0 || k >= d->count[i])
            throw AutomationError(error::kSubscriptOutOfRange);
        offset += qsizetype(k) * stride;
        stride *= d->count[i];
    }
    return offset;
}

const Variant& Array::at(const QList<qint32>& indexes) const { return d->items.at(offsetOf(indexes)); }
Variant& Array::at(const QList<qint32>& indexes)
{
    const qsizetype offset = offsetOf(indexes);
    return d->items[offset];
}

const QList<Variant>& Array::elements() const { return d->items; }
QList<Variant>& Array::elements() { return d->items; }

bool Array::isShared() const
{
    // An empty list has no storage to share, though Qt calls it not detached.
    return !d->items.isEmpty() && (d->ref.loadRelaxed() > 1 || !d->items.isDetached());
}

void Array::redim(const QList<qint32>& upperBounds, bool preserve)
{
    Array fresh(upperBounds, QList<qint32>(upperBounds.size(), 0));
    if (preserve && dimensions() > 0) {
        if (fresh.dimensions() != dimensions())
            throw AutomationError(error::kSubscriptOutOfRange);
        for (int i = 0; i + 1 < dimensions(); ++i) {
            if (fresh.d->count[i] != d->count[i])
                throw AutomationError(error::kSubscriptOutOfRange);
        }
        // Only the last dimension changes, so the kept elements are a prefix.
        const qsizetype keep = std::min(fresh.size(), size());
        for (qsizetype i = 0; i < keep; ++i)
            fresh.d->items[i] = d->items[i];
    }
    *this = fresh;
}

// ---------------------------------------------------------------- helpers

namespace {

// OLE dates count calendar days and the time of day, whatever the time zone.
const QDate& oleEpoch()
{
    static const QDate epoch(1899, 12, 30);
    return epoch;
}

double checkedRound(double value, double low, double high)
{
    if (std::isnan(value))
        throw AutomationError(error::kOverflow);
    const double rounded = roundHalfEven(value);
    if (rounded < low || rounded > high)
        throw AutomationError(error::kOverflow);
    return rounded;
}

bool parseRadixInteger(QStringView digits, int radix, double* value)
{
    if (digits.isEmpty())
        return false;
    quint64 result = 0;
    for (QChar c : digits) {
        const int v = c.isDigit() ? c.digitValue()
                    : (radix == 16 && c.toUpper() >= u'A' && c.toUpper() <= u'F') ? c.toUpper().unicode() - 'A' + 10
                                                                                  : -1;
        if (v < 0 || v >= radix)
            return false;
        result = result * quint64(radix) + quint64(v);
        if (result > 0xFFFFFFFFull)
            return false;
    }
    // &H and &O literals are 32-bit: &HFFFFFFFF is -1, &HFFFF stays 65535.
    *value = double(result > 0x7FFFFFFFull ? qint32(quint32(result)) : qint64(result));
    return true;
}

}  // namespace

double toOleDate(const QDateTime& dateTime)
{
    const double days = double(oleEpoch().daysTo(dateTime.date()));
    const double fraction = dateTime.time().msecsSinceStartOfDay() / 86400000.0;
    // Before the epoch the time stays a positive fraction after the negative day.
    return days < 0 ? days - fraction : days + fraction;
}

QDateTime fromOleDate(double oleDate)
{
    if (!std::isfinite(oleDate) || std::fabs(oleDate) > 3e6)
        throw AutomationError(error::kOverflow);
    double days = std::trunc(oleDate);
    qint64 ms = qint64(std::llround(std::fabs(oleDate - days) * 86400000.0));
    if (ms >= 86400000) {
        ms -= 86400000;
        days += oleDate < 0 ? -1 : 1;
    }
    return QDateTime(oleEpoch().addDays(qint64(days)), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

namespace {

// The conversion is slow on long digit strings (a tenth of a microsecond a
// digit), which a script comparing a growing text with a number in a loop
// turns into minutes. No double needs more significant digits than this to be
// rounded right, so longer texts are cut to them first.
constexpr qsizetype kMaxConvertedDigits = 800;

// A checked number text (digits, at most one point, an optional exponent) as
// "0.<digits>e<exponent>" with at most kMaxConvertedDigits significant digits;
// a 1 stands for any non-zero digit cut off, so the rounding stays the same.
QString boundedDigits(QStringView s)
{
    QString digits;
    bool significant = false;
    bool cutNonZero = false;
    qint64 exponent = 0;  // of the point before the first significant digit
    bool inFraction = false;
    qsizetype i = 0;
    for (; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'.') {
            inFraction = true;
            continue;
        }
        if (!c.isDigit())
            break;
        if (!significant && c == u'0') {
            if (inFraction)
                --exponent;
            continue;
        }
        significant = true;
        if (!inFraction)
            ++exponent;
        if (digits.size() < kMaxConvertedDigits)
            digits.append(c);
        else if (c != u'0')
            cutNonZero = true;
    }
    if (!significant)
        return QStringLiteral("0");
    if (cutNonZero)
        digits.append(u'1');
    if (i < s.size()) {
        // The exponent, held short of overflow: anything this far out is
        // infinite or zero anyway.
        ++i;
        bool negative = false;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
            negative = s[i++] == u'-';
        qint64 e = 0;
        for (; i < s.size(); ++i)
            e = std::min<qint64>(e * 10 + s[i].digitValue(), 1000000000);
        exponent += negative ? -e : e;
    }
    exponent = std::clamp<qint64>(exponent, -2000000000, 2000000000);
    return QStringLiteral("0.") + digits + u'e' + QString::number(exponent);
}

}  // namespace

bool parseNumericText(const QString& text, double* value)
{
    // Another locale's separators are read as en-US's: under German "1.234,5"
    // is 1234.5 (and "1.5" is 15, the point grouping digits).
    const RegionalSettings& regional = currentRegionalSettings();
    if (regional.decimal != u'.' || regional.group != u',') {
        QString local = text;
        for (QChar& c : local) {
            if (c == regional.decimal)
                c = u'.';
            else if (c == regional.group)
                c = u',';
            else if (c == u'.' || c == u',')
                c = u'x';
        }
        return parseUsNumericText(local, value);
    }
    return parseUsNumericText(text, value);
}

bool parseUsNumericText(const QString& text, double* value)
{
    QStringView s = QStringView(text).trimmed();
    if (s.isEmpty())
        return false;
    bool negative = false;
    if (s.front() == u'+' || s.front() == u'-') {
        negative = s.front() == u'-';
        s = s.mid(1).trimmed();
    }
    if (s.size() >= 2 && s[0] == u'&') {
        const QChar kind = s[1].toUpper();
        double v = 0;
        bool ok = false;
        if (kind == u'H')
            ok = parseRadixInteger(s.mid(2), 16, &v);
        else if (kind == u'O')
            ok = parseRadixInteger(s.mid(2), 8, &v);
        else
            ok = parseRadixInteger(s.mid(1), 8, &v);
        if (ok)
            *value = negative ? -v : v;
        return ok;
    }
    // Digits, one point, an optional exponent; nothing else.
    qsizetype i = 0;
    bool digits = false;
    bool grouped = false;
    // Thousands separators between digits of the whole part: "1,234.5".
    while (i < s.size() && (s[i].isDigit() || (s[i] == u',' && digits && i + 1 < s.size() && s[i + 1].isDigit()))) {
        grouped = grouped || s[i] == u',';
        ++i;
        digits = true;
    }
    if (i < s.size() && s[i] == u'.') {
        ++i;
        while (i < s.size() && s[i].isDigit()) { ++i; digits = true; }
    }
    if (!digits)
        return false;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E' || s[i] == u'd' || s[i] == u'D')) {
        qsizetype j = i + 1;
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            ++j;
        qsizetype k = j;
        while (k < s.size() && s[k].isDigit())
            ++k;
        if (k == j)
            return false;
        i = k;
    }
    if (i != s.size())
        return false;
    QString normal = s.toString();
    if (grouped)
        normal.remove(u',');
    if (normal.size() > kMaxConvertedDigits)
        normal = boundedDigits(normal);
    normal.replace(u'd', u'e').replace(u'D', u'e');
    bool ok = false;
    const double v = normal.toDouble(&ok);
    if (!ok && !std::isinf(v))
        return false;
    *value = negative ? -v : v;
    return true;
}

double roundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5)
        return floor + 1;
    if (diff < 0.5)
        return floor;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

QString formatDouble(double value, int significantDigits)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (value == 0)
        return QStringLiteral("0");
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*G", significantDigits, value);
    return QString::fromLatin1(buffer);
}

QString formatDate(double oleDate)
{
    const QDateTime dt = fromOleDate(oleDate);
    const double days = std::trunc(oleDate);
    const bool hasTime = oleDate != days;
    // The short date and the long time of the locale, either alone when the
    // other is zero.
    if (const RegionalSettings& regional = currentRegionalSettings(); !regional.isUnitedStates()) {
        if (days == 0 && hasTime)
            return regional.names.toString(dt.time(), regional.longTime);
        const QString date = regional.names.toString(dt.date(), regional.shortDate);
        return hasTime ? date + u' ' + regional.names.toString(dt.time(), regional.longTime) : date;
    }
    const QString date = QStringLiteral("%1/%2/%3").arg(dt.date().month()).arg(dt.date().day()).arg(dt.date().year());
    const QTime t = dt.time();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    const QString time = QStringLiteral("%1:%2:%3 %4")
                             .arg(hour12)
                             .arg(t.minute(), 2, 10, QLatin1Char('0'))
                             .arg(t.second(), 2, 10, QLatin1Char('0'))
                             .arg(t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
    if (days == 0 && hasTime)
        return time;
    if (!hasTime)
        return date;
    return date + QLatin1Char(' ') + time;
}

// ---------------------------------------------------------------- Variant

Variant::Variant(bool value) : value_(value) {}
Variant::Variant(qint32 value) : value_(value) {}
Variant::Variant(double value) : value_(value) {}
Variant::Variant(const QString& value) : value_(value) {}
Variant::Variant(QString&& value) : value_(std::move(value)) {}
Variant::Variant(const char* latin1) : value_(QString::fromLatin1(latin1)) {}
Variant::Variant(DispatchRef object) : value_(std::move(object)) {}
Variant::Variant(const Array& array) : value_(array) {}

Variant Variant::null()
{
    Variant v;
    v.value_ = NullTag{};
    return v;
}

Variant Variant::fromInteger(qint16 value)
{
    Variant v;
    v.value_ = value;
    return v;
}

Variant Variant::fromByte(quint8 value)
{
    Variant v;
    v.value_ = value;
    return v;
}

Variant Variant::fromSingle(float value)
{
    Variant v;
    v.value_ = value;
    return v;
}

Variant Variant::fromDate(double oleDate)
{
    Variant v;
    v.value_ = DateValue{oleDate};
    return v;
}

Variant Variant::fromDateTime(const QDateTime& dateTime) { return fromDate(toOleDate(dateTime)); }

Variant Variant::fromError(qint32 code)
{
    Variant v;
    v.value_ = ErrorValue{code};
    return v;
}

Variant Variant::fromCurrency(double value)
{
    const double scaled = roundHalfEven(value * 10000.0);
    if (!std::isfinite(scaled) || std::fabs(scaled) > 9.2233720368547e18)
        throw AutomationError(error::kOverflow);
    Variant v;
    v.value_ = CurrencyValue{qint64(scaled)};
    return v;
}

bool Variant::isNumeric() const
{
    switch (type()) {
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Byte:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Date:
        return true;
    default:
        return false;
    }
}

bool Variant::isNothing() const
{
    const auto* object = std::get_if<DispatchRef>(&value_);
    return object && !*object;
}

const QString& Variant::stringRef() const { return std::get<QString>(value_); }
QString& Variant::stringRef() { return std::get<QString>(value_); }
const DispatchRef& Variant::objectRef() const { return std::get<DispatchRef>(value_); }
const Array& Variant::arrayRef() const { return std::get<Array>(value_); }
Array& Variant::arrayRef() { return std::get<Array>(value_); }

double Variant::rawNumberSlow() const
{
    switch (type()) {
    case VarType::Boolean: return std::get<bool>(value_) ? -1.0 : 0.0;
    case VarType::Integer: return std::get<qint16>(value_);
    case VarType::Long: return std::get<qint32>(value_);
    case VarType::Byte: return std::get<quint8>(value_);
    case VarType::Single: return std::get<float>(value_);
    case VarType::Double: return std::get<double>(value_);
    case VarType::Date: return std::get<DateValue>(value_).value;
    case VarType::Currency: return double(std::get<CurrencyValue>(value_).tenThousandths) / 10000.0;
    case VarType::Empty: return 0;
    default: throw AutomationError(error::kTypeMismatch);
    }
}

namespace {

// The value an object stands for is its default member.
Variant defaultValueOf(const DispatchRef& object)
{
    if (!object)
        throw AutomationError(error::kObjectRequired);
    QList<Variant> noArgs;
    return object->invoke(kDispIdValue, CallKind::PropertyGet, noArgs);
}

}  // namespace

namespace {

// A number's text with the locale's decimal separator (CStr(1.5) is "1,5"
// under German); no thousands separators, as Windows writes none.
QString localDecimal(QString text)
{
    const QChar decimal = currentRegionalSettings().decimal;
    if (decimal != u'.')
        text.replace(u'.', decimal);
    return text;
}

}  // namespace

QString Variant::toString() const
{
    switch (type()) {
    case VarType::Empty: return {};
    case VarType::Null: throw AutomationError(error::kInvalidUseOfNull);
    case VarType::Boolean: return std::get<bool>(value_) ? QStringLiteral("True") : QStringLiteral("False");
    case VarType::Integer: return QString::number(std::get<qint16>(value_));
    case VarType::Long: return QString::number(std::get<qint32>(value_));
    case VarType::Byte: return QString::number(std::get<quint8>(value_));
    case VarType::Single: return localDecimal(formatDouble(std::get<float>(value_), 7));
    case VarType::Double: return localDecimal(formatDouble(std::get<double>(value_)));
    case VarType::Currency: return localDecimal(formatDouble(rawNumberSlow()));
    case VarType::Date: return formatDate(std::get<DateValue>(value_).value);
    case VarType::String: return std::get<QString>(value_);
    case VarType::Dispatch: return defaultValueOf(std::get<DispatchRef>(value_)).toString();
    case VarType::Error: return QStringLiteral("Error %1").arg(std::get<ErrorValue>(value_).code);
    case VarType::Array: throw AutomationError(error::kTypeMismatch);
    }
    throw AutomationError(error::kTypeMismatch);
}

QString Variant::toDisplayString() const
{
    try {
        switch (type()) {
        case VarType::Empty:
        case VarType::Null: return {};
        case VarType::Dispatch: {
            const DispatchRef& object = std::get<DispatchRef>(value_);
            return object ? object->typeName() : QStringLiteral("Nothing");
        }
        case VarType::Array: return QStringLiteral("Variant()");
        default: return toString();
        }
    } catch (const AutomationError&) {
        return {};
    }
}

double Variant::toDouble() const
{
    switch (type()) {
    case VarType::Null: throw AutomationError(error::kInvalidUseOfNull);
    case VarType::String: {
        double v = 0;
        if (!parseNumericText(std::get<QString>(value_), &v))
            throw AutomationError(error::kTypeMismatch);
        return v;
    }
    case VarType::Dispatch: return defaultValueOf(std::get<DispatchRef>(value_)).toDouble();
    case VarType::Array:
    case VarType::Error: throw AutomationError(error::kTypeMismatch);
    default: return rawNumber();
    }
}

float Variant::toSingle() const
{
    const double v = toDouble();
    if (std::isfinite(v) && std::fabs(v) > double(std::numeric_limits<float>::max()))
        throw AutomationError(error::kOverflow);
    return float(v);
}

qint32 Variant::toLong() const
{
    if (const auto* v = std::get_if<qint32>(&value_))
        return *v;
    return qint32(checkedRound(toDouble(), -2147483648.0, 2147483647.0));
}

qint16 Variant::toInteger() const
{
    return qint16(checkedRound(toDouble(), -32768.0, 32767.0));
}

quint8 Variant::toByte() const
{
    return quint8(checkedRound(toDouble(), 0.0, 255.0));
}

bool Variant::toBool() const
{
    switch (type()) {
    case VarType::Boolean: return std::get<bool>(value_);
    case VarType::Null: throw AutomationError(error::kInvalidUseOfNull);
    case VarType::String: {
        const QString& s = std::get<QString>(value_);
        const QString t = s.trimmed();
        // "#TRUE#" and "#FALSE#" are how a Boolean is written to a file.
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0
            || t.compare(QLatin1String("#True#"), Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0
            || t.compare(QLatin1String("#False#"), Qt::CaseInsensitive) == 0)
            return false;
        double v = 0;
        if (!parseNumericText(s, &v))
            throw AutomationError(error::kTypeMismatch);
        return v != 0;
    }
    case VarType::Dispatch: return defaultValueOf(std::get<DispatchRef>(value_)).toBool();
    case VarType::Array:
    case VarType::Error: throw AutomationError(error::kTypeMismatch);
    default: return rawNumber() != 0;
    }
}

namespace {

// A month named in the thread's locale, other than en-US: its whole name, its
// short name without the point ("März", "Dez", "février", "févr"), or the
// start of its name, three letters or more. 0 when none is.
int localMonth(const QString& word)
{
    const RegionalSettings& regional = currentRegionalSettings();
    if (regional.isUnitedStates() || word.size() < 3)
        return 0;
    for (int m = 1; m <= 12; ++m) {
        QString brief = regional.names.monthName(m, QLocale::ShortFormat).toLower();
        if (brief.endsWith(u'.'))
            brief.chop(1);
        if (word == regional.names.monthName(m, QLocale::LongFormat).toLower() || word == brief)
            return m;
    }
    for (int m = 1; m <= 12; ++m)
        if (regional.names.monthName(m, QLocale::LongFormat).toLower().startsWith(word))
            return m;
    return 0;
}

// Dates as Windows reads them in en-US: month, day and year in that order
// when all are numbers (day first when the first cannot be a month, or when
// the thread's locale writes the day first; year first when it has four
// digits), a month by name anywhere, a year of one
// or two digits in 1930..2029, a missing year the current one; then an
// optional time h[:mm[:ss]] with AM or PM.
bool parseDateText(const QString& text, double* result)
{
    static const char* const months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    QList<int> numbers;       // the date's numbers, in order
    QList<int> digits;        // how many digits each had
    int month = 0;            // by name
    int monthAt = -1;         // how many numbers came before the name
    QList<int> time;          // h, m, s
    int half = 0;             // 1 AM, 2 PM
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool inTime = false;
    while (i < n) {
        const QChar c = text[i];
        if (c.isDigit()) {
            qsizetype j = i;
            while (j < n && text[j].isDigit())
                ++j;
            if (j - i > 9)
                return false;
            const int value = text.mid(i, j - i).toInt();
            if (j < n && text[j] == u':')
                inTime = true;
            if (inTime) {
                if (time.size() >= 3)
                    return false;
                time.append(value);
            } else {
                numbers.append(value);
                digits.append(int(j - i));
            }
            i = j;
            if (inTime && i < n && text[i] == u':')
                ++i;
            continue;
        }
        if (c.isLetter()) {
            qsizetype j = i;
            while (j < n && text[j].isLetter())
                ++j;
            const QString word = text.mid(i, j - i).toLower();
            i = j;
            if (word == QLatin1String("am") || word == QLatin1String("a")) {
                half = 1;
                continue;
            }
            if (word == QLatin1String("pm") || word == QLatin1String("p")) {
                half = 2;
                continue;
            }
            int found = 0;
            for (int m = 0; m < 12; ++m) {
                if (word.size() >= 3 && QLatin1String(months[m]) == QStringView(word).left(3))
                    found = m + 1;
            }
            if (!found)
                found = localMonth(word);
            if (!found || month)
                return false;
            month = found;
            monthAt = int(numbers.size());
            continue;
        }
        if (c == u'/' || c == u'-' || c == u',' || c == u'.' || c.isSpace()) {
            if (c.isSpace() && !time.isEmpty())
                inTime = false;
            ++i;
            continue;
        }
        return false;
    }
    if (!time.isEmpty()) {
        if (time.size() == 1)
            return false;
        while (time.size() < 3)
            time.append(0);
        if (time[1] > 59 || time[2] > 59 || time[0] > (half ? 12 : 23))
            return false;
        if (half == 1 && time[0] == 12)
            time[0] = 0;
        else if (half == 2 && time[0] < 12)
            time[0] += 12;
    } else if (half) {
        // "3 PM": a lone hour.
        if (numbers.size() != 1 || month)
            return false;
        time = {numbers.takeFirst() % 12 + (half == 2 ? 12 : 0), 0, 0};
        digits.clear();
    }
    int year = -1, mon = 0, day = 0;
    const bool dayFirst = currentRegionalSettings().dateOrder == RegionalSettings::Order::DayMonthYear;
    auto fullYear = [](int y, int width) { return width <= 2 ? (y < 30 ? 2000 + y : 1900 + y) : y; };
    if (month) {
        mon = month;
        if (numbers.size() == 1) {
            day = numbers[0];
        } else if (numbers.size() == 2) {
            // "Feb 29 2024", "29 Feb 2024", "2024 Feb 29"
            if (digits[0] >= 3) {
                year = fullYear(numbers[0], digits[0]);
                day = numbers[1];
            } else {
                day = numbers[0];
                year = fullYear(numbers[1], digits[1]);
            }
        } else {
            return false;
        }
        (void)monthAt;
    } else if (numbers.size() == 3) {
        if (digits[0] >= 3) {
            year = numbers[0];
            mon = numbers[1];
            day = numbers[2];
        } else {
            mon = numbers[dayFirst ? 1 : 0];
            day = numbers[dayFirst ? 0 : 1];
            if (mon > 12 && day <= 12)
                std::swap(mon, day);
            year = fullYear(numbers[2], digits[2]);
        }
    } else if (numbers.size() == 2) {
        mon = numbers[dayFirst ? 1 : 0];
        day = numbers[dayFirst ? 0 : 1];
        if (mon > 12 && day <= 12)
            std::swap(mon, day);
    } else if (!numbers.isEmpty() || time.isEmpty()) {
        return false;
    }
    double value = 0;
    if (mon || day) {
        if (year < 0)
            year = QDate::currentDate().year();
        const QDate date(year, mon, day);
        if (!date.isValid() || year < 100 || year > 9999)
            return false;
        value = double(QDate(1899, 12, 30).daysTo(date));
    }
    if (!time.isEmpty()) {
        const double fraction = (time[0] * 3600 + time[1] * 60 + time[2]) / 86400.0;
        value = value < 0 ? value - fraction : value + fraction;
    }
    *result = value;
    return true;
}

}  // namespace

double Variant::toDate() const
{
    switch (type()) {
    case VarType::Date: return std::get<DateValue>(value_).value;
    case VarType::Null: throw AutomationError(error::kInvalidUseOfNull);
    case VarType::String: {
        const QString s = std::get<QString>(value_).trimmed();
        double date = 0;
        // Where the point groups digits (German), "31.12.1999" would read as
        // a number: such a text is tried as a date first.
        const RegionalSettings& regional = currentRegionalSettings();
        const bool dateFirst = regional.group == u'.' && !s.contains(regional.decimal);
        if (dateFirst && parseDateText(s, &date))
            return date;
        double v = 0;
        if (parseNumericText(s, &v))
            return v;
        if (!dateFirst && parseDateText(s, &date))
            return date;
        throw AutomationError(error::kTypeMismatch);
    }
    default: return toDouble();
    }
}

DispatchRef Variant::toObject() const
{
    if (const auto* object = std::get_if<DispatchRef>(&value_))
        return *object;
    throw AutomationError(error::kObjectRequired);
}

QVariant Variant::toQVariant() const
{
    switch (type()) {
    case VarType::Empty: return {};
    case VarType::Null: return QVariant::fromValue(nullptr);
    case VarType::Boolean: return std::get<bool>(value_);
    case VarType::Integer: return int(std::get<qint16>(value_));
    case VarType::Long: return std::get<qint32>(value_);
    case VarType::Byte: return int(std::get<quint8>(value_));
    case VarType::Single: return double(std::get<float>(value_));
    case VarType::Double: return std::get<double>(value_);
    case VarType::Date: return fromOleDate(std::get<DateValue>(value_).value);
    case VarType::String: return std::get<QString>(value_);
    default: return QVariant::fromValue(*this);
    }
}

Variant Variant::fromQVariant(const QVariant& value)
{
    if (!value.isValid())
        return {};
    const int id = value.metaType().id();
    if (id == qMetaTypeId<Variant>())
        return value.value<Variant>();
    switch (id) {
    case QMetaType::Nullptr: return null();
    case QMetaType::Bool: return Variant(value.toBool());
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
        return Variant(qint32(value.toInt()));
    case QMetaType::UChar: return fromByte(quint8(value.toUInt()));
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const double d = value.toDouble();
        if (d >= -2147483648.0 && d <= 2147483647.0)
            return Variant(qint32(value.toLongLong()));
        return Variant(d);
    }
    case QMetaType::Float: return fromSingle(value.toFloat());
    case QMetaType::Double: return Variant(value.toDouble());
    case QMetaType::QString: return Variant(value.toString());
    case QMetaType::QByteArray: return Variant(QString::fromLatin1(value.toByteArray()));
    case QMetaType::QDateTime: return fromDateTime(value.toDateTime());
    case QMetaType::QDate: return fromDateTime(value.toDate().startOfDay());
    case QMetaType::QVariantList: {
        QList<Variant> items;
        for (const QVariant& item : value.toList())
            items.append(fromQVariant(item));
        return Variant(Array::fromList(items));
    }
    case QMetaType::QStringList: {
        QList<Variant> items;
        for (const QString& item : value.toStringList())
            items.append(Variant(item));
        return Variant(Array::fromList(items));
    }
    default: break;
    }
    if (id == qMetaTypeId<QList<Variant>>())
        return Variant(Array::fromList(value.value<QList<Variant>>()));
    if (value.metaType().flags().testFlag(QMetaType::PointerToQObject))
        return Variant(dispatchFor(value.value<QObject*>()));
    if (value.canConvert<QString>())
        return Variant(value.toString());
    throw AutomationError(error::kTypeMismatch);
}

bool Variant::operator==(const Variant& other) const
{
    if (value_.index() != other.value_.index())
        return false;
    if (const auto* object = std::get_if<DispatchRef>(&value_)) {
        const DispatchRef& o = std::get<DispatchRef>(other.value_);
        if (!*object || !o)
            return !*object && !o;
        return (*object)->identity() == o->identity();
    }
    if (const auto* array = std::get_if<Array>(&value_)) {
        const Array& o = std::get<Array>(other.value_);
        return array->elements() == o.elements();
    }
    switch (type()) {
    case VarType::Empty:
    case VarType::Null: return true;
    case VarType::String: return stringRef() == other.stringRef();
    case VarType::Error: return std::get<ErrorValue>(value_) == std::get<ErrorValue>(other.value_);
    default: return rawNumber() == other.rawNumber();
    }
}

}  // namespace automation
