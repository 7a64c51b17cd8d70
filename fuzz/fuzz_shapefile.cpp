// The shapefile reader on arbitrary ".shp" and ".shx" bytes: the first two bytes (little-endian)
// give the length of the ".shx" part, which follows; the rest is the ".shp". Whatever loads must
// keep its flat arrays consistent, and must draw and answer hits without going out of bounds.
#include "maps/ShapeFile.h"
#include "maps/ShapeLayer.h"

#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

void checkConsistent(const ShapeData& d) {
    check(d.xy.size() % 2 == 0);
    const std::size_t points = d.pointCount();
    check(d.z.empty() || d.z.size() == points);
    check(d.m.empty() || d.m.size() == points);
    check(d.ranges.empty() || d.ranges.size() == d.records.size());
    for (const ShapeRecord& r : d.records) {
        check(std::size_t(r.firstPoint) + r.pointCount <= points);
        check(std::size_t(r.firstPart) + r.partCount <= d.partStarts.size());
        std::uint32_t previous = 0;
        for (std::uint32_t p = 0; p < r.partCount; ++p) {
            const std::uint32_t start = d.partStarts[r.firstPart + p];
            check(start >= r.firstPoint && start < r.firstPoint + r.pointCount);
            check(p == 0 ? start == r.firstPoint : start > previous);
            previous = start;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const std::size_t shxLength = std::min<std::size_t>(size - 2, data[0] | (std::size_t(data[1]) << 8));
    const auto* bytes = reinterpret_cast<const char*>(data + 2);
    const QByteArrayView shx(bytes, qsizetype(shxLength));
    const QByteArrayView shp(bytes + shxLength, qsizetype(size - 2 - shxLength));
    QString error;
    const auto shapes = ShapeFile::read(shp, shx, &error);
    check(shapes || !error.isEmpty());
    if (!shapes) return 0;
    checkConsistent(*shapes);

    ShapeLayer layer;
    check(layer.setData(shapes));
    ShapeDisplaySettings s;
    s.scaleDependentLines = 1;
    layer.setSettings(s);
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::white);
    const LinearProjection projection(
        layer.details().isValid() ? layer.details() : MapDetails::fromCorners({}, {}, 90, -180, -90, 180),
        QSizeF(64, 64));
    const MapDetails& box = projection.rectangle();
    if (layer.hit((box.top + box.bottom) / 2, (box.left + box.right) / 2, projection, 8))
        check(layer.highlighted() >= 0);
    QPainter painter(&image);
    MapDrawContext context;
    context.projection = &projection;
    context.visible = QRectF(0, 0, 64, 64);
    context.windowWidthKm = 0.4;
    layer.draw(painter, context.visible, context);
    return 0;
}
