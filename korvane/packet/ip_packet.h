#pragma once
// IPv4 with its TCP or UDP header. The transport header starts where the IP
// header length puts it (options are counted, not decoded); a header length
// below the minimum of 5 words is taken as 5.

#include <QString>
#include <QStringList>

#include <cstdint>

class PacketBytes;

class CIpPacket {
public:
    CIpPacket(const std::uint8_t* bytes, qsizetype length);
    virtual ~CIpPacket() = default;

    virtual void AddProperties(QStringList& labels, QStringList& values) const;

protected:
    // Where the transport header begins, in bytes.
    qsizetype transportOffset() const { return headerLength > 5 ? qsizetype(headerLength) * 4 : 20; }

    std::uint8_t version = 0;
    std::uint8_t headerLength = 0;  // in 32-bit words
    std::uint8_t typeOfService = 0;
    std::uint16_t totalLength = 0;
    std::uint16_t identification = 0;
    std::uint8_t flag = 0;
    std::uint16_t fragmentOffset = 0;  // in units of 8 bytes, as carried
    std::uint8_t timeToLive = 0;
    std::uint8_t protocolNumber = 0;
    QString protocolName;
    std::uint16_t headerChecksum = 0;
    QString sourceAddress;
    QString destinationAddress;
};

class CTcpPacket : public CIpPacket {
public:
    CTcpPacket(const std::uint8_t* bytes, qsizetype length);

    void AddProperties(QStringList& labels, QStringList& values) const override;

private:
    std::uint16_t sourcePort = 0;
    QString sourcePortName;
    std::uint16_t destinationPort = 0;
    QString destinationPortName;
    std::uint32_t sequenceNumber = 0;
    std::uint32_t acknowledgeNumber = 0;
    std::uint8_t tcpHeaderLength = 0;  // in 32-bit words
    std::uint8_t flags = 0;           // the six control bits
    std::uint16_t windowSize = 0;
    std::uint16_t checksum = 0;
    std::uint16_t urgentPointer = 0;
};

class CUdpPacket : public CIpPacket {
public:
    CUdpPacket(const std::uint8_t* bytes, qsizetype length);

    void AddProperties(QStringList& labels, QStringList& values) const override;

private:
    std::uint16_t sourcePort = 0;
    QString sourcePortName;
    std::uint16_t destinationPort = 0;
    QString destinationPortName;
    std::uint16_t udpLength = 0;
    std::uint16_t checksum = 0;
};
