#include "maps/MapOverlays.h"

#include "maps/GeoProjection.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

const MapDetails kRect = MapDetails::fromCorners({}, {}, 49, -73, 50, -72);

int darkPixels(const QImage& img, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += qGray(img.pixel(x, y)) < 80;
    return n;
}

} // namespace

TEST(ScaleBar, ChoosesTheLargestRoundLengthThatFits) {
    auto bar = MapOverlays::chooseScaleBar(0.01, false, 160); // 1.6 km fit
    EXPECT_EQ(bar.text, QStringLiteral("1 km"));
    EXPECT_NEAR(bar.pixels, 100, 1e-9);
    bar = MapOverlays::chooseScaleBar(0.03, false, 160); // 4.8 km
    EXPECT_EQ(bar.text, QStringLiteral("2 km"));
    bar = MapOverlays::chooseScaleBar(0.004, false, 160); // 640 m
    EXPECT_EQ(bar.text, QStringLiteral("500 m"));
    EXPECT_NEAR(bar.pixels, 125, 1e-9);
    bar = MapOverlays::chooseScaleBar(1.0, false, 160); // 160 km
    EXPECT_EQ(bar.text, QStringLiteral("100 km"));
    bar = MapOverlays::chooseScaleBar(0.05, true, 160); // 8 km = 4.97 mi
    EXPECT_EQ(bar.text, QStringLiteral("2 mi"));
    EXPECT_NEAR(bar.pixels, 2 * 1.609344 / 0.05, 1e-9);
    bar = MapOverlays::chooseScaleBar(0.001, true, 160); // 160 m = 525 ft
    EXPECT_EQ(bar.text, QStringLiteral("500 ft"));
    EXPECT_FALSE(MapOverlays::chooseScaleBar(0, false, 160).isValid());
    EXPECT_FALSE(MapOverlays::chooseScaleBar(std::numeric_limits<double>::quiet_NaN(), false, 160).isValid());
}

TEST(ScaleBar, DrawnBottomLeftAndReadableOnLightAndDarkMaps) {
    const LinearProjection projection(kRect, QSizeF(1000, 1000));
    // About 73 m a pixel across at 49.5 N: 0.1 degree of longitude is 100 px.
    const double kmPerPixel = MapOverlays::kmPerPixel(projection, QRectF(0, 0, 1000, 1000));
    EXPECT_NEAR(kmPerPixel, 0.0725, 0.001);
    for (const QColor ground : {QColor(Qt::white), QColor(Qt::black)}) {
        QImage img(400, 300, QImage::Format_RGB32);
        img.fill(ground);
        QPainter p(&img);
        const QRectF covered = MapOverlays::paintScaleBar(p, projection, QRectF(0, 0, 400, 300), false);
        p.end();
        ASSERT_FALSE(covered.isEmpty());
        EXPECT_LT(covered.left(), 20);
        EXPECT_GT(covered.bottom(), 270);
        EXPECT_TRUE(MapOverlays::scaleBarRect(QRectF(0, 0, 400, 300)).contains(covered));
        // The halo is light on any map, the bar dark on it.
        EXPECT_GT(qGray(img.pixel(int(covered.left()) + 3, int(covered.center().y()))), 180);
        EXPECT_GT(darkPixels(img, QRect(int(covered.left()) + 10, int(covered.bottom()) - 9, 50, 2)), 50);
        EXPECT_EQ(img.pixel(300, 50), ground.rgb());
    }
}

TEST(OwnPosition, MarkerRingAroundThePosition) {
    const LinearProjection projection(kRect, QSizeF(1000, 1000));
    QImage img(1000, 1000, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    MapOverlays::paintOwnPosition(p, projection, 49.5, -72.5);
    p.end();
    const QRgb ring = img.pixel(500 + int(MapOverlays::kOwnMarkerRadius), 500 - 3);
    EXPECT_GT(qRed(ring), 150);
    EXPECT_LT(qGreen(ring), 120);
    EXPECT_EQ(img.pixel(500, 500), qRgb(255, 255, 255)); // the centre stays clear for a symbol
    const QRectF r = MapOverlays::ownPositionRect(projection, 49.5, -72.5);
    EXPECT_TRUE(r.contains(QPointF(500 + MapOverlays::kOwnMarkerRadius + 2, 500)));
    EXPECT_EQ(img.pixel(int(r.right()) + 3, 500), qRgb(255, 255, 255));
}
