#include "korvane/journal/journal_session.h"

#include "korvane/settings/settings_store.h"
#include "korvane/monitor/controller.h"

namespace korvane {

JournalSession::JournalSession(CMonitorController* controller, std::function<void(const QString&)> errors,
                               QObject* parent)
    : QObject(parent), controller_(controller), errors_(std::move(errors))
{
    reload();
    controller_->setCallerNameLookup([this](const QString& number) { return phoneBook_.nameFor(number); });
    // Another router (the sheet changed the address) has its own journal.
    connect(controller_, &CMonitorController::connecting, this, [this](const QString& address) {
        if (address != address_)
            openFor(address);
    });
    connect(controller_, &CMonitorController::statusTick, this, &JournalSession::journalChanged);
    connect(controller_, &CMonitorController::callHistoryRead, this, &JournalSession::journalChanged);
    openFor(controller_->settings().ipAddress());
}

JournalSession::~JournalSession()
{
    // Parented to the controller, the session may go while it is being torn down.
    if (controller_)
        controller_->setCallerNameLookup({});
    recorder_.reset();
    journal_.reset();
}

void JournalSession::reload()
{
    settings_ = JournalSettings::read(SettingsStore());
    phoneBook_.setMatcher(NumberMatcher(settings_.countryCode, settings_.areaCode));
    if (!phoneBook_.load() && errors_)
        errors_(QStringLiteral("The phone book could not be read: %1").arg(phoneBook_.errorText()));
}

void JournalSession::openFor(const QString& address)
{
    recorder_.reset();
    journal_.reset();
    address_ = address;
    if (!settings_.journalOn)
        return;
    journal_ = std::make_unique<CallJournal>(CallJournal::fileForRouter(CallJournal::defaultDirectory(), address));
    recorder_ = std::make_unique<JournalRecorder>(controller_, journal_.get());
    recorder_->setErrorListener(errors_);
}

}  // namespace korvane
