#include "maps/TileMath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace TileMath {

double worldSize(int zoom) {
    return kTileSize * std::ldexp(1.0, std::clamp(zoom, 0, 30));
}

QPointF toWorld(double latitude, double longitude, int zoom) {
    const double size = worldSize(zoom);
    const double lat = std::clamp(latitude, -kMaxLatitude, kMaxLatitude) * std::numbers::pi / 180.0;
    const double x = (longitude + 180.0) / 360.0 * size;
    const double y = (1.0 - std::log(std::tan(lat) + 1.0 / std::cos(lat)) / std::numbers::pi) / 2.0 * size;
    return {x, y};
}

void fromWorld(QPointF world, int zoom, double& latitude, double& longitude) {
    const double size = worldSize(zoom);
    longitude = world.x() / size * 360.0 - 180.0;
    const double n = std::numbers::pi * (1.0 - 2.0 * world.y() / size);
    latitude = std::atan(std::sinh(n)) * 180.0 / std::numbers::pi;
}

TileKey tileAt(double latitude, double longitude, int zoom) {
    const QPointF w = toWorld(latitude, longitude, zoom);
    const qint64 last = (qint64(1) << zoom) - 1;
    const qint64 x = qint64(std::floor(w.x() / kTileSize));
    const qint64 y = std::clamp<qint64>(qint64(std::floor(w.y() / kTileSize)), 0, last);
    return {zoom, wrapColumn(x, zoom), int(y)};
}

int wrapColumn(qint64 x, int zoom) {
    const qint64 n = qint64(1) << zoom;
    return int(((x % n) + n) % n);
}

std::vector<PlacedTile> tilesCovering(const QRectF& world, int zoom) {
    std::vector<PlacedTile> tiles;
    if (!world.isValid() || zoom < 0 || zoom > 30) return tiles;
    const qint64 n = qint64(1) << zoom;
    // A window wider than a few worlds (zoom 1 on a big screen) needs no more than that.
    const qint64 x0 = qint64(std::floor(std::max(world.left(), -4.0 * n * kTileSize) / kTileSize));
    const qint64 x1 = qint64(std::floor(std::min(world.right(), 5.0 * n * kTileSize) / kTileSize));
    const qint64 y0 = std::max<qint64>(0, qint64(std::floor(world.top() / kTileSize)));
    const qint64 y1 = std::min<qint64>(n - 1, qint64(std::floor(world.bottom() / kTileSize)));
    if (x1 < x0 || y1 < y0) return tiles;
    tiles.reserve(size_t((x1 - x0 + 1) * (y1 - y0 + 1)));
    for (qint64 y = y0; y <= y1; ++y)
        for (qint64 x = x0; x <= x1; ++x) {
            const int wrapped = wrapColumn(x, zoom);
            tiles.push_back({{zoom, wrapped, int(y)}, int((x - wrapped) / n)});
        }
    const QPointF centre = world.center() / kTileSize - QPointF(0.5, 0.5);
    const auto distance = [&](const PlacedTile& t) {
        const double dx = t.key.x + double(t.worldShift) * double(n) - centre.x();
        const double dy = t.key.y - centre.y();
        return dx * dx + dy * dy;
    };
    std::stable_sort(tiles.begin(), tiles.end(),
                     [&](const PlacedTile& a, const PlacedTile& b) { return distance(a) < distance(b); });
    return tiles;
}

} // namespace TileMath
