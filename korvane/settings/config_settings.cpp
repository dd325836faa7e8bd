#include "korvane/settings/config_settings.h"

namespace korvane {

namespace {

const QString kSection = QString::fromLatin1(settings::kSection);
const QString kDeleted = QString::fromLatin1(settings::kDeleted);

QString key(const char* name) { return QString::fromLatin1(name); }

// A key of the older layout: "<deleted>" means migrated and counts as empty.
QString readOldLayout(const SettingsStore& store, const char* name)
{
    const QString value = store.readString(kSection, key(name));
    return value == kDeleted ? QString() : value;
}

// Absent counts as "<deleted>"; any other value, empty included, is still to migrate.
bool needsMigration(const SettingsStore& store, const char* name)
{
    return store.contains(kSection, key(name)) && store.readString(kSection, key(name)) != kDeleted;
}

// A flag read with -1 for absent (or unreadable); then 0 is used and stored.
int readFlagWritingDefault(SettingsStore& store, const char* name)
{
    const int value = store.readInt(kSection, key(name), -1);
    if (value == -1) {
        store.writeInt(kSection, key(name), 0);
        return 0;
    }
    return value != 0 ? 1 : 0;
}

}  // namespace

// --- Connection

void ConnectionSettings::load(SettingsStore& store, const QString& commandLine)
{
    commandLineCase_ = !commandLine.isEmpty();
    if (commandLineCase_) {
        address_ = commandLine;
    } else {
        address_ = store.readString(kSection, key(settings::kLastIpAddress));
        if (address_.isEmpty())
            address_ = readOldLayout(store, settings::kOldIpAddress);
        if (address_.isEmpty())
            address_ = QString::fromLatin1(settings::kDefaultRouterAddress);
    }

    password_ = store.routerPassword(address_);
    if (password_.isEmpty() && !commandLineCase_)
        password_ = readOldLayout(store, settings::kPassword);
    if (commandLineCase_)
        return;

    if (needsMigration(store, settings::kOldIpAddress)) {
        store.writeString(kSection, key(settings::kOldIpAddress), kDeleted);
        store.writeString(kSection, key(settings::kLastIpAddress), address_);
    }
    if (needsMigration(store, settings::kPassword)) {
        store.writeString(kSection, key(settings::kPassword), kDeleted);
        store.setRouterPassword(address_, password_);
    }
}

void ConnectionSettings::apply(SettingsStore& store)
{
    store.writeString(kSection, key(settings::kLastIpAddress), address_);
    store.setRouterPassword(address_, password_);
    rememberOpening();
}

void ConnectionSettings::rememberOpening()
{
    openedAddress_ = address_;
    openedPassword_ = password_;
}

void ConnectionSettings::restoreOpening()
{
    address_ = openedAddress_;
    password_ = openedPassword_;
}

bool ConnectionSettings::differsFromOpening() const
{
    return address_ != openedAddress_ || password_ != openedPassword_;
}

// --- Script

void ScriptSettings::load(SettingsStore& store)
{
    useScript_ = readFlagWritingDefault(store, settings::kUseScript);
    scriptFile_ = store.readString(kSection, key(settings::kScriptFilePath));
}

void ScriptSettings::apply(SettingsStore& store)
{
    store.writeInt(kSection, key(settings::kUseScript), useScript_);
    store.writeString(kSection, key(settings::kScriptFilePath), scriptFile_);
    rememberOpening();
}

void ScriptSettings::rememberOpening()
{
    openedUseScript_ = useScript_;
    openedScriptFile_ = scriptFile_;
}

void ScriptSettings::restoreOpening()
{
    useScript_ = openedUseScript_;
    scriptFile_ = openedScriptFile_;
}

bool ScriptSettings::differsFromOpening() const
{
    return useScript_ != openedUseScript_ || scriptFile_ != openedScriptFile_;
}

// --- Sound

void SoundSettings::load(SettingsStore& store)
{
    lineUp_ = store.readString(kSection, key(settings::kLineUpSound));
    lineDown_ = store.readString(kSection, key(settings::kLineDownSound));
    sound_ = readFlagWritingDefault(store, settings::kSound);
}

void SoundSettings::apply(SettingsStore& store)
{
    if (!lineUp_.isEmpty())
        store.writeString(kSection, key(settings::kLineUpSound), lineUp_);
    if (!lineDown_.isEmpty())
        store.writeString(kSection, key(settings::kLineDownSound), lineDown_);
    store.writeInt(kSection, key(settings::kSound), sound_);
    rememberOpening();
}

void SoundSettings::rememberOpening()
{
    openedSound_ = sound_;
    openedLineUp_ = lineUp_;
    openedLineDown_ = lineDown_;
}

void SoundSettings::restoreOpening()
{
    sound_ = openedSound_;
    lineUp_ = openedLineUp_;
    lineDown_ = openedLineDown_;
}

bool SoundSettings::differsFromOpening() const
{
    return sound_ != openedSound_ || lineUp_ != openedLineUp_ || lineDown_ != openedLineDown_;
}

// --- All three

ConfigSettings::ConfigSettings(const QString& commandLine, SettingsStore* store)
    : ownStore_(store ? nullptr : std::make_unique<SettingsStore>()),
      store_(store ? store : ownStore_.get())
{
    // The sheet's pages are built in this order and each loads its own values.
    connection_.load(*store_, commandLine);
    sound_.load(*store_);
    script_.load(*store_);
    connection_.rememberOpening();
    sound_.rememberOpening();
    script_.rememberOpening();
}

ConfigSettings::~ConfigSettings() = default;

}  // namespace korvane
