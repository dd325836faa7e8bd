// The script host over both languages: the same cases written once in
// VBScript and once in JScript.

#include "korvane/model/application.h"
#include "korvane/model/line.h"
#include "korvane/script/script_host.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using korvane::CScriptHost;

namespace {

struct Lang {
    const char* name;
    const char* ext;
};

class ScriptHostTest : public ::testing::TestWithParam<Lang> {
protected:
    ScriptHostTest()
        : dispatch_(automation::dispatchFor(&app_)),
          host_(dispatch_, [this] { return enabled_; }, [this] { return configured_; }) {
        host_.setMsgBoxHandler([this](const QString& prompt, int, const QString&) {
            boxes_.append(prompt);
            return 1;
        });
    }
    bool js() const { return QLatin1String(GetParam().ext) == QLatin1String(".js"); }
    QString write(const QString& vbs, const QString& jsText, const QString& ext = {}) {
        const QString path = dir_.filePath(QStringLiteral("s%1%2").arg(++count_).arg(ext.isEmpty() ? QLatin1String(GetParam().ext) : ext));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write((js() && ext.isEmpty() ? jsText : vbs).toUtf8());
        return path;
    }
    bool load(const QString& vbs, const QString& jsText) { return host_.LoadScript(write(vbs, jsText), dispatch_); }

