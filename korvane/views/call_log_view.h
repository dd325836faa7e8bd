#pragma once
// CCallLogView: the call journal as a list, newest first, with filters, a
// text search, totals per day, week or month, a bar chart of online minutes
// over the last 30 days and a CSV export of the rows shown. It only reads the
// journal; the recorder writes it.

#include "korvane/journal/call_query.h"
#include "korvane/journal/journal_settings.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTableView;
class QTreeWidget;

namespace korvane {

class CallJournal;

class CallLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Start, Duration, Line, Type, Direction, Number, Name, Link, PeerIp, Sent, Received, Ended, Cost,
                  ColumnCount };
    explicit CallLogModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    void setCalls(QList<CallRecord> calls, const Tariff& tariff);
    const QList<CallRecord>& calls() const { return calls_; }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(calls_.size()); }
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<CallRecord> calls_;
    Tariff tariff_;
};

// Online minutes per day as bars.
class CallLogChart : public QWidget {
    Q_OBJECT
public:
    explicit CallLogChart(QWidget* parent = nullptr);
    void setMinutes(const QVector<double>& minutes, const QDate& lastDay);
    const QVector<double>& minutes() const { return minutes_; }
    QSize sizeHint() const override { return {320, 120}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVector<double> minutes_;
    QDate lastDay_;
};

class CCallLogView : public QWidget {
    Q_OBJECT
public:
    static inline const QString kHelpTopic = QStringLiteral("Korvane.chm::/The_Call_Log_View.htm");

    // journal: where to read (may change or be null: an empty log).
    explicit CCallLogView(QWidget* parent = nullptr);

    void setJournalSource(std::function<CallJournal*()> source) { source_ = std::move(source); }
    void setTariffSource(std::function<Tariff()> source) { tariffSource_ = std::move(source); }
    // The day the chart ends on (today unless a test says otherwise).
    void setToday(const QDate& today) { today_ = today; }

    // Reads the whole journal again.
    void reload();
    // Reads what changed since the last read (new calls, open calls moving on).
    void refresh();
    void setFilter(const CallFilter& filter);
    CallFilter filter() const;
    void setPeriod(TotalsPeriod period);

    const CallLogModel& model() const { return model_; }
    QTreeWidget* totalsList() const { return totals_; }
    QTableView* table() const { return table_; }
    CallLogChart* chart() const { return chart_; }
    // Writes the rows shown as CSV; false with a reason on failure.
    bool exportCsv(const QString& file, QString* error) const;

signals:
    void phoneBookRequested();
    void settingsRequested();

public slots:
    // The journal moved on; read it at the next convenient moment when shown.
    void journalChanged();

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void applyFilter();
    void updateTotals();
    void exportWithDialog();
    void filterControlsChanged();

    std::function<CallJournal*()> source_;
    std::function<Tariff()> tariffSource_;
    QList<CallRecord> all_;
    QHash<qint64, qsizetype> indexById_;
    qint64 refreshFrom_ = 0;
    QDate today_;
    Tariff tariff_;
    CallFilter filter_;
    TotalsPeriod period_ = TotalsPeriod::Day;
    bool pending_ = false;
    CallLogModel model_;
    QComboBox* line_ = nullptr;
    QComboBox* type_ = nullptr;
    QComboBox* direction_ = nullptr;
    QCheckBox* fromOn_ = nullptr;
    QDateEdit* from_ = nullptr;
    QCheckBox* toOn_ = nullptr;
    QDateEdit* to_ = nullptr;
    QLineEdit* search_ = nullptr;
    QComboBox* periodBox_ = nullptr;
    QTableView* table_ = nullptr;
    QTreeWidget* totals_ = nullptr;
    CallLogChart* chart_ = nullptr;
    QLabel* count_ = nullptr;
};

}  // namespace korvane
