#include "korvane/shell/tray_images.h"

#include <QPainter>

namespace korvane {

namespace {

// The classic 16-colour palette.
constexpr QRgb kBlack = 0xff000000;
constexpr QRgb kMaroon = 0xff800000;
constexpr QRgb kGreen = 0xff008000;
constexpr QRgb kOlive = 0xff808000;
constexpr QRgb kNavy = 0xff000080;
constexpr QRgb kPurple = 0xff800080;
constexpr QRgb kTeal = 0xff008080;
constexpr QRgb kGrey = 0xff808080;
constexpr QRgb kSilver = 0xffc0c0c0;
constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kLime = 0xff00ff00;
constexpr QRgb kYellow = 0xffffff00;
constexpr QRgb kBlue = 0xff0000ff;
constexpr QRgb kMagenta = 0xffff00ff;
constexpr QRgb kAqua = 0xff00ffff;
constexpr QRgb kWhite = 0xffffffff;

// Segment colours from the bottom: bright face, darker lower row so the
// meter reads as separate segments even at 16 pixels.
struct SegmentColours {
    QRgb face;
    QRgb shade;
};
constexpr SegmentColours kSegment[kTraySegments] = {
    {kLime, kGreen}, {kLime, kGreen}, {kLime, kGreen}, {kYellow, kOlive}, {kYellow, kOlive}, {kRed, kMaroon},
};

void fill(QImage& img, int x0, int y0, int w, int h, QRgb c)
{
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            img.setPixel(x, y, c);
}

// One meter at horizontal offset ox within the image at strip offset base.
void drawBar(QImage& img, int base, int line, int level)
{
    const TrayBarGeometry g = trayBarGeometry(line);
    const int x = base + g.left;
    if (level <= 0) {
        // Idle: an empty grey bar.
        fill(img, x, 0, g.width, kTrayImageSize, kGrey);
        fill(img, x + 1, 1, g.width - 2, kTrayImageSize - 2, kSilver);
        return;
    }
    // Up: a dark bar; segments light from the bottom as the load grows.
    fill(img, x, 0, g.width, kTrayImageSize, kBlack);
    const int lit = qBound(0, level - 1, kTraySegments);
    for (int s = 0; s < kTraySegments; ++s) {
        const int top = g.segmentTop(s);
        if (s < lit) {
            fill(img, x + 1, top, g.width - 2, 1, kSegment[s].face);
            fill(img, x + 1, top + 1, g.width - 2, 1, kSegment[s].shade);
        } else {
            // An unlit segment keeps a faint mark so the scale stays readable.
            fill(img, x + 1, top + 1, g.width - 2, 1, kNavy);
        }
    }
}

void drawCross(QImage& img, int base)
{
    for (int i = 0; i < kTrayImageSize; ++i) {
        for (int d = 0; d < 2; ++d) {
            const int a = qMin(i + d, kTrayImageSize - 1);
            img.setPixel(base + a, i, kRed);
            img.setPixel(base + kTrayImageSize - 1 - a, i, kRed);
        }
    }
}

}  // namespace

int TrayBarGeometry::segmentTop(int segment) const
{
    // Rows 1..14 inside the outline; the bottom segment sits on row 13..14.
    return kTrayImageSize - 1 - (segment + 1) * kSegmentHeight;
}

TrayBarGeometry trayBarGeometry(int line) { return TrayBarGeometry{line == 2 ? 9 : 1, 6}; }

const QVector<QRgb>& trayPalette()
{
    static const QVector<QRgb> palette = {kBlack, kMaroon, kGreen, kOlive,  kNavy, kPurple,  kTeal, kGrey,
                                          kSilver, kRed,   kLime,  kYellow, kBlue, kMagenta, kAqua, kWhite};
    return palette;
}

QRgb trayTransparentColour() { return kMagenta; }

QImage trayImageStrip()
{
    QImage strip(kTrayImageSize * kTrayImageCount, kTrayImageSize, QImage::Format_RGB32);
    strip.fill(kMagenta);
    for (int i = 0; i < kTrayImageCount; ++i) {
        const int base = i * kTrayImageSize;
        if (i == kTrayNoStatusImage) {
            drawBar(strip, base, 1, 0);
            drawBar(strip, base, 2, 0);
            drawCross(strip, base);
        } else {
            drawBar(strip, base, 1, i / 8);
            drawBar(strip, base, 2, i % 8);
        }
    }
    return strip;
}

QImage trayImage(int index)
{
    static const QImage strip = trayImageStrip();
    if (index < 0 || index >= kTrayImageCount)
        index = kTrayNoStatusImage;
    QImage img = strip.copy(index * kTrayImageSize, 0, kTrayImageSize, kTrayImageSize)
                     .convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == kMagenta)
                img.setPixel(x, y, qRgba(0, 0, 0, 0));
    return img;
}

QIcon trayIcon(int index)
{
    // Scaled copies keep the pixels crisp on trays that draw icons larger.
    QIcon icon;
    const QImage img = trayImage(index);
    icon.addPixmap(QPixmap::fromImage(img));
    icon.addPixmap(QPixmap::fromImage(img.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    icon.addPixmap(QPixmap::fromImage(img.scaled(48, 48, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    return icon;
}

}  // namespace korvane
