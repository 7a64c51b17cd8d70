#include "tests/support/ShapefileWriter.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <limits>

namespace {

void putBig32(QByteArray& out, std::uint32_t v) {
    char b[4];
    qToBigEndian(v, b);
    out.append(b, 4);
}
void putLittle32(QByteArray& out, std::int32_t v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}
void putLittle16(QByteArray& out, std::uint16_t v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}
void putDouble(QByteArray& out, double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    char b[8];
    qToLittleEndian(bits, b);
    out.append(b, 8);
}

int plainType(std::int32_t type) {
    if (type == 31) return 31;
    return type % 10; // 11/21 -> 1, 13/23 -> 3, 15/25 -> 5, 18/28 -> 8
}
bool withZ(std::int32_t type) {
    return type == 11 || type == 13 || type == 15 || type == 18 || type == 31;
}
bool withM(std::int32_t type) {
    return type > 10;
}

std::vector<ShapefileWriter::Point> allPoints(const ShapefileWriter::Record& r) {
    std::vector<ShapefileWriter::Point> points;
    for (const auto& part : r.parts) points.insert(points.end(), part.begin(), part.end());
    return points;
}

void putBox(QByteArray& out, const std::vector<ShapefileWriter::Point>& points) {
    double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    if (!points.empty()) {
        xmin = xmax = points[0].x;
        ymin = ymax = points[0].y;
    }
    for (const auto& p : points) {
        xmin = std::min(xmin, p.x);
        xmax = std::max(xmax, p.x);
        ymin = std::min(ymin, p.y);
        ymax = std::max(ymax, p.y);
    }
    putDouble(out, xmin);
    putDouble(out, ymin);
    putDouble(out, xmax);
    putDouble(out, ymax);
}

template <typename F>
void putRangeAndValues(QByteArray& out, const std::vector<ShapefileWriter::Point>& points, F value) {
    double lo = 0, hi = 0;
    if (!points.empty()) lo = hi = value(points[0]);
    for (const auto& p : points) {
        lo = std::min(lo, value(p));
        hi = std::max(hi, value(p));
    }
    putDouble(out, lo);
    putDouble(out, hi);
    for (const auto& p : points) putDouble(out, value(p));
}

} // namespace

QByteArray ShapefileWriter::recordContent(const Record& r) {
    QByteArray out;
    putLittle32(out, r.type);
    const int plain = plainType(r.type);
    const auto points = allPoints(r);
    if (r.type == 0) return out;
    if (plain == 1) {
        const Point p = points.empty() ? Point{} : points[0];
        putDouble(out, p.x);
        putDouble(out, p.y);
        if (withZ(r.type)) putDouble(out, p.z);
        if (withM(r.type)) putDouble(out, p.m);
        return out;
    }
    putBox(out, points);
    if (plain == 8) {
        putLittle32(out, static_cast<std::int32_t>(points.size()));
    } else {
        putLittle32(out, static_cast<std::int32_t>(r.parts.size()));
        putLittle32(out, static_cast<std::int32_t>(points.size()));
        std::int32_t start = 0;
        for (const auto& part : r.parts) {
            putLittle32(out, start);
            start += static_cast<std::int32_t>(part.size());
        }
        if (r.type == 31)
            for (std::size_t i = 0; i < r.parts.size(); ++i) putLittle32(out, 5); // ring
    }
    for (const auto& p : points) {
        putDouble(out, p.x);
        putDouble(out, p.y);
    }
    if (withZ(r.type)) putRangeAndValues(out, points, [](const Point& p) { return p.z; });
    if (withM(r.type)) putRangeAndValues(out, points, [](const Point& p) { return p.m; });
    return out;
}

