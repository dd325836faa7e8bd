#pragma once
// The root of the object model, the object scripts know as "Application":
// the two lines, the call history, the status screen's values that belong to
// no line, the terminal control and the monitoring switch.

#include "automation/dispatch.h"
#include "automation/variant.h"
#include "korvane/model/call_infos.h"
#include "korvane/model/lines.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class CApplication : public QObject {
    Q_OBJECT
    // The automation interface: ids are the positions in this list. There is
    // deliberately no default member.
    Q_PROPERTY(QString TotalOutcallTime READ totalOutcallTime)
    Q_PROPERTY(QObject* Lines READ linesObject)
    Q_PROPERTY(QString LastCallLanPacket READ lastCallLanPacket)
    Q_PROPERTY(automation::Variant Tty READ ttyValue)
    Q_PROPERTY(QObject* CallInfos READ callInfosObject)
    Q_PROPERTY(bool KorvaneEnabled READ korvaneEnabled WRITE setKorvaneEnabled)

public:
    // The monitoring switch lives in the controller, which turns a change
    // into a reconnect. Until one is installed the switch is a plain flag.
    struct MonitoringHook {
        std::function<bool()> isEnabled;
        std::function<void(bool)> setEnabled;
    };

    explicit CApplication(QObject* parent = nullptr);

    CLines& lines() { return lines_; }
    const CLines& lines() const { return lines_; }
    CCallInfos& callInfos() { return callInfos_; }
    const CCallInfos& callInfos() const { return callInfos_; }

    const QString& totalOutcallTime() const { return totalOutcallTime_; }
    const QString& lastCallLanPacket() const { return lastCallLanPacket_; }
    bool lastCallPacketIsIpx() const { return lastCallPacketIsIpx_; }
    void setLastCallPacketIsIpx(bool ipx) { lastCallPacketIsIpx_ = ipx; }

    // Stored as painted, surrounding spaces included.
    void SetTotalOutcallTime(const QString& text);
    // Stored without white space at either end.
    void SetLastCallLanPacket(const QString& text);

    // The terminal control the router screens view hosts. A control that is
    // destroyed, or was never created, reads as no object.
    void setTty(QObject* control);
    void setTty(automation::DispatchRef control);
    automation::DispatchRef tty() const;

    void setMonitoringHook(MonitoringHook hook);
    bool korvaneEnabled() const;
    // Through the hook, so a script's assignment reconnects before it returns.
    void setKorvaneEnabled(bool enabled);

private:
    QObject* linesObject() { return &lines_; }
    QObject* callInfosObject() { return &callInfos_; }
    automation::Variant ttyValue() const { return automation::Variant(tty()); }

    CLines lines_;
    CCallInfos callInfos_;
    QString lastCallLanPacket_;
    QString totalOutcallTime_;
    QPointer<QObject> ttyObject_;
    automation::DispatchRef ttyDispatch_;
    bool lastCallPacketIsIpx_ = false;
    MonitoringHook monitoringHook_;
    bool monitoringEnabled_ = true;
};
