// The call journal behind the endpoint: per-line totals over every call it
// holds, and /api/calls newest first from a given time.
#include "../controller/recorders.h"

#include "korvane/http/journal_source.h"
#include "korvane/journal/journal_session.h"

#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

TEST(JournalSource, TotalsAndCallsComeFromTheJournal) {
    QTemporaryDir dir;
    qputenv("KORVANE_SETTINGS_DIR", dir.path().toLocal8Bit());
    Log log;
    FakeSettings settings;
    CMonitorController controller(&settings, nullptr, std::make_unique<FakeTerminal>(&log));
    JournalSession session(&controller, [](const QString& text) { ADD_FAILURE() << text.toStdString(); });
    ASSERT_NE(session.journal(), nullptr);

    for (qint64 start : {1000000, 1000100, 1000200}) {
        CallRecord call;
        call.line = start == 1000100 ? 2 : 1;
        call.channel = 1;
        call.startUtc = start;
        call.lastTickUtc = start + 60;
        call.callerId = QStringLiteral("0301234");
        ASSERT_TRUE(session.journal()->startCall(call));
        ASSERT_TRUE(session.journal()->endCall(call.id, start + 60, CallEnd::HungUp));
    }
    // The totals are summed once; the calls the tracker ends later add to them.
    http::JournalSource source(&session, &controller);
    EXPECT_EQ(source.calls(1), 2);
    EXPECT_EQ(source.calls(2), 1);
    EXPECT_EQ(source.onlineSeconds(1), 120);

    // Newest first, at most limit of them.
    const QJsonArray since = source.callsSince(QDateTime::fromSecsSinceEpoch(1000100), 1);
    ASSERT_EQ(since.size(), 1);
    EXPECT_EQ(since[0].toObject().value(QStringLiteral("start")).toString(),
              QDateTime::fromSecsSinceEpoch(1000200, Qt::UTC).toString(Qt::ISODate));
    EXPECT_EQ(source.callsSince(QDateTime::fromSecsSinceEpoch(1000100), 10).size(), 2);
    EXPECT_EQ(source.callsSince(QDateTime(), 10).size(), 3);
    qunsetenv("KORVANE_SETTINGS_DIR");
}
