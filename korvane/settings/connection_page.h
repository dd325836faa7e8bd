#pragma once
// "Connection": the router's address and password.

#include "korvane/settings/config_settings.h"
#include "korvane/settings/property_page.h"

class QLabel;
class QLineEdit;

namespace korvane {
class IpAddressField;
}

class CConnectionPage : public korvane::PropertyPage {
    Q_OBJECT
public:
    CConnectionPage(korvane::ConnectionSettings& values, korvane::SettingsStore& store,
                    QWidget* parent = nullptr);

    void applyPage() override;
    void cancelPage() override;

    korvane::IpAddressField* addressField() const { return address_; }
    QLineEdit* passwordEdit() const { return password_; }
    QLabel* addressNote() const { return note_; }

protected:
    void fillControls() override;
    void rememberOpening() override { values_.rememberOpening(); }

private:
    void controlsToValues();
    void edited();
    void showNote();

    korvane::ConnectionSettings& values_;
    korvane::SettingsStore& store_;
    korvane::IpAddressField* address_;
    QLineEdit* password_;
    QLabel* note_;
};
