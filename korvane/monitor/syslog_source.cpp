#include "korvane/monitor/syslog_source.h"

#include "automation/dispatch.h"
#include "automation/errors.h"
#include "components/syslog/syslog_receiver.h"

#include <QLocale>
#include <QRegularExpression>

namespace korvane {

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

QString FormatSyslogTime(const QDateTime& time) {
    // As the platform writes a date and time: a midnight time is left out.
    const QLocale locale;
    const QString date = locale.toString(time.date(), localFormat(locale.dateFormat(QLocale::ShortFormat)));
    if (time.time() == QTime(0, 0))
        return date;
    return date + u' ' + locale.toString(time.time(), localFormat(locale.timeFormat(QLocale::LongFormat)));
}

QString FormatSyslogLine(const QDateTime& time, const QString& text) {
    const qsizetype feed = text.indexOf(u'\n');
    const QString first = feed < 0 ? text : text.left(feed);
    // The router's text has its priority and tag in the first 33 characters:
    // the line keeps the first five and what follows them.
    return FormatSyslogTime(time) + QStringLiteral(": ") + first.left(5) + u' ' + first.mid(33);
}

}  // namespace korvane
