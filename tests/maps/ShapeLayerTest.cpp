// The shapefile layer drawn into images: point circles and symbols, pens by window width,
// culling, the highlight, labels and their angles, and hits by screen radius.
#include "maps/ShapeLayer.h"
#include "maps/LabelBoxes.h"
#include "platform/gui/LogFont.h"
#include "support/ShapefileWriter.h"

#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <thread>

namespace {

using W = ShapefileWriter;

W::Point pt(double x, double y) {
    return {x, y, 0, 0};
}

// A 200 x 200 canvas over 37.9..38.0 N, 23.6..23.8 E: x = (lon - 23.6) * 1000, y = (38 - lat) * 2000.
struct Canvas {
    QImage image{200, 200, QImage::Format_RGB32};
    MapDetails rect = MapDetails::fromCorners(QString(), QString(), 38.0, 23.6, 37.9, 23.8);
    LinearProjection projection{rect, QSizeF(200, 200)};
    LabelBoxes labels;

    Canvas() { image.fill(Qt::white); }
    void draw(const ShapeLayer& layer, double windowKm = 0, QRectF visible = QRectF(0, 0, 200, 200)) {
        QPainter p(&image);
        MapDrawContext c;
        c.projection = &projection;
        c.visible = visible;
        c.labels = &labels;
        c.windowWidthKm = windowKm;
        layer.draw(p, QRectF(0, 0, 200, 200), c);
    }
    QColor at(int x, int y) const { return image.pixelColor(x, y); }
    // Pixels of `colour` inside the rectangle.
    int count(QRect r, QColor colour) const {
        int n = 0;
        for (int y = std::max(0, r.top()); y <= std::min(199, r.bottom()); ++y)
            for (int x = std::max(0, r.left()); x <= std::min(199, r.right()); ++x) n += at(x, y) == colour;
        return n;
    }
    // Pixels nearer to `colour` than to the white background: label text is antialiased, and how
    // many of its pixels reach the exact colour depends on the font's hinting.
    int countTinted(QRect r, QColor colour) const {
        const auto distance = [](QColor a, QColor b) {
            const int dr = a.red() - b.red(), dg = a.green() - b.green(), db = a.blue() - b.blue();
            return dr * dr + dg * dg + db * db;
        };
        int n = 0;
        for (int y = std::max(0, r.top()); y <= std::min(199, r.bottom()); ++y)
            for (int x = std::max(0, r.left()); x <= std::min(199, r.right()); ++x)
                n += distance(at(x, y), colour) < distance(at(x, y), Qt::white);
        return n;
    }
    int countNotWhite(QRect r) const {
        int n = 0;
        for (int y = std::max(0, r.top()); y <= std::min(199, r.bottom()); ++y)
            for (int x = std::max(0, r.left()); x <= std::min(199, r.right()); ++x)
                n += at(x, y) != Qt::white;
        return n;
    }
};

struct Files {
    QTemporaryDir dir;
    QString base() const { return dir.path() + QStringLiteral("/layer"); }
    QString shp() const { return base() + QStringLiteral(".shp"); }
};

// Loads the records (with a NAME column when names are given) into a layer.
std::unique_ptr<ShapeLayer> layerOf(const Files& files, std::vector<W::Record> records,
                                    QStringList names = {}) {
    W w;
    w.records = std::move(records);
    w.headerBox = W::Box{23.6, 37.9, 23.8, 38.0};
    if (!names.isEmpty()) {
        w.fields = {{"NAME", 'C', 30, 0}};
        for (const QString& n : names) w.rows.append(QStringList{n});
    }
    EXPECT_TRUE(w.write(files.base()));
    auto layer = std::make_unique<ShapeLayer>();
    EXPECT_TRUE(layer->load(files.shp())) << layer->lastError().toStdString();
    return layer;
}

ShapeDisplaySettings plain() {
    ShapeDisplaySettings s;
    s.lineColour = 0xFF0000; // blue
    s.fillColour = 0xC0C0C0;
    return s;
}

const QColor kBlue(0, 0, 255);
const QColor kGreen(0, 255, 0);
const QColor kRed(255, 0, 0);

bool haveFonts() {
    return !QFontDatabase::families().isEmpty();
}

QByteArray fontRecord(int pixels) {
    // DejaVu Sans where it is there (it comes with Qt's packages): the first family by name may be
    // a math font (DejaVu Math TeX Gyre, where fonts-dejavu-extra is installed) whose glyphs
    // cover fewer pixels.
    const QStringList families = QFontDatabase::families();
    QFont f(families.contains(QStringLiteral("DejaVu Sans")) ? QStringLiteral("DejaVu Sans")
                                                             : families.value(0));
    f.setPixelSize(pixels);
    return LogFont::fromQFont(f).bytes();
}

} // namespace

