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

TEST(SyslogFormatTest, ATimeMoreThanADayAheadBelongsToThePreviousYear)
{
    const QDateTime december9(QDate(2026, 12, 9), QTime(10, 0));
    EXPECT_EQ(parseDatagram("<6>Dec 31 23:59:59 h m", QStringLiteral("x"), december9).time,
              QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59)));
    // Within a day ahead (a router clock a little fast) stays in this year.
    EXPECT_EQ(parseDatagram("<6>Dec 10 09:00:00 h m", QStringLiteral("x"), december9).time,
              QDateTime(QDate(2026, 12, 10), QTime(9, 0)));
    EXPECT_EQ(parseDatagram("<6>Dec  9 09:59:00 h m", QStringLiteral("x"), december9).time.date().year(), 2026);
    // New Year: the last message of the old year, received just after midnight.
    const QDateTime newYear(QDate(2027, 1, 1), QTime(0, 0, 5));
    EXPECT_EQ(parseDatagram("<6>Dec 31 23:59:58 h m", QStringLiteral("x"), newYear).time,
              QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58)));
    EXPECT_EQ(parseDatagram("<6>Jan  1 00:00:01 h m", QStringLiteral("x"), newYear).time.date().year(), 2027);
    // Feb 29 received in a year without one is the last leap year's.
    const QDateTime march2025(QDate(2025, 3, 1), QTime(12, 0));
    EXPECT_EQ(parseDatagram("<6>Feb 29 08:00:00 h m", QStringLiteral("x"), QDateTime(QDate(2025, 2, 28), QTime(12, 0))).time,
              QDateTime(QDate(2024, 2, 29), QTime(8, 0)));
    EXPECT_EQ(parseDatagram("<6>Feb 28 08:00:00 h m", QStringLiteral("x"), march2025).time.date().year(), 2025);
}

TEST(SyslogFormatTest, C1ControlCharactersBecomeBlanks)
{
    const auto m = parseDatagram("<6>Dec  8 09:00:00 h a\x85" "b\x9b" "31mc\x07" "d\x7f" "e\xe9", QStringLiteral("x"), kReceived);
    EXPECT_EQ(m.text.mid(33), QStringLiteral("a b 31mc d e\u00e9"));  // Latin-1 letters stay
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
