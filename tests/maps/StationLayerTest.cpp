#include "maps/StationLayer.h"

#include "aprs/StationRecord.h"
#include "maps/GeoProjection.h"
#include "maps/MapLabelSettings.h"
#include "platform/Settings.h"
#include "support/TrackedStations.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <cmath>

#include <gtest/gtest.h>

namespace {

// The canvas: one degree of latitude and longitude on 1000 x 1000 pixels, 49..50 N, 73..72 W, so
// a thousandth of a degree is one pixel.
const MapDetails kCanvasRect = MapDetails::fromCorners({}, {}, 49, -73, 50, -72);

QString aprsPosition(double lat, double lon) {
    const auto part = [](double v, int degreeDigits, QChar pos, QChar neg) {
        const double a = std::abs(v);
        const int d = static_cast<int>(a);
        const double m = (a - d) * 60;
        return QStringLiteral("%1%2%3")
            .arg(d, degreeDigits, 10, QLatin1Char('0'))
            .arg(m, 5, 'f', 2, QLatin1Char('0'))
            .arg(v < 0 ? neg : pos);
    };
    return part(lat, 2, u'N', u'S') + u'/' + part(lon, 3, u'E', u'W');
}

bool isWhite(QRgb c) {
    return qRed(c) > 250 && qGreen(c) > 250 && qBlue(c) > 250;
}

class StationLayerTest : public TrackedStations {
protected:
    LinearProjection projection{kCanvasRect, QSizeF(1000, 1000)};
    MapDetails project = kCanvasRect;
    StationLayer layer;
    QImage image{1000, 1000, QImage::Format_RGB32};
    int filter = -1;

    StationRecord* station(const QString& call, double lat, double lon, QChar symbol = u'-',
                           const QString& extra = {}) {
        return feedLine(u'!' + aprsPosition(lat, lon) + symbol + extra, call, QStringLiteral("APRS"), {}, 0);
    }

    StationPaintContext context(QRectF visible = QRectF(0, 0, 1000, 1000)) const {
        StationPaintContext c;
        c.projection = &projection;
        c.visible = visible;
        const MapDetails rect = project;
        c.insideProject = [rect](double lat, double lon) { return rect.contains(lat, lon); };
        c.stationTypeFilter = filter;
        return c;
    }

    MapLabelSettings settings() const { return MapLabelSettings::read(t.settings); }

    void paint(QRectF visible = QRectF(0, 0, 1000, 1000), bool clear = true) {
        if (clear) image.fill(Qt::white);
        QPainter p(&image);
        p.setClipRect(visible);
        layer.paint(p, stations, context(visible), settings());
    }

    static QPoint pixel(double lat, double lon) {
        return QPoint(qRound((lon + 73) * 1000), qRound((50 - lat) * 1000));
    }
    int nonWhiteIn(const QRect& r) const {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += !isWhite(image.pixel(x, y));
        return n;
    }
    int textHeight() const {
        const QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
        return static_cast<int>(std::ceil(QFontMetricsF(settings().font, &probe).height()));
    }
    void labels(int type, int border = MapLabelSettings::Rectangle) {
        write(t.settings, Settings::LABELTYPE, type);
        write(t.settings, Settings::TEXTBORDER, border);
    }
};

} // namespace

TEST_F(StationLayerTest, SymbolsStandWhereThePositionIsWithNoMagentaLeft) {
    labels(MapLabelSettings::NoLabel);
    station(QStringLiteral("N0FIX"), 49.5, -72.5);
    StationRecord* car = station(QStringLiteral("N0CAR"), 49.3, -72.7, u'>', QStringLiteral("090/036"));
    ASSERT_NE(car, nullptr);
    ASSERT_NE(car->speed, 0.0);
    station(QStringLiteral("N0OVL"), 49.7, -72.3, u'>');
    stations.at(2)->symbolTable = 'D'; // an overlay
    paint();

    for (const QPoint c : {pixel(49.5, -72.5), pixel(49.3, -72.7), pixel(49.7, -72.3)}) {
        EXPECT_GT(nonWhiteIn(QRect(c.x() - 8, c.y() - 8, 16, 16)), 40) << c.x() << "," << c.y();
        // Nothing around the 16 x 16 cell.
        EXPECT_EQ(nonWhiteIn(QRect(c.x() - 14, c.y() - 14, 4, 28)), 0);
        EXPECT_EQ(nonWhiteIn(QRect(c.x() + 10, c.y() - 14, 4, 28)), 0);
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            ASSERT_FALSE(qRed(c) > 240 && qGreen(c) < 20 && qBlue(c) > 240) << x << "," << y;
        }
    EXPECT_EQ(nonWhiteIn(QRect(0, 0, 300, 300)), 0);
}

