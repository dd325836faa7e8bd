#include "korvane/settings/ip_address_field.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace korvane {

namespace {

struct ParsedAddress {
    std::array<QString, 4> octets;
    QString suffix;  // ":port"
    bool complete = false;
};

// Splits "a.b.c.d[:port]" with numbers 0-255. A text that is not one gives
// only its ":port" tail, if it has one.
ParsedAddress parseAddress(const QString& text)
{
    ParsedAddress parsed;
    static const QRegularExpression portTail(QStringLiteral("^(.*)(:\\d*)$"));
    QString host = text;
    const QRegularExpressionMatch tail = portTail.match(text);
    if (tail.hasMatch()) {
        host = tail.captured(1);
        parsed.suffix = tail.captured(2);
    }
    static const QRegularExpression quad(QStringLiteral("^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$"));
    const QRegularExpressionMatch m = quad.match(host);
    if (!m.hasMatch())
        return parsed;
    for (int i = 0; i < 4; ++i) {
        const int value = m.captured(i + 1).toInt();
        if (value > 255)
            return parsed;
        parsed.octets[std::size_t(i)] = QString::number(value);
    }
    parsed.complete = true;
    return parsed;
}

}  // namespace

IpAddressField::IpAddressField(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(0);
    static const QRegularExpression digits(QStringLiteral("\\d{0,3}"));
    for (int i = 0; i < 4; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setFrame(false);
        edit->setAlignment(Qt::AlignCenter);
        edit->setMaxLength(3);
        edit->setValidator(new QRegularExpressionValidator(digits, edit));
        edit->setAccessibleName(tr("Router IP, part %1").arg(i + 1));
        edit->setContextMenuPolicy(Qt::NoContextMenu);
        edit->setMinimumWidth(1);
        // Only the first number is in the Tab chain: Tab leaves the field.
        edit->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, i] { octetEdited(i); });
        octets_[std::size_t(i)] = edit;
        layout->addWidget(edit, 1);
        if (i < 3) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignCenter);
            dot->setBackgroundRole(QPalette::Base);
            layout->addWidget(dot);
            dots_[std::size_t(i)] = dot;
        }
    }
    host_ = new QLineEdit(this);
    host_->setFrame(false);
    host_->setAccessibleName(tr("Router address"));
    host_->setMinimumWidth(1);
    static const QRegularExpression hostText(QStringLiteral("[A-Za-z0-9._-]*(:\\d{0,5})?"));
    host_->setValidator(new QRegularExpressionValidator(hostText, host_));
    host_->hide();
    layout->addWidget(host_, 4);
    connect(host_, &QLineEdit::textEdited, this, &IpAddressField::markEdited);
    setToolTip(tr("An IPv4 address, or a host name; a port may follow after a colon (router.lan:2323)"));
    setFocusProxy(octets_[0]);
}

void IpAddressField::setTextMode(bool on)
{
    if (textMode_ == on)
        return;
    textMode_ = on;
    const bool hadFocus = isAncestorOf(QApplication::focusWidget());
    for (QLineEdit* edit : octets_)
        edit->setVisible(!on);
    for (QWidget* dot : dots_)
        dot->setVisible(!on);
    host_->setVisible(on);
    setFocusProxy(on ? host_ : octets_[0]);
    if (hadFocus)
        focusProxy()->setFocus(Qt::OtherFocusReason);
}

void IpAddressField::setAddress(const QString& address)
{
    original_ = address;
    edited_ = false;
    const ParsedAddress parsed = parseAddress(address);
    suffix_ = parsed.suffix;
    for (int i = 0; i < 4; ++i)
        octets_[std::size_t(i)]->setText(parsed.complete ? parsed.octets[std::size_t(i)] : QString());
    host_->setText(address);
    setTextMode(!parsed.complete && !address.trimmed().isEmpty());
}

QString IpAddressField::address() const
{
    if (!edited_)
        return original_;
    if (textMode_)
        return host_->text().trimmed();
    QStringList parts;
    for (QLineEdit* edit : octets_)
        parts.append(edit->text().isEmpty() ? QStringLiteral("0") : QString::number(edit->text().toInt()));
    return parts.join(QLatin1Char('.')) + suffix_;
}

QString IpAddressField::note() const
{
    if (textMode_)
        return QString();
    if (edited_)
        return suffix_;
    if (parseAddress(original_).complete)
        return suffix_;
    return original_;
}

int IpAddressField::indexOf(QObject* object) const
{
    for (int i = 0; i < 4; ++i) {
        if (octets_[std::size_t(i)] == object)
            return i;
    }
    return -1;
}

void IpAddressField::focusOctet(int index, bool atEnd, bool selectAll)
{
    QLineEdit* edit = octets_[std::size_t(index)];
    edit->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        edit->selectAll();
    else
        edit->setCursorPosition(atEnd ? int(edit->text().size()) : 0);
}

void IpAddressField::markEdited()
{
    edited_ = true;
    emit addressEdited();
}

