#include "components/prestige/screens.h"

#include <algorithm>

namespace prestige {

namespace {

constexpr int kLineRow[2] = {6, 7};
constexpr int kLanPacketRow[2] = {19, 20};
constexpr int kLanPacketColumn = 6;
constexpr int kLanPacketBytesPerRow = 24;

const StatusFieldPositions kPositions[3] = {
    {{12, 13}, 52, {14, 15}, 48, 9, 28},
    {{13, 14}, 56, {15, 16}, 52, 10, 28},
    {{10, 11}, 6, {10, 11}, 54, 16, 27},
};

QByteArray latin1(const QString& text) { return text.toLatin1(); }

QByteArray number(qint64 value) { return QByteArray::number(value); }

// A prompt text followed by one blank, leaving the cursor where the monitor
// expects it.
void putPrompt(Canvas& c, int row, int cursorColumn, const PaintOptions& o, QByteArrayView text)
{
    const int column = cursorColumn + (o.promptShift ? kPromptShiftColumns : 0);
    c.put(row, column - 1 - int(text.size()), text);
    c.setCursor(row, column);
}

// The prompt of menus 24 and 24.9, the two menus the monitor recognises by
// their cursor.
void putMaintenancePrompt(Canvas& c, const PaintOptions& o)
{
    if (o.menuPromptColumn <= 0) {
        putPrompt(c, kMenuPromptRow, kMenuPromptColumn, o, "Enter Menu Selection Number:");
        return;
    }
    PaintOptions exact = o;
    exact.promptShift = false;
    putPrompt(c, kMenuPromptRow, std::clamp(o.menuPromptColumn, kMinMenuPromptColumn, kColumns), exact,
              "Enter Menu Selection Number:");
}

void putTitle(Canvas& c, QByteArrayView title)
{
    c.put(1, std::max(1, int(kColumns - title.size()) / 2 + 1), title);
}

} // namespace

const char* screenName(ScreenId id)
{
    switch (id) {
    case ScreenId::Password:
        return "password";
    case ScreenId::MainMenu:
        return "main menu";
    case ScreenId::SystemMaintenance:
        return "menu 24";
    case ScreenId::CallControl:
        return "menu 24.9";
    case ScreenId::Status:
        return "menu 24.1";
    case ScreenId::CallHistory:
        return "menu 24.9.4";
    }
    return "?";
}

Canvas::Canvas()
{
    rows_.fill(QByteArray(kColumns, ' '));
}

void Canvas::put(int row, int column, QByteArrayView text)
{
    if (row < 1 || row > kRows || column < 1)
        return;
    const int last = row == kRows ? kColumns - 1 : kColumns;
    QByteArray& r = rows_[std::size_t(row - 1)];
    for (qsizetype i = 0; i < text.size() && column + i <= last; ++i) {
        const char ch = text[i];
        // Only printable bytes: a control byte would move the terminal's cursor.
        r[column - 1 + i] = (quint8(ch) < 32 || quint8(ch) == 127 || quint8(ch) == 255) ? '?' : ch;
    }
}

void Canvas::putRight(int row, int lastColumn, QByteArrayView text)
{
    put(row, lastColumn - int(text.size()) + 1, text);
}

void Canvas::setCursor(int row, int column)
{
    cursorRow_ = std::clamp(row, 1, kRows);
    cursorColumn_ = std::clamp(column, 1, kColumns);
}

const QByteArray& Canvas::row(int row) const
{
    return rows_[std::size_t(std::clamp(row, 1, kRows) - 1)];
}

QByteArray Canvas::text() const
{
    QByteArray out;
    out.reserve(kRows * (kColumns + 2));
    for (const QByteArray& r : rows_)
        out += r + "\r\n";
    return out;
}

QByteArray Canvas::field(int row, int column, int length) const
{
    const QByteArray all = text();
    const qsizetype start = qsizetype(row - 1) * (kColumns + 2) + (column - 1);
    if (start < 0 || start >= all.size() || length <= 0)
        return {};
    return all.mid(start, length);
}

QByteArray Canvas::toAnsi(bool clear) const
{
    QByteArray out;
    out.reserve(2200);
    if (clear)
        out += "\x1b[2J";
    for (int r = 1; r <= kRows; ++r) {
        QByteArray text = rows_[std::size_t(r - 1)];
        while (!text.isEmpty() && text.back() == ' ')
            text.chop(1);
        if (clear && text.isEmpty())
            continue;
        out += "\x1b[" + number(r) + ";1H" + text;
        // A full row has moved the cursor to the next row already; erasing
        // there would wipe what is painted next only to be painted again.
        if (text.size() < kColumns)
            out += "\x1b[K";
    }
    out += "\x1b[" + number(cursorRow_) + ';' + number(cursorColumn_) + 'H';
    return out;
}

const StatusFieldPositions& statusFieldPositions(int layout)
{
    return kPositions[std::clamp(layout, 0, 2)];
}

QByteArray formatHexBytes(const QByteArray& bytes)
{
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i)
            out += ' ';
        out += QByteArray::number(quint8(bytes[i]), 16).rightJustified(2, '0').toUpper();
    }
    return out;
}

