#include "korvane/packet/hex_text.h"
#include "korvane/packet/packet_properties.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {
using Rows = std::vector<std::pair<QString, QString>>;

Rows rowsOf(const CPacketProperties& p)
{
    Rows rows;
    for (int i = 0; i < p.GetCount(); ++i) {
        QString label, value;
        p.GetAt(i, label, value);
        rows.emplace_back(label, value);
    }
    return rows;
}

Rows decode(const char* hex, bool ip = true)
{
    return rowsOf(CPacketProperties(HexTextToBytes(QString::fromLatin1(hex)), ip));
}

QString valueOf(const Rows& rows, const char* label)
{
    for (const auto& [l, v] : rows) {
        if (l == QLatin1String(label))
            return v;
    }
    ADD_FAILURE() << "no row " << label;
    return QStringLiteral("<missing>");
}

void expectRows(const Rows& actual, const Rows& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].first, expected[i].first) << "row " << i;
        EXPECT_EQ(actual[i].second, expected[i].second) << "row " << i << " " << expected[i].first.toStdString();
    }
}

// A TCP segment to port 80 from a browser: SYN with the ECN bits set (which
// the six-bit flag field leaves out) and an acknowledge number of all ones.
const char* const kTcpSyn =
    "45 00 00 3C 1C 46 5F FF 40 06 B1 E6 C0 A8 01 02 C1 63 90 50"
    "04 D2 00 50 00 00 03 E8 FF FF FF FF A0 D2 FA F0 12 34 00 07";

// A DNS query over UDP.
const char* const kDnsQuery =
    "45000037 ABCD0000 8011 0A0B C0A80164 C0A80101"
    "0401 0035 0023 9F3C";
}  // namespace

TEST(PacketDecoder, TcpPacketGivesIpRowsThenTcpRowsInOrder)
{
    expectRows(decode(kTcpSyn),
               {
                   {"IP: Version", "4"},
                   {"IP: Length", "5"},
                   {"IP: Type of Service", "0"},
                   {"IP: Total Length", "60"},
                   {"IP: Identification", "7238"},
                   {"IP: Flag", "2"},
                   {"IP: Fragment Offset", "8191"},
                   {"IP: Time To Live", "64"},
                   {"IP: Protocol Number", "6"},
                   {"IP: Protocol Name", "(TCP) Transmission Control [RFC793]"},
                   {"IP: Header Checksum", "45542"},
                   {"IP: Source IP Address", "192.168.1.2"},
                   {"IP: Destination IP Address", "193.99.144.80"},
                   {"TCP: Source Port Number", "1234"},
                   {"TCP: Source Port Name", ""},
                   {"TCP: Destination Port Number", "80"},
                   {"TCP: Destination Port Name", "http, , "},
                   {"TCP: Sequence Number", "1000"},
                   {"TCP: Acknowledge Number", "4294967295"},
                   {"TCP: Header Length", "10"},
                   {"TCP: Flags", "18"},
                   {"TCP: Window Size", "64240"},
                   {"TCP: TCP Checksum", "4660"},
                   {"TCP: Urgent Pointer", "7"},
               });
}

TEST(PacketDecoder, UdpPacketGivesIpRowsThenUdpRows)
{
    const Rows rows = decode(kDnsQuery);
    ASSERT_EQ(rows.size(), 19u);
    EXPECT_EQ(rows[12].first, QStringLiteral("IP: Destination IP Address"));
    expectRows(Rows(rows.begin() + 13, rows.end()),
               {
                   {"UDP: Source Port Number", "1025"},
                   {"UDP: Source Port Name", ""},
                   {"UDP: Destination Port Number", "53"},
                   {"UDP: Destination Port Name", "domain, nameserver, "},
                   {"UDP: Length", "35"},
                   {"UDP: Checksum", "40764"},
               });
    EXPECT_EQ(valueOf(rows, "IP: Protocol Name"), QStringLiteral("(UDP) User Datagram [RFC768,JBP]"));
    EXPECT_EQ(valueOf(rows, "IP: Time To Live"), QStringLiteral("128"));
}

