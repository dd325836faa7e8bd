#include "korvane/http/http_setup.h"

#include "korvane/settings/settings_store.h"
#include "korvane/shell/controller.h"

namespace korvane::http {

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

std::unique_ptr<HttpEndpoint> startHttpEndpoint(CMonitorController* controller, ConsoleMonitor* events,
                                                const HttpCommandLine& commandLine, QString* error) {
    error->clear();
    HttpOptions options;
    bool enabled = false;
    SettingsStore store;
    if (!resolveHttpOptions(commandLine, store, controller->settings().ipAddress(), &options, &enabled, error))
        return nullptr;
    if (!enabled)
        return nullptr;
    auto endpoint = std::make_unique<HttpEndpoint>(controller, events, options);
    if (!endpoint->start(error))
        return nullptr;
    return endpoint;
}

}  // namespace korvane::http
