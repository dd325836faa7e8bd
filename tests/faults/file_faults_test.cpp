// Broken files the user's machine may hold: a corrupt settings file, a script
// of random bytes, a script far too large, and files in places where a
// regular file belongs. Each ends in the defaults or a clear message.
#include "fault_monitor.h"

#include "korvane/model/application.h"
#include "korvane/script/script_host.h"
#include "korvane/settings/config_settings.h"
#include "korvane/settings/settings_store.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <random>

using namespace korvane;
using namespace korvane::test;

namespace {

QByteArray randomBytes(quint32 seed, int size) {
    std::mt19937 random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& b : bytes)
        b = char(random() & 0xff);
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QString settingsFile(const QTemporaryDir& dir) {
    return QDir(dir.path()).filePath(QString::fromLatin1(kProfileName) + QStringLiteral(".conf"));
}

void expectDefaults(ConfigSettings& config, const std::string& what) {
    SettingsStore& store = config.store();
    EXPECT_EQ(config.GetIpAddress(), QString::fromLatin1(settings::kDefaultRouterAddress)) << what;
    EXPECT_FALSE(config.IsScriptOn()) << what;
    EXPECT_FALSE(config.IsSoundOn()) << what;
    EXPECT_EQ(store.connectionTimeout(), settings::kDefaultConnectionTimeout) << what;
    EXPECT_EQ(store.waitForConnect(), settings::kDefaultWaitForConnect) << what;
    EXPECT_EQ(store.callHistoryRefresh(), settings::kDefaultCallHistoryRefresh) << what;
    EXPECT_EQ(store.syslogPort(), settings::kDefaultSyslogPort) << what;
    EXPECT_EQ(store.scriptTimeout(), settings::kDefaultScriptTimeout) << what;
    EXPECT_FALSE(store.configured()) << what;
    EXPECT_FALSE(store.viewPlacement(QStringLiteral("StatusView")).has_value()) << what;
}

}  // namespace

TEST(FileFaults, ACorruptSettingsFileGivesTheDefaults) {
    const QList<QPair<std::string, QByteArray>> files = {
        {"random bytes 1", randomBytes(1, 4096)},
        {"random bytes 2", randomBytes(2, 65536)},
        {"zero bytes", QByteArray(8192, '\0')},
        {"one endless line", QByteArray(1 << 20, '[')},
        {"broken values",
         "[Settings]\nConnection%20Timeout=@Variant(\xff\xff\xff\x7f)\nWait%20For%20Connect=1e9x\n"
         "Call%20History%20Refresh=@ByteArray(\nSyslog%20Port=99999\nScript%20Timeout=x\n"
         "Configured=@Invalid()\nLast%20IP%20Address=@Variant(\\0\\0\\0\\x7f)\n"
         "[View]\nStatusViewPlacement=@Rect(1 2\n"},
        {"not UTF-8", "[Settings\xc3\x28]\n\xff\xfe=\xa0\xa1\n[\xe2\x82]\n"},
    };
    for (const auto& [what, bytes] : files) {
        QTemporaryDir dir;
        ASSERT_TRUE(writeFile(settingsFile(dir), bytes)) << what;
        SettingsStore store(dir.path());
        ConfigSettings config(QString(), &store);
        expectDefaults(config, what);
        // The first write makes it a good file again.
        store.setConfigured(true);
        SettingsStore reread(dir.path());
        EXPECT_TRUE(reread.configured()) << what;
    }
}

TEST(FileFaults, ASettingsFolderEntryThatIsNoFileGivesTheDefaults) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir().mkpath(settingsFile(dir)));  // a folder where the file belongs
    SettingsStore store(dir.path());
    ConfigSettings config(QString(), &store);
    expectDefaults(config, "folder");
    store.setConfigured(true);  // a write that cannot land is no crash either
    EXPECT_FALSE(store.lastWriteOk());
}

TEST(FileFaults, TheMonitorRunsOnTheDefaultsOfACorruptSettingsFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(settingsFile(dir), randomBytes(3, 16384)));
    prestige::SimulatorOptions options = quickRouter();
    prestige::Simulator router(options);
    ASSERT_TRUE(router.listen(0));
    SettingsStore store(dir.path());
    // The router's address as the command line gives it; its password for this run.
    ConfigSettings config(QStringLiteral("127.0.0.1:%1").arg(router.port()), &store);
    ConfigMonitorSettings settings(&config);
    settings.overridePassword(options.password);
    EXPECT_EQ(settings.connectionTimeout(), settings::kDefaultConnectionTimeout);
    EXPECT_EQ(settings.callHistoryRefresh(), settings::kDefaultCallHistoryRefresh);

    CMonitorController controller(&settings);
    int ticks = 0;
    QObject::connect(&controller, &CMonitorController::statusTick, [&] { ++ticks; });
    controller.setTelnetViewActive(true);
    controller.Connect();
    EXPECT_TRUE(waitUntil([&] { return ticks >= 2; }));
    EXPECT_TRUE(controller.watchdogActive());
    controller.Disconnect();
}

