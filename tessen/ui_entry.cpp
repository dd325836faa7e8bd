// libtessen_ui: the control's widgets, loaded by libtessen when a widget
// application asks for one of them.

#include "tessen/about_box.h"
#include "tessen/prop_page.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPainter>
#include <QTabWidget>
#include <QVBoxLayout>

extern "C" {

Q_DECL_EXPORT void tessen_ui_about_box()
{
    CTessenAboutDlg dialog;
    dialog.exec();
}

Q_DECL_EXPORT void tessen_ui_properties(QWidget* parent)
{
    QDialog sheet(parent);
    sheet.setWindowTitle(QStringLiteral("Tessen Properties"));
    auto* layout = new QVBoxLayout(&sheet);
    auto* tabs = new QTabWidget(&sheet);
    auto* page = new CTessenPropPage(tabs);
    tabs->addTab(page, page->windowTitle());
    layout->addWidget(tabs);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &sheet);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &sheet, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &sheet, &QDialog::reject);
    layout->addWidget(buttons);
    sheet.exec();
}

// The control shows nothing of its own: its bounds are white.
Q_DECL_EXPORT void tessen_ui_draw(QPainter* painter, const QRect* bounds) { painter->fillRect(*bounds, Qt::white); }

Q_DECL_EXPORT QObject* tessen_ui_property_page(QObject* parent)
{
    if (auto* widget = qobject_cast<QWidget*>(parent))
        return new CTessenPropPage(widget);
    auto* page = new CTessenPropPage;
    // A page asked for by a non-widget owner still goes with that owner.
    if (parent)
        QObject::connect(parent, &QObject::destroyed, page, [page] { delete page; });
    return page;
}

}  // extern "C"