TEST_F(StationLayerTest, ProjectRectangleFilterAndTrackFlagDecideWhoIsDrawn) {
    labels(MapLabelSettings::NoLabel);
    project = MapDetails::fromCorners({}, {}, 49.2, -72.8, 49.8, -72.2);
    StationRecord* outside = station(QStringLiteral("N0OUT"), 49.1, -72.5);
    station(QStringLiteral("WX0WX"), 49.5, -72.5, u'_');
    station(QStringLiteral("N0DIG"), 49.5, -72.3, u'#');
    ASSERT_EQ(stations.FindByCall(u"WX0WX")->stationType, StationType::Weather);
    const QPoint out = pixel(49.1, -72.5), wx = pixel(49.5, -72.5), digi = pixel(49.5, -72.3);
    const auto drawn = [&](QPoint c) { return nonWhiteIn(QRect(c.x() - 8, c.y() - 8, 16, 16)) > 0; };

    paint();
    EXPECT_FALSE(drawn(out));
    EXPECT_TRUE(drawn(wx));
    EXPECT_TRUE(drawn(digi));

    outside->showTrack = 1;
    paint();
    EXPECT_TRUE(drawn(out));

    filter = StationType::Weather;
    paint();
    EXPECT_FALSE(drawn(out));
    EXPECT_TRUE(drawn(wx));
    EXPECT_FALSE(drawn(digi));
    EXPECT_EQ(layer.callAt(QPointF(digi)), QString());
    EXPECT_EQ(layer.callAt(QPointF(wx)), QStringLiteral("WX0WX"));
}

