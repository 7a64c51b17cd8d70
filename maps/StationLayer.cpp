#include "maps/StationLayer.h"

#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/StationTracks.h"
#include "aprs/SymbolAtlas.h"
#include "aprs/SymbolTable.h"
#include "maps/GeoProjection.h"

#include <QFontMetricsF>
#include <QMutexLocker>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>

namespace {

constexpr double kKmPerMile = 1.609344;
constexpr double kKmPerDegreeLatitude = 111.32;
// Positions further off the canvas than this are no pixels at all (a station at a bogus position
// on a zoomed map): skipped before any arithmetic on them.
constexpr double kFarOff = 1e7;

QPointF roundedPixel(QPointF p) {
    return {std::floor(p.x() + 0.5), std::floor(p.y() + 0.5)};
}

bool usablePixel(QPointF p) {
    return std::isfinite(p.x()) && std::isfinite(p.y()) && std::abs(p.x()) < kFarOff &&
           std::abs(p.y()) < kFarOff;
}

// The metrics of text as it is drawn into the label images (image resolution, not the screen's).
QFontMetricsF imageMetrics(const QFont& font) {
    static const QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
    return QFontMetricsF(font, &probe);
}

} // namespace

StationLayer::StationLayer(const SymbolAtlas* atlas) : m_atlas(atlas ? *atlas : SymbolAtlas::shared()) {}

StationLayer::~StationLayer() = default;

QRectF StationLayer::symbolRect(QPointF pixel, bool moving) {
    if (moving)
        return {pixel.x() - kSymbolSize / 2.0, pixel.y() - kSymbolSize / 2.0, kSymbolSize, kSymbolSize};
    return {pixel.x() - 8, pixel.y() - 8, kSymbolSize, kSymbolSize};
}

QRectF StationLayer::labelRect(QPointF anchor, QSizeF textSize, int labelType) {
    const double left = anchor.x() + (labelType == MapLabelSettings::AboveTopEdge ? 16 : 18);
    const double top =
        labelType == MapLabelSettings::AboveTopEdge ? anchor.y() - textSize.height() : anchor.y();
    return QRectF(left, top, textSize.width(), textSize.height()).adjusted(-2, -2, 2, 2);
}

QSizeF StationLayer::coverageRadii(const GeoProjection& projection, double latitude, double longitude,
                                   double rangeMiles) {
    if (!(rangeMiles > 0) || !std::isfinite(rangeMiles)) return {};
    const double km = rangeMiles * kKmPerMile;
    const double dLat = km / kKmPerDegreeLatitude;
    // Degrees of longitude shrink towards the poles; near them the circle is left as wide as tall.
    const double cosLat = std::cos(latitude * M_PI / 180.0);
    const double dLon = cosLat > 0.01 ? dLat / cosLat : dLat;
    const QPointF c = projection.toPixel(latitude, longitude);
    const QPointF n = projection.toPixel(latitude + dLat, longitude);
    const QPointF e = projection.toPixel(latitude, longitude + dLon);
    const QSizeF radii(std::hypot(e.x() - c.x(), e.y() - c.y()), std::hypot(n.x() - c.x(), n.y() - c.y()));
    if (!std::isfinite(radii.width()) || !std::isfinite(radii.height()) || radii.width() > kFarOff ||
        radii.height() > kFarOff)
        return {};
    return radii;
}

void StationLayer::prepareStyle(const MapLabelSettings& settings, qreal dpr) {
    const QString key = settings.styleKey() + u'|' + QString::number(dpr);
    if (key != m_styleKey) {
        m_labels.clear();
        m_styleKey = key;
    }
    if (dpr != m_dpr) {
        m_symbols.clear();
        m_dpr = dpr;
    }
}

