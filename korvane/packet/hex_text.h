#pragma once
// The router shows the captured packet as hexadecimal text. These helpers turn
// that text into bytes the way the decoder expects: forgiving, never failing.

#include <QByteArray>
#include <QChar>
#include <QString>

// "0"-"9", "A"-"F" and "a"-"f" give 0 to 15; anything else gives 0.
int HexDigitValue(QChar c);

// The text without its spaces, tabs, carriage returns and line feeds.
QString StripWhiteSpace(const QString& text);

// Pairs of digits to bytes after the white space is gone. A digit left over at
// the end is dropped. An empty text gives an empty (null) buffer.
QByteArray HexTextToBytes(const QString& text);
