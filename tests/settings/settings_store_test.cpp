#include "store_fixture.h"

#include "korvane/settings/password_codec.h"

#include <QFileInfo>
#include <QSettings>

#include <sys/stat.h>

using namespace korvane;

namespace {

int modeOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

const QString S = QStringLiteral("Settings");

}  // namespace

TEST_F(StoreTest, LivesInTheGivenFolderOrTheEnvironmentsOrUnderOmberon)
{
    auto store = makeStore();
    EXPECT_EQ(store->location(), file());

    const QByteArray saved = qgetenv(kSettingsDirVariable);
    const QString other = QDir(dir()).filePath(QStringLiteral("from-env"));
    qputenv(kSettingsDirVariable, QFile::encodeName(other));
    {
        SettingsStore fromEnvironment;
        EXPECT_EQ(fromEnvironment.location(), QDir(other).filePath(QStringLiteral("ZyXEL Prestige Korvane.conf")));
        fromEnvironment.writeInt(S, QStringLiteral("Configured"), 1);
    }
    qputenv(kSettingsDirVariable, saved);
    EXPECT_TRUE(QFileInfo::exists(QDir(other).filePath(QStringLiteral("ZyXEL Prestige Korvane.conf"))));

    EXPECT_TRUE(SettingsStore::defaultDirectory().endsWith(QStringLiteral("/Omberon")));
}

TEST_F(StoreTest, TheFileIsPrivateToItsOwnerFromTheStart)
{
    const QString nested = QDir(dir()).filePath(QStringLiteral("a/b"));
    {
        SettingsStore store(nested);
        const QString path = store.location();
        EXPECT_EQ(modeOf(path), 0600);
        EXPECT_EQ(modeOf(nested), 0700);
        store.setRouterPassword(QStringLiteral("10.0.0.1"), QStringLiteral("secret"));
        store.writeString(S, QStringLiteral("Script File Path"), QStringLiteral("/x.vbs"));
        EXPECT_EQ(modeOf(path), 0600);
    }
    EXPECT_EQ(modeOf(QDir(nested).filePath(QStringLiteral("ZyXEL Prestige Korvane.conf"))), 0600);
}

TEST_F(StoreTest, AFileThatLostItsModeIsMadePrivateAgainAndAnUnreadableOneReadable)
{
    writeFile("[Settings]\nSound=1\n");
    ::chmod(QFile::encodeName(file()).constData(), 0000);
    auto store = makeStore();
    EXPECT_EQ(modeOf(file()), 0600);
    EXPECT_EQ(store->readInt(S, QStringLiteral("Sound"), -1), 1);
}

TEST_F(StoreTest, EveryKeyHasItsDefaultInAnEmptyStore)
{
    auto store = makeStore();
    EXPECT_EQ(store->connectionTimeout(), 5000);
    EXPECT_EQ(store->waitForConnect(), 1000);
    EXPECT_EQ(store->callHistoryRefresh(), 60);
    EXPECT_EQ(store->syslogPort(), 514);
    EXPECT_EQ(store->scriptTimeout(), 30);
    EXPECT_TRUE(store->showSplashScreen());
    EXPECT_FALSE(store->configured());
    EXPECT_FALSE(store->viewPlacement(QStringLiteral("StatusView")).has_value());
    EXPECT_EQ(store->routerPassword(QStringLiteral("192.168.1.1")), QString());
    EXPECT_EQ(store->readString(S, QStringLiteral("Line Up Sound"), QStringLiteral("x")), QStringLiteral("x"));
    // Reading writes nothing.
    EXPECT_TRUE(fileText().isEmpty());
}

TEST_F(StoreTest, ValuesOthersSetAreReadAndBadOnesFallBack)
{
    writeFile("[Settings]\n"
              "Connection%20Timeout=1000\n"
              "Wait%20For%20Connect=250\n"
              "Call%20History%20Refresh=0\n"
              "Syslog%20Port=1514\n"
              "Script%20Timeout=0\n"
              "Show%20Splash%20Screen=0\n"
              "Configured=1\n");
    auto store = makeStore();
    EXPECT_EQ(store->connectionTimeout(), 1000);
    EXPECT_EQ(store->waitForConnect(), 250);
    EXPECT_EQ(store->callHistoryRefresh(), 0);
    EXPECT_EQ(store->syslogPort(), 1514);
    EXPECT_EQ(store->scriptTimeout(), 0);
    EXPECT_FALSE(store->showSplashScreen());
    EXPECT_TRUE(store->configured());

    // Nonsense that would spin a timer, block the UI thread or bind nothing.
    store->writeInt(S, QStringLiteral("Connection Timeout"), 0);
    store->writeInt(S, QStringLiteral("Wait For Connect"), -5);
    store->writeInt(S, QStringLiteral("Call History Refresh"), -3);
    store->writeInt(S, QStringLiteral("Syslog Port"), 70000);
    store->writeInt(S, QStringLiteral("Script Timeout"), -1);
    EXPECT_EQ(store->connectionTimeout(), 5000);
    EXPECT_EQ(store->waitForConnect(), 0);
    EXPECT_EQ(store->callHistoryRefresh(), 0);
    EXPECT_EQ(store->syslogPort(), 514);
    EXPECT_EQ(store->scriptTimeout(), 30);
    store->writeInt(S, QStringLiteral("Wait For Connect"), 100000000);
    EXPECT_EQ(store->waitForConnect(), settings::kMaxWaitForConnect);
    store->writeString(S, QStringLiteral("Syslog Port"), QStringLiteral("five hundred"));
    EXPECT_EQ(store->syslogPort(), 514);
    store->writeString(S, QStringLiteral("Syslog Port"), QStringLiteral(" 600 "));
    EXPECT_EQ(store->syslogPort(), 600);
}

