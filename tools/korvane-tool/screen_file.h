#pragma once
// What the subcommands that read a saved screen text share: reading the file
// (bounded, one byte per character) and writing JSON in a fixed member order.

#include "tool_command.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace tool {

// Far above any screen; keeps a device or a huge file from being read whole.
constexpr qint64 kMaxInputBytes = 1 << 20;

inline bool readScreen(const QString& path, QString* screen, QString* error)
{
    if (QFileInfo(path).isDir()) {
        *error = QStringLiteral("is a directory");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.read(kMaxInputBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    if (bytes.size() > kMaxInputBytes) {
        *error = QStringLiteral("larger than %1 bytes, not a screen text").arg(kMaxInputBytes);
        return false;
    }
    // The control's screen holds one byte per character.
    *screen = QString::fromLatin1(bytes);
    return true;
}

// One JSON object, members in the order they are added (QJsonObject would
// sort them). Texts are appended, never formatted: a screen may hold "%1".
class JsonObject {
public:
    JsonObject& add(const char* key, int value) { return addRaw(key, QString::number(value)); }
    JsonObject& add(const char* key, bool value)
    {
        return addRaw(key, value ? QStringLiteral("true") : QStringLiteral("false"));
    }
    JsonObject& add(const char* key, const QString& text)
    {
        const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
        return addRaw(key, QString::fromUtf8(array.mid(1, array.size() - 2)));
    }
    JsonObject& addRaw(const char* key, const QString& json)
    {
        text_ += text_.isEmpty() ? u'{' : u',';
        text_ += u'"';
        text_ += QLatin1String(key);
        text_ += QLatin1String("\":");
        text_ += json;
        return *this;
    }
    QString text() const { return text_.isEmpty() ? QStringLiteral("{}") : text_ + u'}'; }

private:
    QString text_;
};

inline int readFailure(const char* command, const QString& path, const QString& error)
{
    toolErr(QLatin1String("korvane-tool ") + QLatin1String(command) + QLatin1String(": cannot read ") + path +
            QLatin1String(": ") + error + u'\n');
    return 2;
}

}  // namespace tool
