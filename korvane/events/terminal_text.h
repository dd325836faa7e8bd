#pragma once
// Text from the router, the network or a script on its way to a terminal:
// control characters would ring its bell, move its cursor or switch its
// character set, so none reaches it as such.

#include <QByteArray>
#include <QString>

namespace korvane {

// C0 controls (but the line feed), DEL and the C1 range U+0080-U+009F shown
// as "\xNN", so that they stay visible and inert.
QString visibleControls(const QString& text);

// A serialised JSON text with DEL and the C1 characters, which JSON leaves
// raw, written as \u escapes (the others are escaped by the serialiser).
QByteArray escapeJsonControls(const QByteArray& json);

}  // namespace korvane
