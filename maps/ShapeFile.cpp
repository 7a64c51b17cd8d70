#include "maps/ShapeFile.h"

#include <QFile>
#include <QObject>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace ShapeType {
std::int32_t baseType(std::int32_t type) {
    switch (type) {
    case PointZ:
    case PointM:
        return Point;
    case PolyLineZ:
    case PolyLineM:
        return PolyLine;
    case PolygonZ:
    case PolygonM:
        return Polygon;
    case MultiPointZ:
    case MultiPointM:
        return MultiPoint;
    default:
        return type;
    }
}
bool hasZ(std::int32_t type) {
    return type == PointZ || type == PolyLineZ || type == PolygonZ || type == MultiPointZ ||
           type == MultiPatch;
}
bool hasM(std::int32_t type) {
    return hasZ(type) || type == PointM || type == PolyLineM || type == PolygonM || type == MultiPointM;
}
} // namespace ShapeType

std::size_t ShapeData::memoryBytes() const {
    return sizeof(*this) + records.capacity() * sizeof(ShapeRecord) + xy.capacity() * sizeof(double) +
           partStarts.capacity() * sizeof(std::uint32_t) + z.capacity() * sizeof(double) +
           m.capacity() * sizeof(double) + ranges.capacity() * sizeof(ShapeRanges);
}

namespace {

constexpr std::int64_t kHeaderBytes = 100;
constexpr std::int64_t kRecordHeaderBytes = 8;

std::uint32_t bigU32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (std::uint32_t(u[0]) << 24) | (std::uint32_t(u[1]) << 16) | (std::uint32_t(u[2]) << 8) | u[3];
}
std::int32_t littleI32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::int32_t>(std::uint32_t(u[0]) | (std::uint32_t(u[1]) << 8) |
                                     (std::uint32_t(u[2]) << 16) | (std::uint32_t(u[3]) << 24));
}
double littleDouble(const char* p) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(p[i]);
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

ShapeHeader readHeader(const char* p) {
    ShapeHeader h;
    h.fileLengthBytes = std::int64_t(bigU32(p + 24)) * 2;
    h.shapeType = littleI32(p + 32);
    double* values[] = {&h.xmin, &h.ymin, &h.xmax, &h.ymax, &h.zmin, &h.zmax, &h.mmin, &h.mmax};
    for (int i = 0; i < 8; ++i) *values[i] = littleDouble(p + 36 + 8 * i);
    return h;
}

bool isDegree(double x, double y) {
    return std::isfinite(x) && std::isfinite(y) && x >= -180.0 && x <= 180.0 && y >= -90.0 && y <= 90.0;
}

// What one record holds, worked out and checked before anything is allocated.
struct RecordLayout {
    std::int32_t type = ShapeType::Null;
    std::int64_t contentStart = 0; // byte offset of the record content in the .shp
    std::int64_t contentLength = 0;
    std::int64_t parts = 0;
    std::int64_t points = 0;
    bool hasZ = false;
    bool hasM = false; // the optional M block is present
};

