#include "controls/GaugePainting.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace Gauge {

QString noValue() {
    return QStringLiteral("\u2014");
}

double fraction(double value, double low, double high) {
    if (!(high > low)) return 0.0;
    return std::clamp((value - low) / (high - low), 0.0, 1.0);
}

QString scaleLabel(double value) {
    return QString::number(static_cast<long long>(std::llround(value)));
}

ColumnGeometry columnGeometry(const QRectF& rect, const QFont& font, const Column& column) {
    const QFontMetricsF fm(font);
    const double line = fm.height();
    ColumnGeometry g;
    g.title = QRectF(rect.left(), rect.top(), rect.width(), 2 * line);
    g.value = QRectF(rect.left(), rect.bottom() - line, rect.width(), line);

    double labelWidth = 0;
    for (double v : column.labels) labelWidth = std::max(labelWidth, fm.horizontalAdvance(scaleLabel(v)));
    const double tubeWidth = std::clamp(rect.width() * 0.16, 8.0, 18.0);
    const double tick = 5;
    const double total = tubeWidth + tick + 3 + labelWidth;
    const double left = rect.left() + std::max(0.0, (rect.width() - total) / 2);

    // Half a line of room above the tube and below its end keeps the end labels inside the body.
    double top = g.title.bottom() + line * 0.5;
    double bottom = g.value.top() - line * 0.5;
    if (column.bulb) {
        const double d = tubeWidth * 1.8;
        g.bulb = QRectF(left + tubeWidth / 2 - d / 2, bottom - d, d, d);
        bottom = g.bulb.top() + d * 0.15;
    }
    g.tube = QRectF(left, top, tubeWidth, std::max(1.0, bottom - top));
    g.labelX = left + tubeWidth + tick + 3;
    return g;
}

double columnTop(const ColumnGeometry& g, const Column& column, double value) {
    return g.tube.bottom() - fraction(value, column.low, column.high) * g.tube.height();
}

void paintColumn(QPainter& p, const QRectF& rect, const Column& column, const QPalette& palette) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    const ColumnGeometry g = columnGeometry(rect, p.font(), column);
    const QColor text = palette.color(QPalette::WindowText);
    const QColor frame = palette.color(QPalette::Mid);

    p.setPen(text);
    const QRectF titleLine(g.title.left(), g.title.top(), g.title.width(), g.title.height() / 2);
    p.drawText(titleLine, Qt::AlignCenter, column.title);
    p.drawText(titleLine.translated(0, titleLine.height()), Qt::AlignCenter, column.unit);

    // Tube, and the bulb joined to its foot.
    QPainterPath glass;
    glass.setFillRule(Qt::WindingFill); // where tube and bulb overlap is glass, not a hole
    glass.addRoundedRect(g.tube, g.tube.width() / 2, g.tube.width() / 2);
    if (!g.bulb.isEmpty()) glass.addEllipse(g.bulb);
    glass = glass.simplified();
    p.setPen(QPen(frame, 1.0));
    p.setBrush(palette.color(QPalette::Base));
    p.drawPath(glass);

    if (column.value) {
        const double top = columnTop(g, column, *column.value);
        QRectF filled(g.tube.left(), top, g.tube.width(), g.tube.bottom() - top);
        if (!g.bulb.isEmpty()) filled.setBottom(g.bulb.center().y());
        p.setPen(Qt::NoPen);
        p.setBrush(column.fill);
        p.save();
        p.setClipPath(glass);
        p.drawRect(filled.adjusted(1.5, 0, -1.5, 0));
        if (!g.bulb.isEmpty()) p.drawEllipse(g.bulb.adjusted(1.5, 1.5, -1.5, -1.5));
        p.restore();
    }

    // Scale: ticks beside the tube, numbers beside the major ticks.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(text, 1.0));
    const double x0 = g.tube.right() + 1;
    if (column.minorStep > 0) {
        const int steps = static_cast<int>(std::floor((column.high - column.low) / column.minorStep + 1e-9));
        for (int i = 0; i <= steps; ++i) {
            const double y = columnTop(g, column, column.low + i * column.minorStep);
            p.drawLine(QPointF(x0, y), QPointF(x0 + 3, y));
        }
    }
    const QFontMetricsF fm(p.font());
    for (double v : column.labels) {
        const double y = columnTop(g, column, v);
        p.drawLine(QPointF(x0, y), QPointF(x0 + 5, y));
        p.drawText(QRectF(g.labelX, y - fm.height() / 2, rect.right() - g.labelX, fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, scaleLabel(v));
    }

    p.drawText(g.value, Qt::AlignCenter,
               column.valueText.isEmpty() && !column.value ? noValue() : column.valueText);
    p.restore();
}

} // namespace Gauge
