#include "korvane/http/metrics.h"

#include "korvane/http/line_totals.h"
#include "korvane/model/application.h"
#include "korvane/model/line.h"
#include "korvane/model/lines.h"
#include "korvane/journal/journal_settings.h"
#include "korvane/monitor/call_tracker.h"
#include "korvane/monitor/controller.h"

#include <prometheus/counter.h>
#include <prometheus/family.h>
#include <prometheus/gauge.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>

#include <QDateTime>

#include <cmath>
#include <sstream>

namespace korvane::http {

namespace {

// Counters only move by Increment; a total computed elsewhere is brought in
// by the difference, which a MonotonicCounter keeps non-negative.
void advance(prometheus::Counter* counter, MonotonicCounter& tracker, double raw) {
    const double added = tracker.observe(raw);
    if (added > 0)
        counter->Increment(added);
}

}  // namespace

MonitorMetrics::MonitorMetrics(CMonitorController* controller, const QString& router, QObject* parent)
    : QObject(parent), controller_(controller), router_(router), registry_(std::make_shared<prometheus::Registry>()) {
    using prometheus::BuildCounter;
    using prometheus::BuildGauge;
    const prometheus::Labels base{{"router", router.toStdString()}};
    auto& live = BuildGauge().Name("korvane_status_live")
                     .Help("1 while status screens come in, 0 while the status is stale or the router is not connected")
                     .Register(*registry_);
    live_ = &live.Add(base);
    auto& lastTick = BuildGauge().Name("korvane_last_status_tick_timestamp_seconds")
                         .Help("Time of the last status tick, seconds since the Unix epoch")
                         .Register(*registry_);
    lastTick_ = &lastTick.Add(base);
    ticks_ = &BuildCounter().Name("korvane_status_ticks_total").Help("Status screens read").Register(*registry_).Add(base);
    reconnects_ = &BuildCounter().Name("korvane_reconnects_total")
                       .Help("Connections to the router after the first")
                       .Register(*registry_).Add(base);
    syslogMessages_ = &BuildCounter().Name("korvane_syslog_messages_total")
                           .Help("Syslog messages received from the router")
                           .Register(*registry_).Add(base);

    auto& up = BuildGauge().Name("korvane_line_up").Help("1 while the line carries a call").Register(*registry_);
    auto& util = BuildGauge().Name("korvane_line_utilization_percent").Help("Current line utilisation").Register(*registry_);
    auto& avg = BuildGauge().Name("korvane_line_average_utilization_percent")
                    .Help("Average line utilisation as the router reports it")
                    .Register(*registry_);
    auto& sent = BuildCounter().Name("korvane_line_packets_sent_total")
                     .Help("Packets sent on the line; kept growing through the router's counter resets and reboots")
                     .Register(*registry_);
    auto& received = BuildCounter().Name("korvane_line_packets_received_total")
                         .Help("Packets received on the line; kept growing through the router's counter resets and reboots")
                         .Register(*registry_);
    auto& errors = BuildCounter().Name("korvane_line_errors_total")
                       .Help("Errors on the line; kept growing through the router's counter resets and reboots")
                       .Register(*registry_);
    auto& calls = BuildCounter().Name("korvane_line_calls_total")
                      .Help("Calls on the line since the monitor started")
                      .Register(*registry_);
    auto& seconds = BuildCounter().Name("korvane_line_online_seconds_total")
                        .Help("Seconds the line carried a call since the monitor started")
                        .Register(*registry_);
    journalCalls_ = &BuildGauge().Name("korvane_journal_calls")
                         .Help("Calls on the line in the whole call journal, ended calls")
                         .Register(*registry_);
    journalSeconds_ = &BuildGauge().Name("korvane_journal_online_seconds")
                           .Help("Seconds of the line's ended calls in the whole call journal")
                           .Register(*registry_);
    for (int n = 1; n <= 2; ++n) {
        prometheus::Labels labels = base;
        labels["line"] = std::to_string(n);
        LineSeries& s = lines_[size_t(n - 1)];
        s.up = &up.Add(labels);
        s.utilization = &util.Add(labels);
        s.averageUtilization = &avg.Add(labels);
        s.packetsSent = &sent.Add(labels);
        s.packetsReceived = &received.Add(labels);
        s.errors = &errors.Add(labels);
        s.calls = &calls.Add(labels);
        s.onlineSeconds = &seconds.Add(labels);
    }

    BuildGauge().Name("korvane_build_info")
        .Help("Always 1; the monitor's version as a label")
        .Register(*registry_)
        .Add({{"router", router.toStdString()}, {"version", kVersion}})
        .Set(1);
    callCost_ = &BuildCounter().Name("korvane_call_cost_total")
                     .Help("Cost of the calls ended since the monitor started, by the tariff, in the currency's units")
                     .Register(*registry_);

    ownTotals_ = std::make_unique<CountedLineTotals>(controller);

    if (controller) {
        connect(controller, &CMonitorController::statusTick, this, &MonitorMetrics::onTick);
        connect(controller, &CMonitorController::statusStale, this, [this] { setLive(false); });
        connect(controller, &CMonitorController::disconnected, this, [this] { setLive(false); });
        connect(controller, &CMonitorController::syslogMessage, this, [this] { syslogMessages_->Increment(); });
        connect(controller, &CMonitorController::connecting, this, [this] {
            if (connectedOnce_)
                reconnects_->Increment();
            connectedOnce_ = true;
            setLive(false);
        });
    }
}

MonitorMetrics::~MonitorMetrics() = default;

void MonitorMetrics::setTariffSource(std::function<Tariff()> tariff) {
    const bool first = !tariff_;
    tariff_ = std::move(tariff);
    if (!tariff_)
        return;
    // The series exists from the start when a tariff is set, so that an
    // increase() over a quiet day is 0 rather than absent.
    const Tariff now = tariff_();
    if (now.isSet())
        costSeries(now.currency);
    if (first && controller_)
        connect(&controller_->calls(), &CallTracker::callEnded, this, &MonitorMetrics::addCallCost);
}

prometheus::Counter* MonitorMetrics::costSeries(const QString& currency) {
    return &callCost_->Add({{"router", router_.toStdString()}, {"currency", currency.toStdString()}});
}

void MonitorMetrics::addCallCost(const CallRecord& call) {
    const Tariff tariff = tariff_();
    if (!tariff.isSet())
        return;
    const qint64 minor = tariff.cost(call);
    prometheus::Counter* series = costSeries(tariff.currency);
    if (minor > 0)
        series->Increment(double(minor) / std::pow(10.0, tariff.decimals()));
}

void MonitorMetrics::setJournalTotals(LineTotals* totals) {
    journalTotals_ = totals;
    if (totals && !journalCallSeries_[0]) {
        for (int n = 1; n <= 2; ++n) {
            const prometheus::Labels labels{{"router", router_.toStdString()}, {"line", std::to_string(n)}};
            journalCallSeries_[size_t(n - 1)] = &journalCalls_->Add(labels);
            journalSecondSeries_[size_t(n - 1)] = &journalSeconds_->Add(labels);
        }
    }
    refresh();
}

void MonitorMetrics::setLive(bool live) {
    live_->Set(live ? 1 : 0);
    if (!live)
        for (LineSeries& s : lines_)
            s.utilization->Set(0);
}

void MonitorMetrics::onTick() {
    ticks_->Increment();
    lastTick_->Set(double(QDateTime::currentMSecsSinceEpoch()) / 1000.0);
    live_->Set(1);
    const CLines& lines = controller_->application().lines();
    for (int n = 1; n <= 2; ++n) {
        const CLine* line = lines.line(n);
        if (!line)
            continue;
        LineSeries& s = lines_[size_t(n - 1)];
        s.up->Set(controller_->lineMemory()[size_t(n - 1)].up ? 1 : 0);
        s.utilization->Set(line->lineUtilization());
        s.averageUtilization->Set(line->averageLineUtilization());
        advance(s.packetsSent, s.sent, line->packetsSent());
        advance(s.packetsReceived, s.received, line->packetsReceived());
        advance(s.errors, s.errorCount, line->errors());
    }
    refresh();
}

void MonitorMetrics::refresh() {
    for (int n = 1; n <= 2; ++n) {
        LineSeries& s = lines_[size_t(n - 1)];
        advance(s.calls, s.callCount, ownTotals_->calls(n));
        advance(s.onlineSeconds, s.seconds, ownTotals_->onlineSeconds(n));
        if (journalTotals_ && journalCallSeries_[0]) {
            journalCallSeries_[size_t(n - 1)]->Set(journalTotals_->calls(n));
            journalSecondSeries_[size_t(n - 1)]->Set(journalTotals_->onlineSeconds(n));
        }
    }
}

QByteArray MonitorMetrics::exposition() {
    refresh();
    return serialize(*registry_);
}

QByteArray MonitorMetrics::serialize(prometheus::Registry& registry) {
    std::ostringstream out;
    prometheus::TextSerializer().Serialize(out, registry.Collect());
    const std::string text = out.str();
    return QByteArray(text.data(), qsizetype(text.size()));
}

}  // namespace korvane::http
