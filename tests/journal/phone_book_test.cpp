// Names for numbers: the matching of written forms as a table of cases, the
// vCard reader on the shapes address books export, CSV in and out, and the
// book's file.
#include "korvane/journal/journal_settings.h"
#include "korvane/journal/phone_book.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

struct MatchCase {
    const char* country;
    const char* area;
    const char* a;
    const char* b;
    bool same;
};

const MatchCase kMatchCases[] = {
    // Berlin, Germany: every form of one number.
    {"49", "30", "+49 30 1234567", "0049301234567", true},
    {"49", "30", "+49 30 1234567", "030 1234567", true},
    {"49", "30", "+49 30 1234567", "1234567", true},
    {"49", "30", "+49 (0)30 12345-67", "+49301234567", false},  // the "(0)" is a real digit to us
    {"+49", "030", "030/123 45 67", "1234567", true},
    {"0049", "30", "0301234567", "+49-30-1234567", true},
    // Another area or country is another line.
    {"49", "30", "040 1234567", "1234567", false},
    {"49", "30", "+43 1 1234567", "01 1234567", false},
    {"49", "30", "+44 20 7946 0000", "0044 20 7946 0000", true},
    // Short numbers (extensions) stay as written.
    {"49", "30", "21", "21", true},
    {"49", "30", "21", "+4930 21", false},
    // Without codes: the subscriber part must agree on seven digits or more.
    {"", "", "+49 30 1234567", "030 1234567", true},
    {"", "", "+49 30 1234567", "1234567", true},
    {"", "", "+49 30 1234567", "234567", false},
    // Texts without digits never match.
    {"49", "30", "unknown", "unknown", false},
    {"49", "30", "", "", false},
};

}  // namespace

TEST(NumberMatcher, MatchesTheFormsPeopleAndRoutersWrite)
{
    for (const MatchCase& c : kMatchCases) {
        const NumberMatcher m(QString::fromLatin1(c.country), QString::fromLatin1(c.area));
        EXPECT_EQ(m.matches(QString::fromLatin1(c.a), QString::fromLatin1(c.b)), c.same)
            << c.a << " vs " << c.b << " with " << c.country << "/" << c.area;
        EXPECT_EQ(m.matches(QString::fromLatin1(c.b), QString::fromLatin1(c.a)), c.same) << "symmetric: " << c.a;
    }
    EXPECT_EQ(NumberMatcher(QStringLiteral("49"), QStringLiteral("30")).canonical(QStringLiteral("030 1234567")),
              QStringLiteral("49301234567"));
}

TEST(VCard, ReadsAnAppleStyleExportWithGroupsAndFolding)
{
    const QByteArray card =
        "BEGIN:VCARD\r\n"
        "VERSION:3.0\r\n"
        "PRODID:-//Apple Inc.//macOS 13.0//EN\r\n"
        "N:M\xC3\xBCller;J\xC3\xBCrgen;;;\r\n"
        "FN:J\xC3\xBCrgen M\xC3\xBCller\r\n"
        "ORG:Acme GmbH;\r\n"
        "item1.TEL;type=pref:+49 30 123\r\n"
        " 4567\r\n"
        "TEL;type=CELL;type=VOICE:0171 7654321\r\n"
        "NOTE:a note\\, with comma\r\n"
        "END:VCARD\r\n"
        "BEGIN:VCARD\r\n"
        "VERSION:3.0\r\n"
        "N:;;;;\r\n"
        "ORG:Pizza Express\r\n"
        "TEL;TYPE=WORK:030 999\r\n"
        "END:VCARD\r\n";
    const QList<PhoneBookEntry> entries = readVCards(card);
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0], (PhoneBookEntry{QStringLiteral("+49 30 1234567"), QStringLiteral("Jürgen Müller")}));
    EXPECT_EQ(entries[1].number, QStringLiteral("0171 7654321"));
    EXPECT_EQ(entries[2], (PhoneBookEntry{QStringLiteral("030 999"), QStringLiteral("Pizza Express")}));
}

