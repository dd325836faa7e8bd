// korvane-tool status FILE: the status screen parser on a saved screen text
// (the bytes of the control's Screen), printed as one JSON object.

#include "screen_file.h"

#include "korvane/model/application.h"
#include "korvane/router/status_parser.h"


namespace {

using tool::JsonObject;
using tool::readFailure;
using tool::readScreen;

QString lineJson(const CLine& line)
{
    return JsonObject()
        .add("Channel", line.channel())
        .add("Link", line.link())
        .add("Type", line.type())
        .add("PacketsSent", line.packetsSent())
        .add("PacketsReceived", line.packetsReceived())
        .add("Errors", line.errors())
        .add("LineUtilization", line.lineUtilization())
        .add("AverageLineUtilization", line.averageLineUtilization())
        .add("UpTime", line.upTime())
        .add("IpAddress", line.ipAddress())
        .add("CLID", line.clid())
        .text();
}

int runStatus(const QStringList& args)
{
    if (args.size() != 1) {
        toolErr(QStringLiteral("usage: korvane-tool status FILE\n"));
        return 2;
    }
    QString screen;
    QString error;
    if (!readScreen(args.first(), &screen, &error))
        return readFailure("status", args.first(), error);
    CApplication app;
    const int layout = ParseStatusScreen(screen, app);
    const QString lines = u'[' + lineJson(app.lines().line1()) + u',' + lineJson(app.lines().line2()) + u']';
    toolOut(JsonObject()
                .add("layout", layout)
                .addRaw("lines", lines)
                .add("TotalOutcallTime", app.totalOutcallTime())
                .add("LastCallLanPacket", app.lastCallLanPacket())
                .add("LastCallPacketIsIpx", app.lastCallPacketIsIpx())
                .text() +
            u'\n');
    return 0;
}

const ToolCommand statusCommand{"status", "FILE   a saved status screen, parsed, as JSON", runStatus};

}  // namespace
