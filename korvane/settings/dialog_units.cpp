#include "korvane/settings/dialog_units.h"

#include <QFontMetrics>

#include <algorithm>

namespace korvane {

namespace {
// Rounded a * b / c, as dialog templates are converted.
int mulDiv(int a, int b, int c) { return (a * b + (a >= 0 ? c / 2 : -c / 2)) / c; }
}  // namespace

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The average over the 52 letters, rounded, as the dialog manager takes it.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseWidth_ = std::max(1, (letters / 26 + 1) / 2);
    baseHeight_ = std::max(1, metrics.height());
}

int DialogUnits::x(int units) const { return mulDiv(units, baseWidth_, 4); }
int DialogUnits::y(int units) const { return mulDiv(units, baseHeight_, 8); }

QRect DialogUnits::rect(int left, int top, int width, int height) const
{
    return QRect(x(left), y(top), x(width), y(height));
}

QSize DialogUnits::size(int width, int height) const { return QSize(x(width), y(height)); }

}  // namespace korvane
