#pragma once
// The tray meter drawn at the size a tray or task bar asks for, 16 to 64
// pixels and HiDPI: the same 65 states, colours and layout as the 16-pixel
// tray pictures (at 16 pixels the very same image), with outlines, segments
// and the cross drawn for the size instead of a small bitmap blown up.

#include <QIcon>
#include <QImage>

namespace korvane {

// Image index 0..64 (64: no live status; anything else gives 64) at pixels
// x pixels (clamped to 8..256).
QImage trayMeterImage(int index, int pixels);
// An icon that draws itself at every size asked of it.
QIcon trayMeterIcon(int index);

}  // namespace korvane
