#pragma once
// The journal as the monitor runs it: the phone book (names for caller ids,
// always there) and, when "Journal" is on, the router's journal file with its
// recorder. The console monitor and the frame each hold one.

#include "korvane/journal/call_journal.h"
#include "korvane/journal/journal_recorder.h"
#include "korvane/journal/journal_settings.h"
#include "korvane/journal/phone_book.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace korvane {

class CMonitorController;

class JournalSession : public QObject {
    Q_OBJECT
public:
    // errors: told once per journal file that fails (a clear message for the user).
    JournalSession(CMonitorController* controller, std::function<void(const QString&)> errors,
                   QObject* parent = nullptr);
    ~JournalSession() override;

    // Null when the journal is off or could not be opened.
    CallJournal* journal() const { return journal_ && journal_->isOpen() ? journal_.get() : nullptr; }
    // The journal for reading, even when writing failed; null when off.
    CallJournal* journalForReading() const { return journal_.get(); }
    PhoneBook& phoneBook() { return phoneBook_; }
    const JournalSettings& settings() const { return settings_; }
    // Rereads the settings and the phone book (after the sheet closed with OK).
    void reload();

signals:
    // A call was written, started or ended (the Call Log view refreshes).
    void journalChanged();

private:
    void openFor(const QString& address);

    QPointer<CMonitorController> controller_;
    std::function<void(const QString&)> errors_;
    JournalSettings settings_;
    PhoneBook phoneBook_;
    QString address_;
    std::unique_ptr<CallJournal> journal_;
    std::unique_ptr<JournalRecorder> recorder_;
};

}  // namespace korvane