Canvas paintPasswordScreen(bool badPassword)
{
    Canvas c;
    c.put(10, 22, "Enter Password : ");
    c.setCursor(10, 39);
    if (badPassword)
        c.put(12, 22, kBadPasswordText);
    return c;
}

Canvas paintMainMenu(const PaintOptions& o)
{
    Canvas c;
    putTitle(c, "Prestige 128 Main Menu");
    c.put(3, 2, "Getting Started");
    c.put(3, 41, "Advanced Management");
    c.put(4, 4, "1. General Setup");
    c.put(4, 42, "21. Filter Set Configuration");
    c.put(5, 4, "2. ISDN Setup");
    c.put(5, 42, "22. SNMP Configuration");
    c.put(6, 4, "3. Ethernet Setup");
    c.put(6, 42, "23. System Password");
    c.put(7, 4, "4. Internet Access Setup");
    c.put(7, 42, "24. System Maintenance");
    c.put(9, 2, "Advanced Applications");
    c.put(10, 4, "11. Remote Node Setup");
    c.put(11, 4, "12. Static Routing Setup");
    c.put(12, 4, "13. Default Dial-in Setup");
    c.put(13, 4, "14. Dial-in User Setup");
    c.put(14, 4, "15. Multiprotocol Setup");
    c.put(16, 42, "99. Exit");
    putPrompt(c, kMenuPromptRow, kMenuPromptColumn, o, "Enter Menu Selection Number:");
    return c;
}

Canvas paintSystemMaintenanceMenu(const PaintOptions& o)
{
    Canvas c;
    putTitle(c, "Menu 24 - System Maintenance");
    static const char* const items[] = {
        "1.  System Status",
        "2.  System Information",
        "3.  Log and Trace",
        "4.  Diagnostic",
        "5.  Backup Configuration",
        "6.  Restore Configuration",
        "7.  Software Update",
        "8.  Command Interpreter Mode",
        "9.  Call Control",
    };
    int row = 4;
    for (const char* item : items)
        c.put(row++, 25, item);
    putMaintenancePrompt(c, o);
    return c;
}

Canvas paintCallControlMenu(const PaintOptions& o)
{
    Canvas c;
    putTitle(c, "Menu 24.9 - System Maintenance - Call Control");
    c.put(6, 25, "1. Call Control Parameters");
    c.put(7, 25, "2. Black List");
    c.put(8, 25, "3. Budget Management");
    c.put(9, 25, "4. Call History");
    putMaintenancePrompt(c, o);
    return c;
}

