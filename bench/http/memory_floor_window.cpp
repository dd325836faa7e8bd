// The floor under the windowed monitor's resident memory: an empty window
// program on the same Qt libraries (Widgets, Gui, DBus, Network, SQL with
// SQLite, HTTP Server): a main window with a tab widget, a list, a text box
// and a tray-sized icon, an HTTP server on loopback and a SQLite file. The
// memory bench measures it beside the monitor. Runs until it is killed.
#include "floor_server.h"

#include <QApplication>
#include <QDBusConnection>
#include <QMainWindow>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const auto server = listeningFloorServer();
    QTemporaryDir dir;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(dir.filePath(QStringLiteral("floor.db")));
    if (db.open())
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE calls (line INTEGER, start INTEGER)"));
    QDBusConnection::sessionBus().isConnected();

    QMainWindow window;
    auto* tabs = new QTabWidget;
    auto* list = new QTreeWidget;
    list->setHeaderLabels({QStringLiteral("Line"), QStringLiteral("Link"), QStringLiteral("Utilization")});
    list->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("1"), QStringLiteral("Office"), QStringLiteral("12%")}));
    tabs->addTab(list, QStringLiteral("Status"));
    tabs->addTab(new QPlainTextEdit(QStringLiteral("syslog")), QStringLiteral("Syslog"));
    window.setCentralWidget(tabs);
    window.addToolBar(QStringLiteral("Tools"))->addAction(QStringLiteral("Connect"));
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    QPixmap icon(16, 16);
    icon.fill(Qt::transparent);
    QPainter(&icon).fillRect(2, 2, 12, 12, Qt::green);
    window.setWindowIcon(icon);
    window.resize(640, 300);
    window.show();
    return app.exec();
}
