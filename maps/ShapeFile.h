#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

// Shape type numbers of the shapefile format.
namespace ShapeType {
enum : std::int32_t {
    Null = 0,
    Point = 1,
    PolyLine = 3,
    Polygon = 5,
    MultiPoint = 8,
    PointZ = 11,
    PolyLineZ = 13,
    PolygonZ = 15,
    MultiPointZ = 18,
    PointM = 21,
    PolyLineM = 23,
    PolygonM = 25,
    MultiPointM = 28,
    MultiPatch = 31,
};
// The plain form of a Z or M type (PointZ -> Point); other values unchanged.
std::int32_t baseType(std::int32_t type);
bool hasZ(std::int32_t type);
bool hasM(std::int32_t type);
} // namespace ShapeType

// The 100-byte header shared by ".shp" and ".shx".
struct ShapeHeader {
    std::int64_t fileLengthBytes = 0;
    std::int32_t shapeType = 0;
    double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    double zmin = 0, zmax = 0, mmin = 0, mmax = 0;
};

// One record: indices into the flat arrays of ShapeData, its box and its label point.
struct ShapeRecord {
    std::int32_t shapeType = ShapeType::Null;
    std::uint32_t firstPart = 0; // into ShapeData::partStarts
    std::uint32_t partCount = 0;
    std::uint32_t firstPoint = 0; // into ShapeData::xy (pairs), z, m
    std::uint32_t pointCount = 0;
    std::int32_t labelAngle = 0; // tenths of a degree, polylines only
    double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    double labelX = 0, labelY = 0;
};

// The Z and M ranges of a record of a Z or M type (zero for the others).
struct ShapeRanges {
    double zmin = 0, zmax = 0, mmin = 0, mmax = 0;
};

// A whole shapefile, read once and then shared read-only between threads.
struct ShapeData {
    ShapeHeader header;
    std::vector<ShapeRecord> records;
    std::vector<double> xy;                // x0, y0, x1, y1, ... of every record in file order
    std::vector<std::uint32_t> partStarts; // absolute point index of each part's first point
    std::vector<double> z;                 // per point when some record has Z, else empty
    std::vector<double> m;                 // per point when some record has M, else empty
    std::vector<ShapeRanges> ranges;       // per record when some record has Z or M, else empty

    std::size_t pointCount() const { return xy.size() / 2; }
    // Bytes held, for memory checks.
    std::size_t memoryBytes() const;
};

// The reader of ".shp" and ".shx". Files from anywhere are hostile: every count is bounded by the
// file sizes, every offset and length checked against them before anything is allocated.
class ShapeFile {
public:
    static constexpr std::int64_t kMaxShpBytes = std::int64_t(1) << 30; // 1 GiB
    static constexpr std::int64_t kMaxPoints = 50'000'000;
    static constexpr std::int64_t kMaxParts = 50'000'000;
    static constexpr std::int64_t kMaxRecords = 50'000'000;

    // Reads the two files' bytes. Null and `error` set on failure.
    static std::shared_ptr<const ShapeData> read(QByteArrayView shp, QByteArrayView shx, QString* error);
    // Reads base + ".shp" and base + ".shx" (memory-mapped when possible).
    static std::shared_ptr<const ShapeData> readFiles(const QString& basePath, QString* error);

    // The label angle of a polyline in tenths of a degree, from its middle vertex (index
    // pointCount / 2) to the next one, turned round when it would read upside down (901..2799);
    // 0 for 3 points or fewer.
    static int polylineLabelAngle(const double* xy, std::uint32_t pointCount);

    static QString projectedCoordinatesMessage();
};
