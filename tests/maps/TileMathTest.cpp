// The tile scheme, the tile sources of the settings, the cache headers, tile decoding, the disk
// cache and MBTiles files: the pure parts of the tile maps, on real files in a temporary folder.
#include "maps/TileMath.h"
#include "maps/MbTilesFile.h"
#include "maps/TileCachePolicy.h"
#include "maps/TileDiskCache.h"
#include "maps/TileImage.h"
#include "maps/TileSource.h"
#include "support/TempHome.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(TileMath, TileOfAPositionAtSeveralLatitudes) {
    // Worked out independently with the formulas of the slippy map scheme.
    struct Case {
        double latitude, longitude;
        TileKey tile;
    } cases[] = {{0.0, 0.0, {1, 1, 1}},
                 {40.6401, 22.9444, {12, 2309, 1541}},
                 {60.1699, 24.9384, {10, 582, 296}},
                 {-33.8568, 151.2153, {15, 30147, 19662}},
                 {78.2232, 15.6267, {8, 139, 35}},
                 {51.4779, -0.0015, {17, 65535, 43602}},
                 {-54.8019, -68.3030, {19, 162670, 357955}}};
    for (const Case& c : cases) {
        const TileKey got = TileMath::tileAt(c.latitude, c.longitude, c.tile.z);
        EXPECT_EQ(got, c.tile) << c.latitude << "," << c.longitude << " -> " << got.z << "/" << got.x << "/"
                               << got.y;
    }
    // Beyond the square world's edge: the first and the last row, never one outside.
    EXPECT_EQ(TileMath::tileAt(89.9, 0, 3).y, 0);
    EXPECT_EQ(TileMath::tileAt(-89.9, 0, 3).y, 7);
    EXPECT_EQ(TileMath::tileAt(10, 180.0, 3).x, 0); // the date line wraps to column 0
}

TEST(TileMath, ProjectionRoundTripsWithinHalfAPixelAtEveryZoom) {
    QRandomGenerator random(16);
    for (int z = TileMath::kMinZoom; z <= TileMath::kMaxZoom; ++z) {
        const double latitude = random.bounded(160.0) - 80.0;
        const double longitude = random.bounded(359.0) - 179.5;
        // The origin near the window, as the view sets it, keeps canvas numbers small.
        const WebMercatorProjection projection(z,
                                               TileMath::toWorld(latitude, longitude, z) - QPointF(960, 540));
        for (int i = 0; i < 50; ++i) {
            const QPointF pixel(random.bounded(1920.0), random.bounded(1080.0));
            // At the smallest zooms the window reaches beyond the poles, where no position is.
            const double worldY = pixel.y() + projection.origin().y();
            if (worldY < 0 || worldY > TileMath::worldSize(z)) continue;
            double lat = 0, lon = 0;
            projection.toPosition(pixel, lat, lon);
            const QPointF back = projection.toPixel(lat, lon);
            ASSERT_LT(std::abs(back.x() - pixel.x()), 0.5) << "zoom " << z;
            ASSERT_LT(std::abs(back.y() - pixel.y()), 0.5) << "zoom " << z;
        }
        EXPECT_LT(std::abs(projection.toPixel(latitude, longitude).x() - 960), 1e-6);
    }
}

TEST(TileMath, TilesCoveringAWindowNearestFirstWrappedAndWithinThePoles) {
    // A 3 x 3 tile window centred on tile (10, 20) at zoom 6.
    const QRectF window(9.5 * 256, 19.5 * 256, 3 * 256, 3 * 256);
    auto tiles = TileMath::tilesCovering(window, 6);
    ASSERT_EQ(tiles.size(), 16u);
    EXPECT_EQ(tiles.front().key, (TileKey{6, 10, 20}));
    EXPECT_EQ(tiles.front().worldShift, 0);

    // Across the date line: columns wrap, the western copies are one world to the west.
    tiles = TileMath::tilesCovering(QRectF(-300, 0, 600, 100), 2);
    std::vector<int> columns;
    for (const auto& t : tiles) {
        EXPECT_TRUE(t.key.isValid());
        if (t.worldShift == -1) columns.push_back(t.key.x);
    }
    EXPECT_EQ(columns, (std::vector<int>{3, 2}));

    // Nothing north of the first row or south of the last.
    tiles = TileMath::tilesCovering(QRectF(0, -1000, 255, 1256 + 3000), 2);
    for (const auto& t : tiles) EXPECT_TRUE(t.key.y >= 0 && t.key.y < 4);
    EXPECT_EQ(tiles.size(), 4u);
}

