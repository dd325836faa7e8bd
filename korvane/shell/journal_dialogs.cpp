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

QString numbersImportedText(int added)
{
    return added == 1 ? QStringLiteral("1 new number imported.") : QStringLiteral("%1 new numbers imported.").arg(added);
}

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
            QMessageBox::information(this, windowTitle(), numbersImportedText(added));
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

}  // namespace korvane
