// Regional settings: locale names to Windows' ids, and the thread's settings
// that the conversions of Variant follow.
#include "automation/regional.h"
#include "automation/variant.h"

#include <gtest/gtest.h>

#include <thread>

using namespace automation;

TEST(RegionalTest, LocaleNamesMapToWindowsIds)
{
    EXPECT_EQ(localeIdForName(QStringLiteral("de_DE.UTF-8")), 1031);
    EXPECT_EQ(localeIdForName(QStringLiteral("de-AT")), 3079);
    EXPECT_EQ(localeIdForName(QStringLiteral("fr_FR@euro")), 1036);
    EXPECT_EQ(localeIdForName(QStringLiteral("en_GB")), 2057);
    // A language alone is its first territory; an unlisted territory too.
    EXPECT_EQ(localeIdForName(QStringLiteral("de")), 1031);
    EXPECT_EQ(localeIdForName(QStringLiteral("fr_SN")), 1036);
    for (const char* none : {"", "C", "C.UTF-8", "POSIX", "xx_YY", "  "})
        EXPECT_EQ(localeIdForName(QString::fromLatin1(none)), 0) << none;
}

TEST(RegionalTest, SettingsOfGermanFrenchAndUnknownIds)
{
    const RegionalSettings de = regionalSettings(1031);
    EXPECT_EQ(de.decimal, u',');
    EXPECT_EQ(de.group, u'.');
    EXPECT_EQ(de.shortDate, QStringLiteral("dd.MM.yyyy"));
    EXPECT_EQ(de.dateOrder, RegionalSettings::Order::DayMonthYear);
    EXPECT_TRUE(de.currencyAfter);
    const RegionalSettings fr = regionalSettings(1036);
    EXPECT_EQ(fr.group, QChar(0x00A0));
    EXPECT_EQ(fr.longTime, QStringLiteral("HH:mm:ss"));
    // Unknown ids are en-US's settings under their own number.
    EXPECT_EQ(regionalSettings(9999).decimal, u'.');
    EXPECT_EQ(regionalSettings(1033).shortDate, QStringLiteral("M/d/yyyy"));
}

TEST(RegionalTest, ConversionsFollowTheScopeOfTheirThreadOnly)
{
    const RegionalSettings de = regionalSettings(1031);
    double v = 0;
    {
        RegionalScope scope(&de);
        EXPECT_EQ(Variant(1.5).toString(), QStringLiteral("1,5"));
        EXPECT_TRUE(parseNumericText(QStringLiteral("1.234,5"), &v));
        EXPECT_EQ(v, 1234.5);
        EXPECT_FALSE(parseNumericText(QStringLiteral("1,2,3"), &v));
        EXPECT_TRUE(parseUsNumericText(QStringLiteral("1.25"), &v));
        EXPECT_EQ(v, 1.25);
        // Another thread converts as en-US meanwhile.
        QString elsewhere;
        std::thread([&] { elsewhere = Variant(1.5).toString(); }).join();
        EXPECT_EQ(elsewhere, QStringLiteral("1.5"));
        {
            const RegionalSettings us = regionalSettings(1033);
            RegionalScope inner(&us);
            EXPECT_EQ(Variant(1.5).toString(), QStringLiteral("1.5"));
        }
        EXPECT_EQ(Variant(0.5).toString(), QStringLiteral("0,5"));
    }
    EXPECT_EQ(Variant(1.5).toString(), QStringLiteral("1.5"));
    EXPECT_TRUE(parseNumericText(QStringLiteral("1,234.5"), &v));
    EXPECT_EQ(v, 1234.5);
}