    QTemporaryDir dir_;
    int count_ = 0;
    CApplication app_;
    automation::DispatchRef dispatch_;
    bool enabled_ = true;
    QString configured_;
    CScriptHost host_;
    QStringList boxes_;
};

TEST_P(ScriptHostTest, EventsNeedTheirExactArgumentCount) {
    ASSERT_TRUE(load(QStringLiteral("Sub OnConnect\nMsgBox \"none\"\nEnd Sub\n"
                                    "Sub OnDisconnect(l)\nMsgBox \"down \" & l\nEnd Sub\n"
                                    "Sub OnTick(x)\nEnd Sub\nSub OnAppLoad()\nMsgBox \"load\"\nEnd Sub\n"
                                    "Sub onsyslog(m)\nEnd Sub\n"),
                     QStringLiteral("function OnConnect() { MsgBox('none'); }\n"
                                    "function OnDisconnect(l) { MsgBox('down ' + l); }\n"
                                    "function OnTick(x) {}\nfunction OnAppLoad() { MsgBox('load'); }\n"
                                    "function onsyslog(m) {}\n")));
    EXPECT_EQ(host_.eventProcedures(), QStringList({"OnDisconnect", "OnAppLoad"}));
    host_.FireOnConnect(1);
    host_.FireOnTick();
    host_.FireOnSysLog(QStringLiteral("x"));
    host_.FireOnDisconnect(2);
    EXPECT_EQ(boxes_, QStringList({"down 2"}));
    EXPECT_TRUE(host_.hasEvent(QStringLiteral("OnDisconnect")));
    EXPECT_FALSE(host_.hasEvent(QStringLiteral("OnConnect")));
}

TEST_P(ScriptHostTest, ScriptsSwitchGatesOnlyTheLineAndUnloadEvents) {
    ASSERT_TRUE(load(QStringLiteral("Sub OnConnect(l)\nMsgBox \"up\"\nEnd Sub\nSub OnAppUnload\nMsgBox \"bye\"\nEnd Sub\n"
                                    "Sub OnTick\nMsgBox \"tick\"\nEnd Sub\nSub OnTtyChange(t)\nMsgBox t\nEnd Sub\n"),
                     QStringLiteral("function OnConnect(l) { MsgBox('up'); }\nfunction OnAppUnload() { MsgBox('bye'); }\n"
                                    "function OnTick() { MsgBox('tick'); }\nfunction OnTtyChange(t) { MsgBox(t); }\n")));
    enabled_ = false;
    host_.FireOnConnect(1);
    host_.FireOnAppUnload();
    host_.FireOnTick();
    host_.fireEvent(QStringLiteral("OnTtyChange"), {automation::Variant(QStringLiteral("Menu"))});
    enabled_ = true;
    host_.fireEvent(QStringLiteral("OnConnect"), {automation::Variant(qint32(1))});
    EXPECT_EQ(boxes_, QStringList({"tick", "Menu", "up"}));
}

TEST_P(ScriptHostTest, UserFunctionsListedWithoutPrefix) {
    ASSERT_TRUE(load(QStringLiteral("Sub Run_\nEnd Sub\nFunction Run_Test()\nEnd Function\nSub Run_Other(a)\nEnd Sub\n"
                                    "Sub run_lower\nEnd Sub\nSub Run_Last\nMsgBox \"last\"\nEnd Sub\n"),
                     QStringLiteral("function Run_() {}\nfunction Run_Test() {}\nfunction Run_Other(a) {}\n"
                                    "function run_lower() {}\nfunction Run_Last() { MsgBox('last'); }\n")));
    QStringList list;
    host_.ListUserFunctions(list);
    EXPECT_EQ(list, QStringList({"", "Test", "Last"}));
    host_.RunUserFunction(QStringLiteral("Last"));
    EXPECT_FALSE(host_.HasError());
    EXPECT_EQ(boxes_, QStringList({"last"}));
    host_.RunUserFunction(QStringLiteral("Missing"));
    EXPECT_TRUE(host_.HasError());
}

TEST_P(ScriptHostTest, SyntaxErrorNamesItsLineAndNoEventFires) {
    EXPECT_FALSE(load(QStringLiteral("Sub OnTick\nEnd Sub\nx = (1 +\n"),
                      QStringLiteral("function OnTick() {}\n\nvar x = (1 +;\n")));
    EXPECT_TRUE(host_.HasError());
    EXPECT_TRUE(host_.ErrorText().contains(QStringLiteral(". Line 3, Column "))) << host_.ErrorText().toStdString();
    EXPECT_FALSE(host_.ErrorText().contains(QStringLiteral("Column 0"))) << host_.ErrorText().toStdString();
    EXPECT_FALSE(host_.ErrorText().contains(QStringLiteral(".."))) << host_.ErrorText().toStdString();
    EXPECT_TRUE(host_.eventProcedures().isEmpty());
}

TEST_P(ScriptHostTest, ASubAndAFunctionOfOneNameAreBothListed) {
    if (js())
        GTEST_SKIP() << "JScript has one function per name";
    ASSERT_TRUE(load(QStringLiteral("Sub Run_Test\nEnd Sub\nFunction Run_Test()\nEnd Function\n"
                                    "Sub Run_Test2(a)\nEnd Sub\n"),
                     QString())) << host_.ErrorText().toStdString();
    QStringList list;
    host_.ListUserFunctions(list);
    EXPECT_EQ(list, QStringList({"Test", "Test"}));
}

TEST_P(ScriptHostTest, ErrorTextsSayLineAndColumnOnlyWhereTheyExist) {
    EXPECT_EQ(CScriptHost::errorText(QStringLiteral("Type mismatch"), 4, 7), QStringLiteral("Type mismatch. Line 4, Column 7"));
    EXPECT_EQ(CScriptHost::errorText(QStringLiteral("x is not defined."), 2, 0), QStringLiteral("x is not defined. Line 2"));
    EXPECT_EQ(CScriptHost::errorText(QStringLiteral("Cannot open script file \"a\""), 0, 0),
              QStringLiteral("Cannot open script file \"a\""));

    // A file that cannot be read has no line to name.
    EXPECT_FALSE(host_.LoadScript(dir_.filePath(QStringLiteral("missing") + QLatin1String(GetParam().ext)), dispatch_));
    EXPECT_FALSE(host_.ErrorText().contains(QStringLiteral("Line"))) << host_.ErrorText().toStdString();

    // A runtime error from the object model, whose description ends in a full stop.
    ASSERT_TRUE(load(QStringLiteral("Sub OnTick\nApplication.KorvaneEnabled = 5\nTotalOutcallTime = \"x\"\nEnd Sub\n"),
                     QStringLiteral("function OnTick() {\n  TotalOutcallTime = 'x';\n}\n")));
    host_.FireOnTick();
    ASSERT_TRUE(host_.HasError());
    EXPECT_FALSE(host_.ErrorText().contains(QStringLiteral(".."))) << host_.ErrorText().toStdString();
    EXPECT_FALSE(host_.ErrorText().contains(QStringLiteral("Column 0"))) << host_.ErrorText().toStdString();
    // The script's own line, not the line of the host helper that raised it.
    EXPECT_TRUE(host_.ErrorText().contains(js() ? QStringLiteral("Line 2") : QStringLiteral("Line "))) << host_.ErrorText().toStdString();
}

TEST_P(ScriptHostTest, ALoadErrorIsReportedOnce) {
    QStringList reported;
    host_.setErrorListener([&](const QString& text) { reported << QStringLiteral("listener ") + text; });
    host_.setLoadErrorBox([&](const QString&, const QString& text) { reported << QStringLiteral("box ") + text; });
    configured_ = write(QStringLiteral("x = (1 +\n"), QStringLiteral("var x = (1 +;\n"));
    host_.loadConfigured(false);
    ASSERT_EQ(reported.size(), 1) << reported.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(reported[0].startsWith(QStringLiteral("box ")));
    configured_ = dir_.filePath(QStringLiteral("missing.vbs"));
    reported.clear();
    host_.loadConfigured(true);
    EXPECT_EQ(reported.size(), 1);
    // Errors of events still reach the listener.
    ASSERT_TRUE(load(QStringLiteral("Sub OnTick\nx = 1 / 0\nEnd Sub\n"),
                     QStringLiteral("function OnTick() { undefinedThing(); }\n")));
    reported.clear();
    host_.FireOnTick();
    EXPECT_EQ(reported.size(), 1);
    EXPECT_TRUE(reported.value(0).startsWith(QStringLiteral("listener ")));
}

TEST_P(ScriptHostTest, AScriptOthersCanChangeIsRefusedWithTheFix) {
    const QString file = write(QStringLiteral("Sub OnTick\nEnd Sub\n"), QStringLiteral("function OnTick() {}\n"));
    ASSERT_TRUE(host_.LoadScript(file, dispatch_)) << host_.ErrorText().toStdString();
    // The file itself writable by everyone.
    QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::WriteOther);
    EXPECT_FALSE(host_.LoadScript(file, dispatch_));
    EXPECT_TRUE(host_.ErrorText().contains(file)) << host_.ErrorText().toStdString();
    EXPECT_TRUE(host_.ErrorText().contains(QStringLiteral("chmod go-w"))) << host_.ErrorText().toStdString();
    EXPECT_TRUE(host_.eventProcedures().isEmpty());
    QFile::setPermissions(file, QFile::permissions(file) & ~QFileDevice::WriteOther);
    ASSERT_TRUE(host_.LoadScript(file, dispatch_)) << host_.ErrorText().toStdString();

