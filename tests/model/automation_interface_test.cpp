// The object model as a script sees it: through the dispatch interfaces only.

#include "korvane/model/application.h"

#include "automation/dispatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace automation;

namespace {

Variant number(qint32 n) { return Variant(n); }

// The error a call raises: its number and description, or 0 when it succeeds.
std::pair<int, QString> errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AutomationError& e) {
        return {e.number(), e.description()};
    }
    return {0, QString()};
}

void expectIds(const QMetaObject* mo, const QStringList& names)
{
    const QList<MemberInfo> members = membersOf(mo);
    ASSERT_EQ(members.size(), names.size()) << mo->className();
    for (qsizetype i = 0; i < names.size(); ++i) {
        EXPECT_EQ(members[i].name, names[i]) << mo->className();
        EXPECT_EQ(members[i].id, DispId(i + 1)) << mo->className() << ' ' << names[i].toStdString();
    }
}

void expectReadOnly(const DispatchRef& d, const QString& name, const Variant& value)
{
    const auto [number, text] = errorOf([&] { d->put(name, value); });
    EXPECT_EQ(number, error::kReadOnly) << name.toStdString();
    EXPECT_EQ(text, QStringLiteral("Unable to write read-only property.")) << name.toStdString();
}

class ToyControl : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Screen READ screen)
public:
    QString screen() const { return QStringLiteral("Menu 24.1 "); }
};

}  // namespace

TEST(ObjectModelAutomationTest, DispatchIdsFollowTheDeclaredOrder)
{
    expectIds(&CLine::staticMetaObject,
              {"Channel", "Link", "Type", "PacketsSent", "PacketsReceived", "Errors", "LineUtilization",
               "AverageLineUtilization", "UpTime", "IpAddress", "CLID", "User"});
    expectIds(&CLines::staticMetaObject, {"Count", "Item"});
    expectIds(&CCallInfo::staticMetaObject,
              {"PhoneNumber", "Direction", "BaudRate", "NoOfCalls", "MinTime", "MaxTime", "TotalTime"});
    expectIds(&CCallInfos::staticMetaObject, {"Count", "Item"});
    expectIds(&CApplication::staticMetaObject,
              {"TotalOutcallTime", "Lines", "LastCallLanPacket", "Tty", "CallInfos", "KorvaneEnabled"});
}

TEST(ObjectModelAutomationTest, LinesAsAScriptReadsThem)
{
    CApplication app;
    app.lines().line2().SetLink(QStringLiteral(" Office "));
    app.lines().line2().SetChannel(QStringLiteral("B2"));
    DispatchRef d = dispatchFor(&app);

    const Variant lines = d->get(QStringLiteral("LINES"));
    ASSERT_TRUE(lines.isObject());
    EXPECT_EQ(lines.objectRef()->get(QStringLiteral("count")).toLong(), 2);
    // Application.Lines(2) is Lines.Item(2); a line read as a value is its Link.
    const Variant line2 = d->get(QStringLiteral("Lines"), {number(2)});
    ASSERT_TRUE(line2.isObject());
    EXPECT_EQ(objectOf(line2.objectRef()), &app.lines().line2());
    EXPECT_EQ(line2.toString(), QStringLiteral("Office"));
    EXPECT_EQ(line2.objectRef()->get(QStringLiteral("cHaNnEl")).toLong(), 2);
    EXPECT_EQ(lines.objectRef()->get(QStringLiteral("Item"), {Variant("1")}).objectRef()->get(QStringLiteral("Channel")).toLong(), 0);
    // Out of range is no object, not an error.
    for (qint32 index : {0, 3, -1, 1000})
        EXPECT_TRUE(lines.objectRef()->get(QStringLiteral("Item"), {number(index)}).isNothing()) << index;
    EXPECT_EQ(line2.objectRef()->get(QStringLiteral("Type")).type(), VarType::Long);
}

