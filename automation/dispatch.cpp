#include "automation/dispatch.h"

#include <QHash>
#include <QMetaMethod>
#include <QMetaProperty>

#include <map>
#include <mutex>

namespace automation {

Dispatch::~Dispatch() = default;

DispId Dispatch::requireId(const QString& name) const
{
    const DispId id = memberId(name);
    if (id == kDispIdUnknown)
        throw AutomationError(error::kNoSuchMember,
                              standardDescription(error::kNoSuchMember) + QStringLiteral(": '%1'").arg(name));
    return id;
}

Variant Dispatch::get(const QString& name, QList<Variant> args)
{
    return invoke(requireId(name), CallKind::PropertyGet | CallKind::Method, args);
}

void Dispatch::put(const QString& name, const Variant& value)
{
    QList<Variant> args{value};
    invoke(requireId(name), CallKind::PropertyPut, args);
}

Variant Dispatch::call(const QString& name, QList<Variant> args)
{
    return invoke(requireId(name), CallKind::Method | CallKind::PropertyGet, args);
}

namespace {

// One member of a QObject class: a property or a group of invokable overloads
// that share a name (Qt makes one overload per default argument).
struct Member {
    DispId id = kDispIdUnknown;
    QString name;
    int propertyIndex = -1;
    QList<int> methodIndexes;
    int putMethodIndex = -1;
};

struct MemberTable {
    QString typeName;
    QList<Member> members;
    QHash<QString, qsizetype> byName;  // lower-case name
    QHash<DispId, qsizetype> byId;
    DispId defaultId = kDispIdUnknown;
    int newEnumMethod = -1;
};

QByteArray classInfo(const QMetaObject* mo, const char* key)
{
    const int i = mo->indexOfClassInfo(key);
    return i >= 0 ? QByteArray(mo->classInfo(i).value()) : QByteArray();
}

MemberTable buildTable(const QMetaObject* mo)
{
    MemberTable table;
    const QByteArray typeName = classInfo(mo, "TypeName");
    table.typeName = QString::fromLatin1(typeName.isEmpty() ? QByteArray(mo->className()) : typeName);
    if (table.typeName.contains(QLatin1String("::")))
        table.typeName = table.typeName.section(QLatin1String("::"), -1);

    DispId next = 1;
    auto assignId = [&](const QByteArray& name) {
        const QByteArray fixed = classInfo(mo, ("DispId." + name).constData());
        bool ok = false;
        const int id = fixed.toInt(&ok);
        if (ok) {
            if (id > 0)
                next = std::max(next, id + 1);
            return DispId(id);
        }
        return next++;
    };
    auto add = [&](Member member) {
        const qsizetype index = table.members.size();
        table.byName.insert(member.name.toLower(), index);
        table.byId.insert(member.id, index);
        table.members.append(std::move(member));
    };

    for (int i = QObject::staticMetaObject.propertyCount(); i < mo->propertyCount(); ++i) {
        const QMetaProperty p = mo->property(i);
        Member m;
        m.name = QString::fromLatin1(p.name());
        m.propertyIndex = i;
        m.id = assignId(p.name());
        add(std::move(m));
    }
    for (int i = QObject::staticMetaObject.methodCount(); i < mo->methodCount(); ++i) {
        const QMetaMethod method = mo->method(i);
        if (method.methodType() != QMetaMethod::Method || method.access() != QMetaMethod::Public)
            continue;
        const QString name = QString::fromLatin1(method.name());
        if (name == QLatin1String("_NewEnum")) {
            table.newEnumMethod = i;
            continue;
        }
        auto found = table.byName.find(name.toLower());
        if (found != table.byName.end() && table.members[*found].propertyIndex < 0) {
            table.members[*found].methodIndexes.append(i);
            continue;
        }
        Member m;
        m.name = name;
        m.methodIndexes.append(i);
        m.id = assignId(method.name());
        add(std::move(m));
    }
    // Writable members with arguments name the method that stores them.
    for (Member& m : table.members) {
        const QByteArray putName = classInfo(mo, ("PutMethod." + m.name.toLatin1()).constData());
        if (putName.isEmpty())
            continue;
        for (int i = QObject::staticMetaObject.methodCount(); i < mo->methodCount(); ++i) {
            if (mo->method(i).name() == putName)
                m.putMethodIndex = i;
        }
    }
    const QByteArray defaultMember = classInfo(mo, "DefaultMember");
    if (!defaultMember.isEmpty()) {
        auto found = table.byName.find(QString::fromLatin1(defaultMember).toLower());
        if (found != table.byName.end())
            table.defaultId = table.members[*found].id;
    }
    return table;
}

const MemberTable& tableFor(const QMetaObject* mo)
{
    // Tables are built once per class; everything runs on the UI thread, but
    // tests and tools may touch classes from other threads, so guard it.
    static std::mutex mutex;
    static std::map<const QMetaObject*, MemberTable> tables;
    std::lock_guard lock(mutex);
    auto it = tables.find(mo);
    if (it == tables.end())
        it = tables.emplace(mo, buildTable(mo)).first;
    return it->second;
}

// Storage for one argument or a result of a meta-call.
class MetaValue {
public:
    explicit MetaValue(QMetaType type) : type_(type), data_(type.isValid() ? type.create() : nullptr) {}
    ~MetaValue()
    {
        if (data_)
            type_.destroy(data_);
    }
    MetaValue(const MetaValue&) = delete;
    MetaValue& operator=(const MetaValue&) = delete;
    void* data() const { return data_; }
    QMetaType type() const { return type_; }

private:
    QMetaType type_;
    void* data_;
};

QMetaType parameterType(const QMetaMethod& method, int i, bool* byRef)
{
    QByteArray name = method.parameterTypeName(i);
    *byRef = name.endsWith('&') && !name.startsWith("const ");
    if (name.endsWith('&'))
        name.chop(1);
    if (name.startsWith("const "))
        name = name.mid(6);
    QMetaType type = method.parameterMetaType(i);
    if (!type.isValid() || *byRef)
        type = QMetaType::fromName(name);
    return type;
}

void assignFromVariant(const MetaValue& target, const Variant& value)
{
    void* p = target.data();
    const QMetaType type = target.type();
    if (type == QMetaType::fromType<Variant>()) {
        *static_cast<Variant*>(p) = value;
        return;
    }
    switch (type.id()) {
    case QMetaType::Int: *static_cast<int*>(p) = value.toLong(); return;
    case QMetaType::Short: *static_cast<short*>(p) = value.toInteger(); return;
    case QMetaType::UChar: *static_cast<uchar*>(p) = value.toByte(); return;
    case QMetaType::Bool: *static_cast<bool*>(p) = value.toBool(); return;
    case QMetaType::Double: *static_cast<double*>(p) = value.toDouble(); return;
    case QMetaType::Float: *static_cast<float*>(p) = value.toSingle(); return;
    case QMetaType::QString: *static_cast<QString*>(p) = value.toString(); return;
    case QMetaType::QByteArray: *static_cast<QByteArray*>(p) = value.toString().toLatin1(); return;
    case QMetaType::QDateTime: *static_cast<QDateTime*>(p) = fromOleDate(value.toDate()); return;
    case QMetaType::QVariant: *static_cast<QVariant*>(p) = value.toQVariant(); return;
    case QMetaType::QObjectStar: *static_cast<QObject**>(p) = objectOf(value.toObject()); return;
    default: break;
    }
    if (type == QMetaType::fromType<DispatchRef>()) {
        *static_cast<DispatchRef*>(p) = value.toObject();
        return;
    }
    if (type.flags().testFlag(QMetaType::PointerToQObject)) {
        QObject* object = objectOf(value.toObject());
        if (object && type.metaObject() && !object->metaObject()->inherits(type.metaObject()))
            throw AutomationError(error::kTypeMismatch);
        *static_cast<QObject**>(p) = object;
        return;
    }
    if (type == QMetaType::fromType<QList<Variant>>()) {
        if (!value.isArray())
            throw AutomationError(error::kTypeMismatch);
        *static_cast<QList<Variant>*>(p) = value.arrayRef().elements();
        return;
    }
    throw AutomationError(error::kTypeMismatch);
}

Variant toVariant(const MetaValue& value)
{
    const QMetaType type = value.type();
    if (!type.isValid() || type.id() == QMetaType::Void)
        return {};
    if (type == QMetaType::fromType<Variant>())
        return *static_cast<const Variant*>(value.data());
    if (type == QMetaType::fromType<DispatchRef>())
        return Variant(*static_cast<const DispatchRef*>(value.data()));
    return Variant::fromQVariant(QVariant(type, value.data()));
}

class QObjectDispatch final : public Dispatch {
public:
    explicit QObjectDispatch(QObject* object) : object_(object), table_(tableFor(object->metaObject())) {}

