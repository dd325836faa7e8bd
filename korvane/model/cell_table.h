#pragma once
// What the controller writes status cells into: rows and columns of text. The
// widgets implement it; the controller and the console need no widgets.

#include <QString>

namespace korvane {

// Something with rows and columns of text cells.
class CellTable {
public:
    virtual ~CellTable();
    // Row and column from 0; a cell that does not exist is not written.
    virtual void SetCell(int row, int column, const QString& text) = 0;
};

// The room around a text in a column, in pixels.
inline constexpr int kCellPadding = 4;

// The new column width after writing a cell: the text + padding when that is
// at least the current width, then the title + padding when that is at least
// the result. Widths as measured by the caller.
int WidenedColumnWidth(int currentWidth, int textWidth, int titleWidth);

}  // namespace korvane
