#pragma once
// The list views' cell writer: writes a cell and widens its column to the
// text, never below the column title and never narrower than before.

#include "korvane/model/cell_table.h"

#include <QString>

class QTreeWidget;

namespace korvane {

// SetCell on a report-style tree widget. The text is measured as the list
// draws it (its item size hint, margins included) and the title as the header
// draws it, so no cell or title is ever elided.
void SetCell(QTreeWidget* list, int row, int column, const QString& text);

// A column title's width as the header draws it, margins included.
int TitleWidth(const QTreeWidget* list, int column);

// Every column as wide as its title + padding: the lists' initial widths.
void FitColumnsToTitles(QTreeWidget* list);

}  // namespace korvane
