// korvane-tool screen, run as a program the way a user runs it.

#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
};

ToolRun runTool(const QStringList& args, const QByteArray& input)
{
    QProcess tool;
    tool.start(QStringLiteral(KORVANE_BINARY_DIR "/bin/korvane-tool"), QStringList{QStringLiteral("screen")} + args);
    if (!tool.waitForStarted(10000))
        return {};
    tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(30000))
        return {};
    return {tool.exitCode(), tool.readAllStandardOutput()};
}

}  // namespace

TEST(ScreenToolTest, PrintsTheTextFormAndTheCursor)
{
    const ToolRun run = runTool({}, QByteArray("\x1b[2J\x1b[3;5HMenu\xff\xfd\x18\x80"));
    ASSERT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.out.size(), 1968 + 12);
    EXPECT_EQ(run.out.mid(2 * 82 + 4, 5), QByteArray("Menu\x80"));
    EXPECT_EQ(run.out.mid(1968), QByteArray("cursor 3 10\n"));
}

TEST(ScreenToolTest, ChunksGiveTheScreenOfTheWholeStream)
{
    const QByteArray bytes("\x1b[10;20HMenu");
    const ToolRun whole = runTool({}, bytes);
    EXPECT_TRUE(whole.out.endsWith("cursor 10 24\n"));
    // Cut after "\x1b[1": the sequence is completed by the next chunk.
    const ToolRun cut = runTool({QStringLiteral("--chunk"), QStringLiteral("3")}, bytes);
    ASSERT_EQ(cut.exitCode, 0);
    EXPECT_EQ(cut.out, whole.out);
}

TEST(ScreenToolTest, RejectsABadChunkSize)
{
    for (const char* bad : {"0", "-1", "x"})
        EXPECT_EQ(runTool({QStringLiteral("--chunk"), QLatin1String(bad)}, {}).exitCode, 2) << bad;
}
