#pragma once
// Variant: the one value type that crosses every automation boundary (the
// terminal control, the object model, the script engines, the syslog receiver).
// Conversions follow VBScript's rules and are defined here once.

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QVariant>

#include <memory>
#include <iterator>
#include <variant>

namespace automation {

class Dispatch;
using DispatchRef = std::shared_ptr<Dispatch>;
class Variant;

// A multi-dimensional array of variants with per-dimension lower bounds, shared
// copy-on-write: copying an array variant copies the array, as VBScript does.
class Array {
public:
    Array();
    Array(const Array& other);
    Array(Array&& other) noexcept;
    Array& operator=(const Array& other);
    Array& operator=(Array&& other) noexcept;
    ~Array();
    // One bound pair per dimension; an upper bound of lower - 1 makes the
    // dimension empty.
    explicit Array(const QList<qint32>& upperBounds, const QList<qint32>& lowerBounds = {});
    static Array fromList(const QList<Variant>& items);

    int dimensions() const;
    qint32 lowerBound(int dimension) const;  // dimension from 1
    qint32 upperBound(int dimension) const;
    qsizetype size() const;                  // element count over all dimensions

    // Element by one index per dimension; throws 9 when out of range.
    const Variant& at(const QList<qint32>& indexes) const;
    Variant& at(const QList<qint32>& indexes);
    // Elements in storage order (first index fastest, as SAFEARRAYs store them).
    const QList<Variant>& elements() const;
    QList<Variant>& elements();

    // ReDim: new bounds; with preserve only the last dimension may change and
    // the elements inside both shapes are kept.
    void redim(const QList<qint32>& upperBounds, bool preserve);
    // True when another array value shares the elements, so that the next
    // write copies all of them first (callers that budget memory ask this).
    bool isShared() const;

private:
    qsizetype offsetOf(const QList<qint32>& indexes) const;
    struct Data;
    QSharedDataPointer<Data> d;
};


// Type codes, numbered as VBScript's VarType reports them.
enum class VarType : int {
    Empty = 0,
    Null = 1,
    Integer = 2,
    Long = 3,
    Single = 4,
    Double = 5,
    Currency = 6,
    Date = 7,
    String = 8,
    Dispatch = 9,
    Error = 10,
    Boolean = 11,
    Byte = 17,
    Array = 8204,  // an array of variants (8192 + 12)
};

class Variant {
public:
    Variant() = default;  // Empty
    Variant(bool value);
    Variant(qint32 value);
    Variant(double value);
    Variant(const QString& value);
    Variant(QString&& value);
    Variant(const char* latin1);
    Variant(DispatchRef object);  // an object reference; a null pointer is Nothing
    Variant(const Array& array);

    static Variant null();
    static Variant nothing() { return Variant(DispatchRef()); }
    static Variant fromInteger(qint16 value);
    static Variant fromByte(quint8 value);
    static Variant fromSingle(float value);
    static Variant fromDate(double oleDate);
    static Variant fromDateTime(const QDateTime& dateTime);
    static Variant fromError(qint32 code);  // VT_ERROR, used for a missing optional argument
    // Currency: a fixed-point number with four decimals (rounded half to
    // even); 6 Overflow beyond its range.
    static Variant fromCurrency(double value);

    // Inline: engines ask for the type on every operation.
    VarType type() const
    {
        static constexpr VarType kTypes[] = {VarType::Empty,  VarType::Null,   VarType::Boolean, VarType::Integer,
                                             VarType::Long,   VarType::Byte,   VarType::Single,  VarType::Double,
                                             VarType::Date,   VarType::String, VarType::Dispatch, VarType::Array,
                                             VarType::Error,  VarType::Currency};
        const size_t i = value_.index();
        return i < std::size(kTypes) ? kTypes[i] : VarType::Error;
    }
    bool isEmpty() const { return type() == VarType::Empty; }
    bool isNull() const { return type() == VarType::Null; }
    bool isObject() const { return type() == VarType::Dispatch; }
    bool isArray() const { return type() == VarType::Array; }
    bool isString() const { return type() == VarType::String; }
    bool isNumeric() const;  // a number type, a Boolean or a Date
    // True for Dispatch values whose reference is Nothing.
    bool isNothing() const;

