#include "korvane/journal/number_match.h"

namespace korvane {

namespace {

QString digitsOf(const QString& text, bool* plus)
{
    QString out;
    *plus = false;
    for (QChar c : text) {
        if (c.isDigit() && c.unicode() < 128)
            out += c;
        else if (c == u'+' && out.isEmpty())
            *plus = true;
    }
    return out;
}

QString stripLeadingZeros(QString digits)
{
    while (digits.startsWith(u'0'))
        digits.remove(0, 1);
    return digits;
}

}  // namespace

NumberMatcher::NumberMatcher(const QString& countryCode, const QString& areaCode)
{
    bool plus = false;
    country_ = stripLeadingZeros(digitsOf(countryCode, &plus));
    area_ = stripLeadingZeros(digitsOf(areaCode, &plus));
}

QString NumberMatcher::canonical(const QString& number) const
{
    bool plus = false;
    const QString digits = digitsOf(number, &plus);
    if (digits.isEmpty())
        return digits;
    if (plus)
        return digits;
    if (digits.startsWith(QLatin1String("00")))
        return digits.mid(2);
    if (digits.startsWith(u'0'))
        return country_ + digits.mid(1);
    // A local number gets the area code in front; short numbers (extensions,
    // service numbers) stay as they are.
    if (digits.size() >= 5 && !area_.isEmpty())
        return country_ + area_ + digits;
    return digits;
}

bool NumberMatcher::matches(const QString& a, const QString& b) const
{
    const QString ca = canonical(a);
    const QString cb = canonical(b);
    if (ca.isEmpty() || cb.isEmpty())
        return false;
    if (ca == cb)
        return true;
    // Without codes in the settings the forms differ in what is in front;
    // the subscriber part must still agree on at least seven digits.
    const QString& shorter = ca.size() < cb.size() ? ca : cb;
    const QString& longer = ca.size() < cb.size() ? cb : ca;
    return (country_.isEmpty() || area_.isEmpty()) && shorter.size() >= 7 && longer.endsWith(shorter);
}

}  // namespace korvane
