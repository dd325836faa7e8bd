#include "korvane/shell/lock_keys.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#if __has_include(<X11/XKBlib.h>)
#include <QtGui/qguiapplication_platform.h>
#include <X11/XKBlib.h>
#endif

namespace korvane {

std::optional<LockKeyState> readLedLockKeys(const QString& ledsFolder) {
    const QDir dir(ledsFolder);
    if (!dir.exists())
        return std::nullopt;
    LockKeyState state;
    bool any = false;
    const struct {
        const char* suffix;
        bool LockKeyState::*lock;
    } leds[] = {{"::capslock", &LockKeyState::caps}, {"::numlock", &LockKeyState::num}, {"::scrolllock", &LockKeyState::scroll}};
    for (const QString& entry : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        for (const auto& led : leds) {
            if (!entry.endsWith(QLatin1String(led.suffix)))
                continue;
            QFile brightness(dir.filePath(entry + QStringLiteral("/brightness")));
            if (!brightness.open(QIODevice::ReadOnly))
                continue;
            any = true;
            if (brightness.readAll().trimmed().toInt() > 0)
                state.*led.lock = true;
        }
    }
    if (!any)
        return std::nullopt;
    return state;
}

namespace {

#if __has_include(<X11/XKBlib.h>)
std::optional<LockKeyState> readX11LockKeys() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return std::nullopt;
    auto indicator = [display](const char* name, bool* on) {
        Bool lit = False;
        const Atom atom = XInternAtom(display, name, True);
        if (atom == None || !XkbGetNamedIndicator(display, atom, nullptr, &lit, nullptr, nullptr))
            return false;
        *on = lit;
        return true;
    };
    LockKeyState state;
    if (!indicator("Caps Lock", &state.caps) || !indicator("Num Lock", &state.num))
        return std::nullopt;
    indicator("Scroll Lock", &state.scroll);
    return state;
}
#endif

}  // namespace

std::optional<LockKeyState> readLockKeys() {
    const QString platform = QGuiApplication::platformName();
#if __has_include(<X11/XKBlib.h>)
    if (platform == QLatin1String("xcb"))
        return readX11LockKeys();
#endif
    // The LEDs are the machine's own keyboards: they say nothing about a
    // remote or virtual display.
    if (platform.startsWith(QLatin1String("wayland")) || platform == QLatin1String("eglfs") ||
        platform == QLatin1String("linuxfb"))
        return readLedLockKeys();
    return std::nullopt;
}

LockKeyWatcher::LockKeyWatcher(Listener listener, QObject* parent, std::function<std::optional<LockKeyState>()> source)
    : QObject(parent), listener_(std::move(listener)), source_(std::move(source)) {
    timer_.setInterval(250);
    connect(&timer_, &QTimer::timeout, this, &LockKeyWatcher::poll);
    poll();
    // Where nothing can be known now, nothing will be later either.
    if (last_)
        timer_.start();
}

void LockKeyWatcher::poll() {
    const std::optional<LockKeyState> now = source_ ? source_() : std::nullopt;
    if (reported_ && now == last_)
        return;
    reported_ = true;
    last_ = now;
    if (listener_)
        listener_(now.has_value(), now.value_or(LockKeyState()));
}

}  // namespace korvane
