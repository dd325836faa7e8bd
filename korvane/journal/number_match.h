#pragma once
// Phone numbers as people and routers write them: "+49 30 1234567",
// "0049301234567", "030 1234567", or "1234567" dialled locally. Given the
// user's country and area code they all become one canonical form (country
// code, area code and subscriber number, digits only), so a phone book entry
// matches the caller id the router shows in whatever form either is written.

#include <QString>

namespace korvane {

class NumberMatcher {
public:
    // Codes as the user types them: "49", "+49" or "0049"; "30" or "030".
    NumberMatcher(const QString& countryCode = QString(), const QString& areaCode = QString());

    // Digits in international form without the leading "+", as far as the
    // codes allow; empty for a text without digits.
    QString canonical(const QString& number) const;
    // Whether two written numbers name the same line.
    bool matches(const QString& a, const QString& b) const;

    const QString& countryCode() const { return country_; }
    const QString& areaCode() const { return area_; }

private:
    QString country_;
    QString area_;
};

}  // namespace korvane
