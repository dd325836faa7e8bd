#pragma once
// The journal's, phone book's and notifications' keys in the "Settings"
// section, with their defaults. Read at the moment they are needed.

#include "korvane/monitor/call_record.h"

#include <QString>

namespace korvane {

class SettingsStore;

namespace settings {
inline constexpr char kJournal[] = "Journal";                 // 1 keeps the call journal (default)
inline constexpr char kCountryCode[] = "Country Code";        // "49"
inline constexpr char kAreaCode[] = "Area Code";              // "30"
inline constexpr char kCostPerCall[] = "Cost per Call";       // decimal, empty: no tariff
inline constexpr char kCostPerMinute[] = "Cost per Minute";   // per started minute
inline constexpr char kCurrency[] = "Currency";               // "EUR"
inline constexpr char kChargeIncoming[] = "Charge Incoming Calls"; // 0: only outgoing calls cost
inline constexpr char kNotifyCallerId[] = "Notify Caller ID"; // 1
inline constexpr char kNotifyLineUp[] = "Notify Line Up";     // 0
inline constexpr char kNotifyLineDown[] = "Notify Line Down"; // 0
inline constexpr char kNotifyRouter[] = "Notify Router Lost"; // 1: the router lost and back
}  // namespace settings

// Money is counted in the currency's minor units (cents), never in floating
// point: sums and exports are exact.
// Digits after the point in a currency (ISO 4217: 0 for JPY, 3 for KWD, else 2).
int currencyDecimals(const QString& currency);
// A decimal written with a point or a comma, in minor units; 0 when it is not
// one (or not above zero). Digits beyond the currency's round half up.
qint64 parseAmount(const QString& text, int decimals = 2);
// Minor units as a decimal with the currency's digits: "6.00".
QString amountText(qint64 minor, int decimals);

struct Tariff {
    qint64 perCall = 0;    // minor units
    qint64 perMinute = 0;  // per started minute
    QString currency;
    bool chargeIncoming = false;

    bool isSet() const { return perCall > 0 || perMinute > 0; }
    int decimals() const { return currencyDecimals(currency); }
    // A call's cost: outgoing calls (and incoming ones where the setting says
    // so) pay per call and per started minute of the router's duration.
    qint64 cost(const CallRecord& call) const;
    qint64 costOfSeconds(qint64 seconds) const;
    QString amount(qint64 minor) const { return amountText(minor, decimals()); }
    QString format(qint64 minor) const;   // "6.00 EUR"
    // For JSON: a number with at most the currency's decimals.
    double number(qint64 minor) const;
};

struct JournalSettings {
    bool journalOn = true;
    QString countryCode;
    QString areaCode;
    Tariff tariff;
    bool notifyCallerId = true;
    bool notifyLineUp = false;
    bool notifyLineDown = false;
    bool notifyRouter = true;

    static JournalSettings read(const SettingsStore& store);
    void write(SettingsStore& store) const;
};


}  // namespace korvane