TEST(PacketDecoder, TwentyByteTcpHeaderShowsInitialTransportValues)
{
    const Rows rows = decode("4500 0028 0001 0000 4006 0000 0A000001 0A000002");
    ASSERT_EQ(rows.size(), 24u);
    for (size_t i = 13; i < rows.size(); ++i) {
        const bool name = rows[i].first.endsWith(QLatin1String("Name"));
        EXPECT_EQ(rows[i].second, name ? QString() : QStringLiteral("0")) << rows[i].first.toStdString();
    }
    EXPECT_EQ(valueOf(rows, "IP: Destination IP Address"), QStringLiteral("10.0.0.2"));
}

TEST(PacketDecoder, OtherProtocolsGiveThirteenIpRows)
{
    Rows rows = decode("4500 0054 0000 4000 4001 0000 7F000001 7F000001 0800 F7FF");
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_EQ(rows.back().first, QStringLiteral("IP: Destination IP Address"));
    EXPECT_EQ(valueOf(rows, "IP: Protocol Number"), QStringLiteral("1"));
    EXPECT_EQ(valueOf(rows, "IP: Protocol Name"), QStringLiteral("(ICMP) Internet Control Message [RFC792]"));

    rows = decode("4500 0054 0000 4000 4096 0000 7F000001 7F000001");
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_EQ(valueOf(rows, "IP: Protocol Number"), QStringLiteral("150"));
    EXPECT_EQ(valueOf(rows, "IP: Protocol Name"), QStringLiteral("() Unassigned [IANA]"));
}

TEST(PacketDecoder, TransportHeaderFollowsTheIpOptions)
{
    // Header length 6: four bytes of options (a router alert) before the TCP
    // header, which starts at byte 24.
    Rows rows = decode("4600 0030 0000 0000 4006 0000 0A000001 0A000002 94040000 0017 0035 00000001");
    EXPECT_EQ(valueOf(rows, "IP: Length"), QStringLiteral("6"));
    EXPECT_EQ(valueOf(rows, "IP: Options Length"), QStringLiteral("4"));
    EXPECT_EQ(valueOf(rows, "TCP: Source Port Number"), QStringLiteral("23"));
    EXPECT_EQ(valueOf(rows, "TCP: Source Port Name"), QStringLiteral("telnet, , "));
    EXPECT_EQ(valueOf(rows, "TCP: Destination Port Name"), QStringLiteral("domain, nameserver, name-domain server"));
    EXPECT_EQ(valueOf(rows, "TCP: Sequence Number"), QStringLiteral("1"));
    EXPECT_EQ(rows[13].first, QStringLiteral("IP: Options Length"));  // after the IP rows, before TCP's
    EXPECT_EQ(rows[14].first, QStringLiteral("TCP: Source Port Number"));

    // Header length 15: forty bytes of options; the UDP header is at byte 60.
    const QString options = QString(80, QLatin1Char('0'));
    const QByteArray udp = QStringLiteral("4F00 0030 0000 0000 4011 0000 0A000001 0A000002 %1 0019 0045 0010 0000")
                               .arg(options).toLatin1();
    rows = decode(udp.constData());
    EXPECT_EQ(valueOf(rows, "IP: Length"), QStringLiteral("15"));
    EXPECT_EQ(valueOf(rows, "IP: Options Length"), QStringLiteral("40"));
    EXPECT_EQ(valueOf(rows, "UDP: Source Port Number"), QStringLiteral("25"));
    EXPECT_EQ(valueOf(rows, "UDP: Source Port Name"), QString());  // smtp is TCP only
    EXPECT_EQ(valueOf(rows, "UDP: Destination Port Name"), QStringLiteral("tftp, , "));
    EXPECT_EQ(valueOf(rows, "UDP: Length"), QStringLiteral("16"));

    // Options longer than the capture: the transport fields keep their initial values.
    rows = decode("4F00 0030 0000 0000 4011 0000 0A000001 0A000002 0019 0045 0010 0000");
    EXPECT_EQ(valueOf(rows, "UDP: Source Port Number"), QStringLiteral("0"));
    EXPECT_EQ(valueOf(rows, "UDP: Length"), QStringLiteral("0"));

    // A header length below 5 is not believed: the transport header is at byte 20.
    rows = decode("4300 0030 0000 0000 4011 0000 0A000001 0A000002 0019 0045 0010 0000");
    EXPECT_EQ(valueOf(rows, "UDP: Source Port Number"), QStringLiteral("25"));
    EXPECT_EQ(rows.size(), 19u);  // no options row
}

