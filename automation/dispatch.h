#pragma once
// The dispatch interface: members looked up by name without regard to case,
// invoked by id as property get, property put or method call.
//
// QObject classes become automation objects through dispatchFor(): their
// Q_PROPERTYs (declared order) and then their Q_INVOKABLE methods are the
// members, numbered from 1 in that order. Class info adds what Qt lacks:
//   Q_CLASSINFO("DispId.IsOpen", "11")      an id other than the next one
//   Q_CLASSINFO("DefaultMember", "Link")    the member behind id 0
//   Q_CLASSINFO("PutMethod.Item", "SetItem") a writable member with arguments
//   Q_CLASSINFO("EventId.OnError", "3")     an event id (signals count from 1)
//   Q_CLASSINFO("TypeName", "ILine")        the name TypeName reports
// A Q_INVOKABLE method with a reference parameter (int&, QString&,
// automation::Variant&) is a by-reference parameter: the value the method
// leaves there is handed back to the caller in its argument list.

#include "automation/errors.h"
#include "automation/variant.h"

#include <QObject>
#include <QPointer>

#include <optional>

namespace automation {

using DispId = qint32;
inline constexpr DispId kDispIdUnknown = -1;
inline constexpr DispId kDispIdValue = 0;
inline constexpr DispId kDispIdNewEnum = -4;
inline constexpr DispId kDispIdAboutBox = -552;

// How a member is invoked; a caller that cannot tell a method from a property
// (as VBScript cannot for "a.b(1)") passes Method | PropertyGet.
enum class CallKind : int {
    Method = 1,
    PropertyGet = 2,
    PropertyPut = 4,
    PropertyPutRef = 8,
};
constexpr CallKind operator|(CallKind a, CallKind b) { return CallKind(int(a) | int(b)); }
constexpr bool hasKind(CallKind set, CallKind kind) { return (int(set) & int(kind)) != 0; }

class Dispatch {
public:
    virtual ~Dispatch();

    // The id of a member, or kDispIdUnknown. Names are matched without regard to case.
    virtual DispId memberId(const QString& name) const = 0;
    // Invokes a member. For a put the new value is the last argument. A member
    // may write back by-reference arguments into args. Throws AutomationError.
    virtual Variant invoke(DispId id, CallKind kind, QList<Variant>& args) = 0;
    // The name TypeName reports.
    virtual QString typeName() const = 0;
    // What "Is" compares: two references to one object have one identity.
    virtual const void* identity() const { return this; }
    // The elements For Each walks, when the object is a collection.
    virtual std::optional<QList<Variant>> enumerate() { return std::nullopt; }

    // Conveniences by name; they throw 438 for an unknown name.
    Variant get(const QString& name, QList<Variant> args = {});
    void put(const QString& name, const Variant& value);
    Variant call(const QString& name, QList<Variant> args = {});
    DispId requireId(const QString& name) const;
};

// The dispatch interface of a QObject. The object stays owned by its C++
// owner: dropping every reference never destroys it, and a reference that
// outlives the object fails with error 462 instead of crashing.
DispatchRef dispatchFor(QObject* object);
// The QObject behind a reference made by dispatchFor, or null.
QObject* objectOf(const DispatchRef& ref);
// A reference that owns its object: the last reference dropped deletes it.
DispatchRef owningDispatchFor(std::unique_ptr<QObject> object);
// The QObject behind a reference of dispatchFor or owningDispatchFor, or null.
QObject* qobjectBehind(const DispatchRef& ref);

// What the layer knows of a class: for tests, type libraries and engines that
// list members.
struct MemberInfo {
    DispId id = kDispIdUnknown;
    QString name;
    bool isProperty = false;
    bool writable = false;
    int argumentCount = 0;
};
QList<MemberInfo> membersOf(const QMetaObject* metaObject);

}  // namespace automation

Q_DECLARE_METATYPE(automation::DispatchRef)