TEST(ShapeLayer, DetailsDrawnSizeAndLoadOutcomes) {
    Files files;
    auto layer = layerOf(files, {W::point(ShapeType::Point, pt(23.7, 37.95))});
    EXPECT_EQ(layer->kind(), MapLayerContent::Shapefile);
    EXPECT_EQ(layer->details().caption, QStringLiteral("TEST"));
    EXPECT_DOUBLE_EQ(layer->details().top, 38.0);
    EXPECT_DOUBLE_EQ(layer->details().left, 23.6);
    EXPECT_DOUBLE_EQ(layer->details().bottom, 37.9);
    EXPECT_DOUBLE_EQ(layer->details().right, 23.8);
    EXPECT_EQ(layer->details().sourceKind, MapDetails::ProjectCorners);
    // 0.2 degrees of longitude at 37.95 N are 0.1578 "latitude degrees" wide.
    const double wide = 0.2 * std::cos((37.9 + 38.0) / 2 * M_PI / 180);
    EXPECT_EQ(layer->drawnSize(), QSize(2000, static_cast<int>(std::lround(2000 * 0.1 / wide))));
    EXPECT_EQ(layer->basePath(), files.base());
    EXPECT_FALSE(layer->table()); // no .dbf: no labels, but the shapes are there
    EXPECT_TRUE(layer->lastError().isEmpty());

    // A damaged .dbf costs only the labels.
    QFile dbf(files.base() + QStringLiteral(".dbf"));
    ASSERT_TRUE(dbf.open(QIODevice::WriteOnly));
    dbf.write(QByteArray(40, '\x01'));
    dbf.close();
    ShapeLayer again;
    EXPECT_TRUE(again.load(files.shp()));
    EXPECT_FALSE(again.table());

    ShapeLayer missing;
    QFile::remove(files.base() + QStringLiteral(".shx"));
    EXPECT_FALSE(missing.load(files.shp()));
    EXPECT_FALSE(missing.lastError().isEmpty());
    EXPECT_FALSE(missing.data());

    W projected;
    projected.records = {W::point(ShapeType::Point, pt(500000, 4200000))};
    ASSERT_TRUE(projected.write(files.base()));
    EXPECT_FALSE(missing.load(files.shp()));
    EXPECT_EQ(missing.lastError(), ShapeFile::projectedCoordinatesMessage());
}

