#pragma once
// A property bag: where a control saves its persistent properties and loads
// them again, by name, with the format version they were written in.

#include "automation/variant.h"

#include <QMap>
#include <QString>

namespace automation {

class PropertyBag {
public:
    void setVersion(const QString& version) { version_ = version; }
    const QString& version() const { return version_; }

    void write(const QString& name, const Variant& value) { values_.insert(name, value); }
    // The stored value, or fallback when the bag has none under that name.
    Variant read(const QString& name, const Variant& fallback = {}) const { return values_.value(name, fallback); }
    bool contains(const QString& name) const { return values_.contains(name); }
    void clear() { values_.clear(); version_.clear(); }
    QStringList names() const { return values_.keys(); }

private:
    QString version_;
    QMap<QString, Variant> values_;
};

}  // namespace automation