TEST(TileSources, OpenStreetMapUnlessTheSettingsNameSources) {
    TempHome t;
    auto list = TileSources::read(t.settings);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0].name, QStringLiteral("OpenStreetMap"));
    EXPECT_TRUE(list[0].isOpenStreetMapServer());
    EXPECT_EQ(list[0].urlFor({3, 4, 2}).toString(),
              QStringLiteral("https://tile.openstreetmap.org/3/4/2.png"));
    EXPECT_EQ(list[0].attribution, QStringLiteral("\u00a9 OpenStreetMap contributors"));
    EXPECT_EQ(TileSources::cacheBytes(t.settings), 500LL * 1024 * 1024);
    EXPECT_FALSE(TileSources::offline(t.settings));

    const QString s = QStringLiteral("TILES");
    t.settings.writeString(s, QStringLiteral("NAME0"), QStringLiteral("Topo <b>map</b>"));
    t.settings.writeString(s, QStringLiteral("URL0"), QStringLiteral("http://127.0.0.1:9/{z}/{x}/{y}.png"));
    t.settings.writeString(s, QStringLiteral("MAXZOOM0"), QStringLiteral("42"));
    t.settings.writeString(s, QStringLiteral("NAME1"), QStringLiteral("Local file"));
    t.settings.writeString(s, QStringLiteral("URL1"), QStringLiteral("file:///etc/{z}/{x}/{y}")); // refused
    t.settings.writeString(s, QStringLiteral("NAME2"), QStringLiteral("No y"));
    t.settings.writeString(s, QStringLiteral("URL2"), QStringLiteral("https://example.org/{z}/{x}.png"));
    t.settings.writeString(s, QStringLiteral("NAME3"), QStringLiteral("Fine"));
    t.settings.writeString(s, QStringLiteral("URL3"),
                           QStringLiteral("https://tiles.example.org/{z}/{x}/{y}.jpg"));
    t.settings.writeString(s, QStringLiteral("ATTRIBUTION3"), QStringLiteral("Example\nline two"));
    // After the first missing name nothing counts.
    t.settings.writeString(s, QStringLiteral("NAME5"), QStringLiteral("Beyond"));
    t.settings.writeString(s, QStringLiteral("URL5"),
                           QStringLiteral("https://b.example.org/{z}/{x}/{y}.png"));
    t.settings.writeString(s, QStringLiteral("OFFLINE"), QStringLiteral("1"));
    t.settings.writeString(s, QStringLiteral("CACHEMB"), QStringLiteral("2"));
    list = TileSources::read(t.settings);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].name, QStringLiteral("Topo map")); // no markup from a settings file
    EXPECT_EQ(list[0].maxZoom, 19);
    EXPECT_FALSE(list[0].isOpenStreetMapServer());
    EXPECT_EQ(list[1].name, QStringLiteral("Fine"));
    EXPECT_EQ(list[1].attribution, QStringLiteral("Example line two"));
    EXPECT_TRUE(TileSources::offline(t.settings));
    EXPECT_EQ(TileSources::cacheBytes(t.settings), 10LL * 1024 * 1024); // at least 10 MB
}

TEST(TileSources, AddingKeepsOpenStreetMapFirstAndRefusesBadEntries) {
    TempHome t;
    TileSource mine;
    mine.name = QStringLiteral("Club server");
    mine.urlTemplate = QStringLiteral("https://maps.example.net/{z}/{x}/{y}.png");
    mine.maxZoom = 16;
    EXPECT_TRUE(TileSources::add(t.settings, mine));
    EXPECT_FALSE(TileSources::add(t.settings, mine)); // the name is taken
    mine.name = QStringLiteral("Other");
    mine.urlTemplate = QStringLiteral("ftp://maps.example.net/{z}/{x}/{y}.png");
    EXPECT_FALSE(TileSources::add(t.settings, mine));
    const auto list = TileSources::read(t.settings);
    ASSERT_EQ(list.size(), 2);
    EXPECT_TRUE(list[0].isOpenStreetMapServer());
    EXPECT_EQ(list[1].name, QStringLiteral("Club server"));
    EXPECT_EQ(list[1].maxZoom, 16);
    EXPECT_NE(list[0].cacheFolder(), list[1].cacheFolder());

    // Removing one moves the ones after it up, values the file lacked staying lacking.
    TileSource third;
    third.name = QStringLiteral("Third");
    third.urlTemplate = QStringLiteral("https://third.example.net/{z}/{x}/{y}.png");
    third.maxZoom = 12;
    ASSERT_TRUE(TileSources::add(t.settings, third));
    t.settings.remove(TileSources::kSection, QStringLiteral("ATTRIBUTION2"));
    EXPECT_FALSE(TileSources::remove(t.settings, QStringLiteral("Nowhere")));
    EXPECT_TRUE(TileSources::remove(t.settings, QStringLiteral("Club server")));
    const auto after = TileSources::read(t.settings);
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after[1].name, QStringLiteral("Third"));
    EXPECT_EQ(after[1].maxZoom, 12);
    EXPECT_EQ(after[1].attribution, TileSources::kOpenStreetMapAttribution); // the default again
    EXPECT_TRUE(t.settings.readString(TileSources::kSection, QStringLiteral("NAME2")).isEmpty());
    EXPECT_EQ(t.settings.readInt(TileSources::kSection, QStringLiteral("MAXZOOM2"), -1), -1);
    // The last source left is not taken out: the tile maps need one.
    EXPECT_TRUE(TileSources::remove(t.settings, QStringLiteral("Third")));
    EXPECT_FALSE(TileSources::remove(t.settings, TileSources::kOpenStreetMapName));
    ASSERT_EQ(TileSources::read(t.settings).size(), 1);
}

