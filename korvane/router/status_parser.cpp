#include "korvane/router/status_parser.h"

#include "korvane/model/application.h"

namespace {

// [field][layout][line]: (row, column, length).
constexpr ScreenField kFieldTable[kStatusFieldCount][kStatusLayoutCount][2] = {
    // The line rows are the same in every layout.
    /* Channel */ {{{6, 2, 2}, {7, 2, 2}}, {{6, 2, 2}, {7, 2, 2}}, {{6, 2, 2}, {7, 2, 2}}},
    /* Link */ {{{6, 4, 12}, {7, 4, 12}}, {{6, 4, 12}, {7, 4, 12}}, {{6, 4, 12}, {7, 4, 12}}},
    /* Type */ {{{6, 17, 7}, {7, 17, 7}}, {{6, 17, 7}, {7, 17, 7}}, {{6, 17, 7}, {7, 17, 7}}},
    /* PacketsSent */ {{{6, 26, 8}, {7, 26, 8}}, {{6, 26, 8}, {7, 26, 8}}, {{6, 26, 8}, {7, 26, 8}}},
    /* PacketsReceived */ {{{6, 38, 8}, {7, 38, 8}}, {{6, 38, 8}, {7, 38, 8}}, {{6, 38, 8}, {7, 38, 8}}},
    /* Errors */ {{{6, 53, 5}, {7, 53, 5}}, {{6, 53, 5}, {7, 53, 5}}, {{6, 53, 5}, {7, 53, 5}}},
    /* LineUtilization */ {{{6, 59, 4}, {7, 59, 4}}, {{6, 59, 4}, {7, 59, 4}}, {{6, 59, 4}, {7, 59, 4}}},
    /* AverageLineUtilization */ {{{6, 64, 4}, {7, 64, 4}}, {{6, 64, 4}, {7, 64, 4}}, {{6, 64, 4}, {7, 64, 4}}},
    /* UpTime */ {{{6, 71, 9}, {7, 71, 9}}, {{6, 71, 9}, {7, 71, 9}}, {{6, 71, 9}, {7, 71, 9}}},
    // The peer's address and caller id move with the layout.
    /* IpAddress */ {{{12, 52, 15}, {13, 52, 15}}, {{13, 56, 15}, {14, 56, 15}}, {{10, 6, 15}, {11, 6, 15}}},
    /* CLID */ {{{14, 48, 15}, {15, 48, 15}}, {{15, 52, 15}, {16, 52, 15}}, {{10, 54, 15}, {11, 54, 15}}},
    /* TotalOutcallTime */ {{{9, 28, 9}, {9, 28, 9}}, {{10, 28, 9}, {10, 28, 9}}, {{16, 27, 9}, {16, 27, 9}}},
    /* LastCallLanPacket */ {{{19, 6, 71}, {20, 6, 71}}, {{19, 6, 71}, {20, 6, 71}}, {{19, 6, 71}, {20, 6, 71}}},
};

QString fieldText(const QString& screen, int field, int layout, int line)
{
    return ScreenFieldText(screen, kFieldTable[field][layout][line]);
}

void parseLineRow(const QString& screen, int layout, int line, CLine& record)
{
    record.SetChannel(fieldText(screen, kStatusChannel, layout, line));
    record.SetLink(fieldText(screen, kStatusLink, layout, line));
    record.SetType(fieldText(screen, kStatusType, layout, line));
    record.SetPacketsSent(fieldText(screen, kStatusPacketsSent, layout, line));
    record.SetPacketsReceived(fieldText(screen, kStatusPacketsReceived, layout, line));
    record.SetErrors(fieldText(screen, kStatusErrors, layout, line));
    record.SetLineUtilization(fieldText(screen, kStatusLineUtilization, layout, line));
    record.SetAverageLineUtilization(fieldText(screen, kStatusAverageLineUtilization, layout, line));
    record.SetUpTime(fieldText(screen, kStatusUpTime, layout, line));
}

void parsePeer(const QString& screen, int layout, int line, CLine& record)
{
    int row = line;
    if (layout == 0) {
        // This layout lists the peers by B channel. Only channels 1 and 2
        // exist on the router's lines; anything else counts as idle.
        const int channel = record.channel();
        if (channel != 1 && channel != 2) {
            record.SetIpAddress(QString());
            record.SetCLID(QString());
            return;
        }
        row = channel - 1;
    }
    record.SetIpAddress(fieldText(screen, kStatusIpAddress, layout, row));
    record.SetCLID(fieldText(screen, kStatusCLID, layout, row));
}

}  // namespace

QString ScreenFieldText(const QString& screen, const ScreenField& field)
{
    if (field.row < 1 || field.column < 1 || field.length <= 0)
        return QString();
    const qint64 start = qint64(field.row - 1) * kScreenRowStride + (field.column - 1);
    if (start >= screen.size())
        return QString();
    return screen.mid(qsizetype(start), field.length);
}

QChar ScreenCharAt(const QString& screen, int row, int column)
{
    const QString text = ScreenFieldText(screen, {row, column, 1});
    return text.isEmpty() ? QChar() : text.front();
}

int DetectStatusLayout(const QString& screen)
{
    if (ScreenCharAt(screen, 9, 1) == u'C')
        return 2;
    if (ScreenCharAt(screen, 9, 6) == u'T')
        return 0;
    return 1;
}

ScreenField StatusFieldPosition(int field, int layout, int line)
{
    if (field < 0 || field >= kStatusFieldCount || layout < 0 || layout >= kStatusLayoutCount || line < 0 ||
        line > 1)
        return {};
    return kFieldTable[field][layout][line];
}

int ParseStatusScreen(const QString& screen, CApplication& application)
{
    const int layout = DetectStatusLayout(screen);
    CLines& lines = application.lines();
    parseLineRow(screen, layout, 0, lines.line1());
    parseLineRow(screen, layout, 1, lines.line2());
    parsePeer(screen, layout, 0, lines.line1());
    parsePeer(screen, layout, 1, lines.line2());
    application.SetTotalOutcallTime(fieldText(screen, kStatusTotalOutcallTime, layout, 0));
    // The halves are joined untrimmed; the setter trims the whole.
    application.SetLastCallLanPacket(fieldText(screen, kStatusLastCallLanPacket, layout, 0) + u' ' +
                                     fieldText(screen, kStatusLastCallLanPacket, layout, 1));
    application.setLastCallPacketIsIpx(screen.contains(QLatin1String(kIpxPacketMark)));
    return layout;
}
