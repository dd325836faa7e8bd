// The Prometheus metrics: counters that survive the router's resets and
// reboots, the router label on every series, calls and online seconds, and an
// exposition that Prometheus' own checker accepts.
#include "http_rig.h"

#include "korvane/http/line_totals.h"
#include "korvane/http/metrics.h"
#include "korvane/http/monotonic_counter.h"
#include "korvane/journal/journal_settings.h"
#include "components/prestige/syslog_sender.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::http;
using namespace korvane::test;

namespace {

// The value of the one sample of name whose labels contain every selector.
double sample(const QByteArray& exposition, const QString& name, const QStringList& selectors = {}) {
    const QStringList lines = QString::fromUtf8(exposition).split(QLatin1Char('\n'));
    double found = -1;
    int matches = 0;
    for (const QString& line : lines) {
        if (!line.startsWith(name + QLatin1Char('{')))
            continue;
        bool all = true;
        for (const QString& s : selectors)
            all = all && line.contains(s);
        if (!all)
            continue;
        ++matches;
        found = line.section(QLatin1Char(' '), -1).toDouble();
    }
    return matches == 1 ? found : -1;
}

}  // namespace

TEST(MonotonicCounter, GrowsWithTheRouterAndCountsADropAsAReset) {
    MonotonicCounter c;
    EXPECT_EQ(c.observe(100), 100);
    EXPECT_EQ(c.observe(150), 50);
    EXPECT_EQ(c.observe(150), 0);
    // Reset Counters: the router starts again at zero and has counted 7 since.
    EXPECT_EQ(c.observe(7), 7);
    EXPECT_EQ(c.total(), 157);
    // A reboot far below the old value is still a reset, never a wrap.
    EXPECT_EQ(c.observe(0), 0);
    EXPECT_EQ(c.observe(3), 3);
    EXPECT_EQ(c.total(), 160);
    EXPECT_EQ(c.resets(), 2);
    // Nonsense from a garbled screen adds nothing.
    EXPECT_EQ(c.observe(-5), 0);
    EXPECT_EQ(c.observe(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(c.total(), 160);
}

TEST(MonitorMetrics, CountersStayMonotonicThroughResetCountersAndReboot) {
    MonitorRig rig;
    MonitorMetrics metrics(rig.controller.get(), QStringLiteral("office-1"));
    rig.setLine(1, 40, 100, 200, 1);
    rig.tick();
    rig.setLine(1, 55, 150, 260, 2);
    rig.tick();
    QByteArray text = metrics.exposition();
    const QStringList l1{QStringLiteral("line=\"1\""), QStringLiteral("router=\"office-1\"")};
    EXPECT_EQ(sample(text, QStringLiteral("korvane_line_packets_sent_total"), l1), 150);
    EXPECT_EQ(sample(text, QStringLiteral("korvane_line_utilization_percent"), l1), 55);
    EXPECT_EQ(sample(text, QStringLiteral("korvane_line_up"), l1), 1);

    // Reset Counters on the router.
    rig.setLine(1, 50, 10, 20, 0);
    rig.tick();
    text = metrics.exposition();
    EXPECT_EQ(sample(text, QStringLiteral("korvane_line_packets_sent_total"), l1), 160);
    EXPECT_EQ(sample(text, QStringLiteral("korvane_line_packets_received_total"), l1), 280);
    EXPECT_EQ(sample(text, QStringLiteral("korvane_line_errors_total"), l1), 2);

    // A reboot: the line is idle and every counter is zero, then counts again.
    rig.idleLine(1);
    rig.tick();
    rig.setLine(1, 5, 4, 6, 0);
    rig.tick();
    text = metrics.exposition();
    EXPECT_EQ(sample(text, QStringLiteral("korvane_line_packets_sent_total"), l1), 164);
    EXPECT_EQ(sample(text, QStringLiteral("korvane_line_packets_received_total"), l1), 286);
    EXPECT_EQ(sample(text, QStringLiteral("korvane_status_ticks_total"), {QStringLiteral("router=\"office-1\"")}), 5);
    EXPECT_EQ(sample(text, QStringLiteral("korvane_status_live")), 1);
    EXPECT_GT(sample(text, QStringLiteral("korvane_last_status_tick_timestamp_seconds")), 1.7e9);
}

TEST(MonitorMetrics, EverySeriesCarriesTheRouterAndNoPassword) {
    MonitorRig rig;
    MonitorMetrics metrics(rig.controller.get(), QStringLiteral("10.1.2.3:23"));
    rig.setLine(2, 12, 1, 2);
    rig.tick();
    const QByteArray text = metrics.exposition();
    int samples = 0;
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        ++samples;
        EXPECT_TRUE(line.contains("router=\"10.1.2.3:23\"")) << line.constData();
    }
    EXPECT_GE(samples, 5 + 8 * 2);
    EXPECT_FALSE(text.contains("s3cret-Pa55"));
}

TEST(MonitorMetrics, LiveFollowsStaleAndReconnectsCountAfterTheFirstConnection) {
    MonitorRig rig;
    MonitorMetrics metrics(rig.controller.get(), QStringLiteral("r"));
    rig.setLine(1, 80, 1, 1);
    rig.tick();
    emit rig.controller->statusStale();
    QByteArray text = metrics.exposition();
    EXPECT_EQ(sample(text, QStringLiteral("korvane_status_live")), 0);
    // A stale status shows no utilisation rather than the last one frozen.
    EXPECT_EQ(sample(text, QStringLiteral("korvane_line_utilization_percent"), {QStringLiteral("line=\"1\"")}), 0);
    emit rig.controller->connecting(QStringLiteral("r"));
    emit rig.controller->connecting(QStringLiteral("r"));
    emit rig.controller->connecting(QStringLiteral("r"));
    rig.controller->OnSyslogMessage(QStringLiteral("line 1 channel 1, call 3, C01, Call Terminated"));
    text = metrics.exposition();
    EXPECT_EQ(sample(text, QStringLiteral("korvane_reconnects_total")), 2);
    EXPECT_EQ(sample(text, QStringLiteral("korvane_syslog_messages_total")), 1);
}

TEST(LineTotals, CallsAndOnlineSecondsFromLineEventsAndTicks) {
    qint64 now = 0;
    MonitorRig rig;
    CountedLineTotals totals(rig.controller.get(), [&now] { return now; });
    rig.setLine(1, 10, 1, 1);
    rig.tick();  // line 1 up: one call
    now = 30000;
    rig.tick();
    EXPECT_EQ(totals.calls(1), 1);
    EXPECT_DOUBLE_EQ(totals.onlineSeconds(1), 30);
    // No status for a while: those seconds are unknown and not counted...
    emit rig.controller->statusStale();
    now = 90000;
    EXPECT_DOUBLE_EQ(totals.onlineSeconds(1), 30);
    // ...and the call, still up at the next tick, counts on without a new call.
    rig.tick();
    now = 100000;
    EXPECT_DOUBLE_EQ(totals.onlineSeconds(1), 40);
    EXPECT_EQ(totals.calls(1), 1);
    rig.idleLine(1);
    rig.tick();
    now = 500000;
    EXPECT_DOUBLE_EQ(totals.onlineSeconds(1), 40);
    rig.setLine(1, 10, 1, 1);
    rig.tick();
    EXPECT_EQ(totals.calls(1), 2);
    EXPECT_EQ(totals.calls(2), 0);
    EXPECT_EQ(totals.calls(7), 0);
}

namespace {
// A journal's totals, as the call journal will provide them.
class JournalTotals : public LineTotals {
public:
    double calls(int line) const override { return line == 1 ? 41 : 3; }
    double onlineSeconds(int line) const override { return line == 1 ? 3600 : 60; }
};
}  // namespace

TEST(MonitorMetrics, CountersCountSinceTheStartAndTheJournalsTotalsAreGaugesOfTheirOwn) {
    MonitorRig rig;
    MonitorMetrics metrics(rig.controller.get(), QStringLiteral("r"));
    JournalTotals journal;
    metrics.setJournalTotals(&journal);
    rig.setLine(1, 10, 1, 1);
    rig.tick();
    const QByteArray text = metrics.exposition();
    // The counter is this process's own: one call, not the journal's 41.
    EXPECT_EQ(sample(text, QStringLiteral("korvane_line_calls_total"), {QStringLiteral("line=\"1\"")}), 1);
    EXPECT_EQ(sample(text, QStringLiteral("korvane_line_online_seconds_total"), {QStringLiteral("line=\"2\"")}), 0);
    EXPECT_EQ(sample(text, QStringLiteral("korvane_journal_calls"), {QStringLiteral("line=\"1\"")}), 41);
    EXPECT_EQ(sample(text, QStringLiteral("korvane_journal_online_seconds"), {QStringLiteral("line=\"2\"")}), 60);
}

TEST(MonitorMetrics, PromtoolAcceptsTheExposition) {
    const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
    if (promtool.isEmpty())
        GTEST_SKIP() << "promtool (Debian package prometheus) is not installed";
    MonitorRig rig;
    MonitorMetrics metrics(rig.controller.get(), QStringLiteral("branch \"north\"\\1"));
    rig.setLine(1, 33, 10, 20, 1);
    rig.tick();
    rig.controller->OnSyslogMessage(QStringLiteral("line 1 channel 1, call 3, C01, Call Terminated"));
    QProcess check;
    check.start(promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
    ASSERT_TRUE(check.waitForStarted(10000));
    check.write(metrics.exposition());
    check.closeWriteChannel();
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().constData()
                                   << check.readAllStandardError().constData();
}

TEST(MonitorMetrics, BuildInfoAndTheCostOfEndedCallsByTheTariff) {
    MonitorRig rig;
    rig.router.onCallEvent = [&rig](const prestige::CallEvent& e) {
        rig.controller->OnSyslogMessage(prestige::SyslogSender::callRecord(e));
    };
    MonitorMetrics metrics(rig.controller.get(), QStringLiteral("desk"));
    QByteArray text = metrics.exposition();
    EXPECT_EQ(sample(text, QStringLiteral("korvane_build_info"),
                     {QStringLiteral("version=\"2.05\""), QStringLiteral("router=\"desk\"")}), 1);
    // Without a tariff there is no cost to count.
    EXPECT_FALSE(text.contains("korvane_call_cost_total{"));

    Tariff tariff;
    tariff.perCall = 10;    // 0.10 EUR a call
    tariff.perMinute = 6;   // 0.06 EUR a started minute
    tariff.currency = QStringLiteral("EUR");
    metrics.setTariffSource([&tariff] { return tariff; });
    EXPECT_EQ(sample(metrics.exposition(), QStringLiteral("korvane_call_cost_total"),
                     {QStringLiteral("currency=\"EUR\"")}), 0);

    auto call = [&](prestige::Direction direction, int seconds) {
        prestige::CallRequest request;
        request.line = 1;
        request.kind = prestige::CallKind::Voice;
        request.direction = direction;
        request.number = QStringLiteral("5551234");
        ASSERT_TRUE(rig.router.startCall(request));
        for (int i = 0; i < seconds; ++i)
            rig.router.advance();
        rig.tick();
        rig.router.hangup(1);
        rig.tick();
    };
    rig.tick();
    call(prestige::Direction::Out, 150);  // 3 started minutes: 0.10 + 0.18
    call(prestige::Direction::In, 300);   // incoming calls are free here
    EXPECT_NEAR(sample(metrics.exposition(), QStringLiteral("korvane_call_cost_total"),
                       {QStringLiteral("currency=\"EUR\""), QStringLiteral("router=\"desk\"")}), 0.28, 1e-9);
    // The tariff read at each call's end: incoming calls charged from now on.
    tariff.chargeIncoming = true;
    call(prestige::Direction::In, 30);     // 0.10 + 0.06
    EXPECT_NEAR(sample(metrics.exposition(), QStringLiteral("korvane_call_cost_total"),
                       {QStringLiteral("currency=\"EUR\"")}), 0.44, 1e-9);
}
