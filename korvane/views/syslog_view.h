#pragma once
// CSyslogView: the router's system log, one line per message, newest on top,
// at most 250 lines. CSyslog drives the syslog receiver by its dispatch ids.

#include "korvane/monitor/syslog_source.h"

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

    // The line for one message (see FormatSyslogLine).
    static QString FormatLine(const QDateTime& time, const QString& text) { return FormatSyslogLine(time, text); }
    static QString FormatTime(const QDateTime& time) { return FormatSyslogTime(time); }

public slots:
    // Read-only, the display font, then Start listening.
    void OnInitialUpdate();
    void StartListening();
    void StopListening();
    // At a reconnect: goes on listening when the router's address and the
    // port are those it listens for, so no message is lost in between;
    // starts again when either changed or the last start failed.
    void KeepListening();
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
    // What the receiver listens for, while it does.
    bool listening_ = false;
    QString listeningAddress_;
    int listeningPort_ = 0;
};

}  // namespace korvane
