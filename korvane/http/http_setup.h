#pragma once
// Turning the endpoint on from the command line (--http ADDRESS:PORT,
// --http-token-file FILE) or the settings ("HTTP Address", "HTTP Token",
// "HTTP Token File", "HTTP Router Name" in [Settings]). Off unless an address
// is given; the command line wins over the settings.

#include "korvane/http/http_endpoint.h"

#include <QString>

#include <memory>

namespace korvane {
class CMonitorController;
class MonitorEvents;
class SettingsStore;
}  // namespace korvane

namespace korvane::http {

inline constexpr char kHttpAddressKey[] = "HTTP Address";
inline constexpr char kHttpTokenKey[] = "HTTP Token";
inline constexpr char kHttpTokenFileKey[] = "HTTP Token File";
inline constexpr char kHttpRouterNameKey[] = "HTTP Router Name";

struct HttpCommandLine {
    QString address;    // --http
    QString tokenFile;  // --http-token-file
    QString name;       // --http-name
};

// The options from the command line and the store; false with a message.
// *enabled is false (and true returned) when no address is set anywhere.
bool resolveHttpOptions(const HttpCommandLine& commandLine, const SettingsStore& store, const QString& routerAddress,
                        HttpOptions* options, bool* enabled, QString* error);

// The endpoint, not started, made without loading Qt's TLS backends (it
// serves plain HTTP).
std::unique_ptr<HttpEndpoint> makeEndpointWithoutTls(CMonitorController* controller, MonitorEvents* events,
                                                     const HttpOptions& options);

// The endpoint, started; null when it is off (error empty) or could not
// start (error says why).
std::unique_ptr<HttpEndpoint> startHttpEndpoint(CMonitorController* controller, MonitorEvents* events,
                                                const HttpCommandLine& commandLine, QString* error);

}  // namespace korvane::http
