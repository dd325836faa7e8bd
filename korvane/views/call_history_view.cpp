#include "korvane/views/call_history_view.h"

#include "korvane/help/help_topic.h"
#include "korvane/model/call_info.h"
#include "korvane/model/call_infos.h"
#include "korvane/router/call_history_reader.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>

namespace korvane {

namespace {

// The times are right-aligned on the screen; the cells show them from their
// first digit.
QString withoutLeadingSpace(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    return text.mid(i);
}

}  // namespace

const QStringList& CCallHistoryView::columnTitles() {
    static const QStringList titles = {
        QStringLiteral("Phone number"), QStringLiteral("Direction"),  QStringLiteral("Baudrate"),
        QStringLiteral("No. of calls"), QStringLiteral("Max. time"),  QStringLiteral("Min. time"),
        QStringLiteral("Total time"),
    };
    return titles;
}

CCallHistoryView::CCallHistoryView(CCallInfos* calls, QWidget* parent) : QTreeWidget(parent), calls_(calls) {
    setColumnCount(kColumnCount);
    setHeaderLabels(columnTitles());
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    header()->setSectionsClickable(false);
    header()->setStretchLastSection(false);
    for (int row = 0; row < kRowCount; ++row)
        addTopLevelItem(new QTreeWidgetItem(QStringList(QString())));
    FitColumnsToTitles(this);
}

QStringList CCallHistoryView::CellTexts(const CCallInfo& call) {
    // The call count is only meaningful for an entry with a rate: both go
    // empty together when the rate is 0.
    const bool hasRate = call.baudRate() > 0;
    return {
        call.phoneNumber(),
        call.direction(),
        hasRate ? QString::number(call.baudRate()) : QString(),
        hasRate ? QString::number(call.noOfCalls()) : QString(),
        withoutLeadingSpace(call.maxTime()),
        withoutLeadingSpace(call.minTime()),
        withoutLeadingSpace(call.totalTime()),
    };
}

void CCallHistoryView::SetCell(int row, int column, const QString& text) { korvane::SetCell(this, row, column, text); }

QString CCallHistoryView::cellText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item && column >= 0 && column < kColumnCount ? item->text(column) : QString();
}

void CCallHistoryView::ParseCallHistoryScreen(const QString& screen) {
    screenText_ = screen;
    if (calls_)
        ReadCallHistoryRecords(screenText_, *calls_);
    ShowCallHistory();
}

void CCallHistoryView::ShowCallHistory() {
    for (int row = 0; row < kRowCount; ++row) {
        const CCallInfo* call = calls_ ? calls_->entry(row) : nullptr;
        const QStringList texts = call ? CellTexts(*call) : QStringList();
        for (int column = 0; column < kColumnCount; ++column)
            SetCell(row, column, texts.value(column));
    }
}

void CCallHistoryView::ClearCallHistory() {
    if (calls_) {
        for (CCallInfo& call : *calls_)
            call.clear();
    }
    for (int row = 0; row < kRowCount; ++row)
        for (int column = 0; column < kColumnCount; ++column)
            SetCell(row, column, QString());
}

void CCallHistoryView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        showHelpTopic(kHelpTopic);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void CCallHistoryView::focusOutEvent(QFocusEvent* event) {
    emit focusLost();
    QTreeWidget::focusOutEvent(event);
}

bool CCallHistoryView::event(QEvent* event) {
    if (event->type() == QEvent::HelpRequest) {
        showHelpTopic(kHelpTopic);
        return true;
    }
    return QTreeWidget::event(event);
}

}  // namespace korvane
