#include "controls/ZelMfcCompass.h"

#include "controls/RotatingBitmap.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace {

// The course pointer keeps one colour in light and dark themes; so does the north letter.
const QColor kPointer(224, 64, 32);
const QColor kNorth(208, 40, 40);

uint32_t colourRef(const QColor& c) {
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
           (static_cast<uint32_t>(c.blue()) << 16);
}

} // namespace

namespace Compass {

namespace {

qreal scaleFactor(qreal r) {
    return r / 44.0; // 1 at the classic card
}

// The ring and the ticks about a centre: a tick every 10 degrees, longer every 30 and longest at
// the cardinal points.
void drawScale(QPainter& p, const QPointF& centre, qreal r, const QPalette& palette) {
    const qreal k = scaleFactor(r);
    const QColor ink = palette.color(QPalette::Text);
    const qreal ringWidth = std::max(1.0, 1.6 * k);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink, ringWidth));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, r - ringWidth / 2, r - ringWidth / 2);
    p.translate(centre);
    const qreal outer = r - ringWidth - 0.5 * k;
    for (int deg = 0; deg < 360; deg += 10) {
        const qreal length = deg % 90 == 0 ? 9.0 * k : deg % 30 == 0 ? 6.0 * k : 3.5 * k;
        const qreal width = deg % 30 == 0 ? std::max(1.0, 1.4 * k) : std::max(0.8, 0.9 * k);
        p.setPen(QPen(ink, width, Qt::SolidLine, Qt::FlatCap));
        p.save();
        p.rotate(deg);
        p.drawLine(QPointF(0, -outer), QPointF(0, -outer + length));
        p.restore();
    }
    p.restore();
}

// Face, optionally the scale, and the course pointer: a needle, its head pointing up.
QImage drawCard(const QSize& size, const QPalette& palette, bool withScale) {
    if (size.isEmpty()) return {};
    QImage image(size, QImage::Format_RGB32);
    image.fill(palette.color(QPalette::Window));

    // Everything stays within the square that turning reads, about the turning centre.
    const int bound = RotatingBitmap::sourceBound(size.width(), size.height());
    const int cx = size.width() / 2;
    const int cy = size.height() / 2;
    const int reach = std::min({cx, cy, bound - cx, bound - cy});
    if (reach < 2) return image;
    const QPointF centre(cx + 0.5, cy + 0.5);
    const qreal r = reach + 0.4;

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(palette.color(QPalette::Base));
    p.drawEllipse(centre, r, r);
    if (withScale) drawScale(p, centre, r, palette);

    p.translate(centre);
    const qreal half = 0.12 * r;
    QPainterPath head;
    head.moveTo(0, -0.72 * r);
    head.lineTo(half, 0);
    head.lineTo(-half, 0);
    head.closeSubpath();
    QPainterPath tail;
    tail.moveTo(0, 0.52 * r);
    tail.lineTo(half, 0);
    tail.lineTo(-half, 0);
    tail.closeSubpath();
    p.setBrush(palette.color(QPalette::Mid));
    p.drawPath(tail);
    p.setBrush(kPointer);
    p.drawPath(head);
    p.setBrush(palette.color(QPalette::Text));
    p.drawEllipse(QPointF(0, 0), 0.07 * r, 0.07 * r);
    return image;
}

// The face radius drawCard uses for a square card of that side.
qreal faceRadius(int side) {
    const int bound = side - 1;
    const int c = side / 2;
    return std::min(c, bound - c) + 0.4;
}

} // namespace

QImage card(const QSize& size, const QPalette& palette) {
    return drawCard(size, palette, true);
}

void paint(QPainter& painter, const QSize& area, int heading, const QImage& cardImage) {
    painter.fillRect(QRect(QPoint(0, 0), area), Qt::white);
    RotatingBitmap bitmap;
    bitmap.Load(cardImage);
    bitmap.Rotate(static_cast<float>(heading));
    bitmap.Draw(painter, 0, 0);
}

