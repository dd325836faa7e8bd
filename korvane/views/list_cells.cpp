#include "korvane/views/list_cells.h"

#include <QFontMetrics>
#include <QTreeWidget>

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

void SetCell(QTreeWidget* list, int row, int column, const QString& text) {
    if (!list || row < 0 || column < 0 || column >= list->columnCount() || row >= list->topLevelItemCount())
        return;
    QTreeWidgetItem* item = list->topLevelItem(row);
    const QString title = list->headerItem() ? list->headerItem()->text(column) : QString();
    const QFontMetrics metrics = list->fontMetrics();
    const int width = WidenedColumnWidth(list->columnWidth(column), metrics.horizontalAdvance(text),
                                         metrics.horizontalAdvance(title));
    if (width != list->columnWidth(column))
        list->setColumnWidth(column, width);
    item->setText(column, text);
}

}  // namespace korvane
