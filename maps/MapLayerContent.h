#pragma once

#include "maps/GeoProjection.h"
#include "maps/MapDetails.h"
#include "maps/ShapeDisplaySettings.h"

#include <QRectF>
#include <QSize>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class LabelBoxes;
class QPainter;

// Everything a layer needs to paint one visible part of the project canvas. The painter maps canvas
// pixels to the target device (the caller translates and clips), so layers draw in canvas pixels.
struct MapDrawContext {
    const GeoProjection* projection = nullptr;
    QRectF visible;               // the canvas pixels being painted
    int quality = 0;              // MAPQUALITY
    LabelBoxes* labels = nullptr; // shared by all layers of one paint
    double windowWidthKm = 0;     // across the top edge of the window, for scale-dependent pens
    const std::atomic<bool>* cancelled = nullptr; // set when a newer paint makes this one moot
    bool isCancelled() const { return cancelled && cancelled->load(std::memory_order_relaxed); }
};

// The content of one map layer: a raster map or a shapefile. Loaded once (possibly on a worker
// thread), then read-only apart from the highlight; draw() is const and may run on a worker
// thread while the user interface thread reads the same content.
class MapLayerContent {
public:
    enum Kind : int { None = 0, Raster = 1, Shapefile = 2 };

    virtual ~MapLayerContent() = default;
    virtual Kind kind() const = 0;
    // Reads the file; false when it cannot be used (the layer then stays without content).
    virtual bool load(const QString& path) = 0;
    // The layer's own rectangle and caption.
    virtual const MapDetails& details() const = 0;
    // The size the content is drawn at in the project canvas, as stored in project files.
    virtual QSize drawnSize() const = 0;
    virtual void setDrawnSize(QSize size) = 0;
    // Paints the part of `target` (the canvas rectangle the layer's rectangle occupies) that lies
    // in context.visible.
    virtual void draw(QPainter& painter, const QRectF& target, const MapDrawContext& context) const = 0;
    // A tap at a position: true when a shape lies within radiusPixels of it (or contains it); the
    // shape becomes the highlighted one. Raster maps are never hit.
    virtual bool hit(double latitude, double longitude, const GeoProjection& projection,
                     double radiusPixels) {
        (void)latitude;
        (void)longitude;
        (void)projection;
        (void)radiusPixels;
        return false;
    }
    virtual void clearHighlight() {}
    // The shapefile display settings stored with the layer in a project file; none for contents
    // without them (raster maps). Set on the user interface thread, possibly while a worker
    // draws: implementations guard them.
    virtual std::optional<ShapeDisplaySettings> displaySettings() const { return std::nullopt; }
    virtual void setDisplaySettings(const ShapeDisplaySettings& settings) { (void)settings; }
};

using LayerContentFactory = std::function<std::unique_ptr<MapLayerContent>(MapLayerContent::Kind)>;
// Makes RasterMap and ShapeLayer contents.
std::unique_ptr<MapLayerContent> makeLayerContent(MapLayerContent::Kind kind);
