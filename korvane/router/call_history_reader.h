#pragma once
// Reading the router's call history screen ("Menu 24.9.4") into the ten call
// records: history row i stands on screen row 6 + i.

#include <QString>

class CCallInfos;

inline constexpr int kCallHistoryFirstRow = 6;

// Rewrites all ten records from the screen; an empty row, or a row beyond a
// short text, gives a record with empty texts and zero numbers.
void ReadCallHistoryRecords(const QString& screen, CCallInfos& calls);