    DispId memberId(const QString& name) const override
    {
        if (name.isEmpty())
            return table_.defaultId == kDispIdUnknown ? kDispIdUnknown : kDispIdValue;
        const auto it = table_.byName.find(name.toLower());
        return it == table_.byName.end() ? kDispIdUnknown : table_.members[*it].id;
    }

    QString typeName() const override { return table_.typeName; }
    const void* identity() const override { return object_.data(); }

    Variant invoke(DispId id, CallKind kind, QList<Variant>& args) override
    {
        QObject* object = live();
        if (id == kDispIdValue) {
            if (table_.defaultId == kDispIdUnknown)
                throw AutomationError(error::kNoSuchMember);
            id = table_.defaultId;
        }
        const auto it = table_.byId.find(id);
        if (it == table_.byId.end())
            throw AutomationError(error::kNoSuchMember);
        const Member& member = table_.members[*it];
        const bool put = hasKind(kind, CallKind::PropertyPut) || hasKind(kind, CallKind::PropertyPutRef);
        if (member.propertyIndex >= 0)
            return invokeProperty(object, member, put, args);
        if (put) {
            if (member.putMethodIndex < 0)
                throw AutomationError::readOnly();
            return invokeMethod(object, {member.putMethodIndex}, args);
        }
        return invokeMethod(object, member.methodIndexes, args);
    }

