#include "maps/ui/SampleTiles.h"

#include "maps/MbTilesFile.h"
#include "maps/TileImage.h"
#include "platform/StationHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
// The default own position (4035.90N 02258.20E).
constexpr double kLatitude = 40.598;
constexpr double kLongitude = 22.97;
} // namespace

bool SampleTiles::write(const QString& path, double latitude, double longitude, int minZoom, int maxZoom,
                        int radius) {
    QList<QPair<TileKey, QByteArray>> tiles;
    for (int z = minZoom; z <= maxZoom; ++z) {
        const TileKey centre = TileMath::tileAt(latitude, longitude, z);
        const int n = 1 << z;
        for (int y = std::max(0, centre.y - radius); y <= std::min(n - 1, centre.y + radius); ++y)
            for (int x = std::max(0, centre.x - radius - 1); x <= std::min(n - 1, centre.x + radius + 1); ++x)
                tiles.append({TileKey{z, x, y}, TileImage::samplePng({z, x, y})});
    }
    QFile::remove(path);
    return MbTilesFile::create(path, QStringLiteral("Sample Tiles"), tiles,
                               QStringLiteral("Made-up sample tiles"),
                               QStringLiteral("%1,%2,12").arg(longitude).arg(latitude));
}

QString SampleTiles::install(const StationHome& home) {
    const QString path = home.mapsDir() + QStringLiteral("/Sample Tiles.mbtiles");
    if (QFileInfo::exists(path)) return path;
    if (!QDir().mkpath(home.mapsDir())) return {};
    const QString partial = path + QStringLiteral(".part");
    if (!write(partial, kLatitude, kLongitude, 1, 14, 3) || !QFile::rename(partial, path)) {
        QFile::remove(partial);
        return {};
    }
    return path;
}