TEST(ObjectModelAutomationTest, CallInfosAreIndexedFromZero)
{
    CApplication app;
    app.callInfos().entry(9)->SetPhoneNumber(QStringLiteral("5559999"));
    app.callInfos().entry(0)->SetPhoneNumber(QStringLiteral("5550000"));
    DispatchRef d = dispatchFor(&app);
    const Variant calls = d->get(QStringLiteral("callinfos"));
    EXPECT_EQ(calls.objectRef()->get(QStringLiteral("Count")).toLong(), 10);
    EXPECT_EQ(d->get(QStringLiteral("CallInfos"), {number(9)}).toString(), QStringLiteral("5559999"));
    EXPECT_EQ(d->get(QStringLiteral("CallInfos"), {number(0)}).toString(), QStringLiteral("5550000"));
    EXPECT_TRUE(d->get(QStringLiteral("CallInfos"), {number(10)}).isNothing());
    EXPECT_TRUE(d->get(QStringLiteral("CallInfos"), {number(-1)}).isNothing());
    const Variant call = d->get(QStringLiteral("CallInfos"), {number(9)});
    EXPECT_EQ(call.objectRef()->get(QStringLiteral("noofcalls")).toLong(), 0);
    EXPECT_EQ(call.objectRef()->get(QStringLiteral("MaxTime")).toString(), QString());
}

TEST(ObjectModelAutomationTest, CollectionsAreTheEmbeddedObjectsEveryTime)
{
    CApplication app;
    DispatchRef d = dispatchFor(&app);
    EXPECT_EQ(d->get(QStringLiteral("Lines")), d->get(QStringLiteral("Lines")));
    EXPECT_EQ(objectOf(d->get(QStringLiteral("Lines")).objectRef()), &app.lines());
    EXPECT_EQ(objectOf(d->get(QStringLiteral("CallInfos")).objectRef()), &app.callInfos());
    // A reference kept by a script sees later changes.
    const Variant line1 = d->get(QStringLiteral("Lines"), {number(1)});
    app.lines().line1().SetLink(QStringLiteral("Later"));
    EXPECT_EQ(line1.toString(), QStringLiteral("Later"));
}

TEST(ObjectModelAutomationTest, EveryReadOnlyWriteFailsAndChangesNothing)
{
    CApplication app;
    app.lines().line1().SetErrors(QStringLiteral("7"));
    DispatchRef d = dispatchFor(&app);
    const DispatchRef lines = d->get(QStringLiteral("Lines")).objectRef();
    const DispatchRef line = lines->get(QStringLiteral("Item"), {number(1)}).objectRef();
    const DispatchRef calls = d->get(QStringLiteral("CallInfos")).objectRef();
    const DispatchRef call = calls->get(QStringLiteral("Item"), {number(0)}).objectRef();

    for (const MemberInfo& m : membersOf(&CLine::staticMetaObject)) {
        if (m.name != QLatin1String("User"))
            expectReadOnly(line, m.name, number(5));
    }
    for (const MemberInfo& m : membersOf(&CCallInfo::staticMetaObject))
        expectReadOnly(call, m.name, number(5));
    for (const DispatchRef& collection : {lines, calls}) {
        expectReadOnly(collection, QStringLiteral("Count"), number(5));
        expectReadOnly(collection, QStringLiteral("Item"), number(5));
    }
    for (const char* name : {"TotalOutcallTime", "Lines", "LastCallLanPacket", "Tty", "CallInfos"})
        expectReadOnly(d, QString::fromLatin1(name), Variant("x"));
    EXPECT_EQ(app.lines().line1().errors(), 7);
    EXPECT_TRUE(app.totalOutcallTime().isEmpty());
}

TEST(ObjectModelAutomationTest, UserIsTheScriptsOwnText)
{
    CApplication app;
    DispatchRef line = dispatchFor(&app)->get(QStringLiteral("Lines"), {number(1)}).objectRef();
    line->put(QStringLiteral("user"), Variant("watched"));
    EXPECT_EQ(app.lines().line1().user(), QStringLiteral("watched"));
    line->put(QStringLiteral("User"), number(42));
    EXPECT_EQ(line->get(QStringLiteral("User")).toString(), QStringLiteral("42"));
    EXPECT_TRUE(app.lines().line2().user().isEmpty());
}

