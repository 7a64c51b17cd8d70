#include "maps/MapDetails.h"
#include "maps/MapSideFiles.h"
#include "support/TempHome.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

constexpr double kEps = 1e-9;

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

const QByteArray kWorld = "0.001\n0\n0\n-0.001\n23.5\n38.0\n";

MapDetails inf(const QByteArray& bytes, bool expectOk = true) {
    MapDetails d;
    EXPECT_EQ(MapSideFiles::parseInfFile(bytes, QStringLiteral("/maps/city.jpg"), d), expectOk)
        << bytes.constData();
    return d;
}

} // namespace

TEST(InfFile, CornersOfThePartInEitherLineOrder) {
    for (const QByteArray& text : {QByteArray("37.58.0N,023.30.0E\n37.50.0N,023.40.0E\nAthens\n"),
                                   QByteArray("37.50.0N,023.40.0E\r\n37.58.0N,023.30.0E\r\nAthens"),
                                   // the line order and the coordinate order within a line
                                   QByteArray("023.40.0E,37.50.0N\n023.30.0E , 37.58.0N\nAthens\n")}) {
        const MapDetails d = inf(text);
        EXPECT_NEAR(d.top, 37 + 58.0 / 60, kEps);
        EXPECT_NEAR(d.left, 23.5, kEps);
        EXPECT_NEAR(d.bottom, 37 + 50.0 / 60, kEps);
        EXPECT_NEAR(d.right, 23 + 40.0 / 60, kEps);
        EXPECT_NEAR(d.latitudeSpan, 8.0 / 60, kEps);
        EXPECT_NEAR(d.longitudeSpan, 10.0 / 60, kEps);
        EXPECT_EQ(d.caption, QStringLiteral("Athens"));
        EXPECT_EQ(d.imagePath, QStringLiteral("/maps/city.jpg"));
        EXPECT_EQ(d.sourceKind, MapDetails::InfFile);
    }
}

TEST(InfFile, HemispheresInAnyCaseAndBlanksBeforeTheLetter) {
    // The south-west corner given first: corners come from minimum and maximum per axis.
    const MapDetails d = inf("34.30.5 s,058.30.0 w\n34.40.0S,058.15.0W\n");
    EXPECT_NEAR(d.top, -(34 + 30.5 / 60), kEps);
    EXPECT_NEAR(d.bottom, -(34 + 40.0 / 60), kEps);
    EXPECT_NEAR(d.left, -(58 + 30.0 / 60), kEps);
    EXPECT_NEAR(d.right, -(58 + 15.0 / 60), kEps);
    EXPECT_TRUE(d.caption.isEmpty());

    const MapDetails mixed = inf("51.30.0n,000.10.0w\n51.20.0N,000.05.5e\n");
    EXPECT_NEAR(mixed.top, 51.5, kEps);
    EXPECT_NEAR(mixed.left, -10.0 / 60, kEps);
    EXPECT_NEAR(mixed.right, 5.5 / 60, kEps);
}

TEST(InfFile, MalformedOrDegenerateFilesAreRefused) {
    for (const char* text : {
             "",                                         // no lines
             "37.58.0N,023.30.0E\n",                     // one line
             "37.58.0N 023.30.0E\n37.50.0N,023.40.0E\n", // no comma
             "37.58.0N,37.50.0N\n37.50.0N,023.40.0E\n",  // two latitudes
             "37.58.0,023.30.0E\n37.50.0N,023.40.0E\n",  // no letter
             "3758N,023.30.0E\n37.50.0N,023.40.0E\n",    // no point
             "37.60.0N,023.30.0E\n37.50.0N,023.40.0E\n", // minutes out of range
             "37.5x.0N,023.30.0E\n37.50.0N,023.40.0E\n", // not a number
             "95.00.0N,023.30.0E\n37.50.0N,023.40.0E\n", // no such latitude
             "37.58.0N,023.30.0E,\n37.50.0N,023.40.0E\n",
             "37.58.0N,023.30.0E\n37.58.0N,023.40.0E\n", // zero latitude span
             "37.58.0N,023.30.0E\n37.50.0N,023.30.0E\n", // zero longitude span
             "37.58.0N,023.30.0E\n37.58.0N,023.30.0E\n", // one point twice
         }) {
        MapDetails d;
        d.top = 99;
        EXPECT_FALSE(MapSideFiles::parseInfFile(QByteArray(text), QStringLiteral("x.jpg"), d)) << text;
        EXPECT_EQ(d.top, 99) << "a refused file leaves the details alone";
    }
}

