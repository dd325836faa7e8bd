#include "korvane/views/graph_view.h"

#include "korvane/help/help_topic.h"
#include "korvane/model/application.h"
#include "korvane/model/line.h"
#include "korvane/model/lines.h"
#include "korvane/settings/dialog_units.h"
#include "korvane/views/graph_ctrl.h"

#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>

namespace korvane {

namespace {

QLabel* placedLabel(QWidget* parent, const DialogUnits& du, const QString& text, int x, int y, bool centred) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(du.rect(x, y, 79, 8));
    if (centred)
        label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    return label;
}

}  // namespace

CGraphView::CGraphView(CApplication* application, QWidget* parent)
    : QScrollArea(parent), application_(application) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    form_ = new QWidget;
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    form_->setFont(font);
    const DialogUnits du(form_->font());
    form_->setFixedSize(du.size(417, 174));

    // Line 1 and line 2 have the same controls, 82 units apart; the value
    // texts of line 2's average sit a little lower than line 1's.
    struct Rows {
        int group, chart, currentTitle, currentValue, averageTitle, averageValue;
    };
    const std::array<Rows, 2> rows = {{{4, 15, 15, 26, 51, 62}, {86, 97, 97, 108, 130, 142}}};
    for (std::size_t i = 0; i < 2; ++i) {
        LineWidgets& w = lines_[i];
        const Rows& r = rows[i];
        w.group = new QGroupBox(QStringLiteral("Line %1").arg(i + 1), form_);
        w.group->setGeometry(du.rect(7, r.group, 403, 81));
        // The charts are the form's children, not the boxes', as the
        // template's frames they replace.
        w.chart = new CGraphCtrl(form_);
        w.chart->setGeometry(du.rect(14, r.chart, 308, 65));
        w.chart->raise();
        placedLabel(form_, du, QStringLiteral("Current Line Utilization"), 327, r.currentTitle, false);
        w.current = placedLabel(form_, du, QString(), 327, r.currentValue, true);
        placedLabel(form_, du, QStringLiteral("Average Line Utilization"), 327, r.averageTitle, false);
        w.average = placedLabel(form_, du, QString(), 327, r.averageValue, true);
        w.chart->SetColors(QColor(0, 0, 0), QColor(0, 128, 0), QColor(255, 0, 0), QColor(0, 255, 0),
                           QColor(255, 255, 0));
    }
    setWidget(form_);

    timer_.setInterval(kTimerInterval);
    connect(&timer_, &QTimer::timeout, this, &CGraphView::Sample);
    timer_.start();
}

CGraphCtrl* CGraphView::chart(int line) const { return line == 1 || line == 2 ? lines_[std::size_t(line - 1)].chart : nullptr; }

QString CGraphView::currentText(int line) const {
    return line == 1 || line == 2 ? lines_[std::size_t(line - 1)].currentText : QString();
}

QString CGraphView::averageText(int line) const {
    return line == 1 || line == 2 ? lines_[std::size_t(line - 1)].averageText : QString();
}

QLabel* CGraphView::currentLabel(int line) const {
    return line == 1 || line == 2 ? lines_[std::size_t(line - 1)].current : nullptr;
}

QLabel* CGraphView::averageLabel(int line) const {
    return line == 1 || line == 2 ? lines_[std::size_t(line - 1)].average : nullptr;
}

void CGraphView::Sample() {
    if (!application_)
        return;
    for (int number = 1; number <= 2; ++number) {
        const CLine* line = application_->lines().line(number);
        if (!line)
            continue;
        LineWidgets& w = lines_[std::size_t(number - 1)];
        const int current = line->lineUtilization();
        const int average = line->averageLineUtilization();
        // The figures show even while the line holds no channel.
        w.currentText = QStringLiteral("%1%").arg(current);
        w.averageText = QStringLiteral("%1%").arg(average);
        if (line->channel() == 0)
            w.chart->AddSample(CGraphCtrl::kNoData, CGraphCtrl::kNoData);
        else
            w.chart->AddSample(current, average);
    }
    for (LineWidgets& w : lines_) {
        w.current->setText(w.currentText);
        w.average->setText(w.averageText);
    }
}

void CGraphView::Clear() {
    for (LineWidgets& w : lines_)
        w.chart->Clear();
}

void CGraphView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        showHelpTopic(kHelpTopic);
        event->accept();
        return;
    }
    QScrollArea::keyPressEvent(event);
}

bool CGraphView::event(QEvent* event) {
    if (event->type() == QEvent::HelpRequest) {
        showHelpTopic(kHelpTopic);
        return true;
    }
    return QScrollArea::event(event);
}

}  // namespace korvane