TEST(PacketDecoder, LowerCaseHexDecodesAsUpperCase)
{
    const QString upper = QString::fromLatin1(kTcpSyn);
    const Rows expected = rowsOf(CPacketProperties(HexTextToBytes(upper), true));
    const Rows lower = rowsOf(CPacketProperties(HexTextToBytes(upper.toLower()), true));
    expectRows(lower, expected);
    EXPECT_EQ(valueOf(lower, "IP: Source IP Address"), QStringLiteral("192.168.1.2"));
}

TEST(PacketDecoder, ShortIpPacketGivesNoRows)
{
    EXPECT_TRUE(decode("450000280001000040").empty());  // 9 bytes
    EXPECT_TRUE(decode("").empty());
    EXPECT_TRUE(decode("45").empty());
    EXPECT_EQ(decode("45000028000100004006").size(), 24u);  // 10 bytes
}

TEST(PacketDecoder, EachFieldNeedsAllOfItsBytes)
{
    // A full TCP header cut at every length: a field shows its bytes only once
    // the buffer reaches its last byte.
    const QByteArray full = HexTextToBytes(QString::fromLatin1(kTcpSyn));
    struct Probe {
        const char* label;
        int needed;
        const char* value;
        const char* initial;
    };
    const Probe probes[] = {
        {"IP: Protocol Name", 10, "(TCP) Transmission Control [RFC793]", ""},
        {"IP: Header Checksum", 12, "45542", "0"},
        {"IP: Source IP Address", 16, "192.168.1.2", ""},
        {"IP: Destination IP Address", 20, "193.99.144.80", ""},
        {"TCP: Source Port Number", 22, "1234", "0"},
        {"TCP: Destination Port Name", 24, "http, , ", ""},
        {"TCP: Sequence Number", 28, "1000", "0"},
        {"TCP: Acknowledge Number", 32, "4294967295", "0"},
        {"TCP: Header Length", 33, "10", "0"},
        {"TCP: Flags", 34, "18", "0"},
        {"TCP: Window Size", 36, "64240", "0"},
        {"TCP: TCP Checksum", 38, "4660", "0"},
        {"TCP: Urgent Pointer", 40, "7", "0"},
    };
    for (int length = 10; length <= full.size(); ++length) {
        // An exactly sized copy, so a read past the end shows up under the sanitizers.
        const std::vector<std::uint8_t> bytes(full.begin(), full.begin() + length);
        const Rows rows = rowsOf(CPacketProperties(bytes.data(), qsizetype(bytes.size()), true));
        ASSERT_EQ(rows.size(), 24u);
        for (const Probe& p : probes) {
            EXPECT_EQ(valueOf(rows, p.label), QLatin1String(length >= p.needed ? p.value : p.initial))
                << p.label << " at length " << length;
        }
    }
}

TEST(PacketDecoder, UdpFieldsNeedAllOfTheirBytes)
{
    const Rows rows = decode("45000037ABCD00008011 0A0B C0A80164 C0A80101 0401 0035 002");
    EXPECT_EQ(valueOf(rows, "UDP: Destination Port Name"), QStringLiteral("domain, nameserver, "));
    EXPECT_EQ(valueOf(rows, "UDP: Length"), QStringLiteral("0"));  // one byte of it only
    EXPECT_EQ(valueOf(rows, "UDP: Checksum"), QStringLiteral("0"));
}

