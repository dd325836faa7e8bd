#include "korvane/settings/calls_page.h"

#include "korvane/settings/settings_store.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace {

bool sameValues(const korvane::JournalSettings& a, const korvane::JournalSettings& b)
{
    return a.journalOn == b.journalOn && a.countryCode == b.countryCode && a.areaCode == b.areaCode &&
           a.tariff.perCall == b.tariff.perCall && a.tariff.perMinute == b.tariff.perMinute &&
           a.tariff.currency == b.tariff.currency && a.tariff.chargeIncoming == b.tariff.chargeIncoming &&
           a.notifyCallerId == b.notifyCallerId && a.notifyLineUp == b.notifyLineUp &&
           a.notifyLineDown == b.notifyLineDown && a.notifyRouter == b.notifyRouter;
}

}  // namespace

CCallsPage::CCallsPage(korvane::SettingsStore& store, QWidget* parent)
    : PropertyPage(tr("Calls"), QStringLiteral("calls"), parent), store_(store),
      values_(korvane::JournalSettings::read(store)), opening_(values_)
{
    journal_ = new QCheckBox(tr("Keep a journal of every call"), this);
    auto* countryLabel = new QLabel(tr("Country code"), this);
    country_ = new QLineEdit(this);
    auto* areaLabel = new QLabel(tr("Area code"), this);
    area_ = new QLineEdit(this);
    auto* perCallLabel = new QLabel(tr("Cost per call"), this);
    perCall_ = new QLineEdit(this);
    auto* perMinuteLabel = new QLabel(tr("Per minute"), this);
    perMinute_ = new QLineEdit(this);
    auto* currencyLabel = new QLabel(tr("Currency"), this);
    currency_ = new QLineEdit(this);
    chargeIncoming_ = new QCheckBox(tr("Charge incoming calls"), this);
    auto* announceLabel = new QLabel(tr("Announce on the desktop:"), this);
    callerId_ = new QCheckBox(tr("A caller id"), this);
    lineUp_ = new QCheckBox(tr("A line going up"), this);
    router_ = new QCheckBox(tr("The router lost and back"), this);
    lineDown_ = new QCheckBox(tr("A line going down"), this);
    countryLabel->setBuddy(country_);
    areaLabel->setBuddy(area_);
    perCallLabel->setBuddy(perCall_);
    perMinuteLabel->setBuddy(perMinute_);
    currencyLabel->setBuddy(currency_);

    // Empty means "not used"; a grey example number would read as a value.
    country_->setPlaceholderText(tr("none"));
    area_->setPlaceholderText(tr("none"));
    perCall_->setPlaceholderText(tr("free"));
    perMinute_->setPlaceholderText(tr("free"));
    country_->setToolTip(tr("Without it, numbers are taken as the router shows them"));
    area_->setToolTip(tr("Added to numbers the router shows without one"));
    currency_->setMaxLength(8);

    place(journal_, 7, 7, 150, 10);
    place(countryLabel, 7, 26, 48, 8);
    place(country_, 60, 24, 40, 14);
    place(areaLabel, 118, 26, 48, 8);
    place(area_, 170, 24, 50, 14);
    place(perCallLabel, 7, 46, 48, 8);
    place(perCall_, 60, 44, 40, 14);
    place(perMinuteLabel, 118, 46, 48, 8);
    place(perMinute_, 170, 44, 50, 14);
    place(currencyLabel, 7, 66, 48, 8);
    place(currency_, 60, 64, 40, 14);
    place(chargeIncoming_, 118, 66, 100, 10);
    place(announceLabel, 7, 86, 150, 8);
    place(callerId_, 7, 98, 100, 10);
    place(lineUp_, 118, 98, 100, 10);
    place(router_, 7, 112, 100, 10);
    place(lineDown_, 118, 112, 100, 10);

    for (QCheckBox* box : {journal_, chargeIncoming_, callerId_, lineUp_, lineDown_, router_})
        connect(box, &QCheckBox::clicked, this, &CCallsPage::edited);
    for (QLineEdit* edit : {country_, area_, perCall_, perMinute_, currency_})
        connect(edit, &QLineEdit::textEdited, this, &CCallsPage::edited);
}

QSize CCallsPage::sizeHint() const { return korvane::DialogUnits(font()).size(kWidthUnits, kHeightUnits); }

void CCallsPage::fillControls()
{
    journal_->setChecked(values_.journalOn);
    country_->setText(values_.countryCode);
    area_->setText(values_.areaCode);
    auto amount = [this](qint64 minor) { return minor > 0 ? values_.tariff.amount(minor) : QString(); };
    perCall_->setText(amount(values_.tariff.perCall));
    perMinute_->setText(amount(values_.tariff.perMinute));
    currency_->setText(values_.tariff.currency);
    chargeIncoming_->setChecked(values_.tariff.chargeIncoming);
    callerId_->setChecked(values_.notifyCallerId);
    lineUp_->setChecked(values_.notifyLineUp);
    lineDown_->setChecked(values_.notifyLineDown);
    router_->setChecked(values_.notifyRouter);
}

korvane::JournalSettings CCallsPage::fromControls() const
{
    korvane::JournalSettings s = values_;
    s.journalOn = journal_->isChecked();
    s.countryCode = country_->text().trimmed();
    s.areaCode = area_->text().trimmed();
    s.tariff.currency = currency_->text().trimmed().left(8);
    s.tariff.perCall = korvane::parseAmount(perCall_->text(), s.tariff.decimals());
    s.tariff.perMinute = korvane::parseAmount(perMinute_->text(), s.tariff.decimals());
    s.tariff.chargeIncoming = chargeIncoming_->isChecked();
    s.notifyCallerId = callerId_->isChecked();
    s.notifyLineUp = lineUp_->isChecked();
    s.notifyLineDown = lineDown_->isChecked();
    s.notifyRouter = router_->isChecked();
    return s;
}

void CCallsPage::edited()
{
    values_ = fromControls();
    setModified(!sameValues(values_, opening_));
}

void CCallsPage::applyPage()
{
    values_ = fromControls();
    values_.write(store_);
    store_.sync();
    opening_ = values_;
    setModified(false);
    emit applied();
}

void CCallsPage::cancelPage()
{
    values_ = opening_;
    setModified(false);
}
