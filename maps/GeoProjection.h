#pragma once

#include "maps/MapDetails.h"

#include <QPointF>
#include <QSizeF>

// How positions meet canvas pixels. Raster maps and shapefiles use the linear calibration of the
// map project; a tile layer implements its own (Web Mercator) behind the same interface.
class GeoProjection {
public:
    virtual ~GeoProjection() = default;
    // Canvas pixels of a position (not rounded).
    virtual QPointF toPixel(double latitude, double longitude) const = 0;
    // The position at canvas pixel p.
    virtual void toPosition(QPointF p, double& latitude, double& longitude) const = 0;
    // The size of the whole canvas in pixels.
    virtual QSizeF canvasSize() const = 0;
};

// The project rectangle stretched over a canvas of the given size.
class LinearProjection final : public GeoProjection {
public:
    LinearProjection(const MapDetails& rectangle, QSizeF canvas) : m_rect(rectangle), m_canvas(canvas) {}
    QPointF toPixel(double latitude, double longitude) const override {
        double x = 0;
        double y = 0;
        m_rect.positionToPixelF(latitude, longitude, m_canvas.width(), m_canvas.height(), x, y);
        return {x, y};
    }
    void toPosition(QPointF p, double& latitude, double& longitude) const override {
        m_rect.pixelToPosition(p.x(), p.y(), m_canvas.width(), m_canvas.height(), latitude, longitude);
    }
    QSizeF canvasSize() const override { return m_canvas; }
    const MapDetails& rectangle() const { return m_rect; }

private:
    MapDetails m_rect;
    QSizeF m_canvas;
};
