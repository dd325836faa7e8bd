#pragma once
// A router terminal that never connects: the benchmarks hand the controller
// status screens themselves.

#include "korvane/router/driver.h"

namespace korvane::bench {

class NoTerminal : public RouterTerminal {
public:
    QString screen() override { return {}; }
    int column() override { return 1; }
    int row() override { return 1; }
    void setIpAddress(const QString&) override {}
    bool isOpen() override { return false; }
    bool close() override { return true; }
    bool sendKeys(const QString&) override { return false; }
    bool open() override { return false; }
};

}  // namespace korvane::bench