TEST(PacketDecoder, IpxPacketRows)
{
    expectRows(decode("FFFF 00 11 0000ABCD 00A0C9FE1E2F 0451 00000001 0800 5A0B0C0D 4003", false),
               {
                   {"IPX: Packet Type", "17"},
                   {"IPX: Packet Type Name", "NCP"},
                   {"IPX: Destination Network Number", "0000ABCD"},
                   {"IPX: Destination Node Number", "00A0C9FE1E2F"},
                   {"IPX: Destination Socket Number", "1105"},
                   {"IPX: Destination Socket Number Name", "NCP"},
                   {"IPX: Source Network Number", "00000001"},
                   {"IPX: Source Node Number", "08005A0B0C0D"},
                   {"IPX: Source Socket Number", "16387"},
                   {"IPX: Source Socket Number Name", ""},
               });
}

TEST(PacketDecoder, NineBytesAsIpxDecodeTypeAndDestinationNetworkOnly)
{
    expectRows(decode("450000280001000040", false),
               {
                   {"IPX: Packet Type", "40"},
                   {"IPX: Packet Type Name", ""},
                   {"IPX: Destination Network Number", "00010000"},
                   {"IPX: Destination Node Number", "000000000000"},
                   {"IPX: Destination Socket Number", "0"},
                   {"IPX: Destination Socket Number Name", ""},
                   {"IPX: Source Network Number", "00000000"},
                   {"IPX: Source Node Number", "000000000000"},
                   {"IPX: Source Socket Number", "0"},
                   {"IPX: Source Socket Number Name", ""},
               });
}

TEST(PacketDecoder, EmptyIpxPacketGivesTenInitialRows)
{
    const Rows rows = decode("", false);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[0].second, QStringLiteral("0"));
    EXPECT_EQ(rows[1].second, QString());
    EXPECT_EQ(rows[2].second, QStringLiteral("00000000"));
    EXPECT_EQ(rows[3].second, QStringLiteral("000000000000"));
}

TEST(PacketDecoder, IpxSocketNamesNeedBothBytes)
{
    // Destination socket 04 51 followed by a source socket cut to one byte.
    const Rows rows = decode("00000004 00000000 000000000000 0451 00000000 000000000000 04", false);
    EXPECT_EQ(valueOf(rows, "IPX: Packet Type Name"), QStringLiteral("SAP"));
    EXPECT_EQ(valueOf(rows, "IPX: Destination Socket Number"), QStringLiteral("1105"));
    EXPECT_EQ(valueOf(rows, "IPX: Destination Socket Number Name"), QStringLiteral("NCP"));
    EXPECT_EQ(valueOf(rows, "IPX: Source Socket Number"), QStringLiteral("0"));
}

TEST(PacketProperties, NoBufferOrNegativeLengthIsAnEmptyPacket)
{
    EXPECT_EQ(CPacketProperties(nullptr, 40, true).GetCount(), 0);
    const std::uint8_t bytes[40] = {0x45, 0, 0, 0, 0, 0, 0, 0, 0, 6};
    EXPECT_EQ(CPacketProperties(bytes, -1, true).GetCount(), 0);
    const Rows rows = rowsOf(CPacketProperties(nullptr, 40, false));
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(valueOf(rows, "IPX: Source Node Number"), QStringLiteral("000000000000"));
}

TEST(PacketProperties, GetAtOutsideTheRowsLeavesTheOutputs)
{
    const CPacketProperties p(HexTextToBytes(QString::fromLatin1(kDnsQuery)), true);
    ASSERT_EQ(p.GetCount(), 19);
    QString label = QStringLiteral("keep"), value = QStringLiteral("these");
    for (int index : {-1, 19, 1000}) {
        p.GetAt(index, label, value);
        EXPECT_EQ(label, QStringLiteral("keep"));
        EXPECT_EQ(value, QStringLiteral("these"));
    }
    p.GetAt(18, label, value);
    EXPECT_EQ(label, QStringLiteral("UDP: Checksum"));
    EXPECT_EQ(value, QStringLiteral("40764"));
}
