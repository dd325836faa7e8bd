#pragma once
// How the texts read from router screens become field values. The router
// paints single-byte text; the rules are those of the C library the monitor
// was first written against, so they are spelled out here rather than left
// to QString's Unicode-aware helpers.

#include <QString>
#include <QStringView>

namespace korvane {

// Space, tab, line feed, vertical tab, form feed and carriage return: the C
// library's white space in the "C" locale. No-break space and the other
// Unicode spaces are ordinary characters on a router screen.
constexpr bool isScreenWhiteSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || (u >= u'\t' && u <= u'\r');
}

// The leading decimal integer of a text, read as atol reads it: white space
// skipped, one optional sign, digits up to the first other character, 0
// without digits. A value beyond 32 bits saturates at the nearest limit.
qint32 leadingInteger(QStringView text);

// The text without white space at both ends, or at the end only.
QString trimmedBothEnds(QStringView text);
QString trimmedEnd(QStringView text);

}  // namespace korvane
