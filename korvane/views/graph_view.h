#pragma once
// CGraphView: the current and average utilisation of both lines, once a
// second, as percentages and as two strip charts. It samples whether or not
// it is the view shown, so the charts keep their history.

#include "korvane/model/application.h"

#include <QPointer>
#include <QScrollArea>
#include <QString>
#include <QTimer>

#include <array>

class QGroupBox;
class QLabel;

namespace korvane {

class CGraphCtrl;

class CGraphView : public QScrollArea {
    Q_OBJECT
public:
    static inline const QString kHelpTopic = QStringLiteral("Korvane.chm::/The_Graphs_View.htm");
    static constexpr int kTimerInterval = 1000;  // ms

    // The first update happens here: colours set, the sampling timer started.
    explicit CGraphView(CApplication* application = nullptr, QWidget* parent = nullptr);

    void setApplication(CApplication* application) { application_ = application; }

    CGraphCtrl* chart(int line) const;  // line 1 or 2
    // The value texts of line 1 or 2, as last written to the form.
    QString currentText(int line) const;
    QString averageText(int line) const;
    QLabel* currentLabel(int line) const;
    QLabel* averageLabel(int line) const;
    QWidget* form() const { return form_; }
    const QTimer& timer() const { return timer_; }

public slots:
    // One timer tick: read both lines, set the texts, add a sample to each chart.
    void Sample();
    // The connection settings changed: the charts start over; the texts stay.
    void Clear();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct LineWidgets {
        QGroupBox* group = nullptr;
        CGraphCtrl* chart = nullptr;
        QLabel* current = nullptr;
        QLabel* average = nullptr;
        QString currentText;
        QString averageText;
    };

    QPointer<CApplication> application_;
    QWidget* form_ = nullptr;
    std::array<LineWidgets, 2> lines_;
    QTimer timer_;
};

}  // namespace korvane
