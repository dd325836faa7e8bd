#include "korvane/views/syslog_view.h"

#include "automation/dispatch.h"
#include "automation/errors.h"
#include "components/syslog/syslog_receiver.h"
#include "korvane/help/help_topic.h"
#include "korvane/settings/settings_store.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>

namespace korvane {

namespace {

// Shows the busy cursor while the receiver opens or closes its socket.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

// --- CSyslogView

CSyslogView::CSyslogView(std::unique_ptr<CSyslog> syslog, QWidget* parent)
    : QPlainTextEdit(parent), syslog_(syslog ? std::move(syslog) : CSyslog::create()) {
    setObjectName(QStringLiteral("SyslogView"));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    syslog_->setParent(nullptr);
    connect(syslog_.get(), &CSyslog::message, this, &CSyslogView::OnMessage);
    connect(syslog_.get(), &CSyslog::error, this, &CSyslogView::OnError);
    refresh_.setSingleShot(true);
    refresh_.setInterval(kRefreshInterval);
    connect(&refresh_, &QTimer::timeout, this, &CSyslogView::RefreshDisplay);
}

CSyslogView::~CSyslogView() {
    if (initialised_)
        StopListening();
}

void CSyslogView::OnInitialUpdate() {
    setReadOnly(true);
    QFont font(QStringLiteral("Courier New"));
    font.setPointSize(10);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    initialised_ = true;
    StartListening();
}

CSyslogView::Source CSyslogView::settingsSource(const SettingsStore* store, std::function<QString()> routerAddress) {
    return {std::move(routerAddress),
            [store] { return store ? store->syslogPort() : syslog::CSyslogReceiver::kDefaultPort; }};
}

void CSyslogView::StartListening() {
    BusyCursor busy;
    listeningAddress_ = source_.routerAddress ? source_.routerAddress() : QString();
    listeningPort_ = source_.port ? source_.port() : syslog::CSyslogReceiver::kDefaultPort;
    syslog_->SetRouterAddress(listeningAddress_);
    syslog_->SetPort(listeningPort_);
    // A start that fails says so through the error event, which clears this.
    listening_ = true;
    syslog_->StartListening();
}

void CSyslogView::KeepListening() {
    const QString address = source_.routerAddress ? source_.routerAddress() : QString();
    const int port = source_.port ? source_.port() : syslog::CSyslogReceiver::kDefaultPort;
    if (listening_ && address == listeningAddress_ && port == listeningPort_)
        return;
    StartListening();
}

void CSyslogView::StopListening() {
    BusyCursor busy;
    listening_ = false;
    syslog_->StopListening();
}

void CSyslogView::OnMessage(const QDateTime& time, const QString& text) {
    if (!handler_)
        return;
    const QString line = FormatLine(time, text);
    handler_(line);
    lines_.push_front(line);
    while (lines_.size() > std::size_t(kMaxLines))
        lines_.pop_back();
    // A flood would otherwise rebuild the text box for every datagram.
    if (!refresh_.isActive())
        refresh_.start();
}

QString CSyslogView::logText() const {
    QString text;
    for (const QString& line : lines_)
        text += line + QStringLiteral("\r\n");
    return text;
}

void CSyslogView::RefreshDisplay() {
    refresh_.stop();
    QString text = logText();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setPlainText(text);
}

void CSyslogView::Clear() {
    lines_.clear();
    refresh_.stop();
    setPlainText(QString());
}

void CSyslogView::OnError(const QString& method, int number, const QString& text) {
    if (method == QLatin1String("StartListening"))
        listening_ = false;
    const QString message = QStringLiteral("(%1) %2").arg(number).arg(text);
    if (errorHandler_) {
        errorHandler_(message);
        return;
    }
    QMessageBox::warning(window(), title_ ? title_() : QApplication::applicationDisplayName(), message);
}

void CSyslogView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        showHelpTopic(kHelpTopic);
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool CSyslogView::event(QEvent* event) {
    if (event->type() == QEvent::HelpRequest) {
        showHelpTopic(kHelpTopic);
        return true;
    }
    return QPlainTextEdit::event(event);
}

}  // namespace korvane
