#pragma once
// The router password's stored form. Each password character (an 8-bit code
// k at index i) becomes two characters, (~k + i) and (~k - i), modulo 256; the
// first of each pair alone gives the character back.
//
// An encoded text can hold a character of code 0 (a password starting with
// code 255, for one). Registry strings and C strings end there, so such a text
// is stored as a binary value of the exact codes; every other text is stored
// as a string of the codes (U+0000..U+00FF), as it always was. Reading takes
// either type.

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace korvane {

// The 8-bit codes of a password. The router speaks single-byte text, so a
// character beyond U+00FF cannot be sent and becomes '?', as the terminal
// would send it.
QByteArray passwordCodes(const QString& password);
// A character a password can hold (the properties sheet refuses others).
bool isPasswordCharacter(QChar c);

// The encoding on 8-bit codes: the result is twice as long.
QByteArray encodePasswordCodes(const QByteArray& codes);
// The decoding: pairs from the start; a lone last character is ignored.
QByteArray decodePasswordCodes(const QByteArray& stored);

// The codes of a stored string. Values written through an 8-bit code page
// come back from the registry as its Unicode characters (0x80 as U+20AC ...);
// those are mapped back through Windows-1252, the code page the program's
// users had. Anything else beyond U+00FF reads as '?'.
QByteArray storedTextCodes(const QString& text);

// The value to store for a password: a string, or a byte array when the
// encoded text holds a code 0.
QVariant passwordStorageValue(const QString& password);
// The password a stored value gives back (empty for an empty or odd value).
QString passwordFromStorageValue(const QVariant& value);

}  // namespace korvane
