// The conversions from screen text to field values, and the setters that
// apply them where the parsers' fixtures do not reach.

#include "korvane/model/call_info.h"
#include "korvane/model/line.h"
#include "korvane/model/text_conversions.h"

#include <gtest/gtest.h>

#include <limits>

using namespace korvane;

TEST(TextConversionTest, LeadingIntegerReadsAsAtolAndSaturates)
{
    constexpr qint32 max = std::numeric_limits<qint32>::max();
    constexpr qint32 min = std::numeric_limits<qint32>::min();
    const std::pair<const char*, qint32> cases[] = {
        {"", 0}, {"        ", 0}, {"   45%", 45}, {"-17", -17}, {"+17", 17}, {" \t\r\n\v\f9", 9},
        {"64K/PPP", 64}, {"12 34", 12}, {"- 5", 0}, {"+-5", 0}, {"B2", 0}, {"007", 7},
        {"2147483647", max}, {"2147483648", max}, {"99999999999999999999", max},
        {"-2147483648", min}, {"-2147483649", min},
        // A no-break space is no white space to the router's C library.
        {"\xA0" "12", 0},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(leadingInteger(QString::fromLatin1(text)), value) << '"' << text << '"';
}

TEST(TextConversionTest, TrimmingTakesOnlyAsciiWhiteSpace)
{
    EXPECT_EQ(trimmedBothEnds(u"  Remote 1 \t\r\n"), QStringLiteral("Remote 1"));
    EXPECT_EQ(trimmedBothEnds(u" \v\f "), QString());
    EXPECT_EQ(trimmedEnd(u"    0:12:30  \r\n"), QStringLiteral("    0:12:30"));
    const QString latin = QString::fromLatin1("\xA0M\xFCnchen\xA0");
    EXPECT_EQ(trimmedBothEnds(u' ' + latin + u' '), latin);
}

TEST(LineTest, ChannelDropsItsLetterAndKeepsTheOldValueForAnEmptyText)
{
    CLine line;
    const std::pair<const char*, int> steps[] = {{"B2", 2}, {"", 2}, {"  ", 0}, {"B1", 1}, {"-", 0}, {"12", 2}};
    for (const auto& [text, channel] : steps) {
        line.SetChannel(QString::fromLatin1(text));
        EXPECT_EQ(line.channel(), channel) << '"' << text << '"';
        EXPECT_EQ(line.isUp(), channel > 0);
    }
}

TEST(CallInfoTest, DirectionRewritesOnlyTheRoutersExactWords)
{
    CCallInfo call;
    const std::pair<const char*, const char*> cases[] = {
        {" IN ", "In"}, {"OUT ", "Out"}, {"Out", "Out"}, {"in", "in"}, {"out", "out"}, {"INN", "INN"}, {"    ", ""},
    };
    for (const auto& [cell, stored] : cases) {
        call.SetDirection(QString::fromLatin1(cell));
        EXPECT_EQ(call.direction(), QString::fromLatin1(stored)) << cell;
    }
    call.SetPhoneNumber(QStringLiteral("5551234"));
    call.SetTotalTime(QStringLiteral("\t 0:01\r\n"));
    EXPECT_EQ(call.totalTime(), QStringLiteral("\t 0:01"));
    call.clear();
    EXPECT_TRUE(call.phoneNumber().isEmpty() && call.direction().isEmpty() && call.totalTime().isEmpty());
}
