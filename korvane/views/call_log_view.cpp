#include "korvane/views/call_log_view.h"

#include "korvane/help/help_topic.h"
#include "korvane/journal/call_journal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace korvane {

namespace {

QString localTime(qint64 utc)
{
    return QDateTime::fromSecsSinceEpoch(utc).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// How often an open Call Log reads the journal again while calls go on.
constexpr int kRefreshMs = 5000;

}  // namespace

// ---- CallLogModel

void CallLogModel::setCalls(QList<CallRecord> calls, const Tariff& tariff)
{
    beginResetModel();
    calls_ = std::move(calls);
    tariff_ = tariff;
    endResetModel();
}

int CallLogModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return tariff_.isSet() ? ColumnCount : ColumnCount - 1;
}

QVariant CallLogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= calls_.size())
        return {};
    const CallRecord& c = calls_[index.row()];
    if (role == Qt::TextAlignmentRole) {
        switch (index.column()) {
        case Duration: case Sent: case Received: case Cost: return int(Qt::AlignRight | Qt::AlignVCenter);
        default: return {};
        }
    }
    if (role == Qt::ToolTipRole && index.column() == Start)
        return QStringLiteral("Started %1 UTC").arg(utcText(c.startUtc));
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Start: return localTime(c.startUtc);
    case Duration: return durationText(c.durationSeconds());
    case Line: return QStringLiteral("%1 (B%2)").arg(c.line).arg(c.channel);
    case Type: return callTypeText(c);
    case Direction: return c.direction;
    case Number: return c.callerId;
    case Name: return c.callerName;
    case Link: return c.link;
    case PeerIp: return c.peerIp;
    case Sent: return QString::number(c.packetsSent);
    case Received: return QString::number(c.packetsReceived);
    case Ended: return callEndText(c.ended);
    case Cost: return tariff_.format(tariff_.cost(c));
    }
    return {};
}

QVariant CallLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const titles[ColumnCount] = {"Start", "Duration", "Line", "Type", "Direction", "Number", "Name",
                                                    "Link", "Peer IP", "Sent", "Received", "Ended", "Cost"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return QString::fromLatin1(titles[section]);
}

// ---- CallLogChart

CallLogChart::CallLogChart(QWidget* parent) : QWidget(parent)
{
    setMinimumHeight(90);
    setToolTip(QStringLiteral("Online minutes per day, last 30 days"));
}

void CallLogChart::setMinutes(const QVector<double>& minutes, const QDate& lastDay)
{
    minutes_ = minutes;
    lastDay_ = lastDay;
    update();
}

void CallLogChart::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const QFontMetrics fm(font());
    const int bottom = height() - fm.height() - 4;
    const int top = fm.height() + 4;
    double peak = 1;
    for (double m : minutes_)
        peak = qMax(peak, m);
    p.setPen(palette().color(QPalette::Text));
    p.drawText(QRect(4, 2, width() - 8, fm.height()), Qt::AlignLeft,
               QStringLiteral("Online minutes per day (max %1)").arg(qRound(peak)));
    const int n = int(minutes_.size());
    if (n == 0 || bottom <= top)
        return;
    const double slot = double(width() - 8) / n;
    for (int i = 0; i < n; ++i) {
        const int h = int((bottom - top) * minutes_[i] / peak + 0.5);
        const QRectF bar(4 + i * slot + 1, bottom - h, qMax(1.0, slot - 2), h);
        p.fillRect(bar, QColor(0x2e, 0x7d, 0x32));
    }
    p.drawLine(4, bottom, width() - 4, bottom);
    if (lastDay_.isValid()) {
        p.drawText(QRect(4, bottom + 2, width() / 2, fm.height()), Qt::AlignLeft,
                   lastDay_.addDays(1 - n).toString(QStringLiteral("MM-dd")));
        p.drawText(QRect(width() / 2, bottom + 2, width() / 2 - 4, fm.height()), Qt::AlignRight,
                   lastDay_.toString(QStringLiteral("MM-dd")));
    }
}

// ---- CCallLogView

