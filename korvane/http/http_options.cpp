#include "korvane/http/http_options.h"

#include <QFile>

namespace korvane::http {

bool parseHttpAddress(const QString& text, QHostAddress* address, quint16* port, QString* error) {
    const QString t = text.trimmed();
    const int colon = t.lastIndexOf(QLatin1Char(':'));
    if (colon < 0) {
        *error = QStringLiteral("HTTP address \"%1\" needs a port (ADDRESS:PORT)").arg(text);
        return false;
    }
    QString host = t.left(colon);
    bool ok = false;
    const uint p = t.mid(colon + 1).toUInt(&ok);
    if (!ok || p > 65535) {
        *error = QStringLiteral("HTTP address \"%1\": the port must be a number from 0 to 65535").arg(text);
        return false;
    }
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    QHostAddress parsed;
    if (host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        parsed = QHostAddress::LocalHost;
    else if (host == QLatin1String("*"))
        parsed = QHostAddress::Any;
    else if (!parsed.setAddress(host)) {
        *error = QStringLiteral("HTTP address \"%1\": \"%2\" is not an IP address").arg(text, host);
        return false;
    }
    *address = parsed;
    *port = quint16(p);
    return true;
}

bool readTokenFile(const QString& path, QByteArray* token, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("HTTP token file %1: %2").arg(path, file.errorString());
        return false;
    }
    // Trimmed as text, so that blanks beyond ASCII (a no-break space) go too.
    const QByteArray first = QString::fromUtf8(file.read(4096).split('\n').value(0)).trimmed().toUtf8();
    if (first.isEmpty()) {
        *error = QStringLiteral("HTTP token file %1 holds no token").arg(path);
        return false;
    }
    *token = first;
    return true;
}

bool hasToken(const HttpOptions& options) { return !QString::fromUtf8(options.token).trimmed().isEmpty(); }

bool checkExposure(const HttpOptions& options, QString* error) {
    if (options.address.isLoopback() || hasToken(options))
        return true;
    *error = QStringLiteral("HTTP address %1 is not a loopback address: set \"HTTP Token\" or a token file "
                            "(--http-token-file) first, or listen on 127.0.0.1")
                 .arg(options.address.toString());
    return false;
}

}  // namespace korvane::http
