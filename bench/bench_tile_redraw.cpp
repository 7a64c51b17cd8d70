// The tile map view at 1920 x 1080: TileRedraw/N repaints the whole window from tiles in memory
// with N labelled stations on top (one in ten a weather station), all of them inside the window,
// as a repaint for an arriving tile or a short drag does; TileZoomStep zooms one level in
// or out with nothing in memory, every tile read from the disk cache and decoded on the calling
// thread, to a complete picture.
#include "app/GlobalObjects.h"
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "bench/BenchMain.h"
#include "controls/DialogRunner.h"
#include "maps/TileDiskCache.h"
#include "maps/TileImage.h"
#include "maps/TileSource.h"
#include "maps/TileStore.h"
#include "maps/ui/CTileMapView.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "tests/support/TempHome.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr double kLatitude = 40.6;
constexpr double kLongitude = 22.95;
constexpr int kZoom = 12;

struct TileBench {
    QTemporaryDir cache;
    TempHome t;
    ManualClock clock;
    HeadlessPrompter prompter;
    DialogRunner dialogs;
    std::unique_ptr<GlobalObjects> station;
    std::unique_ptr<CTileMapView> view;

    explicit TileBench(int stations) {
        qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
        TileSource source;
        source.name = QStringLiteral("Bench");
        source.urlTemplate = QStringLiteral("http://127.0.0.1:9/{z}/{x}/{y}.png"); // never asked: offline
        TileSources::add(t.settings, source);
        TileSources::setOffline(t.settings, true);
        // The disk cache holds the window's tiles at zooms 11 to 13, as after an earlier visit.
        TileDiskCache disk(TileDiskCache::defaultRoot(), 1LL << 40);
        const QDateTime fresh = QDateTime::currentDateTimeUtc().addDays(30);
        for (int z = kZoom - 1; z <= kZoom + 1; ++z) {
            const TileKey c = TileMath::tileAt(kLatitude, kLongitude, z);
            for (int y = c.y - 4; y <= c.y + 4; ++y)
                for (int x = c.x - 6; x <= c.x + 6; ++x)
                    disk.store(source.cacheFolder(), {z, x, y}, TileImage::samplePng({z, x, y}), fresh);
        }
        station = std::make_unique<GlobalObjects>(t.home, t.settings, clock, prompter);
        addStations(stations);
        view = std::make_unique<CTileMapView>(*station, prompter, dialogs);
        view->resize(1920, 1080);
        view->setSynchronousLoading(true);
        if (!view->loadMap(QStringLiteral("tiles:Bench"))) qFatal("the bench source did not open");
        view->setVisibleArea([] {
            QByteArray b(16, '\0');
            qToLittleEndian<qint32>(qint32(kLatitude * 1e6), b.data());
            qToLittleEndian<qint32>(qint32(kLongitude * 1e6), b.data() + 4);
            qToLittleEndian<qint32>(kZoom, b.data() + 8);
            qToLittleEndian<qint32>(CTileMapView::kAreaMarker, b.data() + 12);
            return b;
        }());
        view->setSynchronousLoading(true);
        if (view->tilesShown() != view->tilesNeeded()) qFatal("the cached tiles did not load");
    }

    // Stations spread over the window, the way a busy area looks.
    void addStations(int count) {
        QRandomGenerator random(1234);
        StationManager& stations = station->stations();
        QMutexLocker lock(&stations.lock());
        for (int i = 0; i < count; ++i) {
            StationRecord* r = stations.Create();
            r->setPosition(kLatitude - 0.18 + random.bounded(0.36), kLongitude - 0.33 + random.bounded(0.66));
            r->call = QStringLiteral("N%1QP-%2").arg(i, 4, 10, QLatin1Char('0')).arg(i % 16);
            if (i % 10 == 0) {
                r->stationType = StationType::Weather;
                r->symbolCode = '_';
                r->weather.temperature = 40 + i % 50;
                r->weather.humidity = i % 100;
                r->weather.pressure = 10000 + i % 300;
            } else if (i % 3 == 0) {
                r->stationType = StationType::Mobile;
                r->symbolCode = '>';
                r->speed = 20;
            }
        }
    }
};

void BM_TileRedraw(benchmark::State& state) {
    TileBench b(int(state.range(0)));
    benchmark::DoNotOptimize(b.view->renderToImage().constBits()); // labels rendered once
    for (auto _ : state) benchmark::DoNotOptimize(b.view->renderToImage().constBits());
    state.counters["tiles"] = b.view->tilesNeeded();
}
BENCHMARK(BM_TileRedraw)
    ->Name("TileRedraw")
    ->Arg(0)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same with the stations drawn afresh at every paint (after a change of style or filter, or
// once the station overlay is a second old): the station layer's own cost.
void BM_TileRedrawStationsRedrawn(benchmark::State& state) {
    TileBench b(int(state.range(0)));
    benchmark::DoNotOptimize(b.view->renderToImage().constBits());
    for (auto _ : state) {
        b.view->invalidateOverlay();
        benchmark::DoNotOptimize(b.view->renderToImage().constBits());
    }
}
BENCHMARK(BM_TileRedrawStationsRedrawn)
    ->Name("TileRedrawStationsRedrawn")
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_TileZoomStep(benchmark::State& state) {
    TileBench b(0);
    int step = 1;
    for (auto _ : state) {
        b.view->tiles()->clearMemory();
        b.view->setZoom(kZoom + (step ^= 1));
        const QImage picture = b.view->renderToImage();
        if (b.view->tilesShown() != b.view->tilesNeeded()) state.SkipWithError("incomplete picture");
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.counters["tiles"] = b.view->tilesNeeded();
}
BENCHMARK(BM_TileZoomStep)->Name("TileZoomStep")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks<QApplication>(argc, argv);
}
