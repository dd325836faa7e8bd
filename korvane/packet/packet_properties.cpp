#include "korvane/packet/packet_properties.h"

#include "korvane/packet/ip_packet.h"
#include "korvane/packet/ipx_packet.h"

namespace {
constexpr qsizetype kShortestIpPacket = 10;  // up to the protocol field
constexpr std::uint8_t kTcpProtocol = 6;
constexpr std::uint8_t kUdpProtocol = 17;
}  // namespace

CPacketProperties::CPacketProperties(const std::uint8_t* bytes, qsizetype length, bool ip)
{
    if (!bytes || length < 0)
        length = 0;
    if (!ip) {
        CIpxPacket(bytes, length).AddProperties(labels_, values_);
        return;
    }
    if (length < kShortestIpPacket)
        return;
    switch (bytes[9]) {
    case kTcpProtocol:
        CTcpPacket(bytes, length).AddProperties(labels_, values_);
        break;
    case kUdpProtocol:
        CUdpPacket(bytes, length).AddProperties(labels_, values_);
        break;
    default:
        CIpPacket(bytes, length).AddProperties(labels_, values_);
        break;
    }
}

CPacketProperties::CPacketProperties(const QByteArray& bytes, bool ip)
    : CPacketProperties(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size(), ip)
{
}

void CPacketProperties::GetAt(int index, QString& label, QString& value) const
{
    if (index < 0 || index >= GetCount())
        return;
    label = labels_.at(index);
    value = values_.at(index);
}
