#include "sample_objects.h"

#include <gtest/gtest.h>

using namespace automation;

namespace {

int errorNumberOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AutomationError& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

TEST(DispatchTest, NamesAreMatchedWithoutRegardToCase)
{
    SampleLine line;
    DispatchRef d = dispatchFor(&line);
    EXPECT_EQ(d->memberId(QStringLiteral("Channel")), 1);
    EXPECT_EQ(d->memberId(QStringLiteral("CHANNEL")), 1);
    EXPECT_EQ(d->memberId(QStringLiteral("link")), 2);
    EXPECT_EQ(d->memberId(QStringLiteral("user")), 3);
    EXPECT_EQ(d->memberId(QStringLiteral("nothing")), kDispIdUnknown);
    EXPECT_EQ(d->get(QStringLiteral("cHaNnEl")).toLong(), 2);
    EXPECT_EQ(d->typeName(), QStringLiteral("SampleLine"));
}

TEST(DispatchTest, IdsFollowDeclaredOrderWithClassInfoOverrides)
{
    SampleControl control;
    DispatchRef d = dispatchFor(&control);
    EXPECT_EQ(d->memberId(QStringLiteral("Screen")), 1);
    EXPECT_EQ(d->memberId(QStringLiteral("IsOpen")), 11);
    EXPECT_EQ(d->memberId(QStringLiteral("Close")), 12);
    EXPECT_EQ(d->memberId(QStringLiteral("Find")), 13);
    EXPECT_EQ(d->memberId(QStringLiteral("GetBuffer")), 14);
    EXPECT_EQ(d->memberId(QStringLiteral("AboutBox")), kDispIdAboutBox);
    QList<Variant> none;
    d->invoke(kDispIdAboutBox, CallKind::Method, none);
    EXPECT_EQ(control.aboutShown, 1);
}

TEST(DispatchTest, DefaultMemberAndCallingAnObjectWithArguments)
{
    SampleRoot root;
    DispatchRef d = dispatchFor(&root);
    // Application.Lines(1) passes the argument to the collection's default member.
    const Variant line = d->get(QStringLiteral("Lines"), {Variant(qint32(1))});
    ASSERT_TRUE(line.isObject());
    EXPECT_EQ(objectOf(line.objectRef()), &root.collection.line);
    // A line read as a plain value is its Link.
    EXPECT_EQ(line.toString(), QStringLiteral("Omberon"));
    QList<Variant> none;
    EXPECT_EQ(line.objectRef()->invoke(kDispIdValue, CallKind::PropertyGet, none).toString(),
              QStringLiteral("Omberon"));
    // An out-of-range item is an empty object reference, not an error.
    const Variant missing = d->get(QStringLiteral("Lines"), {Variant(qint32(3))});
    EXPECT_TRUE(missing.isNothing());
    // The same object has one identity however often it is handed out.
    EXPECT_EQ(Variant(dispatchFor(&root.collection)), d->get(QStringLiteral("Lines")));
    // Without a default member the value call fails with 438.
    EXPECT_EQ(errorNumberOf([&] { d->invoke(kDispIdValue, CallKind::PropertyGet, none); }), error::kNoSuchMember);
}

TEST(DispatchTest, ReadOnlyWritesFailWithTheDescribedText)
{
    SampleLine line;
    DispatchRef d = dispatchFor(&line);
    try {
        d->put(QStringLiteral("Channel"), Variant(qint32(5)));
        FAIL() << "write accepted";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.description(), QStringLiteral("Unable to write read-only property."));
    }
    d->put(QStringLiteral("User"), Variant("mine"));
    EXPECT_EQ(line.user(), QStringLiteral("mine"));
    SampleLines lines;
    EXPECT_EQ(errorNumberOf([&] { dispatchFor(&lines)->put(QStringLiteral("Item"), Variant(qint32(1))); }),
              error::kReadOnly);
}

TEST(DispatchTest, UnknownNamesAndWrongArgumentCountsAreDistinct)
{
    SampleControl control;
    DispatchRef d = dispatchFor(&control);
    EXPECT_EQ(errorNumberOf([&] { d->get(QStringLiteral("Nope")); }), error::kNoSuchMember);
    EXPECT_EQ(errorNumberOf([&] { d->call(QStringLiteral("Close"), {Variant(qint32(1))}); }),
              error::kWrongArgumentCount);
    EXPECT_EQ(errorNumberOf([&] { d->call(QStringLiteral("GetBuffer"), {Variant("x"), Variant(qint32(1))}); }),
              error::kTypeMismatch);
}

TEST(DispatchTest, OverloadsFromDefaultArgumentsAndByReferenceParameters)
{
    SampleControl control;
    DispatchRef d = dispatchFor(&control);
    EXPECT_EQ(d->call(QStringLiteral("GetBuffer"), {Variant(qint32(1)), Variant(qint32(2))}).toString(),
              QStringLiteral("1/2/5"));
    EXPECT_EQ(d->call(QStringLiteral("GetBuffer"), {Variant(qint32(1)), Variant("2"), Variant(3.0)}).toString(),
              QStringLiteral("1/2/3"));
    QList<Variant> args{Variant("Menu"), Variant(qint32(0)), Variant(qint32(0))};
    const Variant found = d->invoke(d->memberId(QStringLiteral("find")), CallKind::Method, args);
    EXPECT_TRUE(found.toBool());
    EXPECT_EQ(args[1].toLong(), 4);
    EXPECT_EQ(args[2].toLong(), 7);
}

TEST(DispatchTest, AReferenceOutlivingItsObjectFailsCleanly)
{
    DispatchRef d;
    {
        SampleLine line;
        d = dispatchFor(&line);
        EXPECT_EQ(d->get(QStringLiteral("Channel")).toLong(), 2);
    }
    EXPECT_EQ(errorNumberOf([&] { d->get(QStringLiteral("Channel")); }), error::kObjectDisconnected);
}

TEST(DispatchTest, MembersAreListedForToolsAndEngines)
{
    const QList<MemberInfo> members = membersOf(&SampleLines::staticMetaObject);
    ASSERT_EQ(members.size(), 2);
    EXPECT_EQ(members[0].name, QStringLiteral("Count"));
    EXPECT_TRUE(members[0].isProperty);
    EXPECT_EQ(members[1].name, QStringLiteral("Item"));
    EXPECT_EQ(members[1].argumentCount, 1);
}