CCallLogView::CCallLogView(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* bar = new QHBoxLayout;
    line_ = new QComboBox;
    line_->addItems({QStringLiteral("Both lines"), QStringLiteral("Line 1"), QStringLiteral("Line 2")});
    type_ = new QComboBox;
    type_->addItems({QStringLiteral("All types"), QStringLiteral("Voice"), QStringLiteral("Data")});
    direction_ = new QComboBox;
    direction_->addItems({QStringLiteral("All directions"), QStringLiteral("In"), QStringLiteral("Out"),
                          QStringLiteral("Unknown")});
    fromOn_ = new QCheckBox(QStringLiteral("From"));
    from_ = new QDateEdit(QDate::currentDate().addDays(-30));
    from_->setCalendarPopup(true);
    toOn_ = new QCheckBox(QStringLiteral("To"));
    to_ = new QDateEdit(QDate::currentDate());
    to_->setCalendarPopup(true);
    search_ = new QLineEdit;
    search_->setPlaceholderText(QStringLiteral("Search numbers, names, links"));
    search_->setClearButtonEnabled(true);
    auto* exportButton = new QPushButton(QStringLiteral("Export..."));
    for (QWidget* w : std::initializer_list<QWidget*>{line_, type_, direction_, fromOn_, from_, toOn_, to_})
        bar->addWidget(w);
    bar->addStretch(1);
    // The search and the buttons on a row of their own: on one row the view
    // made the window wider than a 1024-pixel screen leaves room for.
    auto* searchBar = new QHBoxLayout;
    search_->setMinimumWidth(search_->fontMetrics().horizontalAdvance(search_->placeholderText()) + 40);
    searchBar->addWidget(search_, 1);
    searchBar->addWidget(exportButton);
    auto* bookButton = new QPushButton(QStringLiteral("Phone Book..."));
    auto* settingsButton = new QPushButton(QStringLiteral("Settings..."));
    settingsButton->setToolTip(QStringLiteral("The Calls page of the properties: numbers, tariff, announcements, journal"));
    searchBar->addWidget(bookButton);
    searchBar->addWidget(settingsButton);
    connect(bookButton, &QPushButton::clicked, this, &CCallLogView::phoneBookRequested);
    connect(settingsButton, &QPushButton::clicked, this, &CCallLogView::settingsRequested);
    layout->addLayout(bar);
    layout->addLayout(searchBar);

    auto* splitter = new QSplitter(Qt::Vertical);
    table_ = new QTableView;
    table_->setModel(&model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setAlternatingRowColors(true);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setStretchLastSection(true);
    // The start is date and time; a default-width column showed the date only.
    table_->horizontalHeader()->setSectionResizeMode(CallLogModel::Start, QHeaderView::ResizeToContents);
    table_->setWordWrap(false);
    splitter->addWidget(table_);

    auto* lower = new QWidget;
    auto* lowerLayout = new QHBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    auto* totalsBox = new QVBoxLayout;
    periodBox_ = new QComboBox;
    periodBox_->addItems({QStringLiteral("Totals per day"), QStringLiteral("Totals per week"),
                          QStringLiteral("Totals per month")});
    totals_ = new QTreeWidget;
    totals_->setRootIsDecorated(false);
    totals_->setUniformRowHeights(true);
    totalsBox->addWidget(periodBox_);
    totalsBox->addWidget(totals_);
    lowerLayout->addLayout(totalsBox, 3);
    chart_ = new CallLogChart;
    lowerLayout->addWidget(chart_, 2);
    splitter->addWidget(lower);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter, 1);
    count_ = new QLabel;
    layout->addWidget(count_);

    for (QComboBox* box : {line_, type_, direction_})
        connect(box, &QComboBox::currentIndexChanged, this, &CCallLogView::filterControlsChanged);
    for (QCheckBox* box : {fromOn_, toOn_})
        connect(box, &QCheckBox::toggled, this, &CCallLogView::filterControlsChanged);
    for (QDateEdit* edit : {from_, to_})
        connect(edit, &QDateEdit::dateChanged, this, &CCallLogView::filterControlsChanged);
    connect(search_, &QLineEdit::textChanged, this, &CCallLogView::filterControlsChanged);
    connect(periodBox_, &QComboBox::currentIndexChanged, this,
            [this](int index) { setPeriod(TotalsPeriod(qBound(0, index, 2))); });
    connect(exportButton, &QPushButton::clicked, this, &CCallLogView::exportWithDialog);
}

void CCallLogView::reload()
{
    CallJournal* journal = source_ ? source_() : nullptr;
    tariff_ = tariffSource_ ? tariffSource_() : Tariff();
    all_ = journal ? journal->calls() : QList<CallRecord>();
    // Where each call sits is worked out on the first refresh, not here: the
    // log opens without it.
    indexById_.clear();
    refreshFrom_ = 0;
    for (const CallRecord& call : std::as_const(all_)) {
        // Open calls change; the next read starts at the oldest of them.
        if (call.isOpen() && (refreshFrom_ == 0 || call.startUtc < refreshFrom_))
            refreshFrom_ = call.startUtc;
    }
    if (refreshFrom_ == 0 && !all_.isEmpty())
        refreshFrom_ = all_.last().startUtc;
    pending_ = false;
    applyFilter();
}

