#pragma once
// The monitor's settings as the benchmarks want them: no sounds, no script,
// no reconnect pause, and call history detours only when asked for, so that
// nothing but the measured work runs.

#include "korvane/monitor/controller.h"

namespace korvane::bench {

class BenchSettings : public MonitorSettings {
public:
    QString address = QStringLiteral("127.0.0.1:1");
    QString pass = QStringLiteral("1234");
    int refresh = 1 << 30;  // status screens between call history detours

    QString ipAddress() const override { return address; }
    QString password() const override { return pass; }
    bool isSoundOn() const override { return false; }
    QString lineUpSound() const override { return {}; }
    QString lineDownSound() const override { return {}; }
    bool isScriptOn() const override { return false; }
    QString scriptFile() const override { return {}; }
    int connectionTimeout() const override { return 5000; }
    int waitForConnect() const override { return 0; }
    int callHistoryRefresh() const override { return refresh; }
};

}  // namespace korvane::bench
