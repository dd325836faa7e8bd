#pragma once
// The router's screens as 24 x 80 character grids, and the bytes that paint
// them on a terminal that knows clear screen, cursor position and erase to end
// of line. Every text and position here is what the monitor looks for.

#include "components/prestige/router_state.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>

namespace prestige {

inline constexpr int kRows = 24;
inline constexpr int kColumns = 80;

// Where each screen leaves the cursor, before any prompt shift.
inline constexpr int kMenuPromptRow = 21;
inline constexpr int kMenuPromptColumn = 54;
inline constexpr int kStatusPromptRow = 22;
inline constexpr int kStatusPromptColumn = 47;
inline constexpr int kHistoryPromptRow = 21;
inline constexpr int kHistoryPromptColumn = 57;
// Other firmware paints the same prompts this much further right.
inline constexpr int kPromptShiftColumns = 2;
// Where a menu prompt's cursor may stand at all: the prompt text fits to its left.
inline constexpr int kMinMenuPromptColumn = 30;

inline constexpr char kBadPasswordText[] = "Bad Password!!!";

enum class ScreenId { Password, MainMenu, SystemMaintenance, CallControl, Status, CallHistory };

const char* screenName(ScreenId id);

class Canvas {
public:
    Canvas();

    // Writes text from (row, column), 1-based, cut at the right edge. The last
    // row stops one cell short of the corner: writing the bottom-right cell
    // would scroll the terminal.
    void put(int row, int column, QByteArrayView text);
    // Right-aligns text so that its last character stands at lastColumn.
    void putRight(int row, int lastColumn, QByteArrayView text);
    void setCursor(int row, int column);

    const QByteArray& row(int row) const; // 80 bytes
    // The cells read as the terminal control publishes them: each row and CR LF.
    QByteArray text() const;
    // A run of cells from (row, column), as a field reader takes it from text().
    QByteArray field(int row, int column, int length) const;
    int cursorRow() const { return cursorRow_; }
    int cursorColumn() const { return cursorColumn_; }

    // With clear, the screen is cleared first and blank rows are skipped;
    // without it every row is rewritten in place, which is how a repaint
    // avoids flicker and also wipes anything stray between repaints.
    QByteArray toAnsi(bool clear) const;

    bool operator==(const Canvas&) const = default;

private:
    std::array<QByteArray, kRows> rows_;
    int cursorRow_ = 1;
    int cursorColumn_ = 1;
};

struct PaintOptions {
    int layout = 0; // status screen layout 0, 1 or 2
    bool promptShift = false;
    // The cursor column of the prompt of menus 24 and 24.9, as firmware the
    // monitor has never met may place it; 0 keeps the usual one.
    int menuPromptColumn = 0;
};

// The password prompt; after a wrong password it also carries kBadPasswordText.
Canvas paintPasswordScreen(bool badPassword);
Canvas paintMainMenu(const PaintOptions& options);
Canvas paintSystemMaintenanceMenu(const PaintOptions& options);
Canvas paintCallControlMenu(const PaintOptions& options);
Canvas paintStatusScreen(const RouterState& state, const PaintOptions& options);
Canvas paintCallHistoryScreen(const RouterState& state, const PaintOptions& options);
Canvas paintScreen(ScreenId id, const RouterState& state, const PaintOptions& options, bool badPassword = false);

// Cells of the status screen, shared with anything that reads it back.
struct StatusFieldPositions {
    int ipRow[2];    // layout 0: per channel B1/B2; else per line
    int ipColumn;
    int callerIdRow[2];
    int callerIdColumn;
    int outcallRow;
    int outcallColumn;
};
const StatusFieldPositions& statusFieldPositions(int layout);

QByteArray formatHexBytes(const QByteArray& bytes);

} // namespace prestige

#include <QMetaType>
Q_DECLARE_METATYPE(prestige::ScreenId)
