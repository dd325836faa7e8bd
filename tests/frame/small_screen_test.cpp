// The windowed monitor on a 1024x768 screen (the offscreen platform's screen
// is set by the test's environment): every view, at its default placement, at
// the placement it comes back to after a round of F6, and at a placement
// remembered from a screen that is gone, lies whole within the screen's
// available area. The pictures of each view go to tests/shots-1024x768.
#include "korvane/settings/settings_store.h"
#include "korvane/shell/placement.h"
#include "korvane/shell/startup.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace korvane;
using View = CMainFrame::View;

namespace {

CMainFrame* mainFrame()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* frame = qobject_cast<CMainFrame*>(w))
            return frame;
    }
    return nullptr;
}

struct Seen {
    QString view;
    QRect frame;
};

}  // namespace

TEST(SmallScreen, EveryViewLiesWholeOnA1024x768Screen)
{
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(QGuiApplication::primaryScreen()->geometry().size(), QSize(1024, 768))
        << "the test's environment sets the offscreen screen's size";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray previous = qgetenv(kSettingsDirVariable);
    qputenv(kSettingsDirVariable, dir.path().toLocal8Bit());
    {
        SettingsStore store;
        // A router on loopback nobody listens on; configured, so no sheet.
        store.writeString(QStringLiteral("Settings"), QStringLiteral("Last IP Address"), QStringLiteral("127.0.0.1:1"));
        store.setRouterPassword(QStringLiteral("127.0.0.1:1"), QStringLiteral("1234"));
        store.setConfigured(true);
        store.setShowSplashScreen(false);
        // The graphs were last shown on a second screen, right of this one.
        WindowPlacement away;
        away.setNormalRect(QRect(1900, 50, 638, 375));
        store.setViewPlacement(QStringLiteral("GraphView"), encodePlacement(away));
        store.sync();
    }
    const QDir shots(QStringLiteral(KORVANE_BINARY_DIR "/tests/shots-1024x768"));
    shots.mkpath(QStringLiteral("."));

    QList<Seen> seen;
    int step = 0;
    QElapsedTimer clock;
    clock.start();
    QTimer driver;
    driver.setInterval(30);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            box->reject();  // the refused connect is not what this test is about
            return;
        }
        CMainFrame* frame = mainFrame();
        if (!frame || !frame->isVisible())
            return;
        if (step < 2 * CMainFrame::kViewCount && clock.elapsed() < 20000) {
            frame->triggerCommand(cmd::NextView);
            QApplication::processEvents();
            const QString name = QLatin1String(CMainFrame::viewInfo(frame->activeView()).registryName);
            seen.append({name, frame->frameGeometry()});
            if (step < CMainFrame::kViewCount) {
                // The whole screen, with the window where it stands on it.
                QImage screen(QGuiApplication::primaryScreen()->geometry().size(), QImage::Format_RGB32);
                screen.fill(QColor(0x3a, 0x6e, 0xa5));
                QPainter painter(&screen);
                painter.fillRect(frame->frameGeometry(), QColor(0x20, 0x20, 0x20));
                painter.drawPixmap(frame->geometry().topLeft(), frame->grab());
                painter.end();
                screen.save(shots.filePath(name + QLatin1String(".png")));
            }
            ++step;
            return;
        }
        driver.stop();
        frame->triggerCommand(cmd::Exit);
    });
    driver.start();
    FrameOptions options;
    runFrame(*qApp, options);
    driver.stop();
    if (previous.isEmpty())
        qunsetenv(kSettingsDirVariable);
    else
        qputenv(kSettingsDirVariable, previous);

    ASSERT_EQ(seen.size(), 2 * CMainFrame::kViewCount);
    for (int i = 0; i < seen.size(); ++i) {
        const Seen& s = seen[i];
        EXPECT_TRUE(available.contains(s.frame)) << (i < CMainFrame::kViewCount ? "first" : "second") << " showing of "
                                                 << s.view.toStdString() << " at " << s.frame.x() << ","
                                                 << s.frame.y() << " " << s.frame.width() << "x" << s.frame.height();
    }
    // The remembered height is kept (the width may have grown to what the
    // toolbar and the view need); the position came onto this screen.
    for (const Seen& s : seen) {
        if (s.view == QLatin1String("GraphView")) {
            EXPECT_EQ(s.frame.height(), 375);
            EXPECT_GE(s.frame.width(), 638);
        }
    }
}
