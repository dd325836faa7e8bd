#include "store_fixture.h"

#include "korvane/settings/config_settings.h"
#include "korvane/settings/password_codec.h"

using namespace korvane;

namespace {
const QString S = QStringLiteral("Settings");
const QString kDeleted = QStringLiteral("<deleted>");
}  // namespace

using ConfigSettingsTest = StoreTest;

TEST_F(ConfigSettingsTest, FirstRunUsesTheDefaultRouterAndWritesOnlyTheTwoFlags)
{
    auto store = makeStore();
    ConfigSettings config(QString(), store.get());
    EXPECT_EQ(config.GetIpAddress(), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(config.GetPassword(), QString());
    EXPECT_FALSE(config.IsScriptOn());
    EXPECT_FALSE(config.IsSoundOn());
    EXPECT_EQ(config.GetScriptFile(), QString());
    EXPECT_EQ(config.GetLineUpSound(), QString());
    EXPECT_EQ(config.GetLineDownSound(), QString());
    EXPECT_FALSE(config.connection().isCommandLineCase());

    EXPECT_EQ(store->readInt(S, QStringLiteral("Use Script"), -1), 0);
    EXPECT_EQ(store->readInt(S, QStringLiteral("Sound"), -1), 0);
    for (const char* key : {"Last IP Address", "IP Address", "Password"})
        EXPECT_FALSE(store->contains(S, QString::fromLatin1(key))) << key;
    EXPECT_FALSE(store->contains(QStringLiteral("192.168.1.1"), QStringLiteral("Password")));
}

TEST_F(ConfigSettingsTest, TheOlderLayoutIsMigratedOnce)
{
    writeFile("[Settings]\nIP%20Address=10.0.0.138\nPassword=s3cret\nUse%20Script=1\nSound=1\n");
    {
        auto store = makeStore();
        ConfigSettings config(QString(), store.get());
        EXPECT_EQ(config.GetIpAddress(), QStringLiteral("10.0.0.138"));
        EXPECT_EQ(config.GetPassword(), QStringLiteral("s3cret"));
        EXPECT_TRUE(config.IsScriptOn());
        EXPECT_TRUE(config.IsSoundOn());

        EXPECT_EQ(store->readString(S, QStringLiteral("IP Address")), kDeleted);
        EXPECT_EQ(store->readString(S, QStringLiteral("Password")), kDeleted);
        EXPECT_EQ(store->readString(S, QStringLiteral("Last IP Address")), QStringLiteral("10.0.0.138"));
        const QVariant stored = store->readRaw(QStringLiteral("10.0.0.138"), QStringLiteral("Password"));
        EXPECT_EQ(stored.toString().size(), 12);
        EXPECT_NE(stored.toString(), QStringLiteral("s3cret"));
        EXPECT_EQ(passwordFromStorageValue(stored), QStringLiteral("s3cret"));
    }
    // The next run finds the new layout and changes nothing.
    auto next = reopenFromDisk();
    ConfigSettings again(QString(), next.get());
    EXPECT_EQ(again.GetIpAddress(), QStringLiteral("10.0.0.138"));
    EXPECT_EQ(again.GetPassword(), QStringLiteral("s3cret"));
    EXPECT_EQ(next->readString(S, QStringLiteral("IP Address")), kDeleted);
    EXPECT_EQ(next->readString(S, QStringLiteral("Password")), kDeleted);
}

TEST_F(ConfigSettingsTest, AMigratedStoreWithAnEmptyPasswordLoadsAnEmptyPassword)
{
    writeFile("[Settings]\nIP%20Address=<deleted>\nPassword=<deleted>\nLast%20IP%20Address=10.1.1.1\n"
              "[10.1.1.1]\nPassword=\n");
    auto store = makeStore();
    ConfigSettings config(QString(), store.get());
    EXPECT_EQ(config.GetIpAddress(), QStringLiteral("10.1.1.1"));
    EXPECT_EQ(config.GetPassword(), QString());
}

TEST_F(ConfigSettingsTest, AnAddressFallsBackThroughTheOlderKeyToTheDefault)
{
    {
        auto store = makeStore();
        store->writeString(S, QStringLiteral("IP Address"), kDeleted);
        store->writeString(S, QStringLiteral("Last IP Address"), QString());
        ConfigSettings config(QString(), store.get());
        EXPECT_EQ(config.GetIpAddress(), QStringLiteral("192.168.1.1"));
        // "<deleted>" is already migrated: nothing is written for it.
        EXPECT_EQ(store->readString(S, QStringLiteral("Last IP Address"), QStringLiteral("absent")), QString());
    }
    {
        // Both layouts present: the newer address wins, the older one is retired.
        SettingsStore store(QDir(dir()).filePath(QStringLiteral("both")));
        store.writeString(S, QStringLiteral("IP Address"), QStringLiteral("10.0.0.1"));
        store.writeString(S, QStringLiteral("Last IP Address"), QStringLiteral("10.0.0.2"));
        store.setRouterPassword(QStringLiteral("10.0.0.2"), QStringLiteral("new"));
        store.writeString(S, QStringLiteral("Password"), QStringLiteral("old"));
        ConfigSettings config(QString(), &store);
        EXPECT_EQ(config.GetIpAddress(), QStringLiteral("10.0.0.2"));
        EXPECT_EQ(config.GetPassword(), QStringLiteral("new"));
        EXPECT_EQ(store.readString(S, QStringLiteral("IP Address")), kDeleted);
        EXPECT_EQ(store.readString(S, QStringLiteral("Password")), kDeleted);
        EXPECT_EQ(store.routerPassword(QStringLiteral("10.0.0.2")), QStringLiteral("new"));
    }
}

TEST_F(ConfigSettingsTest, TheCommandLineAddressIsUsedWithItsPasswordAndNothingIsWritten)
{
    auto store = makeStore();
    store->writeString(S, QStringLiteral("Last IP Address"), QStringLiteral("10.0.0.1"));
    store->setRouterPassword(QStringLiteral("127.0.0.1:2323"), QStringLiteral("demo"));
    store->writeString(S, QStringLiteral("IP Address"), QStringLiteral("10.0.0.9"));
    store->writeString(S, QStringLiteral("Password"), QStringLiteral("plain"));

    ConfigSettings config(QStringLiteral("127.0.0.1:2323"), store.get());
    EXPECT_TRUE(config.connection().isCommandLineCase());
    EXPECT_EQ(config.GetIpAddress(), QStringLiteral("127.0.0.1:2323"));
    EXPECT_EQ(config.GetPassword(), QStringLiteral("demo"));
    EXPECT_EQ(store->readString(S, QStringLiteral("Last IP Address")), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(store->readString(S, QStringLiteral("IP Address")), QStringLiteral("10.0.0.9"));
    EXPECT_EQ(store->readString(S, QStringLiteral("Password")), QStringLiteral("plain"));

    // A router without a stored password does not borrow the older layout's.
    ConfigSettings other(QStringLiteral("router.lan"), store.get());
    EXPECT_EQ(other.GetPassword(), QString());
    EXPECT_FALSE(store->contains(QStringLiteral("router.lan"), QStringLiteral("Password")));
}

TEST_F(ConfigSettingsTest, ApplyWritesEachGroupAndTheNextRunLoadsIt)
{
    {
        auto store = makeStore();
        ConfigSettings config(QString(), store.get());
        config.connection().setAddress(QStringLiteral("10.0.0.5"));
        config.connection().setPassword(QString(QChar(0xFF)) + QStringLiteral("x\u00E9"));
        config.connection().apply(*store);
        config.script().setOn(true);
        config.script().setScriptFile(QStringLiteral("/home/u/monitor.vbs"));
        config.script().apply(*store);
        config.sound().setOn(true);
        config.sound().setLineUpSound(QStringLiteral("/snd/up.wav"));
        config.sound().setLineDownSound(QStringLiteral("/snd/down.wav"));
        config.sound().apply(*store);
    }
    auto next = reopenFromDisk();
    ConfigSettings config(QString(), next.get());
    EXPECT_EQ(config.GetIpAddress(), QStringLiteral("10.0.0.5"));
    EXPECT_EQ(config.GetPassword(), QString(QChar(0xFF)) + QStringLiteral("x\u00E9"));
    EXPECT_TRUE(config.IsScriptOn());
    EXPECT_EQ(config.GetScriptFile(), QStringLiteral("/home/u/monitor.vbs"));
    EXPECT_TRUE(config.IsSoundOn());
    EXPECT_EQ(config.GetLineUpSound(), QStringLiteral("/snd/up.wav"));
    EXPECT_EQ(config.GetLineDownSound(), QStringLiteral("/snd/down.wav"));
}

TEST_F(ConfigSettingsTest, AnEmptiedSoundPathKeepsTheStoredOneForTheNextRun)
{
    auto store = makeStore();
    store->writeString(S, QStringLiteral("Line Up Sound"), QStringLiteral("/snd/up.wav"));
    store->writeString(S, QStringLiteral("Line Down Sound"), QStringLiteral("/snd/down.wav"));
    {
        ConfigSettings config(QString(), store.get());
        config.sound().setLineUpSound(QString());
        config.sound().setOn(true);
        config.sound().apply(*store);
        EXPECT_EQ(config.GetLineUpSound(), QString());
        EXPECT_EQ(store->readInt(S, QStringLiteral("Sound"), -1), 1);
    }
    ConfigSettings next(QString(), store.get());
    EXPECT_EQ(next.GetLineUpSound(), QStringLiteral("/snd/up.wav"));
    EXPECT_EQ(next.GetLineDownSound(), QStringLiteral("/snd/down.wav"));
}

TEST_F(ConfigSettingsTest, AnEmptiedScriptPathIsWrittenEmpty)
{
    auto store = makeStore();
    store->writeString(S, QStringLiteral("Script File Path"), QStringLiteral("/old.js"));
    ConfigSettings config(QString(), store.get());
    config.script().setScriptFile(QString());
    config.script().apply(*store);
    EXPECT_EQ(store->readString(S, QStringLiteral("Script File Path"), QStringLiteral("absent")), QString());
}

TEST_F(ConfigSettingsTest, RestoringGoesBackToTheValuesAtOpeningOrAtTheLastApply)
{
    auto store = makeStore();
    ConfigSettings config(QString(), store.get());
    ScriptSettings& script = config.script();
    script.rememberOpening();
    EXPECT_FALSE(script.differsFromOpening());
    script.setScriptFile(QStringLiteral("/new.vbs"));
    EXPECT_TRUE(script.differsFromOpening());
    script.restoreOpening();
    EXPECT_EQ(config.GetScriptFile(), QString());

    // What was applied stays when a later edit is cancelled.
    script.setScriptFile(QStringLiteral("/applied.vbs"));
    script.apply(*store);
    script.setScriptFile(QStringLiteral("/abandoned.vbs"));
    script.restoreOpening();
    EXPECT_EQ(config.GetScriptFile(), QStringLiteral("/applied.vbs"));

    ConnectionSettings& connection = config.connection();
    connection.rememberOpening();
    connection.setPassword(QStringLiteral("typo"));
    EXPECT_TRUE(connection.differsFromOpening());
    connection.restoreOpening();
    EXPECT_EQ(config.GetPassword(), QString());
}

TEST_F(ConfigSettingsTest, UnreadableFlagsCountAsAbsentAndOddOnesAsOn)
{
    writeFile("[Settings]\nUse%20Script=maybe\nSound=7\n");
    auto store = makeStore();
    ConfigSettings config(QString(), store.get());
    EXPECT_FALSE(config.IsScriptOn());
    EXPECT_EQ(store->readInt(S, QStringLiteral("Use Script"), -1), 0);
    EXPECT_TRUE(config.IsSoundOn());
}

TEST_F(ConfigSettingsTest, WithoutAStoreItUsesTheOneTheEnvironmentNames)
{
    const QByteArray saved = qgetenv(kSettingsDirVariable);
    qputenv(kSettingsDirVariable, QFile::encodeName(dir()));
    {
        ConfigSettings config(QStringLiteral("10.2.2.2"));
        EXPECT_EQ(config.store().location(), file());
        EXPECT_EQ(config.GetIpAddress(), QStringLiteral("10.2.2.2"));
    }
    qputenv(kSettingsDirVariable, saved);
    EXPECT_TRUE(fileText().contains("Use%20Script=0"));
}