TEST(WorldFile, RectangleOfThePart) {
    MapDetails d;
    ASSERT_TRUE(MapSideFiles::parseWorldFile(kWorld, QStringLiteral("/m/city.tif"), QSize(500, 400), d));
    EXPECT_NEAR(d.top, 38.0, kEps);
    EXPECT_NEAR(d.left, 23.5, kEps);
    EXPECT_NEAR(d.bottom, 37.6, kEps);
    EXPECT_NEAR(d.right, 24.0, kEps);
    EXPECT_EQ(d.sourceKind, MapDetails::WorldFile);
    EXPECT_EQ(d.caption, QStringLiteral("/m/city.tif"));
    EXPECT_EQ(d.pixelWidthDegrees, 0.001);
    EXPECT_EQ(d.pixelHeightDegrees, -0.001);
    // Rotation terms are ignored; blanks and a missing last line end are accepted.
    ASSERT_TRUE(MapSideFiles::parseWorldFile(" 0.001 \r\n0.5\r\n0.5\r\n-0.001\r\n23.5\r\n38.0",
                                             QStringLiteral("a.tif"), QSize(500, 400), d));
    EXPECT_NEAR(d.right, 24.0, kEps);
}

TEST(WorldFile, DegenerateValuesAreRefused) {
    MapDetails d;
    const QString p = QStringLiteral("a.tif");
    EXPECT_FALSE(MapSideFiles::parseWorldFile(kWorld, p, QSize(0, 400), d));
    EXPECT_FALSE(MapSideFiles::parseWorldFile("0.001\n0\n0\n-0.001\n23.5\n", p, QSize(5, 4), d));
    EXPECT_FALSE(MapSideFiles::parseWorldFile("0\n0\n0\n-0.001\n23.5\n38\n", p, QSize(5, 4), d));
    EXPECT_FALSE(MapSideFiles::parseWorldFile("0.001\n0\n0\n0.001\n23.5\n38\n", p, QSize(5, 4), d));
    EXPECT_FALSE(MapSideFiles::parseWorldFile("-0.001\n0\n0\n-0.001\n23.5\n38\n", p, QSize(5, 4), d));
    EXPECT_FALSE(MapSideFiles::parseWorldFile("inf\n0\n0\n-0.001\n23.5\n38\n", p, QSize(5, 4), d));
    EXPECT_FALSE(MapSideFiles::parseWorldFile("0.001\n0\n0\n-0.001\nnan\n38\n", p, QSize(5, 4), d));
    EXPECT_FALSE(MapSideFiles::parseWorldFile("0.001\n0\n\n-0.001\n23.5\n38\n", p, QSize(5, 4), d));
    EXPECT_FALSE(MapSideFiles::parseWorldFile("1e308\n0\n0\n-0.001\n23.5\n38\n", p, QSize(5, 4), d));
    // Grid metres, not degrees.
    EXPECT_FALSE(MapSideFiles::parseWorldFile("2.5\n0\n0\n-2.5\n500000\n4200000\n", p, QSize(5, 4), d));
}

TEST(SideFiles, InfFirstThenTheWorldFileVariants) {
    TempHome t;
    const QString base = t.home.mapsDir() + QStringLiteral("/city");
    const QString jpg = base + QStringLiteral(".jpg");
    MapDetails d;
    EXPECT_FALSE(LoadMapDetails(jpg, d, QSize(500, 400)));

    writeFile(base + QStringLiteral(".wld"), "0.002\n0\n0\n-0.002\n10\n50\n");
    ASSERT_TRUE(LoadMapDetails(jpg, d, QSize(500, 400)));
    EXPECT_NEAR(d.right, 11.0, kEps);
    writeFile(base + QStringLiteral(".jgw"), "0.001\n0\n0\n-0.001\n10\n50\n");
    ASSERT_TRUE(LoadMapDetails(jpg, d, QSize(500, 400)));
    EXPECT_NEAR(d.right, 10.5, kEps);
    writeFile(base + QStringLiteral(".tfw"), kWorld);
    ASSERT_TRUE(LoadMapDetails(jpg, d, QSize(500, 400)));
    EXPECT_NEAR(d.right, 24.0, kEps);
    EXPECT_EQ(d.sourceKind, MapDetails::WorldFile);

    // A malformed ".inf" falls back to the world file; a good one wins.
    writeFile(base + QStringLiteral(".inf"), "37.58.0N\n37.50.0N,023.40.0E\n");
    ASSERT_TRUE(LoadMapDetails(jpg, d, QSize(500, 400)));
    EXPECT_EQ(d.sourceKind, MapDetails::WorldFile);
    writeFile(base + QStringLiteral(".inf"), "37.58.0N,023.30.0E\n37.50.0N,023.40.0E\nAthens\n");
    ASSERT_TRUE(LoadMapDetails(jpg, d, QSize(500, 400)));
    EXPECT_EQ(d.sourceKind, MapDetails::InfFile);
    EXPECT_EQ(d.caption, QStringLiteral("Athens"));

    // png and gif have their own world file names; upper-case side files are found too.
    writeFile(t.home.mapsDir() + QStringLiteral("/road.pgw"), kWorld);
    EXPECT_TRUE(LoadMapDetails(t.home.mapsDir() + QStringLiteral("/road.png"), d, QSize(500, 400)));
    writeFile(t.home.mapsDir() + QStringLiteral("/hill.gfw"), kWorld);
    EXPECT_TRUE(LoadMapDetails(t.home.mapsDir() + QStringLiteral("/hill.gif"), d, QSize(500, 400)));
    EXPECT_FALSE(LoadMapDetails(t.home.mapsDir() + QStringLiteral("/hill.png"), d, QSize(500, 400)));
    EXPECT_EQ(d.top, 0) << "a failed load leaves the details reset";
    writeFile(t.home.mapsDir() + QStringLiteral("/OLD.INF"), "37.58.0N,023.30.0E\n37.50.0N,023.40.0E\n");
    EXPECT_TRUE(LoadMapDetails(t.home.mapsDir() + QStringLiteral("/OLD.BMP"), d, QSize(5, 4)));
}

