#include "controls/ZelMFCThermometer.h"

#include <QPainter>
#include <cmath>

namespace Thermometer {

QString unitText(Scale scale) {
    return scale == Scale::Fahrenheit ? QStringLiteral("(\u00B0F)") : QStringLiteral("(\u00B0C)");
}
double low(Scale scale) {
    return scale == Scale::Fahrenheit ? -4 : -20;
}
double high(Scale scale) {
    return scale == Scale::Fahrenheit ? 158 : 70;
}

Gauge::Column column(const State& state) {
    Gauge::Column c;
    c.title = state.title;
    c.unit = unitText(state.scale);
    c.value = state.value;
    if (state.value) c.valueText = QString::number(*state.value, 'f', 1);
    c.low = low(state.scale);
    c.high = high(state.scale);
    const double step = state.scale == Scale::Fahrenheit ? 18 : 10;
    c.minorStep = step;
    for (double v = c.low; v <= c.high + 1e-9; v += 2 * step) c.labels.push_back(v);
    c.fill = QColor::fromRgb(Gauge::kPointer);
    c.bulb = true;
    return c;
}

void paint(QPainter& painter, const QRectF& rect, const State& state, const QPalette& palette) {
    Gauge::paintColumn(painter, rect, column(state), palette);
}

} // namespace Thermometer
