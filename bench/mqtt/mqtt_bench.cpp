// The MQTT publisher's share of the monitor's time, against a real Mosquitto
// broker on a free loopback port (the broker program from the Debian package).
//  - the status tick with the publisher on, beside the same tick with it off
//    (goal: at most 10 µs added, median). On the monitor's thread the
//    publisher copies the two lines and posts them to its own thread; the
//    payloads and the socket are that thread's.
//  - 10,000 state changes, each a second apart by the session's clock so
//    that the once-a-second limit lets every one out, counted as they reach
//    a subscriber (goal: none lost).
#include "bench/support/bench_settings.h"
#include "tests/mqtt/broker.h"
#include "korvane/monitor/controller.h"
#include "korvane/mqtt/mqtt_publisher.h"
#include "korvane/mqtt/mqtt_session.h"
#include "components/prestige/router_state.h"
#include "components/prestige/screens.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(double(v.size()) * p))];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    korvane::test::Broker broker;
    // The subscriber may fall behind a burst; the broker keeps all for it.
    if (!broker.start(0, {}, "max_queued_messages 0\n")) {
        std::fprintf(stderr, "bench_mqtt: the mosquitto broker did not start\n");
        return 1;
    }

    korvane::bench::BenchSettings settings;
    korvane::CMonitorController controller(&settings);
    prestige::RouterState state;
    prestige::CallRequest call;
    call.line = 1;
    call.node = QStringLiteral("Office");
    call.peerIp = QStringLiteral("10.0.0.2");
    call.number = QStringLiteral("5551234");
    if (!state.startCall(call))
        return 1;
    std::vector<QString> screens;
    for (int i = 0; i < 64; ++i) {
        state.advance();
        screens.push_back(QString::fromLatin1(prestige::paintStatusScreen(state, {}).text()));
    }
    auto tickTimes = [&](int count) {
        std::vector<double> us;
        for (int i = 0; i < count; ++i) {
            const auto t0 = Clock::now();
            controller.OnStatusScreen(screens[size_t(i) % screens.size()]);
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
            QCoreApplication::processEvents();
        }
        return us;
    };
    tickTimes(200);
    const std::vector<double> off = tickTimes(3000);

    korvane::mqtt::MqttOptions options;
    options.host = QStringLiteral("127.0.0.1");
    options.port = broker.port();
    options.routerName = options.nodeId = QStringLiteral("bench");
    options.topic = QStringLiteral("korvane/bench");
    {
        korvane::mqtt::MqttPublisher publisher(&controller, options);
        QSignalSpy connected(&publisher, &korvane::mqtt::MqttPublisher::connectedToBroker);
        publisher.start();
        if (!korvane::test::waitUntil([&] { return !connected.isEmpty(); }, 10000)) {
            std::fprintf(stderr, "bench_mqtt: the publisher did not connect\n");
            return 1;
        }
        tickTimes(200);
        const std::vector<double> on = tickTimes(3000);
        const double added = percentile(on, 0.5) - percentile(off, 0.5);
        std::printf("report: MQTT | status tick, MQTT off, median | %.1f µs | | \n", percentile(off, 0.5));
        std::printf("report: MQTT | status tick, MQTT on, median | %.1f µs | | \n", percentile(on, 0.5));
        std::printf("report: MQTT | added to the status tick by MQTT publishing, median (goal ≤ 10 µs) | %.1f µs | | \n",
                    added);
        std::printf("report: MQTT | status tick, MQTT on, 99th percentile | %.1f µs | | \n", percentile(on, 0.99));
    }

    // 10,000 changes of one entity through the session, on its own thread
    // as in the monitor; its clock moves a second per change.
    korvane::test::Subscriber subscriber;
    const QString topic = QStringLiteral("korvane/bench/line1/packets_sent");
    if (!subscriber.connect(broker.port(), topic.toUtf8())) {
        std::fprintf(stderr, "bench_mqtt: the subscriber did not connect\n");
        return 1;
    }
    korvane::test::waitUntil([] { return false; }, 300);
    QThread thread;
    auto* session = new korvane::mqtt::MqttSession(options, QStringLiteral("bench"));
    std::atomic<qint64> fakeMs{0};
    session->setClock([&fakeMs] { return fakeMs.load(); });
    session->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, session, &QObject::deleteLater);
    QSignalSpy sessionUp(session, &korvane::mqtt::MqttSession::connectedToBroker);
    thread.start();
    QMetaObject::invokeMethod(session, &korvane::mqtt::MqttSession::start);
    if (!korvane::test::waitUntil([&] { return !sessionUp.isEmpty(); }, 10000)) {
        std::fprintf(stderr, "bench_mqtt: the session did not connect\n");
        return 1;
    }
    const int changes = 10000;
    subscriber.clear();
    const auto t0 = Clock::now();
    for (int i = 1; i <= changes; ++i) {
        korvane::mqtt::MonitorSnapshot snapshot;
        snapshot.live = true;
        snapshot.lines[0].packetsSent = i;
        QMetaObject::invokeMethod(session, [session, snapshot, &fakeMs] {
            fakeMs += 1000;
            session->takeSnapshot(snapshot);
        });
    }
    korvane::test::waitUntil([&] { return subscriber.count(topic) >= changes; }, 60000);
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    const int received = subscriber.count(topic);
    bool inOrder = true;
    int expected = 1;
    for (const korvane::test::Received& m : subscriber.messages())
        if (m.topic == topic && m.payload.toInt() != expected++)
            inOrder = false;
    QMetaObject::invokeMethod(session, [session] { session->stop(1000); }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    std::printf("report: MQTT | 10,000 state changes reaching the broker's subscriber (goal: all, none lost) | %d of %d%s | | \n",
                received, changes, inOrder ? ", in order" : ", out of order");
    std::printf("report: MQTT | time for the 10,000 state changes to arrive | %.2f s | | \n", seconds);
    return received == changes && inOrder ? 0 : 1;
}
