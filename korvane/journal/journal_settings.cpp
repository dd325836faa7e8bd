#include "korvane/journal/journal_settings.h"

#include "korvane/settings/settings_store.h"

#include <QLocale>


namespace korvane {

namespace {
QString key(const char* name) { return QString::fromLatin1(name); }
const QString kSection = QString::fromLatin1(settings::kSection);
}  // namespace

int currencyDecimals(const QString& currency)
{
    static const QStringList none{QStringLiteral("JPY"), QStringLiteral("KRW"), QStringLiteral("ISK"),
                                  QStringLiteral("CLP"), QStringLiteral("VND"), QStringLiteral("HUF")};
    static const QStringList three{QStringLiteral("KWD"), QStringLiteral("BHD"), QStringLiteral("OMR"),
                                   QStringLiteral("JOD"), QStringLiteral("TND"), QStringLiteral("LYD"),
                                   QStringLiteral("IQD")};
    const QString code = currency.trimmed().toUpper();
    if (none.contains(code))
        return 0;
    if (three.contains(code))
        return 3;
    return 2;
}

qint64 parseAmount(const QString& text, int decimals)
{
    QString t = text.trimmed();
    // "1,234.50" and "1.234,50": the last mark is the decimal one, the other groups.
    const qsizetype point = t.lastIndexOf(u'.');
    const qsizetype comma = t.lastIndexOf(u',');
    const qsizetype mark = qMax(point, comma);
    QString whole = mark < 0 ? t : t.left(mark);
    QString fraction = mark < 0 ? QString() : t.mid(mark + 1);
    whole.remove(mark == point ? u',' : u'.');
    if (whole.isEmpty() && fraction.isEmpty())
        return 0;
    for (const QString& part : {whole, fraction})
        for (QChar c : part)
            if (!c.isDigit() || c.unicode() > 127)
                return 0;
    if (whole.size() > 12)
        return 0;
    qint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    qint64 minor = whole.isEmpty() ? 0 : whole.toLongLong() * scale;
    const QString kept = fraction.left(decimals).leftJustified(decimals, u'0');
    if (!kept.isEmpty())
        minor += kept.toLongLong();
    if (fraction.size() > decimals && fraction.at(decimals) >= u'5')
        ++minor;
    return minor > 0 ? minor : 0;
}

QString amountText(qint64 minor, int decimals)
{
    const bool negative = minor < 0;
    const quint64 value = negative ? quint64(-minor) : quint64(minor);
    quint64 scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    QString text = QString::number(value / scale);
    if (decimals > 0)
        text += u'.' + QString::number(value % scale).rightJustified(decimals, u'0');
    return negative ? u'-' + text : text;
}

qint64 Tariff::costOfSeconds(qint64 seconds) const
{
    if (!isSet())
        return 0;
    const qint64 minutes = seconds <= 0 ? 0 : (seconds + 59) / 60;
    return perCall + perMinute * minutes;
}

qint64 Tariff::cost(const CallRecord& call) const
{
    if (!call.isOutgoing() && !(chargeIncoming && call.isIncoming()))
        return 0;
    return costOfSeconds(call.durationSeconds());
}

QString Tariff::format(qint64 minor) const
{
    const QString number = amount(minor);
    return currency.isEmpty() ? number : number + u' ' + currency;
}

double Tariff::number(qint64 minor) const
{
    // The shortest decimal that reads back as this double is the amount
    // itself, so JSON shows "6" or "0.3", never float noise.
    return amount(minor).toDouble();
}

JournalSettings JournalSettings::read(const SettingsStore& store)
{
    JournalSettings s;
    s.journalOn = store.readInt(kSection, key(settings::kJournal), 1) != 0;
    s.countryCode = store.readString(kSection, key(settings::kCountryCode)).trimmed();
    s.areaCode = store.readString(kSection, key(settings::kAreaCode)).trimmed();
    s.tariff.currency = store.readString(kSection, key(settings::kCurrency)).trimmed().left(8);
    const int decimals = s.tariff.decimals();
    s.tariff.perCall = parseAmount(store.readString(kSection, key(settings::kCostPerCall)), decimals);
    s.tariff.perMinute = parseAmount(store.readString(kSection, key(settings::kCostPerMinute)), decimals);
    s.tariff.chargeIncoming = store.readInt(kSection, key(settings::kChargeIncoming), 0) != 0;
    s.notifyCallerId = store.readInt(kSection, key(settings::kNotifyCallerId), 1) != 0;
    s.notifyLineUp = store.readInt(kSection, key(settings::kNotifyLineUp), 0) != 0;
    s.notifyLineDown = store.readInt(kSection, key(settings::kNotifyLineDown), 0) != 0;
    s.notifyRouter = store.readInt(kSection, key(settings::kNotifyRouter), 1) != 0;
    return s;
}

void JournalSettings::write(SettingsStore& store) const
{
    store.writeInt(kSection, key(settings::kJournal), journalOn ? 1 : 0);
    store.writeString(kSection, key(settings::kCountryCode), countryCode);
    store.writeString(kSection, key(settings::kAreaCode), areaCode);
    auto amount = [this](qint64 minor) { return minor > 0 ? tariff.amount(minor) : QString(); };
    store.writeString(kSection, key(settings::kCostPerCall), amount(tariff.perCall));
    store.writeString(kSection, key(settings::kCostPerMinute), amount(tariff.perMinute));
    store.writeString(kSection, key(settings::kCurrency), tariff.currency);
    store.writeInt(kSection, key(settings::kChargeIncoming), tariff.chargeIncoming ? 1 : 0);
    store.writeInt(kSection, key(settings::kNotifyCallerId), notifyCallerId ? 1 : 0);
    store.writeInt(kSection, key(settings::kNotifyLineUp), notifyLineUp ? 1 : 0);
    store.writeInt(kSection, key(settings::kNotifyLineDown), notifyLineDown ? 1 : 0);
    store.writeInt(kSection, key(settings::kNotifyRouter), notifyRouter ? 1 : 0);
}

}  // namespace korvane