TEST(ShapeLayer, PointCirclesFilledOrNotAndSymbols) {
    Files files;
    auto layer = layerOf(files, {W::point(ShapeType::Point, pt(23.7, 37.95)),
                                 W::multi(ShapeType::MultiPointZ, {pt(23.65, 37.95), pt(23.75, 37.95)})});
    ShapeDisplaySettings s = plain();
    s.fillColour = ShapeDisplaySettings::kNoFill;
    layer->setSettings(s);
    Canvas unfilled;
    unfilled.draw(*layer);
    for (int x : {100, 50, 150}) {
        EXPECT_EQ(unfilled.at(x, 100), Qt::white) << x;
        EXPECT_GT(unfilled.count(QRect(x - 3, 97, 7, 7), kBlue), 4) << x;
    }

    s.fillColour = 0xC0C0C0;
    layer->setSettings(s);
    Canvas filled;
    filled.draw(*layer);
    EXPECT_EQ(filled.at(100, 100), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(filled.countNotWhite(QRect(104, 104, 10, 10)), 0); // a circle of radius 2 only

    // An APRS symbol covers its 16 x 16 box; number 94 is in neither table and stays a dot.
    s.pointSymbol = 29; // primary '>'
    layer->setSettings(s);
    Canvas symbol;
    symbol.draw(*layer);
    EXPECT_GT(symbol.countNotWhite(QRect(92, 92, 16, 16)) - symbol.countNotWhite(QRect(97, 97, 6, 6)), 20);
    s.pointSymbol = 94;
    layer->setSettings(s);
    Canvas none;
    none.draw(*layer);
    EXPECT_EQ(none.countNotWhite(QRect(92, 92, 16, 16)) - none.countNotWhite(QRect(97, 97, 6, 6)), 0);
}

TEST(ShapeLayer, PensByWindowWidthAndRingsAsOutlines) {
    Files files;
    auto layer =
        layerOf(files, {W::poly(ShapeType::PolyLine, {{pt(23.62, 37.95), pt(23.78, 37.95)}}),
                        W::poly(ShapeType::Polygon, {{pt(23.62, 37.93), pt(23.62, 37.91), pt(23.68, 37.91),
                                                      pt(23.68, 37.93), pt(23.62, 37.93)}})});
    ShapeDisplaySettings s = plain();
    s.scaleDependentLines = 1;
    s.wideLineColour = 0x00FF00;
    layer->setSettings(s);
    const auto widthAt = [&](double km, QColor colour) {
        Canvas c;
        c.draw(*layer, km);
        int n = 0;
        for (int y = 90; y <= 110; ++y) n += c.at(100, y) == colour;
        return n;
    };
    EXPECT_EQ(widthAt(0.3, kGreen), 4);
    EXPECT_EQ(widthAt(0.7, kGreen), 3);
    EXPECT_EQ(widthAt(1.5, kGreen), 2);
    EXPECT_EQ(widthAt(2.5, kBlue), 1);
    EXPECT_EQ(widthAt(0, kBlue), 1); // not measured
    s.scaleDependentLines = 0;
    layer->setSettings(s);
    EXPECT_EQ(widthAt(0.3, kBlue), 1);

    // The ring is an outline: its inside stays white though a fill colour is set.
    Canvas c;
    c.draw(*layer);
    EXPECT_EQ(c.at(50, 150), Qt::white);
    EXPECT_GT(c.count(QRect(18, 150, 4, 1), kBlue), 0);
    EXPECT_GT(c.count(QRect(50, 138, 1, 4), kBlue), 0);
}

TEST(ShapeLayer, RecordsOutsideTheVisiblePartAreSkipped) {
    Files files;
    auto layer = layerOf(files, {W::point(ShapeType::Point, pt(23.65, 37.95)),
                                 W::point(ShapeType::Point, pt(23.75, 37.95)),
                                 W::poly(ShapeType::PolyLine, {{pt(23.75, 37.92), pt(23.79, 37.92)}})});
    layer->setSettings(plain());
    Canvas c;
    c.draw(*layer, 0, QRectF(0, 0, 100, 200)); // the painter is not clipped: culling alone
    EXPECT_GT(c.countNotWhite(QRect(47, 97, 7, 7)), 0);
    EXPECT_EQ(c.countNotWhite(QRect(100, 0, 100, 200)), 0);
}

TEST(ShapeLayer, HitsByScreenRadiusAndTheHighlightIsARedDot) {
    Files files;
    auto layer = layerOf(
        files, {W::point(ShapeType::Point, pt(23.7, 37.95)), W::point(ShapeType::PointZ, pt(23.7, 37.95)),
                W::poly(ShapeType::PolyLine, {{pt(23.62, 37.92), pt(23.68, 37.92)}}),
                W::poly(ShapeType::Polygon, {{pt(23.72, 37.91), pt(23.72, 37.93), pt(23.78, 37.93),
                                              pt(23.78, 37.91), pt(23.72, 37.91)},
                                             {pt(23.74, 37.915), pt(23.76, 37.915), pt(23.76, 37.925),
                                              pt(23.74, 37.925), pt(23.74, 37.915)}}),
                W::multi(ShapeType::MultiPointM, {pt(23.61, 37.99), pt(23.62, 37.99)}),
                W::poly(ShapeType::PolygonZ,
                        {{pt(23.61, 37.96), pt(23.61, 37.98), pt(23.63, 37.98), pt(23.61, 37.96)}})});
    layer->setSettings(plain());
    const Canvas geometry;
    const LinearProjection& proj = geometry.projection;
    EXPECT_EQ(layer->highlighted(), -1);

    // 3 pixels east of the point: within a radius of 5, not of 2; the first in file order wins.
    EXPECT_FALSE(layer->hit(37.95, 23.703, proj, 2));
    EXPECT_EQ(layer->highlighted(), -1);
    EXPECT_TRUE(layer->hit(37.95, 23.703, proj, 5));
    EXPECT_EQ(layer->highlighted(), 0);

    // The polyline within the radius (3 px north of y = 160).
    EXPECT_TRUE(layer->hit(37.9215, 23.65, proj, 4));
    EXPECT_EQ(layer->highlighted(), 2);
    EXPECT_FALSE(layer->hit(37.925, 23.65, proj, 4));

    // The polygon by ray crossing: inside the ring, not in its hole, not outside.
    EXPECT_TRUE(layer->hit(37.912, 23.73, proj, 0));
    EXPECT_EQ(layer->highlighted(), 3);
    layer->clearHighlight();
    EXPECT_FALSE(layer->hit(37.92, 23.75, proj, 0));
    EXPECT_FALSE(layer->hit(37.92, 23.79, proj, 0));
    EXPECT_EQ(layer->highlighted(), -1);

    // Z and M forms are hit like their plain forms.
    EXPECT_TRUE(layer->hit(37.99, 23.62, proj, 1));
    EXPECT_EQ(layer->highlighted(), 4);
    EXPECT_TRUE(layer->hit(37.975, 23.615, proj, 0));
    EXPECT_EQ(layer->highlighted(), 5);

    // Highlighted, the point is a red dot; the polyline is drawn in red.
    ASSERT_TRUE(layer->hit(37.95, 23.7, proj, 1));
    Canvas c;
    c.draw(*layer);
    EXPECT_EQ(c.at(100, 100), kRed);
    ASSERT_TRUE(layer->hit(37.92, 23.65, proj, 1));
    Canvas line;
    line.draw(*layer);
    EXPECT_EQ(line.at(50, 160), kRed);
    EXPECT_EQ(line.at(100, 100), QColor(0xC0, 0xC0, 0xC0));
}

TEST(ShapeLayer, OverlappingLabelsOnlyTheFirstDrawnAcrossLayers) {
    if (!haveFonts()) GTEST_SKIP() << "no fonts";
    Files first, second;
    auto a =
        layerOf(first,
                {W::point(ShapeType::Point, pt(23.62, 37.95)), W::point(ShapeType::Point, pt(23.623, 37.95)),
                 W::point(ShapeType::Point, pt(23.62, 37.92))},
                {QStringLiteral("Alpha"), QStringLiteral("Beta"), QString()});
    auto b = layerOf(second,
                     {W::poly(ShapeType::PolyLine, {{pt(23.6, 37.95), pt(23.625, 37.95), pt(23.7, 37.95)}})},
                     {QStringLiteral("Gamma")});
    ShapeDisplaySettings s = plain();
    s.labelColumn = 0;
    s.labelColour = 0x00FF00; // green
    s.labelFont = fontRecord(12);
    a->setSettings(s);
    s.labelColour = 0x0000FF; // red
    b->setSettings(s);
    Canvas c;
    c.draw(*a);
    c.draw(*b);
    EXPECT_EQ(c.labels.count(), 1); // "Beta" and "Gamma" would overlap "Alpha"; the empty label takes no box
    // "Alpha" starts 7 pixels right of and 7 up from its point (20, 100).
    EXPECT_GT(c.countTinted(QRect(27, 93, 40, 16), kGreen), 5);
    EXPECT_EQ(c.countTinted(QRect(0, 0, 200, 200), kRed), 0);
    EXPECT_EQ(c.countTinted(QRect(0, 0, 26, 200), kGreen), 0);

    // With the label column off nothing is written.
    s.labelColumn = -1;
    a->setSettings(s);
    Canvas off;
    off.draw(*a);
    EXPECT_EQ(off.labels.count(), 0);
    EXPECT_EQ(off.countTinted(QRect(0, 0, 200, 200), kGreen), 0);
}

TEST(ShapeLayer, PolylineLabelsTurnAlongTheLine) {
    if (!haveFonts()) GTEST_SKIP() << "no fonts";
    Files files;
    // Running west (4 points): the angle is 0, the text horizontal from the middle vertex (x 100).
    // Running north (4 points): the text goes up from its middle vertex (x 40, y 120).
    auto layer =
        layerOf(files,
                {W::poly(ShapeType::PolyLine,
                         {{pt(23.76, 37.96), pt(23.74, 37.96), pt(23.70, 37.96), pt(23.66, 37.96)}}),
                 W::poly(ShapeType::PolyLine,
                         {{pt(23.64, 37.90), pt(23.64, 37.92), pt(23.64, 37.94), pt(23.64, 37.99)}})},
                {QStringLiteral("WWWWWW"), QStringLiteral("NNNNNN")});
    ASSERT_EQ(layer->data()->records[0].labelAngle, 0);
    ASSERT_EQ(layer->data()->records[1].labelAngle, 900);
    ShapeDisplaySettings s = plain();
    s.labelColumn = 0;
    s.labelColour = 0x00FF00;
    s.labelFont = fontRecord(12);
    layer->setSettings(s);
    Canvas c;
    c.draw(*layer);
    EXPECT_EQ(c.labels.count(), 2);
    // Horizontal: below and right of (100, 80).
    EXPECT_GT(c.countTinted(QRect(100, 80, 60, 16), kGreen), 5);
    EXPECT_EQ(c.countTinted(QRect(100, 30, 60, 48), kGreen), 0);
    // Turned: above (40, 120), to its right within one line height.
    EXPECT_GT(c.countTinted(QRect(40, 60, 16, 58), kGreen), 5);
    EXPECT_EQ(c.countTinted(QRect(60, 100, 30, 30), kGreen), 0);
}

TEST(ShapeLayer, LoadsOnAWorkerAndDrawsWhileTheGuiThreadHitTests) {
    Files files;
    std::vector<W::Record> records;
    for (int i = 0; i < 200; ++i)
        records.push_back(
            W::poly(ShapeType::PolyLine, {{pt(23.6 + i * 0.001, 37.9), pt(23.6 + i * 0.001, 38.0)}}));
    W w;
    w.records = records;
    ASSERT_TRUE(w.write(files.base()));
    ShapeLayer layer;
    bool loaded = false;
    std::thread([&] { loaded = layer.load(files.shp()); }).join();
    ASSERT_TRUE(loaded);

    std::atomic<bool> stop{false};
    const auto painter = [&] {
        Canvas c;
        while (!stop.load()) c.draw(layer);
    };
    std::thread t1(painter), t2(painter);
    const Canvas geometry;
    for (int i = 0; i < 200; ++i) {
        layer.hit(37.95, 23.6 + i * 0.001, geometry.projection, 1);
        ShapeDisplaySettings s = plain();
        s.lineColour = static_cast<uint32_t>(i);
        layer.setSettings(s);
    }
    stop = true;
    t1.join();
    t2.join();
    EXPECT_GE(layer.highlighted(), 0);
}
