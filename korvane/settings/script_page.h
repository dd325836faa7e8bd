#pragma once
// "Script": the user script and whether it runs.

#include "korvane/settings/config_settings.h"
#include "korvane/settings/property_page.h"

class QAbstractButton;
class QCheckBox;
class QLineEdit;

class CScriptPage : public korvane::PropertyPage {
    Q_OBJECT
public:
    static constexpr char kFilter[] = "Script Files (*.vbs,*.js)|*.vbs;*.js||";

    CScriptPage(korvane::ScriptSettings& values, korvane::SettingsStore& store, QWidget* parent = nullptr);

    void applyPage() override;
    void cancelPage() override;

    QCheckBox* scriptCheck() const { return check_; }
    QLineEdit* scriptEdit() const { return path_; }
    QAbstractButton* browseButton() const { return browse_; }

protected:
    void fillControls() override;
    void rememberOpening() override { values_.rememberOpening(); }
    void opened() override { setModified(true); }

private:
    void controlsToValues();
    void enableControls();
    void edited();
    void browse();

    korvane::ScriptSettings& values_;
    korvane::SettingsStore& store_;
    QCheckBox* check_;
    QLineEdit* path_;
    QAbstractButton* browse_;
};
