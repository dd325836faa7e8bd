#include "components/syslog/syslog_format.h"

#include <gtest/gtest.h>

using syslog::parseDatagram;

namespace {
const QDateTime kReceived(QDate(2026, 12, 8), QTime(9, 5, 1));
}

TEST(SyslogFormatTest, FullDatagramKeepsPriorityTimestampHostAndMessageAtIndex33)
{
    const auto m = parseDatagram("<134>Dec  7 23:59:58 prestige line 1 channel 1, call 41, C01, Incoming Call, 40001",
                                 QStringLiteral("127.0.0.1"), kReceived);
    EXPECT_EQ(m.text.left(5), QStringLiteral("<134>"));
    EXPECT_EQ(m.text.mid(5, 15), QStringLiteral("Dec  7 23:59:58"));
    EXPECT_EQ(m.text.mid(21, 11), QStringLiteral("prestige   "));
    EXPECT_EQ(m.text.mid(33), QStringLiteral("line 1 channel 1, call 41, C01, Incoming Call, 40001"));
    EXPECT_EQ(m.time, QDateTime(QDate(2026, 12, 7), QTime(23, 59, 58)));
}

TEST(SyslogFormatTest, MissingTimestampAndHostUseTheReceiveTimeAndTheSender)
{
    const auto m = parseDatagram("<6>Call Terminated", QStringLiteral("10.0.0.138"), kReceived);
    EXPECT_EQ(m.text.left(5), QStringLiteral("<6>  "));
    EXPECT_EQ(m.text.mid(5, 15), QStringLiteral("Dec  8 09:05:01"));
    EXPECT_EQ(m.text.mid(21, 11), QStringLiteral("10.0.0.138 "));
    EXPECT_EQ(m.text.mid(33), QStringLiteral("Call Terminated"));
    EXPECT_EQ(m.time, kReceived);

    const auto bare = parseDatagram("hello", QStringLiteral("127.0.0.1"), kReceived);
    EXPECT_EQ(bare.text.left(5), QStringLiteral("<13> "));
    EXPECT_EQ(bare.text.mid(33), QStringLiteral("hello"));
}

TEST(SyslogFormatTest, LongHostIsCutControlCharactersBecomeBlanksLineFeedsStay)
{
    const auto m = parseDatagram("<1>Jan  1 00:00:00 a-very-long-host-name first\tpart\nsecond",
                                 QStringLiteral("x"), kReceived);
    EXPECT_EQ(m.text.mid(21, 11), QStringLiteral("a-very-long"));
    EXPECT_EQ(m.text.at(32), QLatin1Char(' '));
    EXPECT_EQ(m.text.mid(33), QStringLiteral("first part\nsecond"));
    EXPECT_EQ(m.time.date(), QDate(2026, 1, 1));
}

TEST(SyslogFormatTest, MalformedPartsAndOverlongDatagramsNeverOverrun)
{
    for (const QByteArray& odd : {QByteArray(), QByteArray("<"), QByteArray("<999"), QByteArray("<12>Dec"),
                                  QByteArray("<12>Foo  1 00:00:00 h m"), QByteArray("<12>Feb 30 00:00:00 h m"),
                                  QByteArray(5000, 'x'), QByteArray("\0\0\0", 3)}) {
        const auto m = parseDatagram(odd, QStringLiteral("127.0.0.1"), kReceived);
        EXPECT_GE(m.text.size(), 33);
        EXPECT_LE(m.text.size(), 33 + syslog::kMaxDatagram);
        EXPECT_TRUE(m.time.isValid());
    }
    // An impossible date keeps the timestamp text but takes the receive time.
    const auto feb = parseDatagram("<12>Feb 30 00:00:00 h m", QStringLiteral("127.0.0.1"), kReceived);
    EXPECT_EQ(feb.time, kReceived);
}
