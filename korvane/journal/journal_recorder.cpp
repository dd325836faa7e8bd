#include "korvane/journal/journal_recorder.h"

#include "korvane/model/application.h"
#include "korvane/model/call_infos.h"
#include "korvane/model/lines.h"
#include "korvane/shell/controller.h"

#include <QDateTime>

namespace korvane {

namespace {
// A line that goes down this soon after the drop command was dropped by it.
constexpr qint64 kDropWindowSeconds = 30;
}  // namespace

qint64 upTimeSeconds(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return -1;
    qint64 total = 0;
    for (const QString& part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok);
        if (!ok || value < 0 || part.size() > 6)
            return -1;
        total = total * 60 + value;
    }
    return total;
}

JournalRecorder::JournalRecorder(CMonitorController* controller, CallJournal* journal, QObject* parent)
    : QObject(parent), controller_(controller), journal_(journal),
      clock_([] { return QDateTime::currentSecsSinceEpoch(); })
{
    journal_->closeOpenCalls(CallEnd::MonitorStopped);
    connect(controller, &CMonitorController::statusTick, this, &JournalRecorder::onTick);
    connect(controller, &CMonitorController::callHistoryRead, this, &JournalRecorder::onHistory);
    connect(controller, &CMonitorController::statusStale, this, [this] { endOpenCalls(CallEnd::RouterLost); });
    connect(controller, &CMonitorController::disconnected, this, [this] { endOpenCalls(CallEnd::MonitorStopped); });
    connect(controller, &CMonitorController::dropRequested, this, &JournalRecorder::noteDropRequested);
    // The log is folded into the file between ticks, half a second after
    // one, so the flush to disk never lands inside a tick.
    checkpoints_.setInterval(60 * 1000);
    connect(&checkpoints_, &QTimer::timeout, this, [this] {
        QTimer::singleShot(500, this, [this] { journal_->checkpoint(); });
    });
    checkpoints_.start();
}

JournalRecorder::~JournalRecorder() { endOpenCalls(CallEnd::MonitorStopped); }

void JournalRecorder::setErrorListener(std::function<void(const QString&)> listener)
{
    errorListener_ = std::move(listener);
    check();
}

const CallRecord* JournalRecorder::openCall(int line) const
{
    if (line < 1 || line > 2 || calls_[line - 1].id == 0)
        return nullptr;
    return &calls_[line - 1];
}

void JournalRecorder::check()
{
    if (journal_->isOpen() || reported_ || !errorListener_)
        return;
    reported_ = true;
    errorListener_(QStringLiteral("The call journal is off for this run: %1").arg(journal_->errorText()));
}

void JournalRecorder::noteDropRequested(int which)
{
    const qint64 now = clock_();
    for (int n = 0; n < 2; ++n)
        if (calls_[n].id != 0 && (which == 0 || calls_[n].channel == which))
            dropRequested_[n] = now;
}

void JournalRecorder::endOpenCalls(CallEnd how)
{
    for (int n = 0; n < 2; ++n) {
        if (calls_[n].id == 0)
            continue;
        journal_->endCall(calls_[n].id, calls_[n].lastTickUtc, how);
        calls_[n] = CallRecord();
    }
    journal_->checkpoint();
    check();
}

void JournalRecorder::onTick()
{
    if (!journal_->isOpen())
        return;
    const qint64 now = clock_();
    const CLines& lines = controller_->application().lines();
    for (int n = 0; n < 2; ++n) {
        const CLine& line = *lines.line(n + 1);
        CallRecord& call = calls_[n];
        const qint64 upTime = upTimeSeconds(line.upTime());
        if (call.id != 0) {
            // A new call between two ticks: another link, or a clock that started again.
            const qint64 seen = call.lastTickUtc - call.startUtc;
            const bool replaced = line.isUp() && (line.link() != call.link || (upTime >= 0 && upTime + 5 < seen));
            if (!line.isUp() || replaced) {
                const bool dropped = dropRequested_[n] != 0 && now - dropRequested_[n] <= kDropWindowSeconds;
                journal_->endCall(call.id, replaced ? call.lastTickUtc : now,
                                  dropped ? CallEnd::Dropped : CallEnd::HungUp);
                call = CallRecord();
                dropRequested_[n] = 0;
            }
        }
        if (!line.isUp())
            continue;
        const bool starting = call.id == 0;
        if (starting) {
            call.line = n + 1;
            call.startUtc = now - qMax<qint64>(0, upTime);
            utilizationSum_[n] = 0;
            samples_[n] = 0;
        }
        call.channel = line.channel();
        call.lastTickUtc = now;
        call.link = line.link();
        call.type = line.type();
        call.voice = line.link().contains(QLatin1String("Voice"), Qt::CaseInsensitive);
        if (!line.ipAddress().isEmpty())
            call.peerIp = line.ipAddress();
        if (!line.clid().isEmpty() && line.clid() != call.callerId) {
            call.callerId = line.clid();
            call.direction = QStringLiteral("In");
            call.callerName = lookup_ ? lookup_(call.callerId) : QString();
        }
        call.packetsSent = line.packetsSent();
        call.packetsReceived = line.packetsReceived();
        call.errors = line.errors();
        utilizationSum_[n] += qMax(0, line.lineUtilization());
        ++samples_[n];
        call.averageUtilization = int(utilizationSum_[n] / samples_[n]);
        call.peakUtilization = qMax(call.peakUtilization, line.lineUtilization());
        if (starting)
            journal_->startCall(call);
        else
            journal_->updateCall(call);
    }
    check();
}

void JournalRecorder::onHistory()
{
    if (!journal_->isOpen())
        return;
    const qint64 now = clock_();
    QList<HistorySnapshot> rows;
    for (const CCallInfo& info : controller_->application().callInfos()) {
        if (info.phoneNumber().isEmpty() && info.noOfCalls() == 0)
            continue;
        rows.append({now, info.phoneNumber(), info.direction(), info.baudRate(), info.noOfCalls(), info.minTime(),
                     info.maxTime(), info.totalTime()});
    }
    if (!rows.isEmpty())
        journal_->recordHistory(rows);
    check();
}

}  // namespace korvane
