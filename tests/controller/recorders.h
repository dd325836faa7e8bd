#pragma once
// Test doubles for the controller's services: everything they see goes into
// one shared log, so tests can check the order across scripts and sounds.

#include "automation/variant.h"
#include "korvane/router/driver.h"
#include "korvane/monitor/controller.h"
#include "korvane/views/list_cells.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <array>

namespace korvane::test {

struct Log {
    QStringList entries;
    void add(const QString& s) { entries.append(s); }
};

class FakeSettings : public MonitorSettings {
public:
    QString address = QStringLiteral("127.0.0.1:1");
    QString pass = QStringLiteral("1234");
    bool sound = true;
    bool scripts = true;
    QString script = QStringLiteral("monitor.vbs");
    int timeout = 5000;
    int wait = 0;
    int refresh = 60;
    int reconnect = 0;  // seconds; 0: no automatic reconnect

    QString ipAddress() const override { return address; }
    QString password() const override { return pass; }
    bool isSoundOn() const override { return sound; }
    QString lineUpSound() const override { return QStringLiteral("up.wav"); }
    QString lineDownSound() const override { return QStringLiteral("down.wav"); }
    bool isScriptOn() const override { return scripts; }
    QString scriptFile() const override { return script; }
    int connectionTimeout() const override { return timeout; }
    int waitForConnect() const override { return wait; }
    int callHistoryRefresh() const override { return refresh; }
    int reconnectInterval() const override { return reconnect; }
};

class RecordingScript : public ScriptEvents {
public:
    explicit RecordingScript(Log* log) : log_(log) {}
    bool hasEvent(const QString&) const override { return true; }
    void fireEvent(const QString& name, const QList<automation::Variant>& args) override {
        if (name == QLatin1String("OnTtyChange") || name == QLatin1String("OnTick"))
            return;  // too frequent to log; counted instead
        QString entry = name;
        if (!args.isEmpty())
            entry += QLatin1Char('(') + args[0].toDisplayString() + QLatin1Char(')');
        log_->add(entry);
    }
    void compile() override { log_->add(QStringLiteral("compile")); }

private:
    Log* log_;
};

class RecordingSounds : public SoundPlayer {
public:
    explicit RecordingSounds(Log* log) : log_(log) {}
    void play(const QString& file) override { log_->add(QStringLiteral("sound ") + file); }

private:
    Log* log_;
};

class RecordingBoxes : public MessageBoxes {
public:
    explicit RecordingBoxes(Log* log) : log_(log) {}
    bool answer = true;
    void information(const QString& caption, const QString& text) override { log_->add(QStringLiteral("box ") + caption + QStringLiteral(": ") + text); }
    bool question(const QString& caption, const QString& text) override {
        log_->add(QStringLiteral("ask ") + caption + QStringLiteral(": ") + text);
        return answer;
    }

private:
    Log* log_;
};

class RecordingTable : public CellTable {
public:
    std::array<std::array<QString, 8>, 2> cells;
    int writes = 0;
    void SetCell(int row, int column, const QString& text) override {
        ++writes;
        if (row >= 0 && row < 2 && column >= 0 && column < 8)
            cells[row][column] = text;
    }
    bool blank() const {
        for (const auto& row : cells)
            for (const auto& cell : row)
                if (!cell.isEmpty())
                    return false;
        return true;
    }
};

// A terminal without a network: records the keys it is given.
class FakeTerminal : public RouterTerminal {
public:
    explicit FakeTerminal(Log* log) : log_(log) {}
    QString text;
    int cursorRow = 1, cursorColumn = 1;
    bool opened = false;
    bool refuse = false;  // open() fails as a refused connection does
    QString screen() override { return text; }
    int column() override { return cursorColumn; }
    int row() override { return cursorRow; }
    void setIpAddress(const QString& address) override { log_->add(QStringLiteral("address ") + address); }
    bool isOpen() override { return opened; }
    bool close() override { opened = false; log_->add(QStringLiteral("close")); return true; }
    bool sendKeys(const QString& keys) override { log_->add(QStringLiteral("keys ") + QString(keys).replace(QLatin1String("\r\n"), QLatin1String("|"))); return opened; }
    bool open() override {
        log_->add(QStringLiteral("open"));
        if (refuse) {
            if (onError)
                onError(QStringLiteral("Open"), 10061, QStringLiteral("Connection refused"));
            return false;
        }
        opened = true;
        return true;
    }
    void paint(const QString& screenText, int r, int c) {
        text = screenText;
        cursorRow = r;
        cursorColumn = c;
        if (onScreenChange)
            onScreenChange();
    }

private:
    Log* log_;
};

// Runs the loop until the controller's connect (its wait, then the connect
// itself) has ended, for at most limitMs.
inline bool connectEnded(CMonitorController& controller, int limitMs = 5000) {
    QElapsedTimer waited;
    waited.start();
    while (controller.connectInProgress() && waited.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return !controller.connectInProgress();
}

}  // namespace korvane::test
