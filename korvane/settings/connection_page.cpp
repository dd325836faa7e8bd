#include "korvane/settings/connection_page.h"

#include "korvane/settings/ip_address_field.h"
#include "korvane/settings/password_codec.h"

#include <QLabel>
#include <QLineEdit>
#include <QValidator>

namespace {

// The router takes single-byte text: a character it cannot receive is refused
// as it is typed rather than sent as something else.
class PasswordValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        for (QChar c : input) {
            if (!korvane::isPasswordCharacter(c))
                return Invalid;
        }
        return Acceptable;
    }
};

}  // namespace

CConnectionPage::CConnectionPage(korvane::ConnectionSettings& values, korvane::SettingsStore& store,
                                 QWidget* parent)
    : PropertyPage(tr("Connection"), QStringLiteral("connection"), parent), values_(values), store_(store)
{
    auto* addressLabel = new QLabel(tr("Router IP"), this);
    address_ = new korvane::IpAddressField(this);
    note_ = new QLabel(this);
    note_->setForegroundRole(QPalette::PlaceholderText);
    auto* passwordLabel = new QLabel(tr("Password"), this);
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    password_->setValidator(new PasswordValidator(password_));
    addressLabel->setBuddy(address_);
    passwordLabel->setBuddy(password_);

    place(addressLabel, 9, 15, 40, 8);
    place(address_, 55, 15, 93, 15);
    place(note_, 152, 18, 76, 8);
    place(passwordLabel, 9, 31, 40, 8);
    place(password_, 55, 33, 43, 14);

    connect(address_, &korvane::IpAddressField::addressEdited, this, &CConnectionPage::edited);
    connect(password_, &QLineEdit::textEdited, this, &CConnectionPage::edited);
}

void CConnectionPage::fillControls()
{
    address_->setAddress(values_.address());
    password_->setText(values_.password());
    showNote();
}

void CConnectionPage::showNote()
{
    note_->setText(address_->note());
    note_->setToolTip(address_->note());
}

void CConnectionPage::controlsToValues()
{
    values_.setAddress(address_->address());
    values_.setPassword(password_->text());
}

void CConnectionPage::edited()
{
    controlsToValues();
    showNote();
    if (values_.differsFromOpening())
        setModified(true);
}

void CConnectionPage::applyPage()
{
    controlsToValues();
    values_.apply(store_);
    setModified(false);
}

void CConnectionPage::cancelPage()
{
    values_.restoreOpening();
    setModified(false);
}
