#pragma once
// The decoded rows of one captured packet: (label, value) pairs in the order
// the decoder produced them.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

class CPacketProperties {
public:
    // ip true decodes IPv4 (with TCP or UDP where byte 9 says so), false IPX.
    // IP input shorter than 10 bytes gives no rows; IPX always gives ten.
    CPacketProperties(const std::uint8_t* bytes, qsizetype length, bool ip);
    CPacketProperties(const QByteArray& bytes, bool ip);

    int GetCount() const { return int(labels_.size()); }
    // Leaves both outputs as they were for an index outside the rows.
    void GetAt(int index, QString& label, QString& value) const;

    const QStringList& labels() const { return labels_; }
    const QStringList& values() const { return values_; }

private:
    QStringList labels_;
    QStringList values_;
};
