// The Call Log view on a real journal: newest first, filters and search,
// totals per period, the 30-day chart, costs, incremental refresh and the
// CSV export read back as RFC 4180.
#include "korvane/journal/call_journal.h"
#include "korvane/journal/call_query.h"
#include "korvane/journal/phone_book.h"
#include "korvane/views/call_log_view.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

qint64 at(const QDate& day, int hour, int minute = 0)
{
    return QDateTime(day, QTime(hour, minute)).toSecsSinceEpoch();
}

struct Journal {
    QTemporaryDir dir;
    CallJournal journal{dir.filePath(QStringLiteral("j.sqlite"))};
    QDate today{2024, 5, 15};

    CallRecord add(int line, qint64 start, int seconds, bool voice, const QString& number = {},
                   const QString& name = {}, CallEnd end = CallEnd::HungUp)
    {
        CallRecord c;
        c.line = line;
        c.channel = line;
        c.startUtc = start;
        c.lastTickUtc = start + seconds;
        c.voice = voice;
        c.link = voice ? QStringLiteral("Voice") : QStringLiteral("Office");
        c.callerId = number;
        c.callerName = name;
        c.direction = number.isEmpty() ? QString() : QStringLiteral("In");
        c.packetsSent = seconds;
        c.packetsReceived = 2 * seconds;
        EXPECT_TRUE(journal.startCall(c));
        if (end != CallEnd::Open)
            journal.endCall(c.id, start + seconds, end);
        return c;
    }
};

}  // namespace

TEST(CallLogView, ShowsCallsNewestFirstAndFilters)
{
    Journal j;
    j.add(1, at(j.today.addDays(-40), 9), 600, false);
    j.add(2, at(j.today.addDays(-1), 10), 120, true, QStringLiteral("0301234567"), QStringLiteral("Anna Berg"));
    j.add(1, at(j.today, 8), 3600, false);
    j.add(2, at(j.today, 12), 30, true, QStringLiteral("0407654321"));
    CCallLogView view;
    view.setToday(j.today);
    view.setJournalSource([&] { return &j.journal; });
    view.reload();
    const QList<CallRecord>& shown = view.model().calls();
    ASSERT_EQ(shown.size(), 4);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end(),
                               [](const CallRecord& a, const CallRecord& b) { return a.startUtc > b.startUtc; }));
    EXPECT_EQ(view.model().data(view.model().index(0, CallLogModel::Duration), Qt::DisplayRole).toString(),
              QStringLiteral("0:00:30"));

    CallFilter f;
    f.line = 1;
    view.setFilter(f);
    EXPECT_EQ(view.model().rowCount(), 2);
    f = {};
    f.type = CallFilter::Type::Voice;
    view.setFilter(f);
    EXPECT_EQ(view.model().rowCount(), 2);
    f.text = QStringLiteral("anna");
    view.setFilter(f);
    ASSERT_EQ(view.model().rowCount(), 1);
    EXPECT_EQ(view.model().calls()[0].callerId, QStringLiteral("0301234567"));
    f = {};
    f.text = QStringLiteral("0407");
    view.setFilter(f);
    EXPECT_EQ(view.model().rowCount(), 1);
    f = {};
    f.from = j.today.addDays(-1);
    f.to = j.today.addDays(-1);
    view.setFilter(f);
    EXPECT_EQ(view.model().rowCount(), 1);
    f = {};
    f.direction = CallFilter::Direction::Unknown;
    view.setFilter(f);
    EXPECT_EQ(view.model().rowCount(), 2);
}

TEST(CallLogView, TotalsPerPeriodAndTheThirtyDayChart)
{
    Journal j;
    j.add(1, at(j.today.addDays(-40), 9), 600, false);
    j.add(2, at(j.today.addDays(-1), 10), 120, true);
    j.add(1, at(j.today, 8), 3600, false);
    j.add(2, at(j.today, 12), 30, true);
    CCallLogView view;
    view.setToday(j.today);
    view.setJournalSource([&] { return &j.journal; });
    view.reload();
    QTreeWidget* totals = view.totalsList();
    ASSERT_EQ(totals->topLevelItemCount(), 3);  // three days with calls
    QTreeWidgetItem* newest = totals->topLevelItem(0);
    EXPECT_EQ(newest->text(0), j.today.toString(Qt::ISODate));
    EXPECT_EQ(newest->text(1), QStringLiteral("2"));
    EXPECT_EQ(newest->text(2), QStringLiteral("1:00:00"));
    EXPECT_EQ(newest->text(3), QStringLiteral("0:00:30"));
    EXPECT_EQ(newest->text(4), QStringLiteral("3630"));
    view.setPeriod(TotalsPeriod::Month);
    EXPECT_EQ(totals->topLevelItem(0)->text(0), QStringLiteral("2024-05"));
    EXPECT_EQ(totals->topLevelItem(0)->text(1), QStringLiteral("3"));
    view.setPeriod(TotalsPeriod::Week);
    EXPECT_EQ(totals->topLevelItem(0)->text(0), QStringLiteral("2024-W20"));

    const QVector<double>& minutes = view.chart()->minutes();
    ASSERT_EQ(minutes.size(), 30);
    EXPECT_DOUBLE_EQ(minutes[29], 60.5);
    EXPECT_DOUBLE_EQ(minutes[28], 2.0);
    EXPECT_DOUBLE_EQ(std::accumulate(minutes.begin(), minutes.end(), 0.0), 62.5);  // the old call is outside
}

