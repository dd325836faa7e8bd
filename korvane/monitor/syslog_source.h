#pragma once
// The syslog receiver as the program drives it, and the log line of one
// message. No widgets: the console monitor logs the same lines the window's
// syslog view shows.

#include "automation/events.h"
#include "automation/variant.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

namespace korvane {

// The program's side of the syslog receiver: property puts, the two listening
// methods and the two events, all by dispatch id. Calls on a missing receiver
// are skipped.
class CSyslog : public QObject, private automation::EventSink {
    Q_OBJECT
public:
    static constexpr automation::DispId kRouterAddress = 1;
    static constexpr automation::DispId kPort = 2;
    static constexpr automation::DispId kStartListening = 8;
    static constexpr automation::DispId kStopListening = 9;
    static constexpr automation::DispId kOnMessage = 1;
    static constexpr automation::DispId kOnError = 2;
    static constexpr automation::DispId kMessageTime = 1;
    static constexpr automation::DispId kMessageText = 3;

    // Takes a receiver made elsewhere (null: none); it becomes this object's child.
    explicit CSyslog(QObject* receiver, QObject* parent = nullptr);
    // With the program's own receiver.
    static std::unique_ptr<CSyslog> create(QObject* parent = nullptr);

    QObject* receiver() const { return receiver_; }
    void SetRouterAddress(const QString& address);
    void SetPort(int port);
    void StartListening();
    void StopListening();

signals:
    // Receiver event 1, the message's time and text read while it ran.
    void message(const QDateTime& time, const QString& text);
    // Receiver event 2.
    void error(const QString& method, int number, const QString& text);

private:
    void onEvent(automation::DispId id, const QString& name, const QList<automation::Variant>& args) override;
    void call(automation::DispId id, automation::CallKind kind, QList<automation::Variant> args);

    QPointer<QObject> receiver_;
    automation::DispatchRef dispatch_;
    automation::EventConnection events_;
};

// The line for one message: the local date and time, ": ", the first five
// characters of the text's first line and what follows its 33rd.
QString FormatSyslogLine(const QDateTime& time, const QString& text);
// The local date and time as the platform writes them, four-digit year, no
// zone; a midnight time is left out.
QString FormatSyslogTime(const QDateTime& time);

}  // namespace korvane
