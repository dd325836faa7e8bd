#pragma once
// "Calls": the journal, how numbers are completed, the tariff and which
// events are announced on the desktop. The Call Log's "Settings..." button
// opens the sheet on this page.

#include "korvane/journal/journal_settings.h"
#include "korvane/settings/property_page.h"

class QCheckBox;
class QLineEdit;

namespace korvane {
class SettingsStore;
}

class CCallsPage : public korvane::PropertyPage {
    Q_OBJECT
public:
    static constexpr int kHeightUnits = 128;

    CCallsPage(korvane::SettingsStore& store, QWidget* parent = nullptr);

    // The values held in memory: as loaded, or as last applied.
    const korvane::JournalSettings& values() const { return values_; }

    void applyPage() override;
    void cancelPage() override;
    QSize sizeHint() const override;

    QCheckBox* journalCheck() const { return journal_; }
    QLineEdit* countryEdit() const { return country_; }
    QLineEdit* areaEdit() const { return area_; }
    QLineEdit* perCallEdit() const { return perCall_; }
    QLineEdit* perMinuteEdit() const { return perMinute_; }
    QLineEdit* currencyEdit() const { return currency_; }
    QCheckBox* chargeIncomingCheck() const { return chargeIncoming_; }
    QCheckBox* callerIdCheck() const { return callerId_; }
    QCheckBox* lineUpCheck() const { return lineUp_; }
    QCheckBox* lineDownCheck() const { return lineDown_; }
    QCheckBox* routerCheck() const { return router_; }

signals:
    // The values went to the store: the journal and the announcer reread them.
    void applied();

protected:
    void fillControls() override;
    void rememberOpening() override { opening_ = values_; }

private:
    korvane::JournalSettings fromControls() const;
    void edited();

    korvane::SettingsStore& store_;
    korvane::JournalSettings values_;
    korvane::JournalSettings opening_;
    QCheckBox* journal_;
    QLineEdit* country_;
    QLineEdit* area_;
    QLineEdit* perCall_;
    QLineEdit* perMinute_;
    QLineEdit* currency_;
    QCheckBox* chargeIncoming_;
    QCheckBox* callerId_;
    QCheckBox* lineUp_;
    QCheckBox* lineDown_;
    QCheckBox* router_;
};
