#include "controls/RotatingBitmap.h"
#include "controls/ZelGPSSatDisplay.h"
#include "controls/ZelMfcCompass.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kUnpainted = qRgb(255, 0, 255);

QImage canvas(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    image.fill(kUnpainted);
    return image;
}

// A card whose every pixel tells where it came from.
QRgb cardPixel(int x, int y) {
    return qRgb(2 * x + 1, 2 * y + 1, 77);
}
QImage testCard(int w = 91, int h = 95) {
    QImage card(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) card.setPixel(x, y, cardPixel(x, y));
    return card;
}

QRgb rgbOf(uint32_t colourRef) {
    return qRgb(colourRef & 0xFF, (colourRef >> 8) & 0xFF, (colourRef >> 16) & 0xFF);
}

QPalette testPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(40, 44, 52));
    p.setColor(QPalette::WindowText, QColor(220, 220, 220));
    p.setColor(QPalette::Base, QColor(0, 0, 90));
    p.setColor(QPalette::Text, QColor(200, 200, 200));
    p.setColor(QPalette::Button, QColor(60, 60, 60));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    p.setColor(QPalette::Mid, QColor(100, 100, 100));
    return p;
}

bool isPointer(QRgb c) {
    return qRed(c) > 180 && qGreen(c) < 110 && qBlue(c) < 90;
}

} // namespace

TEST(RotatingBitmap, CreateFillLoadAndDraw) {
    RotatingBitmap b;
    EXPECT_TRUE(b.isNull());
    b.Create(91, 95);
    EXPECT_EQ(b.rowLength(), 92);
    b.Create(92, 1);
    EXPECT_EQ(b.rowLength(), 92);
    b.Create(1, 1);
    EXPECT_EQ(b.rowLength(), 4);
    b.Create(0, 5);
    EXPECT_TRUE(b.isNull());

    // A colour reference is 0x00BBGGRR and must come out as that colour.
    b.Fill(3, 2, 0x00332211);
    EXPECT_EQ(b.pixel(2, 1), 0x00332211u);
    EXPECT_EQ(b.toImage().pixel(0, 0), qRgb(0x11, 0x22, 0x33));

    // Draw copies width x height only, not the padding of the rows.
    b.Load(testCard(3, 2));
    EXPECT_EQ(b.rowLength(), 4);
    QImage image = canvas(10, 10);
    {
        QPainter p(&image);
        b.Draw(p, 5, 7);
    }
    EXPECT_EQ(image.pixel(5, 7), cardPixel(0, 0));
    EXPECT_EQ(image.pixel(7, 8), cardPixel(2, 1));
    EXPECT_EQ(image.pixel(8, 7), kUnpainted);
    EXPECT_EQ(image.pixel(4, 7), kUnpainted);
    EXPECT_EQ(image.pixel(5, 9), kUnpainted);
}

TEST(RotatingBitmap, TurnByZeroKeepsTheCardSquare) {
    RotatingBitmap b;
    b.Load(testCard());
    EXPECT_EQ(RotatingBitmap::sourceBound(91, 95), 90);
    b.Rotate(0.0f);
    ASSERT_EQ(b.width(), 91);
    ASSERT_EQ(b.height(), 95);
    for (int y = 0; y < 95; ++y) {
        for (int x = 0; x < 91; ++x) {
            // The last column is never reached and the rows below 90 are outside the card.
            const QRgb expected = (x == 90 || y > 90) ? kWhite : cardPixel(x, y);
            ASSERT_EQ(rgbOf(b.pixel(x, y)), expected) << x << "," << y;
        }
    }
}

