#pragma once
// The console monitor: the controller without a window. Every event becomes
// one line on the output, as text or (with json) as one JSON object with an
// "event" key.

#include "korvane/shell/controller.h"

#include <QJsonObject>
#include <QObject>

#include <cstdio>

namespace korvane {

class ConsoleMonitor : public QObject, public MessageBoxes {
    Q_OBJECT
public:
    ConsoleMonitor(CMonitorController* controller, FILE* out, bool json, QObject* parent = nullptr);

    // Message boxes have already been reported as events; questions are
    // answered No, so nothing changes on the router unasked.
    void information(const QString& caption, const QString& text) override;
    bool question(const QString& caption, const QString& text) override;

    // One event line; also used by main for the run's own messages. A null
    // out prints nothing, for a monitor that only feeds eventEmitted.
    void emitEvent(const QString& event, const QJsonObject& fields, const QString& text);

    int ticks() const { return ticks_; }

signals:
    // Every event as its JSON object (with "event" and "time"), whatever the
    // output's form; listeners such as the HTTP endpoint's event stream.
    void eventEmitted(const QJsonObject& object);

private:
    QJsonObject lineObject(int number) const;
    QString lineText(int number) const;

    CMonitorController* controller_;
    FILE* out_;
    bool json_;
    int ticks_ = 0;
};

}  // namespace korvane
