// korvane-tool script --run: scripts written for cscript run with their
// WScript object, their output on the console and Quit's code as the status.

#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

Result runTool(const QStringList& args) {
    QProcess tool;
    tool.start(QStringLiteral(KORVANE_TOOL), QStringList{QStringLiteral("script"), QStringLiteral("--run")} + args);
    EXPECT_TRUE(tool.waitForFinished(30000));
    return {tool.exitCode(), QString::fromUtf8(tool.readAllStandardOutput()), QString::fromUtf8(tool.readAllStandardError())};
}

QString script(const char* name) { return QStringLiteral(KORVANE_SOURCE_DIR "/tests/scriptcontrol/scripts/") + QLatin1String(name); }

}  // namespace

TEST(WScriptToolTest, VBScriptEchoesArgumentsStreamsAndQuits) {
    const Result r = runTool({script("cscript.vbs"), QStringLiteral("first"), QStringLiteral("second arg")});
    EXPECT_EQ(r.out.toStdString(), "name cscript.vbs 2\nfirst;second arg;\n1 True\n");
    EXPECT_EQ(r.err.toStdString(), "to stderr first\n");
    // Quit ends the script even under On Error Resume Next, with its code.
    EXPECT_EQ(r.status, 3);
}

TEST(WScriptToolTest, JScriptQuitsThroughATry) {
    const Result r = runTool({script("cscript.js"), QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(r.out.toStdString(), "js 2 b\n");
    EXPECT_EQ(r.status, 5);
}

TEST(WScriptToolTest, AnErrorNamesItsPlaceAndFails) {
    const Result r = runTool({script("cscript-error.vbs")});
    EXPECT_EQ(r.out.toStdString(), "before\n");
    EXPECT_TRUE(r.err.contains(QStringLiteral("(2, 1) error 11: Division by zero"))) << r.err.toStdString();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(runTool({script("none.vbs")}).status, 1);
}