    // A folder above it that others can write: they could put another file in its place.
    const QString folder = dir_.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString inShared = folder + QStringLiteral("/s") + QLatin1String(GetParam().ext);
    ASSERT_TRUE(QFile::copy(file, inShared));
    const auto open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther |
                      QFileDevice::WriteOther | QFileDevice::ExeOther;
    QFile::setPermissions(folder, open);
    EXPECT_FALSE(host_.LoadScript(inShared, dispatch_));
    EXPECT_TRUE(host_.ErrorText().contains(QStringLiteral("chmod go-w \"%1\"").arg(QFileInfo(folder).canonicalFilePath())))
        << host_.ErrorText().toStdString();
    // A sticky folder such as /tmp lets nobody else replace our file.
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 01777), 0);
    EXPECT_TRUE(host_.LoadScript(inShared, dispatch_)) << host_.ErrorText().toStdString();
}

TEST_P(ScriptHostTest, RuntimeErrorInEventIsRecordedAndClearedByTheNextCall) {
    ASSERT_TRUE(load(QStringLiteral("Sub OnSysLog(m)\nIf m = \"bad\" Then\nx = 1 / 0\nEnd If\nEnd Sub\n"),
                     QStringLiteral("function OnSysLog(m) {\n if (m == 'bad')\n  undefinedThing();\n}\n")));
    host_.FireOnSysLog(QStringLiteral("bad"));
    EXPECT_TRUE(host_.HasError());
    EXPECT_TRUE(host_.ErrorText().contains(QStringLiteral("Line 3"))) << host_.ErrorText().toStdString();
    host_.FireOnSysLog(QStringLiteral("good"));
    EXPECT_FALSE(host_.HasError());
    EXPECT_TRUE(host_.ErrorText().isEmpty());
    // An event the script lacks leaves the state alone.
    host_.FireOnSysLog(QStringLiteral("bad"));
    host_.FireOnTick();
    EXPECT_TRUE(host_.HasError());
}