TEST_F(StoreTest, IntegersAreWrittenAsPlainNumbersAndKeysWithTheirSpaces)
{
    {
        auto store = makeStore();
        store->writeInt(S, QStringLiteral("Use Script"), 0);
        store->writeInt(S, QStringLiteral("Connection Timeout"), 7000);
        store->setShowSplashScreen(false);
        store->writeString(S, QStringLiteral("Last IP Address"), QStringLiteral("10.0.0.2"));
    }
    const QByteArray text = fileText();
    EXPECT_TRUE(text.contains("[Settings]")) << text.constData();
    EXPECT_TRUE(text.contains("Use%20Script=0\n")) << text.constData();
    EXPECT_TRUE(text.contains("Connection%20Timeout=7000\n")) << text.constData();
    EXPECT_TRUE(text.contains("Show%20Splash%20Screen=0\n")) << text.constData();

    auto next = reopenFromDisk();
    EXPECT_EQ(next->connectionTimeout(), 7000);
    EXPECT_FALSE(next->showSplashScreen());
    EXPECT_EQ(next->readString(S, QStringLiteral("Last IP Address")), QStringLiteral("10.0.0.2"));
}

TEST_F(StoreTest, ACorruptFileGivesDefaultsAndTheNextWriteMakesItGood)
{
    QByteArray garbage;
    for (int i = 0; i < 5000; ++i)
        garbage.append(char((i * 7919 + 13) & 0xFF));
    garbage.insert(100, "[Settings]\nSound=\"unterminated\n=\n[[[\n");
    writeFile(garbage);
    {
        auto store = makeStore();
        EXPECT_EQ(store->connectionTimeout(), 5000);
        EXPECT_EQ(store->readString(S, QStringLiteral("Script File Path")), QString());
        store->writeInt(S, QStringLiteral("Sound"), 1);
        EXPECT_TRUE(store->lastWriteOk());
    }
    auto next = reopenFromDisk();
    EXPECT_EQ(next->readInt(S, QStringLiteral("Sound"), -1), 1);
    QSettings check(next->location(), QSettings::IniFormat);
    EXPECT_EQ(check.status(), QSettings::NoError);
}

TEST_F(StoreTest, APlacementIsABinaryValueUnderView)
{
    QByteArray record(48, '\0');
    for (int i = 0; i < 44; ++i)
        record[i] = char(i * 5);
    record[44] = 1;
    {
        auto store = makeStore();
        store->setViewPlacement(QStringLiteral("StatusView"), record);
        EXPECT_EQ(store->viewPlacement(QStringLiteral("StatusView")), record);
        // Written at the latest when the store goes.
    }
    auto next = reopenFromDisk();
    EXPECT_EQ(next->viewPlacement(QStringLiteral("StatusView")), record);
    EXPECT_EQ(next->readBinary(QStringLiteral("View"), QStringLiteral("StatusViewPlacement")), record);

    // A value of another type is no placement.
    next->writeString(QStringLiteral("View"), QStringLiteral("GraphViewPlacement"), QStringLiteral("48 bytes?"));
    next->writeInt(QStringLiteral("View"), QStringLiteral("SyslogViewPlacement"), 48);
    EXPECT_FALSE(next->viewPlacement(QStringLiteral("GraphView")).has_value());
    EXPECT_FALSE(next->viewPlacement(QStringLiteral("SyslogView")).has_value());
}

