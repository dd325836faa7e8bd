#pragma once
// The console monitor's syslog: the program's own receiver, started on the
// router address and the "Syslog Port" setting. A reconnect starts it again
// only when one of the two changed; otherwise it keeps listening, so that no
// datagram the router sends meanwhile is lost. Each message goes to the
// controller (so to the script's OnSysLog) and out as a "syslog" event line.

#include "korvane/monitor/controller.h"
#include "korvane/monitor/syslog_source.h"

#include <QObject>

#include <functional>
#include <memory>

namespace korvane {

class MonitorEvents;

class ConsoleSyslog : public QObject, public SyslogListener {
    Q_OBJECT
public:
    // The port is read at each start, so a changed setting counts at the next
    // reconnect. A null syslog means the program's own receiver.
    ConsoleSyslog(CMonitorController* controller, MonitorEvents* monitor, std::function<int()> port,
                  std::unique_ptr<CSyslog> syslog = nullptr, QObject* parent = nullptr);
    ~ConsoleSyslog() override;

    void startListening(const QString& routerAddress) override;
    void stopListening() override;

    CSyslog* syslog() const { return syslog_.get(); }
    int messages() const { return messages_; }
    // Times the receiver was (re)started.
    int starts() const { return starts_; }

private:
    CMonitorController* controller_;
    MonitorEvents* monitor_;
    std::function<int()> port_;
    std::unique_ptr<CSyslog> syslog_;
    int messages_ = 0;
    int starts_ = 0;
    bool listening_ = false;
    QString address_;
    int port_now_ = -1;
};

}  // namespace korvane
