#include "korvane/model/text_conversions.h"

#include <gtest/gtest.h>

#include <limits>

using namespace korvane;

TEST(LeadingIntegerTest, ReadsAsAtolDoes)
{
    struct Case {
        const char* text;
        qint32 value;
    };
    const Case cases[] = {
        {"", 0},
        {"        ", 0},
        {"1234", 1234},
        {"   45%", 45},
        {"  0%", 0},
        {"-17", -17},
        {"+17", 17},
        {" \t\r\n\v\f9", 9},
        {"64K/PPP", 64},
        {"12 34", 12},
        {"- 5", 0},
        {"+-5", 0},
        {"--", 0},
        {"B2", 0},
        {"007", 7},
    };
    for (const Case& c : cases)
        EXPECT_EQ(leadingInteger(QString::fromLatin1(c.text)), c.value) << '"' << c.text << '"';
}

TEST(LeadingIntegerTest, SaturatesBeyondThirtyTwoBits)
{
    EXPECT_EQ(leadingInteger(u"2147483647"), std::numeric_limits<qint32>::max());
    EXPECT_EQ(leadingInteger(u"2147483648"), std::numeric_limits<qint32>::max());
    EXPECT_EQ(leadingInteger(u"99999999999999999999"), std::numeric_limits<qint32>::max());
    EXPECT_EQ(leadingInteger(u"-2147483648"), std::numeric_limits<qint32>::min());
    EXPECT_EQ(leadingInteger(u"-2147483649"), std::numeric_limits<qint32>::min());
}

TEST(LeadingIntegerTest, OnlyAsciiWhiteSpaceAndDigitsCount)
{
    // A no-break space stops the reading like any other character, and
    // digits of other scripts are not digits here.
    EXPECT_EQ(leadingInteger(QString::fromLatin1("\xA0" "12")), 0);
    EXPECT_EQ(leadingInteger(u"\u0663"), 0);
}

TEST(TrimTest, BothEndsAndEndOnly)
{
    EXPECT_EQ(trimmedBothEnds(u"  Remote 1 \t\r\n"), QStringLiteral("Remote 1"));
    EXPECT_EQ(trimmedBothEnds(u" \v\f "), QString());
    EXPECT_EQ(trimmedBothEnds(u""), QString());
    EXPECT_EQ(trimmedEnd(u"    0:12:30  \r\n"), QStringLiteral("    0:12:30"));
    EXPECT_EQ(trimmedEnd(u"   "), QString());
    // Latin-1 characters, the no-break space among them, are kept.
    const QString latin = QString::fromLatin1("\xA0M\xFCnchen\xA0");
    EXPECT_EQ(trimmedBothEnds(QString(u' ') + latin + u' '), latin);
}
