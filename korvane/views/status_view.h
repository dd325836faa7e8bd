#pragma once
// CStatusView: the line table, two rows (line 1, line 2) of eight columns.
// It only shows: the controller builds the cell texts and writes them here.

#include "korvane/views/list_cells.h"

#include <QStringList>
#include <QTreeWidget>

namespace korvane {

class CStatusView : public QTreeWidget, public CellTable {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 8;
    static constexpr int kRowCount = 2;
    static const QStringList& columnTitles();
    static inline const QString kHelpTopic = QStringLiteral("Korvane.chm::/The_Status_View.htm");

    explicit CStatusView(QWidget* parent = nullptr);

    void SetCell(int row, int column, const QString& text) override;
    QString cellText(int row, int column) const;
    void BlankStatusCells();

signals:
    // The frame refreshes its title on these.
    void activated();
    void deactivated();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;
};

}  // namespace korvane