TEST(RotatingBitmap, TurnByNinetyIsAQuarterTurnClockwise) {
    RotatingBitmap b;
    b.Load(testCard());
    b.Rotate(90.0f);
    // The centre is (45, 47). The pixel left of the centre appears above it.
    EXPECT_EQ(rgbOf(b.pixel(45, 46)), cardPixel(44, 47));
    // The column through the centre shows the centre row, left part on top.
    for (int k = -45; k <= 45; ++k) EXPECT_EQ(rgbOf(b.pixel(45, 47 + k)), cardPixel(45 + k, 47)) << k;
    EXPECT_EQ(rgbOf(b.pixel(45, 0)), kWhite);
    // The row through the centre shows the centre column, its top on the right.
    for (int k = -43; k <= 44; ++k) EXPECT_EQ(rgbOf(b.pixel(45 + k, 47)), cardPixel(45, 47 - k)) << k;
    // Far left would come from rows 91 and 92: below the card, so white.
    EXPECT_EQ(rgbOf(b.pixel(0, 47)), kWhite);
    EXPECT_EQ(rgbOf(b.pixel(1, 47)), kWhite);
    EXPECT_EQ(rgbOf(b.pixel(0, 0)), kWhite);
}

TEST(RotatingBitmap, OtherSizesTurnWithinTheirOwnSquare) {
    // Taller than wide: the square is 20 x 20.
    RotatingBitmap tall;
    tall.Load(testCard(20, 30));
    tall.Rotate(0.0f);
    EXPECT_EQ(rgbOf(tall.pixel(19, 19)), cardPixel(19, 19));
    EXPECT_EQ(rgbOf(tall.pixel(5, 20)), kWhite);
    // Wider than tall: only the first 4 columns are card.
    RotatingBitmap wide;
    wide.Load(testCard(10, 4));
    wide.Rotate(0.0f);
    EXPECT_EQ(rgbOf(wide.pixel(3, 1)), cardPixel(3, 1));
    EXPECT_EQ(rgbOf(wide.pixel(4, 1)), kWhite);

    // Small pictures at any angle read nothing outside themselves (the sanitizer build watches).
    for (float angle : {17.0f, 45.0f, 133.0f, -250.0f, 1e9f}) {
        RotatingBitmap small;
        small.Load(testCard(7, 5));
        small.Rotate(angle);
        EXPECT_EQ(small.width(), 7);
    }
    // An explicit bound, a background colour; an angle that is no number leaves the picture.
    RotatingBitmap b;
    b.Load(testCard(20, 20));
    b.Rotate(0.0f, 9, 0x00030201);
    EXPECT_EQ(rgbOf(b.pixel(9, 9)), cardPixel(9, 9));
    EXPECT_EQ(rgbOf(b.pixel(10, 9)), qRgb(1, 2, 3));
    b.Rotate(std::nanf(""));
    EXPECT_EQ(rgbOf(b.pixel(9, 9)), cardPixel(9, 9));
    RotatingBitmap empty;
    empty.Rotate(30.0f);
    EXPECT_TRUE(empty.isNull());
}

TEST(Compass, ClassicCardTurnsWithTheHeading) {
    const QImage card = Compass::card(Compass::kCardSize, testPalette());
    ASSERT_EQ(card.size(), QSize(91, 95));
    // The course pointer runs up from the turning centre (45, 47).
    ASSERT_TRUE(isPointer(card.pixel(45, 27)));
    ASSERT_FALSE(isPointer(card.pixel(45, 67)));

    QImage image = canvas(91, 95);
    {
        QPainter p(&image);
        Compass::paint(p, image.size(), 0, card);
    }
    EXPECT_EQ(image.pixel(45, 27), card.pixel(45, 27));
    EXPECT_EQ(image.pixel(20, 60), card.pixel(20, 60));
    EXPECT_EQ(image.pixel(90, 40), kWhite);
    EXPECT_EQ(image.pixel(40, 92), kWhite);

    image = canvas(91, 95);
    {
        QPainter p(&image);
        Compass::paint(p, image.size(), 90, card);
    }
    // A quarter turn: the pointer now points right.
    EXPECT_EQ(image.pixel(65, 47), card.pixel(45, 27));
    EXPECT_TRUE(isPointer(image.pixel(65, 47)));
    EXPECT_FALSE(isPointer(image.pixel(45, 27)));
    EXPECT_FALSE(isPointer(image.pixel(25, 47)));
}

