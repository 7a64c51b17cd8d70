#pragma once

#include "maps/GeoProjection.h"

#include <QHashFunctions>
#include <QPointF>
#include <QRectF>
#include <vector>

// One map tile of the Web Mercator tile scheme: zoom z, column x from the west, row y from the north.
struct TileKey {
    int z = 0;
    int x = 0;
    int y = 0;
    friend bool operator==(const TileKey&, const TileKey&) = default;
    // One number for hashing and caches (z below 32, x and y below 2^28).
    quint64 packed() const {
        return (quint64(quint32(z) & 31) << 56) | (quint64(quint32(x) & 0xfffffff) << 28) |
               quint64(quint32(y) & 0xfffffff);
    }
    // The tile one zoom level up that contains this one.
    TileKey parent() const { return {z - 1, x >> 1, y >> 1}; }
    bool isValid() const { return z >= 0 && z <= 30 && x >= 0 && y >= 0 && x < (1 << z) && y < (1 << z); }
};
inline size_t qHash(const TileKey& key, size_t seed = 0) {
    return qHash(key.packed(), seed);
}

// The arithmetic of the Web Mercator tile scheme ("slippy map" tiles of 256 pixels). World pixels
// at zoom z run from 0 to 256 * 2^z on both axes, west to east and north to south.
namespace TileMath {

constexpr int kTileSize = 256;
constexpr int kMinZoom = 1;
constexpr int kMaxZoom = 19;
// The latitude where the square world ends.
constexpr double kMaxLatitude = 85.05112877980659;

double worldSize(int zoom);
QPointF toWorld(double latitude, double longitude, int zoom);
void fromWorld(QPointF world, int zoom, double& latitude, double& longitude);
// The tile holding a position.
TileKey tileAt(double latitude, double longitude, int zoom);
// Columns repeat around the world: the column of the same place within 0 .. 2^z - 1.
int wrapColumn(qint64 x, int zoom);
// The tiles covering a rectangle of world pixels at zoom, the one nearest its centre first. Columns
// are wrapped (a window across the date line asks for real tiles); rows beyond the poles are left
// out.
struct PlacedTile {
    TileKey key;
    int worldShift = 0; // the tile is drawn worldShift world widths east of key's own place
};
std::vector<PlacedTile> tilesCovering(const QRectF& world, int zoom);

} // namespace TileMath

// Web Mercator at one zoom level. Canvas pixels are world pixels less an origin near the window,
// so that they stay small numbers at every zoom (the station painters keep to canvases of about ten
// million pixels).
class WebMercatorProjection final : public GeoProjection {
public:
    WebMercatorProjection(int zoom, QPointF origin) : m_zoom(zoom), m_origin(origin) {}
    QPointF toPixel(double latitude, double longitude) const override {
        return TileMath::toWorld(latitude, longitude, m_zoom) - m_origin;
    }
    void toPosition(QPointF p, double& latitude, double& longitude) const override {
        TileMath::fromWorld(p + m_origin, m_zoom, latitude, longitude);
    }
    QSizeF canvasSize() const override {
        const double size = TileMath::worldSize(m_zoom);
        return {size, size};
    }
    int zoom() const { return m_zoom; }
    QPointF origin() const { return m_origin; }

private:
    int m_zoom;
    QPointF m_origin;
};
