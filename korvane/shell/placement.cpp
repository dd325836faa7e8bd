#include "korvane/shell/placement.h"

#include <QtEndian>

namespace korvane {

namespace {

constexpr int kMaxExtent = 1 << 20;

void put32(char* at, std::int32_t v) { qToLittleEndian<std::int32_t>(v, at); }
std::int32_t get32(const char* at) { return qFromLittleEndian<std::int32_t>(at); }

}  // namespace

void WindowPlacement::setNormalRect(const QRect& r)
{
    left = r.left();
    top = r.top();
    right = r.left() + r.width();
    bottom = r.top() + r.height();
}

QByteArray encodePlacement(const WindowPlacement& p)
{
    QByteArray out(WindowPlacement::kRecordSize, '\0');
    char* d = out.data();
    const std::int32_t fields[11] = {p.length,          p.flags, p.showCmd, p.minPosition.x(), p.minPosition.y(),
                                     p.maxPosition.x(), p.maxPosition.y(), p.left, p.top, p.right, p.bottom};
    for (int i = 0; i < 11; ++i)
        put32(d + 4 * i, fields[i]);
    d[44] = p.toolBarVisible ? 1 : 0;
    d[45] = p.statusBarVisible ? 1 : 0;
    return out;
}

std::optional<WindowPlacement> decodePlacement(const QByteArray& bytes)
{
    if (bytes.size() != WindowPlacement::kRecordSize)
        return std::nullopt;
    const char* d = bytes.constData();
    WindowPlacement p;
    p.length = get32(d);
    p.flags = get32(d + 4);
    p.showCmd = get32(d + 8);
    p.minPosition = QPoint(get32(d + 12), get32(d + 16));
    p.maxPosition = QPoint(get32(d + 20), get32(d + 24));
    p.left = get32(d + 28);
    p.top = get32(d + 32);
    p.right = get32(d + 36);
    p.bottom = get32(d + 40);
    p.toolBarVisible = d[44] != 0;
    p.statusBarVisible = d[45] != 0;
    // The differences are taken in 64 bits: the fields come from a file.
    const qint64 w = qint64(p.right) - p.left;
    const qint64 h = qint64(p.bottom) - p.top;
    if (w <= 0 || h <= 0 || w > kMaxExtent || h > kMaxExtent)
        return std::nullopt;
    if (qAbs(qint64(p.left)) > kMaxExtent || qAbs(qint64(p.top)) > kMaxExtent)
        return std::nullopt;
    return p;
}

std::optional<WindowPlacement> placementFromValue(const QVariant& value)
{
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    return decodePlacement(value.toByteArray());
}

QString placementValueName(const QString& registryName) { return registryName + QLatin1String("Placement"); }

QRect centredRect(const QSize& windowSize, const QRect& screen)
{
    const int x = screen.left() + (screen.width() - windowSize.width()) / 2;
    const int y = screen.top() + (screen.height() - windowSize.height()) / 2;
    return QRect(QPoint(x, y), windowSize);
}

QRect keptOnScreen(const QRect& outer, const QList<QRect>& areas)
{
    if (areas.isEmpty())
        return outer;
    QRect area = areas.first();
    qint64 best = -1;
    for (const QRect& a : areas) {
        const QRect common = a.intersected(outer);
        const qint64 size = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (size > best) {
            best = size;
            area = a;
        }
    }
    QRect r(outer.topLeft(), outer.size().boundedTo(area.size()));
    if (r.right() > area.right())
        r.moveRight(area.right());
    if (r.bottom() > area.bottom())
        r.moveBottom(area.bottom());
    if (r.left() < area.left())
        r.moveLeft(area.left());
    if (r.top() < area.top())
        r.moveTop(area.top());
    return r;
}

}  // namespace korvane