TEST(Compass, DialPointsAlongTheHeading) {
    ZelMfcCompass compass;
    compass.setPalette(testPalette());
    compass.resize(300, 300);
    EXPECT_EQ(compass.heading(), 0);
    const QRectF card = Compass::Dial::cardRect(compass.rect());
    const QPoint c = card.center().toPoint();
    const int r = static_cast<int>(card.width() / 2);

    QImage image = canvas(300, 300);
    compass.render(&image);
    EXPECT_TRUE(isPointer(image.pixel(c.x(), c.y() - r * 4 / 10)));
    EXPECT_FALSE(isPointer(image.pixel(c.x() + r * 4 / 10, c.y())));
    // Outside the card the widget shows its window colour, not white.
    EXPECT_EQ(image.pixel(2, 2), testPalette().color(QPalette::Window).rgb());

    compass.setHeading(90);
    image = canvas(300, 300);
    compass.render(&image);
    EXPECT_TRUE(isPointer(image.pixel(c.x() + r * 4 / 10, c.y())));
    EXPECT_FALSE(isPointer(image.pixel(c.x(), c.y() - r * 4 / 10)));
}

namespace {

// The satellite display at 300 x 450 with a 12-pixel font, and where its parts fall.
struct Sky {
    static constexpr int W = 300;
    static constexpr int H = 450;
    QImage image = canvas(W, H);
    int tw = 0;
    int th = 0;
    int S = 0;
    int R = 0;
    int M = 0;
    int B = 0;

    void paint(const std::optional<GpsPosition>& record) {
        image = canvas(W, H);
        QPainter p(&image);
        QFont font;
        font.setPixelSize(12);
        p.setFont(font);
        tw = p.fontMetrics().horizontalAdvance(QStringLiteral("09"));
        th = p.fontMetrics().height();
        S = std::min(2 * H / 3, W);
        R = 3 * S / 7;
        M = H / 3 - th - 2;
        B = 2 * H / 3 + M;
        SatelliteDisplay::paint(p, QSize(W, H), record, testPalette());
    }
    // The fill of a marker offset (dx, dy) from the sky centre, upwards positive: just inside its
    // top, clear of the outline and the number.
    QRgb markerFill(int dx, int dy) const {
        const int left = W / 2 + dx - tw / 2 - 2;
        const int top = S / 2 - dy - th / 2 - 3;
        return image.pixel(left + (tw + 4) / 2, top + 2);
    }
    QRgb markerOutline(int dx, int dy) const {
        const int left = W / 2 + dx - tw / 2 - 2;
        const int top = S / 2 - dy - th / 2 - 3;
        return image.pixel(left + (tw + 4) / 2, top);
    }
    // The height of the bar of satellite i of n: from its outline's top row to the base; 0 if none.
    int barHeight(int i, int n) const {
        const int slot = W / n;
        const int x = slot * i + slot / 2 + tw / 2;
        const QRgb outline = testPalette().color(QPalette::ButtonText).rgb();
        for (int y = 2 * H / 3; y < B; ++y)
            if (image.pixel(x, y) == outline) return B - y;
        return 0;
    }
};

GpsSatellite sat(int prn, int elevation, int azimuth, int snr) {
    GpsSatellite s;
    s.prn = prn;
    s.elevation = elevation;
    s.azimuth = azimuth;
    s.snr = snr;
    return s;
}

GpsPosition record(std::initializer_list<GpsSatellite> sats, int fixQuality = GpsPosition::SpsValid) {
    GpsPosition p;
    p.fixQuality = fixQuality;
    p.satellites = QVector<GpsSatellite>(sats);
    p.satelliteCount = p.satellites.size();
    return p;
}

const QRgb kReceived = qRgb(0, 128, 0);
const QRgb kUnreceived = qRgb(150, 0, 0);
const QRgb kBar = qRgb(128, 128, 128);

} // namespace

TEST(SatelliteDisplay, ScaleRisesToTheNextTenAboveTheStrongestSignal) {
    Sky sky;
    sky.paint(record({sat(1, 45, 0, 47)}));
    EXPECT_EQ(sky.barHeight(0, 1), sky.M * 94 / 100);
    sky.paint(record({sat(1, 45, 0, 55)}));
    EXPECT_EQ(sky.barHeight(0, 1), sky.M * 91 / 100);
    sky.paint(record({sat(1, 45, 0, 50)}));
    EXPECT_EQ(sky.barHeight(0, 1), sky.M);
    // The bar is grey inside its outline, and the base sits where the layout says.
    const int x = Sky::W / 2 + sky.tw / 2;
    EXPECT_EQ(sky.image.pixel(x, sky.B - sky.M + 1), kBar);
    EXPECT_EQ(sky.image.pixel(x, sky.B - 2), kBar);
    EXPECT_NE(sky.image.pixel(x, sky.B), kBar);
    // Below the sky is the face colour.
    EXPECT_EQ(sky.image.pixel(3, sky.S + 2), testPalette().color(QPalette::Button).rgb());
}

