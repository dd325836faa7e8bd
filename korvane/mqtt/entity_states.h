#pragma once
// The retained state of each entity, sent when it changes and at most once
// per interval: a value that changes faster waits for the interval and then
// goes out as its latest value, so the broker always ends on the last one.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <utility>

namespace korvane::mqtt {

using TopicValue = std::pair<QString, QByteArray>;

class EntityStates {
public:
    explicit EntityStates(qint64 intervalMs = 1000) : intervalMs_(intervalMs) {}

    // A value seen at nowMs; true when it is to be sent now (and counted as
    // sent). A value the broker already has is never sent again.
    bool offer(const QString& topic, const QByteArray& value, qint64 nowMs);
    // Remembers a value without sending it (no broker now); it goes out with
    // everything else once one is back.
    void remember(const QString& topic, const QByteArray& value);
    // The held-back values whose interval has passed, counted as sent.
    QList<TopicValue> takeDue(qint64 nowMs);
    // When the next held-back value falls due; -1 when none waits.
    qint64 nextDueMs() const;
    // Every latest value, all counted as sent at nowMs: a new connection
    // (or a broker that lost its retained messages) gets the whole state.
    QList<TopicValue> takeAll(qint64 nowMs);

    bool isEmpty() const { return entities_.isEmpty(); }

private:
    struct Entity {
        QByteArray latest;
        QByteArray sent;
        qint64 sentAtMs = 0;
        bool everSent = false;
        bool pending = false;
    };
    qint64 intervalMs_;
    QHash<QString, Entity> entities_;
    QList<QString> order_;  // first-seen order, so a full resend is stable
};

}  // namespace korvane::mqtt
