#pragma once

#include <QImage>
#include <QPalette>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

class QPainter;

namespace Compass {

// The classic card picture.
inline constexpr QSize kCardSize{91, 95};

// The compass card at any size: face, ring, a tick every 10 degrees and the course pointer
// pointing up, all about the card's turning centre (width / 2, height / 2) and within its top-left
// square, the part that turning keeps. Outside the face the card has the palette's window colour.
QImage card(const QSize& size, const QPalette& palette);

// The classic paint: the area white, then the card turned clockwise by the heading (pixels
// without a source white) drawn at the area's top-left corner.
void paint(QPainter& painter, const QSize& area, int heading, const QImage& card);

// The compass as the desktop shows it: the card (face and pointer) made at twice the device's
// pixel size of the dial, turned by the same algorithm and halved smoothly, centred in the rect;
// the scale and N, E, S and W stand still over and around it. Keeps the last turned card, so a
// repaint at the same heading and size costs no turning.
class Dial {
public:
    void paint(QPainter& painter, const QRect& rect, int heading, const QPalette& palette, qreal dpr);
    // Where the turned card goes in a rect (logical coordinates) and its radius for the letters.
    static QRectF cardRect(const QRect& rect);

private:
    QImage m_turned;
    int m_pixels = -1;
    int m_heading = 0;
    qint64 m_paletteKey = 0;
    qreal m_dpr = 0.0;
};

} // namespace Compass

// The course indicator of the GPS view: the compass card turned by the heading. The caption is
// kept for the owner (who may show it as a title) and not drawn.
class ZelMfcCompass : public QWidget {
    Q_OBJECT
public:
    explicit ZelMfcCompass(QWidget* parent = nullptr);

    int heading() const { return m_heading; }
    // Degrees clockwise from north; repaints when it changes.
    void setHeading(int degrees);
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption) { m_caption = caption; }

    QSize sizeHint() const override { return {320, 320}; }
    QSize minimumSizeHint() const override { return {120, 120}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_heading = 0;
    QString m_caption;
    Compass::Dial m_dial;
};