TEST(SideFiles, OnlyRegularFilesAreRead) {
    TempHome t;
    const QString base = t.home.mapsDir() + QStringLiteral("/pipe");
    // A pipe named like the side file would block a reader forever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(base + QStringLiteral(".inf")).constData(), 0600), 0);
    writeFile(base + QStringLiteral(".tfw"), kWorld);
    MapDetails d;
    ASSERT_TRUE(LoadMapDetails(base + QStringLiteral(".png"), d, QSize(500, 400)));
    EXPECT_EQ(d.sourceKind, MapDetails::WorldFile);
    // A folder name with a dot is not an extension.
    EXPECT_EQ(MapSideFiles::basePath(QStringLiteral("/a.b/map")), QStringLiteral("/a.b/map"));
    EXPECT_EQ(MapSideFiles::basePath(QStringLiteral("/a.b/map.x.png")), QStringLiteral("/a.b/map.x"));
}

TEST(Conversions, CentreCornersAndBack) {
    MapDetails d;
    ASSERT_TRUE(MapSideFiles::parseWorldFile(kWorld, QStringLiteral("a.tif"), QSize(500, 400), d));
    EXPECT_EQ(d.positionToPixel(38.0, 23.5, 500, 400), QPoint(0, 0));
    EXPECT_EQ(d.positionToPixel(37.8, 23.75, 500, 400), QPoint(250, 200));
    EXPECT_EQ(d.positionToPixel(37.6, 24.0, 500, 400), QPoint(500, 400));
    double lat = 0, lon = 0;
    d.pixelToPosition(250, 200, 500, 400, lat, lon);
    EXPECT_NEAR(lat, 37.8, kEps);
    EXPECT_NEAR(lon, 23.75, kEps);
    // Drawn at another size the same position lands proportionally.
    EXPECT_EQ(d.positionToPixel(37.8, 23.75, 1000, 800), QPoint(500, 400));
    // Left of the map: rounded down, not towards zero (-0.6 px is pixel -1).
    EXPECT_EQ(d.positionToPixel(38.0, 23.5 - 0.0006, 500, 400).x(), -1);

    EXPECT_TRUE(d.contains(38.0, 23.5));
    EXPECT_TRUE(d.contains(37.6, 24.0));
    EXPECT_FALSE(d.contains(38.0001, 23.6));
    EXPECT_FALSE(d.contains(37.7, 24.0001));
}

TEST(Conversions, DegenerateCalibrationsGiveNoInfinitePixels) {
    MapDetails flat = MapDetails::fromCorners({}, {}, 38, 23, 38, 24);
    EXPECT_FALSE(flat.isValid());
    EXPECT_EQ(flat.positionToPixel(38, 23.5, 500, 400), QPoint(0, 0));
    MapDetails huge = MapDetails::fromCorners({}, {}, 1e-300, 0, 0, 1e-300);
    EXPECT_EQ(huge.positionToPixel(80, 170, 500, 400), QPoint(0, 0));
    MapDetails swapped = MapDetails::fromCorners({}, {}, 37.6, 24.0, 38.0, 23.5);
    EXPECT_EQ(swapped.top, 38.0);
    EXPECT_EQ(swapped.left, 23.5);
    EXPECT_EQ(swapped.sourceKind, MapDetails::ProjectCorners);
}
