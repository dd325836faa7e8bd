#include "automation/events.h"

#include <QMetaMethod>

namespace automation {

EventSink::~EventSink() = default;

QList<EventInfo> eventsOf(const QMetaObject* mo)
{
    QList<EventInfo> events;
    DispId next = 1;
    for (int i = QObject::staticMetaObject.methodCount(); i < mo->methodCount(); ++i) {
        const QMetaMethod method = mo->method(i);
        if (method.methodType() != QMetaMethod::Signal)
            continue;
        EventInfo info;
        info.name = QString::fromLatin1(method.name());
        info.parameterNames = method.parameterNames();
        info.signalIndex = i;
        const int ci = mo->indexOfClassInfo(("EventId." + method.name()).constData());
        bool ok = false;
        const int fixed = ci >= 0 ? QByteArray(mo->classInfo(ci).value()).toInt(&ok) : 0;
        if (ok) {
            info.id = fixed;
            next = std::max(next, fixed + 1);
        } else {
            info.id = next++;
        }
        // A signal with default arguments appears once per form; keep the full one.
        if (!events.isEmpty() && events.last().name == info.name)
            continue;
        events.append(info);
    }
    return events;
}

// Receives the source's signals through slots that do not exist in any class:
// each connection uses its own index past QObject's methods, and qt_metacall
// turns that index back into the event. This is how QSignalSpy listens too.
class SignalRelay : public QObject {
public:
    SignalRelay(QObject* source, EventSink* sink) : source_(source), sink_(sink)
    {
        events_ = eventsOf(source->metaObject());
        const int slotBase = QObject::staticMetaObject.methodCount();
        for (qsizetype k = 0; k < events_.size(); ++k) {
            if (QMetaObject::connect(source, events_[k].signalIndex, this, slotBase + int(k), Qt::DirectConnection))
                connected_ = true;
        }
    }

    ~SignalRelay() override { disconnectAll(); }

    void disconnectAll()
    {
        if (!source_)
            return;
        const int slotBase = QObject::staticMetaObject.methodCount();
        for (qsizetype k = 0; k < events_.size(); ++k)
            QMetaObject::disconnect(source_, events_[k].signalIndex, this, slotBase + int(k));
        source_ = nullptr;
        connected_ = false;
    }

    bool connected() const { return connected_ && source_; }

    int qt_metacall(QMetaObject::Call call, int id, void** argv) override
    {
        id = QObject::qt_metacall(call, id, argv);
        if (id < 0 || call != QMetaObject::InvokeMetaMethod)
            return id;
        if (id < events_.size() && source_)
            deliver(events_[id], argv);
        return -1;
    }

private:
    void deliver(const EventInfo& event, void** argv)
    {
        const QMetaMethod signal = source_->metaObject()->method(event.signalIndex);
        QList<Variant> args;
        for (int i = 0; i < signal.parameterCount(); ++i) {
            const QMetaType type = signal.parameterMetaType(i);
            try {
                if (type == QMetaType::fromType<Variant>())
                    args.append(*static_cast<const Variant*>(argv[i + 1]));
                else if (type == QMetaType::fromType<DispatchRef>())
                    args.append(Variant(*static_cast<const DispatchRef*>(argv[i + 1])));
                else
                    args.append(Variant::fromQVariant(QVariant(type, argv[i + 1])));
            } catch (const AutomationError&) {
                args.append(Variant());
            }
        }
        sink_->onEvent(event.id, event.name, args);
    }

    QPointer<QObject> source_;
    EventSink* sink_;
    QList<EventInfo> events_;
    bool connected_ = false;
};

EventConnection::EventConnection() = default;
EventConnection::EventConnection(QObject* source, EventSink* sink)
    : relay_(source && sink ? std::make_unique<SignalRelay>(source, sink) : nullptr)
{
}
EventConnection::EventConnection(EventConnection&&) noexcept = default;
EventConnection& EventConnection::operator=(EventConnection&&) noexcept = default;
EventConnection::~EventConnection() = default;

bool EventConnection::isConnected() const { return relay_ && relay_->connected(); }

void EventConnection::disconnect()
{
    if (relay_)
        relay_->disconnectAll();
    relay_.reset();
}

EventConnection connectEvents(QObject* source, EventSink* sink) { return EventConnection(source, sink); }

}  // namespace automation
