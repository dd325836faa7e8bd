#include "korvane/router/call_history_reader.h"

#include "korvane/model/call_infos.h"
#include "screen_fixture.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct ExpectedCall {
    const char* phone;
    const char* direction;
    int rate;
    int calls;
    const char* max;
    const char* min;
    const char* total;
};

void expectCall(const CCallInfo& call, const ExpectedCall& e)
{
    EXPECT_EQ(call.phoneNumber(), QString::fromLatin1(e.phone));
    EXPECT_EQ(call.direction(), QString::fromLatin1(e.direction));
    EXPECT_EQ(call.baudRate(), e.rate);
    EXPECT_EQ(call.noOfCalls(), e.calls);
    EXPECT_EQ(call.maxTime(), QString::fromLatin1(e.max));
    EXPECT_EQ(call.minTime(), QString::fromLatin1(e.min));
    EXPECT_EQ(call.totalTime(), QString::fromLatin1(e.total));
}

}  // namespace

TEST(CallHistoryReaderTest, ReadsTheTenRows)
{
    CCallInfos calls;
    ReadCallHistoryRecords(fixtureScreen("call_history.txt"), calls);
    expectCall(*calls.entry(0), {"0891234", "Out", 64000, 12, "    0:42:10", "    0:00:04", "  2:11:58"});
    expectCall(*calls.entry(1), {"0301234567", "In", 64000, 3, "    0:05:00", "    0:00:31", "  0:06:12"});
    expectCall(*calls.entry(2), {"4989123456", "Out", 128000, 141, "   12:00:01", "    0:00:01", "101:33:17"});
    expectCall(*calls.entry(5), {"0800111222333444", "Out", 64000, 7, "    0:01:00", "    0:00:09", "  0:03:33"});
    // Only the router's exact words are rewritten.
    EXPECT_EQ(calls.entry(6)->direction(), QStringLiteral("In"));
    EXPECT_EQ(calls.entry(7)->direction(), QStringLiteral("out"));
    EXPECT_EQ(calls.entry(8)->noOfCalls(), std::numeric_limits<qint32>::max());
    expectCall(*calls.entry(9), {"12345", "In", 64000, 5, "    0:00:50", "    0:00:10", "  0:02:30"});
    for (const CCallInfo& call : calls) {
        EXPECT_FALSE(call.totalTime().endsWith(u'\n'));
        EXPECT_FALSE(call.totalTime().endsWith(u'\r'));
    }
}

TEST(CallHistoryReaderTest, FewerCallsLeaveEmptyEntries)
{
    CCallInfos calls;
    ReadCallHistoryRecords(fixtureScreen("call_history.txt"), calls);
    ReadCallHistoryRecords(fixtureScreen("call_history_partial.txt"), calls);
    EXPECT_EQ(calls.entry(2)->phoneNumber(), QStringLiteral("4989123456"));
    for (int i = 3; i < CCallInfos::kCount; ++i)
        expectCall(*calls.entry(i), {"", "", 0, 0, "", "", ""});
}

TEST(CallHistoryReaderTest, EmptyAndShortTexts)
{
    CCallInfos calls;
    const QString full = fixtureScreen("call_history.txt");
    ReadCallHistoryRecords(full, calls);
    ReadCallHistoryRecords(QString(), calls);
    for (const CCallInfo& call : calls)
        expectCall(call, {"", "", 0, 0, "", "", ""});
    // Cut inside the first row's rate: the rest of that row and all later rows are empty.
    ReadCallHistoryRecords(full.left(5 * kScreenRowStride + 31), calls);
    expectCall(*calls.entry(0), {"0891234", "Out", 64, 0, "", "", ""});
    expectCall(*calls.entry(1), {"", "", 0, 0, "", "", ""});
    for (qsizetype n = 0; n <= full.size(); ++n)
        ReadCallHistoryRecords(full.left(n), calls);
    EXPECT_EQ(calls.entry(9)->totalTime(), QStringLiteral("  0:02:30"));
}
