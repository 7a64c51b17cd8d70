#include "controls/ZelGPSSatDisplay.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

const QColor kReceivedFill(0, 128, 0);
const QColor kUnreceivedFill(150, 0, 0);
const QColor kBarFill(128, 128, 128);
const QColor kNorth(208, 40, 40);

QColor mix(const QColor& a, const QColor& b, qreal t) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * t + b.redF() * (1 - t)),
                            static_cast<float>(a.greenF() * t + b.greenF() * (1 - t)),
                            static_cast<float>(a.blueF() * t + b.blueF() * (1 - t)));
}

double radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

} // namespace

namespace SatelliteDisplay {

void paintSky(QPainter& painter, const QRect& rect, const QPoint& centre, int radius,
              const QPalette& palette) {
    const QColor base = palette.color(QPalette::Base);
    const QColor ink = palette.color(QPalette::Text);
    painter.fillRect(rect, base);
    if (radius < 2) return;

    painter.save();
    painter.setClipRect(rect);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF c(centre.x() + 0.5, centre.y() + 0.5);
    const qreal r = radius;
    painter.setBrush(Qt::NoBrush);

    // North-south and east-west through the zenith.
    painter.setPen(QPen(mix(ink, base, 0.22), 1.0));
    painter.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
    painter.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
    // The rings where markers of elevation 30 and 60 fall.
    painter.setPen(QPen(mix(ink, base, 0.35), 1.0, Qt::DashLine));
    for (int elevation : {30, 60}) {
        const qreal ring = r * std::cos(radians(elevation));
        painter.drawEllipse(c, ring, ring);
    }
    painter.setPen(QPen(mix(ink, base, 0.65), std::max(1.0, r / 90.0)));
    painter.drawEllipse(c, r, r);

    // The points of the compass just outside the horizon.
    QFont font = painter.font();
    font.setBold(true);
    const int room = std::max(0, std::min(rect.height() / 2, rect.width() / 2) - radius);
    font.setPixelSize(std::clamp(room * 2 / 3, 7, std::max(7, radius / 6)));
    painter.setFont(font);
    const qreal at = r + std::max(room, 8) / 2.0;
    const qreal box = font.pixelSize() * 2.0;
    struct Letter {
        const char* text;
        qreal dx, dy;
    };
    const Letter letters[] = {{"N", 0, -1}, {"E", 1, 0}, {"S", 0, 1}, {"W", -1, 0}};
    for (const Letter& l : letters) {
        const QPointF p = c + QPointF(l.dx * at, l.dy * at);
        painter.setPen(l.dy < 0 ? kNorth : ink);
        painter.drawText(QRectF(p.x() - box / 2, p.y() - box / 2, box, box), Qt::AlignCenter,
                         QString::fromLatin1(l.text));
    }
    painter.restore();
}

void paint(QPainter& painter, const QSize& size, const std::optional<GpsPosition>& record,
           const QPalette& palette) {
    const int W = size.width();
    const int H = size.height();
    if (W <= 0 || H <= 0) return;

    const QFontMetrics metrics = painter.fontMetrics();
    const QString sample = QStringLiteral("09");
    const int tw = metrics.horizontalAdvance(sample);
    const int th = metrics.height();

    const int S = std::min(2 * H / 3, W);
    const int cx = W / 2;
    const int cy = S / 2;
    const int R = 3 * S / 7;
    paintSky(painter, QRect(0, 0, W, S), QPoint(cx, cy), R, palette);

    const QColor face = palette.color(QPalette::Button);
    const QColor faceText = palette.color(QPalette::ButtonText);
    painter.fillRect(QRect(0, S, W, H - S), face);

    // The signal grid.
    const int M = H / 3 - th - 2;
    const int B = 2 * H / 3 + M;
    const int d = (H / 3 - th) / 5;
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(mix(faceText, face, 0.3));
    for (int k = 0; k < 5; ++k) {
        const int y = H - th - k * d;
        painter.drawLine(0, y, W - 1, y);
    }

    if (!record || record->fixQuality == GpsPosition::Invalid) return;

    // Only the satellites actually listed, however many the receiver says are in view.
    const int n = std::min(static_cast<int>(record->satellites.size()), GpsPosition::kMaxSatellites);
    if (n == 0) return;
    auto snrOf = [](const GpsSatellite& s) { return std::clamp(s.snr, 0, kMaxSnr); };

    int maximum = kScaleMaximum;
    for (int i = 0; i < n; ++i) {
        const int snr = snrOf(record->satellites[i]);
        if (snr > maximum) maximum = (snr / 10 + 1) * 10;
    }

    const int slot = W / n;
    for (int i = 0; i < n; ++i) {
        const GpsSatellite& sat = record->satellites[i];
        const int snr = snrOf(sat);
        const int elevation = std::clamp(sat.elevation, 0, 90);
        const QString prn = QString::asprintf("%02d", sat.prn);

        // Sky marker.
        const double r = R * std::sin(radians(90 - elevation));
        const int dx = static_cast<int>(std::sin(radians(sat.azimuth)) * r);
        const int dy = static_cast<int>(std::cos(radians(sat.azimuth)) * r);
        const int left = cx + dx - tw / 2 - 2;
        const int top = cy - dy - th / 2 - 3;
        const QRect box(left, top, tw + 4, th + 6);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(snr > 0 ? Qt::black : Qt::white, 1.0));
        painter.setBrush(snr > 0 ? kReceivedFill : kUnreceivedFill);
        painter.drawEllipse(QRectF(left + 0.5, top + 0.5, box.width() - 1, box.height() - 1));
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, prn);
        painter.restore();

        // Signal bar.
        const int x = slot * i + slot / 2;
        painter.setPen(faceText);
        painter.drawText(QRect(x, H - th, tw, th), Qt::AlignBottom | Qt::AlignLeft | Qt::TextSingleLine, prn);
        if (snr > 0 && M > 0) {
            const int h = M * (snr * 100 / maximum) / 100;
            if (h > 0) {
                painter.setBrush(kBarFill);
                painter.drawRect(QRect(x, B - h, tw - 1, h - 1));
            }
        }
    }
}

} // namespace SatelliteDisplay

ZelGPSSatDisplay::ZelGPSSatDisplay(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ZelGPSSatDisplay::setPosition(const GpsPosition& position) {
    m_position = position;
    update();
}

void ZelGPSSatDisplay::clearPosition() {
    m_position.reset();
    update();
}

void ZelGPSSatDisplay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    SatelliteDisplay::paint(painter, size(), m_position, palette());
}
