// Building the symbol atlas: every picture of both tables drawn at 16, 24 and 32 px, the work the
// first view pays for on start-up. Then one uncached size, as a zoomed map asks for.
#include "aprs/SymbolAtlas.h"
#include "bench/BenchMain.h"
#include "platform/HugePageHeap.h"

#include <QGuiApplication>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

void BM_BuildAtlas(benchmark::State& state) {
    for (auto _ : state) {
        SymbolAtlas atlas;
        benchmark::DoNotOptimize(atlas.image(SymbolAtlas::kIcons - 1, 32).constBits());
    }
    state.SetItemsProcessed(state.iterations() * SymbolAtlas::kIcons *
                            int(std::size(SymbolAtlas::kStandardSizes)));
}
BENCHMARK(BM_BuildAtlas)->Unit(benchmark::kMillisecond);

void BM_RenderAllAtOtherSize(benchmark::State& state) {
    const SymbolAtlas atlas;
    QImage img(48, 48, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        for (int i = 0; i < SymbolAtlas::kIcons; ++i) {
            img.fill(Qt::transparent);
            QPainter p(&img);
            atlas.paint(p, QRectF(0, 0, 48, 48), 'A', i % 94 + 33);
        }
        benchmark::DoNotOptimize(img.constBits());
    }
    state.SetItemsProcessed(state.iterations() * SymbolAtlas::kIcons);
}
BENCHMARK(BM_RenderAllAtOtherSize)->Unit(benchmark::kMillisecond);

} // namespace

// The badges and overlays draw characters, which needs the font database of a GUI application.
int main(int argc, char** argv) {
    return runBenchmarks<QGuiApplication>(argc, argv);
}
