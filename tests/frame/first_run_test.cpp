// The windowed monitor's first run as a whole (runFrame): the syslog receiver
// listens only after the first-run sheet, with the address given there.
#include "korvane/settings/config_sheet.h"
#include "korvane/settings/connection_page.h"
#include "korvane/settings/ip_address_field.h"
#include "korvane/settings/settings_store.h"
#include "korvane/shell/startup.h"
#include "korvane/views/syslog_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

int freeUdpPort()
{
    QUdpSocket probe;
    return probe.bind(QHostAddress::LocalHost, 0) ? probe.localPort() : 0;
}

bool portIsFree(int port)
{
    QUdpSocket probe;
    return probe.bind(QHostAddress::AnyIPv4, quint16(port));
}

CMainFrame* mainFrame()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* frame = qobject_cast<CMainFrame*>(w))
            return frame;
    }
    return nullptr;
}

}  // namespace

TEST(FirstRun, SyslogListensAfterTheSheetWithItsAddress)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray previous = qgetenv(kSettingsDirVariable);
    qputenv(kSettingsDirVariable, dir.path().toLocal8Bit());
    const int port = freeUdpPort();
    ASSERT_GT(port, 0);
    {
        SettingsStore store;
        store.writeInt(QStringLiteral("Settings"), QStringLiteral("Syslog Port"), port);
        store.writeInt(QStringLiteral("Settings"), QStringLiteral("Show Splash Screen"), 0);
        store.sync();
    }

    bool sheetSeen = false;
    bool freeWhileSheetOpen = false;
    int syslogLines = -1;
    QElapsedTimer clock;
    clock.start();
    QUdpSocket sender;
    QTimer driver;
    driver.setInterval(20);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* sheet = qobject_cast<CConfigSheet*>(modal)) {
            sheetSeen = true;
            freeWhileSheetOpen = portIsFree(port);
            // A loopback router nobody listens on: the connect fails at once.
            sheet->connectionPage()->addressField()->setAddress(QStringLiteral("127.0.0.1"));
            sheet->connectionPage()->passwordEdit()->setText(QStringLiteral("1234"));
            sheet->accept();
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            box->reject();  // a failed connect says so; it is not what this test is about
            return;
        }
        CMainFrame* frame = mainFrame();
        if (!sheetSeen || !frame)
            return;
        auto* view = frame->findChild<CSyslogView*>();
        if (view && view->lineCount() == 0 && clock.elapsed() < 10000) {
            sender.writeDatagram(QByteArray("<13>Dec  9 10:00:00 router     first run message"), QHostAddress::LocalHost,
                                 quint16(port));
            return;
        }
        syslogLines = view ? view->lineCount() : -1;
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

    EXPECT_TRUE(sheetSeen);
    EXPECT_TRUE(freeWhileSheetOpen) << "the receiver listened before the first-run sheet closed";
    EXPECT_GT(syslogLines, 0) << "the receiver filtered on an address from before the sheet";
}
