#include "controls/RainGauge.h"

#include <QPainter>

namespace Rain {

int scaleEnd(int value) {
    return value >= 50 ? value + 10 : 50;
}

Gauge::Column column(const State& state) {
    Gauge::Column c;
    c.title = state.title;
    c.unit = state.unit;
    if (state.value) {
        c.value = *state.value;
        c.valueText = QString::number(*state.value);
    }
    c.low = 0;
    c.high = scaleEnd(state.value.value_or(0));
    c.labels = {0, c.high / 2, c.high};
    c.minorStep = c.high / 10;
    c.fill = QColor::fromRgb(Gauge::kWater);
    return c;
}

void paint(QPainter& painter, const QRectF& rect, const State& state, const QPalette& palette) {
    Gauge::paintColumn(painter, rect, column(state), palette);
}

} // namespace Rain
