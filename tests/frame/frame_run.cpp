// frame_run [options] [address]: the windowed monitor on its own, for trying
// the frame before the korvane program links it.
//   --configure <address> <password>  store a configured router first
//   --shots <folder> <seconds>        after the wait, save each view and the
//                                     sheet as pictures and exit
#include "korvane/settings/config_sheet.h"
#include "korvane/settings/settings_store.h"
#include "korvane/shell/main_frame.h"
#include "korvane/shell/startup.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    korvane::FrameOptions options;
    QString shots;
    int wait = 0;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString opt = args.takeFirst();
        if (opt == QLatin1String("--configure") && args.size() >= 2) {
            korvane::SettingsStore store;
            const QString address = args.takeFirst();
            store.writeString(korvane::settings::kSection, korvane::settings::kLastIpAddress, address);
            store.setRouterPassword(address, args.takeFirst());
            store.setConfigured(true);
            store.setShowSplashScreen(false);
            store.sync();
        } else if (opt == QLatin1String("--shots") && args.size() >= 2) {
            shots = args.takeFirst();
            wait = args.takeFirst().toInt();
        }
    }
    if (!args.isEmpty())
        options.commandLine = args.join(QLatin1Char(' '));
    if (!shots.isEmpty()) {
        QTimer::singleShot(wait * 1000, &app, [shots] {
            auto* frame = qobject_cast<korvane::CMainFrame*>(
                [] {
                    for (QWidget* w : QApplication::topLevelWidgets())
                        if (qobject_cast<korvane::CMainFrame*>(w))
                            return w;
                    return static_cast<QWidget*>(nullptr);
                }());
            if (!frame)
                return QApplication::exit(1);
            const QDir dir(shots);
            for (int i = 0; i < korvane::CMainFrame::kViewCount; ++i) {
                const auto v = static_cast<korvane::CMainFrame::View>(i);
                frame->ShowView(v);
                QApplication::processEvents();
                frame->grab().save(dir.filePath(QStringLiteral("live_%1.png").arg(
                    QLatin1String(korvane::CMainFrame::viewInfo(v).registryName))));
            }
            frame->ShowView(korvane::CMainFrame::View::Status);
            if (auto* sheet = frame->findChild<CConfigSheet*>()) {
                sheet->show();
                QApplication::processEvents();
                sheet->grab().save(dir.filePath(QStringLiteral("sheet.png")));
                sheet->hide();
            }
            frame->closeForExit();
        });
    }
    return korvane::runFrame(app, options);
}
