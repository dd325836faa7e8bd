#pragma once
// "Sound": the wave files played when a line comes up or goes down.

#include "korvane/settings/config_settings.h"
#include "korvane/settings/property_page.h"

class QAbstractButton;
class QCheckBox;
class QLineEdit;

class CSoundPage : public korvane::PropertyPage {
    Q_OBJECT
public:
    static constexpr char kFilter[] = "Wave Files (*.wav)|*.wav||";

    CSoundPage(korvane::SoundSettings& values, korvane::SettingsStore& store, QWidget* parent = nullptr);

    void applyPage() override;
    void cancelPage() override;

    QCheckBox* soundCheck() const { return check_; }
    QLineEdit* lineUpEdit() const { return lineUp_; }
    QLineEdit* lineDownEdit() const { return lineDown_; }
    QAbstractButton* lineUpBrowse() const { return browseUp_; }
    QAbstractButton* lineDownBrowse() const { return browseDown_; }

protected:
    void fillControls() override;
    void rememberOpening() override { values_.rememberOpening(); }
    void opened() override { setModified(true); }

private:
    void controlsToValues();
    void enableControls();
    void edited();
    void browse(QLineEdit* edit);

    korvane::SoundSettings& values_;
    korvane::SettingsStore& store_;
    QCheckBox* check_;
    QLineEdit* lineUp_;
    QLineEdit* lineDown_;
    QAbstractButton* browseUp_;
    QAbstractButton* browseDown_;
};
