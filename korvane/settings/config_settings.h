#pragma once
// What the properties sheet holds, without any widget: the three groups of
// settings the sheet's pages edit, loaded from the store once per run, with
// the values they had when their page was last opened (for the change marks
// and Cancel). The console monitor uses ConfigSettings as it is; the sheet
// wraps one.

#include "korvane/settings/settings_store.h"

#include <QString>

#include <memory>

namespace korvane {

class ConnectionSettings {
public:
    // Loads the router address and password. A non-empty command line is the
    // address for this run, taken as it is, and then nothing is written;
    // otherwise the older layout ("Settings"/"IP Address" and the plain
    // "Settings"/"Password") is migrated.
    void load(SettingsStore& store, const QString& commandLine);
    // Writes "Last IP Address" and the router's encoded password.
    void apply(SettingsStore& store);

    void rememberOpening();
    void restoreOpening();
    bool differsFromOpening() const;

    const QString& address() const { return address_; }
    const QString& password() const { return password_; }
    void setAddress(const QString& address) { address_ = address; }
    void setPassword(const QString& password) { password_ = password; }
    bool isCommandLineCase() const { return commandLineCase_; }

private:
    QString address_;
    QString password_;
    QString openedAddress_;
    QString openedPassword_;
    bool commandLineCase_ = false;
};

class ScriptSettings {
public:
    void load(SettingsStore& store);
    void apply(SettingsStore& store);

    void rememberOpening();
    void restoreOpening();
    bool differsFromOpening() const;

    bool isOn() const { return useScript_ != 0; }
    void setOn(bool on) { useScript_ = on ? 1 : 0; }
    const QString& scriptFile() const { return scriptFile_; }
    void setScriptFile(const QString& path) { scriptFile_ = path; }

private:
    int useScript_ = 0;
    QString scriptFile_;
    int openedUseScript_ = 0;
    QString openedScriptFile_;
};

class SoundSettings {
public:
    void load(SettingsStore& store);
    // An emptied path is not written: the stored path stays for the next run.
    void apply(SettingsStore& store);

    void rememberOpening();
    void restoreOpening();
    bool differsFromOpening() const;

    bool isOn() const { return sound_ != 0; }
    void setOn(bool on) { sound_ = on ? 1 : 0; }
    const QString& lineUpSound() const { return lineUp_; }
    const QString& lineDownSound() const { return lineDown_; }
    void setLineUpSound(const QString& path) { lineUp_ = path; }
    void setLineDownSound(const QString& path) { lineDown_ = path; }

private:
    int sound_ = 0;
    QString lineUp_;
    QString lineDown_;
    int openedSound_ = 0;
    QString openedLineUp_;
    QString openedLineDown_;
};

class ConfigSettings {
public:
    // Loads everything at once from the given store (which must outlive this
    // object), or from a store of its own at the default place.
    explicit ConfigSettings(const QString& commandLine = QString(), SettingsStore* store = nullptr);
    ~ConfigSettings();

    ConfigSettings(const ConfigSettings&) = delete;
    ConfigSettings& operator=(const ConfigSettings&) = delete;

    SettingsStore& store() { return *store_; }
    ConnectionSettings& connection() { return connection_; }
    ScriptSettings& script() { return script_; }
    SoundSettings& sound() { return sound_; }
    const ConnectionSettings& connection() const { return connection_; }
    const ScriptSettings& script() const { return script_; }
    const SoundSettings& sound() const { return sound_; }

    // The values held in memory.
    QString GetIpAddress() const { return connection_.address(); }
    QString GetPassword() const { return connection_.password(); }
    bool IsSoundOn() const { return sound_.isOn(); }
    QString GetLineUpSound() const { return sound_.lineUpSound(); }
    QString GetLineDownSound() const { return sound_.lineDownSound(); }
    bool IsScriptOn() const { return script_.isOn(); }
    QString GetScriptFile() const { return script_.scriptFile(); }

private:
    std::unique_ptr<SettingsStore> ownStore_;
    SettingsStore* store_;
    ConnectionSettings connection_;
    ScriptSettings script_;
    SoundSettings sound_;
};

}  // namespace korvane
