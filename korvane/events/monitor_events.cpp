#include "korvane/events/monitor_events.h"

#include "korvane/model/application.h"
#include "korvane/model/call_info.h"
#include "korvane/model/call_infos.h"
#include "korvane/model/line.h"
#include "korvane/model/lines.h"
#include "korvane/events/terminal_text.h"
#include "korvane/monitor/call_tracker.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace korvane {

namespace {

QString withName(const QString& number, const QString& name)
{
    return name.isEmpty() ? number : QStringLiteral("%1 (%2)").arg(number, name);
}

QString callType(const CallRecord& call) { return call.voice ? QStringLiteral("voice") : QStringLiteral("data"); }

QJsonObject callFields(const CallRecord& call)
{
    return QJsonObject{{QStringLiteral("line"), call.line},
                       {QStringLiteral("channel"), call.channel},
                       {QStringLiteral("direction"), call.direction},
                       {QStringLiteral("number"), call.callerId},
                       {QStringLiteral("name"), call.callerName},
                       {QStringLiteral("type"), callType(call)},
                       {QStringLiteral("link"), call.link},
                       {QStringLiteral("start"), QDateTime::fromSecsSinceEpoch(call.startUtc, Qt::UTC).toString(Qt::ISODate)}};
}

}  // namespace

