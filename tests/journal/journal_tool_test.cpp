// korvane-tool journal end to end: a journal written here, read back as
// text, CSV and JSON, with --since, a tariff, and its usage errors.
#include "korvane/journal/call_journal.h"
#include "korvane/journal/phone_book.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

struct ToolRun {
    int code = -1;
    QString out, err;
};

ToolRun tool(const QString& dir, const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVANE_SETTINGS_DIR"), dir);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORVANE_TOOL), QStringList{QStringLiteral("journal")} + args);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

class JournalTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        CallJournal journal(CallJournal::fileForRouter(dir.path(), QStringLiteral("10.0.0.138")));
        ASSERT_TRUE(journal.isOpen());
        const qint64 may = QDateTime(QDate(2024, 5, 1), QTime(12, 0)).toSecsSinceEpoch();
        for (auto [line, start, seconds, number, name] :
             {std::tuple{1, may - 86400 * 3, 100, "", ""}, {2, may, 61, "0301234567", "Berg, Anna"},
              {1, may + 3600, 3600, "", ""}}) {
            CallRecord c;
            c.line = line;
            c.channel = line;
            c.startUtc = start;
            c.lastTickUtc = start + seconds;
            c.voice = *number != 0;
            c.link = c.voice ? QStringLiteral("Voice") : QStringLiteral("Office");
            c.callerId = QString::fromLatin1(number);
            c.callerName = QString::fromUtf8(name);
            c.direction = c.callerId.isEmpty() ? QStringLiteral("Out") : QStringLiteral("In");
            c.packetsSent = 10;
            ASSERT_TRUE(journal.startCall(c));
            journal.endCall(c.id, start + seconds, CallEnd::HungUp);
        }
    }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(JournalTool, ListsSumsUpAndExports)
{
    const QStringList router{QStringLiteral("--router"), QStringLiteral("10.0.0.138")};
    ToolRun list = tool(dir.path(), router + QStringList{QStringLiteral("list")});
    ASSERT_EQ(list.code, 0) << list.err.toStdString();
    EXPECT_EQ(list.out.count(u'\n'), 3);
    EXPECT_TRUE(list.out.contains(QStringLiteral("Berg, Anna (0301234567)")));

    ToolRun since = tool(dir.path(), router + QStringList{QStringLiteral("list"), QStringLiteral("--since"),
                                                      QStringLiteral("2024-05-01"), QStringLiteral("--json")});
    ASSERT_EQ(since.code, 0) << since.err.toStdString();
    const QJsonArray calls = QJsonDocument::fromJson(since.out.toUtf8()).array();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].toObject().value(QStringLiteral("name")).toString(), QStringLiteral("Berg, Anna"));
    EXPECT_EQ(calls[0].toObject().value(QStringLiteral("seconds")).toInt(), 61);
    EXPECT_EQ(calls[1].toObject().value(QStringLiteral("ended")).toString(), QStringLiteral("hung up"));

    ToolRun csv = tool(dir.path(), router + QStringList{QStringLiteral("export")});
    ASSERT_EQ(csv.code, 0);
    const QList<QStringList> rows = parseCsv(csv.out);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[2][9], QStringLiteral("Berg, Anna"));

    ToolRun summary = tool(dir.path(), router + QStringList{QStringLiteral("summary"), QStringLiteral("--json")});
    ASSERT_EQ(summary.code, 0);
    const QJsonObject totals = QJsonDocument::fromJson(summary.out.toUtf8()).object();
    EXPECT_EQ(totals.value(QStringLiteral("calls")).toInt(), 3);
    EXPECT_EQ(totals.value(QStringLiteral("line1Seconds")).toInt(), 3700);
    EXPECT_EQ(totals.value(QStringLiteral("line2Seconds")).toInt(), 61);
    EXPECT_FALSE(totals.contains(QStringLiteral("cost")));

    // No router given and none remembered: the one journal there is.
    ToolRun only = tool(dir.path(), {QStringLiteral("list")});
    ASSERT_EQ(only.code, 0) << only.err.toStdString();
    EXPECT_EQ(only.out.count(u'\n'), 3);
}

