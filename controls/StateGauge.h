#pragma once

#include <QPainter>
#include <QPalette>
#include <QRectF>
#include <QWidget>

// The widget around an instrument's paint function: it keeps the state and paints it in its rect
// with its palette.
template <typename State, void (*Paint)(QPainter&, const QRectF&, const State&, const QPalette&)>
class StateGauge : public QWidget {
public:
    using QWidget::QWidget;
    const State& state() const { return m_state; }
    void setState(const State& state) {
        m_state = state;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        Paint(p, QRectF(rect()).adjusted(2, 2, -2, -2), m_state, palette());
    }

private:
    State m_state;
};