TEST(SatelliteDisplay, MarkersStandWhereTheSatellitesAre) {
    Sky sky;
    sky.paint(record({sat(5, 90, 0, 30), sat(7, 0, 90, 0)}));
    // Elevation 90: the centre, received, so green.
    EXPECT_EQ(sky.markerFill(0, 0), kReceived);
    // Elevation 0, azimuth 90: R right of the centre; not received: dark red, white outline, no bar.
    EXPECT_EQ(sky.markerFill(sky.R, 0), kUnreceived);
    const QRgb outline = sky.markerOutline(sky.R, 0);
    EXPECT_GT(qRed(outline), 200);
    EXPECT_GT(qGreen(outline), 200);
    EXPECT_GT(sky.barHeight(0, 2), 0);
    EXPECT_EQ(sky.barHeight(1, 2), 0);
}

TEST(SatelliteDisplay, NothingButTheBackgroundWithoutAFix) {
    Sky sky;
    sky.paint(record({sat(5, 90, 0, 30)}, GpsPosition::Invalid));
    EXPECT_NE(sky.markerFill(0, 0), kReceived);
    EXPECT_EQ(sky.barHeight(0, 1), 0);
    EXPECT_EQ(sky.image.pixel(5, 5), testPalette().color(QPalette::Base).rgb());

    sky.paint(std::nullopt);
    EXPECT_NE(sky.markerFill(0, 0), kReceived);
    EXPECT_EQ(sky.barHeight(0, 1), 0);
    // Every pixel is painted.
    for (int y = 0; y < Sky::H; y += 7)
        for (int x = 0; x < Sky::W; x += 7) ASSERT_NE(sky.image.pixel(x, y), kUnpainted) << x << "," << y;

    sky.paint(record({}));
    EXPECT_EQ(sky.barHeight(0, 1), 0);
}

TEST(SatelliteDisplay, GarbledRecordsAreDrawnSafely) {
    Sky sky;
    // More satellites claimed than listed: slots for the three listed.
    GpsPosition claimed = record({sat(1, 30, 0, 20), sat(2, 30, 120, 30), sat(3, 30, 240, 40)});
    claimed.satelliteCount = 40;
    sky.paint(claimed);
    EXPECT_GT(sky.barHeight(2, 3), 0);
    EXPECT_EQ(sky.barHeight(2, 40), 0);

    // More listed than a record holds: the first twelve, in twelve slots.
    GpsPosition many;
    many.fixQuality = GpsPosition::SpsValid;
    for (int i = 0; i < 14; ++i) many.satellites.append(sat(i + 1, 20, i * 25, 40));
    many.satelliteCount = 14;
    sky.paint(many);
    EXPECT_GT(sky.barHeight(11, 12), 0);

    // An elevation above 90 is the zenith, not somewhere below the horizon.
    sky.paint(record({sat(9, 200, 0, 30)}));
    EXPECT_EQ(sky.markerFill(0, 0), kReceived);
    // A negative ratio is no signal; an absurd one counts as 99, so the scale ends at 100.
    sky.paint(record({sat(4, 90, 0, -5)}));
    EXPECT_EQ(sky.markerFill(0, 0), kUnreceived);
    EXPECT_EQ(sky.barHeight(0, 1), 0);
    sky.paint(record({sat(4, 45, 0, 2000000000), sat(6, 45, 180, 50)}));
    EXPECT_EQ(sky.barHeight(0, 2), sky.M * 99 / 100);
    EXPECT_EQ(sky.barHeight(1, 2), sky.M * 50 / 100);

    // Smaller than its labels: drawn without harm.
    QImage tiny = canvas(5, 9);
    QPainter p(&tiny);
    SatelliteDisplay::paint(p, tiny.size(), claimed, testPalette());
}