TEST(ObjectModelAutomationTest, DefaultMembersAndTheApplicationHasNone)
{
    CApplication app;
    app.callInfos().entry(2)->SetPhoneNumber(QStringLiteral("0301234"));
    DispatchRef d = dispatchFor(&app);
    QList<Variant> none;
    const DispatchRef call = d->get(QStringLiteral("CallInfos"), {number(2)}).objectRef();
    EXPECT_EQ(call->invoke(kDispIdValue, CallKind::PropertyGet, none).toString(), QStringLiteral("0301234"));
    const DispatchRef calls = d->get(QStringLiteral("CallInfos")).objectRef();
    QList<Variant> two{number(2)};
    EXPECT_EQ(objectOf(calls->invoke(kDispIdValue, CallKind::Method | CallKind::PropertyGet, two).objectRef()),
              app.callInfos().entry(2));
    EXPECT_EQ(d->memberId(QString()), kDispIdUnknown);
    EXPECT_EQ(errorOf([&] { d->invoke(kDispIdValue, CallKind::PropertyGet, none); }).first, error::kNoSuchMember);
}

TEST(ObjectModelAutomationTest, KorvaneEnabledGoesThroughTheControllerHook)
{
    CApplication app;
    DispatchRef d = dispatchFor(&app);
    EXPECT_TRUE(d->get(QStringLiteral("KorvaneEnabled")).toBool());
    d->put(QStringLiteral("korvaneenabled"), number(0));
    EXPECT_FALSE(d->get(QStringLiteral("KorvaneEnabled")).toBool());
    d->put(QStringLiteral("KorvaneEnabled"), number(5));
    EXPECT_EQ(d->get(QStringLiteral("KorvaneEnabled")), Variant(true));

    QList<bool> calls;
    bool monitoring = true;
    app.setMonitoringHook({[&] { return monitoring; },
                           [&](bool on) {
                               calls.append(on);
                               monitoring = on;
                           }});
    d->put(QStringLiteral("KorvaneEnabled"), Variant(false));
    d->put(QStringLiteral("KorvaneEnabled"), Variant(-1.5));
    EXPECT_EQ(calls, (QList<bool>{false, true}));
    monitoring = false;
    EXPECT_FALSE(d->get(QStringLiteral("KorvaneEnabled")).toBool());
    EXPECT_EQ(errorOf([&] { d->put(QStringLiteral("KorvaneEnabled"), Variant("maybe")); }).first,
              error::kTypeMismatch);
    EXPECT_EQ(calls.size(), 2);
}

TEST(ObjectModelAutomationTest, TtyIsTheControlOrNoObject)
{
    CApplication app;
    DispatchRef d = dispatchFor(&app);
    EXPECT_TRUE(d->get(QStringLiteral("Tty")).isNothing());
    {
        ToyControl control;
        app.setTty(&control);
        const Variant tty = d->get(QStringLiteral("tty"));
        ASSERT_TRUE(tty.isObject());
        EXPECT_EQ(objectOf(tty.objectRef()), &control);
        EXPECT_EQ(tty.objectRef()->get(QStringLiteral("Screen")).toString(), QStringLiteral("Menu 24.1 "));
    }
    // The view that owned the control is gone.
    EXPECT_TRUE(d->get(QStringLiteral("Tty")).isNothing());

    ToyControl other;
    DispatchRef ref = dispatchFor(&other);
    app.setTty(ref);
    EXPECT_EQ(d->get(QStringLiteral("Tty")).objectRef(), ref);
    app.setTty(static_cast<QObject*>(nullptr));
    EXPECT_TRUE(d->get(QStringLiteral("Tty")).isNothing());
}

#include "automation_interface_test.moc"