    std::optional<QList<Variant>> enumerate() override
    {
        if (table_.newEnumMethod < 0)
            return std::nullopt;
        QList<Variant> none;
        const Variant items = invokeMethod(live(), {table_.newEnumMethod}, none);
        if (!items.isArray())
            return std::nullopt;
        return items.arrayRef().elements();
    }

private:
    QObject* live() const
    {
        if (!object_)
            throw AutomationError(error::kObjectDisconnected);
        return object_.data();
    }

    Variant invokeProperty(QObject* object, const Member& member, bool put, QList<Variant>& args)
    {
        const QMetaProperty p = object->metaObject()->property(member.propertyIndex);
        if (put) {
            if (!p.isWritable())
                throw AutomationError::readOnly();
            if (args.size() != 1)
                throw AutomationError(error::kWrongArgumentCount);
            MetaValue value(p.metaType());
            assignFromVariant(value, args.first());
            p.write(object, QVariant(p.metaType(), value.data()));
            return {};
        }
        const QVariant raw = p.read(object);
        const Variant value = p.metaType() == QMetaType::fromType<Variant>() ? raw.value<Variant>()
                                                                             : Variant::fromQVariant(raw);
        if (args.isEmpty())
            return value;
        // Arguments after a property that returns an object go to that object's
        // default member: Application.Lines(1) is Application.Lines.Item(1).
        if (!value.isObject() || value.isNothing())
            throw AutomationError(error::kWrongArgumentCount);
        return value.objectRef()->invoke(kDispIdValue, CallKind::Method | CallKind::PropertyGet, args);
    }

