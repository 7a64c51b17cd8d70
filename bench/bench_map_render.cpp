// The map view's redraw: the visible part of a 4000 x 3000 base map copied into a 1920 x 1080
// window, then the station layer with every station labelled. MapRender spreads the stations over
// the whole map (the window shows about a sixth of them); MapRenderAllVisible puts all of them in
// the window; MapRenderCold starts with no label rendered yet (the first paint after a style
// change). MapStationUpdate: one station moves and only its damaged area is drawn again.
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "bench/BenchMain.h"
#include "maps/GeoProjection.h"
#include "maps/MapLabelSettings.h"
#include "maps/StationLayer.h"
#include "platform/Settings.h"
#include "tests/support/TemporaryStation.h"

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

const MapDetails kMapRect = MapDetails::fromCorners({}, {}, 49, -73, 50, -71.5);
const QSize kMapSize(4000, 3000);
const QSize kWindowSize(1920, 1080);

QImage baseMap() {
    QImage img(kMapSize, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, kMapSize.width(), kMapSize.height());
    g.setColorAt(0, QColor(200, 220, 190));
    g.setColorAt(1, QColor(150, 180, 210));
    p.fillRect(img.rect(), g);
    p.setPen(QColor(90, 90, 90));
    for (int x = 0; x < kMapSize.width(); x += 100) p.drawLine(x, 0, x, kMapSize.height());
    for (int y = 0; y < kMapSize.height(); y += 100) p.drawLine(0, y, kMapSize.width(), y);
    return img;
}

struct World : TemporaryStation {
    LinearProjection projection{kMapRect, QSizeF(kMapSize)};
    QImage base = baseMap();
    QImage window{kWindowSize, QImage::Format_RGB32};
    QRectF visible{QPointF(1040, 960), QSizeF(kWindowSize)};
    std::unique_ptr<StationLayer> layer = std::make_unique<StationLayer>();

    // Stations at random places of `area` (canvas pixels); one in ten is a weather station.
    World(int count, QRectF area) {
        QRandomGenerator random(1234);
        QMutexLocker lock(&stations.lock());
        for (int i = 0; i < count; ++i) {
            StationRecord* r = stations.Create();
            double lat = 0, lon = 0;
            projection.toPosition(QPointF(area.left() + random.bounded(area.width()),
                                          area.top() + random.bounded(area.height())),
                                  lat, lon);
            r->setPosition(lat, lon);
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

    StationPaintContext context(QRectF area) const {
        StationPaintContext c;
        c.projection = &projection;
        c.visible = area;
        const MapDetails rect = kMapRect;
        c.insideProject = [rect](double lat, double lon) { return rect.contains(lat, lon); };
        return c;
    }

    // What the view does for one paint of `area`: the settings snapshot, the base map, the stations.
    void paint(QRectF area) {
        const MapLabelSettings s = MapLabelSettings::read(settings);
        QPainter p(&window);
        p.translate(-visible.topLeft());
        p.setClipRect(area);
        p.drawImage(area, base, area);
        layer->paint(p, stations, context(area), s);
    }
};

void BM_MapRender(benchmark::State& state) {
    World w(static_cast<int>(state.range(0)), QRectF(QPointF(0, 0), QSizeF(kMapSize)));
    w.paint(w.visible); // labels rendered once, as on the first paint
    for (auto _ : state) {
        w.paint(w.visible);
        benchmark::DoNotOptimize(w.window.constBits());
    }
    state.counters["painted"] = w.layer->paintedCount();
}
BENCHMARK(BM_MapRender)->Name("MapRender")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_MapRenderNoLabels(benchmark::State& state) {
    World w(static_cast<int>(state.range(0)), QRectF(QPointF(0, 0), QSizeF(kMapSize)));
    write(w.settings, Settings::LABELTYPE, MapLabelSettings::NoLabel);
    w.paint(w.visible);
    for (auto _ : state) {
        w.paint(w.visible);
        benchmark::DoNotOptimize(w.window.constBits());
    }
}
BENCHMARK(BM_MapRenderNoLabels)->Name("MapRenderNoLabels")->Arg(10000)->Unit(benchmark::kMillisecond);

// The base map alone, the part of MapRender that is not the station layer's.
void BM_MapBaseOnly(benchmark::State& state) {
    World w(0, QRectF());
    for (auto _ : state) {
        QPainter p(&w.window);
        p.translate(-w.visible.topLeft());
        p.setClipRect(w.visible);
        p.drawImage(w.visible, w.base, w.visible);
        p.end();
        benchmark::DoNotOptimize(w.window.constBits());
    }
}
BENCHMARK(BM_MapBaseOnly)->Name("MapBaseOnly")->Unit(benchmark::kMillisecond);

void BM_MapRenderAllVisible(benchmark::State& state) {
    World w(static_cast<int>(state.range(0)), QRectF(QPointF(1040, 960), QSizeF(kWindowSize)));
    w.paint(w.visible);
    for (auto _ : state) {
        w.paint(w.visible);
        benchmark::DoNotOptimize(w.window.constBits());
    }
    state.counters["painted"] = w.layer->paintedCount();
}
BENCHMARK(BM_MapRenderAllVisible)->Name("MapRenderAllVisible")->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_MapRenderCold(benchmark::State& state) {
    World w(static_cast<int>(state.range(0)), QRectF(QPointF(0, 0), QSizeF(kMapSize)));
    for (auto _ : state) {
        state.PauseTiming();
        w.layer = std::make_unique<StationLayer>();
        state.ResumeTiming();
        w.paint(w.visible);
        benchmark::DoNotOptimize(w.window.constBits());
    }
}
BENCHMARK(BM_MapRenderCold)->Name("MapRenderCold")->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_MapStationUpdate(benchmark::State& state) {
    World w(10000, QRectF(QPointF(0, 0), QSizeF(kMapSize)));
    w.paint(w.visible);
    // A station in the middle of the window moves back and forth by 40 pixels.
    StationRecord* mover = w.stations.at(w.stations.count() / 2);
    double lat = 0, lon = 0, lat2 = 0, lon2 = 0;
    w.projection.toPosition(w.visible.center(), lat, lon);
    w.projection.toPosition(w.visible.center() + QPointF(40, 25), lat2, lon2);
    mover->setPosition(lat, lon);
    w.paint(w.visible);
    bool flip = false;
    double area = 0;
    for (auto _ : state) {
        flip = !flip;
        mover->setPosition(flip ? lat2 : lat, flip ? lon2 : lon);
        w.stations.MoveToEnd(mover);
        const QRectF damage =
            w.layer->damageFor(*mover, w.context(w.visible), MapLabelSettings::read(w.settings))
                .toAlignedRect();
        w.paint(damage);
        area = damage.width() * damage.height();
        benchmark::DoNotOptimize(w.window.constBits());
    }
    state.counters["damage_px"] = area;
}
BENCHMARK(BM_MapStationUpdate)->Name("MapStationUpdate")->Unit(benchmark::kMicrosecond);

} // namespace

// Labels need the font database of a GUI application.
int main(int argc, char** argv) {
    return runBenchmarks<QGuiApplication>(argc, argv);
}
