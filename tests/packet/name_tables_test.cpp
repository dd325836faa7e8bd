#include "korvane/packet/name_tables.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {
QStringList dataLines(const char* name)
{
    QFile file(QStringLiteral(PACKET_TEST_DATA "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty() && !line.startsWith('#'))
            lines.append(QString::fromLatin1(line));
    }
    return lines;
}

QString text(const char* s)
{
    return QString::fromLatin1(s);
}
}  // namespace

TEST(ProtocolTable, EveryNumberFindsARow)
{
    for (unsigned n = 0; n <= 255; ++n) {
        const QString name = GetProtocolName(n);
        EXPECT_TRUE(name.startsWith(u'(')) << n << ": " << name.toStdString();
    }
    EXPECT_EQ(GetProtocolName(256), QString());
}

TEST(ProtocolTable, MatchesTheRegistryListingRowForRow)
{
    // The listing: number (or first-last), keyword, description, reference.
    QStringList rows = dataLines("protocol-numbers.tsv");
    ASSERT_FALSE(rows.isEmpty());
    rows.removeFirst();  // column names
    ASSERT_EQ(rows.size(), 118);
    int i = 0;
    for (const QString& row : rows) {
        const QStringList cols = row.split(u'\t');
        ASSERT_EQ(cols.size(), 4) << row.toStdString();
        const QStringList range = cols[0].split(u'-');
        const ProtocolEntry& entry = ProtocolTable[i++];
        ASSERT_NE(entry.keyword, nullptr) << "table ends early at " << i;
        EXPECT_EQ(entry.first, range.first().toUInt()) << row.toStdString();
        EXPECT_EQ(entry.last, range.last().toUInt()) << row.toStdString();
        EXPECT_EQ(text(entry.keyword), cols[1]);
        EXPECT_EQ(text(entry.description), cols[2]);
        EXPECT_EQ(text(entry.reference), cols[3]);
    }
    EXPECT_EQ(ProtocolTable[i].keyword, nullptr);
}

TEST(ProtocolTable, NamesJoinKeywordDescriptionAndReference)
{
    EXPECT_EQ(GetProtocolName(1), QStringLiteral("(ICMP) Internet Control Message [RFC792]"));
    EXPECT_EQ(GetProtocolName(6), QStringLiteral("(TCP) Transmission Control [RFC793]"));
    EXPECT_EQ(GetProtocolName(17), QStringLiteral("(UDP) User Datagram [RFC768,JBP]"));
    EXPECT_EQ(GetProtocolName(61), QStringLiteral("() any host internal protocol [IANA]"));
    EXPECT_EQ(GetProtocolName(116), QStringLiteral("() Unassigned [IANA]"));
    EXPECT_EQ(GetProtocolName(150), QStringLiteral("() Unassigned [IANA]"));
    EXPECT_EQ(GetProtocolName(254), QStringLiteral("() Unassigned [IANA]"));
    EXPECT_EQ(GetProtocolName(255), QStringLiteral("() Reserved [IANA]"));
}

TEST(ServiceTable, HoldsEveryListedRowInOrder)
{
    const QStringList rows = dataLines("services.txt");
    ASSERT_EQ(rows.size(), 143);
    static const QRegularExpression form(
        QStringLiteral(R"(^(\d+)/(tcp|udp) (\S+)(?: \(([^)]*)\))?(?: \[([^\]]*)\])?$)"));
    int i = 0;
    for (const QString& row : rows) {
        const QRegularExpressionMatch m = form.match(row);
        ASSERT_TRUE(m.hasMatch()) << row.toStdString();
        const ServiceEntry& entry = ServiceTable[i++];
        ASSERT_NE(entry.keyword, nullptr) << "table ends early at " << i;
        EXPECT_EQ(entry.port, m.captured(1).toUInt()) << row.toStdString();
        EXPECT_EQ(entry.protocol, m.captured(2) == QLatin1String("tcp") ? 6 : 17) << row.toStdString();
        EXPECT_EQ(text(entry.keyword), m.captured(3)) << row.toStdString();
        EXPECT_EQ(text(entry.aliases), m.captured(4)) << row.toStdString();
        EXPECT_EQ(text(entry.comment), m.captured(5)) << row.toStdString();
    }
    EXPECT_EQ(ServiceTable[i].keyword, nullptr);
}

