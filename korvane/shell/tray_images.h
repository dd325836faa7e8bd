#pragma once
// The tray icon's 65 pictures, drawn by the program: two vertical bar meters
// (line 1 left, line 2 right), image i = level(line 1) * 8 + level(line 2),
// and image 64, a red cross over two idle bars for "no live status".

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QVector>

namespace korvane {

constexpr int kTrayImageCount = 65;
constexpr int kTrayImageSize = 16;
constexpr int kTrayNoStatusImage = 64;
// Lit segments of a bar meter; level 2 lights one, level 7 all six.
constexpr int kTraySegments = 6;

// The 16-colour palette the pictures use; magenta marks transparent pixels.
const QVector<QRgb>& trayPalette();
QRgb trayTransparentColour();

// The whole strip: 65 images of 16 x 16 side by side, in the 16 colours,
// magenta where transparent (1040 x 16, RGB32).
QImage trayImageStrip();
// One image of the strip with the magenta pixels made transparent (ARGB32).
// An index outside 0..64 gives image 64.
QImage trayImage(int index);
QIcon trayIcon(int index);

// Where the meters sit in a 16 x 16 image (used by the pictures' tests).
struct TrayBarGeometry {
    int left;          // first column of the bar's outline
    int width;         // outline included
    int segmentTop(int segment) const;  // first row of segment 0 (bottom) .. 5 (top)
    static constexpr int kSegmentHeight = 2;
};
TrayBarGeometry trayBarGeometry(int line);  // line 1 or 2

}  // namespace korvane
