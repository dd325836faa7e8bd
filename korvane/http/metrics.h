#pragma once
// The monitor's Prometheus metrics, kept in a registry of Prometheus' own C++
// client and updated from the controller's events. Every series carries the
// router label, so many monitors can be scraped into one Prometheus.

#include "korvane/http/monotonic_counter.h"

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>

namespace prometheus {
class Counter;
class Gauge;
class Registry;
template <typename T>
class Family;
}  // namespace prometheus

namespace korvane {
class CMonitorController;
struct CallRecord;
struct Tariff;
}

namespace korvane::http {

class LineTotals;

class MonitorMetrics : public QObject {
    Q_OBJECT
public:
    MonitorMetrics(CMonitorController* controller, const QString& router, QObject* parent = nullptr);
    ~MonitorMetrics() override;

    // The counters count since this process started (as Prometheus expects
    // of a counter). A call journal's all-time totals, when one is attached,
    // are gauges of their own: korvane_journal_calls and
    // korvane_journal_online_seconds.
    void setJournalTotals(LineTotals* totals);
    const LineTotals& lineTotals() const { return *ownTotals_; }
    // The tariff in force (read at each call's end): ended calls add their
    // cost to korvane_call_cost_total{currency}, in the currency's units.
    void setTariffSource(std::function<Tariff()> tariff);

    // Brings the call and online-second totals up to date; on the monitor's
    // thread, which also updates every other series as its events come.
    void refresh();
    // The text exposition of every family, brought up to date first.
    QByteArray exposition();
    // The text exposition as the series stand: safe on any thread.
    static QByteArray serialize(prometheus::Registry& registry);
    prometheus::Registry& registry() { return *registry_; }
    std::shared_ptr<prometheus::Registry> registryShared() const { return registry_; }
    const QString& router() const { return router_; }

private:
    struct LineSeries {
        prometheus::Gauge* up = nullptr;
        prometheus::Gauge* utilization = nullptr;
        prometheus::Gauge* averageUtilization = nullptr;
        prometheus::Counter* packetsSent = nullptr;
        prometheus::Counter* packetsReceived = nullptr;
        prometheus::Counter* errors = nullptr;
        prometheus::Counter* calls = nullptr;
        prometheus::Counter* onlineSeconds = nullptr;
        MonotonicCounter sent, received, errorCount;
        MonotonicCounter callCount, seconds;
    };
    void onTick();
    void setLive(bool live);
    void addCallCost(const CallRecord& call);
    prometheus::Counter* costSeries(const QString& currency);

    CMonitorController* controller_;
    QString router_;
    std::shared_ptr<prometheus::Registry> registry_;
    std::unique_ptr<LineTotals> ownTotals_;
    LineTotals* journalTotals_ = nullptr;
    prometheus::Family<prometheus::Gauge>* journalCalls_ = nullptr;
    prometheus::Family<prometheus::Gauge>* journalSeconds_ = nullptr;
    std::array<prometheus::Gauge*, 2> journalCallSeries_{};
    std::array<prometheus::Gauge*, 2> journalSecondSeries_{};
    std::array<LineSeries, 2> lines_;
    prometheus::Gauge* live_ = nullptr;
    prometheus::Gauge* lastTick_ = nullptr;
    prometheus::Counter* ticks_ = nullptr;
    prometheus::Counter* reconnects_ = nullptr;
    prometheus::Counter* syslogMessages_ = nullptr;
    bool connectedOnce_ = false;
    std::function<Tariff()> tariff_;
    prometheus::Family<prometheus::Counter>* callCost_ = nullptr;
};

}  // namespace korvane::http
