#include "korvane/model/cell_table.h"

namespace korvane {

CellTable::~CellTable() = default;

int WidenedColumnWidth(int currentWidth, int textWidth, int titleWidth) {
    int width = currentWidth;
    if (textWidth + kCellPadding >= width)
        width = textWidth + kCellPadding;
    if (titleWidth + kCellPadding >= width)
        width = titleWidth + kCellPadding;
    return width;
}

}  // namespace korvane
