#include "korvane/settings/config_sheet.h"

#include "korvane/help/help_topic.h"
#include "korvane/settings/calls_page.h"
#include "korvane/settings/connection_page.h"
#include "korvane/settings/script_page.h"
#include "korvane/settings/sound_page.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

CConfigSheet::CConfigSheet(const QString& commandLineAddress, QWidget* parent)
    : QDialog(parent), settings_(std::make_unique<korvane::ConfigSettings>(commandLineAddress))
{
    build();
}

CConfigSheet::CConfigSheet(korvane::SettingsStore& store, const QString& commandLineAddress, QWidget* parent)
    : QDialog(parent), settings_(std::make_unique<korvane::ConfigSettings>(commandLineAddress, &store))
{
    build();
}

CConfigSheet::~CConfigSheet() = default;

void CConfigSheet::build()
{
    setWindowTitle(tr("Korvane Properties"));
    tabs_ = new QTabWidget(this);
    connection_ = new CConnectionPage(settings_->connection(), settings_->store());
    sound_ = new CSoundPage(settings_->sound(), settings_->store());
    script_ = new CScriptPage(settings_->script(), settings_->store());
    calls_ = new CCallsPage(settings_->store());
    pages_ = {connection_, sound_, script_, calls_};
    for (korvane::PropertyPage* page : pages_) {
        tabs_->addTab(page, page->title());
        connect(page, &korvane::PropertyPage::modifiedChanged, this, &CConfigSheet::updateApplyButton);
    }
    connect(tabs_, &QTabWidget::currentChanged, this, &CConfigSheet::pageActivated);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply |
                                        QDialogButtonBox::Help,
                                    this);
    connect(buttons_, &QDialogButtonBox::accepted, this, &CConfigSheet::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &CConfigSheet::reject);
    connect(buttons_, &QDialogButtonBox::helpRequested, this, &CConfigSheet::showHelp);
    connect(applyButton(), &QPushButton::clicked, this, &CConfigSheet::apply);

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, &CConfigSheet::showHelp);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    updateApplyButton();
}

QPushButton* CConfigSheet::okButton() const { return buttons_->button(QDialogButtonBox::Ok); }
QPushButton* CConfigSheet::cancelButton() const { return buttons_->button(QDialogButtonBox::Cancel); }
QPushButton* CConfigSheet::applyButton() const { return buttons_->button(QDialogButtonBox::Apply); }
QPushButton* CConfigSheet::helpButton() const { return buttons_->button(QDialogButtonBox::Help); }

int CConfigSheet::GetActiveIndex() const { return tabs_->currentIndex(); }

void CConfigSheet::SetActivePage(int index)
{
    if (index >= 0 && index < tabs_->count())
        tabs_->setCurrentIndex(index);
}

QString CConfigSheet::helpTopic() const
{
    const QString topic = QString::fromLatin1(kHelpTopic);
    const int index = tabs_->currentIndex();
    if (index < 0 || index >= pages_.size())
        return topic;
    return topic + QLatin1Char('#') + pages_[index]->helpAnchor();
}

void CConfigSheet::showHelp() { korvane::showHelpTopic(helpTopic()); }

void CConfigSheet::showEvent(QShowEvent* event)
{
    if (!event->spontaneous() && !showing_) {
        // A new showing: it opens on the first page (or the one asked for),
        // filled from the values as they are now.
        showing_ = true;
        const int start = nextStartPage_ >= 0 && nextStartPage_ < tabs_->count() ? nextStartPage_ : 0;
        nextStartPage_ = 0;
        if (tabs_->currentIndex() != start)
            tabs_->setCurrentIndex(start);  // opens it through pageActivated
        else
            pageActivated(start);
    }
    QDialog::showEvent(event);
}

void CConfigSheet::pageActivated(int index)
{
    if (!showing_ || index < 0 || index >= pages_.size())
        return;
    if (!pages_[index]->isOpened())
        pages_[index]->openPage();
}

void CConfigSheet::apply()
{
    for (korvane::PropertyPage* page : pages_) {
        if (page->isOpened())
            page->applyPage();
    }
    updateApplyButton();
}

void CConfigSheet::accept()
{
    apply();
    QDialog::accept();
}

void CConfigSheet::reject()
{
    for (korvane::PropertyPage* page : pages_) {
        if (page->isOpened())
            page->cancelPage();
    }
    QDialog::reject();
}

void CConfigSheet::done(int result)
{
    QDialog::done(result);
    showing_ = false;
    for (korvane::PropertyPage* page : pages_) {
        page->closePage();
        page->setModified(false);
    }
    updateApplyButton();
}

void CConfigSheet::updateApplyButton()
{
    bool modified = false;
    for (korvane::PropertyPage* page : pages_)
        modified = modified || page->isModified();
    applyButton()->setEnabled(modified);
}
