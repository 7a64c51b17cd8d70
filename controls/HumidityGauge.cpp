#include "controls/HumidityGauge.h"

#include <QPainter>

namespace Humidity {

Gauge::Column column(const State& state) {
    Gauge::Column c;
    c.title = state.title;
    c.unit = QStringLiteral("(%)");
    if (state.percent) {
        c.value = *state.percent;
        c.valueText = QString::number(*state.percent) + QLatin1Char('%');
    }
    c.low = 0;
    c.high = 100;
    c.labels = {0, 50, 100};
    c.minorStep = 10;
    c.fill = QColor::fromRgb(Gauge::kHumidity);
    return c;
}

void paint(QPainter& painter, const QRectF& rect, const State& state, const QPalette& palette) {
    Gauge::paintColumn(painter, rect, column(state), palette);
}

} // namespace Humidity
