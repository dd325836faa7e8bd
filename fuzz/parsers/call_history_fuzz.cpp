// The call history reader on arbitrary bytes taken as the control's Latin-1
// screen text, with what every read must leave checked afterwards.

#include "korvane/model/call_infos.h"
#include "korvane/model/text_conversions.h"
#include "korvane/router/call_history_reader.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool endTrimmed(const QString& text)
{
    return text.isEmpty() || !korvane::isScreenWhiteSpace(text.back());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString screen = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    CCallInfos calls;
    ReadCallHistoryRecords(screen, calls);
    for (const CCallInfo& call : calls) {
        check(call.phoneNumber().size() <= 16 && endTrimmed(call.phoneNumber()));
        check(call.phoneNumber().isEmpty() || !korvane::isScreenWhiteSpace(call.phoneNumber().front()));
        check(call.direction().size() <= 4 && call.direction() != QLatin1String("IN") &&
              call.direction() != QLatin1String("OUT"));
        check(call.maxTime().size() <= 11 && endTrimmed(call.maxTime()));
        check(call.minTime().size() <= 11 && endTrimmed(call.minTime()));
        check(call.totalTime().size() <= 11 && endTrimmed(call.totalTime()));
    }
    return 0;
}
