#pragma once
// The journal's, phone book's and notifications' keys in the "Settings"
// section, with their defaults. Read at the moment they are needed.

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
inline constexpr char kNotifyCallerId[] = "Notify Caller ID"; // 1
inline constexpr char kNotifyLineUp[] = "Notify Line Up";     // 0
inline constexpr char kNotifyLineDown[] = "Notify Line Down"; // 0
inline constexpr char kNotifyRouter[] = "Notify Router Lost"; // 1: the router lost and back
}  // namespace settings

struct Tariff {
    double perCall = 0;
    double perMinute = 0;
    QString currency;
    bool isSet() const { return perCall > 0 || perMinute > 0; }
    // The cost of a call of this many seconds: per call plus each started minute.
    double cost(qint64 seconds) const;
    QString format(double amount) const;
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

// A decimal written with a point or a comma; 0 when it is not one.
double parseAmount(const QString& text);

}  // namespace korvane
