// korvane-tool history FILE: the call history reader on a saved screen text
// (the bytes of the control's Screen), printed as one JSON object.

#include "tool_command.h"

#include "korvane/model/call_infos.h"
#include "korvane/router/call_history_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

// Far above any screen; keeps a device or a huge file from being read whole.
constexpr qint64 kMaxInputBytes = 1 << 20;

bool readScreen(const QString& path, QString* screen, QString* error)
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

int readFailure(const char* command, const QString& path, const QString& error)
{
    toolErr(QLatin1String("korvane-tool ") + QLatin1String(command) + QLatin1String(": cannot read ") + path +
            QLatin1String(": ") + error + u'\n');
    return 2;
}

QString callJson(const CCallInfo& call)
{
    return JsonObject()
        .add("PhoneNumber", call.phoneNumber())
        .add("Direction", call.direction())
        .add("BaudRate", call.baudRate())
        .add("NoOfCalls", call.noOfCalls())
        .add("MaxTime", call.maxTime())
        .add("MinTime", call.minTime())
        .add("TotalTime", call.totalTime())
        .text();
}

int runHistory(const QStringList& args)
{
    if (args.size() != 1) {
        toolErr(QStringLiteral("usage: korvane-tool history FILE\n"));
        return 2;
    }
    QString screen;
    QString error;
    if (!readScreen(args.first(), &screen, &error))
        return readFailure("history", args.first(), error);
    CCallInfos calls;
    ReadCallHistoryRecords(screen, calls);
    QString list;
    for (const CCallInfo& call : calls)
        list += (list.isEmpty() ? u'[' : u',') + callJson(call);
    list += u']';
    toolOut(JsonObject().addRaw("calls", list).text() + u'\n');
    return 0;
}

const ToolCommand historyCommand{"history", "FILE  a saved call history screen, read, as JSON", runHistory};

}  // namespace