QByteArray ShapefileWriter::header(std::int64_t fileBytes) const {
    QByteArray out;
    putBig32(out, 9994);
    for (int i = 0; i < 5; ++i) putBig32(out, 0);
    putBig32(out, static_cast<std::uint32_t>(fileBytes / 2));
    putLittle32(out, 1000);
    std::int32_t type = 0;
    if (headerType) {
        type = *headerType;
    } else {
        for (const auto& r : records)
            if (r.type != 0) {
                type = r.type;
                break;
            }
    }
    putLittle32(out, type);
    Box box{0, 0, 0, 0};
    if (headerBox) {
        box = *headerBox;
    } else {
        bool first = true;
        for (const auto& r : records)
            for (const auto& p : allPoints(r)) {
                if (first) box = {p.x, p.y, p.x, p.y};
                first = false;
                box = {std::min(box.xmin, p.x), std::min(box.ymin, p.y), std::max(box.xmax, p.x),
                       std::max(box.ymax, p.y)};
            }
    }
    putDouble(out, box.xmin);
    putDouble(out, box.ymin);
    putDouble(out, box.xmax);
    putDouble(out, box.ymax);
    for (int i = 0; i < 4; ++i) putDouble(out, 0);
    return out;
}

QByteArray ShapefileWriter::shp() const {
    QByteArray body;
    int number = 1;
    for (const auto& r : records) {
        const QByteArray content = recordContent(r);
        putBig32(body, static_cast<std::uint32_t>(number++));
        putBig32(body, static_cast<std::uint32_t>(content.size() / 2));
        body.append(content);
    }
    return header(100 + body.size()) + body;
}

QByteArray ShapefileWriter::shx() const {
    QByteArray body;
    std::int64_t offset = 100;
    for (const auto& r : records) {
        const qsizetype length = recordContent(r).size();
        putBig32(body, static_cast<std::uint32_t>(offset / 2));
        putBig32(body, static_cast<std::uint32_t>(length / 2));
        offset += 8 + length;
    }
    return header(100 + body.size()) + body;
}

QByteArray ShapefileWriter::dbf() const {
    int recordLength = 1;
    for (const auto& f : fields) recordLength += f.length;
    QByteArray out;
    out.append(char(3));
    out.append(char(126));
    out.append(char(1));
    out.append(char(1));
    putLittle32(out, static_cast<std::int32_t>(records.size()));
    putLittle16(out, static_cast<std::uint16_t>(32 + 32 * fields.size() + 1));
    putLittle16(out, static_cast<std::uint16_t>(recordLength));
    out.append(QByteArray(20, '\0'));
    for (const auto& f : fields) {
        QByteArray d(32, '\0');
        std::memcpy(d.data(), f.name.constData(), std::min<qsizetype>(f.name.size(), 10));
        d[11] = f.type;
        if (f.type == 'N' || f.type == 'F') {
            d[16] = char(f.length);
            d[17] = char(f.decimals);
        } else {
            d[16] = char(f.length & 0xff);
            d[17] = char(f.length >> 8);
        }
        out.append(d);
    }
    out.append(char(0x0D));
    for (std::size_t i = 0; i < records.size(); ++i) {
        out.append(' ');
        for (int c = 0; c < fields.size(); ++c) {
            const Field& f = fields[c];
            QByteArray text = i < std::size_t(rows.size()) && c < rows[qsizetype(i)].size()
                                  ? rows[qsizetype(i)][c].toUtf8().left(f.length)
                                  : QByteArray();
            if (f.type == 'N' || f.type == 'F')
                text = text.rightJustified(f.length, ' ');
            else
                text = text.leftJustified(f.length, ' ');
            out.append(text);
        }
    }
    out.append(char(0x1A));
    return out;
}

bool ShapefileWriter::write(const QString& basePath) const {
    const auto put = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
    };
    if (!put(basePath + QStringLiteral(".shp"), shp()) || !put(basePath + QStringLiteral(".shx"), shx()))
        return false;
    return fields.isEmpty() || put(basePath + QStringLiteral(".dbf"), dbf());
}