QRectF Dial::cardRect(const QRect& rect) {
    const qreal side = std::min(rect.width(), rect.height());
    // A band around the card for the letters.
    const qreal band = side * 0.13;
    const qreal d = std::max<qreal>(0.0, side - 2 * band);
    return {rect.center().x() + 0.5 - d / 2, rect.center().y() + 0.5 - d / 2, d, d};
}

void Dial::paint(QPainter& painter, const QRect& rect, int heading, const QPalette& palette, qreal dpr) {
    painter.fillRect(rect, palette.color(QPalette::Window));
    const QRectF cardArea = cardRect(rect);
    if (cardArea.width() < 8) return;
    if (dpr <= 0) dpr = 1;

    // The card is turned at twice the device's pixels and then halved smoothly: the nearest-pixel
    // turn leaves steps that would show at this size.
    constexpr int kOversample = 2;
    const int pixels = static_cast<int>(cardArea.width() * dpr);
    if (pixels != m_pixels || heading != m_heading || palette.cacheKey() != m_paletteKey || dpr != m_dpr) {
        const int big = pixels * kOversample;
        RotatingBitmap bitmap;
        bitmap.Load(drawCard(QSize(big, big), palette, false));
        bitmap.Rotate(static_cast<float>(heading), RotatingBitmap::sourceBound(big, big),
                      colourRef(palette.color(QPalette::Window)));
        m_turned = bitmap.toImage().scaled(pixels, pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_turned.setDevicePixelRatio(dpr);
        m_pixels = pixels;
        m_heading = heading;
        m_paletteKey = palette.cacheKey();
        m_dpr = dpr;
    }
    // On a whole device pixel, so the card stays sharp.
    const QPointF topLeft(std::round(cardArea.x() * dpr) / dpr, std::round(cardArea.y() * dpr) / dpr);
    painter.drawImage(topLeft, m_turned);

    // The scale and the letters stand still: only the pointer turns.
    const qreal r = faceRadius(pixels * kOversample) / kOversample / dpr;
    const qreal offset = ((pixels * kOversample) / 2 + 0.5) / kOversample / dpr;
    const QPointF centre = topLeft + QPointF(offset, offset);
    drawScale(painter, centre, r, palette);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const qreal side = std::min(rect.width(), rect.height());
    const qreal band = (side - cardArea.width()) / 2;
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(std::max(8, static_cast<int>(band * 0.72)));
    painter.setFont(font);
    const qreal radius = cardArea.width() / 2 + band / 2;
    struct Letter {
        const char* text;
        qreal dx, dy;
    };
    const Letter letters[] = {{"N", 0, -1}, {"E", 1, 0}, {"S", 0, 1}, {"W", -1, 0}};
    for (const Letter& l : letters) {
        const QPointF at = centre + QPointF(l.dx * radius, l.dy * radius);
        const QRectF box(at.x() - band, at.y() - band / 2, 2 * band, band);
        painter.setPen(l.dy < 0 ? kNorth : palette.color(QPalette::WindowText));
        painter.drawText(box, Qt::AlignCenter, QString::fromLatin1(l.text));
    }
    // Small marks between the letters.
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette.color(QPalette::Mid));
    for (int deg = 45; deg < 360; deg += 90) {
        const qreal a = qDegreesToRadians(static_cast<qreal>(deg));
        const QPointF at = centre + QPointF(std::sin(a) * radius, -std::cos(a) * radius);
        painter.drawEllipse(at, band * 0.06, band * 0.06);
    }
    painter.restore();
}

} // namespace Compass

ZelMfcCompass::ZelMfcCompass(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ZelMfcCompass::setHeading(int degrees) {
    if (degrees == m_heading) return;
    m_heading = degrees;
    update();
}

void ZelMfcCompass::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    m_dial.paint(painter, rect(), m_heading, palette(), devicePixelRatioF());
}
