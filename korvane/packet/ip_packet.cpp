#include "korvane/packet/ip_packet.h"

#include "korvane/packet/name_tables.h"
#include "korvane/packet/packet_bytes.h"

namespace {
constexpr unsigned kTcpProtocol = 6;
constexpr unsigned kUdpProtocol = 17;

QString number(unsigned value)
{
    return QString::number(value);
}

QString dotted(const PacketBytes& p, qsizetype offset)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(p.at(offset))
        .arg(p.at(offset + 1))
        .arg(p.at(offset + 2))
        .arg(p.at(offset + 3));
}

void add(QStringList& labels, QStringList& values, const char* label, const QString& value)
{
    labels.append(QString::fromLatin1(label));
    values.append(value);
}
}  // namespace

CIpPacket::CIpPacket(const std::uint8_t* bytes, qsizetype length)
{
    const PacketBytes p(bytes, length);
    if (p.has(1)) {
        version = p.at(0) >> 4;
        headerLength = p.at(0) & 0x0F;
    }
    p.read(2, typeOfService, [](const PacketBytes& b) { return b.at(1); });
    p.read(4, totalLength, [](const PacketBytes& b) { return b.u16(2); });
    p.read(6, identification, [](const PacketBytes& b) { return b.u16(4); });
    p.read(7, flag, [](const PacketBytes& b) { return std::uint8_t(b.at(6) >> 5); });
    p.read(8, fragmentOffset, [](const PacketBytes& b) { return std::uint16_t(b.u16(6) & 0x1FFF); });
    p.read(9, timeToLive, [](const PacketBytes& b) { return b.at(8); });
    if (p.has(10)) {
        protocolNumber = p.at(9);
        protocolName = GetProtocolName(protocolNumber);
    }
    p.read(12, headerChecksum, [](const PacketBytes& b) { return b.u16(10); });
    p.read(16, sourceAddress, [](const PacketBytes& b) { return dotted(b, 12); });
    p.read(20, destinationAddress, [](const PacketBytes& b) { return dotted(b, 16); });
}

void CIpPacket::AddProperties(QStringList& labels, QStringList& values) const
{
    add(labels, values, "IP: Version", number(version));
    add(labels, values, "IP: Length", number(headerLength));
    add(labels, values, "IP: Type of Service", number(typeOfService));
    add(labels, values, "IP: Total Length", number(totalLength));
    add(labels, values, "IP: Identification", number(identification));
    add(labels, values, "IP: Flag", number(flag));
    add(labels, values, "IP: Fragment Offset", number(fragmentOffset));
    add(labels, values, "IP: Time To Live", number(timeToLive));
    add(labels, values, "IP: Protocol Number", number(protocolNumber));
    add(labels, values, "IP: Protocol Name", protocolName);
    add(labels, values, "IP: Header Checksum", number(headerChecksum));
    add(labels, values, "IP: Source IP Address", sourceAddress);
    add(labels, values, "IP: Destination IP Address", destinationAddress);
    // Only a header with options gets the row, so plain packets keep their rows.
    if (headerLength > 5)
        add(labels, values, "IP: Options Length", number(unsigned(headerLength - 5) * 4));
}

CTcpPacket::CTcpPacket(const std::uint8_t* bytes, qsizetype length) : CIpPacket(bytes, length)
{
    const PacketBytes p(bytes, length);
    const qsizetype t = transportOffset();
    if (p.has(t + 2)) {
        sourcePort = p.u16(t);
        sourcePortName = GetPortName(sourcePort, kTcpProtocol);
    }
    if (p.has(t + 4)) {
        destinationPort = p.u16(t + 2);
        destinationPortName = GetPortName(destinationPort, kTcpProtocol);
    }
    p.read(t + 8, sequenceNumber, [t](const PacketBytes& b) { return b.u32(t + 4); });
    p.read(t + 12, acknowledgeNumber, [t](const PacketBytes& b) { return b.u32(t + 8); });
    p.read(t + 13, tcpHeaderLength, [t](const PacketBytes& b) { return std::uint8_t(b.at(t + 12) >> 4); });
    p.read(t + 14, flags, [t](const PacketBytes& b) { return std::uint8_t(b.at(t + 13) & 0x3F); });
    p.read(t + 16, windowSize, [t](const PacketBytes& b) { return b.u16(t + 14); });
    p.read(t + 18, checksum, [t](const PacketBytes& b) { return b.u16(t + 16); });
    p.read(t + 20, urgentPointer, [t](const PacketBytes& b) { return b.u16(t + 18); });
}

void CTcpPacket::AddProperties(QStringList& labels, QStringList& values) const
{
    CIpPacket::AddProperties(labels, values);
    add(labels, values, "TCP: Source Port Number", number(sourcePort));
    add(labels, values, "TCP: Source Port Name", sourcePortName);
    add(labels, values, "TCP: Destination Port Number", number(destinationPort));
    add(labels, values, "TCP: Destination Port Name", destinationPortName);
    add(labels, values, "TCP: Sequence Number", number(sequenceNumber));
    add(labels, values, "TCP: Acknowledge Number", number(acknowledgeNumber));
    add(labels, values, "TCP: Header Length", number(tcpHeaderLength));
    add(labels, values, "TCP: Flags", number(flags));
    add(labels, values, "TCP: Window Size", number(windowSize));
    add(labels, values, "TCP: TCP Checksum", number(checksum));
    add(labels, values, "TCP: Urgent Pointer", number(urgentPointer));
}

CUdpPacket::CUdpPacket(const std::uint8_t* bytes, qsizetype length) : CIpPacket(bytes, length)
{
    const PacketBytes p(bytes, length);
    const qsizetype t = transportOffset();
    if (p.has(t + 2)) {
        sourcePort = p.u16(t);
        sourcePortName = GetPortName(sourcePort, kUdpProtocol);
    }
    if (p.has(t + 4)) {
        destinationPort = p.u16(t + 2);
        destinationPortName = GetPortName(destinationPort, kUdpProtocol);
    }
    p.read(t + 6, udpLength, [t](const PacketBytes& b) { return b.u16(t + 4); });
    p.read(t + 8, checksum, [t](const PacketBytes& b) { return b.u16(t + 6); });
}

void CUdpPacket::AddProperties(QStringList& labels, QStringList& values) const
{
    CIpPacket::AddProperties(labels, values);
    add(labels, values, "UDP: Source Port Number", number(sourcePort));
    add(labels, values, "UDP: Source Port Name", sourcePortName);
    add(labels, values, "UDP: Destination Port Number", number(destinationPort));
    add(labels, values, "UDP: Destination Port Name", destinationPortName);
    add(labels, values, "UDP: Length", number(udpLength));
    add(labels, values, "UDP: Checksum", number(checksum));
}
