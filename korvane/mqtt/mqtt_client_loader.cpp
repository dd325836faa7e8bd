#include "korvane/mqtt/mqtt_client.h"

#include "automation/private_library.h"

namespace korvane::mqtt {

std::unique_ptr<MqttClient> loadMqttClient(const MqttOptions& options, const QString& version,
                                           MqttClientListener* listener, QString* error) {
    static MakeClient* make = nullptr;
    if (!make)
        make = reinterpret_cast<MakeClient*>(
            automation::resolvePrivateSymbol(QString::fromLatin1(kClientLibrary), kClientEntry, error));
    if (!make)
        return nullptr;
    return std::unique_ptr<MqttClient>(make(&options, &version, listener));
}

}  // namespace korvane::mqtt
