#include "korvane/http/http_setup.h"

#include "korvane/settings/settings_store.h"
#include "korvane/monitor/controller.h"

#include <QCoreApplication>
#include <QLoggingCategory>

namespace korvane::http {

namespace {

QLoggingCategory::CategoryFilter previousFilter = nullptr;

// While the server is made: Qt's TLS warnings stay quiet.
void quietTls(QLoggingCategory* category) {
    if (qstrcmp(category->categoryName(), "qt.network.ssl") == 0)
        category->setEnabled(QtWarningMsg, false);
    else if (previousFilter)
        previousFilter(category);
}

}  // namespace

std::unique_ptr<HttpEndpoint> makeEndpointWithoutTls(CMonitorController* controller, MonitorEvents* events,
                                                     const HttpOptions& options) {
    // Making a QAbstractHttpServer sets up a TLS configuration, which loads
    // every TLS backend Qt finds: OpenSSL's libraries, 4 MB of a monitor
    // that serves plain HTTP. With no plugin folder to look in there is none
    // to load; the folders are back as soon as the server exists, for the
    // plugins loaded later (SQL drivers). The warnings Qt gives about the
    // missing backend say nothing to the user.
    const QStringList plugins = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    previousFilter = QLoggingCategory::installFilter(quietTls);
    auto endpoint = std::make_unique<HttpEndpoint>(controller, events, options);
    QLoggingCategory::installFilter(previousFilter);
    previousFilter = nullptr;
    QCoreApplication::setLibraryPaths(plugins);
    return endpoint;
}

bool resolveHttpOptions(const HttpCommandLine& commandLine, const SettingsStore& store, const QString& routerAddress,
                        HttpOptions* options, bool* enabled, QString* error) {
    const QString section = QString::fromLatin1(settings::kSection);
    QString address = commandLine.address.trimmed();
    if (address.isEmpty())
        address = store.readString(section, QString::fromLatin1(kHttpAddressKey)).trimmed();
    *enabled = !address.isEmpty();
    if (!*enabled)
        return true;
    if (!parseHttpAddress(address, &options->address, &options->port, error))
        return false;
    QString tokenFile = commandLine.tokenFile;
    if (tokenFile.isEmpty())
        tokenFile = store.readString(section, QString::fromLatin1(kHttpTokenFileKey)).trimmed();
    if (!tokenFile.isEmpty()) {
        if (!readTokenFile(tokenFile, &options->token, error))
            return false;
    } else {
        options->token = store.readString(section, QString::fromLatin1(kHttpTokenKey)).trimmed().toUtf8();
    }
    options->router = commandLine.name.trimmed();
    if (options->router.isEmpty())
        options->router = store.readString(section, QString::fromLatin1(kHttpRouterNameKey)).trimmed();
    if (options->router.isEmpty())
        options->router = routerAddress;
    return checkExposure(*options, error);
}

std::unique_ptr<HttpEndpoint> startHttpEndpoint(CMonitorController* controller, MonitorEvents* events,
                                                const HttpCommandLine& commandLine, QString* error) {
    error->clear();
    HttpOptions options;
    bool enabled = false;
    SettingsStore store;
    if (!resolveHttpOptions(commandLine, store, controller->settings().ipAddress(), &options, &enabled, error))
        return nullptr;
    if (!enabled)
        return nullptr;
    auto endpoint = makeEndpointWithoutTls(controller, events, options);
    if (!endpoint->start(error))
        return nullptr;
    return endpoint;
}

}  // namespace korvane::http
