#pragma once
// CGraphCtrl: a strip chart of two curves (current and average utilisation of
// one line), 2 pixels per sample, 1 pixel per percent, newest at the right.
//
// The chart keeps its picture in an image of the client area: AddSample
// scrolls it and draws only the new columns, a repaint request rebuilds it
// from the histories. Both follow the same pixel rules, so a rebuilt chart
// shows what the scrolling had left (apart from samples that fell out of the
// histories).

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QList>

namespace korvane {

class CGraphCtrl : public QFrame {
    Q_OBJECT
public:
    static constexpr int kMaxHistory = 249;
    static constexpr int kNoData = -1;
    // The width of the sunken edge around the client area.
    static constexpr int kEdge = 1;

    // Plot rectangle in drawing coordinates; the drawing origin is its
    // top-left corner. Right and bottom are exclusive, as with a window
    // rectangle.
    struct Plot {
        int left = 0, top = 0, right = 0, bottom = 0;
    };

    explicit CGraphCtrl(QWidget* parent = nullptr);

    void SetColors(QColor background, QColor grid, QColor missing, QColor current, QColor average);
    // Scrolls the chart and draws the newest segment of each curve; a value
    // is 0..100 or -1 for no data (others are drawn as given: below 0 as 0).
    void AddSample(int current, int average);
    // Empties both histories and rebuilds the picture; the grid phase stays.
    void Clear();
    // Rebuilds the picture from the histories (what a repaint draws).
    void Redraw();

    // Newest first.
    const QList<int>& currentHistory() const { return current_; }
    const QList<int>& averageHistory() const { return average_; }
    int scrollPhase() const { return phase_; }
    Plot plot() const;
    // The picture of the client area: drawing coordinate (x, y) is pixel
    // (x, y) of the image.
    const QImage& image() const { return image_; }
    // The row a value is drawn on.
    int yFor(int value) const;

    QSize sizeHint() const override { return {308, 106}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // True when the image was (re)made for a new size.
    bool ensureImage();
    // A line from (x0, y0) towards (x1, y1), the end point left out.
    void line(int x0, int y0, int x1, int y1, QRgb color);
    void pixel(int x, int y, QRgb color);
    void drawCurve(const QList<int>& history, QRgb color, const Plot& p);

    QList<int> current_;
    QList<int> average_;
    int phase_ = 0;
    QRgb background_ = qRgb(0, 0, 0);
    QRgb grid_ = qRgb(0, 128, 0);
    QRgb missing_ = qRgb(255, 0, 0);
    QRgb currentPen_ = qRgb(0, 255, 0);
    QRgb averagePen_ = qRgb(255, 255, 0);
    QImage image_;
};

}  // namespace korvane
