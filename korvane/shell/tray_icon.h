#pragma once
// The notification-area icon. Where the platform has no tray every
// operation quietly does nothing; the frame still hides to it.

#include <QIcon>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QSystemTrayIcon;

namespace korvane {

class CTrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxTipLength = 63;

    // Adds the icon with image 0 and the tip. available = false forces the
    // silent mode (what a platform without a tray gets).
    CTrayIcon(const QString& tip, bool available, QObject* parent = nullptr);
    ~CTrayIcon() override;  // removes the icon

    bool available() const { return available_; }
    int imageIndex() const { return index_; }
    QString tip() const { return tip_; }

    void SetTrayIcon(int index);
    void SetTrayTip(const QString& tip);

    // A balloon message from the icon; false where there is no tray to show it.
    bool showMessage(const QString& title, const QString& text);
    // Draws the icon for an image index (the size-aware meter); none keeps
    // the 16-pixel pictures.
    static void setIconSource(std::function<QIcon(int)> source);

    static QString cutTip(const QString& tip);
    // Whether the platform has a notification area; tests set what they need
    // (the icon object then behaves as available but shows nothing).
    static bool platformHasTray();
    static void setPlatformHasTrayForTesting(int hasTray);  // 0, 1, or -1 to ask the platform

signals:
    void leftButtonDown();
    void leftDoubleClick();
    void rightButtonUp();

private:
    bool available_;
    int index_ = 0;
    QString tip_;
    std::unique_ptr<QSystemTrayIcon> icon_;
};

}  // namespace korvane
