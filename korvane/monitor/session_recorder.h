#pragma once
// SessionRecorder: the router terminal with a recording of the session in
// it (korvane --record FILE). It forwards every call to the terminal it
// wraps, writes each chunk the router sends and each key the monitor types
// to a capture file (the password masked), and marks each connection opened
// and closed. prestige-sim --replay plays such a file back. The file holds
// the router's screens (numbers, addresses, the call history): it is made
// readable by its owner only, is bounded in size, and the recorder says when
// it stops, at its limit or when the disk is full.

#include "korvane/router/driver.h"

#include <QElapsedTimer>
#include <QFile>

#include <functional>
#include <memory>

namespace prestige {
class CaptureWriter;
}

namespace korvane {

class SessionRecorder : public RouterTerminal {
public:
    // About a day against a router that repaints its status every second.
    static constexpr qint64 kDefaultLimitBytes = 100LL * 1024 * 1024;

    // password gives the router password of the moment, to mask it.
    SessionRecorder(std::unique_ptr<RouterTerminal> terminal, const QString& fileName,
                    std::function<QString()> password);
    ~SessionRecorder() override;

    // Whether the capture file could be opened; if not, the session runs
    // without a recording and errorString() says why.
    bool isRecording() const { return writer_ != nullptr; }
    // The size at which the recording stops; 0 for none, below 0 the default.
    void setLimit(qint64 bytes) { limit_ = bytes < 0 ? kDefaultLimitBytes : bytes; }
    // Told once, with the reason, when the recording stops before the run ends.
    void setStoppedHandler(std::function<void(const QString&)> handler) { stopped_ = std::move(handler); }
    QString errorString() const { return error_; }
    RouterTerminal* terminal() const { return terminal_.get(); }

    QString screen() override;
    int column() override;
    int row() override;
    void setIpAddress(const QString& address) override;
    bool isOpen() override;
    bool close() override;
    bool sendKeys(const QString& keys) override;
    bool open() override;
    void beginOpen() override;
    int closePauseMs() const override { return terminal_->closePauseMs(); }
    bool countsPaints() const override { return terminal_->countsPaints(); }
    quint64 paints() const override { return terminal_->paints(); }
    QObject* automationObject() const override;
    void setReportReceived(bool on) override;

private:
    double now() const;
    // After each write: stops the recording at its limit or on a write error.
    void checkFile();

    std::unique_ptr<RouterTerminal> terminal_;
    QFile file_;
    std::unique_ptr<prestige::CaptureWriter> writer_;
    QElapsedTimer clock_;
    QString address_;
    QString error_;
    bool reportReceived_ = false;
    qint64 limit_ = kDefaultLimitBytes;
    std::function<void(const QString&)> stopped_;
    // Keys typed while a connect is under way: written after its mark.
    bool opening_ = false;
    QList<QByteArray> heldKeys_;
};

// The terminal itself without a file name, else the terminal inside a
// recorder; a file that cannot be written gives null and the reason.
std::unique_ptr<RouterTerminal> recordSession(std::unique_ptr<RouterTerminal> terminal, const QString& fileName,
                                              std::function<QString()> password, QString* error,
                                              qint64 limitBytes = SessionRecorder::kDefaultLimitBytes,
                                              std::function<void(const QString&)> stopped = {});

// Opens (creating or emptying) a capture file readable by its owner only.
bool openPrivateCapture(QFile& file, QString* error);

}  // namespace korvane
