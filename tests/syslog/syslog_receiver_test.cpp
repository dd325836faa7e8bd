#include "automation/events.h"
#include "components/syslog/syslog_receiver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QUdpSocket>

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

using namespace syslog;

namespace {

struct Recorder : automation::EventSink {
    void onEvent(automation::DispId id, const QString&, const QList<automation::Variant>& args) override
    {
        if (id == 1) {
            const automation::DispatchRef message = args.at(0).toObject();
            QList<automation::Variant> none;
            texts << message->invoke(3, automation::CallKind::PropertyGet, none).toString();
            times << message->invoke(1, automation::CallKind::PropertyGet, none).type();
        } else if (id == 2) {
            errors << QStringLiteral("(%1) %2").arg(args.at(1).toLong()).arg(args.at(2).toString());
        }
    }
    QStringList texts;
    QList<automation::VarType> times;
    QStringList errors;
};

bool waitFor(const std::function<bool()>& done, int ms = 3000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void send(const QString& from, quint16 port, const QByteArray& datagram)
{
    QUdpSocket sender;
    ASSERT_TRUE(sender.bind(QHostAddress(from), 0));
    sender.writeDatagram(datagram, QHostAddress(QStringLiteral("127.0.0.1")), port);
    sender.waitForBytesWritten(1000);
}

}  // namespace

TEST(SyslogReceiverTest, DispatchIdsAreTheOnesTheViewCalls)
{
    CSyslogReceiver receiver;
    const automation::DispatchRef d = automation::dispatchFor(&receiver);
    EXPECT_EQ(d->memberId(QStringLiteral("RouterAddress")), 1);
    EXPECT_EQ(d->memberId(QStringLiteral("StartListening")), 8);
    EXPECT_EQ(d->memberId(QStringLiteral("StopListening")), 9);
    const auto events = automation::eventsOf(&CSyslogReceiver::staticMetaObject);
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[0].name, QStringLiteral("OnMessage"));
    EXPECT_EQ(events[1].id, 2);
}

TEST(SyslogReceiverTest, OnlyTheRoutersDatagramsAreDelivered)
{
    CSyslogReceiver receiver;
    Recorder recorder;
    auto connection = automation::connectEvents(&receiver, &recorder);
    const automation::DispatchRef d = automation::dispatchFor(&receiver);
    d->put(QStringLiteral("Port"), automation::Variant(qint32(0)));
    QList<automation::Variant> args{automation::Variant("127.0.0.1:2323")};
    d->invoke(1, automation::CallKind::PropertyPut, args);
    QList<automation::Variant> none;
    ASSERT_TRUE(d->invoke(8, automation::CallKind::Method, none).toBool());
    const quint16 port = quint16(receiver.boundPort());
    ASSERT_NE(port, 0);

    send(QStringLiteral("127.0.0.2"), port, "<6>from a stranger");
    send(QStringLiteral("127.0.0.1"), port, "<6>Dec  8 10:00:00 router first\nsecond");
    ASSERT_TRUE(waitFor([&] { return !recorder.texts.isEmpty(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(recorder.texts.size(), 1);
    EXPECT_EQ(recorder.texts[0].mid(33), QStringLiteral("first\nsecond"));
    EXPECT_EQ(recorder.times[0], automation::VarType::Date);

    d->invoke(9, automation::CallKind::Method, none);
    EXPECT_FALSE(receiver.isListening());
}

TEST(SyslogReceiverTest, ABurstIsDeliveredCompletelyAcrossTurnsOfTheLoop)
{
    CSyslogReceiver receiver;
    Recorder recorder;
    auto connection = automation::connectEvents(&receiver, &recorder);
    receiver.setRouterAddress(QStringLiteral("127.0.0.1"));
    receiver.setPort(0);
    ASSERT_TRUE(receiver.StartListening());
    QUdpSocket sender;
    ASSERT_TRUE(sender.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const int count = 3 * CSyslogReceiver::kBatch + 5;
    for (int i = 0; i < count; ++i)
        sender.writeDatagram(QByteArray("<6>message ") + QByteArray::number(i), QHostAddress::LocalHost,
                             quint16(receiver.boundPort()));
    ASSERT_TRUE(waitFor([&] { return recorder.texts.size() == count; }));
    EXPECT_EQ(recorder.texts.last().mid(33), QStringLiteral("message %1").arg(count - 1));
}

TEST(SyslogReceiverTest, ARouterGivenByNameIsLookedUpWithoutWaiting)
{
    // "localhost" comes from the hosts file: no query leaves the machine.
    CSyslogReceiver receiver;
    Recorder recorder;
    auto connection = automation::connectEvents(&receiver, &recorder);
    receiver.setRouterAddress(QStringLiteral("localhost:23"));
    receiver.setPort(0);
    ASSERT_TRUE(receiver.StartListening());
    QUdpSocket sender;
    ASSERT_TRUE(sender.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    // Sent until the answer has come and the router's datagrams are taken.
    ASSERT_TRUE(waitFor([&] {
        sender.writeDatagram("<6>from the router", QHostAddress::LocalHost, quint16(receiver.boundPort()));
        return !recorder.texts.isEmpty();
    }));
    EXPECT_TRUE(recorder.texts.last().endsWith(QStringLiteral("from the router")));
}

TEST(SyslogReceiverTest, ABindThatFailsRaisesTheErrorEventWithTheSocketCode)
{
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::AnyIPv4, 0));
    CSyslogReceiver receiver;
    Recorder recorder;
    auto connection = automation::connectEvents(&receiver, &recorder);
    receiver.setRouterAddress(QStringLiteral("127.0.0.1"));
    receiver.setPort(holder.localPort());
    EXPECT_FALSE(receiver.StartListening());
    ASSERT_EQ(recorder.errors.size(), 1);
    EXPECT_TRUE(recorder.errors[0].startsWith(QStringLiteral("(10048) "))) << recorder.errors[0].toStdString();
}

TEST(SyslogReceiverTest, DatagramsArrivingWhileBatchesAreTakenAreAllDelivered)
{
    // A steady stream from another thread, so that datagrams arrive while the
    // receiver is between two batches: it must never stop reading.
    CSyslogReceiver receiver;
    Recorder recorder;
    auto connection = automation::connectEvents(&receiver, &recorder);
    receiver.setRouterAddress(QStringLiteral("127.0.0.1"));
    receiver.setPort(0);
    ASSERT_TRUE(receiver.StartListening());
    const quint16 port = quint16(receiver.boundPort());
    const int count = 5000;
    std::atomic<int> sent{0};
    std::thread sender([&] {
        QUdpSocket socket;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < count; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(i * 50));
            if (socket.writeDatagram(QByteArray("<6>stream ") + QByteArray::number(i), QHostAddress::LocalHost, port) > 0)
                ++sent;
        }
    });
    const bool all = waitFor([&] { return recorder.texts.size() >= count; }, 20000);
    sender.join();
    ASSERT_EQ(sent.load(), count);
    EXPECT_TRUE(all) << recorder.texts.size() << " of " << count;
}
