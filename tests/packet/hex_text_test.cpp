#include "korvane/packet/hex_text.h"

#include <gtest/gtest.h>

namespace {
QByteArray bytes(std::initializer_list<unsigned char> list)
{
    QByteArray out;
    for (unsigned char b : list)
        out.append(char(b));
    return out;
}
}  // namespace

TEST(HexDigitValue, DigitsAndLettersOfEitherCaseCount)
{
    EXPECT_EQ(HexDigitValue(u'0'), 0);
    EXPECT_EQ(HexDigitValue(u'9'), 9);
    EXPECT_EQ(HexDigitValue(u'A'), 10);
    EXPECT_EQ(HexDigitValue(u'F'), 15);
    EXPECT_EQ(HexDigitValue(u'a'), 10);
    EXPECT_EQ(HexDigitValue(u'f'), 15);
    for (char16_t c : {u'G', u'g', u'x', u' ', u'-', u'\0', u'\u00e9', u'\uff10', u'\uff41'})
        EXPECT_EQ(HexDigitValue(QChar(c)), 0) << int(c);
}

TEST(StripWhiteSpace, RemovesOnlySpaceTabCarriageReturnAndLineFeed)
{
    EXPECT_EQ(StripWhiteSpace(QStringLiteral(" 4\t5\r\n0 0 ")), QStringLiteral("4500"));
    EXPECT_EQ(StripWhiteSpace(QStringLiteral("4\v5\f")), QStringLiteral("4\v5\f"));
    EXPECT_EQ(StripWhiteSpace(QString()), QString());
}

TEST(HexTextToBytes, EmptyOrBlankTextGivesNoBuffer)
{
    EXPECT_TRUE(HexTextToBytes(QString()).isNull());
    EXPECT_TRUE(HexTextToBytes(QStringLiteral(" \r\n\t ")).isEmpty());
    EXPECT_TRUE(HexTextToBytes(QStringLiteral("4")).isEmpty());
}

TEST(HexTextToBytes, LowerCaseDecodesAsUpperCaseOtherLettersAsZero)
{
    EXPECT_EQ(HexTextToBytes(QStringLiteral("454f")), bytes({0x45, 0x4F}));
    EXPECT_EQ(HexTextToBytes(QStringLiteral("ab")), bytes({0xAB}));
    EXPECT_EQ(HexTextToBytes(QStringLiteral("c0a80102")), HexTextToBytes(QStringLiteral("C0A80102")));
    EXPECT_EQ(HexTextToBytes(QStringLiteral("ZZ1G")), bytes({0x00, 0x10}));
}

TEST(HexTextToBytes, WhiteSpaceIsRemovedBeforePairing)
{
    EXPECT_EQ(HexTextToBytes(QStringLiteral("4 5 0 0")), bytes({0x45, 0x00}));
    EXPECT_EQ(HexTextToBytes(QStringLiteral("45 00\r\n06\t1A")), bytes({0x45, 0x00, 0x06, 0x1A}));
}

TEST(HexTextToBytes, OddDigitAtTheEndIsDropped)
{
    EXPECT_EQ(HexTextToBytes(QStringLiteral("45001")), bytes({0x45, 0x00}));
    EXPECT_EQ(HexTextToBytes(QStringLiteral("FF F")), bytes({0xFF}));
}

TEST(HexTextToBytes, PairWithOtherWhiteSpaceGivesNoByte)
{
    // Vertical tab and form feed survive the strip; the pair holding one is
    // trimmed short and yields nothing, and the pairing goes on after it.
    EXPECT_EQ(HexTextToBytes(QStringLiteral("45\v00F")), bytes({0x45, 0x0F}));
    EXPECT_EQ(HexTextToBytes(QStringLiteral("\f\v12")), bytes({0x12}));
}
