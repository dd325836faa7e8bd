#include "tessen/prop_page.h"

#include <atomic>

namespace tessen {
extern std::atomic<int> liveObjects;
}

CTessenPropPage::CTessenPropPage(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QString::fromLatin1(kCaption));
    setToolTip(helpText());
    ++tessen::liveObjects;
}

CTessenPropPage::~CTessenPropPage() { --tessen::liveObjects; }