    // Direct access without conversion; only valid for the matching type.
    const QString& stringRef() const;
    QString& stringRef();  // for appending in place; only valid for a String
    const DispatchRef& objectRef() const;
    const Array& arrayRef() const;
    Array& arrayRef();
    // Any numeric type, Boolean and Date as double; the common ones inline.
    double rawNumber() const
    {
        if (const auto* l = std::get_if<qint32>(&value_))
            return *l;
        if (const auto* d = std::get_if<double>(&value_))
            return *d;
        if (const auto* n = std::get_if<qint16>(&value_))
            return *n;
        return rawNumberSlow();
    }

    // Conversions with VBScript's rules; they throw AutomationError
    // (13 Type mismatch, 6 Overflow, 94 Invalid use of Null, 424 Object required).
    QString toString() const;      // CStr
    double toDouble() const;       // CDbl
    float toSingle() const;        // CSng
    qint32 toLong() const;         // CLng: rounds half to even
    qint16 toInteger() const;      // CInt
    quint8 toByte() const;         // CByte
    bool toBool() const;           // CBool
    double toDate() const;         // CDate, as an OLE date
    DispatchRef toObject() const;  // the object; Nothing is allowed

    // Text conversions that never throw: Empty and Null give the empty text,
    // objects give their type name. For display and logging.
    QString toDisplayString() const;

    // A Qt value for the meta-object boundary, and back.
    QVariant toQVariant() const;
    static Variant fromQVariant(const QVariant& value);

    // Identity for objects, value and type for everything else.
    bool operator==(const Variant& other) const;

private:
    double rawNumberSlow() const;
    struct NullTag { bool operator==(const NullTag&) const = default; };
    struct DateValue { double value; bool operator==(const DateValue&) const = default; };
    struct ErrorValue { qint32 code; bool operator==(const ErrorValue&) const = default; };
    struct CurrencyValue { qint64 tenThousandths; bool operator==(const CurrencyValue&) const = default; };
    using Storage = std::variant<std::monostate, NullTag, bool, qint16, qint32, quint8, float, double,
                                 DateValue, QString, DispatchRef, Array, ErrorValue, CurrencyValue>;
    Storage value_;
};

using VariantList = QList<Variant>;

// Releases values that may hold others (arrays, objects) without recursing
// through them: a destructor of something that holds values hands them here,
// and only the outermost release on the thread frees them, one after another.
// A list a million levels deep, or a chain of objects linked through their
// fields, would otherwise take a stack frame per level.
void releaseValues(Variant* values, qsizetype count);
inline void releaseValues(QList<Variant>& values)
{
    // A list still shared with another owner releases nothing yet.
    if (!values.isEmpty() && values.isDetached())
        releaseValues(values.data(), values.size());
}

// OLE automation dates: days since 30 December 1899, the fraction the time.
double toOleDate(const QDateTime& dateTime);
QDateTime fromOleDate(double oleDate);

// VBScript's numeric text: optional blanks, sign, digits with one decimal point
// and an exponent, or &H / &O prefixed integers. Returns false when it is not one.
bool parseNumericText(const QString& text, double* value);
// The same with en-US's separators whatever the thread's locale.
bool parseUsNumericText(const QString& text, double* value);

// VBScript's rounding of a double to an integer: half to even.
double roundHalfEven(double value);

// The text VBScript gives a double: up to 15 significant digits, E notation for
// large and small magnitudes.
QString formatDouble(double value, int significantDigits = 15);
QString formatDate(double oleDate);

}  // namespace automation

Q_DECLARE_METATYPE(automation::Variant)
Q_DECLARE_METATYPE(automation::VariantList)
