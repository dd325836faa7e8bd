#include "korvane/views/list_cells.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace korvane {

void SetCell(QTreeWidget* list, int row, int column, const QString& text) {
    if (!list || row < 0 || column < 0 || column >= list->columnCount() || row >= list->topLevelItemCount())
        return;
    QTreeWidgetItem* item = list->topLevelItem(row);
    item->setText(column, text);
    // The item's own size hint holds the margins the style draws around the
    // text; the bare text advance would leave the text to be elided.
    const QModelIndex index = list->model()->index(row, column);
    const int textWidth = text.isEmpty() ? 0 : list->sizeHintForIndex(index).width();
    const int width = WidenedColumnWidth(list->columnWidth(column), textWidth, TitleWidth(list, column));
    if (width != list->columnWidth(column))
        list->setColumnWidth(column, width);
}

int TitleWidth(const QTreeWidget* list, int column) {
    if (!list || column < 0 || column >= list->columnCount())
        return 0;
    // The header's hint holds its margins (and room for a sort mark).
    return list->header()->sectionSizeHint(column);
}

void FitColumnsToTitles(QTreeWidget* list) {
    if (!list)
        return;
    for (int column = 0; column < list->columnCount(); ++column)
        list->setColumnWidth(column, TitleWidth(list, column) + kCellPadding);
}

}  // namespace korvane
