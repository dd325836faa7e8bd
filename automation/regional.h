#pragma once
// Regional settings, as Windows keeps them per locale id (LCID): what the
// conversions between texts and numbers or dates use (CStr, CDbl, CDate and
// their implicit forms), and what the Format functions add to that. The data
// comes from Qt's locale database, with the few places where Windows'
// defaults differ from it set by hand.
//
// The conversions of Variant read the settings of the calling thread: en-US
// unless a RegionalScope says otherwise (a script engine sets one while it
// runs code, from the locale the script chose with SetLocale).

#include <QLocale>
#include <QString>

namespace automation {

struct RegionalSettings {
    qint32 lcid = 1033;
    QChar decimal = u'.';
    QChar group = u',';
    QString currency = QStringLiteral("$");
    bool currencyAfter = false;  // "1.234,50 €" rather than "$1,234.50"
    // Qt date-time formats (QLocale::toString) of Windows' patterns.
    QString shortDate = QStringLiteral("M/d/yyyy");
    QString longDate = QStringLiteral("dddd, MMMM d, yyyy");
    QString longTime = QStringLiteral("h:mm:ss AP");
    // Which of a date's numbers comes first when it is read: month (en-US),
    // day (most of Europe) or year.
    enum class Order : unsigned char { MonthDayYear, DayMonthYear, YearMonthDay };
    Order dateOrder = Order::MonthDayYear;
    // Month and day names.
    QLocale names = QLocale(QLocale::English, QLocale::UnitedStates);

    bool isUnitedStates() const { return lcid == 1033; }
};

// The settings of a locale id; ids Qt does not know, and 1033, give en-US's.
RegionalSettings regionalSettings(qint32 lcid);

// The locale id of a locale name: "de_DE.UTF-8", "de-DE", "fr", "en_GB@euro".
// 0 when the name is not one (empty, "C", "POSIX", an unknown language).
qint32 localeIdForName(const QString& name);

// The user's locale id as the environment gives it (LC_ALL, then LC_NUMERIC,
// then LANG); 1033 (en-US) when nothing says otherwise.
qint32 userLocaleId();

// The settings the calling thread's conversions use.
const RegionalSettings& currentRegionalSettings();

// Makes settings the calling thread's for its lifetime, then restores the
// ones before. The settings must outlive the scope.
class RegionalScope {
public:
    explicit RegionalScope(const RegionalSettings* settings);
    ~RegionalScope();
    RegionalScope(const RegionalScope&) = delete;
    RegionalScope& operator=(const RegionalScope&) = delete;

private:
    const RegionalSettings* previous_;
};

}  // namespace automation