MonitorEvents::MonitorEvents(CMonitorController* controller, FILE* out, bool json, QObject* parent)
    : QObject(parent), controller_(controller), out_(out), json_(json) {
    CMonitorController* c = controller;
    connect(c, &CMonitorController::connecting, this, [this](const QString& address) {
        emitEvent(QStringLiteral("connecting"), {{QStringLiteral("address"), address}},
                  QStringLiteral("connecting to %1").arg(address));
    });
    connect(c, &CMonitorController::connected, this, [this](bool open) {
        emitEvent(QStringLiteral("connected"), {{QStringLiteral("open"), open}},
                  open ? QStringLiteral("connected") : QStringLiteral("not connected"));
    });
    connect(c, &CMonitorController::disconnected, this, [this] {
        emitEvent(QStringLiteral("closed"), {}, QStringLiteral("connection closed"));
    });
    connect(c, &CMonitorController::statusTick, this, [this] {
        ++ticks_;
        // What the tick shows is taken now; its JSON and text are made only
        // when they are read.
        struct Tick {
            int tray;
            LineState lines[2];
            QString totalOutcallTime;
        };
        auto tick = std::make_shared<const Tick>(Tick{controller_->trayIconIndex(), {lineState(1), lineState(2)},
                                                      controller_->application().totalOutcallTime()});
        emitLazy(
            QStringLiteral("tick"),
            [tick] {
                return QJsonObject{
                    {QStringLiteral("tray"), tick->tray},
                    {QStringLiteral("lines"), QJsonArray{lineObject(tick->lines[0]), lineObject(tick->lines[1])}},
                    {QStringLiteral("totalOutcallTime"), tick->totalOutcallTime}};
            },
            [tick] {
                return QStringLiteral("tick tray=%1 | %2 | %3")
                    .arg(tick->tray)
                    .arg(lineText(tick->lines[0]), lineText(tick->lines[1]));
            });
    });
    connect(c, &CMonitorController::lineChanged, this, [this](int line, bool up) {
        const QString event = up ? QStringLiteral("connect") : QStringLiteral("disconnect");
        emitEvent(event, {{QStringLiteral("line"), line}},
                  QStringLiteral("line %1 %2").arg(line).arg(up ? QStringLiteral("up") : QStringLiteral("down")));
    });
    connect(c, &CMonitorController::callerIdChanged, this, [this](int line, const QString& clid) {
        const CLine* record = controller_->application().lines().line(line);
        const QString name = record ? record->callerName() : QString();
        emitEvent(QStringLiteral("clid"),
                  {{QStringLiteral("line"), line}, {QStringLiteral("clid"), clid}, {QStringLiteral("name"), name}},
                  QStringLiteral("caller id on line %1: %2").arg(line).arg(withName(clid, name)));
    });
    // One "call" line for every call, incoming or outgoing, voice or data, and
    // one when it ends; both as the call tracker knows the call.
    connect(&c->calls(), &CallTracker::callStarted, this, [this](const CallRecord& call) {
        if (call.resumed)
            return;  // an earlier run told of it
        emitEvent(QStringLiteral("call"), callFields(call),
                  QStringLiteral("call on line %1: %2 %3 %4")
                      .arg(call.line)
                      .arg(call.direction.isEmpty() ? QStringLiteral("?") : call.direction.toLower(),
                           callType(call), withName(call.callerId.isEmpty() ? QStringLiteral("-") : call.callerId,
                                                    call.callerName)));
    });
    connect(&c->calls(), &CallTracker::callEnded, this, [this](const CallRecord& call) {
        QJsonObject fields = callFields(call);
        fields.insert(QStringLiteral("seconds"), call.durationSeconds());
        fields.insert(QStringLiteral("ended"), callEndText(call.ended));
        const qint64 s = call.durationSeconds();
        emitEvent(QStringLiteral("call-end"), fields,
                  QStringLiteral("call on line %1 ended: %2 %3 %4, %5:%6:%7 %8")
                      .arg(call.line)
                      .arg(call.direction.isEmpty() ? QStringLiteral("?") : call.direction.toLower(), callType(call),
                           withName(call.callerId.isEmpty() ? QStringLiteral("-") : call.callerId, call.callerName))
                      .arg(s / 3600)
                      .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                      .arg(s % 60, 2, 10, QLatin1Char('0'))
                      .arg(callEndText(call.ended)));
    });
    connect(c, &CMonitorController::statusStale, this, [this] {
        emitEvent(QStringLiteral("stale"), {}, QStringLiteral("status stale: no status screen for %1 ms")
                                                   .arg(controller_->settings().connectionTimeout()));
    });
    connect(c, &CMonitorController::callHistoryRead, this, [this] {
        QJsonArray calls;
        int used = 0;
        for (const CCallInfo& call : controller_->application().callInfos()) {
            if (call.phoneNumber().isEmpty() && call.noOfCalls() == 0)
                continue;
            ++used;
            calls.append(QJsonObject{{QStringLiteral("phoneNumber"), call.phoneNumber()},
                                     {QStringLiteral("direction"), call.direction()},
                                     {QStringLiteral("baudRate"), call.baudRate()},
                                     {QStringLiteral("calls"), call.noOfCalls()},
                                     {QStringLiteral("minTime"), call.minTime()},
                                     {QStringLiteral("maxTime"), call.maxTime()},
                                     {QStringLiteral("totalTime"), call.totalTime()}});
        }
        QString text = QStringLiteral("call history read: %1 entries").arg(used);
        for (const auto& value : calls) {
            const QJsonObject o = value.toObject();
            text += QStringLiteral("\n  %1 %2 calls=%3 total=%4")
                        .arg(o[QStringLiteral("phoneNumber")].toString(), o[QStringLiteral("direction")].toString())
                        .arg(o[QStringLiteral("calls")].toInt())
                        .arg(o[QStringLiteral("totalTime")].toString().trimmed());
        }
        emitEvent(QStringLiteral("history"), {{QStringLiteral("calls"), calls}}, text);
    });
    connect(c, &CMonitorController::reconnectScheduled, this, [this](int attempt, int wait) {
        emitEvent(QStringLiteral("reconnect-scheduled"),
                  {{QStringLiteral("attempt"), attempt}, {QStringLiteral("wait"), wait}},
                  QStringLiteral("no status from the router: reconnect %1 in %2 s").arg(attempt).arg(wait));
    });
    connect(c, &CMonitorController::reconnecting, this, [this](int attempt, int wait) {
        emitEvent(QStringLiteral("reconnect"), {{QStringLiteral("attempt"), attempt}, {QStringLiteral("wait"), wait}},
                  QStringLiteral("reconnect %1 after %2 s without status").arg(attempt).arg(wait));
    });
    connect(c, &CMonitorController::detoursStopped, this, [this] {
        emitEvent(QStringLiteral("history-stopped"), {},
                  QStringLiteral("call history not read any more: the router's menus were not recognised"));
    });
    connect(c, &CMonitorController::badPassword, this, [this] {
        emitEvent(QStringLiteral("badpassword"), {}, QStringLiteral("the router reported a bad password"));
    });
    connect(c, &CMonitorController::controlError, this, [this](int error, const QString& text) {
        emitEvent(QStringLiteral("error"), {{QStringLiteral("code"), error}, {QStringLiteral("text"), text}},
                  QStringLiteral("error (%1) %2").arg(error).arg(text));
    });
}

