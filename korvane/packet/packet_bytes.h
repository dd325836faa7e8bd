#pragma once
// Bounds-checked, big-endian reads from a captured packet. A field is read
// only when all of its bytes lie inside the buffer; otherwise it keeps its
// initial value.

#include <QtGlobal>

#include <cstdint>

class PacketBytes {
public:
    // A null buffer or a negative length is an empty packet.
    PacketBytes(const std::uint8_t* bytes, qsizetype length)
        : bytes_(bytes && length > 0 ? bytes : nullptr), length_(bytes && length > 0 ? length : 0)
    {
    }

    qsizetype length() const { return length_; }
    bool has(qsizetype needed) const { return length_ >= needed; }

    std::uint8_t at(qsizetype offset) const { return bytes_[offset]; }
    std::uint16_t u16(qsizetype offset) const { return std::uint16_t(at(offset) << 8 | at(offset + 1)); }
    std::uint32_t u32(qsizetype offset) const
    {
        return std::uint32_t(u16(offset)) << 16 | u16(offset + 2);
    }

    // Reads into the field only when bytes up to `needed` are present.
    template <typename Field, typename Read>
    void read(qsizetype needed, Field& field, Read reader) const
    {
        if (has(needed))
            field = reader(*this);
    }

private:
    const std::uint8_t* bytes_;
    qsizetype length_;
};
