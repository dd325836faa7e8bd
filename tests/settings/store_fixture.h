#pragma once
// Each test gets a settings folder of its own, so no test sees another's
// values (and none touches the user's settings).

#include "korvane/settings/settings_store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

class StoreTest : public ::testing::Test {
protected:
    QString dir() const { return temp_.path(); }
    QString file() const { return QDir(temp_.path()).filePath(QStringLiteral("ZyXEL Prestige Korvane.conf")); }

    // A fresh store on this test's folder.
    std::unique_ptr<korvane::SettingsStore> makeStore() const
    {
        return std::make_unique<korvane::SettingsStore>(temp_.path());
    }

    // The file as the next run would read it: a copy under a new name, which
    // the settings cache of this process has never seen.
    std::unique_ptr<korvane::SettingsStore> reopenFromDisk()
    {
        const QString copyDir = QDir(temp_.path()).filePath(QStringLiteral("run%1").arg(++runs_));
        QDir().mkpath(copyDir);
        QFile::copy(file(), QDir(copyDir).filePath(QStringLiteral("ZyXEL Prestige Korvane.conf")));
        return std::make_unique<korvane::SettingsStore>(copyDir);
    }

    // Writes the settings file by hand, as an older version or a user left it.
    void writeFile(const QByteArray& contents) const
    {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(contents);
    }

    QByteArray fileText() const
    {
        QFile f(file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir temp_;
    int runs_ = 0;
};