// The layout of the record content at [start, start + length), or a Null one when its counts do
// not fit in its content.
RecordLayout layoutOf(const char* shp, std::int64_t start, std::int64_t length) {
    RecordLayout r;
    if (length < 4) return r;
    const char* c = shp + start;
    const std::int32_t type = littleI32(c);
    RecordLayout out;
    out.type = type;
    out.contentStart = start;
    out.contentLength = length;
    const std::int32_t base = ShapeType::baseType(type);
    const bool z = ShapeType::hasZ(type);
    const bool measured = type != ShapeType::baseType(type) || type == ShapeType::MultiPatch;
    switch (base) {
    case ShapeType::Null:
        return out;
    case ShapeType::Point: {
        if (length < 20) return r;
        out.points = 1;
        std::int64_t need = 20;
        if (z) {
            need += 8;
            if (length < need) return r;
            out.hasZ = true;
        }
        out.hasM = measured && length >= need + 8;
        return out;
    }
    case ShapeType::MultiPoint: {
        if (length < 40) return r;
        const std::int64_t n = littleI32(c + 36);
        if (n < 0 || n > (length - 40) / 16) return r;
        out.points = n;
        std::int64_t need = 40 + 16 * n;
        if (z) {
            need += 16 + 8 * n;
            if (length < need) return r;
            out.hasZ = true;
        }
        out.hasM = measured && length >= need + 16 + 8 * n;
        return out;
    }
    case ShapeType::PolyLine:
    case ShapeType::Polygon:
    case ShapeType::MultiPatch: {
        if (length < 44) return r;
        const std::int64_t np = littleI32(c + 36);
        const std::int64_t n = littleI32(c + 40);
        const std::int64_t partBytes = type == ShapeType::MultiPatch ? 8 : 4;
        if (np < 0 || n < 0 || np > (length - 44) / partBytes) return r;
        if (n > (length - 44 - partBytes * np) / 16) return r;
        if ((np == 0) != (n == 0)) return r;
        out.parts = np;
        out.points = n;
        std::int64_t need = 44 + partBytes * np + 16 * n;
        if (z) {
            need += 16 + 8 * n;
            if (length < need) return r;
            out.hasZ = true;
        }
        out.hasM = measured && length >= need + 16 + 8 * n;
        return out;
    }
    default:
        return out; // an unknown type: kept as it is, with nothing to draw
    }
}

void computeLabel(ShapeRecord& rec, const double* xy, const std::uint32_t* partStarts) {
    const std::int32_t base = ShapeType::baseType(rec.shapeType);
    if (rec.pointCount == 0) return;
    const double* p = xy + 2 * std::size_t(rec.firstPoint);
    switch (base) {
    case ShapeType::Point:
        rec.labelX = p[0];
        rec.labelY = p[1];
        return;
    case ShapeType::PolyLine: {
        const std::uint32_t mid = rec.pointCount / 2;
        rec.labelX = p[2 * mid];
        rec.labelY = p[2 * mid + 1];
        rec.labelAngle = ShapeFile::polylineLabelAngle(p, rec.pointCount);
        return;
    }
    case ShapeType::Polygon: {
        // Area-weighted centroid of the rings; signed areas, so holes (wound the other way)
        // take their share away.
        double area = 0, cx = 0, cy = 0;
        for (std::uint32_t part = 0; part < rec.partCount; ++part) {
            const std::uint32_t from = partStarts[rec.firstPart + part] - rec.firstPoint;
            const std::uint32_t to = part + 1 < rec.partCount
                                         ? partStarts[rec.firstPart + part + 1] - rec.firstPoint
                                         : rec.pointCount;
            if (to - from < 3) continue;
            // Relative to the ring's first point so that large coordinates keep their precision.
            const double ox = p[2 * from], oy = p[2 * from + 1];
            double a = 0, rx = 0, ry = 0;
            for (std::uint32_t i = from; i < to; ++i) {
                const std::uint32_t j = i + 1 < to ? i + 1 : from;
                const double x0 = p[2 * i] - ox, y0 = p[2 * i + 1] - oy;
                const double x1 = p[2 * j] - ox, y1 = p[2 * j + 1] - oy;
                const double cross = x0 * y1 - x1 * y0;
                a += cross;
                rx += (x0 + x1) * cross;
                ry += (y0 + y1) * cross;
            }
            if (a == 0) continue;
            a /= 2;
            area += a;
            cx += a * (rx / (6 * a) + ox);
            cy += a * (ry / (6 * a) + oy);
        }
        if (area != 0 && std::isfinite(cx / area) && std::isfinite(cy / area)) {
            rec.labelX = cx / area;
            rec.labelY = cy / area;
        } else {
            rec.labelX = (rec.xmin + rec.xmax) / 2;
            rec.labelY = (rec.ymin + rec.ymax) / 2;
        }
        return;
    }
    default:
        rec.labelX = (rec.xmin + rec.xmax) / 2;
        rec.labelY = (rec.ymin + rec.ymax) / 2;
        return;
    }
}

} // namespace