void IpAddressField::octetEdited(int index)
{
    QLineEdit* edit = octets_[std::size_t(index)];
    if (edit->text().toInt() > 255) {
        edit->setText(QStringLiteral("255"));
        edit->selectAll();
    }
    markEdited();
    if (index < 3 && edit->text().size() == 3 && edit->cursorPosition() == 3)
        focusOctet(index + 1, false, true);
}

bool IpAddressField::pasteAddress(int index, const QString& text)
{
    const QString trimmed = text.trimmed();
    const ParsedAddress parsed = parseAddress(trimmed);
    if (parsed.complete && parsed.suffix.isEmpty()) {
        for (int i = 0; i < 4; ++i)
            octets_[std::size_t(i)]->setText(parsed.octets[std::size_t(i)]);
        markEdited();
        focusOctet(3, true, false);
        return true;
    }
    // A partial address ("10.0") fills from this number on.
    static const QRegularExpression partial(QStringLiteral("^\\d{1,3}(\\.\\d{0,3}){0,3}$"));
    if (!trimmed.contains(QLatin1Char('.')) || !partial.match(trimmed).hasMatch()) {
        // A host name, or an address with a port: the text box takes it.
        static const QRegularExpression hostText(QStringLiteral("^[A-Za-z0-9._-]+(:\\d{1,5})?$"));
        if (!hostText.match(trimmed).hasMatch())
            return false;
        host_->setText(trimmed);
        setTextMode(true);
        host_->setFocus(Qt::OtherFocusReason);
        markEdited();
        return true;
    }
    const QStringList parts = trimmed.split(QLatin1Char('.'));
    int i = index;
    for (const QString& part : parts) {
        if (i > 3)
            break;
        octets_[std::size_t(i)]->setText(part.isEmpty() ? QString() : QString::number(std::min(part.toInt(), 255)));
        ++i;
    }
    markEdited();
    focusOctet(std::min(i - 1, 3), true, false);
    return true;
}

bool IpAddressField::eventFilter(QObject* watched, QEvent* event)
{
    const int index = indexOf(watched);
    if (index < 0)
        return QFrame::eventFilter(watched, event);
    QLineEdit* edit = octets_[std::size_t(index)];

    if (event->type() == QEvent::FocusOut) {
        // "007" reads as 7, as it will be given back.
        if (!edit->text().isEmpty() && edit->text() != QString::number(edit->text().toInt()))
            edit->setText(QString::number(edit->text().toInt()));
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;

    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Paste)) {
        if (pasteAddress(index, QApplication::clipboard()->text()))
            return true;
        return false;
    }
    const bool noSelection = !edit->hasSelectedText();
    const int pos = edit->cursorPosition();
    // What only a host name or a port has: the one text box takes over,
    // with the numbers typed so far.
    if (key->text().size() == 1 && (key->text()[0].isLetter() || key->text()[0] == u':')) {
        // The key goes where the cursor is, over a selection; numbers after
        // this one are not part of a name.
        QString typed = edit->text();
        if (edit->hasSelectedText())
            typed.replace(edit->selectionStart(), int(edit->selectedText().size()), key->text());
        else
            typed.insert(pos, key->text());
        QStringList before;
        for (int i = 0; i < index; ++i)
            before.append(octets_[std::size_t(i)]->text());
        before.append(typed);
        host_->setText(before.join(QLatin1Char('.')));
        setTextMode(true);
        host_->setFocus(Qt::OtherFocusReason);
        host_->end(false);
        markEdited();
        return true;
    }
    switch (key->key()) {
    case Qt::Key_Period:
    case Qt::Key_Space:
    case Qt::Key_Comma:
        // The separator moves on from a number that has digits; it is never text.
        if (index < 3 && !edit->text().isEmpty())
            focusOctet(index + 1, false, true);
        return true;
    case Qt::Key_Backspace:
        if (index > 0 && pos == 0 && noSelection) {
            focusOctet(index - 1, true, false);
            return true;
        }
        return false;
    case Qt::Key_Left:
        if (index > 0 && pos == 0 && noSelection && key->modifiers() == Qt::NoModifier) {
            focusOctet(index - 1, true, false);
            return true;
        }
        return false;
    case Qt::Key_Right:
        if (index < 3 && pos == edit->text().size() && noSelection && key->modifiers() == Qt::NoModifier) {
            focusOctet(index + 1, false, false);
            return true;
        }
        return false;
    default:
        break;
    }
    // A digit typed into a full number at its end continues in the next one.
    if (index < 3 && key->text().size() == 1 && key->text()[0].isDigit() && noSelection &&
        edit->text().size() == 3 && pos == 3) {
        focusOctet(index + 1, false, true);
        QCoreApplication::sendEvent(octets_[std::size_t(index + 1)], key);
        return true;
    }
    return false;
}

void IpAddressField::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        setBackgroundRole(isEnabled() ? QPalette::Base : QPalette::Window);
    QFrame::changeEvent(event);
}

}  // namespace korvane
