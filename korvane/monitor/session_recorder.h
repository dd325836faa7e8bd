#pragma once
// SessionRecorder: the router terminal with a recording of the session in
// it (korvane --record FILE). It forwards every call to the terminal it
// wraps, writes each chunk the router sends and each key the monitor types
// to a capture file (the password masked), and marks each connection opened
// and closed. prestige-sim --replay plays such a file back.

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
    // password gives the router password of the moment, to mask it.
    SessionRecorder(std::unique_ptr<RouterTerminal> terminal, const QString& fileName,
                    std::function<QString()> password);
    ~SessionRecorder() override;

    // Whether the capture file could be opened; if not, the session runs
    // without a recording and errorString() says why.
    bool isRecording() const { return writer_ != nullptr; }
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

    std::unique_ptr<RouterTerminal> terminal_;
    QFile file_;
    std::unique_ptr<prestige::CaptureWriter> writer_;
    QElapsedTimer clock_;
    QString address_;
    QString error_;
    bool reportReceived_ = false;
    // Keys typed while a connect is under way: written after its mark.
    bool opening_ = false;
    QList<QByteArray> heldKeys_;
};

// The terminal itself without a file name, else the terminal inside a
// recorder; a file that cannot be written gives null and the reason.
std::unique_ptr<RouterTerminal> recordSession(std::unique_ptr<RouterTerminal> terminal, const QString& fileName,
                                              std::function<QString()> password, QString* error);

}  // namespace korvane
