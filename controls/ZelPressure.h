#pragma once

#include "controls/StateGauge.h"

#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <optional>

class QPainter;
class QPalette;

// Where the pressure went over the last hours.
enum class PressureTrend { Steady, Better, Worse };
// "Better", "Worse" or "Steady".
QString pressureTrendText(PressureTrend trend);

// The barometer: a dial from 900 to 1100 hPa swept clockwise over 240 degrees, a pointer at the
// reading, the reading as text in the dial's open foot, and "Trend: ..." under the dial.
namespace PressureDial {
inline constexpr int kLow = 900;
inline constexpr int kHigh = 1100;

struct State {
    std::optional<int> hPa; // nothing when not reported: no pointer
    PressureTrend trend = PressureTrend::Steady;
};
struct Geometry {
    QRectF title; // "Pressure (Hpa)"
    QPointF centre;
    double radius = 0;
    QRectF trend; // "Trend: Better"
};
Geometry geometry(const QRectF& rect, const QFont& font);
// Qt's angle (degrees counter-clockwise from three o'clock) of a reading, clamped to the scale.
double angle(double hPa);
void paint(QPainter& painter, const QRectF& rect, const State& state, const QPalette& palette);
} // namespace PressureDial

class ZelPressure : public StateGauge<PressureDial::State, PressureDial::paint> {
    Q_OBJECT
public:
    using StateGauge::StateGauge;
};
