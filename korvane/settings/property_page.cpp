#include "korvane/settings/property_page.h"

#include <QEvent>
#include <QPushButton>
#include <QStyle>

namespace korvane {

PropertyPage::PropertyPage(const QString& title, const QString& helpAnchor, QWidget* parent)
    : QWidget(parent), title_(title), helpAnchor_(helpAnchor)
{
}

void PropertyPage::setModified(bool modified)
{
    if (modified_ == modified)
        return;
    modified_ = modified;
    emit modifiedChanged(modified);
}

void PropertyPage::openPage()
{
    fillControls();
    rememberOpening();
    opened_ = true;
    opened();
}

QSize PropertyPage::sizeHint() const
{
    return DialogUnits(font()).size(kWidthUnits, kHeightUnits);
}

void PropertyPage::place(QWidget* widget, int x, int y, int width, int height)
{
    placements_.append({widget, QRect(x, y, width, height)});
    widget->setGeometry(DialogUnits(font()).rect(x, y, width, height));
}

QAbstractButton* PropertyPage::makeBrowseButton()
{
    auto* button = new QPushButton(this);
    const QIcon icon = style()->standardIcon(QStyle::SP_DirOpenIcon, nullptr, button);
    if (icon.isNull())
        button->setText(QStringLiteral("..."));
    else
        button->setIcon(icon);
    button->setAccessibleName(QStringLiteral("..."));
    button->setToolTip(tr("Browse"));
    button->setAutoDefault(false);
    return button;
}

void PropertyPage::layoutControls()
{
    const DialogUnits units(font());
    for (const Placement& p : placements_)
        p.widget->setGeometry(units.rect(p.units.x(), p.units.y(), p.units.width(), p.units.height()));
    updateGeometry();
}

void PropertyPage::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        layoutControls();
    QWidget::changeEvent(event);
}

}  // namespace korvane
