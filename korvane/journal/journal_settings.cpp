#include "korvane/journal/journal_settings.h"

#include "korvane/settings/settings_store.h"

#include <QLocale>

#include <cmath>

namespace korvane {

namespace {
QString key(const char* name) { return QString::fromLatin1(name); }
const QString kSection = QString::fromLatin1(settings::kSection);
}  // namespace

double parseAmount(const QString& text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(QString(text.trimmed()).replace(u',', u'.'), &ok);
    return ok && std::isfinite(value) && value > 0 ? value : 0;
}

double Tariff::cost(qint64 seconds) const
{
    if (!isSet())
        return 0;
    const qint64 minutes = seconds <= 0 ? 0 : (seconds + 59) / 60;
    return perCall + perMinute * double(minutes);
}

QString Tariff::format(double amount) const
{
    const QString number = QString::number(amount, 'f', 2);
    return currency.isEmpty() ? number : number + u' ' + currency;
}

JournalSettings JournalSettings::read(const SettingsStore& store)
{
    JournalSettings s;
    s.journalOn = store.readInt(kSection, key(settings::kJournal), 1) != 0;
    s.countryCode = store.readString(kSection, key(settings::kCountryCode)).trimmed();
    s.areaCode = store.readString(kSection, key(settings::kAreaCode)).trimmed();
    s.tariff.perCall = parseAmount(store.readString(kSection, key(settings::kCostPerCall)));
    s.tariff.perMinute = parseAmount(store.readString(kSection, key(settings::kCostPerMinute)));
    s.tariff.currency = store.readString(kSection, key(settings::kCurrency)).trimmed().left(8);
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
    auto amount = [](double v) { return v > 0 ? QString::number(v) : QString(); };
    store.writeString(kSection, key(settings::kCostPerCall), amount(tariff.perCall));
    store.writeString(kSection, key(settings::kCostPerMinute), amount(tariff.perMinute));
    store.writeString(kSection, key(settings::kCurrency), tariff.currency);
    store.writeInt(kSection, key(settings::kNotifyCallerId), notifyCallerId ? 1 : 0);
    store.writeInt(kSection, key(settings::kNotifyLineUp), notifyLineUp ? 1 : 0);
    store.writeInt(kSection, key(settings::kNotifyLineDown), notifyLineDown ? 1 : 0);
    store.writeInt(kSection, key(settings::kNotifyRouter), notifyRouter ? 1 : 0);
}

}  // namespace korvane
