#pragma once
// The state of Caps Lock, Num Lock and Scroll Lock for the status bar's
// indicators, where the platform tells it: the X server's keyboard indicators
// in an X11 session, else the keyboard LEDs the kernel shows under
// /sys/class/leds (which a Wayland compositor keeps in step). Elsewhere the
// state cannot be known and the indicators are hidden.

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

namespace korvane {

struct LockKeyState {
    bool caps = false;
    bool num = false;
    bool scroll = false;
    bool operator==(const LockKeyState&) const = default;
};

// The keyboard LEDs under a sysfs "leds" folder (entries such as
// "input3::capslock" with a "brightness" file); a lock counts as on when any
// keyboard lights it. Nothing when the folder has no keyboard LEDs.
std::optional<LockKeyState> readLedLockKeys(const QString& ledsFolder = QStringLiteral("/sys/class/leds"));

// The state from the platform, or nothing where it cannot be known.
std::optional<LockKeyState> readLockKeys();

// Polls the state (no platform sends a signal for it to Qt) and reports each
// change; "known" false means the indicators should not be shown.
class LockKeyWatcher : public QObject {
    Q_OBJECT
public:
    using Listener = std::function<void(bool known, const LockKeyState& state)>;
    explicit LockKeyWatcher(Listener listener, QObject* parent = nullptr,
                            std::function<std::optional<LockKeyState>()> source = readLockKeys);
    void poll();

private:
    Listener listener_;
    std::function<std::optional<LockKeyState>()> source_;
    std::optional<LockKeyState> last_;
    bool reported_ = false;
    QTimer timer_;
};

}  // namespace korvane
