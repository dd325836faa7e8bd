#pragma once
// The per-view window placement record: 48 bytes, little-endian, laid out as
// the Windows WINDOWPLACEMENT structure followed by the bar flags, so that a
// settings file written on one platform reads the same on another.

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <optional>

namespace korvane {

// Show commands of the record, with their Windows values.
enum class PlacementShow : std::int32_t {
    Hide = 0,
    Normal = 1,
    Minimized = 2,
    Maximized = 3,
};

struct WindowPlacement {
    static constexpr std::int32_t kStructLength = 44;
    static constexpr int kRecordSize = 48;

    std::int32_t length = kStructLength;
    std::int32_t flags = 0;
    std::int32_t showCmd = static_cast<std::int32_t>(PlacementShow::Normal);
    QPoint minPosition{-1, -1};
    QPoint maxPosition{-1, -1};
    // The restored (normal) window rectangle as left, top, right, bottom,
    // right and bottom exclusive as in the Windows structure.
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool toolBarVisible = true;
    bool statusBarVisible = true;

    QRect normalRect() const { return QRect(QPoint(left, top), QSize(right - left, bottom - top)); }
    void setNormalRect(const QRect& r);
    bool isMinimized() const { return showCmd == static_cast<std::int32_t>(PlacementShow::Minimized); }
    bool isMaximized() const { return showCmd == static_cast<std::int32_t>(PlacementShow::Maximized); }

    bool operator==(const WindowPlacement&) const = default;
};

QByteArray encodePlacement(const WindowPlacement& placement);
// Anything but exactly 48 bytes is refused; so is a record whose normal
// rectangle is empty or absurdly large, which could only hide the window.
std::optional<WindowPlacement> decodePlacement(const QByteArray& bytes);
// A stored settings value: only a byte array of the right size counts
// (a string or number stored under the name is the wrong type).
std::optional<WindowPlacement> placementFromValue(const QVariant& value);

// "StatusView" -> "StatusViewPlacement", the value name under "View".
QString placementValueName(const QString& registryName);

// The default position: the window's size centred on the available screen
// area (half the difference in each direction).
QRect centredRect(const QSize& windowSize, const QRect& screen);

// The window rectangle kept within the available area of a screen that
// exists: the one it overlaps most, or the first when it overlaps none (a
// placement stored with a screen since removed). It is moved, and shrunk only
// where it is larger than the area.
QRect keptOnScreen(const QRect& outer, const QList<QRect>& areas);

}  // namespace korvane
