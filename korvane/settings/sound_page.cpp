#include "korvane/settings/sound_page.h"

#include "korvane/settings/file_chooser.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

CSoundPage::CSoundPage(korvane::SoundSettings& values, korvane::SettingsStore& store, QWidget* parent)
    : PropertyPage(tr("Sound"), QStringLiteral("sound"), parent), values_(values), store_(store)
{
    check_ = new QCheckBox(tr("Sound"), this);
    auto* upLabel = new QLabel(tr("Line up sound"), this);
    lineUp_ = new QLineEdit(this);
    browseUp_ = makeBrowseButton();
    auto* downLabel = new QLabel(tr("Line down sound"), this);
    lineDown_ = new QLineEdit(this);
    browseDown_ = makeBrowseButton();
    upLabel->setBuddy(lineUp_);
    downLabel->setBuddy(lineDown_);

    place(check_, 7, 7, 37, 10);
    place(upLabel, 8, 26, 61, 8);
    place(lineUp_, 69, 24, 132, 14);
    place(browseUp_, 205, 24, 18, 14);
    place(downLabel, 8, 44, 61, 8);
    place(lineDown_, 69, 41, 132, 14);
    place(browseDown_, 205, 42, 18, 14);

    connect(check_, &QCheckBox::clicked, this, [this] {
        setModified(true);
        controlsToValues();
        enableControls();
    });
    connect(lineUp_, &QLineEdit::textEdited, this, &CSoundPage::edited);
    connect(lineDown_, &QLineEdit::textEdited, this, &CSoundPage::edited);
    connect(browseUp_, &QAbstractButton::clicked, this, [this] { browse(lineUp_); });
    connect(browseDown_, &QAbstractButton::clicked, this, [this] { browse(lineDown_); });
}

void CSoundPage::fillControls()
{
    check_->setChecked(values_.isOn());
    lineUp_->setText(values_.lineUpSound());
    lineDown_->setText(values_.lineDownSound());
    enableControls();
}

void CSoundPage::controlsToValues()
{
    values_.setOn(check_->isChecked());
    values_.setLineUpSound(lineUp_->text());
    values_.setLineDownSound(lineDown_->text());
}

void CSoundPage::enableControls()
{
    const bool on = check_->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(lineUp_), static_cast<QWidget*>(lineDown_),
                       static_cast<QWidget*>(browseUp_), static_cast<QWidget*>(browseDown_)})
        w->setEnabled(on);
}

void CSoundPage::edited()
{
    controlsToValues();
    if (values_.differsFromOpening())
        setModified(true);
}

void CSoundPage::browse(QLineEdit* edit)
{
    controlsToValues();
    const QString path = korvane::chooseExistingFile(this, edit->text(), QString::fromLatin1(kFilter));
    if (path.isEmpty())
        return;
    edit->setText(path);
    edited();
}

void CSoundPage::applyPage()
{
    controlsToValues();
    values_.apply(store_);
    setModified(false);
}

void CSoundPage::cancelPage()
{
    values_.restoreOpening();
    setModified(false);
}