int ShapeFile::polylineLabelAngle(const double* xy, std::uint32_t pointCount) {
    if (pointCount <= 3) return 0;
    const std::uint32_t mid = pointCount / 2;
    if (mid + 1 >= pointCount) return 0;
    const double dx = xy[2 * mid + 2] - xy[2 * mid];
    const double dy = xy[2 * mid + 3] - xy[2 * mid + 1];
    // Points that agree to a hundredth of a second have no direction.
    const double hundredthSecond = 1.0 / 360000.0;
    if (std::abs(dx) < hundredthSecond / 2 && std::abs(dy) < hundredthSecond / 2) return 0;
    double degrees = std::atan2(dy, dx) * 180.0 / M_PI;
    if (degrees < 0) degrees += 360.0;
    int tenths = static_cast<int>(std::lround(degrees * 10.0)) % 3600;
    if (tenths >= 901 && tenths <= 2799) tenths = (tenths + 1800) % 3600;
    return tenths;
}

QString ShapeFile::projectedCoordinatesMessage() {
    return QObject::tr("This shapefile uses projected coordinates (metres); only longitude/latitude "
                       "shapefiles can be shown.");
}

std::shared_ptr<const ShapeData> ShapeFile::read(QByteArrayView shp, QByteArrayView shx, QString* error) {
    const auto fail = [error](const QString& text) {
        if (error) *error = text;
        return std::shared_ptr<const ShapeData>();
    };
    const std::int64_t shpSize = shp.size();
    const std::int64_t shxSize = shx.size();
    if (shpSize > kMaxShpBytes)
        return fail(QObject::tr("The shapefile is larger than 1 GiB and cannot be shown."));
    if (shxSize > kMaxShpBytes) return fail(QObject::tr("The shapefile index is larger than 1 GiB."));
    if (shxSize < kHeaderBytes) return fail(QObject::tr("The shapefile index (.shx) is too short."));
    if (shpSize < kHeaderBytes) return fail(QObject::tr("The shapefile (.shp) is too short."));
    const char* x = shx.data();
    const char* s = shp.data();
    if (x[0] != 0 || x[1] != 0 || x[2] != 0x27 || (x[3] != 0x0A && x[3] != 0x0D))
        return fail(QObject::tr("The shapefile index (.shx) is not a shapefile index."));

    auto data = std::make_shared<ShapeData>();
    data->header = readHeader(x);
    const ShapeHeader& h = data->header;
    if (!std::isfinite(h.xmin) || !std::isfinite(h.ymin) || !std::isfinite(h.xmax) || !std::isfinite(h.ymax))
        return fail(QObject::tr("The shapefile's bounding box is not valid."));
    if (!isDegree(h.xmin, h.ymin) || !isDegree(h.xmax, h.ymax)) return fail(projectedCoordinatesMessage());

    // The record count from the index length, bounded by the bytes the index really has.
    const std::int64_t declared = (h.fileLengthBytes - kHeaderBytes) / 8;
    if (declared < 0 || declared > 256'000'000)
        return fail(QObject::tr("The shapefile index (.shx) has an impossible record count."));
    const std::int64_t count = std::min(declared, (shxSize - kHeaderBytes) / 8);
    if (count > kMaxRecords) return fail(QObject::tr("The shapefile has too many records."));

    // Pass 1: every record's offset, length and counts checked against the files; totals bounded.
    std::vector<RecordLayout> layouts(static_cast<std::size_t>(count));
    std::int64_t totalPoints = 0, totalParts = 0;
    bool anyZ = false, anyM = false;
    for (std::int64_t i = 0; i < count; ++i) {
        const char* entry = x + kHeaderBytes + 8 * i;
        const std::int64_t offset = std::int64_t(bigU32(entry)) * 2;
        const std::int64_t length = std::int64_t(bigU32(entry + 4)) * 2;
        if (offset < kHeaderBytes || offset > shpSize - kRecordHeaderBytes ||
            length > shpSize - offset - kRecordHeaderBytes)
            continue; // outside the file: a Null record
        RecordLayout layout = layoutOf(s, offset + kRecordHeaderBytes, length);
        if (totalPoints + layout.points > kMaxPoints)
            return fail(QObject::tr("The shapefile has more than 50 million points."));
        if (totalParts + layout.parts > kMaxParts)
            return fail(QObject::tr("The shapefile has more than 50 million parts."));
        totalPoints += layout.points;
        totalParts += layout.parts;
        anyZ = anyZ || layout.hasZ;
        anyM = anyM || layout.hasM;
        layouts[std::size_t(i)] = layout;
    }

    data->records.resize(std::size_t(count));
    data->xy.resize(std::size_t(totalPoints) * 2);
    data->partStarts.resize(std::size_t(totalParts));
    if (anyZ) data->z.resize(std::size_t(totalPoints));
    if (anyM) data->m.resize(std::size_t(totalPoints), std::numeric_limits<double>::quiet_NaN());
    if (anyZ || anyM) data->ranges.resize(std::size_t(count));

    // Pass 2: the values. A record whose parts are not ascending and in range, or whose points are
    // not degrees, becomes a Null record (its space in the arrays stays unused).
    std::uint32_t nextPoint = 0, nextPart = 0;
    double* xy = data->xy.data();
    for (std::int64_t i = 0; i < count; ++i) {
        const RecordLayout& l = layouts[std::size_t(i)];
        ShapeRecord& rec = data->records[std::size_t(i)];
        rec.firstPoint = nextPoint;
        rec.firstPart = nextPart;
        if (l.type == ShapeType::Null || (l.points == 0 && l.parts == 0)) {
            rec.shapeType = l.type;
            continue;
        }
        const char* c = s + l.contentStart;
        const std::int32_t base = ShapeType::baseType(l.type);
        const std::uint32_t n = std::uint32_t(l.points);
        const std::uint32_t np = std::uint32_t(l.parts);
        const char* pointsAt = nullptr;
        std::int64_t afterPoints = 0;
        if (base == ShapeType::Point) {
            pointsAt = c + 4;
            afterPoints = 20;
        } else if (base == ShapeType::MultiPoint) {
            pointsAt = c + 40;
            afterPoints = 40 + 16 * std::int64_t(n);
        } else {
            const std::int64_t partBytes = l.type == ShapeType::MultiPatch ? 8 : 4;
            const char* parts = c + 44;
            bool ok = littleI32(parts) == 0;
            std::int32_t previous = -1;
            for (std::uint32_t p = 0; ok && p < np; ++p) {
                const std::int32_t start = littleI32(parts + 4 * p);
                ok = start > previous && start < std::int32_t(n);
                previous = start;
                data->partStarts[nextPart + p] = nextPoint + std::uint32_t(start);
            }
            if (!ok) continue; // stays a Null record
            pointsAt = c + 44 + partBytes * np;
            afterPoints = 44 + partBytes * np + 16 * std::int64_t(n);
        }
        double xmin = std::numeric_limits<double>::infinity(), ymin = xmin;
        double xmax = -xmin, ymax = -xmin;
        bool degrees = true;
        double* out = xy + 2 * std::size_t(nextPoint);
        for (std::uint32_t p = 0; p < n; ++p) {
            const double px = littleDouble(pointsAt + 16 * p);
            const double py = littleDouble(pointsAt + 16 * p + 8);
            // Far beyond any longitude/latitude: a damaged record, not worth drawing.
            if (!std::isfinite(px) || !std::isfinite(py) || std::abs(px) > 360.0 || std::abs(py) > 180.0) {
                degrees = false;
                break;
            }
            out[2 * p] = px;
            out[2 * p + 1] = py;
            xmin = std::min(xmin, px);
            xmax = std::max(xmax, px);
            ymin = std::min(ymin, py);
            ymax = std::max(ymax, py);
        }
        if (!degrees) continue;

        ShapeRanges* ranges = data->ranges.empty() ? nullptr : &data->ranges[std::size_t(i)];
        std::int64_t at = afterPoints;
        if (l.hasZ) {
            if (base == ShapeType::Point) {
                data->z[nextPoint] = littleDouble(c + 20);
                if (ranges) ranges->zmin = ranges->zmax = data->z[nextPoint];
                at = 28;
            } else {
                if (ranges) {
                    ranges->zmin = littleDouble(c + at);
                    ranges->zmax = littleDouble(c + at + 8);
                }
                for (std::uint32_t p = 0; p < n; ++p)
                    data->z[nextPoint + p] = littleDouble(c + at + 16 + 8 * p);
                at += 16 + 8 * std::int64_t(n);
            }
        }
        if (l.hasM) {
            if (base == ShapeType::Point) {
                data->m[nextPoint] = littleDouble(c + at);
                if (ranges) ranges->mmin = ranges->mmax = data->m[nextPoint];
            } else {
                if (ranges) {
                    ranges->mmin = littleDouble(c + at);
                    ranges->mmax = littleDouble(c + at + 8);
                }
                for (std::uint32_t p = 0; p < n; ++p)
                    data->m[nextPoint + p] = littleDouble(c + at + 16 + 8 * p);
            }
        }

        rec.shapeType = l.type;
        rec.pointCount = n;
        rec.partCount = np;
        // The box from the points themselves: the stored one may lie, and culling relies on it.
        rec.xmin = xmin;
        rec.ymin = ymin;
        rec.xmax = xmax;
        rec.ymax = ymax;
        computeLabel(rec, xy, data->partStarts.data());
        nextPoint += n;
        nextPart += np;
    }
    // Records that turned out damaged leave unused space at the end; give it back.
    if (nextPoint * 2 != data->xy.size()) {
        data->xy.resize(std::size_t(nextPoint) * 2);
        data->xy.shrink_to_fit();
        if (!data->z.empty()) data->z.resize(nextPoint);
        if (!data->m.empty()) data->m.resize(nextPoint);
    }
    if (nextPart != data->partStarts.size()) data->partStarts.resize(nextPart);
    if (error) error->clear();
    return data;
}

