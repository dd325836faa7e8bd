#pragma once
// The per-user settings store: named sections of string, integer and binary
// values. On Windows it is the registry below
// HKEY_CURRENT_USER\Software\Omberon\ZyXEL Prestige Korvane; elsewhere it is
// the INI file "ZyXEL Prestige Korvane.conf" in ~/.config/Omberon/ (honouring
// XDG_CONFIG_HOME). KORVANE_SETTINGS_DIR or the constructor's folder puts the
// file somewhere else, so that tests, the demo and a second profile never touch
// the user's own settings. The file holds router passwords: it is kept
// readable and writable by its owner only (mode 0600).
//
// Reads never fail: an absent, unreadable or corrupt value gives the default.
// Writes are best effort, and the next successful write replaces a corrupt
// file with a good one.

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

class QSettings;

namespace korvane {

inline constexpr char kOrganization[] = "Omberon";
inline constexpr char kProfileName[] = "ZyXEL Prestige Korvane";
inline constexpr char kSettingsDirVariable[] = "KORVANE_SETTINGS_DIR";

// Sections and keys as the program has always named them.
namespace settings {
inline constexpr char kSection[] = "Settings";
inline constexpr char kViewSection[] = "View";

inline constexpr char kLastIpAddress[] = "Last IP Address";
inline constexpr char kPassword[] = "Password";          // per router section (encoded); older layout in "Settings" (plain)
inline constexpr char kOldIpAddress[] = "IP Address";    // older layout
inline constexpr char kUseScript[] = "Use Script";
inline constexpr char kScriptFilePath[] = "Script File Path";
inline constexpr char kSound[] = "Sound";
inline constexpr char kLineUpSound[] = "Line Up Sound";
inline constexpr char kLineDownSound[] = "Line Down Sound";
inline constexpr char kConnectionTimeout[] = "Connection Timeout";
inline constexpr char kWaitForConnect[] = "Wait For Connect";
inline constexpr char kCallHistoryRefresh[] = "Call History Refresh";
inline constexpr char kShowSplashScreen[] = "Show Splash Screen";
inline constexpr char kConfigured[] = "Configured";
inline constexpr char kSyslogPort[] = "Syslog Port";
inline constexpr char kScriptTimeout[] = "Script Timeout";
inline constexpr char kReconnectInterval[] = "Reconnect Interval";

// Marks a key of the older layout as migrated; it counts as no value.
inline constexpr char kDeleted[] = "<deleted>";

inline constexpr int kDefaultConnectionTimeout = 5000;  // ms
inline constexpr int kDefaultWaitForConnect = 1000;     // ms
inline constexpr int kMaxWaitForConnect = 60000;        // ms; the UI thread sleeps this long
inline constexpr int kDefaultCallHistoryRefresh = 60;   // status screens
inline constexpr int kDefaultSyslogPort = 514;
inline constexpr int kDefaultScriptTimeout = 30;        // seconds, 0 = no limit
inline constexpr int kDefaultReconnectInterval = 30;    // seconds, 0 = no automatic reconnect
inline constexpr int kMaxReconnectInterval = 600;       // seconds; also the longest wait between attempts
inline constexpr char kDefaultRouterAddress[] = "192.168.1.1";
}  // namespace settings

class SettingsStore {
public:
    // The folder from KORVANE_SETTINGS_DIR, else the platform's place.
    SettingsStore();
    // The settings file in this folder (an INI file on every platform).
    explicit SettingsStore(const QString& directory);
    ~SettingsStore();

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Where the settings live: the INI file's path, or the registry path.
    QString location() const;
    // The folder used when neither a constructor folder nor the environment
    // says otherwise; empty where the store is the registry.
    static QString defaultDirectory();

    // --- Generic access; section "" is not used by the program.
    bool contains(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key,
                       const QString& fallback = QString()) const;
    // An integer, or the fallback when the value is absent or not a number.
    int readInt(const QString& section, const QString& key, int fallback) const;
    // A binary value; nullopt when absent or stored with another type.
    std::optional<QByteArray> readBinary(const QString& section, const QString& key) const;
    // The value as stored, for readers that tell types apart themselves.
    QVariant readRaw(const QString& section, const QString& key) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInt(const QString& section, const QString& key, int value);
    // Binary values (window placements) are written in the background by the
    // event loop, and at the latest when the store is destroyed or synced:
    // a window drag writes one on every move.
    void writeBinary(const QString& section, const QString& key, const QByteArray& value);
    void remove(const QString& section, const QString& key);
    // Writes pending changes now and reloads what other processes wrote.
    void sync();
    // False when the last write could not be stored (the store stays usable).
    bool lastWriteOk() const { return lastWriteOk_; }

    // --- The program's own values in "Settings", with their defaults.
    int connectionTimeout() const;       // > 0; a non-positive value gives the default
    int waitForConnect() const;          // 0 .. kMaxWaitForConnect
    int callHistoryRefresh() const;      // >= 0
    int syslogPort() const;              // 1 .. 65535, else the default
    int scriptTimeout() const;           // >= 0; 0 turns the limit off
    int reconnectInterval() const;       // 0 .. kMaxReconnectInterval seconds; 0: no automatic reconnect
    bool showSplashScreen() const;
    void setShowSplashScreen(bool show);
    bool configured() const;
    void setConfigured(bool configured);

    // --- Window placements in "View", one value per view ("StatusView" ->
    // "StatusViewPlacement"). Only a binary value is a placement.
    std::optional<QByteArray> viewPlacement(const QString& viewName) const;
    void setViewPlacement(const QString& viewName, const QByteArray& record);

    // --- The router password, stored encoded in the section named by the
    // router's address.
    static QString sectionForAddress(const QString& address);
    // The decoded password, empty when absent.
    QString routerPassword(const QString& address) const;
    void setRouterPassword(const QString& address, const QString& password);

private:
    void open(const QString& directory);
    QString path(const QString& section, const QString& key) const;
    void afterWrite();
    void keepPrivate() const;

    std::unique_ptr<QSettings> settings_;
    QString file_;  // empty for the registry
    bool lastWriteOk_ = true;
};

}  // namespace korvane
