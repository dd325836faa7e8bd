#include "tessen/about_box.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

QPixmap tessen::controlIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal edge = size / 16.0;
    p.setPen(QPen(QColor(60, 60, 60), edge));
    p.setBrush(QColor(20, 40, 30));
    p.drawRoundedRect(QRectF(edge, edge * 2, size - 2 * edge, size - 4 * edge), edge * 2, edge * 2);
    p.setPen(QPen(QColor(80, 220, 120), edge * 1.5));
    const qreal x = size * 0.25;
    const qreal y = size * 0.4;
    p.drawLine(QPointF(x, y), QPointF(x + size * 0.15, y + size * 0.12));
    p.drawLine(QPointF(x + size * 0.15, y + size * 0.12), QPointF(x, y + size * 0.24));
    p.drawLine(QPointF(x + size * 0.25, y + size * 0.26), QPointF(x + size * 0.5, y + size * 0.26));
    return pixmap;
}

CTessenAboutDlg::CTessenAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Tessen AxtiveX Control"));
    setWindowIcon(QIcon(tessen::controlIcon()));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(tessen::controlIcon());
    auto* text = new QLabel(QStringLiteral("Tessen Control, Version 1.02"), this);
    text->setObjectName(QStringLiteral("text"));

    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addWidget(text, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setSizeGripEnabled(false);
}
