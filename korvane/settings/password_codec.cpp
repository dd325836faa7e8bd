#include "korvane/settings/password_codec.h"

#include <QStringList>

#include <array>

namespace korvane {

namespace {

// Windows-1252 0x80..0x9F; zero where the code page leaves a code undefined
// (it then maps to the same code point, which the Latin-1 rule covers).
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};

char codeOfStoredCharacter(char16_t c)
{
    if (c <= 0xFF)
        return char(c);
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == c)
            return char(0x80 + i);
    }
    return '?';
}

}  // namespace

QByteArray passwordCodes(const QString& password)
{
    QByteArray codes;
    codes.reserve(password.size());
    for (QChar c : password)
        codes.append(c.unicode() <= 0xFF ? char(c.unicode()) : '?');
    return codes;
}

bool isPasswordCharacter(QChar c)
{
    return c.unicode() != 0 && c.unicode() <= 0xFF;
}

QByteArray encodePasswordCodes(const QByteArray& codes)
{
    QByteArray out;
    out.reserve(codes.size() * 2);
    for (qsizetype i = 0; i < codes.size(); ++i) {
        const unsigned notK = ~unsigned(quint8(codes[i])) & 0xFFu;
        const unsigned index = unsigned(i) & 0xFFu;
        out.append(char((notK + index) & 0xFFu));
        out.append(char((notK - index) & 0xFFu));
    }
    return out;
}

QByteArray decodePasswordCodes(const QByteArray& stored)
{
    QByteArray out;
    const qsizetype n = stored.size() / 2;
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned s = quint8(stored[2 * i]);
        out.append(char(~(s - (unsigned(i) & 0xFFu)) & 0xFFu));
    }
    return out;
}

QByteArray storedTextCodes(const QString& text)
{
    QByteArray codes;
    codes.reserve(text.size());
    for (QChar c : text)
        codes.append(codeOfStoredCharacter(c.unicode()));
    return codes;
}

QVariant passwordStorageValue(const QString& password)
{
    const QByteArray encoded = encodePasswordCodes(passwordCodes(password));
    if (encoded.contains('\0'))
        return QVariant(encoded);
    return QVariant(QString::fromLatin1(encoded));
}

QString passwordFromStorageValue(const QVariant& value)
{
    if (!value.isValid())
        return QString();
    QByteArray codes;
    if (value.typeId() == QMetaType::QByteArray)
        codes = value.toByteArray();
    else if (value.typeId() == QMetaType::QStringList)
        // A hand-edited file with an unquoted comma reads as a list: the
        // stored text is the list joined again.
        codes = storedTextCodes(value.toStringList().join(QLatin1Char(',')));
    else if (value.canConvert<QString>())
        codes = storedTextCodes(value.toString());
    return QString::fromLatin1(decodePasswordCodes(codes));
}

}  // namespace korvane
