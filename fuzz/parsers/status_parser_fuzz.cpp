// The status screen parser on arbitrary bytes taken as the control's Latin-1
// screen text, with what every parse must leave checked afterwards. Each input
// is parsed whole and then cut at a point chosen by its first byte, into the
// same records, so the kept-channel path runs on real previous values.

#include "korvane/model/application.h"
#include "korvane/model/text_conversions.h"
#include "korvane/router/status_parser.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool trimmed(const QString& text)
{
    return text.isEmpty() || (!korvane::isScreenWhiteSpace(text.front()) && !korvane::isScreenWhiteSpace(text.back()));
}

void checkRecords(const QString& screen, const CApplication& app, int layout)
{
    check(layout >= 0 && layout < kStatusLayoutCount);
    for (const CLine& line : app.lines()) {
        check(trimmed(line.link()) && line.link().size() <= 12);
        check(trimmed(line.ipAddress()) && line.ipAddress().size() <= 15);
        check(trimmed(line.clid()) && line.clid().size() <= 15);
        check(line.upTime().size() <= 9);
        check(line.channel() >= -9 && line.channel() <= 9);
        if (layout == 0 && line.channel() != 1 && line.channel() != 2)
            check(line.ipAddress().isEmpty() && line.clid().isEmpty());
        check(line.user().isEmpty());
    }
    check(app.totalOutcallTime().size() <= 9);
    check(trimmed(app.lastCallLanPacket()) && app.lastCallLanPacket().size() <= 143);
    check(app.lastCallPacketIsIpx() == screen.contains(QLatin1String(kIpxPacketMark)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString screen = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    CApplication app;
    checkRecords(screen, app, ParseStatusScreen(screen, app));
    if (size > 0) {
        const QString cut = screen.left(qsizetype(data[0]) * 8);
        checkRecords(cut, app, ParseStatusScreen(cut, app));
    }
    return 0;
}