TEST(VCard, ReadsAnAndroidExportWithQuotedPrintableAndCharset)
{
    // Android's contacts app writes 2.1 with quoted-printable names and soft breaks.
    const QByteArray card =
        "BEGIN:VCARD\n"
        "VERSION:2.1\n"
        "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=96zt=C3=BCrk;Ay=C5=9Fe;;;\n"
        "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Ay=C5=9Fe =C3=96zt=\n"
        "=C3=BCrk\n"
        "TEL;CELL;PREF:+491601234567\n"
        "END:VCARD\n"
        "BEGIN:VCARD\n"
        "VERSION:2.1\n"
        "N;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Gr=FC=DFer;Hans;;;\n"
        "TEL;HOME:030-555\n"
        "END:VCARD\n"
        "BEGIN:VCARD\n"
        "VERSION:2.1\n"
        "FN:No Number\n"
        "END:VCARD\n";
    const QList<PhoneBookEntry> entries = readVCards(card);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].name, QStringLiteral("Ayşe Öztürk"));
    EXPECT_EQ(entries[0].number, QStringLiteral("+491601234567"));
    EXPECT_EQ(entries[1].name, QStringLiteral("Hans Grüßer"));
}

TEST(VCard, ReadsVersionFourWithTelUrisAndAThunderbirdStyleExport)
{
    const QByteArray card =
        "\xEF\xBB\xBF" "BEGIN:VCARD\r\n"
        "VERSION:4.0\r\n"
        "FN:Dr. Ana Lima\\, PhD\r\n"
        "N:Lima;Ana;;Dr.;PhD\r\n"
        "TEL;VALUE=uri;TYPE=\"voice,home\":tel:+55-11-5555-1234;ext=12\r\n"
        "TEL;VALUE=uri;PREF=1;TYPE=work:tel:+55-11-5555-9999\r\n"
        "END:VCARD\r\n"
        "garbage line without colon\r\n"
        "BEGIN:VCARD\r\n"
        "VERSION:4.0\r\n"
        "N:Lee;Kim;;;\r\n"
        "TEL:030 4444444\r\n"
        "END:VCARD\r\n";
    const QList<PhoneBookEntry> entries = readVCards(card);
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0], (PhoneBookEntry{QStringLiteral("+55-11-5555-1234"), QStringLiteral("Dr. Ana Lima, PhD")}));
    EXPECT_EQ(entries[1].number, QStringLiteral("+55-11-5555-9999"));
    EXPECT_EQ(entries[2].name, QStringLiteral("Kim Lee"));
}

TEST(VCard, NeverFailsOnBrokenInput)
{
    for (const char* bad : {"", "BEGIN:VCARD", "END:VCARD\nTEL:1", "BEGIN:VCARD\nFN;ENCODING=QUOTED-PRINTABLE:=\nTEL:=ZZ\n",
                            ":\n;\n\"\":\"", "BEGIN:VCARD\nTEL;X=\"a:b\":123\nFN:x\nEND:VCARD"}) {
        const QList<PhoneBookEntry> entries = readVCards(QByteArray(bad));
        EXPECT_LE(entries.size(), 1) << bad;
    }
    const QList<PhoneBookEntry> quotedColon = readVCards("BEGIN:VCARD\nTEL;X=\"a:b\":123\nFN:x\nEND:VCARD");
    ASSERT_EQ(quotedColon.size(), 1);
    EXPECT_EQ(quotedColon[0].number, QStringLiteral("123"));
}

TEST(PhoneCsv, ReadsHeadersQuotesAndSemicolonsAndWritesRfc4180)
{
    const QList<PhoneBookEntry> comma = readPhoneCsv("Number,Name\r\n030 1234567,\"Müller, Jürgen\"\r\n"
                                                     "\"+49 40 1\",\"Say \"\"Hi\"\"\"\r\n,no number\r\n");
    ASSERT_EQ(comma.size(), 2);
    EXPECT_EQ(comma[0].name, QStringLiteral("Müller, Jürgen"));
    EXPECT_EQ(comma[1].name, QStringLiteral("Say \"Hi\""));
    const QList<PhoneBookEntry> semicolon = readPhoneCsv("0301;Anna\n0302;\"Bert; Jr.\"\n");
    ASSERT_EQ(semicolon.size(), 2);
    EXPECT_EQ(semicolon[1].name, QStringLiteral("Bert; Jr."));

    const QList<PhoneBookEntry> round = readPhoneCsv(writePhoneCsv(comma + QList<PhoneBookEntry>{
        {QStringLiteral("1"), QStringLiteral("line\nbreak")}}));
    ASSERT_EQ(round.size(), 3);
    EXPECT_EQ(round[2].name, QStringLiteral("line\nbreak"));
    EXPECT_EQ(writePhoneCsv({{QStringLiteral("1"), QStringLiteral("a\"b")}}), QByteArray("Number,Name\r\n1,\"a\"\"b\"\r\n"));
}

