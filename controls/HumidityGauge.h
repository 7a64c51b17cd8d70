#pragma once

#include "controls/StateGauge.h"

#include "controls/GaugePainting.h"

#include <QWidget>
#include <optional>

// Relative humidity as a column over 0..100 %.
namespace Humidity {
struct State {
    QString title = QStringLiteral("Humidity");
    std::optional<int> percent;
};
Gauge::Column column(const State& state);
void paint(QPainter& painter, const QRectF& rect, const State& state, const QPalette& palette);
} // namespace Humidity

class HumidityGauge : public StateGauge<Humidity::State, Humidity::paint> {
    Q_OBJECT
public:
    using StateGauge::StateGauge;
};