void CCallLogView::refresh()
{
    CallJournal* journal = source_ ? source_() : nullptr;
    if (!journal) {
        if (!all_.isEmpty())
            reload();
        return;
    }
    pending_ = false;
    if (indexById_.size() != all_.size()) {
        indexById_.clear();
        indexById_.reserve(all_.size());
        for (qsizetype i = 0; i < all_.size(); ++i)
            indexById_.insert(all_[i].id, i);
    }
    qint64 nextFrom = 0;
    for (const CallRecord& call : journal->calls(refreshFrom_)) {
        const auto it = indexById_.constFind(call.id);
        if (it != indexById_.constEnd()) {
            all_[*it] = call;
        } else {
            indexById_.insert(call.id, all_.size());
            all_.append(call);
        }
        if (call.isOpen() && (nextFrom == 0 || call.startUtc < nextFrom))
            nextFrom = call.startUtc;
    }
    if (nextFrom == 0 && !all_.isEmpty())
        nextFrom = all_.last().startUtc;
    refreshFrom_ = nextFrom;
    applyFilter();
}

void CCallLogView::journalChanged()
{
    if (pending_)
        return;
    pending_ = true;
    if (isVisible())
        QTimer::singleShot(kRefreshMs, this, [this] {
            if (pending_)
                refresh();
        });
}

void CCallLogView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (all_.isEmpty())
        reload();
    else if (pending_)
        refresh();
}

bool CCallLogView::event(QEvent* event)
{
    if (event->type() == QEvent::HelpRequest) {
        showHelpTopic(kHelpTopic);
        return true;
    }
    return QWidget::event(event);
}

void CCallLogView::filterControlsChanged()
{
    CallFilter f;
    f.line = line_->currentIndex();
    f.type = CallFilter::Type(qBound(0, type_->currentIndex(), 2));
    f.direction = CallFilter::Direction(qBound(0, direction_->currentIndex(), 3));
    if (fromOn_->isChecked())
        f.from = from_->date();
    if (toOn_->isChecked())
        f.to = to_->date();
    f.text = search_->text().trimmed();
    filter_ = f;
    applyFilter();
}

void CCallLogView::setFilter(const CallFilter& filter)
{
    const QSignalBlocker blockers[] = {QSignalBlocker(line_), QSignalBlocker(type_), QSignalBlocker(direction_),
                                       QSignalBlocker(fromOn_), QSignalBlocker(from_), QSignalBlocker(toOn_),
                                       QSignalBlocker(to_), QSignalBlocker(search_)};
    line_->setCurrentIndex(qBound(0, filter.line, 2));
    type_->setCurrentIndex(int(filter.type));
    direction_->setCurrentIndex(int(filter.direction));
    fromOn_->setChecked(filter.from.isValid());
    if (filter.from.isValid())
        from_->setDate(filter.from);
    toOn_->setChecked(filter.to.isValid());
    if (filter.to.isValid())
        to_->setDate(filter.to);
    search_->setText(filter.text);
    filter_ = filter;
    applyFilter();
}

CallFilter CCallLogView::filter() const { return filter_; }

void CCallLogView::setPeriod(TotalsPeriod period)
{
    period_ = period;
    if (periodBox_->currentIndex() != int(period)) {
        const QSignalBlocker block(periodBox_);
        periodBox_->setCurrentIndex(int(period));
    }
    updateTotals();
}

void CCallLogView::applyFilter()
{
    model_.setCalls(filterCalls(all_, filter_), tariff_);
    count_->setText(QStringLiteral("%1 of %2 calls").arg(model_.calls().size()).arg(all_.size()));
    updateTotals();
}

void CCallLogView::updateTotals()
{
    const QList<CallRecord>& shown = model_.calls();
    QStringList headers{QStringLiteral("Period"), QStringLiteral("Calls"), QStringLiteral("Line 1"),
                        QStringLiteral("Line 2"), QStringLiteral("Packets Sent"), QStringLiteral("Packets Received")};
    if (tariff_.isSet())
        headers.append(QStringLiteral("Cost"));
    totals_->clear();
    totals_->setHeaderLabels(headers);
    QList<QTreeWidgetItem*> items;
    for (const PeriodTotals& t : totalsPer(shown, period_, tariff_)) {
        QStringList cells{t.label, QString::number(t.totals.calls), durationText(t.totals.onlineSeconds[0]),
                          durationText(t.totals.onlineSeconds[1]), QString::number(t.totals.packetsSent),
                          QString::number(t.totals.packetsReceived)};
        if (tariff_.isSet())
            cells.append(tariff_.format(t.totals.cost));
        items.append(new QTreeWidgetItem(cells));
    }
    totals_->addTopLevelItems(items);
    const QDate today = today_.isValid() ? today_ : QDate::currentDate();
    chart_->setMinutes(onlineMinutesPerDay(shown, today, 30), today);
}

bool CCallLogView::exportCsv(const QString& file, QString* error) const
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(callsToCsv(model_.calls(), tariff_)) < 0 || !out.commit()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    return true;
}

void CCallLogView::exportWithDialog()
{
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Export Calls"),
                                                      QStringLiteral("calls.csv"),
                                                      QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (file.isEmpty())
        return;
    QString error;
    if (!exportCsv(file, &error))
        QMessageBox::warning(this, windowTitle(), QStringLiteral("The calls could not be written to %1: %2").arg(file, error));
}

}  // namespace korvane
