#include "automation/events.h"
#include "sample_objects.h"

#include <gtest/gtest.h>

using namespace automation;

namespace {

struct RecordingSink : EventSink {
    struct Fired {
        DispId id;
        QString name;
        QList<Variant> args;
    };
    void onEvent(DispId id, const QString& name, const QList<Variant>& args) override
    {
        fired.push_back({id, name, args});
    }
    std::vector<Fired> fired;
};

}  // namespace

TEST(EventsTest, EventIdsAreSignalsInDeclaredOrder)
{
    const QList<EventInfo> events = eventsOf(&SampleControl::staticMetaObject);
    ASSERT_EQ(events.size(), 3);
    EXPECT_EQ(events[0].name, QStringLiteral("OnScreenChange"));
    EXPECT_EQ(events[0].id, 1);
    EXPECT_EQ(events[2].id, 3);
    EXPECT_EQ(events[2].parameterNames.size(), 3);
}

TEST(EventsTest, SinksReceiveEventsSynchronouslyInOrderWithArguments)
{
    SampleControl control;
    RecordingSink sink;
    EventConnection connection = connectEvents(&control, &sink);
    EXPECT_TRUE(connection.isConnected());
    Q_EMIT control.OnBreak(QStringLiteral("xxab"));
    ASSERT_EQ(sink.fired.size(), 1u);  // delivered before emit returned
    Q_EMIT control.OnError(QStringLiteral("Open"), 10061, QStringLiteral("refused"));
    Q_EMIT control.OnScreenChange();
    ASSERT_EQ(sink.fired.size(), 3u);
    EXPECT_EQ(sink.fired[0].id, 2);
    EXPECT_EQ(sink.fired[0].args[0].toString(), QStringLiteral("xxab"));
    EXPECT_EQ(sink.fired[1].name, QStringLiteral("OnError"));
    EXPECT_EQ(sink.fired[1].args[1].toLong(), 10061);
    EXPECT_EQ(sink.fired[2].id, 1);
    EXPECT_TRUE(sink.fired[2].args.isEmpty());
}

TEST(EventsTest, DisconnectingStopsDeliveryAndSurvivesTheSourceGoingFirst)
{
    RecordingSink sink;
    auto control = std::make_unique<SampleControl>();
    EventConnection connection = connectEvents(control.get(), &sink);
    connection.disconnect();
    Q_EMIT control->OnScreenChange();
    EXPECT_TRUE(sink.fired.empty());

    EventConnection second = connectEvents(control.get(), &sink);
    control.reset();
    EXPECT_FALSE(second.isConnected());
    second.disconnect();
}
