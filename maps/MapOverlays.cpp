#include "maps/MapOverlays.h"

#include "gps/GeoCalc.h"
#include "maps/GeoProjection.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace {

constexpr double kFeetPerKm = 3280.839895013123;
constexpr double kKmPerMile = 1.609344;
constexpr double kBarMargin = 10;
constexpr double kBarMaxPixels = 160;
constexpr double kBarHeight = 34;
const QColor kInk(20, 20, 20);
const QColor kHalo(255, 255, 255, 200);

// The largest of 1, 2 and 5 times a power of ten that is at most limit (limit > 0).
double roundDown125(double limit) {
    const double power = std::pow(10.0, std::floor(std::log10(limit)));
    for (double m : {5.0, 2.0, 1.0})
        if (m * power <= limit * (1 + 1e-9)) return m * power;
    return power;
}

QString number(double v) {
    return QString::number(v, 'g', 12);
}

} // namespace

namespace MapOverlays {

QRectF ownPositionRect(const GeoProjection& projection, double latitude, double longitude) {
    const QPointF c = projection.toPixel(latitude, longitude);
    if (!std::isfinite(c.x()) || !std::isfinite(c.y())) return {};
    const double r = kOwnMarkerRadius + 3;
    return {c.x() - r, c.y() - r, 2 * r, 2 * r};
}

void paintOwnPosition(QPainter& painter, const GeoProjection& projection, double latitude, double longitude) {
    const QPointF c = projection.toPixel(latitude, longitude);
    if (!std::isfinite(c.x()) || !std::isfinite(c.y()) || std::abs(c.x()) > 1e7 || std::abs(c.y()) > 1e7)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    const double r = kOwnMarkerRadius;
    // White under red, so the marker shows on dark and light maps alike.
    painter.setPen(QPen(QColor(255, 255, 255, 230), 5));
    painter.drawEllipse(c, r, r);
    painter.setPen(QPen(QColor(220, 20, 60), 2.5));
    painter.drawEllipse(c, r, r);
    painter.setPen(QPen(QColor(220, 20, 60), 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(c.x() - r - 2, c.y()), QPointF(c.x() - r + 5, c.y()));
    painter.drawLine(QPointF(c.x() + r - 5, c.y()), QPointF(c.x() + r + 2, c.y()));
    painter.drawLine(QPointF(c.x(), c.y() - r - 2), QPointF(c.x(), c.y() - r + 5));
    painter.drawLine(QPointF(c.x(), c.y() + r - 5), QPointF(c.x(), c.y() + r + 2));
    painter.restore();
}

ScaleBar chooseScaleBar(double kmPerPixel, bool imperial, double maxPixels) {
    ScaleBar bar;
    if (!(kmPerPixel > 0) || !std::isfinite(kmPerPixel) || !(maxPixels >= 1)) return bar;
    const double maxKm = kmPerPixel * maxPixels;
    if (imperial) {
        const double maxMiles = maxKm / kKmPerMile;
        if (maxMiles >= 1) {
            const double miles = roundDown125(maxMiles);
            bar.pixels = miles * kKmPerMile / kmPerPixel;
            bar.text = number(miles) + QStringLiteral(" mi");
        } else {
            const double feet = roundDown125(maxKm * kFeetPerKm);
            bar.pixels = feet / kFeetPerKm / kmPerPixel;
            bar.text = number(feet) + QStringLiteral(" ft");
        }
    } else {
        if (maxKm >= 1) {
            const double km = roundDown125(maxKm);
            bar.pixels = km / kmPerPixel;
            bar.text = number(km) + QStringLiteral(" km");
        } else {
            const double metres = roundDown125(maxKm * 1000);
            bar.pixels = metres / 1000 / kmPerPixel;
            bar.text = number(metres) + QStringLiteral(" m");
        }
    }
    return bar;
}

double kmPerPixel(const GeoProjection& projection, const QRectF& window) {
    const QPointF c = window.center();
    double lat1 = 0, lon1 = 0, lat2 = 0, lon2 = 0;
    projection.toPosition(QPointF(c.x() - 50, c.y()), lat1, lon1);
    projection.toPosition(QPointF(c.x() + 50, c.y()), lat2, lon2);
    if (!std::isfinite(lat1) || !std::isfinite(lon1) || !std::isfinite(lat2) || !std::isfinite(lon2) ||
        std::abs(lat1) > 90 || std::abs(lat2) > 90)
        return 0;
    const double km = GeoCalc().ellipsoidalDistanceKm(lat1, lon1, lat2, lon2);
    return std::isfinite(km) && km > 0 ? km / 100 : 0;
}

QRectF scaleBarRect(const QRectF& window) {
    const double width = std::min(kBarMaxPixels, window.width() / 3) + 2 * kBarMargin;
    return {window.left() + kBarMargin, window.bottom() - kBarMargin - kBarHeight, width, kBarHeight};
}

QRectF paintScaleBar(QPainter& painter, const GeoProjection& projection, const QRectF& window,
                     bool imperial) {
    const QRectF area = scaleBarRect(window);
    const ScaleBar bar =
        chooseScaleBar(kmPerPixel(projection, window), imperial, area.width() - 2 * kBarMargin);
    if (!bar.isValid()) return {};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = QGuiApplication::font();
    font.setPixelSize(12);
    painter.setFont(font);
    const QFontMetricsF fm(font);
    const double textWidth = fm.horizontalAdvance(bar.text);
    const QRectF halo(area.left(), area.top(), std::max(bar.pixels, textWidth) + 2 * kBarMargin,
                      area.height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(kHalo);
    painter.drawRoundedRect(halo, 4, 4);
    const double x0 = halo.left() + kBarMargin;
    const double y = halo.bottom() - 8;
    painter.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(x0, y), QPointF(x0 + bar.pixels, y));
    painter.drawLine(QPointF(x0, y - 6), QPointF(x0, y + 1));
    painter.drawLine(QPointF(x0 + bar.pixels, y - 6), QPointF(x0 + bar.pixels, y + 1));
    painter.setPen(kInk);
    painter.drawText(QRectF(x0, halo.top() + 3, halo.width(), fm.height()),
                     Qt::AlignLeft | Qt::TextSingleLine, bar.text);
    painter.restore();
    return halo;
}

} // namespace MapOverlays
