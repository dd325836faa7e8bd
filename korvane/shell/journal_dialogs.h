#pragma once
// The phone book editor, with vCard and CSV import. (The journal's settings
// are the properties sheet's Calls page.)

#include "korvane/journal/phone_book.h"

#include <QDialog>

class QTableWidget;

namespace korvane {

// "1 new number imported.", "3 new numbers imported."
QString numbersImportedText(int added);

class PhoneBookDialog : public QDialog {
    Q_OBJECT
public:
    PhoneBookDialog(PhoneBook* book, QWidget* parent = nullptr);
    // Adds the entries of a vCard or CSV file; returns how many were new, -1
    // when the file cannot be read.
    int importFile(const QString& file);
    QList<PhoneBookEntry> entries() const;
    void accept() override;

private:
    void addRow(const PhoneBookEntry& entry);
    PhoneBook* book_;
    QTableWidget* table_;
};

}  // namespace korvane
