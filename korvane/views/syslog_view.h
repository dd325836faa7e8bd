#pragma once
// CSyslogView: the router's system log, one line per message, newest on top,
// at most 250 lines. CSyslog drives the syslog receiver by its dispatch ids.

#include "automation/events.h"
#include "automation/variant.h"

#include <QDateTime>
#include <QPlainTextEdit>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

namespace korvane {

class SettingsStore;

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

class CSyslogView : public QPlainTextEdit {
    Q_OBJECT
public:
    static inline const QString kHelpTopic = QStringLiteral("Korvane.chm::/The_Syslog_View.htm");
    static constexpr int kMaxLines = 250;
    // A flood of messages repaints the text box at most this often.
    static constexpr int kRefreshInterval = 75;  // ms

    // Where Start listening takes the router address and the port from.
    struct Source {
        std::function<QString()> routerAddress;
        std::function<int()> port;
    };

    // The view with the receiver given (null: the program's own).
    explicit CSyslogView(std::unique_ptr<CSyslog> syslog = nullptr, QWidget* parent = nullptr);
    ~CSyslogView() override;

    void setSource(Source source) { source_ = std::move(source); }
    // The router address as given, the port from the store's "Syslog Port"
    // (read at each Start listening, so a changed port counts at the next
    // reconnect). The store must outlive the view.
    static Source settingsSource(const SettingsStore* store, std::function<QString()> routerAddress);
    // Each line goes here before it is logged (the controller's OnSyslogMessage).
    // Without one the view is not ready and messages are ignored.
    void setMessageHandler(std::function<void(const QString&)> handler) { handler_ = std::move(handler); }
    // Shows a receiver error; without one a message box with the title below.
    void setErrorHandler(std::function<void(const QString& text)> handler) { errorHandler_ = std::move(handler); }
    void setTitleSource(std::function<QString()> title) { title_ = std::move(title); }

    CSyslog* syslog() const { return syslog_.get(); }
    // The log, CR LF between lines, newest first.
    QString logText() const;
    int lineCount() const { return int(lines_.size()); }
    // Whether the text box is behind the log (a refresh is due).
    bool refreshPending() const { return refresh_.isActive(); }

    // The line for one message.
    static QString FormatLine(const QDateTime& time, const QString& text);
    static QString FormatTime(const QDateTime& time);

public slots:
    // Read-only, the display font, then Start listening.
    void OnInitialUpdate();
    void StartListening();
    void StopListening();
    void Clear();
    // A message from the receiver.
    void OnMessage(const QDateTime& time, const QString& text);
    void OnError(const QString& method, int number, const QString& text);
    // Puts the log into the text box now.
    void RefreshDisplay();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::unique_ptr<CSyslog> syslog_;
    Source source_;
    std::function<void(const QString&)> handler_;
    std::function<void(const QString&)> errorHandler_;
    std::function<QString()> title_;
    std::deque<QString> lines_;  // newest first
    QTimer refresh_;
    bool initialised_ = false;
};

}  // namespace korvane