TEST_F(StoreTest, RouterPasswordsSurviveTheFileWithCodeZeroAndHighCharacters)
{
    const QString zero = QString(QChar(0xFF)) + QStringLiteral("pw");
    const QString high = QStringLiteral("\u00E4\u00F6\u00FC\u00DF\u00FF,;=\"\\ x");
    {
        auto store = makeStore();
        store->setRouterPassword(QStringLiteral("192.168.1.1"), zero);
        store->setRouterPassword(QStringLiteral("10.0.0.1"), high);
    }
    auto next = reopenFromDisk();
    EXPECT_EQ(next->routerPassword(QStringLiteral("192.168.1.1")), zero);
    EXPECT_EQ(next->routerPassword(QStringLiteral("10.0.0.1")), high);
    EXPECT_EQ(next->readRaw(QStringLiteral("192.168.1.1"), QStringLiteral("Password")).typeId(),
              QMetaType::QByteArray);
    EXPECT_EQ(next->readRaw(QStringLiteral("10.0.0.1"), QStringLiteral("Password")).toString().size(),
              2 * high.size());

}

TEST_F(StoreTest, AHandEditedPasswordWithAnUnquotedCommaReadsAsItsText)
{
    // Code 0xD3 at index 0 encodes to a comma first: hand-edited without the
    // quotes QSettings writes, the line reads as a list of two texts.
    const QString password = QString(QChar(0xD3)) + QStringLiteral("secret");
    {
        auto store = makeStore();
        store->setRouterPassword(QStringLiteral("192.168.1.1"), password);
    }
    QByteArray text = fileText();
    const qsizetype at = text.indexOf("Password=\"");
    ASSERT_GE(at, 0) << text.toStdString();
    const qsizetype close = text.indexOf('"', at + 10);
    ASSERT_GT(close, at);
    text.remove(close, 1);
    text.remove(at + 9, 1);
    ASSERT_TRUE(text.contains("Password=,")) << text.toStdString();
    writeFile(text);
    auto next = reopenFromDisk();
    ASSERT_EQ(next->readRaw(QStringLiteral("192.168.1.1"), QStringLiteral("Password")).typeId(), QMetaType::QStringList);
    EXPECT_EQ(next->routerPassword(QStringLiteral("192.168.1.1")), password);

    // The older layout's plain password, by hand, with a comma.
    writeFile("[Settings]\nPassword=se,cret\n");
    EXPECT_EQ(reopenFromDisk()->readString(QStringLiteral("Settings"), QStringLiteral("Password")), QStringLiteral("se,cret"));
}

TEST_F(StoreTest, EveryCodeInEveryPositionSurvivesTheFile)
{
    QString all;
    for (int i = 1; i < 256; ++i)
        all.append(QChar(i));
    const QString rotated = all.mid(100) + all.left(100);
    {
        auto store = makeStore();
        store->setRouterPassword(QStringLiteral("10.9.9.9"), all);
        store->setRouterPassword(QStringLiteral("10.9.9.8"), rotated);
    }
    auto next = reopenFromDisk();
    EXPECT_EQ(next->routerPassword(QStringLiteral("10.9.9.9")), all);
    EXPECT_EQ(next->routerPassword(QStringLiteral("10.9.9.8")), rotated);
}

TEST_F(StoreTest, AnAddressCannotWriteIntoTheProgramsOwnSections)
{
    EXPECT_EQ(SettingsStore::sectionForAddress(QStringLiteral("192.168.1.1")), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(SettingsStore::sectionForAddress(QStringLiteral("router:2323")), QStringLiteral("router:2323"));
    EXPECT_NE(SettingsStore::sectionForAddress(QStringLiteral("Settings")), QStringLiteral("Settings"));
    EXPECT_NE(SettingsStore::sectionForAddress(QStringLiteral("view")).toLower(), QStringLiteral("view"));
    EXPECT_FALSE(SettingsStore::sectionForAddress(QStringLiteral("a/b\\c")).contains(QLatin1Char('/')));
    EXPECT_FALSE(SettingsStore::sectionForAddress(QString()).isEmpty());

    auto store = makeStore();
    store->writeString(S, QStringLiteral("Password"), QStringLiteral("plain old"));
    store->setRouterPassword(QStringLiteral("Settings"), QStringLiteral("x"));
    EXPECT_EQ(store->readString(S, QStringLiteral("Password")), QStringLiteral("plain old"));
    EXPECT_EQ(store->routerPassword(QStringLiteral("Settings")), QStringLiteral("x"));
}

TEST_F(StoreTest, ScriptMemoryLimitDefaultsTo512AndRefusesNegatives)
{
    auto store = makeStore();
    EXPECT_EQ(store->scriptMemoryLimit(), 512);
    store->writeInt(S, QStringLiteral("Script Memory Limit"), 64);
    EXPECT_EQ(store->scriptMemoryLimit(), 64);
    store->writeInt(S, QStringLiteral("Script Memory Limit"), 0);
    EXPECT_EQ(store->scriptMemoryLimit(), 0);
    store->writeInt(S, QStringLiteral("Script Memory Limit"), -8);
    EXPECT_EQ(store->scriptMemoryLimit(), 512);
}
