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
#include <QLocale>
#include <QMessageBox>
#include <QRegularExpression>

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

// --- CSyslog

CSyslog::CSyslog(QObject* receiver, QObject* parent) : QObject(parent), receiver_(receiver) {
    if (!receiver)
        return;
    receiver->setParent(this);
    dispatch_ = automation::dispatchFor(receiver);
    events_ = automation::connectEvents(receiver, this);
}

std::unique_ptr<CSyslog> CSyslog::create(QObject* parent) {
    return std::make_unique<CSyslog>(new syslog::CSyslogReceiver, parent);
}

void CSyslog::call(automation::DispId id, automation::CallKind kind, QList<automation::Variant> args) {
    if (!receiver_ || !dispatch_)
        return;
    try {
        // The listening methods' results say nothing the user could act on:
        // failures come as error events.
        dispatch_->invoke(id, kind, args);
    } catch (const automation::AutomationError& e) {
        emit error(QString(), e.number(), e.description());
    }
}

void CSyslog::SetRouterAddress(const QString& address) {
    call(kRouterAddress, automation::CallKind::PropertyPut, {automation::Variant(address)});
}

void CSyslog::SetPort(int port) { call(kPort, automation::CallKind::PropertyPut, {automation::Variant(qint32(port))}); }

void CSyslog::StartListening() { call(kStartListening, automation::CallKind::Method, {}); }

void CSyslog::StopListening() { call(kStopListening, automation::CallKind::Method, {}); }

void CSyslog::onEvent(automation::DispId id, const QString&, const QList<automation::Variant>& args) {
    try {
        if (id == kOnMessage && args.size() >= 1 && args.at(0).isObject()) {
            const automation::DispatchRef message = args.at(0).toObject();
            if (!message)
                return;
            QList<automation::Variant> none;
            const automation::Variant time = message->invoke(kMessageTime, automation::CallKind::PropertyGet, none);
            const automation::Variant text = message->invoke(kMessageText, automation::CallKind::PropertyGet, none);
            emit this->message(automation::fromOleDate(time.toDate()), text.toString());
        } else if (id == kOnError && args.size() >= 3) {
            emit error(args.at(0).toString(), args.at(1).toLong(), args.at(2).toString());
        }
    } catch (const automation::AutomationError&) {
        // A message object that does not answer as expected is dropped.
    }
}

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
    syslog_->SetRouterAddress(source_.routerAddress ? source_.routerAddress() : QString());
    syslog_->SetPort(source_.port ? source_.port() : syslog::CSyslogReceiver::kDefaultPort);
    syslog_->StartListening();
}

void CSyslogView::StopListening() {
    BusyCursor busy;
    syslog_->StopListening();
}

namespace {

// A locale's date or time format with the time zone left out (and the
// brackets some locales put around it) and a two-digit year made four-digit.
// Quoted literals are copied as they are.
QString localFormat(const QString& format) {
    QString out;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            const qsizetype close = format.indexOf(u'\'', i + 1);
            const qsizetype end = close < 0 ? format.size() : close + 1;
            out += format.mid(i, end - i);
            i = end;
            continue;
        }
        qsizetype run = i;
        while (run < format.size() && format.at(run) == c)
            ++run;
        const qsizetype length = run - i;
        if (c == u't')
            ;  // the zone: the log's times are all local
        else if (c == u'y' && length < 4)
            out += QStringLiteral("yyyy");
        else
            out += format.mid(i, length);
        i = run;
    }
    static const QRegularExpression emptyBrackets(QStringLiteral("[(\\[]\\s*[)\\]]"));
    out.remove(emptyBrackets);
    return out.simplified();
}

}  // namespace

QString CSyslogView::FormatTime(const QDateTime& time) {
    // As the platform writes a date and time: a midnight time is left out.
    const QLocale locale;
    const QString date = locale.toString(time.date(), localFormat(locale.dateFormat(QLocale::ShortFormat)));
    if (time.time() == QTime(0, 0))
        return date;
    return date + u' ' + locale.toString(time.time(), localFormat(locale.timeFormat(QLocale::LongFormat)));
}

QString CSyslogView::FormatLine(const QDateTime& time, const QString& text) {
    const qsizetype feed = text.indexOf(u'\n');
    const QString first = feed < 0 ? text : text.left(feed);
    // The router's text has its priority and tag in the first 33 characters:
    // the line keeps the first five and what follows them.
    return FormatTime(time) + QStringLiteral(": ") + first.left(5) + u' ' + first.mid(33);
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

void CSyslogView::OnError(const QString&, int number, const QString& text) {
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
