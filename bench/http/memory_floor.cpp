// The floor under the console monitor's resident memory: an empty program on
// the same Qt libraries (Core, Network, SQL with SQLite, HTTP Server) doing
// the least of what the monitor does with each: an HTTP server listening on
// loopback, a UDP socket, a SQLite file with one table, a timer. The memory
// bench measures it beside the monitor. Runs until it is killed.
#include "floor_server.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto server = listeningFloorServer();
    QUdpSocket udp;
    udp.bind(QHostAddress::LocalHost, 0);
    QTemporaryDir dir;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(dir.filePath(QStringLiteral("floor.db")));
    if (db.open()) {
        QSqlQuery query(db);
        query.exec(QStringLiteral("CREATE TABLE calls (line INTEGER, start INTEGER)"));
        query.exec(QStringLiteral("INSERT INTO calls VALUES (1, 0)"));
        query.exec(QStringLiteral("SELECT COUNT(*) FROM calls"));
    }
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [] {});
    tick.start(1000);
    return app.exec();
}