TEST(TileCachePolicy, HonoursTheServersHeaders) {
    const QDateTime now(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC);
    using TileCachePolicy::decide;
    EXPECT_EQ(decide("max-age=3600", {}, {}, now).freshUntil, now.addSecs(3600));
    EXPECT_EQ(decide("public, MAX-AGE=\"60\"", {}, {}, now).freshUntil, now.addSecs(60));
    EXPECT_FALSE(decide("no-store", {}, {}, now).store);
    EXPECT_EQ(decide("no-cache", {}, {}, now).freshUntil, now);
    // max-age wins over Expires.
    EXPECT_EQ(decide("max-age=10", "Thu, 01 Jan 2037 00:00:00 GMT", {}, now).freshUntil, now.addSecs(10));
    // Expires counts from the server's Date, so a wrong local clock does not matter.
    EXPECT_EQ(decide({}, "Wed, 09 Dec 2026 08:30:00 GMT", "Wed, 09 Dec 2026 08:00:00 GMT", now).freshUntil,
              now.addSecs(1800));
    EXPECT_EQ(decide({}, "0", {}, now).freshUntil, now); // already expired
    EXPECT_EQ(decide({}, {}, {}, now).freshUntil, now.addSecs(TileCachePolicy::kDefaultSeconds));
    EXPECT_EQ(decide("max-age=99999999999999999999999", {}, {}, now).freshUntil,
              now.addSecs(TileCachePolicy::kMaxSeconds));
    EXPECT_EQ(decide("max-age=-5", {}, {}, now).freshUntil, now.addSecs(TileCachePolicy::kDefaultSeconds));
    EXPECT_FALSE(TileCachePolicy::parseHttpDate("Wed, 32 Dec 2026 08:30:00 GMT"));
    EXPECT_FALSE(TileCachePolicy::parseHttpDate("Wed, 09 Dec 2026 08:30:00 CET"));
}

