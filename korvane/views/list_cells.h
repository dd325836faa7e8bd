#pragma once
// The list views' cell writer: writes a cell and widens its column to the
// text, never below the column title and never narrower than before.

#include <QString>

class QTreeWidget;

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

// SetCell on a report-style tree widget. The text is measured as the list
// draws it (its item size hint, margins included) and the title as the header
// draws it, so no cell or title is ever elided.
void SetCell(QTreeWidget* list, int row, int column, const QString& text);

// A column title's width as the header draws it, margins included.
int TitleWidth(const QTreeWidget* list, int column);

// Every column as wide as its title + padding: the lists' initial widths.
void FitColumnsToTitles(QTreeWidget* list);

}  // namespace korvane
