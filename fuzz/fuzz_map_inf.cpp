// ".inf" calibration files come with maps from anywhere: any bytes are refused or give a proper
// rectangle whose corners map to the image's corners and back.
#include "maps/MapDetails.h"
#include "maps/MapSideFiles.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    MapDetails d;
    if (!MapSideFiles::parseInfFile(bytes, QStringLiteral("map.png"), d)) {
        if (d.top != 0 || !d.imagePath.isEmpty()) std::abort(); // refused files leave it alone
        return 0;
    }
    if (!d.isValid() || d.sourceKind != MapDetails::InfFile) std::abort();
    if (d.top > 90 || d.bottom < -90 || d.left < -180 || d.right > 180) std::abort();
    if (d.positionToPixel(d.top, d.left, 1000, 800) != QPoint(0, 0)) std::abort();
    if (d.positionToPixel(d.bottom, d.right, 1000, 800) != QPoint(1000, 800)) std::abort();
    double lat = 0, lon = 0;
    d.pixelToPosition(500, 400, 1000, 800, lat, lon);
    if (!d.contains(lat, lon) || d.positionToPixel(lat, lon, 1000, 800) != QPoint(500, 400)) std::abort();
    return 0;
}
