#pragma once
// "Korvane Properties": the sheet of the Connection, Sound, Script and Calls
// pages.
// It loads every value from the settings store when it is constructed (once
// per run), and the rest of the program reads the values held in memory
// through the accessors. Run it modally; after it closes compare the values
// with those from before (Apply may have changed them even when the sheet was
// then cancelled).

#include "korvane/settings/config_settings.h"

#include <QDialog>
#include <QList>

class QDialogButtonBox;
class QPushButton;
class QTabWidget;
class CCallsPage;
class CConnectionPage;
class CScriptPage;
class CSoundPage;

namespace korvane {
class PropertyPage;
}

class CConfigSheet : public QDialog {
    Q_OBJECT
public:
    static constexpr char kHelpTopic[] = "Korvane.chm::/Korvane_Configuration.htm";
    enum Page { ConnectionPage, SoundPage, ScriptPage, CallsPage };

    // The command line, when not empty, is the router address for this run.
    // The store is the default one (KORVANE_SETTINGS_DIR or the user's own).
    explicit CConfigSheet(const QString& commandLineAddress = QString(), QWidget* parent = nullptr);
    // The given store must outlive the sheet.
    CConfigSheet(korvane::SettingsStore& store, const QString& commandLineAddress, QWidget* parent = nullptr);
    ~CConfigSheet() override;

    QString GetIpAddress() const { return settings_->GetIpAddress(); }
    QString GetPassword() const { return settings_->GetPassword(); }
    bool IsSoundOn() const { return settings_->IsSoundOn(); }
    QString GetLineUpSound() const { return settings_->GetLineUpSound(); }
    QString GetLineDownSound() const { return settings_->GetLineDownSound(); }
    bool IsScriptOn() const { return settings_->IsScriptOn(); }
    QString GetScriptFile() const { return settings_->GetScriptFile(); }

    korvane::ConfigSettings& settings() { return *settings_; }
    korvane::SettingsStore& store() { return settings_->store(); }

    CConnectionPage* connectionPage() const { return connection_; }
    CSoundPage* soundPage() const { return sound_; }
    CScriptPage* scriptPage() const { return script_; }
    CCallsPage* callsPage() const { return calls_; }
    QTabWidget* tabs() const { return tabs_; }
    QPushButton* okButton() const;
    QPushButton* cancelButton() const;
    QPushButton* applyButton() const;
    QPushButton* helpButton() const;

    int GetActiveIndex() const;
    void SetActivePage(int index);
    // The page the next showing opens on (once; then the first page again).
    void openNextOn(int index) { nextStartPage_ = index; }
    // The help topic of the active page, "…#connection", "…#sound", "…#script",
    // "…#calls".
    QString helpTopic() const;

public slots:
    void accept() override;
    void reject() override;
    void apply();
    void showHelp();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void build();
    void pageActivated(int index);
    void updateApplyButton();

    std::unique_ptr<korvane::ConfigSettings> settings_;
    QTabWidget* tabs_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    CConnectionPage* connection_ = nullptr;
    CSoundPage* sound_ = nullptr;
    CScriptPage* script_ = nullptr;
    CCallsPage* calls_ = nullptr;
    int nextStartPage_ = 0;
    QList<korvane::PropertyPage*> pages_;
    bool showing_ = false;
};