namespace {

class ScriptFiles : public ::testing::Test {
protected:
    ScriptFiles()
        : dispatch_(automation::dispatchFor(&app_)),
          host_(dispatch_, [] { return true; }, [this] { return configured_; }) {
        host_.setMsgBoxHandler([this](const QString& prompt, int, const QString&) {
            boxes_.append(prompt);
            return 1;
        });
        host_.setLoadErrorBox([this](const QString& caption, const QString& text) {
            loadErrors_.append(caption + QStringLiteral(": ") + text);
        });
    }
    QString path(const QString& name) const { return dir_.filePath(name); }
    // A script that defines OnTick, to show that a failed load leaves no event behind.
    void loadGoodScript() {
        const QString good = path(QStringLiteral("good.vbs"));
        ASSERT_TRUE(writeFile(good, "Sub OnTick\nEnd Sub\n"));
        ASSERT_TRUE(host_.LoadScript(good, dispatch_));
        ASSERT_TRUE(host_.hasEvent(QStringLiteral("OnTick")));
    }

    QTemporaryDir dir_;
    CApplication app_;
    automation::DispatchRef dispatch_;
    QString configured_;
    CScriptHost host_;
    QStringList boxes_;
    QStringList loadErrors_;
};

const QRegularExpression kErrorForm(QStringLiteral("^.+\\. Line [1-9]\\d*(, Column [1-9]\\d*)?$"),
                                    QRegularExpression::DotMatchesEverythingOption);

}  // namespace

TEST_F(ScriptFiles, AScriptOfRandomBytesIsAClearScriptErrorInBothLanguages) {
    for (quint32 seed = 1; seed <= 6; ++seed) {
        for (const char* ext : {".vbs", ".js"}) {
            loadGoodScript();
            const QString file = path(QStringLiteral("random%1%2").arg(seed).arg(QLatin1String(ext)));
            ASSERT_TRUE(writeFile(file, randomBytes(seed, seed * 4096)));
            EXPECT_FALSE(host_.LoadScript(file, dispatch_)) << seed << ext;
            EXPECT_TRUE(host_.HasError());
            EXPECT_TRUE(kErrorForm.match(host_.ErrorText()).hasMatch()) << host_.ErrorText().toStdString();
            EXPECT_TRUE(host_.eventProcedures().isEmpty());
            host_.fireEvent(QStringLiteral("OnTick"), {});  // nothing left to run
        }
    }
    // Through the start-up load, the error is shown once, in a box.
    configured_ = path(QStringLiteral("random1.vbs"));
    host_.loadConfigured(false);
    ASSERT_EQ(loadErrors_.size(), 1);
    EXPECT_TRUE(loadErrors_[0].startsWith(QStringLiteral("ZyXEL Prestige Korvane: ")));
    EXPECT_TRUE(boxes_.isEmpty());
}

TEST_F(ScriptFiles, AScriptOverTheSizeLimitIsRefusedWithoutReadingIt) {
    loadGoodScript();
    const QString huge = path(QStringLiteral("huge.vbs"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(100) << 20));  // sparse: no 100 MB on disk
    }
    EXPECT_FALSE(host_.LoadScript(huge, dispatch_));
    EXPECT_EQ(host_.ErrorText(),
              QStringLiteral("Script file \"%1\" is larger than 16 MB").arg(huge));
    EXPECT_TRUE(host_.eventProcedures().isEmpty());

    // One byte over the limit is over it.
    const QString justOver = path(QStringLiteral("just-over.js"));
    {
        QFile f(justOver);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(CScriptHost::kMaxScriptBytes + 1));
    }
    EXPECT_FALSE(host_.LoadScript(justOver, dispatch_));
    EXPECT_TRUE(host_.ErrorText().contains(QStringLiteral("is larger than 16 MB")));
}

TEST_F(ScriptFiles, APipeOrAFolderNamedAsTheScriptIsRefusedWithoutWaiting) {
    const QString fifo = path(QStringLiteral("pipe.vbs"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(host_.LoadScript(fifo, dispatch_));
    EXPECT_EQ(host_.ErrorText(),
              QStringLiteral("Cannot open script file \"%1\": it is not a file").arg(fifo));
    EXPECT_FALSE(host_.LoadScript(dir_.path(), dispatch_));
    EXPECT_TRUE(host_.ErrorText().contains(QStringLiteral("it is not a file")));
    EXPECT_FALSE(host_.LoadScript(path(QStringLiteral("missing.vbs")), dispatch_));
    EXPECT_EQ(host_.ErrorText(), QStringLiteral("Cannot open script file \"%1\"")
                                     .arg(path(QStringLiteral("missing.vbs"))));
}

TEST_F(ScriptFiles, AScriptInTheOldSingleByteCodePageKeepsItsLetters) {
    const QString file = path(QStringLiteral("latin1.vbs"));
    ASSERT_TRUE(writeFile(file, QByteArray("Sub OnAppLoad\nMsgBox \"Gr\xfc\xdf" "e aus K\xf6ln\"\nEnd Sub\n")));
    ASSERT_TRUE(host_.LoadScript(file, dispatch_)) << host_.ErrorText().toStdString();
    host_.FireOnAppLoad();
    EXPECT_EQ(boxes_, QStringList{QStringLiteral("Grüße aus Köln")});

    // UTF-8, with the byte order mark an editor may put first.
    const QString utf8 = path(QStringLiteral("utf8.js"));
    ASSERT_TRUE(writeFile(utf8, "\xef\xbb\xbf" "function OnAppLoad() { MsgBox('Grüße'); }\n"));
    ASSERT_TRUE(host_.LoadScript(utf8, dispatch_)) << host_.ErrorText().toStdString();
    host_.FireOnAppLoad();
    EXPECT_EQ(boxes_.value(1), QStringLiteral("Grüße"));
}
