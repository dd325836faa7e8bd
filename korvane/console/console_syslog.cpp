#include "korvane/console/console_syslog.h"

#include "korvane/events/monitor_events.h"

#include <QJsonObject>

namespace korvane {

ConsoleSyslog::ConsoleSyslog(CMonitorController* controller, MonitorEvents* monitor, std::function<int()> port,
                             std::unique_ptr<CSyslog> syslog, QObject* parent)
    : QObject(parent),
      controller_(controller),
      monitor_(monitor),
      port_(std::move(port)),
      syslog_(syslog ? std::move(syslog) : CSyslog::create()) {
    connect(syslog_.get(), &CSyslog::message, this, [this](const QDateTime& time, const QString& text) {
        ++messages_;
        // The same line the window's syslog view logs.
        const QString line = FormatSyslogLine(time, text);
        controller_->OnSyslogMessage(line);
        monitor_->emitEvent(QStringLiteral("syslog"),
                            {{QStringLiteral("line"), line}, {QStringLiteral("message"), text}},
                            QStringLiteral("syslog: ") + line);
    });
    connect(syslog_.get(), &CSyslog::error, this, [this](const QString& method, int number, const QString& text) {
        if (method == QLatin1String("StartListening"))
            listening_ = false;
        monitor_->emitEvent(QStringLiteral("syslog-error"),
                            {{QStringLiteral("method"), method},
                             {QStringLiteral("code"), number},
                             {QStringLiteral("text"), text}},
                            QStringLiteral("syslog error (%1) %2").arg(number).arg(text));
    });
}

ConsoleSyslog::~ConsoleSyslog() { syslog_->StopListening(); }

void ConsoleSyslog::startListening(const QString& routerAddress) {
    const int port = port_ ? port_() : -1;
    if (listening_ && routerAddress == address_ && port == port_now_)
        return;
    address_ = routerAddress;
    port_now_ = port;
    syslog_->SetRouterAddress(routerAddress);
    if (port_)
        syslog_->SetPort(port);
    ++starts_;
    // A start that fails says so through an error event, which clears this.
    listening_ = true;
    syslog_->StartListening();
}

void ConsoleSyslog::stopListening() {
    listening_ = false;
    syslog_->StopListening();
}

}  // namespace korvane
