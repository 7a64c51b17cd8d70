#pragma once

#include "controls/StateGauge.h"

#include "controls/GaugePainting.h"

#include <QWidget>
#include <optional>

// A rain gauge: a glass filling from 0 to the scale's end, which is 50 or, for 50 and more, the
// value + 10 (so a heavy rain never pins the gauge at its top).
namespace Rain {
struct State {
    QString title; // "Hour", "24h", "Today"
    QString unit;  // "(mm)" or "(in/100)"
    std::optional<int> value;
};
int scaleEnd(int value);
Gauge::Column column(const State& state);
void paint(QPainter& painter, const QRectF& rect, const State& state, const QPalette& palette);
} // namespace Rain

class RainGauge : public StateGauge<Rain::State, Rain::paint> {
    Q_OBJECT
public:
    using StateGauge::StateGauge;
};
