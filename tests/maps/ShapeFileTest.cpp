// The shapefile reader: every record type from files written in the published layout, label
// points and angles, and files that lie about their sizes.
#include "maps/ShapeFile.h"
#include "maps/DbfTable.h"
#include "support/ShapefileWriter.h"

#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using W = ShapefileWriter;

std::shared_ptr<const ShapeData> readBack(const W& writer, QString* error = nullptr) {
    const QByteArray shp = writer.shp();
    const QByteArray shx = writer.shx();
    QString e;
    auto data = ShapeFile::read(shp, shx, &e);
    if (error) *error = e;
    return data;
}

W::Point pt(double x, double y, double z = 0, double m = 0) {
    return {x, y, z, m};
}

void setBig32(QByteArray& bytes, qsizetype at, quint32 value) {
    qToBigEndian(value, bytes.data() + at);
}
void setLittle32(QByteArray& bytes, qsizetype at, qint32 value) {
    qToLittleEndian(value, bytes.data() + at);
}

} // namespace

TEST(ShapeFile, ReadsEveryRecordTypeWithItsPartsZAndM) {
    W w;
    w.records = {
        W::Record{ShapeType::Null, {}},
        W::point(ShapeType::Point, pt(23.7, 37.95)),
        W::point(ShapeType::PointZ, pt(23.71, 37.96, 120.5, 7)),
        W::point(ShapeType::PointM, pt(23.72, 37.97, 0, 9)),
        W::multi(ShapeType::MultiPoint, {pt(23.6, 37.9), pt(23.8, 38.0)}),
        W::multi(ShapeType::MultiPointZ, {pt(23.6, 37.9, 1, 2), pt(23.7, 37.95, 3, 4)}),
        W::multi(ShapeType::MultiPointM, {pt(23.6, 37.9, 0, 5)}),
        W::poly(ShapeType::PolyLine, {{pt(23.6, 37.9), pt(23.7, 37.9)}, {pt(23.7, 37.95), pt(23.75, 37.96)}}),
        W::poly(ShapeType::PolyLineZ, {{pt(23.6, 37.9, 10, 1), pt(23.7, 37.9, 20, 2)}}),
        W::poly(ShapeType::PolyLineM, {{pt(23.6, 37.9, 0, 3), pt(23.7, 37.9, 0, 4)}}),
        W::poly(ShapeType::Polygon,
                {{pt(23.6, 37.9), pt(23.6, 38.0), pt(23.8, 38.0), pt(23.8, 37.9), pt(23.6, 37.9)}}),
        W::poly(ShapeType::PolygonZ,
                {{pt(23.6, 37.9, 5), pt(23.6, 38.0, 6), pt(23.7, 38.0, 7), pt(23.6, 37.9, 5)}}),
        W::poly(ShapeType::PolygonM, {{pt(23.6, 37.9, 0, 1), pt(23.6, 38.0, 0, 1), pt(23.7, 37.9, 0, 1)}}),
        W::poly(ShapeType::MultiPatch, {{pt(23.6, 37.9, 1), pt(23.6, 38.0, 2), pt(23.7, 37.9, 3)}}),
    };
    QString error;
    const auto data = readBack(w, &error);
    ASSERT_TRUE(data) << error.toStdString();
    ASSERT_EQ(data->records.size(), w.records.size());
    EXPECT_EQ(data->header.shapeType, ShapeType::Point);
    EXPECT_DOUBLE_EQ(data->header.xmin, 23.6);
    EXPECT_DOUBLE_EQ(data->header.ymax, 38.0);

    for (std::size_t i = 0; i < w.records.size(); ++i) {
        const ShapeRecord& rec = data->records[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(rec.shapeType, w.records[i].type);
        std::size_t k = rec.firstPoint;
        std::uint32_t points = 0;
        for (const auto& part : w.records[i].parts)
            for (const auto& p : part) {
                EXPECT_DOUBLE_EQ(data->xy[2 * k], p.x);
                EXPECT_DOUBLE_EQ(data->xy[2 * k + 1], p.y);
                if (ShapeType::hasZ(rec.shapeType)) {
                    EXPECT_DOUBLE_EQ(data->z[k], p.z);
                }
                if (ShapeType::hasM(rec.shapeType)) {
                    EXPECT_DOUBLE_EQ(data->m[k], p.m);
                }
                ++k;
                ++points;
            }
        EXPECT_EQ(rec.pointCount, points);
    }
    const ShapeRecord& twoParts = data->records[7];
    ASSERT_EQ(twoParts.partCount, 2u);
    EXPECT_EQ(data->partStarts[twoParts.firstPart], twoParts.firstPoint);
    EXPECT_EQ(data->partStarts[twoParts.firstPart + 1], twoParts.firstPoint + 2);
    EXPECT_DOUBLE_EQ(data->ranges[8].zmin, 10);
    EXPECT_DOUBLE_EQ(data->ranges[8].zmax, 20);
    EXPECT_DOUBLE_EQ(data->ranges[9].mmax, 4);
    // Plain types beside Z types: no M stored for them.
    EXPECT_TRUE(std::isnan(data->m[data->records[1].firstPoint]));
}

TEST(ShapeFile, PointZWithoutTheOptionalMeasureKeepsItsZ) {
    W w;
    w.records = {W::point(ShapeType::PointZ, pt(23.7, 37.9, 44))};
    QByteArray shp = w.shp();
    QByteArray shx = w.shx();
    // Cut the record to type, X, Y, Z (28 bytes = 14 words).
    setBig32(shx, 104, 14);
    setBig32(shp, 104, 14);
    shp.chop(8);
    const auto data = ShapeFile::read(shp, shx, nullptr);
    ASSERT_TRUE(data);
    EXPECT_DOUBLE_EQ(data->z[0], 44);
    EXPECT_TRUE(data->m.empty());
}

TEST(ShapeFile, LabelPointsByShapeType) {
    W w;
    w.records = {
        W::point(ShapeType::Point, pt(23.7, 37.95)),
        W::poly(ShapeType::PolyLine, {{pt(23.60, 37.9), pt(23.65, 37.9), pt(23.70, 37.91)}}),
        // A square with a square hole in one corner: the centroid moves away from the hole.
        W::poly(ShapeType::Polygon, {{pt(0, 0), pt(0, 4), pt(4, 4), pt(4, 0), pt(0, 0)},
                                     {pt(0, 0), pt(2, 0), pt(2, 2), pt(0, 2), pt(0, 0)}}),
        W::multi(ShapeType::MultiPoint, {pt(1, 1), pt(3, 5), pt(2, 2)}),
    };
    const auto data = readBack(w);
    ASSERT_TRUE(data);
    EXPECT_DOUBLE_EQ(data->records[0].labelX, 23.7);
    EXPECT_DOUBLE_EQ(data->records[0].labelY, 37.95);
    // Three points: the middle one (index 1), no angle.
    EXPECT_DOUBLE_EQ(data->records[1].labelX, 23.65);
    EXPECT_EQ(data->records[1].labelAngle, 0);
    EXPECT_NEAR(data->records[2].labelX, 28.0 / 12.0, 1e-12);
    EXPECT_NEAR(data->records[2].labelY, 28.0 / 12.0, 1e-12);
    EXPECT_DOUBLE_EQ(data->records[3].labelX, 2);
    EXPECT_DOUBLE_EQ(data->records[3].labelY, 3);
}

TEST(ShapeFile, PolylineLabelAnglesNeverReadUpsideDown) {
    const auto angle = [](double dx, double dy) {
        // Four points: the middle vertex is index 2, the segment runs to index 3.
        const double xy[] = {0, 0, 0, 0, 10, 10, 10 + dx, 10 + dy};
        return ShapeFile::polylineLabelAngle(xy, 4);
    };
    EXPECT_EQ(angle(1, 0), 0);
    EXPECT_EQ(angle(-1, 0), 0); // running west: the reversed segment
    EXPECT_EQ(angle(1, 1), 450);
    EXPECT_EQ(angle(-1, 1), 3150); // 1350 turned round
    EXPECT_EQ(angle(0, 1), 900);
    EXPECT_EQ(angle(0, -1), 900); // 2700 turned round
    EXPECT_EQ(angle(1, -1), 3150);
    EXPECT_EQ(angle(0, 0), 0);
    const double three[] = {0, 0, 0, 1, 0, 2};
    EXPECT_EQ(ShapeFile::polylineLabelAngle(three, 3), 0);
    // From 90.1 to 279.9 degrees turned round; 90.0 and 280.0 not.
    const auto at = [&](double degrees) {
        return angle(std::cos(degrees * M_PI / 180), std::sin(degrees * M_PI / 180));
    };
    EXPECT_EQ(at(90.1), 2701);
    EXPECT_EQ(at(279.9), 999);
    EXPECT_EQ(at(280.0), 2800);
    EXPECT_EQ(at(359.96), 0);
}

TEST(ShapeFile, IndexSignatureAndRecordCount) {
    W w;
    w.records = {W::point(ShapeType::Point, pt(23.7, 37.95))};
    const QByteArray shp = w.shp();
    QByteArray shx = w.shx();
    shx[3] = 0x0D;
    EXPECT_TRUE(ShapeFile::read(shp, shx, nullptr));
    QString error;
    shx[3] = 0x0B;
    EXPECT_FALSE(ShapeFile::read(shp, shx, &error));
    EXPECT_FALSE(error.isEmpty());
    shx[3] = 0x0A;
    setBig32(shx, 24, 10); // shorter than its own header: a negative count
    EXPECT_FALSE(ShapeFile::read(shp, shx, &error));
    // A count larger than the index holds is cut to what is there.
    setBig32(shx, 24, 0x00100000);
    const auto data = ShapeFile::read(shp, shx, &error);
    ASSERT_TRUE(data) << error.toStdString();
    EXPECT_EQ(data->records.size(), 1u);
    setBig32(shx, 24, 0x7fffffff); // above 256 million records
    EXPECT_FALSE(ShapeFile::read(shp, shx, &error));
    EXPECT_FALSE(ShapeFile::read(shp, shx.left(99), &error));
    EXPECT_FALSE(ShapeFile::read(shp.left(99), shx, &error));
    EXPECT_FALSE(ShapeFile::read({}, {}, &error));
}

TEST(ShapeFile, ProjectedCoordinatesAreRefusedInPlainWords) {
    W w;
    w.records = {W::point(ShapeType::Point, pt(480000, 4200000))};
    QString error;
    EXPECT_FALSE(readBack(w, &error));
    EXPECT_EQ(error, ShapeFile::projectedCoordinatesMessage());
    EXPECT_TRUE(error.contains(QStringLiteral("projected coordinates")));
    w.headerBox = W::Box{-180, -90, 180, 90.5};
    EXPECT_FALSE(readBack(w, &error));
    w.headerBox = W::Box{std::nan(""), 0, 1, 1};
    EXPECT_FALSE(readBack(w, &error));
    w.headerBox = W::Box{-180, -90, 180, 90};
    w.records = {W::point(ShapeType::Point, pt(-180, 90))};
    EXPECT_TRUE(readBack(w, &error)) << error.toStdString();
}

TEST(ShapeFile, DamagedRecordsBecomeNullAndTheRestLoads) {
    W w;
    w.headerBox = W::Box{23, 37, 24, 38};
    w.records = {
        W::poly(ShapeType::PolyLine, {{pt(23.6, 37.9), pt(23.7, 37.9)}, {pt(23.7, 37.95), pt(23.75, 37.96)}}),
        W::poly(ShapeType::PolyLine, {{pt(23.6, 37.9), pt(23.7, 37.9)}, {pt(23.7, 37.95), pt(23.75, 37.96)}}),
        W::multi(ShapeType::MultiPoint, {pt(23.6, 37.9), pt(23.7, 37.9)}),
        W::point(ShapeType::Point, pt(std::nan(""), 37.9)),
        W::point(ShapeType::Point, pt(1e300, 37.9)),
        W::point(ShapeType::Point, pt(23.7, 37.95)),
        W::point(ShapeType::Point, pt(23.7, 37.95)),
    };
    QByteArray shp = w.shp();
    QByteArray shx = w.shx();
    const auto offsetOf = [&](int record) {
        return qFromBigEndian<quint32>(shx.constData() + 100 + 8 * record) * 2;
    };
    // Record 0: the second part starts before the first (descending).
    setLittle32(shp, offsetOf(0) + 8 + 44 + 4, 0);
    // Record 1: a part index beyond the point count.
    setLittle32(shp, offsetOf(1) + 8 + 44 + 4, 4);
    // Record 2: more points than the content holds.
    setLittle32(shp, offsetOf(2) + 8 + 36, 1000000);
    // Record 5: an offset past the end of the file; record 6: a length past it.
    setBig32(shx, 100 + 8 * 5, 0x40000000);
    setBig32(shx, 100 + 8 * 6 + 4, 0x7fffffff);
    const auto data = ShapeFile::read(shp, shx, nullptr);
    ASSERT_TRUE(data);
    ASSERT_EQ(data->records.size(), 7u);
    for (const ShapeRecord& rec : data->records) EXPECT_EQ(rec.pointCount, 0u);
    EXPECT_TRUE(data->xy.empty());
}

TEST(ShapeFile, TheRecordOfOneFileSharedByManyIndexEntriesHitsThePointCap) {
    // One record of a million points and an index that points 51 times at it: refused before
    // 51 million points are allocated.
    std::vector<W::Point> points(1'000'000, pt(23.7, 37.9));
    W w;
    w.records = {W::multi(ShapeType::MultiPoint, std::move(points))};
    const QByteArray shp = w.shp();
    QByteArray shx = w.shx().left(100);
    const QByteArray entry = w.shx().mid(100, 8);
    for (int i = 0; i < 51; ++i) shx += entry;
    setBig32(shx, 24, quint32(shx.size() / 2));
    QString error;
    EXPECT_FALSE(ShapeFile::read(shp, shx, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("50 million")));
    shx.chop(8 * 49);
    setBig32(shx, 24, quint32(shx.size() / 2));
    const auto two = ShapeFile::read(shp, shx, &error);
    ASSERT_TRUE(two);
    EXPECT_EQ(two->pointCount(), 2'000'000u);
}

TEST(DbfTable, FieldsTextsAndDescriptorRules) {
    W w;
    w.records = {W::point(ShapeType::Point, pt(1, 1)), W::point(ShapeType::Point, pt(2, 2))};
    w.fields = {{"NAME", 'C', 300, 0}, {"LANES", 'N', 4, 1}};
    w.rows = {{QStringLiteral("Odos Athinas"), QStringLiteral("2.5")},
              {QStringLiteral("Πλατεία"), QString()}};
    QString error;
    auto table = DbfTable::read(w.dbf(), &error);
    ASSERT_TRUE(table) << error.toStdString();
    ASSERT_EQ(table->fieldCount(), 2);
    EXPECT_EQ(table->field(0).name, "NAME");
    EXPECT_EQ(table->field(0).length, 300); // byte 16 + 256 x byte 17 for text fields
    EXPECT_EQ(table->field(1).offset, 301);
    EXPECT_EQ(table->field(1).length, 4);
    EXPECT_EQ(table->field(1).decimals, 1);
    EXPECT_EQ(table->recordCount(), 2);
    EXPECT_EQ(table->text(0, 0), QStringLiteral("Odos Athinas"));
    EXPECT_EQ(table->text(0, 1), QStringLiteral("2.5"));
    EXPECT_EQ(table->text(1, 0), QStringLiteral("Πλατεία"));
    EXPECT_EQ(table->text(2, 0), QString());
    EXPECT_EQ(table->text(0, 2), QString());
    EXPECT_EQ(table->text(-1, 0), QString());

    // Cut short: the records it still holds.
    const QByteArray whole = w.dbf();
    table = DbfTable::read(whole.left(whole.size() - 200), &error);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->recordCount(), 1);

    // No 0x0D after the descriptors.
    QByteArray bad = whole;
    bad[32 + 64] = 'X';
    EXPECT_FALSE(DbfTable::read(bad, &error));
    // A field longer than the record.
    bad = whole;
    bad[10] = char(100);
    bad[11] = 0;
    EXPECT_FALSE(DbfTable::read(bad, &error));
    // A header longer than the file, a record length of 0, and nothing at all.
    bad = whole.left(60);
    EXPECT_FALSE(DbfTable::read(bad, &error));
    bad = whole;
    bad[10] = bad[11] = 0;
    EXPECT_FALSE(DbfTable::read(bad, &error));
    EXPECT_FALSE(DbfTable::read(QByteArray(), &error));
}
