#pragma once
// The phone book editor (with vCard and CSV import) and the settings of the
// journal, number matching, costs and notifications.

#include "korvane/journal/journal_settings.h"
#include "korvane/journal/phone_book.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QTableWidget;

namespace korvane {

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

class JournalSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit JournalSettingsDialog(const JournalSettings& current, QWidget* parent = nullptr);
    JournalSettings settings() const;

private:
    JournalSettings base_;
    QCheckBox* journal_;
    QLineEdit* country_;
    QLineEdit* area_;
    QLineEdit* perCall_;
    QLineEdit* perMinute_;
    QLineEdit* currency_;
    QCheckBox* callerId_;
    QCheckBox* lineUp_;
    QCheckBox* lineDown_;
    QCheckBox* router_;
};

}  // namespace korvane
