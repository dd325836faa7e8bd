#include "korvane/settings/settings_store.h"

#include "korvane/settings/password_codec.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>

#ifndef Q_OS_WIN
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace korvane {

namespace {

QString settingsFileIn(const QString& directory)
{
    return QDir(directory).filePath(QString::fromLatin1(kProfileName) + QStringLiteral(".conf"));
}

}  // namespace

SettingsStore::SettingsStore()
{
    const QString fromEnvironment = qEnvironmentVariable(kSettingsDirVariable);
    open(fromEnvironment);
}

SettingsStore::SettingsStore(const QString& directory)
{
    open(directory);
}

SettingsStore::~SettingsStore()
{
    if (settings_) {
        settings_->sync();
        keepPrivate();
    }
}

QString SettingsStore::defaultDirectory()
{
#ifdef Q_OS_WIN
    return QString();
#else
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QString::fromLatin1(kOrganization));
#endif
}

void SettingsStore::open(const QString& directory)
{
    QString dir = directory;
#ifdef Q_OS_WIN
    if (dir.isEmpty()) {
        settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                QString::fromLatin1(kOrganization),
                                                QString::fromLatin1(kProfileName));
        return;
    }
#else
    if (dir.isEmpty())
        dir = defaultDirectory();
#endif
    file_ = settingsFileIn(dir);
    keepPrivate();
    settings_ = std::make_unique<QSettings>(file_, QSettings::IniFormat);
}

QString SettingsStore::location() const
{
    if (!file_.isEmpty())
        return file_;
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\%1\\%2")
        .arg(QString::fromLatin1(kOrganization), QString::fromLatin1(kProfileName));
}

// Creates the folder and the file private to the user before anything is
// written, and puts the mode back to 0600 on a file of ours that lost it (or
// that was made unreadable, which would otherwise hide every setting).
void SettingsStore::keepPrivate() const
{
#ifndef Q_OS_WIN
    if (file_.isEmpty())
        return;
    const QString dirPath = QFileInfo(file_).absolutePath();
    if (!QFileInfo::exists(dirPath)) {
        if (QDir().mkpath(dirPath))
            QFile::setPermissions(dirPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray native = QFile::encodeName(file_);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        if (errno != ENOENT)
            return;
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::close(fd);
        return;
    }
    if (S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 07777) != 0600)
        ::chmod(native.constData(), 0600);
#endif
}

QString SettingsStore::path(const QString& section, const QString& key) const
{
    if (section.isEmpty())
        return key;
    return section + QLatin1Char('/') + key;
}

void SettingsStore::afterWrite()
{
    settings_->sync();
    keepPrivate();
    // A corrupt file reads as a format error while it is being replaced;
    // only a file that could not be written is a failed write.
    lastWriteOk_ = settings_->status() != QSettings::AccessError;
}

bool SettingsStore::contains(const QString& section, const QString& key) const
{
    return settings_->contains(path(section, key));
}

QVariant SettingsStore::readRaw(const QString& section, const QString& key) const
{
    return settings_->value(path(section, key));
}

QString SettingsStore::readString(const QString& section, const QString& key,
                                  const QString& fallback) const
{
    const QVariant v = readRaw(section, key);
    if (!v.isValid())
        return fallback;
    // An unquoted comma in a hand-edited file makes a list; keep the text.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    if (!v.canConvert<QString>())
        return fallback;
    return v.toString();
}

int SettingsStore::readInt(const QString& section, const QString& key, int fallback) const
{
    const QVariant v = readRaw(section, key);
    if (!v.isValid())
        return fallback;
    bool ok = false;
    int result = 0;
    switch (v.typeId()) {
    case QMetaType::QString:
        result = v.toString().trimmed().toInt(&ok, 10);
        break;
    case QMetaType::QByteArray:
        result = v.toByteArray().trimmed().toInt(&ok, 10);
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        result = v.toInt(&ok);
        break;
    default:
        break;
    }
    return ok ? result : fallback;
}

