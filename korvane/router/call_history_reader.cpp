#include "korvane/router/call_history_reader.h"

#include "korvane/model/call_infos.h"
#include "korvane/router/status_parser.h"

void ReadCallHistoryRecords(const QString& screen, CCallInfos& calls)
{
    int row = kCallHistoryFirstRow;
    for (CCallInfo& call : calls) {
        auto field = [&](int column, int length) { return ScreenFieldText(screen, {row, column, length}); };
        call.SetPhoneNumber(field(7, 16));
        call.SetDirection(field(24, 4));
        call.SetBaudRate(field(29, 6));
        call.SetNoOfCalls(field(36, 10));
        call.SetMaxTime(field(47, 11));
        call.SetMinTime(field(60, 11));
        // The run reaches into the row's CR LF; the setter drops them.
        call.SetTotalTime(field(72, 11));
        ++row;
    }
}
