#pragma once
// The two line records, numbered 1 and 2; scripts index them from 1.

#include "korvane/model/line.h"

#include "automation/variant.h"

#include <QObject>

#include <array>

class CLines : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DefaultMember", "Item")
    Q_PROPERTY(int Count READ count)

public:
    static constexpr int kCount = 2;

    explicit CLines(QObject* parent = nullptr);

    int count() const { return kCount; }
    // Line 1 or 2, or null for any other number.
    CLine* line(int number);
    const CLine* line(int number) const;
    CLine& line1() { return lines_[0]; }
    CLine& line2() { return lines_[1]; }
    const CLine& line1() const { return lines_[0]; }
    const CLine& line2() const { return lines_[1]; }

    auto begin() { return lines_.begin(); }
    auto end() { return lines_.end(); }
    auto begin() const { return lines_.begin(); }
    auto end() const { return lines_.end(); }

    // Scripts get no object, not an error, for a number out of range.
    Q_INVOKABLE QObject* Item(int Index);
    // For Each in VBScript, Enumerator and for...in in JScript: line 1, then 2.
    Q_INVOKABLE automation::Variant _NewEnum();

private:
    std::array<CLine, kCount> lines_;
};