QImage StationLayer::renderLabel(const QString& text, const MapLabelSettings& s) const {
    const QFontMetricsF fm = imageMetrics(s.font);
    const QSizeF textSize(std::ceil(fm.horizontalAdvance(text)), std::ceil(fm.height()));
    const QSizeF box(textSize.width() + 4, textSize.height() + 4);
    QImage img(qMax(1, qCeil(box.width() * m_dpr)), qMax(1, qCeil(box.height() * m_dpr)),
               QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(m_dpr);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF outer(0, 0, box.width(), box.height());
    switch (s.textBorder) {
    case MapLabelSettings::Rectangle:
        p.setPen(QPen(s.textColor, 1));
        p.setBrush(s.backColor);
        p.drawRect(outer.adjusted(0.5, 0.5, -0.5, -0.5));
        break;
    case MapLabelSettings::RoundedRectangle:
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(s.textColor, 1));
        p.setBrush(s.backColor);
        p.drawRoundedRect(outer.adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
        p.setRenderHint(QPainter::Antialiasing, false);
        break;
    case MapLabelSettings::PushButton: {
        // A raised button: light top and left edges, dark bottom and right ones.
        p.fillRect(outer, s.backColor);
        const double r = box.width() - 0.5;
        const double b = box.height() - 0.5;
        p.setPen(QPen(s.backColor.lighter(160), 1));
        p.drawLine(QPointF(0.5, b - 1), QPointF(0.5, 0.5));
        p.drawLine(QPointF(0.5, 0.5), QPointF(r - 1, 0.5));
        p.setPen(QPen(QColor(0, 0, 0), 1));
        p.drawLine(QPointF(0.5, b), QPointF(r, b));
        p.drawLine(QPointF(r, b), QPointF(r, 0.5));
        p.setPen(QPen(s.backColor.darker(160), 1));
        p.drawLine(QPointF(1.5, b - 1), QPointF(r - 1, b - 1));
        p.drawLine(QPointF(r - 1, b - 1), QPointF(r - 1, 1.5));
        break;
    }
    default: // no box: the text alone, on a transparent background
        break;
    }
    p.setFont(s.font);
    p.setPen(s.textColor);
    p.drawText(QRectF(2, 2, textSize.width(), textSize.height()),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    return img;
}

QImage StationLayer::labelImage(const QString& text, const MapLabelSettings& settings) {
    if (const QImage* cached = m_labels.object(text)) return *cached;
    QImage img = renderLabel(text, settings);
    ++m_labelRenders;
    const qsizetype cost = std::max<qsizetype>(1, img.sizeInBytes());
    // An image too big for the cache at all is drawn this once and not kept.
    if (cost <= m_labels.maxCost()) m_labels.insert(text, new QImage(img), cost);
    return img;
}

const QImage& StationLayer::symbolImage(int table, int code) {
    const quint32 key = (static_cast<quint32>(table & 0xffff) << 16) | static_cast<quint32>(code & 0xffff);
    auto it = m_symbols.constFind(key);
    if (it != m_symbols.constEnd()) return *it;
    QImage img = m_atlas.image(SymbolAtlas::iconIndexFor(table, code), kSymbolSize, m_dpr);
    if (SymbolTable::isOverlay(table) && table > ' ' && table <= '~') {
        img = img.copy();
        img.setDevicePixelRatio(m_dpr);
        QPainter p(&img);
        SymbolAtlas::paintOverlay(p, QRectF(0, 0, kSymbolSize, kSymbolSize), QChar(table));
    }
    return *m_symbols.insert(key, img);
}

bool StationLayer::eligible(const StationRecord& r, const StationPaintContext& context) const {
    if (!r.showTrack && context.insideProject && !context.insideProject(r.latitude, r.longitude))
        return false;
    return context.stationTypeFilter == -1 || context.stationTypeFilter == r.stationType;
}

std::optional<StationLayer::Placement> StationLayer::place(const StationRecord& r,
                                                           const StationPaintContext& context,
                                                           const MapLabelSettings& settings,
                                                           bool withLabelImage) {
    if (!context.projection || !eligible(r, context)) return std::nullopt;
    const QPointF raw = context.projection->toPixel(r.latitude, r.longitude);
    if (!usablePixel(raw)) return std::nullopt;
    Placement p;
    p.pixel = roundedPixel(raw);
    p.symbol = symbolRect(p.pixel, r.speed != 0);
    if (settings.labelsShown() && withLabelImage) {
        p.labelImage = labelImage(stationLabelText(r, settings), settings);
        p.label = labelRect(p.symbol.topLeft(), p.labelImage.deviceIndependentSize() - QSizeF(4, 4),
                            settings.labelType);
    }
    if (settings.drawCoverage && r.coverage && r.phg.range > 0)
        p.coverage = coverageRadii(*context.projection, r.latitude, r.longitude, r.phg.range);
    return p;
}

QRectF StationLayer::extentOf(const Placement& p) {
    QRectF e = p.symbol.united(p.label.isEmpty() ? p.symbol : p.label);
    if (!p.coverage.isEmpty())
        e = e.united(QRectF(p.pixel.x() - p.coverage.width(), p.pixel.y() - p.coverage.height(),
                            2 * p.coverage.width(), 2 * p.coverage.height()));
    return e.adjusted(-kDamageMargin, -kDamageMargin, kDamageMargin, kDamageMargin);
}

void StationLayer::paint(QPainter& painter, StationManager& stations, const StationPaintContext& context,
                         const MapLabelSettings& settings) {
    if (!context.projection) return;
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    prepareStyle(settings, dpr);
    const QSizeF canvas = context.projection->canvasSize();
    if (canvas != m_paintedCanvas) {
        m_painted.clear();
        m_paintedCanvas = canvas;
    }
    const quint64 stamp = ++m_paintStamp;
    const QRectF visible = context.visible;
    const bool labels = settings.labelsShown();
    // How far a label reaches above and below its symbol's top edge, for the cheap culling.
    const double labelHeight = labels ? std::ceil(imageMetrics(settings.font).height()) + 4 : 0;
    const double reachUp = labels && settings.labelType == MapLabelSettings::AboveTopEdge ? labelHeight : 2;
    const double reachDown = std::max<double>(kSymbolSize, labels ? labelHeight : 0);

    std::vector<Item>& items = m_items;
    std::vector<const StationRecord*>& tracked = m_tracked;
    std::vector<std::pair<QPointF, QSizeF>>& circles = m_circles;
    items.clear();
    tracked.clear();
    circles.clear();

    QMutexLocker lock(&stations.lock());
    const int n = stations.count();
    for (int i = 0; i < n; ++i) {
        const StationRecord* r = stations.at(i);
        if (!r || !eligible(*r, context)) continue;
        const QPointF raw = context.projection->toPixel(r->latitude, r->longitude);
        if (!usablePixel(raw)) continue;
        if (r->showTrack) tracked.push_back(r);
        const QPointF pixel = roundedPixel(raw);
        const QRectF symbol = symbolRect(pixel, r->speed != 0);
        QSizeF coverage;
        if (settings.drawCoverage && r->coverage && r->phg.range > 0) {
            coverage = coverageRadii(*context.projection, r->latitude, r->longitude, r->phg.range);
            const QRectF bounds(pixel.x() - coverage.width(), pixel.y() - coverage.height(),
                                2 * coverage.width(), 2 * coverage.height());
            if (!coverage.isEmpty() && bounds.intersects(visible)) circles.emplace_back(pixel, coverage);
        }
        // Cheap culling first: symbol and label both lie right of, above or below the window.
        const bool outside = symbol.left() > visible.right() || symbol.top() - reachUp > visible.bottom() ||
                             symbol.top() + reachDown < visible.top();
        if (outside && coverage.isEmpty()) continue;
        Placement p;
        p.pixel = pixel;
        p.symbol = symbol;
        p.coverage = coverage;
        bool shown = symbol.intersects(visible);
        // The label is looked at only for a station that may show one in the window.
        if (labels && !outside) {
            p.labelImage = labelImage(stationLabelText(*r, settings), settings);
            p.label = labelRect(symbol.topLeft(), p.labelImage.deviceIndependentSize() - QSizeF(4, 4),
                                settings.labelType);
            shown = shown || p.label.intersects(visible);
        }
        if (!shown && coverage.isEmpty()) continue;
        items.push_back({r, p});
    }

    // Coverage circles under everything, then the tracks, then symbols and labels.
    if (!circles.empty()) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        QColor outline(30, 90, 200, 170);
        QColor fill(30, 90, 200, 40);
        painter.setPen(QPen(outline, 1.5));
        painter.setBrush(fill);
        for (const auto& [c, radii] : circles) painter.drawEllipse(c, radii.width(), radii.height());
        painter.restore();
    }
    QStringList trackPaths;
    if (!tracked.empty()) {
        const StationTracks files(stations);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(settings.trackColor, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        for (const StationRecord* r : tracked) {
            const QString path = files.trackPath(r->call);
            trackPaths.append(path);
            const auto& points = m_tracks.drawnTrack(path);
            QPolygonF line;
            line.reserve(static_cast<qsizetype>(points.size()) + 1);
            for (const auto& pt : points) {
                const QPointF px = context.projection->toPixel(pt.latitude, pt.longitude);
                if (usablePixel(px)) line.append(px);
            }
            // The track ends where the station is now, even before its point reaches the file.
            const QPointF now = roundedPixel(context.projection->toPixel(r->latitude, r->longitude));
            if (!line.isEmpty() && line.last() != now) line.append(now);
            if (line.size() >= 2 && line.boundingRect().adjusted(-2, -2, 2, 2).intersects(visible))
                painter.drawPolyline(line);
        }
        painter.restore();
    }
    m_tracks.retainOnly(trackPaths);

    for (const Item& item : items) {
        const Placement& p = item.placement;
        if (p.symbol.intersects(visible))
            painter.drawImage(p.symbol.topLeft(),
                              symbolImage(item.record->symbolTable, item.record->symbolCode));
        if (!p.labelImage.isNull() && p.label.intersects(visible))
            painter.drawImage(p.label.topLeft(), p.labelImage);
        Painted& entry = m_painted[item.record];
        if (entry.call != item.record->call) entry.call = item.record->call;
        if (entry.owner != item.record->owner) entry.owner = item.record->owner;
        entry.id = item.record->id;
        entry.symbol = p.symbol;
        entry.label = p.label;
        entry.extent = extentOf(p);
        entry.z = ++m_z;
        entry.paintStamp = stamp;
    }
    items.clear(); // drops the label images' references
    // A station painted here before and not now has gone from this part of the map.
    for (auto it = m_painted.begin(); it != m_painted.end();) {
        if (it->paintStamp != stamp && it->extent.intersects(visible))
            it = m_painted.erase(it);
        else
            ++it;
    }
}

std::optional<StationLayer::Hit> StationLayer::stationAt(QPointF point) const {
    const Painted* best = nullptr;
    for (const Painted& p : m_painted) {
        if (best && p.z < best->z) continue;
        if (p.symbol.contains(point) || (!p.label.isEmpty() && p.label.contains(point))) best = &p;
    }
    if (!best) return std::nullopt;
    return Hit{best->call, best->owner, best->id};
}

QString StationLayer::callAt(QPointF point) const {
    const auto hit = stationAt(point);
    return hit ? hit->call : QString();
}

QRectF StationLayer::occupiedRect(const StationRecord& record, const StationPaintContext& context,
                                  const MapLabelSettings& settings) {
    prepareStyle(settings, m_dpr);
    const auto p = place(record, context, settings, true);
    return p ? extentOf(*p) : QRectF();
}

QRectF StationLayer::damageFor(const StationRecord& record, const StationPaintContext& context,
                               const MapLabelSettings& settings) {
    QRectF damage = occupiedRect(record, context, settings);
    const auto it = m_painted.constFind(&record);
    if (it != m_painted.constEnd()) damage = damage.isEmpty() ? it->extent : damage.united(it->extent);
    return damage;
}

QRectF StationLayer::forget(const StationRecord& record) {
    const auto it = m_painted.find(&record);
    if (it == m_painted.end()) return {};
    const QRectF was = it->extent;
    m_painted.erase(it);
    return was;
}

void StationLayer::forgetPainted() {
    m_painted.clear();
}
