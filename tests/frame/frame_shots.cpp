// frame_shots <folder>: pictures of the frame without a router.
#include "korvane/help/help_window.h"
#include "korvane/shell/about.h"
#include "korvane/shell/main_frame.h"
#include "korvane/shell/splash.h"
#include "korvane/shell/tray_images.h"
#include "memory_store.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTest>

using namespace korvane;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    MemoryStore store;
    CMainFrame frame(&store);
    frame.create(false);
    frame.SetTitle(QStringLiteral("ZyXEL Prestige Korvane v. 2.05 on 192.168.1.1"));
    frame.show();
    for (int i = 0; i < CMainFrame::kViewCount; ++i) {
        const auto v = static_cast<CMainFrame::View>(i);
        frame.ShowView(v);
        QTest::qWait(50);
        frame.grab().save(out.filePath(QStringLiteral("view_%1.png").arg(QLatin1String(CMainFrame::viewInfo(v).registryName))));
    }
    // The tray strip, eight times enlarged, on a light and a dark tray colour.
    const QImage strip = trayImage(0).isNull() ? QImage() : trayImageStrip();
    QImage big(16 * 8 * 13 + 12 * 4, (16 * 8 + 4) * 5 * 2, QImage::Format_RGB32);
    big.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&big);
    for (int i = 0; i < kTrayImageCount; ++i) {
        const int col = i % 13, row = i / 13;
        const QPoint at(col * (128 + 4), row * 132);
        p.fillRect(QRect(at, QSize(128, 128)), i % 2 ? QColor(0x30, 0x30, 0x38) : QColor(0xe0, 0xe4, 0xe8));
        p.drawImage(QRect(at, QSize(128, 128)), trayImage(i));
    }
    p.end();
    big.copy(0, 0, big.width(), 5 * 132).save(out.filePath(QStringLiteral("tray_images.png")));
    SplashWindow::picture().save(out.filePath(QStringLiteral("splash.png")));
    {
        auto* s = SplashWindow::ShowSplashIfEnabled(&frame, true, {});
        QWindow* w = s->windowHandle();
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(20, 268), QPointF(s->mapToGlobal(QPoint(20, 268))), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
        s->filterEvent(w, &e);
        s->face().save(out.filePath(QStringLiteral("splash_ticked.png")));
        SplashWindow::HideSplash();
    }
    CAboutDlg about(&frame);
    about.show();
    QTest::qWait(50);
    about.grab().save(out.filePath(QStringLiteral("about.png")));
    about.hide();
    HelpWindow help;
    help.showTopic(QStringLiteral("Korvane.chm::/Writing_Scripts.htm"));
    QTest::qWait(50);
    help.grab().save(out.filePath(QStringLiteral("help.png")));
    frame.closeForExit();
    return 0;
}
