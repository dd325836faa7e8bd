// The object model as a script sees it: through the dispatch interfaces only.

#include "korvane/model/application.h"

#include "automation/dispatch.h"

#include <gtest/gtest.h>

#include <functional>

using namespace automation;

namespace {

Variant number(qint32 n) { return Variant(n); }

int errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number() == error::kReadOnly, e.description() == QStringLiteral("Unable to write read-only property."));
        return e.number();
    }
    return 0;
}

void expectIds(const QMetaObject* mo, const QStringList& names)
{
    QStringList declared;
    for (const MemberInfo& m : membersOf(mo)) {
        EXPECT_EQ(m.id, DispId(declared.size() + 1)) << mo->className();
        declared << m.name;
    }
    EXPECT_EQ(declared, names);
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
               "AverageLineUtilization", "UpTime", "IpAddress", "CLID", "User", "CallerName"});
    expectIds(&CLines::staticMetaObject, {"Count", "Item"});
    expectIds(&CCallInfo::staticMetaObject,
              {"PhoneNumber", "Direction", "BaudRate", "NoOfCalls", "MinTime", "MaxTime", "TotalTime"});
    expectIds(&CCallInfos::staticMetaObject, {"Count", "Item"});
    expectIds(&CApplication::staticMetaObject,
              {"TotalOutcallTime", "Lines", "LastCallLanPacket", "Tty", "CallInfos", "KorvaneEnabled"});
}

TEST(ObjectModelAutomationTest, LinesFromOneWithLinkAsTheLinesValue)
{
    CApplication app;
    DispatchRef d = dispatchFor(&app);
    const DispatchRef lines = d->get(QStringLiteral("LINES")).objectRef();
    // Before any status screen: two lines, idle and empty.
    EXPECT_EQ(lines->get(QStringLiteral("count")).toLong(), 2);
    const DispatchRef line1 = lines->get(QStringLiteral("Item"), {Variant("1")}).objectRef();
    EXPECT_EQ(line1->get(QStringLiteral("Channel")), number(0));
    EXPECT_EQ(line1->get(QStringLiteral("Link")).toString(), QString());

    app.lines().line2().SetLink(QStringLiteral(" Office "));
    app.lines().line2().SetChannel(QStringLiteral("B2"));
    // Application.Lines(2) is Lines.Item(2); a line read as a value is its Link.
    const Variant line2 = d->get(QStringLiteral("Lines"), {number(2)});
    EXPECT_EQ(objectOf(line2.objectRef()), &app.lines().line2());
    EXPECT_EQ(line2.toString(), QStringLiteral("Office"));
    EXPECT_EQ(line2.objectRef()->get(QStringLiteral("cHaNnEl")), number(2));
    for (qint32 index : {0, 3, -1})
        EXPECT_TRUE(lines->get(QStringLiteral("Item"), {number(index)}).isNothing()) << index;
    // The collections are the embedded objects, every time.
    EXPECT_EQ(d->get(QStringLiteral("Lines")), d->get(QStringLiteral("Lines")));
    EXPECT_EQ(objectOf(d->get(QStringLiteral("CallInfos")).objectRef()), &app.callInfos());
}

TEST(ObjectModelAutomationTest, CallInfosFromZeroWithPhoneNumberAsTheCallsValue)
{
    CApplication app;
    app.callInfos().entry(9)->SetPhoneNumber(QStringLiteral("5559999"));
    app.callInfos().entry(0)->SetPhoneNumber(QStringLiteral("5550000"));
    DispatchRef d = dispatchFor(&app);
    EXPECT_EQ(d->get(QStringLiteral("callinfos")).objectRef()->get(QStringLiteral("Count")), number(10));
    EXPECT_EQ(d->get(QStringLiteral("CallInfos"), {number(9)}).toString(), QStringLiteral("5559999"));
    EXPECT_EQ(d->get(QStringLiteral("CallInfos"), {number(0)}).toString(), QStringLiteral("5550000"));
    EXPECT_TRUE(d->get(QStringLiteral("CallInfos"), {number(10)}).isNothing());
    EXPECT_TRUE(d->get(QStringLiteral("CallInfos"), {number(-1)}).isNothing());
    EXPECT_EQ(d->get(QStringLiteral("CallInfos"), {number(1)}).objectRef()->get(QStringLiteral("noofcalls")), number(0));
    // The application itself has no default member.
    QList<Variant> none;
    EXPECT_EQ(errorOf([&] { d->invoke(kDispIdValue, CallKind::PropertyGet, none); }), error::kNoSuchMember);
}

TEST(ObjectModelAutomationTest, OnlyUserAndKorvaneEnabledAreWritable)
{
    CApplication app;
    app.lines().line1().SetErrors(QStringLiteral("7"));
    DispatchRef d = dispatchFor(&app);
    const DispatchRef lines = d->get(QStringLiteral("Lines")).objectRef();
    const DispatchRef line = lines->get(QStringLiteral("Item"), {number(1)}).objectRef();
    const DispatchRef calls = d->get(QStringLiteral("CallInfos")).objectRef();
    const DispatchRef call = calls->get(QStringLiteral("Item"), {number(0)}).objectRef();
    const std::pair<DispatchRef, const QMetaObject*> objects[] = {{d, &CApplication::staticMetaObject},
                                                                   {lines, &CLines::staticMetaObject},
                                                                   {line, &CLine::staticMetaObject},
                                                                   {calls, &CCallInfos::staticMetaObject},
                                                                   {call, &CCallInfo::staticMetaObject}};
    for (const auto& [object, mo] : objects) {
        for (const MemberInfo& m : membersOf(mo)) {
            const bool writable = m.name == QLatin1String("User") || m.name == QLatin1String("KorvaneEnabled");
            EXPECT_EQ(errorOf([&] { object->put(m.name, number(1)); }), writable ? 0 : error::kReadOnly)
                << mo->className() << '.' << m.name.toStdString();
        }
    }
    EXPECT_EQ(app.lines().line1().errors(), 7);
    EXPECT_EQ(app.lines().line1().user(), QStringLiteral("1"));
    EXPECT_TRUE(app.lines().line2().user().isEmpty());
}

TEST(ObjectModelAutomationTest, KorvaneEnabledGoesThroughTheControllerHook)
{
    CApplication app;
    DispatchRef d = dispatchFor(&app);
    EXPECT_EQ(d->get(QStringLiteral("KorvaneEnabled")), Variant(true));
    d->put(QStringLiteral("korvaneenabled"), number(0));
    EXPECT_EQ(d->get(QStringLiteral("KorvaneEnabled")), Variant(false));
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
    EXPECT_EQ(errorOf([&] { d->put(QStringLiteral("KorvaneEnabled"), Variant("maybe")); }), error::kTypeMismatch);
    EXPECT_EQ(calls, (QList<bool>{false, true}));
    monitoring = false;
    EXPECT_EQ(d->get(QStringLiteral("KorvaneEnabled")), Variant(false));
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
        EXPECT_EQ(objectOf(tty.objectRef()), &control);
        EXPECT_EQ(tty.objectRef()->get(QStringLiteral("Screen")).toString(), QStringLiteral("Menu 24.1 "));
    }
    // The view that owned the control is gone.
    EXPECT_TRUE(d->get(QStringLiteral("Tty")).isNothing());
    ToyControl other;
    const DispatchRef ref = dispatchFor(&other);
    app.setTty(ref);
    EXPECT_EQ(d->get(QStringLiteral("Tty")).objectRef(), ref);
}

#include "automation_interface_test.moc"
