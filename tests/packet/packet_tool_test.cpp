// korvane-tool packet as a user runs it: the captured text in, the rows out.

#include <QProcess>

#include <gtest/gtest.h>

namespace {
struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun tool(const QStringList& args, const QByteArray& input = {})
{
    QProcess process;
    process.start(QStringLiteral(KORVANE_TOOL), QStringList{QStringLiteral("packet")} + args);
    if (!process.waitForStarted(10000))
        return {};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(5000);
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// As the status screen carries it: two rows of the dump joined by one blank.
const QByteArray kCapturedUdp =
    "45 00 00 3D 2A 10 00 00 80 11 8B 7E C0 A8 01 21 C2 19 02 81 04 0B 00 35 00 29 A8 E1\n";
}  // namespace

TEST(PacketTool, PrintsTheRowsInDecoderOrderFromStandardInput)
{
    const ToolRun run = tool({}, kCapturedUdp);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(u'\n');
    ASSERT_EQ(lines.size(), 20);  // 19 rows and the empty text after the last line break
    EXPECT_EQ(lines[0], QStringLiteral("IP: Version\t4"));
    EXPECT_EQ(lines[11], QStringLiteral("IP: Source IP Address\t192.168.1.33"));
    EXPECT_EQ(lines[16], QStringLiteral("UDP: Destination Port Name\tdomain, nameserver, "));
    EXPECT_EQ(lines[18], QStringLiteral("UDP: Checksum\t43233"));
    EXPECT_TRUE(lines[19].isEmpty());
    EXPECT_TRUE(run.err.isEmpty());
}

TEST(PacketTool, TakesTheTextFromArgumentsAndDecodesIpxOnRequest)
{
    const ToolRun run = tool({QStringLiteral("--ipx"), QStringLiteral("0000 0014"), QStringLiteral("00000001")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[1], QStringLiteral("IPX: Packet Type Name\tNetBIOS"));
    EXPECT_EQ(lines[2], QStringLiteral("IPX: Destination Network Number\t00000001"));
    EXPECT_EQ(lines[3], QStringLiteral("IPX: Destination Node Number\t000000000000"));
}

TEST(PacketTool, ShortIpTextPrintsNothingAndUnknownOptionsAreUsageErrors)
{
    ToolRun run = tool({QStringLiteral("4500")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.isEmpty());

    run = tool({QStringLiteral("--tcp"), QStringLiteral("4500")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QLatin1String("--tcp")));
}

TEST(PacketTool, TextThatIsNoHexIsAnErrorThatSaysSo)
{
    ToolRun run = tool({QStringLiteral("zz")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QLatin1String("'z' is not a hexadecimal digit"))) << run.err.toStdString();

    run = tool({QStringLiteral("45 00 0g")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("'g'"))) << run.err.toStdString();

    run = tool({}, QByteArray("\n"));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QLatin1String("no packet given"))) << run.err.toStdString();
}