void MonitorEvents::information(const QString& caption, const QString& text) {
    Q_UNUSED(caption);
    Q_UNUSED(text);
}

bool MonitorEvents::question(const QString& caption, const QString& text) {
    Q_UNUSED(caption);
    Q_UNUSED(text);
    return false;
}

MonitorEvents::LineState MonitorEvents::lineState(int number) const {
    LineState state;
    state.number = number;
    state.row = controller_->statusRows()[number - 1];
    const CLine* line = controller_->application().lines().line(number);
    if (!line)
        return state;
    state.known = true;
    state.up = controller_->lineMemory()[number - 1].up;
    state.channel = line->channel();
    state.link = line->link();
    state.type = line->type();
    state.packetsSent = line->packetsSent();
    state.packetsReceived = line->packetsReceived();
    state.errors = line->errors();
    state.lineUtilization = line->lineUtilization();
    state.averageLineUtilization = line->averageLineUtilization();
    state.upTime = line->upTime();
    state.ipAddress = line->ipAddress();
    state.clid = line->clid();
    return state;
}

QJsonObject MonitorEvents::lineObject(const LineState& line) {
    if (!line.known)
        return {};
    return QJsonObject{
        {QStringLiteral("line"), line.number},
        {QStringLiteral("up"), line.up},
        {QStringLiteral("channel"), line.channel},
        {QStringLiteral("link"), line.link},
        {QStringLiteral("type"), line.type},
        {QStringLiteral("packetsSent"), line.packetsSent},
        {QStringLiteral("packetsReceived"), line.packetsReceived},
        {QStringLiteral("errors"), line.errors},
        {QStringLiteral("lineUtilization"), line.lineUtilization},
        {QStringLiteral("averageLineUtilization"), line.averageLineUtilization},
        {QStringLiteral("upTime"), line.upTime},
        {QStringLiteral("ipAddress"), line.ipAddress},
        {QStringLiteral("clid"), line.clid},
        {QStringLiteral("cells"),
         QJsonArray::fromStringList(QStringList(line.row.cells.begin(), line.row.cells.end()))},
    };
}

QString MonitorEvents::lineText(const LineState& line) {
    const StatusRow& row = line.row;
    const QString channel = row.cells[0].isEmpty() ? QStringLiteral("--") : row.cells[0];
    return QStringLiteral("%1: %2 %3 sent=%4 recv=%5 err=%6 util=%7 up=%8 %9")
        .arg(line.number)
        .arg(channel, row.cells[1].isEmpty() ? QStringLiteral("idle") : row.cells[1], row.cells[2], row.cells[3],
             row.cells[4], row.cells[5], row.cells[6].isEmpty() ? QStringLiteral("-") : row.cells[6], row.cells[7]);
}

MonitorEvent::MonitorEvent(std::function<QJsonObject()> build) : d_(std::make_shared<Data>()) {
    d_->build = std::move(build);
}

const QJsonObject& MonitorEvent::object() const {
    // The console's thread and the endpoint's may both ask first.
    std::call_once(d_->once, [this] {
        d_->object = d_->build();
        d_->build = nullptr;
    });
    return d_->object;
}

void MonitorEvents::emitEvent(const QString& event, const QJsonObject& fields, const QString& text) {
    emitLazy(event, [fields] { return fields; }, [&text] { return text; });
}

void MonitorEvents::emitLazy(const QString& event, std::function<QJsonObject()> fields,
                              const std::function<QString()>& text) {
    const QDateTime time = QDateTime::currentDateTimeUtc();
    const MonitorEvent built([event, time, fields = std::move(fields)] {
        QJsonObject object = fields();
        object.insert(QStringLiteral("event"), event);
        object.insert(QStringLiteral("time"), time.toString(Qt::ISODateWithMs));
        return object;
    });
    if (out_) {
        QByteArray line;
        if (json_)
            line = escapeJsonControls(QJsonDocument(built.object()).toJson(QJsonDocument::Compact));
        else
            line = (QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss ")) + visibleControls(text())).toUtf8();
        line += '\n';
        if (sink_) {
            sink_(std::move(line));
        } else {
            std::fwrite(line.constData(), 1, size_t(line.size()), out_);
            std::fflush(out_);
        }
    }
    emit eventEmitted(built);
}

}  // namespace korvane
