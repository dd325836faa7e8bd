#include "korvane/shell/console_monitor.h"

#include "korvane/model/application.h"
#include "korvane/model/call_info.h"
#include "korvane/model/call_infos.h"
#include "korvane/model/line.h"
#include "korvane/model/lines.h"
#include "korvane/shell/terminal_text.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace korvane {

ConsoleMonitor::ConsoleMonitor(CMonitorController* controller, FILE* out, bool json, QObject* parent)
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
        const int tray = controller_->trayIconIndex();
        QJsonObject fields{{QStringLiteral("tray"), tray},
                           {QStringLiteral("lines"), QJsonArray{lineObject(1), lineObject(2)}},
                           {QStringLiteral("totalOutcallTime"), controller_->application().totalOutcallTime()}};
        emitEvent(QStringLiteral("tick"), fields,
                  QStringLiteral("tick tray=%1 | %2 | %3").arg(tray).arg(lineText(1), lineText(2)));
    });
    connect(c, &CMonitorController::lineChanged, this, [this](int line, bool up) {
        const QString event = up ? QStringLiteral("connect") : QStringLiteral("disconnect");
        emitEvent(event, {{QStringLiteral("line"), line}},
                  QStringLiteral("line %1 %2").arg(line).arg(up ? QStringLiteral("up") : QStringLiteral("down")));
    });
    connect(c, &CMonitorController::callerIdChanged, this, [this](int line, const QString& clid) {
        emitEvent(QStringLiteral("clid"), {{QStringLiteral("line"), line}, {QStringLiteral("clid"), clid}},
                  QStringLiteral("caller id on line %1: %2").arg(line).arg(clid));
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

void ConsoleMonitor::information(const QString& caption, const QString& text) {
    Q_UNUSED(caption);
    Q_UNUSED(text);
}

bool ConsoleMonitor::question(const QString& caption, const QString& text) {
    Q_UNUSED(caption);
    Q_UNUSED(text);
    return false;
}

QJsonObject ConsoleMonitor::lineObject(int number) const {
    const CLine* line = controller_->application().lines().line(number);
    if (!line)
        return {};
    const StatusRow& row = controller_->statusRows()[number - 1];
    return QJsonObject{
        {QStringLiteral("line"), number},
        {QStringLiteral("up"), controller_->lineMemory()[number - 1].up},
        {QStringLiteral("channel"), line->channel()},
        {QStringLiteral("link"), line->link()},
        {QStringLiteral("type"), line->type()},
        {QStringLiteral("packetsSent"), line->packetsSent()},
        {QStringLiteral("packetsReceived"), line->packetsReceived()},
        {QStringLiteral("errors"), line->errors()},
        {QStringLiteral("lineUtilization"), line->lineUtilization()},
        {QStringLiteral("averageLineUtilization"), line->averageLineUtilization()},
        {QStringLiteral("upTime"), line->upTime()},
        {QStringLiteral("ipAddress"), line->ipAddress()},
        {QStringLiteral("clid"), line->clid()},
        {QStringLiteral("cells"), QJsonArray::fromStringList(QStringList(row.cells.begin(), row.cells.end()))},
    };
}

QString ConsoleMonitor::lineText(int number) const {
    const StatusRow& row = controller_->statusRows()[number - 1];
    const QString channel = row.cells[0].isEmpty() ? QStringLiteral("--") : row.cells[0];
    return QStringLiteral("%1: %2 %3 sent=%4 recv=%5 err=%6 util=%7 up=%8 %9")
        .arg(number)
        .arg(channel, row.cells[1].isEmpty() ? QStringLiteral("idle") : row.cells[1], row.cells[2], row.cells[3],
             row.cells[4], row.cells[5], row.cells[6].isEmpty() ? QStringLiteral("-") : row.cells[6], row.cells[7]);
}

void ConsoleMonitor::emitEvent(const QString& event, const QJsonObject& fields, const QString& text) {
    QJsonObject object = fields;
    object.insert(QStringLiteral("event"), event);
    object.insert(QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    if (out_) {
        QByteArray line;
        if (json_)
            line = escapeJsonControls(QJsonDocument(object).toJson(QJsonDocument::Compact));
        else
            line = (QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss ")) + visibleControls(text)).toUtf8();
        line += '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), out_);
        std::fflush(out_);
    }
    emit eventEmitted(object);
}

}  // namespace korvane
