#include "korvane/monitor/session_recorder.h"

#include "components/prestige/capture.h"
#include "korvane/router/tessen.h"

#include <QFileInfo>
#include <utility>

namespace korvane {

SessionRecorder::SessionRecorder(std::unique_ptr<RouterTerminal> terminal, const QString& fileName,
                                 std::function<QString()> password)
    : terminal_(std::move(terminal)), file_(fileName) {
    if (!terminal_)
        terminal_ = std::make_unique<CTessen>(nullptr);
    clock_.start();
    QString openError;
    if (!openPrivateCapture(file_, &openError)) {
        error_ = QStringLiteral("%1: %2").arg(fileName, openError);
    } else {
        writer_ = std::make_unique<prestige::CaptureWriter>(
            &file_, [password = std::move(password)] { return password ? password().toLatin1() : QByteArray(); });
    }
    // The events come up through here, so that the driver sets its
    // callbacks on the recorder as on any terminal.
    terminal_->onScreenChange = [this] {
        if (onScreenChange)
            onScreenChange();
    };
    terminal_->onError = [this](const QString& method, int error, const QString& text) {
        if (onError)
            onError(method, error, text);
    };
    terminal_->onReceived = [this](const QByteArray& chunk) {
        if (writer_) {
            writer_->received(now(), chunk);
            checkFile();
        }
        if (reportReceived_ && onReceived)
            onReceived(chunk);
    };
    terminal_->setReportReceived(writer_ != nullptr);
    terminal_->onOpened = [this](bool opened) {
        opening_ = false;
        if (writer_ && opened) {
            writer_->opened(now(), address_.toLatin1());
            for (const QByteArray& keys : std::exchange(heldKeys_, {}))
                writer_->sent(now(), keys);
        }
        heldKeys_.clear();
        if (onOpened)
            onOpened(opened);
    };
}

SessionRecorder::~SessionRecorder() {
    terminal_->onScreenChange = nullptr;
    terminal_->onError = nullptr;
    terminal_->onReceived = nullptr;
    terminal_->onOpened = nullptr;
    writer_.reset();  // writes what it held back
}

double SessionRecorder::now() const { return double(clock_.nsecsElapsed()) / 1e9; }

void SessionRecorder::checkFile() {
    QString reason;
    if (file_.error() != QFileDevice::NoError)
        reason = QStringLiteral("Recording to %1 stopped: %2").arg(file_.fileName(), file_.errorString());
    else if (limit_ > 0 && file_.size() >= limit_)
        reason = QStringLiteral("Recording to %1 stopped at its limit of %2 (--record-limit)")
                     .arg(file_.fileName(), limit_ >= 1024 * 1024 ? QStringLiteral("%1 MB").arg(limit_ / (1024 * 1024))
                                                                  : QStringLiteral("%1 KB").arg(limit_ / 1024));
    if (reason.isEmpty())
        return;
    writer_.reset();  // writes what it held back, where it still can
    file_.close();
    terminal_->setReportReceived(reportReceived_);
    if (stopped_)
        stopped_(reason);
}

QString SessionRecorder::screen() { return terminal_->screen(); }
int SessionRecorder::column() { return terminal_->column(); }
int SessionRecorder::row() { return terminal_->row(); }

void SessionRecorder::setIpAddress(const QString& address) {
    address_ = address;
    terminal_->setIpAddress(address);
}

bool SessionRecorder::isOpen() { return terminal_->isOpen(); }

bool SessionRecorder::close() {
    opening_ = false;
    heldKeys_.clear();
    const bool wasOpen = terminal_->isOpen();
    const bool closed = terminal_->close();
    if (writer_ && wasOpen) {
        writer_->closed(now());
        checkFile();
    }
    return closed;
}

bool SessionRecorder::sendKeys(const QString& keys) {
    if (opening_) {
        heldKeys_.append(keys.toLatin1());
        return terminal_->sendKeys(keys);
    }
    // Recorded before they go: the router's answer may arrive within the call.
    if (writer_ && terminal_->isOpen()) {
        writer_->sent(now(), keys.toLatin1());
        checkFile();
    }
    return terminal_->sendKeys(keys);
}

bool SessionRecorder::open() {
    // Opening blocks without running the event loop, so nothing of the router
    // arrives before the mark; a connect that fails leaves no connection.
    const bool opened = terminal_->open();
    if (writer_ && opened) {
        writer_->opened(now(), address_.toLatin1());
        checkFile();
    }
    return opened;
}

void SessionRecorder::beginOpen() {
    // The mark is written when the connect has ended, before anything of the
    // router can arrive.
    opening_ = true;
    heldKeys_.clear();
    terminal_->beginOpen();
}

QObject* SessionRecorder::automationObject() const { return terminal_->automationObject(); }

void SessionRecorder::setReportReceived(bool on) {
    reportReceived_ = on;
    if (!writer_)
        terminal_->setReportReceived(on);
}

std::unique_ptr<RouterTerminal> recordSession(std::unique_ptr<RouterTerminal> terminal, const QString& fileName,
                                              std::function<QString()> password, QString* error,
                                              qint64 limitBytes, std::function<void(const QString&)> stopped) {
    if (fileName.isEmpty())
        return terminal ? std::move(terminal) : std::make_unique<CTessen>(nullptr);
    auto recorder = std::make_unique<SessionRecorder>(std::move(terminal), fileName, std::move(password));
    recorder->setLimit(limitBytes);
    recorder->setStoppedHandler(std::move(stopped));
    if (!recorder->isRecording()) {
        if (error)
            *error = recorder->errorString();
        return nullptr;
    }
    return recorder;
}

bool openPrivateCapture(QFile& file, QString* error) {
    const QFileDevice::Permissions owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    // A new file is made private as it is created; one that exists is made
    // private before anything of this session goes into it.
    if (QFileInfo(file).isFile() && !file.setPermissions(owner)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered, owner)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace korvane
