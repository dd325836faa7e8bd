#pragma once
// The ten call history records, entry i being the router's i-th history row
// from the top; scripts index them from 0.

#include "korvane/model/call_info.h"

#include "automation/variant.h"

#include <QObject>

#include <array>

class CCallInfos : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DefaultMember", "Item")
    Q_PROPERTY(int Count READ count)

public:
    static constexpr int kCount = 10;

    explicit CCallInfos(QObject* parent = nullptr);

    int count() const { return kCount; }
    // Entry 0 to 9, or null for any other index.
    CCallInfo* entry(int index);
    const CCallInfo* entry(int index) const;

    auto begin() { return entries_.begin(); }
    auto end() { return entries_.end(); }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

    // Scripts get no object, not an error, for an index out of range.
    Q_INVOKABLE QObject* Item(int Index);
    // For Each and the JScript enumerations: entry 0 to 9.
    Q_INVOKABLE automation::Variant _NewEnum();

private:
    std::array<CCallInfo, kCount> entries_;
};
