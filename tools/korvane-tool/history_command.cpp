// korvane-tool history FILE: the call history reader on a saved screen text
// (the bytes of the control's Screen), printed as one JSON object.

#include "screen_file.h"

#include "korvane/model/call_infos.h"
#include "korvane/router/call_history_reader.h"


namespace {

using tool::JsonObject;
using tool::readFailure;
using tool::readScreen;

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
