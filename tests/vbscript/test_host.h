#pragma once
// The object conformance cases write through: "Print x" records one line.

#include "automation/dispatch.h"

#include <QObject>
#include <QStringList>

class TestHost : public QObject {
    Q_OBJECT
    Q_CLASSINFO("TypeName", "TestHost")
    Q_CLASSINFO("DefaultMember", "Value")
    Q_PROPERTY(int Value READ value WRITE setValue)
    Q_PROPERTY(QString Name READ name WRITE setName)
public:
    // Null and Empty are written so that a case can tell them from text.
    Q_INVOKABLE void Print(const automation::Variant& value)
    {
        if (value.isNull())
            lines.append(QStringLiteral("Null"));
        else if (value.isArray())
            lines.append(QStringLiteral("Variant()"));
        else if (value.isObject())
            lines.append(value.isNothing() ? QStringLiteral("Nothing") : value.objectRef()->typeName());
        else
            lines.append(value.toString());
    }
    Q_INVOKABLE int Add(int a, int b) { return a + b; }
    // Members named like keywords, reached after a dot.
    Q_INVOKABLE QString rem() { return QStringLiteral("rem"); }
    Q_INVOKABLE QString Next() { return QStringLiteral("next"); }
    Q_INVOKABLE void Twice(automation::Variant& value) { value = automation::Variant(value.toDouble() * 2); }
    Q_INVOKABLE QObject* Child() { return this; }
    Q_INVOKABLE automation::Variant Items()
    {
        return automation::Variant(automation::Array::fromList({automation::Variant("a"), automation::Variant("b")}));
    }
    // A host keeps what a script hands it, script objects included.
    Q_INVOKABLE void Keep(const automation::Variant& value) { kept = value; }
    Q_INVOKABLE automation::Variant Kept() { return kept; }

    int value() const { return value_; }
    void setValue(int v) { value_ = v; }
    QString name() const { return name_; }
    void setName(const QString& n) { name_ = n; }

    QStringList lines;
    automation::Variant kept;

private:
    int value_ = 7;
    QString name_ = QStringLiteral("host");
};

// Methods of each type a call site binds directly, and some it leaves to the
// dispatch interface.
class TypedHost : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE double Scale(double x, int by) { return x * by; }
    Q_INVOKABLE QString Mark(bool on, const QString& text) { return on ? text + QStringLiteral("!") : text; }
    Q_INVOKABLE automation::Variant Same(const automation::Variant& value) { return value; }
    Q_INVOKABLE void Count() { ++calls; }
    Q_INVOKABLE bool Odd(int n) { return n % 2 != 0; }
    // Two overloads (Qt makes one per default argument): the count picks.
    Q_INVOKABLE int Sum(int a, int b = 10) { return a + b; }
    Q_INVOKABLE int Add(int a, int b) { return 100 + a + b; }
    Q_INVOKABLE void Bump(int& n) { n += 1; }
    Q_INVOKABLE float Half(float n) { return n / 2; }  // a type left to the dispatch interface

    int calls = 0;
};
