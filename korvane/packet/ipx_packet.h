#pragma once
// An IPX header as the router captures it: the packet type at byte 3, the
// addresses after it. Bytes 0 to 2 carry nothing we show.

#include <QString>
#include <QStringList>

#include <cstdint>

class CIpxPacket {
public:
    CIpxPacket(const std::uint8_t* bytes, qsizetype length);
    virtual ~CIpxPacket() = default;

    virtual void AddProperties(QStringList& labels, QStringList& values) const;

private:
    std::uint8_t packetType = 0;
    QString packetTypeName;
    QString destinationNetwork = QStringLiteral("00000000");
    QString destinationNode = QStringLiteral("000000000000");
    std::uint16_t destinationSocket = 0;
    QString destinationSocketName;
    QString sourceNetwork = QStringLiteral("00000000");
    QString sourceNode = QStringLiteral("000000000000");
    std::uint16_t sourceSocket = 0;
    QString sourceSocketName;
};