TEST_F(StationLayerTest, WeatherLabelTexts) {
    MapLabelSettings s;
    StationRecord* wx = feedLine(QStringLiteral("=4903.50N/07201.75W_220/004g005t068r000p000P000h50b10132"),
                                 QStringLiteral("WX1"), QStringLiteral("APRS"), {}, 0);
    ASSERT_NE(wx, nullptr);
    EXPECT_EQ(stationLabelText(*wx, s), QStringLiteral("(WX1):20\u00B0C:50%:1013Hpa"));
    s.weatherWind = true;
    EXPECT_EQ(stationLabelText(*wx, s), QStringLiteral("(WX1):20\u00B0C:220\u00B0:4mph:50%:1013Hpa"));
    s.speedFormat = 2;
    s.temperatureFormat = 1;
    EXPECT_EQ(stationLabelText(*wx, s), QStringLiteral("(WX1):68\u00B0F:220\u00B0:6Km/h:50%:1013Hpa"));
    s.weatherTemperature = s.weatherWind = s.weatherHumidity = s.weatherPressure = false;
    EXPECT_EQ(stationLabelText(*wx, s), QStringLiteral("(WX1)"));
    s.weatherPlainLabel = true;
    EXPECT_EQ(stationLabelText(*wx, s), QStringLiteral("WX1"));

    // Below freezing the division truncates towards zero; readings not reported are left out.
    StationRecord* cold = feedLine(QStringLiteral("!4903.50N/07201.75W_.../...t-05"), QStringLiteral("WX2"),
                                   QStringLiteral("APRS"), {}, 0);
    ASSERT_NE(cold, nullptr);
    MapLabelSettings d;
    d.weatherWind = true;
    EXPECT_EQ(stationLabelText(*cold, d), QStringLiteral("(WX2):-20\u00B0C"));
    cold->weather.temperature = -50000;
    EXPECT_EQ(stationLabelText(*cold, d), QStringLiteral("(WX2)"));

    // The defaults as read: Celsius, mph.
    const MapLabelSettings read = MapLabelSettings::read(t.settings);
    EXPECT_EQ(read.temperatureFormat, 0);
    EXPECT_EQ(read.speedFormat, 3);
    EXPECT_EQ(read.labelType, 0);
    EXPECT_EQ(read.textBorder, 2);
    EXPECT_EQ(read.backColor, QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(read.trackColor, QColor(0, 0xE4, 0));

    StationRecord* fixed = station(QStringLiteral("N0FIX"), 49.5, -72.5);
    EXPECT_EQ(stationLabelText(*fixed, read), QStringLiteral("N0FIX"));
}

TEST_F(StationLayerTest, LabelBoxStandsAboveOrBelowTheSymbolsTopEdge) {
    write(t.settings, Settings::LABELBACKCOLOR, 0x0000FFFF); // yellow
    write(t.settings, Settings::LABELTEXTCOLOR, 0x00000000);
    station(QStringLiteral("N0LBL"), 49.5, -72.5);
    const QPoint c = pixel(49.5, -72.5);
    const int sx = c.x() - 8, sy = c.y() - 8, h = textHeight();
    const QRgb yellow = qRgb(255, 255, 0);

    labels(MapLabelSettings::AboveTopEdge);
    paint();
    EXPECT_EQ(image.pixel(sx + 17, sy), yellow);            // bottom margin of the box
    EXPECT_EQ(image.pixel(sx + 17, sy - h - 1), yellow);    // top margin
    EXPECT_EQ(image.pixel(sx + 17, sy + 1), qRgb(0, 0, 0)); // its frame
    EXPECT_EQ(image.pixel(sx + 14, sy + 1), qRgb(0, 0, 0)); // the corner, square
    EXPECT_TRUE(isWhite(image.pixel(sx + 17, sy + 4)));
    EXPECT_TRUE(isWhite(image.pixel(sx + 13, sy - 4)));

    labels(MapLabelSettings::BelowTopEdge);
    paint();
    EXPECT_EQ(image.pixel(sx + 19, sy - 1), yellow);
    EXPECT_EQ(image.pixel(sx + 19, sy + h), yellow);
    EXPECT_EQ(image.pixel(sx + 16, sy - 2), qRgb(0, 0, 0));
    EXPECT_TRUE(isWhite(image.pixel(sx + 19, sy - 4)));
    EXPECT_TRUE(isWhite(image.pixel(sx + 15, sy + 4)));

    labels(MapLabelSettings::BelowTopEdge, MapLabelSettings::RoundedRectangle);
    paint();
    EXPECT_EQ(image.pixel(sx + 19, sy - 1), yellow);
    EXPECT_NE(image.pixel(sx + 16, sy - 2), qRgb(0, 0, 0)); // a rounded corner

    labels(MapLabelSettings::BelowTopEdge, MapLabelSettings::PushButton);
    paint();
    EXPECT_EQ(image.pixel(sx + 19, sy - 1), yellow);
    const QRgb light = image.pixel(sx + 19, sy - 2);
    EXPECT_GT(qBlue(light), 100); // the lit top edge is lighter than the yellow fill's blue
    EXPECT_EQ(image.pixel(sx + 19, sy + h + 1), qRgb(0, 0, 0)); // the shadowed bottom edge

    labels(MapLabelSettings::BelowTopEdge, MapLabelSettings::NoBox);
    paint();
    EXPECT_TRUE(isWhite(image.pixel(sx + 19, sy - 1)));
    EXPECT_TRUE(isWhite(image.pixel(sx + 19, sy + h)));
    EXPECT_GT(nonWhiteIn(QRect(sx + 18, sy, 40, h)), 0); // the text itself

    labels(MapLabelSettings::NoLabel);
    paint();
    EXPECT_EQ(nonWhiteIn(QRect(sx + 16, sy - h - 4, 60, 2 * h + 8)), 0);
}

TEST_F(StationLayerTest, FindAtPointTakesTheTopmostStationAndWorksWithLabelsOff) {
    labels(MapLabelSettings::AboveTopEdge);
    StationRecord* first = station(QStringLiteral("N0ONE"), 49.5, -72.5);
    station(QStringLiteral("N0TWO"), 49.5, -72.5);
    const QPoint c = pixel(49.5, -72.5);
    const int sx = c.x() - 8, sy = c.y() - 8;
    paint();
    // Both labels lie on the same place; the later one in the list is drawn over the other.
    EXPECT_EQ(layer.callAt(QPointF(c)), QStringLiteral("N0TWO"));
    EXPECT_EQ(layer.callAt(QPointF(sx + 20, sy - 3)), QStringLiteral("N0TWO"));
    EXPECT_EQ(layer.callAt(QPointF(sx + 20, sy + 30)), QString());

    stations.MoveToEnd(first); // heard again: now it is on top
    paint();
    EXPECT_EQ(layer.callAt(QPointF(sx + 20, sy - 3)), QStringLiteral("N0ONE"));
    const auto hit = layer.stationAt(QPointF(c));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->id, first->id);

    labels(MapLabelSettings::NoLabel);
    paint();
    EXPECT_EQ(layer.callAt(QPointF(c)), QStringLiteral("N0ONE"));
    EXPECT_EQ(layer.callAt(QPointF(sx + 20, sy - 3)), QString());
}

