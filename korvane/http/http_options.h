#pragma once
// Where the HTTP endpoint listens and what it allows: loopback by default;
// any other address only with a token, which every request then sends as
// "Authorization: Bearer <token>".

#include <QByteArray>
#include <QHostAddress>
#include <QString>

namespace korvane::http {

struct HttpOptions {
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 0;              // 0: any free port
    QByteArray token;              // empty: no token asked (loopback only)
    QString router;                // the router label of every series
    int maxConnections = 256;      // open connections, event streams included
    int maxPerAddress = 32;        // open connections from one client address
    int maxEventClients = 128;     // open /events streams
    qint64 maxRequestBytes = 16 * 1024;
    qint64 maxPendingBytes = 256 * 1024;  // unsent bytes before a client is dropped
    int requestTimeoutMs = 5000;   // from a connect, or a request's first byte, to its answer
    int idleTimeoutMs = 60000;     // between the requests of a kept connection
};

// "ADDRESS:PORT", "[v6]:PORT", ":PORT" (loopback) or "localhost:PORT".
// False with a message for the user when the text is none of these.
bool parseHttpAddress(const QString& text, QHostAddress* address, quint16* port, QString* error);

// The token from a token file: its first line, trimmed. False with a message
// when the file cannot be read or holds no token.
bool readTokenFile(const QString& path, QByteArray* token, QString* error);

// Whether options may be served: a non-loopback address needs a token, and
// a token of blanks is none.
bool checkExposure(const HttpOptions& options, QString* error);
bool hasToken(const HttpOptions& options);

}  // namespace korvane::http