TEST(ServiceTable, LookupsFindTheFirstOfRowsSharingPortAndProtocol)
{
    EXPECT_EQ(GetPortName(53, 6), QStringLiteral("domain, nameserver, name-domain server"));
    EXPECT_EQ(GetPortName(53, 17), QStringLiteral("domain, nameserver, "));
    EXPECT_EQ(GetPortName(11, 6), QStringLiteral("systat, , "));
    EXPECT_EQ(GetPortName(103, 6), QStringLiteral("dictionary, webster, "));
    EXPECT_EQ(GetPortName(109, 6), QStringLiteral("pop, postoffice, "));
    EXPECT_EQ(GetPortName(111, 17), QStringLiteral("portmap, , "));
    EXPECT_EQ(GetPortName(117, 6), QStringLiteral("path, , "));
    EXPECT_EQ(GetPortName(704, 17), QStringLiteral("acctprinter, , "));

    // Every later duplicate is shadowed: a lookup on a row's own port and
    // protocol returns it only if no earlier row matches.
    std::set<std::pair<unsigned, unsigned>> seen;
    for (const ServiceEntry* row = ServiceTable; row->keyword; ++row) {
        const QString name = GetPortName(row->port, row->protocol);
        const bool first = seen.insert({row->port, row->protocol}).second;
        const QString own = QStringLiteral("%1, %2, %3").arg(text(row->keyword), text(row->aliases), text(row->comment));
        EXPECT_EQ(name == own, first)
            << row->port << "/" << int(row->protocol) << " " << row->keyword;
    }
}

TEST(ServiceTable, NamesKeepEmptyColumns)
{
    EXPECT_EQ(GetPortName(23, 6), QStringLiteral("telnet, , "));
    EXPECT_EQ(GetPortName(25, 6), QStringLiteral("smtp, mail, "));
    EXPECT_EQ(GetPortName(123, 17), QStringLiteral("ntp, ntpd ntp, network time protocol"));
    EXPECT_EQ(GetPortName(43, 6), QStringLiteral("whois, nicname, "));
    EXPECT_EQ(GetPortName(101, 6), QStringLiteral("hostnames, hostname, usually from sri-nic"));
    EXPECT_EQ(GetPortName(520, 6), QStringLiteral("efs, , for LucasFilm"));
    EXPECT_EQ(GetPortName(520, 17), QStringLiteral("route, router routed, "));
    EXPECT_EQ(GetPortName(556, 6), QStringLiteral("remotefs, rfs_server rfs, Brunhoff remote filesystem"));
}

TEST(ServiceTable, NoRowGivesEmptyText)
{
    EXPECT_EQ(GetPortName(23, 17), QString());  // telnet is TCP only
    EXPECT_EQ(GetPortName(8, 6), QString());
    EXPECT_EQ(GetPortName(0, 0), QString());   // the end marker is never a match
    EXPECT_EQ(GetPortName(65535, 6), QString());
    EXPECT_EQ(GetPortName(53, 1), QString());
}

TEST(IpxTables, BareNamesOrEmpty)
{
    EXPECT_EQ(GetIpxPacketTypeName(1), QStringLiteral("RIP"));
    EXPECT_EQ(GetIpxPacketTypeName(2), QStringLiteral("echo"));
    EXPECT_EQ(GetIpxPacketTypeName(3), QStringLiteral("error"));
    EXPECT_EQ(GetIpxPacketTypeName(4), QStringLiteral("SAP"));
    EXPECT_EQ(GetIpxPacketTypeName(5), QStringLiteral("SPX"));
    EXPECT_EQ(GetIpxPacketTypeName(0x11), QStringLiteral("NCP"));
    EXPECT_EQ(GetIpxPacketTypeName(0x14), QStringLiteral("NetBIOS"));
    EXPECT_EQ(GetIpxPacketTypeName(0), QString());
    EXPECT_EQ(GetIpxPacketTypeName(6), QString());

    EXPECT_EQ(GetIpxSocketName(0x0451), QStringLiteral("NCP"));
    EXPECT_EQ(GetIpxSocketName(0x0452), QStringLiteral("SAP"));
    EXPECT_EQ(GetIpxSocketName(0x0453), QStringLiteral("RIP"));
    EXPECT_EQ(GetIpxSocketName(0x0455), QStringLiteral("NetBIOS"));
    EXPECT_EQ(GetIpxSocketName(0x0454), QString());
    EXPECT_EQ(GetIpxSocketName(0), QString());
}