TEST_F(StationLayerTest, TrackIsDrawnInTrackColourAndReadAgainOnlyWhenItGrows) {
    labels(MapLabelSettings::NoLabel);
    write(t.settings, Settings::TRACKCOLOR, 0x00FF0000); // blue
    StationRecord* car = station(QStringLiteral("N0CAR"), 49.5, -72.8, u'>', QStringLiteral("090/036"));
    station(QStringLiteral("N0CAR"), 49.5, -72.6, u'>', QStringLiteral("090/036"));
    ASSERT_EQ(tracks.readTrack(QStringLiteral("N0CAR")).size(), 2u);
    const QRgb blue = qRgb(0, 0, 255);
    const int row = pixel(49.5, 0).y() - 1; // a 2-pixel line covers the rows above and below y

    paint();
    EXPECT_NE(image.pixel(pixel(0, -72.7).x(), row), blue); // no track flag, no track

    car->showTrack = 1;
    paint();
    EXPECT_EQ(image.pixel(pixel(0, -72.7).x(), row), blue);
    EXPECT_NE(image.pixel(pixel(0, -72.5).x(), row), blue);
    const int reads = layer.tracks().reads();
    paint();
    EXPECT_EQ(layer.tracks().reads(), reads);

    station(QStringLiteral("N0CAR"), 49.5, -72.4, u'>', QStringLiteral("090/036"));
    paint();
    EXPECT_EQ(layer.tracks().reads(), reads + 1);
    EXPECT_EQ(layer.tracks().track(tracks.trackPath(QStringLiteral("N0CAR"))).size(), 3u);
    EXPECT_EQ(image.pixel(pixel(0, -72.5).x(), row), blue);
}

TEST(StationTrackCacheThinning, KeepsAtMostTheLimitWithFirstAndLastPoint) {
    std::vector<StationTrackCache::Position> points;
    for (int i = 0; i < 12345; ++i) points.push_back({i * 1.0, 0});
    const auto thinned = StationTrackCache::thin(points, StationTrackCache::kMaxDrawnPoints);
    ASSERT_EQ(thinned.size(), size_t(StationTrackCache::kMaxDrawnPoints));
    EXPECT_EQ(thinned.front().latitude, 0);
    EXPECT_EQ(thinned.back().latitude, 12344);
    for (size_t i = 1; i < thinned.size(); ++i) ASSERT_LT(thinned[i - 1].latitude, thinned[i].latitude);
    points.resize(10);
    EXPECT_EQ(StationTrackCache::thin(points, 5000).size(), 10u);
}

TEST_F(StationLayerTest, CoverageCircleOfThePhgRange) {
    labels(MapLabelSettings::NoLabel);
    StationRecord* digi = station(QStringLiteral("N0PHG"), 49.5, -72.5, u'#', QStringLiteral("PHG5132"));
    ASSERT_GT(digi->phg.range, 5.0);
    const double radiusPx = digi->phg.range * 1.609344 / 111.32 * 1000; // a degree of latitude is 1000 px
    const QPoint c = pixel(49.5, -72.5);
    const auto blueTinted = [](QRgb p) { return qBlue(p) > qRed(p) + 10; };

    paint();
    EXPECT_FALSE(blueTinted(image.pixel(c.x(), c.y() - int(radiusPx / 2)))); // flag off

    digi->coverage = 1;
    paint();
    EXPECT_TRUE(blueTinted(image.pixel(c.x(), c.y() - int(radiusPx / 2))));          // the faint fill
    EXPECT_TRUE(blueTinted(image.pixel(c.x(), c.y() - int(std::lround(radiusPx))))); // the outline
    EXPECT_TRUE(isWhite(image.pixel(c.x(), c.y() - int(radiusPx * 1.3))));
    EXPECT_LT(qRed(image.pixel(c.x(), c.y() - int(std::lround(radiusPx)))),
              qRed(image.pixel(c.x(), c.y() - int(radiusPx / 2))));
    // Wider than tall on a map of square degrees: degrees of longitude are shorter at 49.5 N.
    const QSizeF radii = StationLayer::coverageRadii(projection, 49.5, -72.5, digi->phg.range);
    EXPECT_NEAR(radii.height(), radiusPx, 0.5);
    EXPECT_NEAR(radii.width(), radiusPx / std::cos(49.5 * M_PI / 180), 0.5);

    write(t.settings, Settings::PHGRANGEDRAW, 0);
    paint();
    EXPECT_FALSE(blueTinted(image.pixel(c.x(), c.y() - int(radiusPx / 2))));
}

