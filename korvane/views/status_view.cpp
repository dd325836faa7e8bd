#include "korvane/views/status_view.h"

#include "korvane/help/help_topic.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace korvane {

const QStringList& CStatusView::columnTitles() {
    static const QStringList titles = {
        QStringLiteral("Channel"),   QStringLiteral("Link"),       QStringLiteral("Pkt. Sent"),
        QStringLiteral("Pkt. Recv."), QStringLiteral("Errors"),    QStringLiteral("Line Util."),
        QStringLiteral("Up Time"),   QStringLiteral("IP/CLID"),
    };
    return titles;
}

CStatusView::CStatusView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(kColumnCount);
    setHeaderLabels(columnTitles());
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    header()->setSectionsClickable(false);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(1);
    for (int row = 0; row < kRowCount; ++row)
        addTopLevelItem(new QTreeWidgetItem(QStringList(QString())));
    // Every column starts as wide as its title.
    FitColumnsToTitles(this);
}

void CStatusView::SetCell(int row, int column, const QString& text) {
    korvane::SetCell(this, row, column, text);
}

QString CStatusView::cellText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item && column >= 0 && column < kColumnCount ? item->text(column) : QString();
}

void CStatusView::BlankStatusCells() {
    for (int row = 0; row < kRowCount; ++row)
        for (int column = 0; column < kColumnCount; ++column)
            SetCell(row, column, QString());
}

void CStatusView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        showHelpTopic(kHelpTopic);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CStatusView::focusInEvent(QFocusEvent* event) {
    QTreeWidget::focusInEvent(event);
    emit activated();
}

void CStatusView::focusOutEvent(QFocusEvent* event) {
    QTreeWidget::focusOutEvent(event);
    emit deactivated();
}

bool CStatusView::event(QEvent* event) {
    if (event->type() == QEvent::WhatsThis || event->type() == QEvent::HelpRequest) {
        showHelpTopic(kHelpTopic);
        return true;
    }
    return QTreeWidget::event(event);
}

}  // namespace korvane