TEST_P(ScriptHostTest, ApplicationObjectInBothSpellings) {
    app_.lines().line(2)->SetChannel(QStringLiteral("B2"));
    ASSERT_TRUE(load(QStringLiteral("Sub OnConnect(l)\nMsgBox Application.Lines(2).Channel & \",\" & "
                                    "Lines.Item(2).Channel & \",\" & lines.item(2).CHANNEL\nKorvaneEnabled = False\nEnd Sub\n"),
                     QStringLiteral("function OnConnect(l) {\n MsgBox(Application.Lines(2).Channel + ',' + "
                                    "Lines.Item(2).Channel + ',' + Application.lines.item(2).CHANNEL);\n KorvaneEnabled = false;\n}\n")));
    ASSERT_TRUE(app_.korvaneEnabled());
    host_.FireOnConnect(2);
    ASSERT_FALSE(host_.HasError()) << host_.ErrorText().toStdString();
    EXPECT_EQ(boxes_, QStringList({"2,2,2"}));
    EXPECT_FALSE(app_.korvaneEnabled());
}

TEST_P(ScriptHostTest, ReadOnlyPropertyWriteIsAnError) {
    ASSERT_TRUE(load(QStringLiteral("Sub OnTick\nApplication.TotalOutcallTime = \"1\"\nEnd Sub\n"),
                     QStringLiteral("function OnTick() {\n Application.TotalOutcallTime = '1';\n}\n")));
    host_.FireOnTick();
    EXPECT_TRUE(host_.ErrorText().startsWith(QStringLiteral("Unable to write read-only property."))) << host_.ErrorText().toStdString();
}

TEST_P(ScriptHostTest, CallerIdsAppendedToAFile) {
    const QString log = dir_.filePath(QStringLiteral("calls.log"));
    ASSERT_TRUE(load(QStringLiteral("Sub OnCLIDChange(l)\nSet fso = CreateObject(\"Scripting.FileSystemObject\")\n"
                                    "Set f = fso.OpenTextFile(\"%1\", 8, True)\nf.WriteLine l & \" \" & Lines(l).CLID\nf.Close\nEnd Sub\n").arg(log),
                     QStringLiteral("function OnCLIDChange(l) {\n var fso = new ActiveXObject('Scripting.FileSystemObject');\n"
                                    " var f = fso.OpenTextFile('%1', 8, true);\n f.WriteLine(l + ' ' + Lines(l).CLID);\n f.Close();\n}\n").arg(log)));
    app_.lines().line(1)->SetCLID(QStringLiteral("0301234"));
    host_.FireOnCLIDChange(1);
    app_.lines().line(1)->SetCLID(QStringLiteral("0405678"));
    host_.FireOnCLIDChange(1);
    ASSERT_FALSE(host_.HasError()) << host_.ErrorText().toStdString();
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("1 0301234\r\n1 0405678\r\n"));
}

TEST_P(ScriptHostTest, UnknownProgramIdFailsWith429) {
    ASSERT_TRUE(load(QStringLiteral("Sub OnTick\nSet o = CreateObject(\"No.Such\")\nEnd Sub\n"),
                     QStringLiteral("function OnTick() {\n var o = new ActiveXObject('No.Such');\n}\n")));
    host_.FireOnTick();
    EXPECT_EQ(host_.control().error().number, 429);
}

