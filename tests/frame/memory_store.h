#pragma once
#include "korvane/shell/main_frame.h"

#include <QMap>

// A profile store in memory that counts its writes.
class MemoryStore : public korvane::ProfileStore {
public:
    QVariant value(const QString& section, const QString& key) const override { return values.value(section + "/" + key); }
    void setValue(const QString& section, const QString& key, const QVariant& v) override
    {
        values.insert(section + "/" + key, v);
        ++writes;
    }
    QMap<QString, QVariant> values;
    int writes = 0;
};
