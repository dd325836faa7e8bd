#pragma once
// The start-up splash window: a picture of 230 x 281 with a "Hide" box in
// its bottom-left corner. While it exists it gets the first look at every
// input event of the application: keys and other buttons close it, a left
// click in the box toggles whether it shows at the next start.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace korvane {

class SplashWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 230;
    static constexpr int kHeight = 281;
    static constexpr QPoint kBoxOrigin{14, 262};
    static constexpr int kBoxSize = 13;
    static constexpr int kTimerMs = 3000;
    // The box with its label: a click anywhere in x 14..74, y 262..279 counts.
    static QRect hideBoxHitArea() { return QRect(QPoint(14, 262), QPoint(74, 279)); }

    // writeShowFlag receives the new "Show Splash Screen" value (0 or 1).
    using FlagWriter = std::function<void(int)>;

    // Creates the splash over owner when enabled and none exists yet; returns it.
    static SplashWindow* ShowSplashIfEnabled(QWidget* owner, bool enabled, FlagWriter writeShowFlag);
    // Closes the splash if one is shown, then repaints the main window.
    static void HideSplash();
    static SplashWindow* instance();

    bool hideTicked() const { return hideTicked_; }

    // The message filter; true means the event is consumed.
    bool filterEvent(QObject* receiver, QEvent* event);

    static QImage picture();
    static QImage boxImage(bool ticked);
    // The face as painted now (picture plus the box in its current state).
    QImage face() const;

    ~SplashWindow() override;

protected:
    void paintEvent(QPaintEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SplashWindow(QWidget* owner, FlagWriter writeShowFlag);

    QWidget* owner_;
    FlagWriter writeShowFlag_;
    QImage picture_;
    bool hideTicked_ = false;
    QTimer timer_;
};

}  // namespace korvane
