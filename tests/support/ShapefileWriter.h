#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

// Writes small shapefiles (".shp", ".shx", ".dbf") for tests, benchmarks and the sample data, in
// the published layout of every shape type. Coordinates are X = longitude, Y = latitude.
class ShapefileWriter {
public:
    struct Point {
        double x = 0, y = 0, z = 0, m = 0;
    };
    struct Record {
        std::int32_t type = 0;                 // a ShapeType value; 0 = Null
        std::vector<std::vector<Point>> parts; // Point: one part of one point; MultiPoint: one part
    };
    struct Field {
        QByteArray name;
        char type = 'C';
        int length = 20;
        int decimals = 0;
    };
    struct Box {
        double xmin, ymin, xmax, ymax;
    };

    std::vector<Record> records;
    QList<Field> fields;
    QList<QStringList> rows;                // one per record, one text per field
    std::optional<Box> headerBox;           // the points' box when not set
    std::optional<std::int32_t> headerType; // the first non-null record's type when not set

    // Convenience builders.
    static Record point(std::int32_t type, Point p) { return {type, {{p}}}; }
    static Record multi(std::int32_t type, std::vector<Point> points) { return {type, {std::move(points)}}; }
    static Record poly(std::int32_t type, std::vector<std::vector<Point>> parts) {
        return {type, std::move(parts)};
    }

    QByteArray shp() const;
    QByteArray shx() const;
    QByteArray dbf() const;
    // Writes base + ".shp", ".shx" and ".dbf" (no ".dbf" without fields); false on a write error.
    bool write(const QString& basePath) const;

    // The content of one record as the ".shp" holds it (without the 8-byte record header).
    static QByteArray recordContent(const Record& record);

private:
    QByteArray header(std::int64_t fileBytes) const;
};
