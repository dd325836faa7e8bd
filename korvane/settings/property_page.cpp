#include "korvane/settings/property_page.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

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
    widget->setGeometry(fitted(widget, DialogUnits(font()).rect(x, y, width, height)));
}

QRect PropertyPage::fitted(const QWidget* widget, QRect rect)
{
    // The template's sizes were made for another font: a label or check box
    // grows to show its whole text rather than cut it.
    if (qobject_cast<const QLabel*>(widget) || qobject_cast<const QCheckBox*>(widget)) {
        const QSize hint = widget->sizeHint();
        rect.setWidth(std::max(rect.width(), hint.width()));
        rect.setHeight(std::max(rect.height(), hint.height()));
    }
    return rect;
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
        p.widget->setGeometry(fitted(p.widget, units.rect(p.units.x(), p.units.y(), p.units.width(), p.units.height())));
    updateGeometry();
}

void PropertyPage::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        layoutControls();
    QWidget::changeEvent(event);
}

}  // namespace korvane
