#include "ui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
QPixmap iconPixmap(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // A round blue badge.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x5f, 0xa8));
    p.drawEllipse(QRectF(s * 0.02, s * 0.02, s * 0.96, s * 0.96));
    // The mast: a white triangle standing on the badge's lower edge.
    QPainterPath mast;
    mast.moveTo(s * 0.5, s * 0.36);
    mast.lineTo(s * 0.62, s * 0.84);
    mast.lineTo(s * 0.38, s * 0.84);
    mast.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(mast);
    // Waves on both sides of the tip.
    QPen wave(Qt::white, qMax<qreal>(1.0, s * 0.055), Qt::SolidLine, Qt::RoundCap);
    p.setPen(wave);
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 2; ++i) {
        const qreal r = s * 0.11 * i;
        const QRectF box(s * 0.5 - r, s * 0.33 - r, 2 * r, 2 * r);
        p.drawArc(box, 135 * 16, 90 * 16);
        p.drawArc(box, -45 * 16, 90 * 16);
    }
    return pm;
}
} // namespace

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(iconPixmap(size));
    return icon;
}
