#include "controls/ZelDirectionmeter.h"

#include "controls/GaugePainting.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace DirectionMeter {

Geometry geometry(const QRectF& rect, const QFont& font) {
    const double line = QFontMetricsF(font).height();
    Geometry g;
    g.title = QRectF(rect.left(), rect.top(), rect.width(), line);
    const QRectF dial(rect.left(), g.title.bottom() + 2, rect.width(), rect.bottom() - g.title.bottom() - 2);
    g.radius = std::max(1.0, std::min(dial.width(), dial.height()) / 2 - 1);
    g.centre = dial.center();
    return g;
}

QPointF toward(const Geometry& g, double degrees, double radiusFraction) {
    const double a = degrees * std::numbers::pi / 180.0;
    const double r = g.radius * radiusFraction;
    return g.centre + QPointF(r * std::sin(a), -r * std::cos(a));
}

void paint(QPainter& p, const QRectF& rect, const State& state, const QPalette& palette) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const Geometry g = geometry(rect, p.font());
    const QColor text = palette.color(QPalette::WindowText);

    p.setPen(text);
    p.drawText(g.title, Qt::AlignCenter, state.title);

    p.setPen(QPen(palette.color(QPalette::Mid), 1.0));
    p.setBrush(palette.color(QPalette::Base));
    p.drawEllipse(g.centre, g.radius, g.radius);

    p.setPen(QPen(palette.color(QPalette::Text), 1.0));
    for (int d = 0; d < 360; d += 30) p.drawLine(toward(g, d, d % 90 == 0 ? 0.86 : 0.92), toward(g, d, 0.98));
    const QFontMetricsF fm(p.font());
    const char* letters[] = {"N", "E", "S", "W"};
    for (int i = 0; i < 4; ++i) {
        const QPointF at = toward(g, i * 90, 0.7);
        const QString letter = QString::fromLatin1(letters[i]);
        const double w = fm.horizontalAdvance(letter);
        p.drawText(QRectF(at.x() - w / 2, at.y() - fm.height() / 2, w, fm.height()), Qt::AlignCenter, letter);
    }

    if (state.degrees) {
        // An arrow head on the side the wind comes from, a thin tail across the centre.
        const double d = *state.degrees;
        p.setPen(QPen(palette.color(QPalette::Mid), std::max(1.5, g.radius * 0.025)));
        p.drawLine(g.centre, toward(g, d + 180, 0.55));
        const QColor pointer = QColor::fromRgb(Gauge::kPointer);
        p.setPen(QPen(pointer, std::max(2.0, g.radius * 0.05), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(g.centre, toward(g, d, 0.62));
        QPainterPath head;
        head.moveTo(toward(g, d, 0.82));
        head.lineTo(toward(g, d - 9, 0.58));
        head.lineTo(toward(g, d + 9, 0.58));
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(pointer);
        p.drawPath(head);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(text);
    p.drawEllipse(g.centre, g.radius * 0.06, g.radius * 0.06);
    p.restore();
}

} // namespace DirectionMeter
