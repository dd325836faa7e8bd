#include "automation/regional.h"

#include <QHash>
#include <QRegularExpression>

#include <cstdlib>

namespace automation {

namespace {

struct KnownLocale {
    qint32 lcid;
    const char* name;
};

// Windows' ids of the locales Qt knows by name. The first of a language is
// the one a name without a territory ("de") stands for.
constexpr KnownLocale kKnown[] = {
    {1033, "en_US"}, {2057, "en_GB"}, {3081, "en_AU"}, {4105, "en_CA"}, {5129, "en_NZ"}, {6153, "en_IE"},
    {1031, "de_DE"}, {3079, "de_AT"}, {2055, "de_CH"}, {4103, "de_LU"},
    {1036, "fr_FR"}, {2060, "fr_BE"}, {3084, "fr_CA"}, {4108, "fr_CH"}, {5132, "fr_LU"},
    {1040, "it_IT"}, {2064, "it_CH"}, {3082, "es_ES"}, {2058, "es_MX"}, {1043, "nl_NL"}, {2067, "nl_BE"},
    {1053, "sv_SE"}, {1044, "nb_NO"}, {1030, "da_DK"}, {1035, "fi_FI"}, {1045, "pl_PL"}, {1029, "cs_CZ"},
    {1051, "sk_SK"}, {1038, "hu_HU"}, {1060, "sl_SI"}, {1050, "hr_HR"}, {1048, "ro_RO"}, {1026, "bg_BG"},
    {1046, "pt_BR"}, {2070, "pt_PT"}, {1049, "ru_RU"}, {1058, "uk_UA"}, {1032, "el_GR"}, {1055, "tr_TR"},
    {1037, "he_IL"}, {1041, "ja_JP"}, {1042, "ko_KR"}, {2052, "zh_CN"}, {1028, "zh_TW"}, {1061, "et_EE"},
    {1062, "lv_LV"}, {1063, "lt_LT"}, {1039, "is_IS"},
};

// A two-digit year in a short date reads badly in scripts and is not what
// Windows shows: its short dates have four.
QString fourDigitYears(QString format)
{
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

// Qt's long time format names the time zone; Windows' has none.
QString withoutZone(QString format)
{
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    return format.replace(zone, QStringLiteral(" ")).trimmed();
}

RegionalSettings::Order orderOf(const QString& shortDate)
{
    const qsizetype d = shortDate.indexOf(u'd');
    const qsizetype m = shortDate.indexOf(u'M');
    const qsizetype y = shortDate.indexOf(u'y');
    if (y >= 0 && (d < 0 || y < d) && (m < 0 || y < m))
        return RegionalSettings::Order::YearMonthDay;
    if (d >= 0 && m >= 0 && d < m)
        return RegionalSettings::Order::DayMonthYear;
    return RegionalSettings::Order::MonthDayYear;
}

RegionalSettings fromQt(qint32 lcid, const QLocale& q)
{
    RegionalSettings s;
    s.lcid = lcid;
    s.names = q;
    s.decimal = q.decimalPoint().isEmpty() ? QChar(u'.') : q.decimalPoint().front();
    s.group = q.groupSeparator().isEmpty() ? QChar(u',') : q.groupSeparator().front();
    // Windows separates French thousands with a no-break space, Qt's data
    // with a narrow one.
    if (s.group == QChar(0x202F))
        s.group = QChar(0x00A0);
    s.currency = q.currencySymbol();
    s.currencyAfter = !q.toCurrencyString(1.0).startsWith(s.currency);
    s.shortDate = fourDigitYears(q.dateFormat(QLocale::ShortFormat));
    s.longDate = q.dateFormat(QLocale::LongFormat);
    s.longTime = withoutZone(q.timeFormat(QLocale::LongFormat));
    s.dateOrder = orderOf(s.shortDate);
    return s;
}

RegionalSettings unitedStates() { return RegionalSettings(); }

const RegionalSettings& defaultSettings()
{
    static const RegionalSettings s = unitedStates();
    return s;
}

thread_local const RegionalSettings* current = nullptr;

}  // namespace

RegionalSettings regionalSettings(qint32 lcid)
{
    if (lcid == 1033)
        return unitedStates();
    for (const KnownLocale& k : kKnown) {
        if (k.lcid == lcid)
            return fromQt(lcid, QLocale(QLatin1String(k.name)));
    }
    return unitedStates();
}

qint32 localeIdForName(const QString& name)
{
    QString n = name.trimmed();
    const qsizetype cut = n.indexOf(QRegularExpression(QStringLiteral("[.@]")));
    if (cut >= 0)
        n.truncate(cut);
    n.replace(u'-', u'_');
    if (n.isEmpty() || n == QLatin1String("C") || n == QLatin1String("POSIX"))
        return 0;
    const QLocale wanted(n);
    if (wanted.language() == QLocale::C || wanted.language() == QLocale::AnyLanguage)
        return 0;
    const bool territoryGiven = n.contains(u'_');
    qint32 sameLanguage = 0;
    for (const KnownLocale& k : kKnown) {
        const QLocale known(QLatin1String(k.name));
        if (known.language() != wanted.language())
            continue;
        if (territoryGiven && known.territory() == wanted.territory())
            return k.lcid;
        if (!sameLanguage)
            sameLanguage = k.lcid;
    }
    return sameLanguage;
}

qint32 userLocaleId()
{
    for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const QString value = QString::fromLocal8Bit(qgetenv(variable));
        if (value.isEmpty())
            continue;
        // The first one set decides, as for the C library: LC_ALL=C is en-US
        // whatever LANG says.
        const qint32 id = localeIdForName(value);
        return id ? id : 1033;
    }
    return 1033;
}

const RegionalSettings& currentRegionalSettings() { return current ? *current : defaultSettings(); }

RegionalScope::RegionalScope(const RegionalSettings* settings) : previous_(current) { current = settings; }

RegionalScope::~RegionalScope() { current = previous_; }

}  // namespace automation
