#include "korvane/assembly/monitor_assembly.h"

#include "korvane/http/http_endpoint.h"
#include "korvane/http/metrics.h"
#include "korvane/http/journal_source.h"
#include "korvane/journal/journal_session.h"
#include "korvane/monitor/call_tracker.h"
#include "korvane/monitor/controller.h"
#include "korvane/monitor/session_recorder.h"
#include "korvane/mqtt/mqtt_publisher.h"
#include "korvane/settings/settings_store.h"

#include <QPointer>
#include <QTimer>

#include <cstdio>

namespace korvane {

AssembledMonitor::AssembledMonitor(MonitorSettings* settings, Options options, QObject* parent)
    : QObject(parent), options_(std::move(options))
{
    // Told after the tick that found it, never inside.
    QPointer<AssembledMonitor> self(this);
    auto recordStopped = [self](const QString& text) {
        QTimer::singleShot(0, self, [self, text] {
            if (self && self->options_.recordStopped)
                self->options_.recordStopped(text);
            else
                std::fprintf(stderr, "korvane: %s\n", qPrintable(text));
        });
    };
    controller_ = std::make_unique<CMonitorController>(
        settings, nullptr,
        recordSession(nullptr, options_.recordFile, [settings] { return settings->password(); }, nullptr,
                      options_.recordLimitBytes, recordStopped));
    auto problem = [self](const QString& text) {
        QTimer::singleShot(0, self, [self, text] {
            if (self && self->options_.journalProblem)
                self->options_.journalProblem(text);
        });
    };
    journal_ = std::make_unique<JournalSession>(controller_.get(), problem);
}

AssembledMonitor::~AssembledMonitor()
{
    stop();
    mqtt_.reset();
    http_.reset();
    journalSource_.reset();
    journal_.reset();
    controller_.reset();
}

bool AssembledMonitor::startHttp(QString* error, MonitorEvents* events)
{
    error->clear();
    http_ = http::startHttpEndpoint(controller_.get(), events, options_.http, error);
    if (!http_)
        return error->isEmpty();
    JournalSession* journal = journal_.get();
    http_->metrics().setTariffSource([journal] { return journal->settings().tariff; });
    // With a journal /api/calls answers, and its all-time totals are gauges.
    if (journal_->journalForReading()) {
        journalSource_ = std::make_unique<http::JournalSource>(journal_.get(), controller_.get());
        http_->setCallList(journalSource_.get());
        http_->setJournalTotals(journalSource_.get());
    }
    return true;
}

bool AssembledMonitor::startMqtt(QString* error)
{
    error->clear();
    mqtt::MqttOptions options;
    bool enabled = false;
    if (!mqtt::resolveMqttOptions(options_.mqtt, SettingsStore(), controller_->settings().ipAddress(), &options,
                                  &enabled, error))
        return false;
    if (!enabled)
        return true;
    mqtt_ = std::make_unique<mqtt::MqttPublisher>(controller_.get(), options);
    if (!mqtt_->start(error)) {
        mqtt_.reset();
        return false;
    }
    return true;
}

void AssembledMonitor::stop()
{
    if (stopped_)
        return;
    stopped_ = true;
    controller_->calls().endOpenCalls(CallEnd::MonitorStopped);
    // The last calls reach the broker before it is told "offline".
    if (mqtt_)
        mqtt_->stop();
    controller_->Disconnect();
}

}  // namespace korvane
