// MBTiles files: the input is the whole SQLite file. Opening it read-only, reading its metadata
// and tiles never crashes, and what comes out is bounded: one-line texts, zooms in range, tiles no
// larger than a tile may be.
#include "maps/MbTilesFile.h"
#include "maps/TileImage.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fuzz.mbtiles"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    MbTilesFile mb;
    if (!mb.open(path)) return 0;
    if (mb.name().size() > 200 || mb.attribution().size() > 200 || mb.name().contains(QLatin1Char('\n'))) std::abort();
    if (mb.minZoom() < 0 || mb.maxZoom() > 30 || mb.maxZoom() < mb.minZoom()) std::abort();
    double latitude = 0, longitude = 0;
    int zoom = 0;
    if (mb.centre(latitude, longitude, zoom) && (std::abs(latitude) > 90 || std::abs(longitude) > 180)) std::abort();
    for (const TileKey key : {TileKey{0, 0, 0}, TileKey{1, 1, 0}, TileKey{2, 1, 3}, TileKey{12, 2309, 1541}}) {
        const QByteArray tile = mb.tileData(key);
        if (tile.size() > TileImage::kMaxBytes) std::abort();
    }
    return 0;
}
