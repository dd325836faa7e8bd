#pragma once
// Names for protocol numbers, ports, IPX packet types and IPX sockets. The
// tables are compiled in; each ends with a row whose first text is null.

#include <QString>

#include <cstdint>

struct ProtocolEntry {
    std::uint8_t first;
    std::uint8_t last;
    const char* keyword;  // empty for the registry's unnamed entries
    const char* description;
    const char* reference;
};

struct ServiceEntry {
    const char* keyword;
    std::uint16_t port;
    std::uint8_t protocol;  // 6 for TCP, 17 for UDP
    const char* aliases;    // several names separated by blanks, may be empty
    const char* comment;    // may be empty
};

struct IpxPacketTypeEntry {
    const char* name;
    std::uint16_t type;
};

struct IpxSocketEntry {
    const char* name;
    std::uint16_t socket;
};

extern const ProtocolEntry ProtocolTable[];
extern const ServiceEntry ServiceTable[];
extern const IpxPacketTypeEntry IpxPacketTypeTable[];
extern const IpxSocketEntry IpxSocketTable[];

// "(keyword) description reference" of the first row whose range holds the
// number; empty when none does.
QString GetProtocolName(unsigned number);
// "keyword, aliases, comment" of the first row with that port and protocol,
// empty columns included; empty when there is none.
QString GetPortName(unsigned port, unsigned protocol);
// The bare name of the first matching row, or empty.
QString GetIpxPacketTypeName(unsigned type);
QString GetIpxSocketName(unsigned socket);
