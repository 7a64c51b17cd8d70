#pragma once

#include "gps/GpsPosition.h"

#include <QPalette>
#include <QSize>
#include <QWidget>
#include <optional>

class QPainter;

namespace SatelliteDisplay {

// The signal scale starts here and rises to the next multiple of 10 above the strongest signal.
inline constexpr int kScaleMaximum = 50;
// Signal-to-noise ratios above this are taken as this (no receiver reports more; it keeps the
// scale sane against a garbled report).
inline constexpr int kMaxSnr = 99;

// The sky picture in a rect: the horizon circle of the given radius about the centre, the
// elevation rings at 30 and 60 degrees, and N, E, S and W.
void paintSky(QPainter& painter, const QRect& rect, const QPoint& centre, int radius,
              const QPalette& palette);

// The whole display in (0, 0, size): the sky in the top two thirds (at most as high as it is
// wide), the signal grid below it, and per listed satellite its sky marker and its signal bar.
// Without a record, or with fix quality 0, only the background. Labels use the painter's font.
void paint(QPainter& painter, const QSize& size, const std::optional<GpsPosition>& record,
           const QPalette& palette);

} // namespace SatelliteDisplay

// The satellites in view: where they stand in the sky above bars of their signal strength.
class ZelGPSSatDisplay : public QWidget {
    Q_OBJECT
public:
    explicit ZelGPSSatDisplay(QWidget* parent = nullptr);

    // A copy of the record to show; repaints.
    void setPosition(const GpsPosition& position);
    // Back to no record (the background only).
    void clearPosition();
    const std::optional<GpsPosition>& position() const { return m_position; }

    QSize sizeHint() const override { return {320, 420}; }
    QSize minimumSizeHint() const override { return {120, 160}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<GpsPosition> m_position;
};