std::optional<QByteArray> SettingsStore::readBinary(const QString& section, const QString& key) const
{
    const QVariant v = readRaw(section, key);
    if (v.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return v.toByteArray();
}

void SettingsStore::writeString(const QString& section, const QString& key, const QString& value)
{
    settings_->setValue(path(section, key), value);
    afterWrite();
}

void SettingsStore::writeInt(const QString& section, const QString& key, int value)
{
    settings_->setValue(path(section, key), value);
    afterWrite();
}

void SettingsStore::writeBinary(const QString& section, const QString& key, const QByteArray& value)
{
    settings_->setValue(path(section, key), value);
}

void SettingsStore::remove(const QString& section, const QString& key)
{
    settings_->remove(path(section, key));
    afterWrite();
}

void SettingsStore::sync()
{
    afterWrite();
}

// --- Values in "Settings"

namespace {
const QString kSettingsSection = QString::fromLatin1(settings::kSection);
}

int SettingsStore::connectionTimeout() const
{
    const int v = readInt(kSettingsSection, QString::fromLatin1(settings::kConnectionTimeout),
                          settings::kDefaultConnectionTimeout);
    // A watchdog of no period would fire without pause.
    return v > 0 ? v : settings::kDefaultConnectionTimeout;
}

int SettingsStore::waitForConnect() const
{
    const int v = readInt(kSettingsSection, QString::fromLatin1(settings::kWaitForConnect),
                          settings::kDefaultWaitForConnect);
    return std::clamp(v, 0, settings::kMaxWaitForConnect);
}

int SettingsStore::callHistoryRefresh() const
{
    const int v = readInt(kSettingsSection, QString::fromLatin1(settings::kCallHistoryRefresh),
                          settings::kDefaultCallHistoryRefresh);
    return std::max(v, 0);
}

int SettingsStore::syslogPort() const
{
    const int v = readInt(kSettingsSection, QString::fromLatin1(settings::kSyslogPort),
                          settings::kDefaultSyslogPort);
    return (v >= 1 && v <= 65535) ? v : settings::kDefaultSyslogPort;
}

int SettingsStore::scriptTimeout() const
{
    const int v = readInt(kSettingsSection, QString::fromLatin1(settings::kScriptTimeout),
                          settings::kDefaultScriptTimeout);
    return v >= 0 ? v : settings::kDefaultScriptTimeout;
}

int SettingsStore::reconnectInterval() const
{
    const int v = readInt(kSettingsSection, QString::fromLatin1(settings::kReconnectInterval),
                          settings::kDefaultReconnectInterval);
    return v >= 0 ? std::min(v, settings::kMaxReconnectInterval) : settings::kDefaultReconnectInterval;
}

bool SettingsStore::showSplashScreen() const
{
    return readInt(kSettingsSection, QString::fromLatin1(settings::kShowSplashScreen), 1) != 0;
}

void SettingsStore::setShowSplashScreen(bool show)
{
    writeInt(kSettingsSection, QString::fromLatin1(settings::kShowSplashScreen), show ? 1 : 0);
}

bool SettingsStore::configured() const
{
    return readInt(kSettingsSection, QString::fromLatin1(settings::kConfigured), 0) != 0;
}

void SettingsStore::setConfigured(bool configured)
{
    writeInt(kSettingsSection, QString::fromLatin1(settings::kConfigured), configured ? 1 : 0);
}

// --- Placements

std::optional<QByteArray> SettingsStore::viewPlacement(const QString& viewName) const
{
    return readBinary(QString::fromLatin1(settings::kViewSection), viewName + QStringLiteral("Placement"));
}

void SettingsStore::setViewPlacement(const QString& viewName, const QByteArray& record)
{
    writeBinary(QString::fromLatin1(settings::kViewSection), viewName + QStringLiteral("Placement"), record);
}

// --- Router passwords

QString SettingsStore::sectionForAddress(const QString& address)
{
    // Slashes would nest sections, and an address named like one of the
    // program's own sections would write into it (a router "Settings" would
    // overwrite the older layout's password).
    QString section = address;
    section.replace(QLatin1Char('/'), QLatin1Char('_'));
    section.replace(QLatin1Char('\\'), QLatin1Char('_'));
    if (section.isEmpty() || section.compare(QLatin1String(settings::kSection), Qt::CaseInsensitive) == 0 ||
        section.compare(QLatin1String(settings::kViewSection), Qt::CaseInsensitive) == 0 ||
        section.compare(QLatin1String("General"), Qt::CaseInsensitive) == 0)
        section.prepend(QStringLiteral("Router "));
    return section;
}

QString SettingsStore::routerPassword(const QString& address) const
{
    return passwordFromStorageValue(readRaw(sectionForAddress(address), QString::fromLatin1(settings::kPassword)));
}

void SettingsStore::setRouterPassword(const QString& address, const QString& password)
{
    settings_->setValue(path(sectionForAddress(address), QString::fromLatin1(settings::kPassword)),
                        passwordStorageValue(password));
    afterWrite();
}

}  // namespace korvane
