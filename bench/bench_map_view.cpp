// Fit To Window on a very large map image: the whole 16000 x 16000 image drawn into a 1920 x 1080
// window, the work a view does after the command once the image is loaded. The image decodes
// reduced (it is larger than the decode limit) and draws from its reduced copies.
#include "bench/BenchMain.h"
#include "maps/GeoProjection.h"
#include "maps/MapProject.h"
#include "maps/MapRenderer.h"
#include "platform/Prompter.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

struct LargeMap {
    QTemporaryDir dir;
    std::unique_ptr<StationHome> home;
    std::unique_ptr<SettingsStore> settings;
    HeadlessPrompter prompter;
    std::unique_ptr<MapProject> project;

    LargeMap() {
        home = std::make_unique<StationHome>(dir.path());
        home->createFolders();
        settings = std::make_unique<SettingsStore>(home->settingsFile());
        const QString path = dir.path() + QStringLiteral("/large.jpg");
        {
            // A grey-level picture with some structure, so the decoder has real work.
            QImage image(16000, 16000, QImage::Format_Grayscale8);
            for (int y = 0; y < image.height(); ++y) {
                uchar* line = image.scanLine(y);
                for (int x = 0; x < image.width(); ++x)
                    line[x] = uchar(((x / 250) ^ (y / 250)) & 1 ? 200 : 90 + (x + y) % 40);
            }
            image.save(path, "JPG", 80);
        }
        QFile inf(dir.path() + QStringLiteral("/large.inf"));
        inf.open(QIODevice::WriteOnly);
        inf.write("41.00.0N,022.00.0E\n40.00.0N,024.00.0E\nLarge\n");
        inf.close();
        project = std::make_unique<MapProject>(*settings, *home, prompter);
        if (!project->openMapFile(path)) qFatal("the large map did not load");
    }
};

void MapFitToWindow(benchmark::State& state) {
    static LargeMap map;
    const QSize window(1920, 1080);
    const QSize canvas = map.project->canvasSize().scaled(window, Qt::KeepAspectRatio);
    MapRenderer::Request request;
    auto snapshot = map.project->snapshot();
    request.draw = [snapshot](QPainter& painter, const MapDrawContext& context) {
        drawProjectSnapshot(painter, *snapshot, context);
    };
    request.projection = std::make_shared<LinearProjection>(map.project->rectangle(), QSizeF(canvas));
    request.area = QRect(QPoint(0, 0), canvas);
    // The reduced copies are made once, on the first paint at a small zoom.
    benchmark::DoNotOptimize(MapRenderer::renderNow(request).constBits());
    for (auto _ : state) benchmark::DoNotOptimize(MapRenderer::renderNow(request).constBits());
    state.counters["canvas_px"] = double(canvas.width()) * canvas.height();
}
BENCHMARK(MapFitToWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks<QGuiApplication>(argc, argv);
}
