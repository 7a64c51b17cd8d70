#pragma once

#include "controls/StateGauge.h"

#include "controls/GaugePainting.h"

#include <QWidget>
#include <optional>

// A thermometer: tube and bulb over a temperature scale, the title and unit above, the reading
// below. The scale is either -4..158 °F or -20..70 °C (the same span, one tick every 18 °F or 10 °C).
namespace Thermometer {
enum class Scale { Fahrenheit, Celsius };
struct State {
    QString title;
    Scale scale = Scale::Fahrenheit;
    std::optional<double> value; // in the scale's unit; nothing when not reported
};
// The unit as the dialogs show it: "(°F)" or "(°C)".
QString unitText(Scale scale);
double low(Scale scale);
double high(Scale scale);
Gauge::Column column(const State& state);
void paint(QPainter& painter, const QRectF& rect, const State& state, const QPalette& palette);
} // namespace Thermometer

class ZelMFCThermometer : public StateGauge<Thermometer::State, Thermometer::paint> {
    Q_OBJECT
public:
    using StateGauge::StateGauge;
};