Canvas paintStatusScreen(const RouterState& state, const PaintOptions& o)
{
    const int layout = std::clamp(o.layout, 0, 2);
    const StatusFieldPositions& pos = kPositions[layout];
    Canvas c;
    putTitle(c, "Menu 24.1 - System Maintenance - Status");
    c.put(3, 2, "Node Name: P128");
    c.put(3, 41, "Routing: IP/IPX");

    c.put(5, 2, "Ch");
    c.put(5, 5, "Link");
    c.put(5, 17, "Type");
    c.putRight(5, 33, "TXPkts");
    c.putRight(5, 45, "RXPkts");
    c.putRight(5, 57, "Errs");
    c.putRight(5, 62, "CLU");
    c.putRight(5, 67, "ALU");
    c.putRight(5, 79, "Up Time");
    for (int n = 1; n <= 2; ++n) {
        const LineState& l = state.line(n);
        const int row = kLineRow[n - 1];
        if (l.isUp())
            c.put(row, 2, "B" + number(l.channel));
        c.put(row, 5, latin1(l.link).left(kMaxLinkLength));
        if (l.type > 0)
            c.put(row, 17, number(l.type) + 'K');
        c.putRight(row, 33, number(l.packetsSent % kPacketCounterModulo));
        c.putRight(row, 45, number(l.packetsReceived % kPacketCounterModulo));
        c.putRight(row, 57, number(l.errors % kErrorCounterModulo));
        c.putRight(row, 62, number(std::clamp(l.utilization, 0, 100)) + '%');
        c.putRight(row, 67, number(std::clamp(l.averageUtilization, 0, 100)) + '%');
        c.putRight(row, 79, latin1(formatDuration(l.upSeconds)));
    }

    const QByteArray outcall = latin1(formatDuration(state.totalOutcallSeconds()));
    QByteArray ip[2];
    QByteArray callerId[2];
    QByteArray labelIp[2];
    QByteArray labelCallerId[2];
    for (int i = 0; i < 2; ++i) {
        if (layout == 0) {
            // Layout 0 reports by channel: the row of B1 shows whichever line is on it.
            for (int n = 1; n <= 2; ++n) {
                if (state.line(n).channel == i + 1) {
                    ip[i] = latin1(state.line(n).peerIp);
                    callerId[i] = latin1(state.line(n).callerId);
                }
            }
            labelIp[i] = "B" + number(i + 1) + " Remote IP:";
            labelCallerId[i] = "B" + number(i + 1) + " Caller ID:";
        } else {
            ip[i] = latin1(state.line(i + 1).peerIp);
            callerId[i] = latin1(state.line(i + 1).callerId);
            labelIp[i] = "Line " + number(i + 1) + " Remote IP:";
            labelCallerId[i] = "Line " + number(i + 1) + " Caller ID:";
        }
        ip[i] = ip[i].left(15);
        callerId[i] = callerId[i].left(15);
    }

    if (layout == 2) {
        c.put(9, 1, "Conn");
        c.put(9, pos.ipColumn, "Remote IP Address");
        c.put(9, pos.callerIdColumn, "Caller ID");
        for (int i = 0; i < 2; ++i) {
            c.put(pos.ipRow[i], 2, number(i + 1));
            c.put(pos.ipRow[i], pos.ipColumn, ip[i]);
            c.put(pos.callerIdRow[i], pos.callerIdColumn, callerId[i]);
        }
        c.put(13, 5, "Ethernet Address: 00:A0:C5:4E:21:7B");
        c.put(14, 5, "IP Address: 192.168.1.1");
        c.put(14, 41, "IP Mask: 255.255.255.0");
        c.put(pos.outcallRow, 5, "Total Outcall Time:");
        c.putRight(pos.outcallRow, pos.outcallColumn + 8, outcall);
    } else {
        const int base = pos.outcallRow; // 9 in layout 0, 10 in layout 1
        c.put(base, 6, "Total Outcall Time:");
        c.putRight(base, pos.outcallColumn + 8, outcall);
        c.put(base + 2, 6, "Ethernet Address: 00:A0:C5:4E:21:7B");
        c.put(pos.ipRow[0], 6, "IP Address: 192.168.1.1");
        c.put(pos.ipRow[1], 6, "IP Mask: 255.255.255.0");
        c.put(pos.callerIdRow[0], 6, "DHCP: Server");
        for (int i = 0; i < 2; ++i) {
            c.putRight(pos.ipRow[i], pos.ipColumn - 2, labelIp[i]);
            c.put(pos.ipRow[i], pos.ipColumn, ip[i]);
            c.putRight(pos.callerIdRow[i], pos.callerIdColumn - 2, labelCallerId[i]);
            c.put(pos.callerIdRow[i], pos.callerIdColumn, callerId[i]);
        }
    }

    c.put(18, 6, state.lanPacketIsIpx() ? "LAN Packet Which Triggered Last Call (Type: IPX):"
                                        : "LAN Packet Which Triggered Last Call (Type: IP):");
    const QByteArray packet = state.lanPacket().left(kMaxLanPacketBytes);
    for (int i = 0; i < 2; ++i)
        c.put(kLanPacketRow[i], kLanPacketColumn,
              formatHexBytes(packet.mid(i * kLanPacketBytesPerRow, kLanPacketBytesPerRow)));

    c.put(23, 2, "COMMANDS: 1-Drop B1  2-Drop B2  3-Reset Counters  4-Drop B1 & B2  ESC-Exit");
    putPrompt(c, kStatusPromptRow, kStatusPromptColumn, o, "Press Command:");
    return c;
}

Canvas paintCallHistoryScreen(const RouterState& state, const PaintOptions& o)
{
    Canvas c;
    putTitle(c, "Menu 24.9.4 - Call History");
    c.put(4, 7, "Phone Number");
    c.put(4, 24, "Dir");
    c.put(4, 29, "Rate");
    c.put(4, 36, "#call");
    c.putRight(4, 57, "Max Call");
    c.putRight(4, 70, "Min Call");
    c.putRight(4, 80, "Total");
    const QList<HistoryEntry>& entries = state.history();
    for (int i = 0; i < std::min<int>(int(entries.size()), kMaxHistoryEntries); ++i) {
        const HistoryEntry& e = entries[i];
        const int row = 6 + i;
        c.putRight(row, 4, number(i + 1));
        c.put(row, 7, latin1(e.number).left(kMaxNumberLength));
        c.put(row, 24, e.direction == Direction::In ? "IN" : "OUT");
        c.put(row, 29, number(e.rate) + 'K');
        c.put(row, 36, number(std::clamp(e.calls, 0, 999999999)));
        c.putRight(row, 57, latin1(formatDuration(e.maxSeconds)));
        c.putRight(row, 70, latin1(formatDuration(e.minSeconds)));
        c.putRight(row, 80, latin1(formatDuration(e.totalSeconds)));
    }
    putPrompt(c, kHistoryPromptRow, kHistoryPromptColumn, o, "Press ESC or RETURN to Exit:");
    return c;
}

Canvas paintScreen(ScreenId id, const RouterState& state, const PaintOptions& options, bool badPassword)
{
    switch (id) {
    case ScreenId::Password:
        return paintPasswordScreen(badPassword);
    case ScreenId::MainMenu:
        return paintMainMenu(options);
    case ScreenId::SystemMaintenance:
        return paintSystemMaintenanceMenu(options);
    case ScreenId::CallControl:
        return paintCallControlMenu(options);
    case ScreenId::Status:
        return paintStatusScreen(state, options);
    case ScreenId::CallHistory:
        return paintCallHistoryScreen(state, options);
    }
    return {};
}

} // namespace prestige
