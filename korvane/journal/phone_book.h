#pragma once
// Names for numbers. The phone book is a small CSV file (number, name) in the
// journal's folder, kept private to the user; it is read whole and written
// whole (atomically), and it can take entries from vCard and CSV files.

#include "korvane/journal/number_match.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

namespace korvane {

struct PhoneBookEntry {
    QString number;
    QString name;
    bool operator==(const PhoneBookEntry&) const = default;
};

// vCard 2.1, 3.0 and 4.0 as address books export them: folded lines, FN, N,
// TEL (also as a tel: URI), quoted-printable values, UTF-8 or a named
// charset. One entry per telephone number; cards without a number give none.
QList<PhoneBookEntry> readVCards(const QByteArray& data);
// CSV (RFC 4180, comma or semicolon): number, name per row. A first row
// whose number has no digit is a header and is skipped.
QList<PhoneBookEntry> readPhoneCsv(const QByteArray& data);
// RFC 4180 text of the entries, with a header row.
QByteArray writePhoneCsv(const QList<PhoneBookEntry>& entries);
// One CSV field, quoted when it must be.
QString csvField(const QString& text);
// The rows and fields of an RFC 4180 text (quoted fields may hold commas,
// quotes doubled and line breaks).
QList<QStringList> parseCsv(const QString& text, QChar separator = u',');

class PhoneBook {
public:
    // The book's file: "Phone Book.csv" beside the journals.
    static QString defaultFile();

    explicit PhoneBook(const QString& file = QString());

    void setMatcher(const NumberMatcher& matcher);
    const NumberMatcher& matcher() const { return matcher_; }

    // Reads the file; a missing file is an empty book. False (with
    // errorText()) when it exists but cannot be read.
    bool load();
    bool save();
    const QString& errorText() const { return error_; }
    const QString& file() const { return file_; }

    const QList<PhoneBookEntry>& entries() const { return entries_; }
    void setEntries(const QList<PhoneBookEntry>& entries);
    // Adds the entries whose number is not in the book yet; returns how many.
    int merge(const QList<PhoneBookEntry>& entries);

    // The name for a number in any of its written forms; empty when unknown.
    QString nameFor(const QString& number) const;

private:
    void reindex();

    QString file_;
    QString error_;
    NumberMatcher matcher_;
    QList<PhoneBookEntry> entries_;
    QHash<QString, int> byCanonical_;
};

}  // namespace korvane
