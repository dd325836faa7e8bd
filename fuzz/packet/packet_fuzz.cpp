// Arbitrary text through the hex reader and both decoders, and the raw bytes
// straight into the decoders. Rows must come in the only counts there are,
// labels and values in step, and nothing may read past the buffer.

#include "korvane/packet/hex_text.h"
#include "korvane/packet/packet_properties.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {
void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

void decodeBoth(const std::uint8_t* bytes, qsizetype length)
{
    const CPacketProperties ip(bytes, length, true);
    const int n = ip.GetCount();
    // IP, then TCP or UDP rows; one more row with IP options.
    check(n == 0 || n == 13 || n == 14 || n == 19 || n == 20 || n == 24 || n == 25);
    check(n != 0 || length < 10);
    check(ip.labels().size() == ip.values().size());

    const CPacketProperties ipx(bytes, length, false);
    check(ipx.GetCount() == 10);
    QString label, value;
    ipx.GetAt(ipx.GetCount(), label, value);
    check(label.isNull() && value.isNull());
    ipx.GetAt(9, label, value);
    check(label == QLatin1String("IPX: Source Socket Number Name"));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray bytes = HexTextToBytes(text);
    check(bytes.size() <= qsizetype(size) / 2);
    // An exactly sized copy, so a read past the end is caught.
    const std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
    decodeBoth(exact.empty() ? nullptr : exact.data(), qsizetype(exact.size()));

    const std::vector<std::uint8_t> raw(data, data + size);
    decodeBoth(raw.empty() ? nullptr : raw.data(), qsizetype(raw.size()));
    return 0;
}
