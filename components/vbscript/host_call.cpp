#include "components/vbscript/host_call.h"

#include <QMetaMethod>
#include <QObject>

#include <optional>

namespace vbscript {

using automation::Variant;

namespace {

using Type = HostMethod::Type;

// The type of a value passed in or out, when it is one the binding takes.
std::optional<Type> plainType(QMetaType type)
{
    if (type == QMetaType::fromType<Variant>())
        return Type::Variant;
    switch (type.id()) {
    case QMetaType::Int: return Type::Int;
    case QMetaType::Double: return Type::Double;
    case QMetaType::Bool: return Type::Bool;
    case QMetaType::QString: return Type::String;
    default: return std::nullopt;
    }
}

}  // namespace

bool bindHostMethod(const QObject* object, automation::DispId id, int argumentCount, HostMethod& out)
{
    if (argumentCount > HostMethod::kMaxArguments)
        return false;
    const QMetaObject* mo = object->metaObject();
    // The member behind the id: a method, and the only member with that id.
    QString name;
    int withId = 0;
    for (const automation::MemberInfo& info : automation::membersOf(mo)) {
        if (info.id != id)
            continue;
        ++withId;
        if (info.isProperty)
            return false;
        name = info.name;
    }
    if (withId != 1)
        return false;
    // Its overloads in the order the dispatch interface tries them: the first
    // that takes as many arguments as given is the one called.
    for (int i = QObject::staticMetaObject.methodCount(); i < mo->methodCount(); ++i) {
        const QMetaMethod method = mo->method(i);
        if (method.methodType() != QMetaMethod::Method || method.access() != QMetaMethod::Public)
            continue;
        if (QString::fromLatin1(method.name()).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (method.parameterCount() != argumentCount)
            continue;
        HostMethod m;
        m.metaObject = mo;
        m.index = i;
        m.argumentCount = argumentCount;
        for (int p = 0; p < argumentCount; ++p) {
            const QByteArray typeName = method.parameterTypeName(p);
            if (typeName.endsWith('&') && !typeName.startsWith("const "))
                return false;  // by reference: the value comes back
            const std::optional<Type> type = plainType(method.parameterMetaType(p));
            if (!type)
                return false;
            m.parameters[size_t(p)] = *type;
        }
        const QMetaType result = method.returnMetaType();
        if (!result.isValid() || result.id() == QMetaType::Void) {
            m.result = Type::Void;
        } else if (const std::optional<Type> type = plainType(result)) {
            m.result = *type;
        } else {
            return false;
        }
        out = m;
        return true;
    }
    return false;
}

Variant callHostMethod(QObject* object, const HostMethod& m, const QList<Variant>& args)
{
    constexpr int k = HostMethod::kMaxArguments;
    int ints[k + 1] = {};
    double doubles[k + 1] = {};
    bool bools[k + 1] = {};
    QString strings[k + 1];
    std::optional<Variant> variants[k + 1];
    void* argv[k + 1] = {};
    auto place = [&](int slot, Type type) -> void* {
        switch (type) {
        case Type::Void: return nullptr;
        case Type::Int: return &ints[slot];
        case Type::Double: return &doubles[slot];
        case Type::Bool: return &bools[slot];
        case Type::String: return &strings[slot];
        case Type::Variant: return &variants[slot].emplace();
        }
        return nullptr;
    };
    // Converted in order, so that the first argument that does not convert
    // raises its error, as through the dispatch interface.
    for (int i = 0; i < m.argumentCount; ++i) {
        const Variant& value = args[i];
        const Type type = m.parameters[size_t(i)];
        void* p = place(i + 1, type);
        switch (type) {
        case Type::Int: *static_cast<int*>(p) = value.toLong(); break;
        case Type::Double: *static_cast<double*>(p) = value.toDouble(); break;
        case Type::Bool: *static_cast<bool*>(p) = value.toBool(); break;
        case Type::String: *static_cast<QString*>(p) = value.toString(); break;
        case Type::Variant: *static_cast<Variant*>(p) = value; break;
        case Type::Void: break;
        }
        argv[i + 1] = p;
    }
    argv[0] = place(0, m.result);
    QMetaObject::metacall(object, QMetaObject::InvokeMetaMethod, m.index, argv);
    switch (m.result) {
    case Type::Void: return {};
    case Type::Int: return Variant(qint32(ints[0]));
    case Type::Double: return Variant(doubles[0]);
    case Type::Bool: return Variant(bools[0]);
    case Type::String: return Variant(std::move(strings[0]));
    case Type::Variant: return std::move(*variants[0]);
    }
    return {};
}

}  // namespace vbscript
