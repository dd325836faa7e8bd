#include "korvane/packet/hex_text.h"

namespace {
bool isStrippedSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// What is left of the C library's white space after the strip: a pair holding
// one of these is shorter than two characters once trimmed and gives no byte.
bool isTrimmedSpace(QChar c)
{
    return isStrippedSpace(c) || c == u'\v' || c == u'\f';
}
}  // namespace

int HexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    // Capture tools write hex in either case.
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return 0;
}

QString StripWhiteSpace(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (!isStrippedSpace(c))
            result.append(c);
    }
    return result;
}

QByteArray HexTextToBytes(const QString& text)
{
    const QString digits = StripWhiteSpace(text);
    QByteArray bytes;
    if (digits.size() < 2)
        return bytes;
    bytes.reserve(digits.size() / 2);
    for (qsizetype i = 0; i + 1 < digits.size(); i += 2) {
        const QChar first = digits.at(i);
        const QChar second = digits.at(i + 1);
        if (isTrimmedSpace(first) || isTrimmedSpace(second))
            continue;
        bytes.append(char(HexDigitValue(first) * 16 + HexDigitValue(second)));
    }
    return bytes;
}
