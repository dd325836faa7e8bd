#pragma once
// Events: an automation object publishes its Qt signals as its event
// interface (ids from 1 in declared order, or "EventId.<name>" class info);
// a host attaches a sink and receives every fired event, synchronously, by id
// with its arguments converted to Variants.

#include "automation/dispatch.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace automation {

struct EventInfo {
    DispId id = kDispIdUnknown;
    QString name;
    QList<QByteArray> parameterNames;
    int signalIndex = -1;
};
QList<EventInfo> eventsOf(const QMetaObject* metaObject);

class EventSink {
public:
    virtual ~EventSink();
    virtual void onEvent(DispId id, const QString& name, const QList<Variant>& args) = 0;
};

class SignalRelay;

// An attached sink. Detaches when destroyed or on disconnect(); the source may
// be destroyed first.
class EventConnection {
public:
    EventConnection();
    EventConnection(QObject* source, EventSink* sink);
    EventConnection(EventConnection&&) noexcept;
    EventConnection& operator=(EventConnection&&) noexcept;
    ~EventConnection();

    bool isConnected() const;
    void disconnect();

private:
    std::unique_ptr<SignalRelay> relay_;
};

// Attaches sink to every event of source.
EventConnection connectEvents(QObject* source, EventSink* sink);

}  // namespace automation
