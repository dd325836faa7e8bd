#include "korvane/shell/about.h"

#include "korvane/shell/tray_images.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {

QIcon korvaneAppIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(0x1c, 0x3f, 0x6e));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
        p.setRenderHint(QPainter::Antialiasing, false);
        // A busy line 1 and a quieter line 2, as the tray would show them.
        const QImage meters = trayImage(7 * 8 + 4);
        const int m = size / 8;
        p.drawImage(QRect(m, m, size - 2 * m, size - 2 * m), meters);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Korvane"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* iconLabel = new QLabel(this);
    iconLabel->setPixmap(korvaneAppIcon().pixmap(48, 48));
    iconLabel->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(QStringLiteral("Omberon Korvane"), this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    name->setFont(bold);
    name->setObjectName(QStringLiteral("programName"));
    auto* version = new QLabel(QStringLiteral("Version 2.05"), this);
    version->setObjectName(QStringLiteral("versionText"));
    auto* what = new QLabel(QStringLiteral("Line monitor for ZyXEL Prestige ISDN routers"), this);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(version);
    text->addSpacing(6);
    text->addWidget(what);
    text->addStretch();

    auto* row = new QHBoxLayout;
    row->addWidget(iconLabel);
    row->addSpacing(10);
    row->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace korvane
