#pragma once
// The monitor's Prometheus metrics, kept in a registry of Prometheus' own C++
// client and updated from the controller's events. Every series carries the
// router label, so many monitors can be scraped into one Prometheus.

#include "korvane/http/monotonic_counter.h"

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <array>
#include <memory>

namespace prometheus {
class Counter;
class Gauge;
class Registry;
}  // namespace prometheus

namespace korvane {
class CMonitorController;
}

namespace korvane::http {

class LineTotals;

class MonitorMetrics : public QObject {
    Q_OBJECT
public:
    MonitorMetrics(CMonitorController* controller, const QString& router, QObject* parent = nullptr);
    ~MonitorMetrics() override;

    // Calls and online seconds per line; null returns to the count since start.
    void setLineTotals(LineTotals* totals);
    const LineTotals& lineTotals() const { return *totals_; }
    // The console's events that are not controller signals (syslog lines).
    void observeEvent(const QJsonObject& event);

    // The text exposition of every family, brought up to date first.
    QByteArray exposition();
    prometheus::Registry& registry() { return *registry_; }
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
    void updateTotals();

    CMonitorController* controller_;
    QString router_;
    std::shared_ptr<prometheus::Registry> registry_;
    std::unique_ptr<LineTotals> ownTotals_;
    LineTotals* totals_ = nullptr;
    std::array<LineSeries, 2> lines_;
    prometheus::Gauge* live_ = nullptr;
    prometheus::Gauge* lastTick_ = nullptr;
    prometheus::Counter* ticks_ = nullptr;
    prometheus::Counter* reconnects_ = nullptr;
    prometheus::Counter* syslogMessages_ = nullptr;
    bool connectedOnce_ = false;
};

}  // namespace korvane::http
