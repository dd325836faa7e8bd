#pragma once
// Dialog units: the pages are laid out in them so that they keep their
// proportions with any font. A horizontal unit is a quarter of the font's
// average character width, a vertical unit an eighth of its height.

#include <QFont>
#include <QRect>
#include <QSize>

namespace korvane {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const;
    int y(int units) const;
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const;

    int baseWidth() const { return baseWidth_; }
    int baseHeight() const { return baseHeight_; }

private:
    int baseWidth_;
    int baseHeight_;
};

}  // namespace korvane
