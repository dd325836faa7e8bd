#include "korvane/packet/ipx_packet.h"

#include "korvane/packet/name_tables.h"
#include "korvane/packet/packet_bytes.h"

namespace {
// Network and node numbers are shown as upper-case hex, bytes in buffer order.
QString hexRun(const PacketBytes& p, qsizetype offset, qsizetype count)
{
    QString text;
    text.reserve(count * 2);
    for (qsizetype i = 0; i < count; ++i)
        text += QStringLiteral("%1").arg(p.at(offset + i), 2, 16, QLatin1Char('0')).toUpper();
    return text;
}

void add(QStringList& labels, QStringList& values, const char* label, const QString& value)
{
    labels.append(QString::fromLatin1(label));
    values.append(value);
}
}  // namespace

CIpxPacket::CIpxPacket(const std::uint8_t* bytes, qsizetype length)
{
    const PacketBytes p(bytes, length);
    if (p.has(4)) {
        packetType = p.at(3);
        packetTypeName = GetIpxPacketTypeName(packetType);
    }
    if (p.has(8))
        destinationNetwork = hexRun(p, 4, 4);
    if (p.has(14))
        destinationNode = hexRun(p, 8, 6);
    if (p.has(16)) {
        destinationSocket = p.u16(14);
        destinationSocketName = GetIpxSocketName(destinationSocket);
    }
    if (p.has(20))
        sourceNetwork = hexRun(p, 16, 4);
    if (p.has(26))
        sourceNode = hexRun(p, 20, 6);
    if (p.has(28)) {
        sourceSocket = p.u16(26);
        sourceSocketName = GetIpxSocketName(sourceSocket);
    }
}

void CIpxPacket::AddProperties(QStringList& labels, QStringList& values) const
{
    add(labels, values, "IPX: Packet Type", QString::number(packetType));
    add(labels, values, "IPX: Packet Type Name", packetTypeName);
    add(labels, values, "IPX: Destination Network Number", destinationNetwork);
    add(labels, values, "IPX: Destination Node Number", destinationNode);
    add(labels, values, "IPX: Destination Socket Number", QString::number(destinationSocket));
    add(labels, values, "IPX: Destination Socket Number Name", destinationSocketName);
    add(labels, values, "IPX: Source Network Number", sourceNetwork);
    add(labels, values, "IPX: Source Node Number", sourceNode);
    add(labels, values, "IPX: Source Socket Number", QString::number(sourceSocket));
    add(labels, values, "IPX: Source Socket Number Name", sourceSocketName);
}
