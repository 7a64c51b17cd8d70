// Tile map views in the main window: offered by an empty map view, saved and restored with their
// centre and zoom.
#include "app/GlobalObjects.h"
#include "cli/TileSimulator.h"
#include "controls/DialogRunner.h"
#include "maps/TileFetcher.h"
#include "maps/TileSource.h"
#include "maps/TileStore.h"
#include "maps/ui/CQuillonView.h"
#include "maps/ui/CTileMapView.h"
#include "maps/ui/DlgTileSource.h"
#include "maps/ui/SampleTiles.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "support/TempHome.h"
#include "support/Wait.h"
#include "ui/CMainFrame.h"
#include "ui/PropertiesSheet.h"
#include "ui/PropertiesTiles.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct TileWindow {
    QTemporaryDir cache;
    TempHome t;
    ManualClock clock;
    ScriptedPrompter prompter;
    ScriptedDialogRunner dialogs;
    std::unique_ptr<GlobalObjects> station;
    std::unique_ptr<CMainFrame> frame;

    TileWindow() {
        qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
        write(t.settings, Settings::MYCALL, QStringLiteral("N0QPA"));
        // Never the real tile servers from a test.
        TileSources::setOffline(t.settings, true);
    }
    CMainFrame& open() {
        frame.reset();
        station = std::make_unique<GlobalObjects>(t.home, t.settings, clock, prompter);
        frame = std::make_unique<CMainFrame>(*station, prompter, dialogs);
        return *frame;
    }
};

TEST(TileMapFrame, AnEmptyMapViewOffersOpenStreetMapInItsPlace) {
    TileWindow w;
    CMainFrame& f = w.open();
    f.resize(900, 600);
    f.show();
    f.newMapView();
    ASSERT_EQ(f.tabs()->count(), CMainFrame::kFixedTabs + 1);
    auto* empty = qobject_cast<CQuillonView*>(f.tabs()->widget(CMainFrame::kFixedTabs));
    ASSERT_NE(empty, nullptr);
    auto* button = empty->findChild<QPushButton*>(QStringLiteral("openTileMap"));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_EQ(f.tabs()->count(), CMainFrame::kFixedTabs + 1); // replaced, not added
    auto* tiles = qobject_cast<CTileMapView*>(f.tabs()->widget(CMainFrame::kFixedTabs));
    ASSERT_NE(tiles, nullptr);
    EXPECT_EQ(f.tabs()->currentIndex(), CMainFrame::kFixedTabs);
    EXPECT_EQ(f.tabs()->tabText(CMainFrame::kFixedTabs), QStringLiteral("OpenStreetMap"));
    EXPECT_EQ(tiles->mapFile(), QStringLiteral("tiles:OpenStreetMap"));
    EXPECT_TRUE(f.isCommandEnabled(Command::ZoomIn));
    EXPECT_TRUE(f.isCommandEnabled(Command::AddLayer)); // shapefiles over the tiles
    EXPECT_FALSE(f.isCommandEnabled(Command::FitToWindow));
}

TEST(TileMapFrame, SavedWithItsCentreAndZoomAndRestoredAtTheNextStart) {
    TileWindow w;
    const QString file = w.t.home.mapsDir() + QStringLiteral("/area.mbtiles");
    ASSERT_TRUE(SampleTiles::write(file, 40.598, 22.97, 11, 12, 1));
    {
        CMainFrame& f = w.open();
        ASSERT_NE(f.newTileMapView(QStringLiteral("tiles:") + file), nullptr);
        ASSERT_NE(f.newTileMapView(QStringLiteral("tiles:OpenStreetMap")), nullptr);
        auto* osm = qobject_cast<CTileMapView*>(f.tabs()->widget(CMainFrame::kFixedTabs + 1));
        ASSERT_NE(osm, nullptr);
        osm->setZoom(7);
        osm->centreOn(51.5, -0.12);
        EXPECT_EQ(f.newTileMapView(QStringLiteral("tiles:No such source")), nullptr);
        f.runCommand(Command::SaveMapSelections);
    }
    QSettings stored(w.t.settings.filePath(), QSettings::IniFormat);
    EXPECT_EQ(stored.value("STATUS/MAPVIEW0").toString(), QStringLiteral("tiles:") + file);
    EXPECT_EQ(stored.value("STATUS/MAPVIEW1").toString(), QStringLiteral("tiles:OpenStreetMap"));

    CMainFrame& f = w.open();
    ASSERT_EQ(f.mapViewCount(), 2);
    auto* area = qobject_cast<CTileMapView*>(f.tabs()->widget(CMainFrame::kFixedTabs));
    auto* osm = qobject_cast<CTileMapView*>(f.tabs()->widget(CMainFrame::kFixedTabs + 1));
    ASSERT_TRUE(area && osm);
    EXPECT_EQ(area->caption(), QStringLiteral("area.mbtiles"));
    EXPECT_EQ(area->zoom(), 12);
    EXPECT_EQ(osm->zoom(), 7);
    double lat = 0, lon = 0;
    osm->centre(lat, lon);
    EXPECT_NEAR(lat, 51.5, 1e-5);
    EXPECT_NEAR(lon, -0.12, 1e-5);
    EXPECT_EQ(osm->tiles()->fetcher().requestsSent(), 0);
}

