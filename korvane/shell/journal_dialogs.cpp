#include "korvane/shell/journal_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace korvane {

PhoneBookDialog::PhoneBookDialog(PhoneBook* book, QWidget* parent) : QDialog(parent), book_(book)
{
    setWindowTitle(QStringLiteral("Phone Book"));
    auto* layout = new QVBoxLayout(this);
    table_ = new QTableWidget(0, 2);
    table_->setHorizontalHeaderLabels({QStringLiteral("Number"), QStringLiteral("Name")});
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    layout->addWidget(table_);
    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("&Add"));
    auto* remove = new QPushButton(QStringLiteral("&Remove"));
    auto* import = new QPushButton(QStringLiteral("&Import..."));
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(import);
    buttons->addStretch();
    layout->addLayout(buttons);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(add, &QPushButton::clicked, this, [this] {
        addRow({});
        table_->editItem(table_->item(table_->rowCount() - 1, 0));
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        const int row = table_->currentRow();
        if (row >= 0)
            table_->removeRow(row);
    });
    connect(import, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Import Phone Numbers"), QString(),
                                                          QStringLiteral("Address books (*.vcf *.vcard *.csv);;All files (*)"));
        if (file.isEmpty())
            return;
        const int added = importFile(file);
        if (added < 0)
            QMessageBox::warning(this, windowTitle(), QStringLiteral("%1 could not be read.").arg(file));
        else
            QMessageBox::information(this, windowTitle(), QStringLiteral("%1 new numbers imported.").arg(added));
    });
    for (const PhoneBookEntry& e : book_->entries())
        addRow(e);
    resize(420, 360);
}

void PhoneBookDialog::addRow(const PhoneBookEntry& entry)
{
    const int row = table_->rowCount();
    table_->insertRow(row);
    table_->setItem(row, 0, new QTableWidgetItem(entry.number));
    table_->setItem(row, 1, new QTableWidgetItem(entry.name));
}

int PhoneBookDialog::importFile(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray data = f.read(64 * 1024 * 1024);
    const bool vcard = data.left(4096).toUpper().contains("BEGIN:VCARD");
    const QList<PhoneBookEntry> found = vcard ? readVCards(data) : readPhoneCsv(data);
    PhoneBook scratch(book_->file());
    scratch.setMatcher(book_->matcher());
    scratch.setEntries(entries());
    const int before = int(scratch.entries().size());
    scratch.merge(found);
    for (qsizetype i = before; i < scratch.entries().size(); ++i)
        addRow(scratch.entries()[i]);
    return int(scratch.entries().size()) - before;
}

QList<PhoneBookEntry> PhoneBookDialog::entries() const
{
    QList<PhoneBookEntry> out;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const QString number = table_->item(row, 0) ? table_->item(row, 0)->text().trimmed() : QString();
        const QString name = table_->item(row, 1) ? table_->item(row, 1)->text().trimmed() : QString();
        if (!number.isEmpty() && !name.isEmpty())
            out.append({number, name});
    }
    return out;
}

void PhoneBookDialog::accept()
{
    book_->setEntries(entries());
    if (!book_->save()) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("The phone book could not be saved: %1").arg(book_->errorText()));
        return;
    }
    QDialog::accept();
}

JournalSettingsDialog::JournalSettingsDialog(const JournalSettings& current, QWidget* parent)
    : QDialog(parent), base_(current)
{
    setWindowTitle(QStringLiteral("Journal and Notifications"));
    auto* layout = new QVBoxLayout(this);
    journal_ = new QCheckBox(QStringLiteral("&Keep a journal of every call"));
    journal_->setChecked(current.journalOn);
    layout->addWidget(journal_);

    auto* numbers = new QGroupBox(QStringLiteral("Numbers"));
    auto* numberForm = new QFormLayout(numbers);
    country_ = new QLineEdit(current.countryCode);
    country_->setPlaceholderText(QStringLiteral("49"));
    area_ = new QLineEdit(current.areaCode);
    area_->setPlaceholderText(QStringLiteral("30"));
    numberForm->addRow(QStringLiteral("Country Code:"), country_);
    numberForm->addRow(QStringLiteral("Area Code:"), area_);
    layout->addWidget(numbers);

    auto* costs = new QGroupBox(QStringLiteral("Costs (empty: none shown)"));
    auto* costForm = new QFormLayout(costs);
    auto amount = [&current](qint64 minor) { return minor > 0 ? current.tariff.amount(minor) : QString(); };
    perCall_ = new QLineEdit(amount(current.tariff.perCall));
    perMinute_ = new QLineEdit(amount(current.tariff.perMinute));
    currency_ = new QLineEdit(current.tariff.currency);
    costForm->addRow(QStringLiteral("Cost per Call:"), perCall_);
    costForm->addRow(QStringLiteral("Cost per Minute:"), perMinute_);
    costForm->addRow(QStringLiteral("Currency:"), currency_);
    layout->addWidget(costs);

    auto* announce = new QGroupBox(QStringLiteral("Announce"));
    auto* announceBox = new QVBoxLayout(announce);
    callerId_ = new QCheckBox(QStringLiteral("A &caller id (number and name)"));
    lineUp_ = new QCheckBox(QStringLiteral("A line going &up"));
    lineDown_ = new QCheckBox(QStringLiteral("A line going &down"));
    router_ = new QCheckBox(QStringLiteral("The &router lost and back"));
    callerId_->setChecked(current.notifyCallerId);
    lineUp_->setChecked(current.notifyLineUp);
    lineDown_->setChecked(current.notifyLineDown);
    router_->setChecked(current.notifyRouter);
    for (QCheckBox* box : {callerId_, lineUp_, lineDown_, router_})
        announceBox->addWidget(box);
    layout->addWidget(announce);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

JournalSettings JournalSettingsDialog::settings() const
{
    JournalSettings s = base_;
    s.journalOn = journal_->isChecked();
    s.countryCode = country_->text().trimmed();
    s.areaCode = area_->text().trimmed();
    s.tariff.currency = currency_->text().trimmed().left(8);
    s.tariff.perCall = parseAmount(perCall_->text(), s.tariff.decimals());
    s.tariff.perMinute = parseAmount(perMinute_->text(), s.tariff.decimals());
    s.notifyCallerId = callerId_->isChecked();
    s.notifyLineUp = lineUp_->isChecked();
    s.notifyLineDown = lineDown_->isChecked();
    s.notifyRouter = router_->isChecked();
    return s;
}

}  // namespace korvane
