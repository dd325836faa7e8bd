#pragma once
// Whether a report list draws every cell and every title in full: the text is
// laid out in the rectangle the style gives it, as the item view paints it.

#include <QFontMetrics>
#include <QHeaderView>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <QTreeWidget>

namespace korvane::elision {

// Opens the style option helpers the view and the delegate keep protected.
template <class View>
class ElisionProbe : public View {
public:
    using View::View;

    // The cells (row, column, text) the view would draw cut short.
    QStringList elidedCells() {
        this->ensurePolished();
        QStringList cut;
        for (int row = 0; row < this->topLevelItemCount(); ++row) {
            for (int column = 0; column < this->columnCount(); ++column) {
                const QModelIndex index = this->model()->index(row, column);
                const QString text = index.data().toString();
                if (text.isEmpty())
                    continue;
                QStyleOptionViewItem option;
                this->initViewItemOption(&option);
                Delegate().init(&option, index);
                // The width the column gives the cell, wherever it is scrolled to.
                option.rect = QRect(0, 0, this->columnWidth(column), this->rowHeight(index));
                QStyle* style = this->style();
                const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
                const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
                if (QFontMetrics(option.font).horizontalAdvance(text) > textRect.width() - 2 * margin)
                    cut << QStringLiteral("(%1,%2) %3").arg(row).arg(column).arg(text);
            }
        }
        return cut;
    }

    // The column titles the header would draw cut short.
    QStringList elidedTitles() {
        QStringList cut;
        QHeaderView* header = this->header();
        for (int column = 0; column < this->columnCount(); ++column) {
            const QString title = this->headerItem()->text(column);
            QStyleOptionHeader option;
            option.initFrom(header);
            option.section = column;
            option.text = title;
            option.rect = QRect(0, 0, header->sectionSize(column), header->height());
            const QRect label = header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header);
            if (QFontMetrics(header->font()).horizontalAdvance(title) > label.width())
                cut << title;
        }
        return cut;
    }

private:
    struct Delegate : QStyledItemDelegate {
        void init(QStyleOptionViewItem* option, const QModelIndex& index) const { initStyleOption(option, index); }
    };
};

}  // namespace korvane::elision
