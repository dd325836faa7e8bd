#include "korvane/settings/script_page.h"

#include "korvane/settings/file_chooser.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

CScriptPage::CScriptPage(korvane::ScriptSettings& values, korvane::SettingsStore& store, QWidget* parent)
    : PropertyPage(tr("Script"), QStringLiteral("script"), parent), values_(values), store_(store)
{
    check_ = new QCheckBox(tr("Use Scripts"), this);
    auto* label = new QLabel(tr("Scriptfile"), this);
    path_ = new QLineEdit(this);
    browse_ = makeBrowseButton();
    label->setBuddy(path_);

    place(check_, 7, 7, 52, 10);
    place(label, 7, 26, 28, 8);
    place(path_, 50, 24, 150, 14);
    place(browse_, 205, 24, 18, 15);

    connect(check_, &QCheckBox::clicked, this, [this] {
        setModified(true);
        controlsToValues();
        enableControls();
    });
    connect(path_, &QLineEdit::textEdited, this, &CScriptPage::edited);
    connect(browse_, &QAbstractButton::clicked, this, &CScriptPage::browse);
}

void CScriptPage::fillControls()
{
    check_->setChecked(values_.isOn());
    path_->setText(values_.scriptFile());
    enableControls();
}

void CScriptPage::controlsToValues()
{
    values_.setOn(check_->isChecked());
    values_.setScriptFile(path_->text());
}

void CScriptPage::enableControls()
{
    path_->setEnabled(check_->isChecked());
    browse_->setEnabled(check_->isChecked());
}

void CScriptPage::edited()
{
    controlsToValues();
    if (values_.differsFromOpening())
        setModified(true);
}

void CScriptPage::browse()
{
    controlsToValues();
    const QString path = korvane::chooseExistingFile(this, path_->text(), QString::fromLatin1(kFilter));
    if (path.isEmpty())
        return;
    path_->setText(path);
    edited();
}

void CScriptPage::applyPage()
{
    controlsToValues();
    values_.apply(store_);
    setModified(false);
}

void CScriptPage::cancelPage()
{
    values_.restoreOpening();
    setModified(false);
}
