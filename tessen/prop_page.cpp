#include "tessen/prop_page.h"

CTessenPropPage::CTessenPropPage(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QString::fromLatin1(kCaption));
    setToolTip(helpText());
}

CTessenPropPage::~CTessenPropPage() = default;
