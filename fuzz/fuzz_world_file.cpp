// World files next to map images: the first four bytes give the image's width and height, the
// rest is the file. Any bytes are refused or give a finite rectangle of positive size.
#include "maps/MapDetails.h"
#include "maps/MapSideFiles.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const QSize image(data[0] | (data[1] << 8), data[2] | (data[3] << 8));
    const QByteArray bytes(reinterpret_cast<const char*>(data + 4), static_cast<qsizetype>(size - 4));
    MapDetails d;
    if (!MapSideFiles::parseWorldFile(bytes, QStringLiteral("map.tif"), image, d)) return 0;
    if (!d.isValid() || d.sourceKind != MapDetails::WorldFile || image.isEmpty()) std::abort();
    if (!(d.pixelWidthDegrees > 0) || !(d.pixelHeightDegrees < 0)) std::abort();
    const QPoint corner = d.positionToPixel(d.top, d.left, image.width(), image.height());
    if (corner != QPoint(0, 0)) std::abort();
    if (d.positionToPixel(d.bottom, d.right, image.width(), image.height()) !=
        QPoint(image.width(), image.height()))
        std::abort();
    return 0;
}
