#pragma once
// The console monitor: the controller without a window. Every event becomes
// one line on the output, as text or (with json) as one JSON object with an
// "event" key.

#include "korvane/monitor/controller.h"

#include <QJsonObject>
#include <QObject>

#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>

namespace korvane {

// One console event. Its JSON object (with "event" and "time") is built the
// first time it is asked for and then shared by every copy, so a listener
// that passes events on after the tick keeps the building out of the tick.
// Copies may be read on any thread.
class MonitorEvent {
public:
    explicit MonitorEvent(std::function<QJsonObject()> build);
    const QJsonObject& object() const;

private:
    struct Data {
        std::once_flag once;
        std::function<QJsonObject()> build;
        QJsonObject object;
    };
    std::shared_ptr<Data> d_;
};

class MonitorEvents : public QObject, public MessageBoxes {
    Q_OBJECT
public:
    MonitorEvents(CMonitorController* controller, FILE* out, bool json, QObject* parent = nullptr);

    // Message boxes have already been reported as events; questions are
    // answered No, so nothing changes on the router unasked.
    void information(const QString& caption, const QString& text) override;
    bool question(const QString& caption, const QString& text) override;

    // One event line; also used by main for the run's own messages. A null
    // out prints nothing, for a monitor that only feeds eventEmitted.
    void emitEvent(const QString& event, const QJsonObject& fields, const QString& text);

    int ticks() const { return ticks_; }
    // Lines go here instead of to out (which then only says whether lines
    // are made at all): the console's queue, which never blocks the monitor.
    void setLineSink(std::function<void(QByteArray line)> sink) { sink_ = std::move(sink); }

signals:
    // Every event, whatever the output's form; listeners such as the HTTP
    // endpoint's event stream.
    void eventEmitted(const korvane::MonitorEvent& event);

private:
    // A line as one tick showed it, kept for the event's JSON and text.
    struct LineState {
        int number = 0;
        bool known = false;  // the model has the line
        bool up = false;
        int channel = 0;
        int type = 0;
        int packetsSent = 0;
        int packetsReceived = 0;
        int errors = 0;
        int lineUtilization = 0;
        int averageLineUtilization = 0;
        QString link, upTime, ipAddress, clid;
        StatusRow row;
    };
    LineState lineState(int number) const;
    static QJsonObject lineObject(const LineState& line);
    static QString lineText(const LineState& line);
    // fields and text are called for only if the output or a listener needs them.
    void emitLazy(const QString& event, std::function<QJsonObject()> fields, const std::function<QString()>& text);

    CMonitorController* controller_;
    FILE* out_;
    std::function<void(QByteArray)> sink_;
    bool json_;
    int ticks_ = 0;
};

}  // namespace korvane
