#pragma once

#include "controls/StateGauge.h"

#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <optional>

class QPainter;
class QPalette;

// The wind direction meter: a compass rose (N up) with a pointer toward the direction the wind
// comes from, and a title above.
namespace DirectionMeter {
struct State {
    QString title = QStringLiteral("Wind");
    std::optional<int> degrees; // nothing: no pointer (calm, or not reported)
};
struct Geometry {
    QRectF title;
    QPointF centre;
    double radius = 0;
};
Geometry geometry(const QRectF& rect, const QFont& font);
// The point at a fraction of the radius toward a compass direction (clockwise from north).
QPointF toward(const Geometry& geometry, double degrees, double radiusFraction);
void paint(QPainter& painter, const QRectF& rect, const State& state, const QPalette& palette);
} // namespace DirectionMeter

class ZelDirectionmeter : public StateGauge<DirectionMeter::State, DirectionMeter::paint> {
    Q_OBJECT
public:
    using StateGauge::StateGauge;
};
