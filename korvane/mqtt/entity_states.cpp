#include "korvane/mqtt/entity_states.h"

#include <limits>

namespace korvane::mqtt {

bool EntityStates::offer(const QString& topic, const QByteArray& value, qint64 nowMs) {
    auto it = entities_.find(topic);
    if (it == entities_.end()) {
        it = entities_.insert(topic, Entity{});
        order_.append(topic);
    }
    Entity& e = *it;
    e.latest = value;
    if (e.everSent && e.sent == value) {
        e.pending = false;  // it went back to what the broker has
        return false;
    }
    if (!e.everSent || nowMs - e.sentAtMs >= intervalMs_) {
        e.sent = value;
        e.sentAtMs = nowMs;
        e.everSent = true;
        e.pending = false;
        return true;
    }
    e.pending = true;
    return false;
}

void EntityStates::remember(const QString& topic, const QByteArray& value) {
    auto it = entities_.find(topic);
    if (it == entities_.end()) {
        it = entities_.insert(topic, Entity{});
        order_.append(topic);
    }
    it->latest = value;
    it->pending = true;
}

QList<TopicValue> EntityStates::takeDue(qint64 nowMs) {
    QList<TopicValue> due;
    for (const QString& topic : std::as_const(order_)) {
        Entity& e = entities_[topic];
        if (e.pending && e.everSent && nowMs - e.sentAtMs >= intervalMs_) {
            e.sent = e.latest;
            e.sentAtMs = nowMs;
            e.pending = false;
            due.append({topic, e.latest});
        }
    }
    return due;
}

qint64 EntityStates::nextDueMs() const {
    qint64 next = std::numeric_limits<qint64>::max();
    for (const Entity& e : entities_)
        if (e.pending && e.everSent)
            next = std::min(next, e.sentAtMs + intervalMs_);
    return next == std::numeric_limits<qint64>::max() ? -1 : next;
}

QList<TopicValue> EntityStates::takeAll(qint64 nowMs) {
    QList<TopicValue> all;
    all.reserve(order_.size());
    for (const QString& topic : std::as_const(order_)) {
        Entity& e = entities_[topic];
        e.sent = e.latest;
        e.sentAtMs = nowMs;
        e.everSent = true;
        e.pending = false;
        all.append({topic, e.latest});
    }
    return all;
}

}  // namespace korvane::mqtt
