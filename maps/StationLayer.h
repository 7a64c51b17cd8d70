#pragma once

#include "maps/MapLabelSettings.h"
#include "maps/StationTrackCache.h"

#include <QCache>
#include <QHash>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class GeoProjection;
class QPainter;
class StationManager;
class StationRecord;
class SymbolAtlas;

// What one paint of the stations covers.
struct StationPaintContext {
    const GeoProjection* projection = nullptr;
    // The canvas pixels being painted; the painter draws in canvas pixels (the caller translates
    // and clips). Stations whose symbol and label lie outside are skipped.
    QRectF visible;
    // The project rectangle: a station outside it is drawn only when its track flag is set.
    // Empty: every position counts as inside.
    std::function<bool(double latitude, double longitude)> insideProject;
    // -1 every type, otherwise only stations of this type.
    int stationTypeFilter = -1;
};

// The stations of the station database over a map: coverage circles, tracks, symbols and labels,
// in the database's list order (so the most recently heard station ends up on top). Keeps what it
// last painted, so that the view can find the station under a point and repaint only the places a
// station update touches. User interface thread only.
//
//   StationLayer layer;
//   layer.paint(painter, stations, context, MapLabelSettings::read(settings));
//   QRectF dirty = layer.damageFor(*record, context, labelSettings); // after the record changed
//   QString call = layer.callAt(point);
class StationLayer {
public:
    static constexpr int kSymbolSize = 16;
    // Added around a station's rectangles when it is repainted, for antialiased edges.
    static constexpr int kDamageMargin = 2;
    // Rendered labels kept, by bytes.
    static constexpr int kLabelCacheBytes = 64 * 1024 * 1024;

    explicit StationLayer(const SymbolAtlas* atlas = nullptr);
    ~StationLayer();
    StationLayer(const StationLayer&) = delete;
    StationLayer& operator=(const StationLayer&) = delete;

    // Paints the stations that touch context.visible, under the manager's lock.
    void paint(QPainter& painter, StationManager& stations, const StationPaintContext& context,
               const MapLabelSettings& settings);

    struct Hit {
        QString call;
        QString owner; // objects: the sender of the object
        int id = 0;
    };
    // The topmost station (last drawn) whose symbol or label rectangle, as last painted, contains
    // the canvas point.
    std::optional<Hit> stationAt(QPointF canvasPoint) const;
    QString callAt(QPointF canvasPoint) const;

    // Canvas pixels to repaint after the record changed: where it was at the last paint united
    // with where it stands now. Empty when it was not painted and will not be.
    QRectF damageFor(const StationRecord& record, const StationPaintContext& context,
                     const MapLabelSettings& settings);
    // Where the record stood at the last paint; it is forgotten (for a station being removed).
    QRectF forget(const StationRecord& record);
    // Where the record would be drawn now (symbol, label, coverage circle, margin); empty when it
    // is filtered out.
    QRectF occupiedRect(const StationRecord& record, const StationPaintContext& context,
                        const MapLabelSettings& settings);
    // Forgets every painted place (after a zoom: the next paint starts afresh).
    void forgetPainted();

    // The symbol's rectangle for a station at canvas pixel (x, y): a moving station's symbol is
    // centred there, any other one has its top-left corner at (x - 8, y - 8).
    static QRectF symbolRect(QPointF pixel, bool moving);
    // The label box for a text of textSize next to a symbol whose top-left corner is anchor.
    static QRectF labelRect(QPointF anchor, QSizeF textSize, int labelType);
    // The coverage circle's radii in pixels around the pixel of (latitude, longitude).
    static QSizeF coverageRadii(const GeoProjection& projection, double latitude, double longitude,
                                double rangeMiles);

    int labelCacheCount() const { return m_labels.count(); }
    int labelRenders() const { return m_labelRenders; }
    int paintedCount() const { return static_cast<int>(m_painted.size()); }
    StationTrackCache& tracks() { return m_tracks; }

private:
    struct Painted {
        QString call;
        QString owner;
        int id = 0;
        QRectF symbol;
        QRectF label; // empty with labels off
        QRectF extent;
        quint64 z = 0;
        quint64 paintStamp = 0;
    };
    struct Placement {
        QRectF symbol;
        QRectF label;
        QImage labelImage; // null with labels off
        QPointF pixel;
        QSizeF coverage; // radii; empty without a coverage circle
    };

    void prepareStyle(const MapLabelSettings& settings, qreal dpr);
    bool eligible(const StationRecord& r, const StationPaintContext& context) const;
    std::optional<Placement> place(const StationRecord& r, const StationPaintContext& context,
                                   const MapLabelSettings& settings, bool withLabelImage);
    // The cached image of a label (shared, so it stays valid when the cache drops it later).
    QImage labelImage(const QString& text, const MapLabelSettings& settings);
    QImage renderLabel(const QString& text, const MapLabelSettings& settings) const;
    const QImage& symbolImage(int table, int code);
    static QRectF extentOf(const Placement& p);

    struct Item {
        const StationRecord* record;
        Placement placement;
    };
    // Kept between paints so that their storage is reused.
    std::vector<Item> m_items;
    std::vector<const StationRecord*> m_tracked;
    std::vector<std::pair<QPointF, QSizeF>> m_circles;

    const SymbolAtlas& m_atlas;
    QCache<QString, QImage> m_labels{kLabelCacheBytes};
    QString m_styleKey;
    qreal m_dpr = 1.0;
    QHash<quint32, QImage> m_symbols;
    StationTrackCache m_tracks;
    QHash<const StationRecord*, Painted> m_painted;
    QSizeF m_paintedCanvas;
    quint64 m_z = 0;
    quint64 m_paintStamp = 0;
    int m_labelRenders = 0;
};