TEST_F(StationLayerTest, DamageCoversOldAndNewPlaceAndRegionPaintsKeepHitsRight) {
    labels(MapLabelSettings::AboveTopEdge);
    StationRecord* car = station(QStringLiteral("N0CAR"), 49.5, -72.5, u'>', QStringLiteral("090/036"));
    station(QStringLiteral("N0FAR"), 49.2, -72.2);
    paint();
    const int renders = layer.labelRenders();
    const QPoint was = pixel(49.5, -72.5);
    EXPECT_EQ(layer.callAt(QPointF(was)), QStringLiteral("N0CAR"));

    station(QStringLiteral("N0CAR"), 49.4, -72.4, u'>', QStringLiteral("090/036"));
    const QPoint now = pixel(49.4, -72.4);
    const MapLabelSettings s = settings();
    const QRectF damage = layer.damageFor(*car, context(), s);
    EXPECT_TRUE(damage.contains(QRectF(was.x() - 8, was.y() - 8, 16, 16)));
    EXPECT_TRUE(damage.contains(QRectF(now.x() - 8, now.y() - 8, 16, 16)));
    EXPECT_TRUE(damage.contains(QPointF(now.x() + 30, now.y() - 12))); // the label
    EXPECT_FALSE(damage.contains(QPointF(pixel(49.2, -72.2))));

    // Only the damaged part is painted (over the old picture, base first as the view does).
    {
        QPainter p(&image);
        p.fillRect(damage, Qt::white);
    }
    paint(damage, false);
    EXPECT_EQ(nonWhiteIn(QRect(was.x() - 8, was.y() - 8, 16, 16)), 0);
    EXPECT_GT(nonWhiteIn(QRect(now.x() - 8, now.y() - 8, 16, 16)), 0);
    EXPECT_GT(nonWhiteIn(QRect(pixel(49.2, -72.2) - QPoint(8, 8), QSize(16, 16))), 0);
    EXPECT_EQ(layer.callAt(QPointF(was)), QString());
    EXPECT_EQ(layer.callAt(QPointF(now)), QStringLiteral("N0CAR"));
    EXPECT_EQ(layer.callAt(QPointF(pixel(49.2, -72.2))), QStringLiteral("N0FAR"));
    EXPECT_EQ(layer.labelRenders(), renders); // the labels came from the cache

    EXPECT_EQ(layer.forget(*car), layer.occupiedRect(*car, context(), s));
    EXPECT_EQ(layer.callAt(QPointF(now)), QString());

    // Filtered out: nothing to paint where it will be.
    filter = StationType::Weather;
    EXPECT_TRUE(layer.occupiedRect(*car, context(), s).isEmpty());
}

TEST_F(StationLayerTest, LabelsAreRenderedOnceUntilTheirStyleChanges) {
    for (int i = 0; i < 50; ++i) station(QStringLiteral("N%1LBL").arg(i), 49.1 + i * 0.015, -72.9 + i * 0.01);
    paint();
    EXPECT_EQ(layer.labelRenders(), 50);
    EXPECT_EQ(layer.labelCacheCount(), 50);
    paint();
    EXPECT_EQ(layer.labelRenders(), 50);
    write(t.settings, Settings::LABELBACKCOLOR, 0x00FFFFFF);
    paint();
    EXPECT_EQ(layer.labelRenders(), 100);
    // Off-window stations cost nothing: a small window renders no new labels after a style change.
    write(t.settings, Settings::LABELBACKCOLOR, 0x0000FF00);
    paint(QRectF(0, 0, 50, 50));
    EXPECT_EQ(layer.labelRenders(), 100);
}
