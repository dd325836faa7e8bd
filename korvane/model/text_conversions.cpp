#include "korvane/model/text_conversions.h"

#include <limits>

namespace korvane {

qint32 leadingInteger(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isScreenWhiteSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Accumulate as a negative number so that the lowest value fits too.
    constexpr qint64 lowest = std::numeric_limits<qint32>::min();
    qint64 value = 0;
    bool saturated = false;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (saturated)
            continue;
        value = value * 10 - (text[i].unicode() - u'0');
        if (value < lowest) {
            value = lowest;
            saturated = true;
        }
    }
    if (negative)
        return qint32(value);
    if (saturated || value < -qint64(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    return qint32(-value);
}

QString trimmedBothEnds(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isScreenWhiteSpace(text[begin]))
        ++begin;
    while (end > begin && isScreenWhiteSpace(text[end - 1]))
        --end;
    return text.mid(begin, end - begin).toString();
}

QString trimmedEnd(QStringView text)
{
    qsizetype end = text.size();
    while (end > 0 && isScreenWhiteSpace(text[end - 1]))
        --end;
    return text.first(end).toString();
}

}  // namespace korvane
