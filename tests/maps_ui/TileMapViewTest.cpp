// The tile map view as a user meets it: real widgets offscreen, tiles from the loopback tile server
// or a sample MBTiles file, the disk cache in a temporary folder.
#include "app/GlobalObjects.h"
#include "aprs/StationManager.h"
#include "cli/TileSimulator.h"
#include "controls/DialogRunner.h"
#include "maps/ShapeFile.h"
#include "maps/TileFetcher.h"
#include "maps/TileSource.h"
#include "maps/TileStore.h"
#include "maps/ui/CTileMapView.h"
#include "maps/ui/DlgTileSource.h"
#include "maps/ui/SampleTiles.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "support/ShapefileWriter.h"
#include "support/TempHome.h"
#include "support/Wait.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <QtEndian>
#include <gtest/gtest.h>
#include <memory>
#include <set>

namespace {

struct TileView {
    QTemporaryDir cache;
    TempHome t;
    ManualClock clock;
    ScriptedPrompter prompter;
    ScriptedDialogRunner dialogs;
    TileSimulator sim;
    std::unique_ptr<GlobalObjects> station;
    std::unique_ptr<CTileMapView> view;

    explicit TileView(QSize size = {512, 384}) {
        // The view's disk cache lives under $XDG_CACHE_HOME.
        qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
        EXPECT_TRUE(sim.listen(QHostAddress::LocalHost, 0));
        TileSource source;
        source.name = QStringLiteral("Sim");
        source.urlTemplate = sim.urlTemplate();
        EXPECT_TRUE(TileSources::add(t.settings, source));
        write(t.settings, Settings::MYCALL, QStringLiteral("N0QPA"));
        station = std::make_unique<GlobalObjects>(t.home, t.settings, clock, prompter);
        view = std::make_unique<CTileMapView>(*station, prompter, dialogs);
        view->resize(size);
        view->show();
    }
    void open(const QString& file) { ASSERT_TRUE(view->loadMap(file)); }
    static QByteArray area(double latitude, double longitude, int zoom) {
        QByteArray b(16, '\0');
        qToLittleEndian<qint32>(qint32(std::lround(latitude * 1e6)), b.data());
        qToLittleEndian<qint32>(qint32(std::lround(longitude * 1e6)), b.data() + 4);
        qToLittleEndian<qint32>(zoom, b.data() + 8);
        qToLittleEndian<qint32>(CTileMapView::kAreaMarker, b.data() + 12);
        return b;
    }
    bool complete() const { return view->tilesShown() == view->tilesNeeded(); }
    void hear(const QString& call, const QString& info) {
        const QString line = QStringLiteral(" 1:Fm %1 To APRS <UI pid=F0 Len=%2 >[12:00:00]\r%3\r")
                                 .arg(call, QString::number(info.size()), info);
        ASSERT_NE(station->stations().ProcessMonitorText(line, 0), nullptr);
        view->stationHeard(call, false);
    }
    QString sampleTiles() {
        const QString path = t.home.mapsDir() + QStringLiteral("/sample.mbtiles");
        EXPECT_TRUE(SampleTiles::write(path, 40.598, 22.97, 10, 13, 2));
        return path;
    }
};

TEST(TileMapView, AsksForTheTilesOfItsCentreAndZoomAtSeveralLatitudes) {
    struct Place {
        double latitude, longitude;
        int zoom;
    } places[] = {
        {40.6401, 22.9444, 12}, {60.1699, 24.9384, 10}, {-33.8568, 151.2153, 15}, {78.2232, 15.6267, 8}};
    for (const Place& p : places) {
        TileView w;
        std::set<std::tuple<int, int, int>> asked;
        QObject::connect(&w.sim, &TileSimulator::requested, [&](const TileKey& k) {
            asked.insert({k.z, k.x, k.y});
        });
        w.open(QStringLiteral("tiles:Sim"));
        w.view->setVisibleArea(TileView::area(p.latitude, p.longitude, p.zoom));
        ASSERT_TRUE(waitUntil([&] { return w.complete(); })) << p.latitude;
        EXPECT_EQ(w.view->zoom(), p.zoom);
        double lat = 0, lon = 0;
        w.view->centre(lat, lon);
        EXPECT_NEAR(lat, p.latitude, 1e-5);
        EXPECT_NEAR(lon, p.longitude, 1e-5);
        const TileKey centre = TileMath::tileAt(p.latitude, p.longitude, p.zoom);
        EXPECT_TRUE(asked.count({centre.z, centre.x, centre.y})) << p.latitude;
        EXPECT_TRUE(w.view->tiles()->hasTile(centre));
        // Only tiles of the window at its zoom and the level above it.
        for (const auto& [z, x, y] : asked) {
            EXPECT_TRUE(z == p.zoom || z == p.zoom - 1) << z;
            if (z == p.zoom) {
                EXPECT_LE(std::abs(x - centre.x), 2);
                EXPECT_LE(std::abs(y - centre.y), 2);
            }
        }
        // Window pixels and positions round trip within half a pixel.
        for (const QPointF px : {QPointF(0, 0), QPointF(511.5, 383.5), QPointF(200.25, 100.75)}) {
            w.view->toPosition(px, lat, lon);
            const QPointF back = w.view->toWindow(lat, lon);
            EXPECT_LT(std::abs(back.x() - px.x()), 0.5);
            EXPECT_LT(std::abs(back.y() - px.y()), 0.5);
        }
        EXPECT_EQ(w.view->mapFile(), QStringLiteral("tiles:Sim"));
        EXPECT_EQ(w.view->visibleArea(), TileView::area(p.latitude, p.longitude, p.zoom));
    }
}

TEST(TileMapView, WheelZoomsAboutThePointerAndDragPans) {
    TileView w;
    w.open(w.sampleTiles());
    w.view->setSynchronousLoading(true);
    EXPECT_EQ(w.view->zoom(), 12); // where the file says its tiles are
    const QPointF pointer(100, 80);
    double lat = 0, lon = 0;
    w.view->toPosition(pointer, lat, lon);
    QWheelEvent wheel(pointer, w.view->mapToGlobal(pointer), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.view.get(), &wheel);
    EXPECT_EQ(w.view->zoom(), 13);
    QPointF now = w.view->toWindow(lat, lon);
    EXPECT_LT(std::abs(now.x() - pointer.x()), 1.0);
    EXPECT_LT(std::abs(now.y() - pointer.y()), 1.0);

    // A drag moves the map with the pointer.
    const auto mouse = [&](QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(pos), w.view->mapToGlobal(QPointF(pos)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(w.view.get(), &e);
    };
    mouse(QEvent::MouseButtonPress, {200, 200}, Qt::LeftButton);
    for (int i = 1; i <= 10; ++i) mouse(QEvent::MouseMove, {200 + 4 * i, 200 + 3 * i}, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, {240, 230}, Qt::NoButton);
    now = w.view->toWindow(lat, lon);
    EXPECT_LT(std::abs(now.x() - (pointer.x() + 40)), 1.0);
    EXPECT_LT(std::abs(now.y() - (pointer.y() + 30)), 1.0);

    // The zoom stops at its ends; the command says so.
    w.view->setZoom(40);
    EXPECT_EQ(w.view->zoom(), CTileMapView::kMaxZoom);
    EXPECT_FALSE(w.view->handlesCommand(Command::ZoomIn));
    w.view->runCommand(Command::ZoomOut);
    EXPECT_EQ(w.view->zoom(), CTileMapView::kMaxZoom - 1);
    // Beyond the file's deepest level its tiles are drawn enlarged, never a hole.
    const QImage picture = w.view->renderToImage();
    EXPECT_NE(picture.pixelColor(256, 192), QColor(226, 222, 214));
}

TEST(TileMapView, StationsBubblesAndTheAttributionAreDrawnOverTheTiles) {
    TileView w;
    w.open(w.sampleTiles());
    w.view->setSynchronousLoading(true);
    // A station a little north-east of the centre, with a comment that tries markup.
    w.hear(QStringLiteral("N0QPA-9"), QStringLiteral("!4036.50N/02259.00E-<b>Bold</b> claim"));
    QImage picture = w.view->renderToImage();
    const QPointF at = w.view->toWindow(40.6083, 22.9833);
    ASSERT_TRUE(w.view->rect().contains(at.toPoint()));
    EXPECT_EQ(w.view->stationAt(at.toPoint() + QPoint(0, 0)), QStringLiteral("N0QPA-9"));
    const auto mouse = [&](QEvent::Type type, QPoint pos) {
        QMouseEvent e(type, QPointF(pos), w.view->mapToGlobal(QPointF(pos)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.view.get(), &e);
    };
    mouse(QEvent::MouseButtonPress, at.toPoint());
    mouse(QEvent::MouseButtonRelease, at.toPoint());
    EXPECT_TRUE(w.view->bubbleText().contains(QStringLiteral("<b>Bold</b> claim")));
    EXPECT_EQ(w.view->chosenStation(), QStringLiteral("N0QPA-9"));
    EXPECT_TRUE(w.view->handlesCommand(Command::StationTrack));

    // The filter hides the station from the map and from finding.
    w.view->runCommand(Command::StationsWeather);
    picture = w.view->renderToImage();
    EXPECT_TRUE(w.view->stationAt(at.toPoint()).isEmpty());

    // The attribution: dark text on a light box in the bottom-right corner, whatever the tiles.
    int dark = 0;
    for (int y = picture.height() - 14; y < picture.height(); ++y)
        for (int x = picture.width() - 120; x < picture.width(); ++x)
            dark += qGray(picture.pixel(x, y)) < 90 ? 1 : 0;
    EXPECT_GT(dark, 20);
}

TEST(TileMapView, TheStationOverlayIsReusedAndMendedWhereAStationChanged) {
    TileView w;
    w.open(w.sampleTiles());
    w.view->setSynchronousLoading(true);
    const QImage before = w.view->renderToImage();
    const int renders = w.view->overlayRenders();
    w.view->renderToImage();
    EXPECT_EQ(w.view->overlayRenders(), renders); // a repaint copies the stations

    // A station heard now is drawn into the overlay where it stands, without drawing all again.
    w.hear(QStringLiteral("N0QPA-7"), QStringLiteral("!4035.00N/02257.00E-Club"));
    const QPoint at = w.view->toWindow(40.5833, 22.95).toPoint();
    const QImage after = w.view->renderToImage();
    EXPECT_EQ(w.view->overlayRenders(), renders);
    EXPECT_EQ(w.view->stationAt(at), QStringLiteral("N0QPA-7"));
    int changed = 0;
    for (int y = at.y() - 8; y < at.y() + 8; ++y)
        for (int x = at.x() - 8; x < at.x() + 8; ++x)
            changed += before.pixel(x, y) != after.pixel(x, y) ? 1 : 0;
    EXPECT_GT(changed, 40);

    // A zoom draws the stations afresh for the new scale.
    w.view->setZoom(w.view->zoom() + 1);
    w.view->renderToImage();
    EXPECT_EQ(w.view->overlayRenders(), renders + 1);
    EXPECT_EQ(w.view->stationAt(w.view->toWindow(40.5833, 22.95).toPoint()), QStringLiteral("N0QPA-7"));
}

TEST(TileMapView, AStalledServerLeavesTheViewResponsiveWithParentTilesShown) {
    TileView w;
    w.open(QStringLiteral("tiles:Sim"));
    w.view->setVisibleArea(TileView::area(48.2, 16.37, 10));
    ASSERT_TRUE(waitUntil([&] { return w.complete(); }));
    w.sim.setMode(TileSimulator::Mode::Stall);
    w.sim.resetCounts();

    w.view->zoomAbout(1, QPointF(256, 192));
    ASSERT_TRUE(waitUntil([&] { return w.sim.requestCount() >= 2; }));
    EXPECT_EQ(w.view->tilesShown(), 0);
    // Where the new tiles are missing the level above shows, enlarged: no blank hole.
    QImage picture = w.view->renderToImage();
    EXPECT_NE(picture.pixelColor(256, 192), QColor(226, 222, 214));
    EXPECT_NE(picture.pixelColor(30, 30), QColor(226, 222, 214));

    // The view goes on answering: a timer fires, pans and zooms happen at once, and the stalled
    // downloads give way to the tiles of the new place.
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    EXPECT_TRUE(waitUntil([&] { return fired; }, 1000));
    w.view->panBy(QPointF(2000, 0));
    double lat = 0, lon = 0;
    w.view->centre(lat, lon);
    const TileKey now = TileMath::tileAt(lat, lon, 11);
    ASSERT_TRUE(waitUntil([&] { return w.sim.tileRequestCount(now) == 1; }));
    EXPECT_LE(w.view->tiles()->fetcher().inFlight(), TileFetcher::kMaxConnectionsPerServer);
    EXPECT_LE(w.sim.openConnections(), TileFetcher::kMaxConnectionsPerServer + 2); // old ones closing
}

TEST(TileMapView, OfflineFromTheMenuSendsNothingUntilBackOnline) {
    TileView w;
    w.open(QStringLiteral("tiles:Sim"));
    w.view->setVisibleArea(TileView::area(40.6, 22.9, 9));
    // Everything asked for has come, the level above included.
    ASSERT_TRUE(waitUntil([&] { return w.complete() && w.view->tiles()->fetcher().inFlight() == 0; }));

    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(10, 10),
                                w.view->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(w.view.get(), &menuEvent);
    auto* menu = w.view->findChild<QMenu*>(QStringLiteral("mapPopup"));
    ASSERT_NE(menu, nullptr);
    QAction* offline = menu->findChild<QAction*>(QStringLiteral("workOffline"));
    ASSERT_NE(offline, nullptr);
    offline->trigger();
    menu->close();
    EXPECT_TRUE(w.view->isOffline());
    EXPECT_EQ(QSettings(w.t.settings.filePath(), QSettings::IniFormat).value("TILES/OFFLINE").toString(),
              "1");

    const int before = w.sim.requestCount();
    w.view->setVisibleArea(TileView::area(-20, -60, 9)); // nothing cached there
    QCoreApplication::processEvents();
    EXPECT_EQ(w.sim.requestCount(), before);
    EXPECT_EQ(w.view->tilesShown(), 0);

    w.view->setOffline(false);
    ASSERT_TRUE(waitUntil([&] { return w.complete(); }));
    EXPECT_GT(w.sim.requestCount(), before);
}

TEST(TileMapView, SavingAnAreaIsRefusedForOpenStreetMapAndBoundedElsewhere) {
    TileView w;
    // OpenStreetMap's own servers: explained, nothing sent (offline keeps this test off the internet).
    TileSources::setOffline(w.t.settings, true);
    w.view = std::make_unique<CTileMapView>(*w.station, w.prompter, w.dialogs);
    w.open(QStringLiteral("tiles:OpenStreetMap"));
    EXPECT_EQ(w.view->caption(), QStringLiteral("OpenStreetMap"));
    EXPECT_FALSE(w.view->tiles()->allowsBulkDownload());
    w.view->saveAreaForOffline();
    ASSERT_EQ(w.prompter.reported.size(), 1);
    EXPECT_TRUE(w.prompter.reported[0].contains(QStringLiteral("do not allow")));
    EXPECT_EQ(w.view->tiles()->fetcher().requestsSent(), 0);

    // Another server: the count is asked for, then the tiles go to the disk cache.
    TileSources::setOffline(w.t.settings, false);
    w.view = std::make_unique<CTileMapView>(*w.station, w.prompter, w.dialogs);
    w.view->resize(256, 256);
    w.view->show();
    w.open(QStringLiteral("tiles:Sim"));
    w.view->setVisibleArea(TileView::area(40.6, 22.9, 17));
    ASSERT_TRUE(waitUntil([&] { return w.complete(); }));
    w.prompter.answers = {Prompter::Answer::Yes};
    w.view->saveAreaForOffline();
    ASSERT_EQ(w.prompter.asked.size(), 1);
    EXPECT_TRUE(w.prompter.asked[0].contains(QStringLiteral("zoom 17 to 19")));
    ASSERT_TRUE(waitUntil([&] { return w.view->tiles()->prefetchLeft() == 0; }, 10000));
    EXPECT_GE(w.sim.tileRequestCount(TileMath::tileAt(40.6, 22.9, 19)), 1);
    int deepest = 0;
    for (QDirIterator it(w.cache.path(), {QStringLiteral("*.tile")}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        deepest += it.next().contains(QStringLiteral("/19/")) ? 1 : 0;
    EXPECT_GE(deepest, 16);
}

TEST(TileMapView, AUsersOwnTileSourceIsAddedAfterTheOthersAndShownAtOnce) {
    TileView w;
    w.open(QStringLiteral("tiles:Sim"));
    QStringList refusals;
    w.dialogs.script = [&](QDialog& d) {
        auto& dialog = static_cast<DlgTileSource&>(d);
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("name"));
        auto* url = dialog.findChild<QLineEdit*>(QStringLiteral("url"));
        auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        name->setText(QStringLiteral("Sim")); // taken
        url->setText(QStringLiteral("file:///etc/{z}/{x}/{y}"));
        refusals << dialog.problem();
        EXPECT_FALSE(ok->isEnabled());
        name->setText(QStringLiteral("Club <i>tiles</i>"));
        refusals << dialog.problem();
        url->setText(w.sim.urlTemplate() + QStringLiteral("?club=1"));
        EXPECT_TRUE(ok->isEnabled());
        ok->click();
        return dialog.result();
    };
    w.view->addTileSource();
    ASSERT_EQ(refusals.size(), 2);
    EXPECT_TRUE(refusals[0].contains(QStringLiteral("name already")));
    EXPECT_TRUE(refusals[1].contains(QStringLiteral("http or https")));
    const auto sources = TileSources::read(w.t.settings);
    ASSERT_EQ(sources.size(), 3); // OpenStreetMap, Sim, the new one
    EXPECT_EQ(sources[2].name, QStringLiteral("Club tiles"));
    EXPECT_EQ(w.view->mapFile(), QStringLiteral("tiles:Club tiles"));
    ASSERT_TRUE(waitUntil([&] { return w.complete(); }));
}

TEST(TileMapView, ShapefileLayersAreDrawnOverTheTilesUnderTheStations) {
    TileView w;
    w.open(w.sampleTiles());
    w.view->setSynchronousLoading(true);
    // A road across the window, west to east.
    ShapefileWriter road;
    road.records.push_back(ShapefileWriter::poly(ShapeType::PolyLine, {{{22.90, 40.59}, {23.05, 40.59}}}));
    const QString base = w.t.home.mapsDir() + QStringLiteral("/road");
    ASSERT_TRUE(road.write(base));
    const QImage before = w.view->renderToImage();
    EXPECT_TRUE(w.view->handlesCommand(Command::AddLayer));
    w.view->openFileName = [&](const QString&, const QString&) { return base + QStringLiteral(".shp"); };
    w.view->runCommand(Command::AddLayer);
    ASSERT_EQ(w.view->shapeLayerCount(), 1);
    const QImage with = w.view->renderToImage();
    const int y = int(std::lround(w.view->toWindow(40.59, 22.97).y()));
    const auto changedAlong = [&](const QImage& a, const QImage& b) {
        int changed = 0;
        for (int x = 0; x < a.width(); ++x)
            for (int dy = -1; dy <= 1; ++dy) changed += a.pixel(x, y + dy) != b.pixel(x, y + dy) ? 1 : 0;
        return changed;
    };
    EXPECT_GT(changedAlong(before, with), w.view->width() / 2);
    // Off the road nothing changed.
    EXPECT_EQ(before.pixel(10, y - 40), with.pixel(10, y - 40));

    w.view->removeShapeLayer(0);
    EXPECT_EQ(changedAlong(before, w.view->renderToImage()), 0);
    // A file that is no shapefile is refused with a message.
    w.view->openFileName = [&](const QString&, const QString&) { return w.sampleTiles(); };
    w.view->runCommand(Command::AddLayer);
    EXPECT_EQ(w.view->shapeLayerCount(), 0);
    EXPECT_EQ(w.prompter.reported.size(), 1);
}

} // namespace