TEST(CallLogView, CostsWhereATariffIsSet)
{
    Journal j;
    CallRecord out = j.add(1, at(j.today, 8), 61, false);
    out.direction = QStringLiteral("Out");
    out.endUtc = out.lastTickUtc;
    out.ended = CallEnd::HungUp;
    ASSERT_TRUE(j.journal.updateCall(out));
    j.add(2, at(j.today, 7), 61, false, QStringLiteral("5551234"));  // incoming: free
    CCallLogView view;
    view.setToday(j.today);
    view.setJournalSource([&] { return &j.journal; });
    view.setTariffSource([] { return Tariff{10, 5, QStringLiteral("EUR")}; });
    view.reload();
    ASSERT_EQ(view.model().columnCount(), CallLogModel::ColumnCount);
    EXPECT_EQ(view.model().data(view.model().index(0, CallLogModel::Cost), Qt::DisplayRole).toString(),
              QStringLiteral("0.20 EUR"));
    EXPECT_EQ(view.totalsList()->topLevelItem(0)->text(6), QStringLiteral("0.20 EUR"));
    view.setTariffSource([] { return Tariff{}; });
    view.reload();
    EXPECT_EQ(view.model().columnCount(), CallLogModel::ColumnCount - 1);
}

TEST(CallLogView, RefreshPicksUpNewCallsAndOpenCallsMovingOn)
{
    Journal j;
    CallRecord open = j.add(1, at(j.today, 8), 10, false, {}, {}, CallEnd::Open);
    CCallLogView view;
    view.setToday(j.today);
    view.setJournalSource([&] { return &j.journal; });
    view.reload();
    ASSERT_EQ(view.model().rowCount(), 1);
    EXPECT_TRUE(view.model().calls()[0].isOpen());
    open.lastTickUtc += 50;
    j.journal.updateCall(open);
    j.journal.endCall(open.id, open.lastTickUtc, CallEnd::HungUp);
    j.add(2, at(j.today, 9), 5, true);
    view.refresh();
    ASSERT_EQ(view.model().rowCount(), 2);
    EXPECT_EQ(view.model().calls()[1].durationSeconds(), 60);
    EXPECT_FALSE(view.model().calls()[1].isOpen());

    CCallLogView empty;
    empty.setJournalSource([] { return nullptr; });
    empty.reload();
    empty.refresh();
    EXPECT_EQ(empty.model().rowCount(), 0);
}

TEST(CallLogView, ExportsTheRowsShownAsRfc4180)
{
    Journal j;
    j.add(2, at(j.today, 10), 120, true, QStringLiteral("0301234567"), QStringLiteral("Berg, \"Anna\""));
    j.add(1, at(j.today, 8), 60, false);
    CCallLogView view;
    view.setToday(j.today);
    view.setJournalSource([&] { return &j.journal; });
    view.reload();
    CallFilter f;
    f.type = CallFilter::Type::Voice;
    view.setFilter(f);
    const QString file = j.dir.filePath(QStringLiteral("out.csv"));
    QString error;
    ASSERT_TRUE(view.exportCsv(file, &error)) << error.toStdString();
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    EXPECT_TRUE(bytes.contains("\"Berg, \"\"Anna\"\"\""));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    const QList<QStringList> rows = parseCsv(QString::fromUtf8(bytes));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0][0], QStringLiteral("Start (UTC)"));
    EXPECT_EQ(rows[1].size(), rows[0].size());
    EXPECT_EQ(rows[1][9], QStringLiteral("Berg, \"Anna\""));
    EXPECT_EQ(rows[1][3], QStringLiteral("120"));
    EXPECT_FALSE(view.exportCsv(j.dir.filePath(QStringLiteral("missing/folder/out.csv")), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(CallLogView, TheStartColumnShowsTheTimeAsWellAsTheDate)
{
    Journal j;
    j.add(1, at(j.today, 14, 37), 90, false);
    CCallLogView view;
    view.setToday(j.today);
    view.setJournalSource([&] { return &j.journal; });
    view.resize(1270, 600);
    view.show();
    view.reload();
    QCoreApplication::processEvents();
    const QString start = view.model().data(view.model().index(0, CallLogModel::Start), Qt::DisplayRole).toString();
    ASSERT_TRUE(start.endsWith(QLatin1String("14:37:00"))) << start.toStdString();
    QTableView* table = view.table();
    // Wide enough for the whole text with the cell's margins.
    EXPECT_GE(table->columnWidth(CallLogModel::Start), table->fontMetrics().horizontalAdvance(start) + 6);
}
