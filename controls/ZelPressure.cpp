#include "controls/ZelPressure.h"

#include "controls/GaugePainting.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>
#include <numbers>

QString pressureTrendText(PressureTrend trend) {
    switch (trend) {
    case PressureTrend::Better:
        return QStringLiteral("Better");
    case PressureTrend::Worse:
        return QStringLiteral("Worse");
    case PressureTrend::Steady:
        break;
    }
    return QStringLiteral("Steady");
}

namespace PressureDial {

namespace {
constexpr double kStart = 210; // the low end, at about eight o'clock
constexpr double kSweep = 240;

QPointF onCircle(QPointF centre, double radius, double degrees) {
    const double a = degrees * std::numbers::pi / 180.0;
    return centre + QPointF(radius * std::cos(a), -radius * std::sin(a));
}
} // namespace

Geometry geometry(const QRectF& rect, const QFont& font) {
    const double line = QFontMetricsF(font).height();
    Geometry g;
    g.title = QRectF(rect.left(), rect.top(), rect.width(), line);
    g.trend = QRectF(rect.left(), rect.bottom() - line, rect.width(), line);
    const QRectF dial(rect.left(), g.title.bottom() + 2, rect.width(), g.trend.top() - g.title.bottom() - 4);
    g.radius = std::max(1.0, std::min(dial.width(), dial.height()) / 2 - 1);
    g.centre = dial.center();
    return g;
}

double angle(double hPa) {
    return kStart - kSweep * Gauge::fraction(hPa, kLow, kHigh);
}

void paint(QPainter& p, const QRectF& rect, const State& state, const QPalette& palette) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const Geometry g = geometry(rect, p.font());
    const QColor text = palette.color(QPalette::WindowText);
    const double r = g.radius;

    p.setPen(text);
    p.drawText(g.title, Qt::AlignCenter, QStringLiteral("Pressure (Hpa)"));

    p.setPen(QPen(palette.color(QPalette::Mid), 1.0));
    p.setBrush(palette.color(QPalette::Base));
    p.drawEllipse(g.centre, r, r);

    // A tick every 10 hPa, long ones every 50 with their numbers.
    QFont small = p.font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.85));
    p.setFont(small);
    const QFontMetricsF fm(small);
    p.setPen(QPen(palette.color(QPalette::Text), 1.0));
    for (int v = kLow; v <= kHigh; v += 10) {
        const bool major = v % 50 == 0;
        const double a = angle(v);
        p.drawLine(onCircle(g.centre, r * (major ? 0.84 : 0.9), a), onCircle(g.centre, r * 0.97, a));
        if (v % 100 == 0) {
            const QPointF at = onCircle(g.centre, r * 0.68, a);
            const QString label = QString::number(v);
            const double w = fm.horizontalAdvance(label);
            p.drawText(QRectF(at.x() - w / 2, at.y() - fm.height() / 2, w, fm.height()), Qt::AlignCenter,
                       label);
        }
    }

    p.drawText(QRectF(g.centre.x() - r, g.centre.y() + r * 0.42, 2 * r, fm.height()), Qt::AlignCenter,
               state.hPa ? QString::number(*state.hPa) : Gauge::noValue());
    p.setFont(QFont(p.font()));

    if (state.hPa) {
        const double a = angle(*state.hPa);
        p.setPen(
            QPen(QColor::fromRgb(Gauge::kPointer), std::max(2.0, r * 0.045), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(g.centre, onCircle(g.centre, r * 0.8, a));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(text);
    p.drawEllipse(g.centre, r * 0.06, r * 0.06);

    p.restore();
    p.save();
    p.setPen(text);
    p.drawText(g.trend, Qt::AlignCenter, QStringLiteral("Trend: ") + pressureTrendText(state.trend));
    p.restore();
}

} // namespace PressureDial