std::shared_ptr<const ShapeData> ShapeFile::readFiles(const QString& basePath, QString* error) {
    QFile shp(basePath + QStringLiteral(".shp"));
    QFile shx(basePath + QStringLiteral(".shx"));
    if (!shp.open(QIODevice::ReadOnly)) {
        if (error) *error = QObject::tr("The file %1 cannot be opened.").arg(shp.fileName());
        return {};
    }
    if (!shx.open(QIODevice::ReadOnly)) {
        if (error) *error = QObject::tr("The file %1 cannot be opened.").arg(shx.fileName());
        return {};
    }
    if (shp.size() > kMaxShpBytes || shx.size() > kMaxShpBytes) {
        if (error) *error = QObject::tr("The shapefile is larger than 1 GiB and cannot be shown.");
        return {};
    }
    // Mapped when the file system allows it (no copy of a big file), read whole otherwise.
    const auto bytesOf = [](QFile& f, QByteArray& holder) -> QByteArrayView {
        if (f.size() == 0) return {};
        if (uchar* mapped = f.map(0, f.size())) return {reinterpret_cast<const char*>(mapped), f.size()};
        holder = f.readAll();
        return holder;
    };
    QByteArray shpHolder, shxHolder;
    const QByteArrayView shpBytes = bytesOf(shp, shpHolder);
    const QByteArrayView shxBytes = bytesOf(shx, shxHolder);
    return read(shpBytes, shxBytes, error);
}