TEST_F(JournalTool, ShowsCostsWhereATariffIsSet)
{
    QFile conf(dir.filePath(QStringLiteral("ZyXEL Prestige Korvane.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("[Settings]\nLast%20IP%20Address=10.0.0.138\nCost%20per%20Call=0.10\nCost%20per%20Minute=0,05\n"
               "Currency=EUR\n");
    conf.close();
    ToolRun summary = tool(dir.path(), {QStringLiteral("summary")});
    ASSERT_EQ(summary.code, 0) << summary.err.toStdString();
    // Outgoing 100 s: 0.10 + 2 x 0.05; outgoing 3600 s: 0.10 + 60 x 0.05; the
    // incoming 61 s call costs its caller, not us.
    EXPECT_TRUE(summary.out.contains(QStringLiteral("Cost 3.30 EUR"))) << summary.out.toStdString();
    // As JSON the money is the amount itself, no float noise.
    ToolRun json = tool(dir.path(), {QStringLiteral("summary"), QStringLiteral("--json")});
    ASSERT_EQ(json.code, 0) << json.err.toStdString();
    EXPECT_TRUE(json.out.contains(QStringLiteral("\"cost\":3.3,"))) << json.out.toStdString();
    ToolRun csv = tool(dir.path(), {QStringLiteral("export")});
    ASSERT_EQ(csv.code, 0) << csv.err.toStdString();
    const QStringList rows = csv.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_TRUE(rows[0].endsWith(QStringLiteral(",Cost")));
    EXPECT_TRUE(rows[0].contains(QStringLiteral(",Seconds,Line,")));
    EXPECT_TRUE(rows[1].endsWith(QStringLiteral(",0.20"))) << rows[1].toStdString();
    EXPECT_TRUE(rows[2].endsWith(QStringLiteral(",0.00"))) << rows[2].toStdString();
    EXPECT_TRUE(rows[3].endsWith(QStringLiteral(",3.10"))) << rows[3].toStdString();
}

TEST_F(JournalTool, UsageErrorsAndAMissingJournal)
{
    EXPECT_EQ(tool(dir.path(), {}).code, 2);
    EXPECT_EQ(tool(dir.path(), {QStringLiteral("drop")}).code, 2);
    ToolRun badDate = tool(dir.path(), {QStringLiteral("list"), QStringLiteral("--since"), QStringLiteral("yesterday")});
    EXPECT_EQ(badDate.code, 2);
    EXPECT_TRUE(badDate.err.contains(QStringLiteral("not a date")));
    ToolRun missing = tool(dir.path(), {QStringLiteral("--router"), QStringLiteral("10.9.9.9"), QStringLiteral("list")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("no journal for 10.9.9.9")));
    EXPECT_FALSE(QFile::exists(CallJournal::fileForRouter(dir.path(), QStringLiteral("10.9.9.9"))));
}

// Help asked for is an answer, on standard output, with exit status 0: for the
// tool as a whole and for every command, journal among them.
TEST(ToolHelp, TheToolAndEveryCommandAnswerHelp)
{
    auto run = [](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(KORVANE_TOOL), args);
        p.waitForFinished(30000);
        return ToolRun{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                       QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    };
    const ToolRun all = run({QStringLiteral("--help")});
    EXPECT_EQ(all.code, 0) << all.err.toStdString();
    EXPECT_TRUE(all.err.isEmpty()) << all.err.toStdString();
    EXPECT_TRUE(all.out.startsWith(QLatin1String("usage: korvane-tool <command>"))) << all.out.toStdString();
    QStringList commands;
    const QString list = all.out.section(QStringLiteral("commands:\n"), 1);
    for (const QString& line : list.split(u'\n', Qt::SkipEmptyParts))
        commands << line.trimmed().section(u' ', 0, 0);
    EXPECT_TRUE(commands.contains(QLatin1String("journal")));
    EXPECT_TRUE(commands.contains(QLatin1String("packet")));
    for (const QString& command : commands) {
        const ToolRun one = run({command, QStringLiteral("--help")});
        EXPECT_EQ(one.code, 0) << command.toStdString() << ": " << one.err.toStdString();
        EXPECT_TRUE(one.out.startsWith(QLatin1String("usage: korvane-tool ") + command)) << one.out.toStdString();
    }
    // Without a command it is still a usage error.
    EXPECT_EQ(run({}).code, 2);
    EXPECT_EQ(run({QStringLiteral("nonsense")}).code, 2);
}
