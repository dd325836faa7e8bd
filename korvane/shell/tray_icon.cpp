#include "korvane/shell/tray_icon.h"

#include "korvane/shell/tray_images.h"

#include <QSystemTrayIcon>

namespace korvane {

namespace {
int g_testTray = -1;
std::function<QIcon(int)> g_iconSource;
QIcon iconFor(int index) { return g_iconSource ? g_iconSource(index) : trayIcon(index); }
}

bool CTrayIcon::platformHasTray()
{
    return g_testTray >= 0 ? g_testTray != 0 : QSystemTrayIcon::isSystemTrayAvailable();
}

void CTrayIcon::setPlatformHasTrayForTesting(int hasTray) { g_testTray = hasTray; }

CTrayIcon::CTrayIcon(const QString& tip, bool available, QObject* parent)
    : QObject(parent), available_(available && platformHasTray()), tip_(cutTip(tip))
{
    if (!available_ || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    icon_ = std::make_unique<QSystemTrayIcon>();
    icon_->setIcon(iconFor(0));
    icon_->setToolTip(tip_);
    connect(icon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger: emit leftButtonDown(); break;
        case QSystemTrayIcon::DoubleClick: emit leftDoubleClick(); break;
        case QSystemTrayIcon::Context: emit rightButtonUp(); break;
        default: break;
        }
    });
    icon_->show();
}

CTrayIcon::~CTrayIcon()
{
    if (icon_)
        icon_->hide();
}

void CTrayIcon::setIconSource(std::function<QIcon(int)> source) { g_iconSource = std::move(source); }

bool CTrayIcon::showMessage(const QString& title, const QString& text)
{
    if (!icon_ || !QSystemTrayIcon::supportsMessages())
        return false;
    icon_->showMessage(title, text, iconFor(index_));
    return true;
}

QString CTrayIcon::cutTip(const QString& tip) { return tip.left(kMaxTipLength); }

void CTrayIcon::SetTrayIcon(int index)
{
    if (index < 0 || index >= kTrayImageCount)
        index = kTrayNoStatusImage;
    index_ = index;
    if (icon_)
        icon_->setIcon(iconFor(index));
}

void CTrayIcon::SetTrayTip(const QString& tip)
{
    tip_ = cutTip(tip);
    if (icon_)
        icon_->setToolTip(tip_);
}

}  // namespace korvane
