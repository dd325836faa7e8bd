#include "korvane/views/graph_ctrl.h"

#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace korvane {

CGraphCtrl::CGraphCtrl(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kEdge);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CGraphCtrl::SetColors(QColor background, QColor grid, QColor missing, QColor current, QColor average) {
    background_ = background.rgb();
    grid_ = grid.rgb();
    missing_ = missing.rgb();
    currentPen_ = current.rgb();
    averagePen_ = average.rgb();
    Redraw();
}

CGraphCtrl::Plot CGraphCtrl::plot() const {
    // The frame's outer rectangle in client coordinates, one pixel more at
    // the left and top, four less at the right and bottom; then moved so its
    // corner is the origin.
    const QSize client = contentsRect().size();
    const int left = -kEdge - 1;
    const int top = -kEdge - 1;
    const int right = client.width() + kEdge - 4;
    const int bottom = client.height() + kEdge - 4;
    return {0, 0, right - left, bottom - top};
}

int CGraphCtrl::yFor(int value) const { return plot().bottom - std::max(value, 0) - 1; }

bool CGraphCtrl::ensureImage() {
    const QSize client = contentsRect().size().expandedTo(QSize(1, 1));
    if (image_.size() == client)
        return false;
    image_ = QImage(client, QImage::Format_RGB32);
    image_.fill(background_);
    return true;
}

void CGraphCtrl::pixel(int x, int y, QRgb color) {
    if (x >= 0 && y >= 0 && x < image_.width() && y < image_.height())
        reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = color;
}

void CGraphCtrl::line(int x0, int y0, int x1, int y1, QRgb color) {
    // Integer steps along the major axis, the last point not drawn, so that
    // joined segments do not paint their common point twice.
    const int dx = x1 - x0;
    const int dy = y1 - y0;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    for (int i = 0; i < steps; ++i) {
        // Rounded to the nearest pixel, halves away from the start.
        const int x = x0 + (2 * dx * i + (dx >= 0 ? steps : -steps)) / (2 * steps);
        const int y = y0 + (2 * dy * i + (dy >= 0 ? steps : -steps)) / (2 * steps);
        pixel(x, y, color);
    }
}

void CGraphCtrl::AddSample(int current, int average) {
    ensureImage();
    const Plot p = plot();
    const int L = p.left, T = p.top, R = p.right, B = p.bottom;

    // Scroll (L + 2 .. R) two pixels to the left.
    const int from = std::clamp(L + 2, 0, image_.width());
    const int to = std::clamp(R, 0, image_.width());
    for (int y = std::max(T, 0); y < std::min(B, image_.height()); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        if (from >= 2 && to > from)
            std::memmove(row + from - 2, row + from, sizeof(QRgb) * std::size_t(to - from));
    }
    line(R - 1, T, R - 1, B, background_);
    line(R - 2, T, R - 2, B, background_);
    for (int y = B - 1; y >= T; y -= 10)
        line(R - 2, y, R, y, grid_);
    if (++phase_ >= 5) {
        line(R - 1, T, R - 1, B, grid_);
        phase_ = 0;
    }

    const int previousCurrent = current_.isEmpty() ? kNoData : current_.first();
    const int previousAverage = average_.isEmpty() ? kNoData : average_.first();
    current_.prepend(current);
    if (current_.size() > kMaxHistory)
        current_.removeLast();
    average_.prepend(average);
    if (average_.size() > kMaxHistory)
        average_.removeLast();

    line(R - 1, yFor(current), R - 3, yFor(previousCurrent),
         previousCurrent == kNoData && current == kNoData ? missing_ : currentPen_);
    line(R - 1, yFor(average), R - 3, yFor(previousAverage),
         previousAverage == kNoData && average == kNoData ? missing_ : averagePen_);
    update();
}

void CGraphCtrl::drawCurve(const QList<int>& history, QRgb color, const Plot& p) {
    if (history.isEmpty())
        return;
    int right = history.first();
    int x = p.right - 1;
    for (qsizetype i = 1; i < history.size() && x > p.left; ++i) {
        const int older = history.at(i);
        line(x, yFor(right), x - 2, yFor(older), right == kNoData && older == kNoData ? missing_ : color);
        x -= 2;
        right = older;
    }
}

void CGraphCtrl::Redraw() {
    ensureImage();
    image_.fill(background_);
    const Plot p = plot();
    const int L = p.left, T = p.top, R = p.right, B = p.bottom;
    for (int y = B - 1; y >= T; y -= 10)
        line(L, y, R, y, grid_);
    for (int x = R - 2 * phase_ - 1; x >= L; x -= 10)
        line(x, T, x, B, grid_);
    drawCurve(current_, currentPen_, p);
    drawCurve(average_, averagePen_, p);
    update();
}

void CGraphCtrl::Clear() {
    current_.clear();
    average_.clear();
    Redraw();
}

void CGraphCtrl::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    // A hidden chart gets its resize late, when it is first shown or
    // grabbed: the picture stays unless the size really changed.
    if (ensureImage())
        Redraw();
}

void CGraphCtrl::paintEvent(QPaintEvent* event) {
    ensureImage();
    {
        QPainter painter(this);
        painter.drawImage(contentsRect().topLeft(), image_);
    }
    QFrame::paintEvent(event);
}

}  // namespace korvane