TEST(TileMapFrame, TheMapsPageOfTheSetupAddsSourcesAndSetsTheCacheWhenConfirmed) {
    TileWindow w;
    PropertiesSheet sheet(w.t.settings, w.prompter, w.dialogs, EnginePortList{});
    auto* page = sheet.findChild<PropertiesTiles*>();
    ASSERT_NE(page, nullptr);
    sheet.pages()->setCurrentWidget(page);
    auto* list = page->findChild<QListWidget*>(QStringLiteral("tileSources"));
    ASSERT_EQ(list->count(), 1); // OpenStreetMap, implicitly
    EXPECT_TRUE(page->findChild<QCheckBox*>(QStringLiteral("tilesOffline"))->isChecked());
    w.dialogs.script = [](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("name"))->setText(QStringLiteral("Club"));
        d.findChild<QLineEdit*>(QStringLiteral("url"))
            ->setText(QStringLiteral("https://club.example.net/{z}/{x}/{y}.png"));
        d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        return d.result();
    };
    QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("addTileSource")), Qt::LeftButton);
    EXPECT_EQ(w.dialogs.shown, QStringList{QStringLiteral("DlgTileSource")});
    EXPECT_EQ(list->count(), 2);
    // Nothing is written before the sheet is confirmed.
    EXPECT_FALSE(TileSources::find(w.t.settings, QStringLiteral("Club")));
    page->findChild<QCheckBox*>(QStringLiteral("tilesOffline"))->setChecked(false);
    page->findChild<QSpinBox*>(QStringLiteral("tileCacheMb"))->setValue(250);
    sheet.accept();
    QSettings stored(w.t.settings.filePath(), QSettings::IniFormat);
    EXPECT_EQ(stored.value("TILES/NAME0").toString(), QStringLiteral("OpenStreetMap"));
    EXPECT_EQ(stored.value("TILES/NAME1").toString(), QStringLiteral("Club"));
    EXPECT_EQ(stored.value("TILES/OFFLINE").toString(), QStringLiteral("0"));
    EXPECT_EQ(stored.value("TILES/CACHEMB").toString(), QStringLiteral("250"));
}

TEST(TileMapFrame, TheMapsPageRemovesSourcesButNotTheBuiltInOneWhenConfirmed) {
    TileWindow w;
    for (const QString& name : {QStringLiteral("Club"), QStringLiteral("Hills")}) {
        TileSource s;
        s.name = name;
        s.urlTemplate = QStringLiteral("https://%1.example.net/{z}/{x}/{y}.png").arg(name.toLower());
        ASSERT_TRUE(TileSources::add(w.t.settings, s));
    }
    PropertiesSheet sheet(w.t.settings, w.prompter, w.dialogs, EnginePortList{});
    auto* page = sheet.findChild<PropertiesTiles*>();
    ASSERT_NE(page, nullptr);
    sheet.pages()->setCurrentWidget(page);
    auto* list = page->findChild<QListWidget*>(QStringLiteral("tileSources"));
    auto* remove = page->findChild<QPushButton*>(QStringLiteral("removeTileSource"));
    ASSERT_EQ(list->count(), 3);
    list->setCurrentRow(0); // OpenStreetMap
    EXPECT_FALSE(remove->isEnabled());
    list->setCurrentRow(1); // Club
    ASSERT_TRUE(remove->isEnabled());
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(list->count(), 2);
    // A source added and removed again before the sheet is confirmed is never written.
    w.dialogs.script = [](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("name"))->setText(QStringLiteral("Passing"));
        d.findChild<QLineEdit*>(QStringLiteral("url"))
            ->setText(QStringLiteral("https://passing.example.net/{z}/{x}/{y}.png"));
        d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        return d.result();
    };
    QTest::mouseClick(page->findChild<QPushButton*>(QStringLiteral("addTileSource")), Qt::LeftButton);
    ASSERT_EQ(list->count(), 3);
    list->setCurrentRow(2);
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_TRUE(TileSources::find(w.t.settings, QStringLiteral("Club"))); // not before the sheet is confirmed
    sheet.accept();
    const auto sources = TileSources::read(w.t.settings);
    ASSERT_EQ(sources.size(), 2);
    EXPECT_EQ(sources[0].name, TileSources::kOpenStreetMapName);
    EXPECT_EQ(sources[1].name, QStringLiteral("Hills"));
}

TEST(TileMapFrame, SettingsFromTheSetupReachOpenTileViews) {
    TileWindow w;
    TileSimulator sim;
    ASSERT_TRUE(sim.listen(QHostAddress::LocalHost, 0));
    TileSource source;
    source.name = QStringLiteral("Sim");
    source.urlTemplate = sim.urlTemplate();
    ASSERT_TRUE(TileSources::add(w.t.settings, source));
    CMainFrame& f = w.open();
    f.resize(700, 500);
    f.show();
    ASSERT_NE(f.newTileMapView(QStringLiteral("tiles:Sim")), nullptr);
    auto* view = qobject_cast<CTileMapView*>(f.tabs()->currentWidget());
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(view->isOffline());
    QCoreApplication::processEvents();
    EXPECT_EQ(sim.requestCount(), 0);
    // The setup goes online; the open view follows when the sheet closes.
    w.dialogs.script = [&w](QDialog&) {
        TileSources::setOffline(w.t.settings, false);
        return int(QDialog::Accepted);
    };
    f.runCommand(Command::Properties);
    EXPECT_FALSE(view->isOffline());
    EXPECT_TRUE(waitUntil([&] { return view->isComplete(); }));
    EXPECT_GT(sim.requestCount(), 0);
}

} // namespace
