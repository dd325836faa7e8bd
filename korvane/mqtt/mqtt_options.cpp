#include "korvane/mqtt/mqtt_options.h"

#include "korvane/monitor/password_source.h"
#include "korvane/settings/settings_store.h"

#include <QFileInfo>

namespace korvane::mqtt {

bool parseBrokerAddress(const QString& text, bool tls, QString* host, int* port, QString* error) {
    const QString address = text.trimmed();
    *port = tls ? kDefaultTlsPort : kDefaultPort;
    QString portText;
    if (address.startsWith(QLatin1Char('['))) {
        const qsizetype close = address.indexOf(QLatin1Char(']'));
        if (close < 0) {
            *error = QStringLiteral("MQTT broker \"%1\": the IPv6 address lacks its \"]\"").arg(address);
            return false;
        }
        *host = address.mid(1, close - 1);
        const QString rest = address.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':'))) {
                *error = QStringLiteral("MQTT broker \"%1\" is not HOST[:PORT]").arg(address);
                return false;
            }
            portText = rest.mid(1);
        }
    } else {
        const qsizetype colon = address.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0 && address.indexOf(QLatin1Char(':')) != colon) {
            *error = QStringLiteral("MQTT broker \"%1\": write an IPv6 address as [ADDRESS]:PORT").arg(address);
            return false;
        }
        *host = colon >= 0 ? address.left(colon) : address;
        if (colon >= 0)
            portText = address.mid(colon + 1);
    }
    if (host->isEmpty() || host->contains(QLatin1Char(' '))) {
        *error = QStringLiteral("MQTT broker \"%1\" names no host").arg(address);
        return false;
    }
    if (!portText.isNull()) {
        bool ok = false;
        const int value = portText.toInt(&ok);
        if (!ok || value < 1 || value > 65535) {
            *error = QStringLiteral("MQTT broker \"%1\": the port must be 1 to 65535").arg(address);
            return false;
        }
        *port = value;
    }
    return true;
}

QString topicSafe(const QString& name) {
    QString safe;
    safe.reserve(name.size());
    for (const QChar c : name) {
        const bool keep = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                          || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_')
                          || c == QLatin1Char('-') || c == QLatin1Char('.');
        safe += keep ? c : QLatin1Char('_');
    }
    return safe.isEmpty() ? QStringLiteral("router") : safe;
}

namespace {

// A topic given by the user: no wildcards, no empty levels at either end.
bool checkTopic(const QString& topic, const QString& key, QString* error) {
    if (topic.contains(QLatin1Char('#')) || topic.contains(QLatin1Char('+'))) {
        *error = QStringLiteral("%1 \"%2\" may not hold the wildcards + or #").arg(key, topic);
        return false;
    }
    if (topic.startsWith(QLatin1Char('/')) || topic.endsWith(QLatin1Char('/'))) {
        *error = QStringLiteral("%1 \"%2\" may not start or end with /").arg(key, topic);
        return false;
    }
    return true;
}

}  // namespace

bool resolveMqttOptions(const MqttCommandLine& commandLine, const SettingsStore& store,
                        const QString& routerAddress, MqttOptions* options, bool* enabled, QString* error) {
    const QString section = QString::fromLatin1(settings::kSection);
    // A service sets the keys through its environment: "MQTT Broker" is
    // KORVANE_MQTT_BROKER; a variable set (even empty) wins over the store.
    auto read = [&](const char* key) {
        const QByteArray variable = "KORVANE_" + QByteArray(key).toUpper().replace(' ', '_');
        if (qEnvironmentVariableIsSet(variable.constData()))
            return qEnvironmentVariable(variable.constData()).trimmed();
        return store.readString(section, QString::fromLatin1(key)).trimmed();
    };
    QString broker = commandLine.broker.trimmed();
    if (broker.isEmpty())
        broker = read(kBrokerKey);
    *enabled = !broker.isEmpty();
    if (!*enabled)
        return true;

    options->caFile = read(kCaFileKey);
    if (!options->caFile.isEmpty() && !QFileInfo(options->caFile).isReadable()) {
        *error = QStringLiteral("MQTT CA File \"%1\" cannot be read").arg(options->caFile);
        return false;
    }
    if (!parseBrokerAddress(broker, !options->caFile.isEmpty(), &options->host, &options->port, error))
        return false;
    options->user = read(kUserKey);
    const QString passwordFile = read(kPasswordFileKey);
    if (!passwordFile.isEmpty()) {
        QString why;
        if (!readPasswordLine(passwordFile, &options->password, &why)) {
            *error = QStringLiteral("MQTT Password File: %1").arg(why);
            return false;
        }
    }

    QString name = commandLine.name.trimmed();
    if (name.isEmpty())
        name = routerAddress.trimmed();
    options->routerName = name.isEmpty() ? QStringLiteral("router") : name;
    options->nodeId = topicSafe(options->routerName);
    options->topic = read(kTopicKey);
    if (options->topic.isEmpty())
        options->topic = QStringLiteral("korvane/") + options->nodeId;
    const QString prefix = read(kDiscoveryPrefixKey);
    if (!prefix.isEmpty())
        options->discoveryPrefix = prefix;
    return checkTopic(options->topic, QString::fromLatin1(kTopicKey), error)
           && checkTopic(options->discoveryPrefix, QString::fromLatin1(kDiscoveryPrefixKey), error);
}

}  // namespace korvane::mqtt
