#include "korvane/settings/password_codec.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

QByteArray bytes(std::initializer_list<int> codes)
{
    QByteArray out;
    for (int c : codes)
        out.append(char(c));
    return out;
}

// What an 8-bit program's string looks like when read back as Unicode from the
// registry (Windows-1252), for the codes these tests use.
QString asCp1252(const QByteArray& codes)
{
    QString out;
    for (char c : codes) {
        const int code = quint8(c);
        switch (code) {
        case 0x80: out += QChar(0x20AC); break;
        case 0x8A: out += QChar(0x0160); break;
        case 0x9E: out += QChar(0x017E); break;
        case 0x9C: out += QChar(0x0153); break;
        case 0x9F: out += QChar(0x0178); break;
        default: out += QChar(code); break;
        }
    }
    return out;
}

}  // namespace

TEST(PasswordCodec, EncodesEachCharacterAsTwoShiftedComplements)
{
    // 'a' = 0x61, ~0x61 = 0x9E; 'b' = 0x62, ~0x62 = 0x9D, index 1: 0x9E and 0x9C.
    EXPECT_EQ(encodePasswordCodes("ab"), bytes({0x9E, 0x9E, 0x9E, 0x9C}));
    EXPECT_EQ(encodePasswordCodes(QByteArray()), QByteArray());
    // The index wraps modulo 256 like the codes do.
    const QByteArray long300(300, 'x');
    const QByteArray encoded = encodePasswordCodes(long300);
    ASSERT_EQ(encoded.size(), 600);
    EXPECT_EQ(quint8(encoded[2 * 256]), quint8(~'x' & 0xFF));
    EXPECT_EQ(quint8(encoded[2 * 257 + 1]), quint8((~'x' - 1) & 0xFF));
}

TEST(PasswordCodec, RoundTripsEveryCodeAtEveryIndex)
{
    // 256 x 3 characters: each code meets indexes of every residue.
    for (int shift = 0; shift < 3; ++shift) {
        QByteArray codes;
        for (int i = 0; i < 256; ++i)
            codes.append(char((i * 7 + shift) & 0xFF));
        const QByteArray stored = encodePasswordCodes(codes);
        EXPECT_EQ(stored.size(), 2 * codes.size());
        EXPECT_EQ(decodePasswordCodes(stored), codes);
    }
}

TEST(PasswordCodec, DecodingUsesOnlyTheFirstOfEachPairAndIgnoresALoneLastCharacter)
{
    QByteArray stored = encodePasswordCodes("secret");
    for (qsizetype i = 1; i < stored.size(); i += 2)
        stored[i] = 'Z';
    EXPECT_EQ(decodePasswordCodes(stored), QByteArray("secret"));
    EXPECT_EQ(decodePasswordCodes(encodePasswordCodes("secret") + 'Q'), QByteArray("secret"));
    EXPECT_EQ(decodePasswordCodes("Q"), QByteArray());
}

TEST(PasswordCodec, CodeZeroIsStoredAsBinaryAndComesBackWhole)
{
    // Code 255 at index 0 encodes to two zeros.
    const QString password = QString(QChar(0xFF)) + QStringLiteral("abc");
    ASSERT_EQ(encodePasswordCodes(passwordCodes(password)).left(2), bytes({0, 0}));
    const QVariant stored = passwordStorageValue(password);
    ASSERT_EQ(stored.typeId(), QMetaType::QByteArray);
    EXPECT_EQ(stored.toByteArray().size(), 8);
    EXPECT_EQ(passwordFromStorageValue(stored), password);

    // 'A' at index 66 hits code 0 too (~0x41 + 66 = 256).
    const QString longPassword = QString(66, QLatin1Char('p')) + QLatin1Char('A');
    EXPECT_EQ(passwordStorageValue(longPassword).typeId(), QMetaType::QByteArray);
    EXPECT_EQ(passwordFromStorageValue(passwordStorageValue(longPassword)), longPassword);
}

TEST(PasswordCodec, OtherPasswordsAreStoredAsStringsOfTheCodes)
{
    const QString password = QStringLiteral("Gr\u00FC\u00DFe-\u00E9\u00A7\u0080!");
    const QVariant stored = passwordStorageValue(password);
    ASSERT_EQ(stored.typeId(), QMetaType::QString);
    const QString text = stored.toString();
    EXPECT_EQ(text.size(), 2 * password.size());
    for (QChar c : text)
        EXPECT_LE(c.unicode(), 0xFF);
    EXPECT_NE(text.left(password.size()), password);
    EXPECT_EQ(passwordFromStorageValue(stored), password);
}

TEST(PasswordCodec, ReadsStringsTheEarlierProgramWrote)
{
    // Written through the 8-bit code page, read back as Unicode: 0x80 is U+20AC.
    // "a\x80": 'a' gives 9E 9E; 0x80 at index 1 gives ~0x80 + 1 = 0x80 and 0x7E.
    const QByteArray codes = encodePasswordCodes(bytes({'a', 0x80}));
    ASSERT_EQ(codes, bytes({0x9E, 0x9E, 0x80, 0x7E}));
    EXPECT_EQ(passwordFromStorageValue(QVariant(asCp1252(codes))), QStringLiteral("a\u0080"));

    // A stored text cut short at its code 0 gives what precedes it, not garbage.
    const QByteArray cut = encodePasswordCodes(bytes({'o', 'k', 0xFF})).left(4);
    EXPECT_EQ(passwordFromStorageValue(QVariant(QString::fromLatin1(cut))), QStringLiteral("ok"));

    // Characters no code page maps read as '?', not as a crash or a wrapped code.
    EXPECT_EQ(passwordFromStorageValue(QVariant(QStringLiteral("\u4E2D\u4E2D"))), QStringLiteral("\u00C0"));
    EXPECT_EQ(passwordFromStorageValue(QVariant()), QString());
    EXPECT_EQ(passwordFromStorageValue(QVariant(QString())), QString());
}

TEST(PasswordCodec, CharactersTheRouterCannotReceiveBecomeQuestionMarks)
{
    EXPECT_EQ(passwordCodes(QStringLiteral("a\u20ACb")), QByteArray("a?b"));
    EXPECT_TRUE(isPasswordCharacter(QChar(0xFF)));
    EXPECT_FALSE(isPasswordCharacter(QChar(0x100)));
    EXPECT_FALSE(isPasswordCharacter(QChar(0)));
}
