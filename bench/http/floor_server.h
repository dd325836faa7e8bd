#pragma once
// The memory floors' HTTP server, made as the monitor makes its own: with no
// plugin folder to look in, so that Qt loads no TLS backend for it.
#include <QCoreApplication>
#include <QHttpServer>

#include <memory>

inline std::unique_ptr<QHttpServer> listeningFloorServer() {
    const QStringList plugins = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    auto server = std::make_unique<QHttpServer>();
    QCoreApplication::setLibraryPaths(plugins);
    server->route(QStringLiteral("/"), [] { return QStringLiteral("floor"); });
    server->listen(QHostAddress::LocalHost, 0);
    return server;
}
