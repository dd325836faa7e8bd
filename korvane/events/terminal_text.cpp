#include "korvane/events/terminal_text.h"

namespace korvane {

namespace {
bool isControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }
}  // namespace

QString visibleControls(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u != u'\n' && isControl(u))
            out += QStringLiteral("\\x%1").arg(unsigned(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QByteArray escapeJsonControls(const QByteArray& json) {
    // Raw controls can only be inside strings, where an escape means the same.
    const QString text = QString::fromUtf8(json);
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (isControl(u))
            out += QStringLiteral("\\u%1").arg(unsigned(u), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out.toUtf8();
}

}  // namespace korvane