QByteArray png(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TEST(TileImage, DecodesTilesAndRefusesEverythingElse) {
    const QImage tile = TileImage::decode(TileImage::samplePng({5, 17, 11}));
    ASSERT_FALSE(tile.isNull());
    EXPECT_EQ(tile.size(), QSize(256, 256));
    EXPECT_EQ(tile.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_TRUE(TileImage::decode("<html>Service unavailable</html>").isNull());
    EXPECT_TRUE(TileImage::decode(png({4000, 8})).isNull()); // too wide for a tile
    QByteArray cut = TileImage::samplePng({1, 0, 0});
    cut.truncate(cut.size() / 2);
    EXPECT_TRUE(TileImage::decode(cut).isNull());
    QByteArray padded = TileImage::samplePng({1, 0, 0});
    padded.append(QByteArray(TileImage::kMaxBytes, '\0'));
    EXPECT_TRUE(TileImage::decode(padded).isNull()); // over 1 MB
}

TEST(TileDiskCache, KeepsTilesWithTheirFreshnessAndDropsTheOldestOverTheLimit) {
    QTemporaryDir dir;
    const QByteArray tile = TileImage::samplePng({3, 1, 2});
    TileDiskCache cache(dir.path(), 10 * tile.size() + 100);
    const QDateTime fresh = QDateTime::currentDateTimeUtc().addSecs(60);
    ASSERT_TRUE(cache.store(QStringLiteral("src"), {3, 1, 2}, tile, fresh));
    const auto entry = cache.read(QStringLiteral("src"), {3, 1, 2});
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->data, tile);
    EXPECT_EQ(entry->freshUntil.toMSecsSinceEpoch(), fresh.toMSecsSinceEpoch());
    EXPECT_FALSE(cache.read(QStringLiteral("other"), {3, 1, 2}));

    // Ten more tiles, each older on disk than the next: the oldest go first.
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(cache.store(QStringLiteral("src"), {5, i, 0}, tile, fresh));
        QFile f(cache.pathFor(QStringLiteral("src"), {5, i, 0}));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addSecs(-1000 + i), QFileDevice::FileModificationTime);
    }
    ASSERT_TRUE(cache.store(QStringLiteral("src"), {6, 0, 0}, tile, fresh));
    EXPECT_LE(cache.sizeBytes(), cache.maxBytes());
    EXPECT_FALSE(cache.read(QStringLiteral("src"), {5, 0, 0}));
    EXPECT_TRUE(cache.read(QStringLiteral("src"), {5, 9, 0}));
    EXPECT_TRUE(cache.read(QStringLiteral("src"), {6, 0, 0}));

    // A file that is not one of ours is no tile.
    QFile junk(cache.pathFor(QStringLiteral("src"), {6, 0, 0}));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("garbage");
    junk.close();
    EXPECT_FALSE(cache.read(QStringLiteral("src"), {6, 0, 0}));
}

TEST(MbTilesFile, ReadsRowsFlippedAndItsMetadata) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("area.mbtiles"));
    const QByteArray north = TileImage::samplePng({2, 1, 0});
    const QByteArray south = TileImage::samplePng({2, 1, 3});
    ASSERT_TRUE(
        MbTilesFile::create(path, QStringLiteral("<i>Area</i>"), {{{2, 1, 0}, north}, {{2, 1, 3}, south}},
                            QStringLiteral("<a href=\"x\">Mappers</a>"), QStringLiteral("22.9,40.6,2")));
    {
        // The file stores TMS rows: the northern tile (y 0) is row 3.
        const QString connection = QStringLiteral("rowcheck");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(path);
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(
                q.exec(QStringLiteral("SELECT tile_data FROM tiles WHERE zoom_level=2 AND tile_row=3")));
            ASSERT_TRUE(q.next());
            EXPECT_EQ(q.value(0).toByteArray(), north);
        }
        QSqlDatabase::removeDatabase(connection);
    }
    MbTilesFile file;
    ASSERT_TRUE(file.open(path)) << file.error().toStdString();
    EXPECT_EQ(file.tileData({2, 1, 0}), north);
    EXPECT_EQ(file.tileData({2, 1, 3}), south);
    EXPECT_TRUE(file.tileData({2, 1, 1}).isEmpty());
    EXPECT_TRUE(file.tileData({2, 9, 0}).isEmpty()); // outside the level
    EXPECT_EQ(file.name(), QStringLiteral("Area"));
    EXPECT_EQ(file.attribution(), QStringLiteral("Mappers"));
    EXPECT_EQ(file.maxZoom(), 2);
    double lat = 0, lon = 0;
    int zoom = 0;
    ASSERT_TRUE(file.centre(lat, lon, zoom));
    EXPECT_DOUBLE_EQ(lat, 40.6);
    EXPECT_EQ(zoom, 2);

    // Not a tile file: refused with a reason, never a crash.
    const QString text = dir.filePath(QStringLiteral("notes.mbtiles"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("these are no tiles\n");
    f.close();
    MbTilesFile bad;
    EXPECT_FALSE(bad.open(text));
    EXPECT_FALSE(bad.error().isEmpty());
    EXPECT_FALSE(bad.open(dir.filePath(QStringLiteral("missing.mbtiles"))));

    // Vector tiles are refused with the reason, not shown as an empty map.
    const QString vector = dir.filePath(QStringLiteral("vector.mbtiles"));
    ASSERT_TRUE(
        MbTilesFile::create(vector, QStringLiteral("Vector"), {{{0, 0, 0}, QByteArray("\x1a\x03pbf")}}));
    {
        const QString connection = QStringLiteral("makevector");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(vector);
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(QStringLiteral("UPDATE metadata SET value='pbf' WHERE name='format'")));
        }
        QSqlDatabase::removeDatabase(connection);
    }
    EXPECT_FALSE(bad.open(vector));
    EXPECT_TRUE(bad.error().contains(QStringLiteral("vector tiles")));
}

} // namespace
