#include "korvane/notify/tray_meter.h"

#include <QIconEngine>
#include <QPainter>

#include <cmath>

namespace korvane {

namespace {

// The tray pictures' palette and layout, in units of the 16-pixel picture.
constexpr QRgb kBlack = 0xff000000, kMaroon = 0xff800000, kGreen = 0xff008000, kOlive = 0xff808000,
               kNavy = 0xff000080, kGrey = 0xff808080, kSilver = 0xffc0c0c0, kRed = 0xffff0000,
               kLime = 0xff00ff00, kYellow = 0xffffff00;
constexpr int kUnits = 16;
constexpr int kSegments = 6;
constexpr QRgb kFace[kSegments] = {kLime, kLime, kLime, kYellow, kYellow, kRed};
constexpr QRgb kShade[kSegments] = {kGreen, kGreen, kGreen, kOlive, kOlive, kMaroon};

struct Scale {
    double s;
    int px(double units) const { return int(std::lround(units * s)); }
};

void fillPx(QImage& img, int x0, int y0, int x1, int y1, QRgb c)
{
    x0 = qMax(0, x0);
    y0 = qMax(0, y0);
    x1 = qMin(img.width(), x1);
    y1 = qMin(img.height(), y1);
    for (int y = y0; y < y1; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = x0; x < x1; ++x)
            row[x] = c;
    }
}

void drawBar(QImage& img, const Scale& sc, int line, int level)
{
    const double left = line == 2 ? 9 : 1, width = 6;
    const int x0 = sc.px(left), x1 = sc.px(left + width);
    const int y0 = 0, y1 = img.height();
    // The outline stays thin as the picture grows: that is what keeps it crisp.
    const int t = qMax(1, int(sc.s / 2));
    if (level <= 0) {
        fillPx(img, x0, y0, x1, y1, kGrey);
        fillPx(img, x0 + t, y0 + t, x1 - t, y1 - t, kSilver);
        return;
    }
    fillPx(img, x0, y0, x1, y1, kBlack);
    const int lit = qBound(0, level - 1, kSegments);
    for (int s = 0; s < kSegments; ++s) {
        // Segment s covers unit rows top..top+2 (two rows at 16 pixels).
        const double top = kUnits - 1 - (s + 1) * 2;
        const int r0 = sc.px(top), r1 = sc.px(top + 2);
        const int h = r1 - r0;
        const int shade = qMax(1, h / 4);
        const int gap = h >= 4 ? qMax(1, h / 8) : 0;
        const int faceBottom = r1 - shade;
        if (s < lit) {
            fillPx(img, x0 + t, r0 + gap, x1 - t, faceBottom, kFace[s]);
            fillPx(img, x0 + t, faceBottom, x1 - t, r1, kShade[s]);
        } else {
            fillPx(img, x0 + t, faceBottom, x1 - t, r1, kNavy);
        }
    }
}

void drawCross(QImage& img, const Scale& sc)
{
    const int n = img.width();
    if (n == kUnits) {
        for (int i = 0; i < kUnits; ++i)
            for (int d = 0; d < 2; ++d) {
                const int a = qMin(i + d, kUnits - 1);
                img.setPixel(a, i, kRed);
                img.setPixel(kUnits - 1 - a, i, kRed);
            }
        return;
    }
    // Two strokes, each two units wide, along the diagonals; no blending, so
    // the picture keeps to the palette.
    const int w = qMax(2, sc.px(2));
    for (int y = 0; y < n; ++y) {
        const int a = y * (n - w) / qMax(1, n - 1);
        fillPx(img, a, y, a + w, y + 1, kRed);
        fillPx(img, n - a - w, y, n - a, y + 1, kRed);
    }
}

class MeterEngine : public QIconEngine {
public:
    explicit MeterEngine(int index) : index_(index) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const int side = qMin(rect.width(), rect.height());
        QImage img = trayMeterImage(index_, int(std::lround(side * dpr)));
        img.setDevicePixelRatio(dpr);
        painter->drawImage(QRectF(rect.topLeft(), QSizeF(side, side)), img);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal scale) override
    {
        // Qt hands the size in device pixels already.
        const int side = qMin(size.width(), size.height());
        QPixmap pm = QPixmap::fromImage(trayMeterImage(index_, side));
        pm.setDevicePixelRatio(scale);
        return pm;
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = qMin(size.width(), size.height());
        return {side, side};
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}};
    }
    QIconEngine* clone() const override { return new MeterEngine(index_); }
    QString key() const override { return QStringLiteral("korvane-tray-meter"); }

private:
    int index_;
};

}  // namespace

QImage trayMeterImage(int index, int pixels)
{
    if (index < 0 || index > 64)
        index = 64;
    const int n = qBound(8, pixels, 256);
    QImage img(n, n, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    const Scale sc{double(n) / kUnits};
    if (index == 64) {
        drawBar(img, sc, 1, 0);
        drawBar(img, sc, 2, 0);
        drawCross(img, sc);
    } else {
        drawBar(img, sc, 1, index / 8);
        drawBar(img, sc, 2, index % 8);
    }
    return img;
}

QIcon trayMeterIcon(int index) { return QIcon(new MeterEngine(index)); }

}  // namespace korvane
