#pragma once
// Calls of a QObject's invokable methods, bound once per call site. The first
// call finds the method its argument count picks, with its parameter and
// result types; later calls on an object of the same class convert the
// arguments and invoke it without a lookup by name and without allocating.
// Only plain types are bound (int, double, bool, QString and Variant taken by
// value or const reference, and those or void as the result); any other
// method goes through the object's dispatch interface as before. Arguments
// and results convert with Variant's own rules, as that interface does, so a
// script sees the same values and the same errors either way.

#include "automation/dispatch.h"

#include <QMetaType>

#include <array>

namespace vbscript {

struct HostMethod {
    static constexpr int kMaxArguments = 6;
    enum class Type : unsigned char { Void, Int, Double, Bool, String, Variant };

    const QMetaObject* metaObject = nullptr;  // the class it was bound for
    int index = -1;                           // the method's index in that class
    int argumentCount = 0;
    std::array<Type, kMaxArguments> parameters{};
    Type result = Type::Void;
};

// Binds the method of object that a call of the member id (found by name)
// with argumentCount arguments reaches; false when that member is no plain
// method of the object's class.
bool bindHostMethod(const QObject* object, automation::DispId id, int argumentCount, HostMethod& out);

// Calls the bound method on object, whose class is the one it was bound for.
automation::Variant callHostMethod(QObject* object, const HostMethod& method, const QList<automation::Variant>& args);

}  // namespace vbscript
