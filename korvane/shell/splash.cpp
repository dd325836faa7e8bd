#include "korvane/shell/splash.h"

#include "korvane/shell/tray_images.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWindow>

#include <cmath>

namespace korvane {

namespace {
SplashWindow* g_splash = nullptr;

void drawBox(QPainter& p, QPoint at, bool ticked)
{
    const QRect r(at, QSize(SplashWindow::kBoxSize, SplashWindow::kBoxSize));
    p.fillRect(r, Qt::white);
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (ticked) {
        QPen pen(QColor(0x10, 0x30, 0x60), 2);
        p.setPen(pen);
        p.setRenderHint(QPainter::Antialiasing);
        p.drawPolyline(QPolygonF({QPointF(at.x() + 3, at.y() + 6.5), QPointF(at.x() + 5.5, at.y() + 9.5),
                                  QPointF(at.x() + 10, at.y() + 3.5)}));
        p.setRenderHint(QPainter::Antialiasing, false);
    }
}
}  // namespace

QImage SplashWindow::boxImage(bool ticked)
{
    QImage img(kBoxSize, kBoxSize, QImage::Format_RGB888);
    QPainter p(&img);
    drawBox(p, QPoint(0, 0), ticked);
    return img;
}

QImage SplashWindow::picture()
{
    QImage img(kWidth, kHeight, QImage::Format_RGB888);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0.0, QColor(0x1c, 0x3f, 0x6e));
    sky.setColorAt(0.62, QColor(0x2f, 0x6d, 0xa8));
    sky.setColorAt(0.63, QColor(0xee, 0xf1, 0xf5));
    sky.setColorAt(1.0, QColor(0xdd, 0xe3, 0xea));
    p.fillRect(img.rect(), sky);

    // Two lines' meters, large, as the tray draws them small.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.drawImage(QRect(71, 24, 88, 88), trayImage(6 * 8 + 3));
    p.setRenderHint(QPainter::Antialiasing);

    // A stylised ISDN line: a signal wave crossing under the meters.
    QPainterPath wave;
    wave.moveTo(0, 120);
    for (int x = 0; x <= kWidth; x += 2)
        wave.lineTo(x, 120 + 6 * std::sin(x / 11.0));
    p.setPen(QPen(QColor(0xa8, 0xd4, 0xff, 170), 2));
    p.drawPath(wave);

    QFont title(QStringLiteral("Sans Serif"));
    title.setPixelSize(30);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 126, kWidth, 34), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("Korvane"));

    QFont small(QStringLiteral("Sans Serif"));
    small.setPixelSize(11);
    p.setFont(small);
    p.setPen(QColor(0xd6, 0xe6, 0xf7));
    p.drawText(QRect(0, 158, kWidth, 16), Qt::AlignHCenter, QStringLiteral("ZyXEL Prestige line monitor"));

    p.setPen(QColor(0x1c, 0x3f, 0x6e));
    QFont body = small;
    body.setPixelSize(12);
    p.setFont(body);
    p.drawText(QRect(0, 192, kWidth, 18), Qt::AlignHCenter, QStringLiteral("Version 2.05"));
    p.setFont(small);
    p.setPen(QColor(0x50, 0x5a, 0x66));
    p.drawText(QRect(0, 212, kWidth, 16), Qt::AlignHCenter, QStringLiteral("Omberon"));
    p.drawText(QRect(0, 228, kWidth, 16), Qt::AlignHCenter, QStringLiteral("Connecting to your router..."));

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QColor(0xb0, 0xb8, 0xc2));
    p.drawLine(10, 254, kWidth - 11, 254);
    drawBox(p, kBoxOrigin, false);
    p.setPen(QColor(0x20, 0x20, 0x20));
    p.setFont(small);
    p.drawText(QRect(kBoxOrigin.x() + kBoxSize + 5, kBoxOrigin.y() - 1, 40, kBoxSize + 2),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Hide"));
    p.setPen(QColor(0x70, 0x78, 0x82));
    p.drawRect(0, 0, kWidth - 1, kHeight - 1);
    return img;
}

SplashWindow* SplashWindow::instance() { return g_splash; }

SplashWindow* SplashWindow::ShowSplashIfEnabled(QWidget* owner, bool enabled, FlagWriter writeShowFlag)
{
    if (!enabled || g_splash)
        return g_splash;
    auto* s = new SplashWindow(owner, std::move(writeShowFlag));
    s->show();
    s->raise();
    s->repaint();
    return s;
}

void SplashWindow::HideSplash()
{
    SplashWindow* s = g_splash;
    if (!s)
        return;
    QWidget* owner = s->owner_;
    g_splash = nullptr;
    s->hide();
    s->deleteLater();
    if (owner)
        owner->update();
}

SplashWindow::SplashWindow(QWidget* owner, FlagWriter writeShowFlag)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      owner_(owner),
      writeShowFlag_(std::move(writeShowFlag)),
      picture_(picture())
{
    g_splash = this;
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kWidth, kHeight);
    setCursor(Qt::ArrowCursor);
    // Centred over the owner; an owner not yet placed has no useful geometry,
    // so then over its screen.
    QRect over;
    if (owner && owner->isVisible())
        over = owner->frameGeometry();
    else if (QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    if (over.isValid())
        move(over.center() - QPoint(kWidth / 2, kHeight / 2));
    if (qApp)
        qApp->installEventFilter(this);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [] { HideSplash(); });
    timer_.start(kTimerMs);
}

SplashWindow::~SplashWindow()
{
    if (g_splash == this)
        g_splash = nullptr;
}

QImage SplashWindow::face() const
{
    QImage img = picture_;
    QPainter p(&img);
    p.drawImage(kBoxOrigin, boxImage(hideTicked_));
    return img;
}

void SplashWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, picture_);
    p.drawImage(kBoxOrigin, boxImage(hideTicked_));
}

bool SplashWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (g_splash != this)
        return false;
    return filterEvent(watched, event);
}

bool SplashWindow::filterEvent(QObject* receiver, QEvent* event)
{
    // Input is looked at once, where it enters the application: at the
    // window it arrives for, before widgets see (and propagate) it.
    if (!receiver || !receiver->isWindowType())
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        HideSplash();
        return true;
    case QEvent::NonClientAreaMouseButtonPress:
        HideSplash();
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton) {
            HideSplash();
            return true;
        }
        const QPoint at = mapFromGlobal(me->globalPosition().toPoint());
        if (hideBoxHitArea().contains(at)) {
            hideTicked_ = !hideTicked_;
            if (writeShowFlag_)
                writeShowFlag_(hideTicked_ ? 0 : 1);
            repaint(QRect(kBoxOrigin, QSize(kBoxSize, kBoxSize)));
        }
        return false;
    }
    default:
        return false;
    }
}

}  // namespace korvane