TEST_P(ScriptHostTest, RunawayEventIsStopped) {
    host_.setTimeout(1);
    ASSERT_TRUE(load(QStringLiteral("Sub OnTick\nDo\nLoop\nEnd Sub\nSub OnSysLog(m)\nMsgBox m\nEnd Sub\n"),
                     QStringLiteral("function OnTick() {\n for (;;) {}\n}\nfunction OnSysLog(m) { MsgBox(m); }\n")));
    host_.FireOnTick();
    EXPECT_TRUE(host_.HasError());
    EXPECT_TRUE(host_.ErrorText().startsWith(QStringLiteral("Script Timeout"))) << host_.ErrorText().toStdString();
    // The script still answers afterwards.
    host_.FireOnSysLog(QStringLiteral("alive"));
    EXPECT_FALSE(host_.HasError()) << host_.ErrorText().toStdString();
    EXPECT_EQ(boxes_, QStringList({"alive"}));
}

TEST_P(ScriptHostTest, CompileLoadsTheConfiguredFileAndReportsErrorsOnce) {
    QStringList shown;
    host_.setLoadErrorBox([&](const QString& caption, const QString& text) { shown.append(caption + "|" + text); });
    host_.compile();  // no file configured: nothing happens
    EXPECT_TRUE(shown.isEmpty());
    configured_ = write(QStringLiteral("Sub OnAppLoad\nMsgBox \"loaded\"\nEnd Sub\n"),
                        QStringLiteral("function OnAppLoad() { MsgBox('loaded'); }\n"));
    host_.compile();
    EXPECT_EQ(boxes_, QStringList({"loaded"}));
    configured_ = write(QStringLiteral("Sub OnAppLoad\n\nIf\n"), QStringLiteral("function OnAppLoad() {\n\n)\n"));
    host_.compile();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("ZyXEL Prestige Korvane|")));
    EXPECT_TRUE(shown[0].contains(QStringLiteral("Line 3"))) << shown[0].toStdString();
    enabled_ = false;
    host_.compile();
    EXPECT_EQ(shown.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Languages, ScriptHostTest, ::testing::Values(Lang{"VBScript", ".vbs"}, Lang{"JScript", ".js"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ScriptHostLanguage, CapitalJsExtensionRunsAsVBScript) {
    QTemporaryDir dir;
    CApplication app;
    auto dispatch = automation::dispatchFor(&app);
    CScriptHost host(dispatch, [] { return true; }, [] { return QString(); });
    const QString path = dir.filePath(QStringLiteral("upper.JS"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Sub OnTick\nDim x\nx = 1\nEnd Sub\n");
    f.close();
    EXPECT_TRUE(host.LoadScript(path, dispatch)) << host.ErrorText().toStdString();
    EXPECT_EQ(host.control().language(), QStringLiteral("VBScript"));
    EXPECT_TRUE(host.hasEvent(QStringLiteral("OnTick")));
    EXPECT_FALSE(host.LoadScript(dir.filePath(QStringLiteral("missing.vbs")), dispatch));
    EXPECT_TRUE(host.HasError());
    EXPECT_FALSE(host.hasEvent(QStringLiteral("OnTick")));
}

// Notepad's "Unicode" files: UTF-16 with a byte order mark, either order.
TEST(ScriptHostLanguage, Utf16FilesWithAByteOrderMarkLoad) {
    const QString source = QStringLiteral("Sub OnTick\nx = \"\u00e9\u4e2d\"\nEnd Sub\n");
    QByteArray little("\xFF\xFE", 2);
    QByteArray big("\xFE\xFF", 2);
    for (QChar c : source) {
        little.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        big.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    EXPECT_EQ(CScriptHost::scriptText(little), source);
    EXPECT_EQ(CScriptHost::scriptText(big), source);

    QTemporaryDir dir;
    CApplication app;
    auto dispatch = automation::dispatchFor(&app);
    CScriptHost host(dispatch, [] { return true; }, [] { return QString(); });
    const QString path = dir.filePath(QStringLiteral("wide.vbs"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(little);
    f.close();
    EXPECT_TRUE(host.LoadScript(path, dispatch)) << host.ErrorText().toStdString();
    EXPECT_TRUE(host.hasEvent(QStringLiteral("OnTick")));
}

}  // namespace