TEST(PhoneBook, NamesNumbersInAnyFormAndKeepsAPrivateFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("book.csv"));
    PhoneBook book(file);
    book.setMatcher(NumberMatcher(QStringLiteral("49"), QStringLiteral("30")));
    ASSERT_TRUE(book.load());  // no file yet: an empty book
    EXPECT_EQ(book.merge({{QStringLiteral("+49 30 1234567"), QStringLiteral("Anna")},
                          {QStringLiteral("030 1234567"), QStringLiteral("Duplicate")},
                          {QStringLiteral("0171 555"), QStringLiteral("Mobile")}}),
              2);
    EXPECT_EQ(book.nameFor(QStringLiteral("1234567")), QStringLiteral("Anna"));
    EXPECT_EQ(book.nameFor(QStringLiteral("0049301234567")), QStringLiteral("Anna"));
    EXPECT_EQ(book.nameFor(QStringLiteral("4930 0000")), QString());
    ASSERT_TRUE(book.save());
    EXPECT_EQ(QFile::permissions(file) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    PhoneBook again(file);
    again.setMatcher(NumberMatcher(QStringLiteral("49"), QStringLiteral("30")));
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.entries(), book.entries());
    EXPECT_EQ(again.nameFor(QStringLiteral("+49 171 555")), QStringLiteral("Mobile"));
}

TEST(Tariff, ChargesOutgoingCallsPerCallAndPerStartedMinuteInCents)
{
    Tariff t{10, 6, QStringLiteral("EUR")};
    EXPECT_EQ(t.costOfSeconds(0), 10);
    EXPECT_EQ(t.costOfSeconds(1), 16);
    EXPECT_EQ(t.costOfSeconds(60), 16);
    EXPECT_EQ(t.costOfSeconds(61), 22);
    CallRecord out;
    out.direction = QStringLiteral("Out");
    out.seconds = 60;
    EXPECT_EQ(t.cost(out), 16);
    CallRecord in = out;
    in.direction = QStringLiteral("In");
    EXPECT_EQ(t.cost(in), 0);  // the caller pays
    t.chargeIncoming = true;
    EXPECT_EQ(t.cost(in), 16);
    EXPECT_EQ(t.format(150), QStringLiteral("1.50 EUR"));
    EXPECT_FALSE(Tariff{}.isSet());
}

TEST(Tariff, AmountsAreExactMinorUnitsInTheCurrencysDigits)
{
    EXPECT_EQ(parseAmount(QStringLiteral("0,06")), 6);
    EXPECT_EQ(parseAmount(QStringLiteral("0.06")), 6);
    EXPECT_EQ(parseAmount(QStringLiteral("1,234.50")), 123450);
    EXPECT_EQ(parseAmount(QStringLiteral("1.234,50")), 123450);
    EXPECT_EQ(parseAmount(QStringLiteral("0.125")), 13);       // rounds half up to the cent
    EXPECT_EQ(parseAmount(QStringLiteral("12"), 0), 12);       // yen: no cents
    EXPECT_EQ(parseAmount(QStringLiteral("0.125"), 3), 125);   // dinar: three digits
    for (const char* bad : {"cheap", "-1", "inf", "", "1e3", "0", "99999999999999"})
        EXPECT_EQ(parseAmount(QString::fromLatin1(bad)), 0) << bad;
    EXPECT_EQ(currencyDecimals(QStringLiteral("jpy")), 0);
    EXPECT_EQ(currencyDecimals(QStringLiteral("KWD")), 3);
    EXPECT_EQ(currencyDecimals(QStringLiteral("EUR")), 2);
    EXPECT_EQ(amountText(600, 2), QStringLiteral("6.00"));
    EXPECT_EQ(amountText(5, 3), QStringLiteral("0.005"));
    // Sixty calls of ten cents are six, exactly; JSON gets the number itself.
    Tariff t{10, 0, QStringLiteral("EUR")};
    qint64 sum = 0;
    for (int i = 0; i < 60; ++i)
        sum += t.costOfSeconds(30);
    EXPECT_EQ(sum, 600);
    EXPECT_EQ(t.number(sum), 6.0);
    EXPECT_EQ(t.number(30), 0.3);
}