    Variant invokeMethod(QObject* object, const QList<int>& overloads, QList<Variant>& args)
    {
        const QMetaObject* mo = object->metaObject();
        for (int index : overloads) {
            const QMetaMethod method = mo->method(index);
            if (method.parameterCount() != args.size())
                continue;
            std::vector<std::unique_ptr<MetaValue>> storage;
            std::vector<bool> byRef;
            void* argv[11] = {};
            if (args.size() > 10)
                throw AutomationError(error::kWrongArgumentCount);
            MetaValue result(method.returnMetaType());
            argv[0] = result.data();
            for (int i = 0; i < method.parameterCount(); ++i) {
                bool ref = false;
                const QMetaType type = parameterType(method, i, &ref);
                if (!type.isValid())
                    throw AutomationError(error::kTypeMismatch);
                storage.push_back(std::make_unique<MetaValue>(type));
                assignFromVariant(*storage.back(), args[i]);
                byRef.push_back(ref);
                argv[i + 1] = storage.back()->data();
            }
            QPointer<QObject> guard(object);
            mo->metacall(object, QMetaObject::InvokeMetaMethod, index, argv);
            for (int i = 0; i < method.parameterCount(); ++i) {
                if (byRef[i])
                    args[i] = toVariant(*storage[i]);
            }
            return toVariant(result);
        }
        throw AutomationError(error::kWrongArgumentCount);
    }

    QPointer<QObject> object_;
    const MemberTable& table_;
};

}  // namespace

DispatchRef dispatchFor(QObject* object)
{
    if (!object)
        return {};
    return std::make_shared<QObjectDispatch>(object);
}

QObject* objectOf(const DispatchRef& ref)
{
    if (auto* adaptor = dynamic_cast<QObjectDispatch*>(ref.get()))
        return static_cast<QObject*>(const_cast<void*>(adaptor->identity()));
    return nullptr;
}

namespace {

class OwningDispatch : public Dispatch {
public:
    explicit OwningDispatch(std::unique_ptr<QObject> object)
        : object_(std::move(object)), inner_(dispatchFor(object_.get())) {}
    DispId memberId(const QString& name) const override { return inner_->memberId(name); }
    Variant invoke(DispId id, CallKind kind, QList<Variant>& args) override { return inner_->invoke(id, kind, args); }
    QString typeName() const override { return inner_->typeName(); }
    const void* identity() const override { return object_.get(); }
    std::optional<QList<Variant>> enumerate() override { return inner_->enumerate(); }
    QObject* object() const { return object_.get(); }

private:
    std::unique_ptr<QObject> object_;
    DispatchRef inner_;
};

}  // namespace

DispatchRef owningDispatchFor(std::unique_ptr<QObject> object)
{
    return std::make_shared<OwningDispatch>(std::move(object));
}

QObject* qobjectBehind(const DispatchRef& ref)
{
    if (QObject* q = objectOf(ref))
        return q;
    auto* owning = dynamic_cast<OwningDispatch*>(ref.get());
    return owning ? owning->object() : nullptr;
}

QList<MemberInfo> membersOf(const QMetaObject* metaObject)
{
    QList<MemberInfo> result;
    const MemberTable& table = tableFor(metaObject);
    for (const Member& m : table.members) {
        MemberInfo info;
        info.id = m.id;
        info.name = m.name;
        if (m.propertyIndex >= 0) {
            info.isProperty = true;
            info.writable = metaObject->property(m.propertyIndex).isWritable();
        } else {
            info.writable = m.putMethodIndex >= 0;
            info.argumentCount = metaObject->method(m.methodIndexes.first()).parameterCount();
        }
        result.append(info);
    }
    return result;
}

}  // namespace automation
