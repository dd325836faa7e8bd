#pragma once
// Reading the router's status screen ("Menu 24.1 - System Maintenance -
// Status") by fixed positions into the line records and the application
// object. Pure functions of the screen text: no state between calls, no
// widgets, no failures.

#include <QString>

class CApplication;

// The screen text as the terminal control publishes it: 24 rows of 80
// single-byte characters, each followed by CR LF.
inline constexpr int kScreenRows = 24;
inline constexpr int kScreenColumns = 80;
inline constexpr int kScreenRowStride = kScreenColumns + 2;
inline constexpr int kScreenTextLength = kScreenRows * kScreenRowStride;  // 1,968

// A field of a screen: row and column from 1, length in characters.
struct ScreenField {
    qint32 row = 0;
    qint32 column = 0;
    qint32 length = 0;
};

// The text of a field: the run of length characters from (row, column), cut
// at the end of the text; empty when it starts at or beyond the end.
QString ScreenFieldText(const QString& screen, const ScreenField& field);
// The character at (row, column), or a null character beyond the text.
QChar ScreenCharAt(const QString& screen, int row, int column);

// The status screen comes in three layouts, told apart by row 9.
inline constexpr int kStatusLayoutCount = 3;
int DetectStatusLayout(const QString& screen);

// The fields of the status screen, in the order they are parsed.
enum StatusField : int {
    kStatusChannel,
    kStatusLink,
    kStatusType,
    kStatusPacketsSent,
    kStatusPacketsReceived,
    kStatusErrors,
    kStatusLineUtilization,
    kStatusAverageLineUtilization,
    kStatusUpTime,
    kStatusIpAddress,
    kStatusCLID,
    kStatusTotalOutcallTime,
    kStatusLastCallLanPacket,
    kStatusFieldCount
};

// Where a field stands in a layout, for line 1 (index 0) or line 2 (1). In
// layout 0 the two positions of the IP address and the caller id belong to
// the B channels 1 and 2 instead of the lines; the total outcall time has one
// position (given twice); the LAN packet's two positions are its two rows.
// Arguments out of range give an empty field.
ScreenField StatusFieldPosition(int field, int layout, int line);

// The text of "(Type: IPX)" that marks the last call's LAN packet as IPX.
inline constexpr char kIpxPacketMark[] = "(Type: IPX)";

// Fills both line records (every field but User, and the channel only when
// its text is not empty) and the application's total outcall time, last-call
// LAN packet and IPX flag from the screen. Returns the layout it detected.
int ParseStatusScreen(const QString& screen, CApplication& application);
