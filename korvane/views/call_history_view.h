#pragma once
// CCallHistoryView: the router's call history, ten rows of seven columns, one
// row per call history record.

#include "korvane/views/list_cells.h"

#include <QPointer>
#include <QStringList>
#include <QTreeWidget>

class CCallInfo;
class CCallInfos;

namespace korvane {

class CCallHistoryView : public QTreeWidget, public CellTable {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 7;
    static constexpr int kRowCount = 10;
    static const QStringList& columnTitles();
    static inline const QString kHelpTopic = QStringLiteral("Korvane.chm::/The_Call_History_View.htm");
    // The view's name for its window placement record.
    static inline const QString kPlacementName = QStringLiteral("CallHistoryView");

    // The records are the application's; the view reads and rewrites them
    // but does not own them. Without records the view only shows empty cells.
    explicit CCallHistoryView(CCallInfos* calls, QWidget* parent = nullptr);

    // The seven cell texts of one record, in column order.
    static QStringList CellTexts(const CCallInfo& call);

    void SetCell(int row, int column, const QString& text) override;
    QString cellText(int row, int column) const;
    const QString& screenText() const { return screenText_; }

public slots:
    // A call history screen from the router: kept, read into the records and
    // shown.
    void ParseCallHistoryScreen(const QString& screen);
    // Shows the records as they are (for when the screen was read elsewhere).
    void ShowCallHistory();
    // Empties the records and the cells; column widths stay.
    void ClearCallHistory();

signals:
    // The list lost the keyboard focus: the frame records the placement.
    void focusLost();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    QPointer<CCallInfos> calls_;
    QString screenText_;
};

}  // namespace korvane
