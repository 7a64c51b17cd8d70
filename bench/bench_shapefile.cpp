// Shapefile layers: loading a file of polylines (100 vertices each, with a NAME column) and drawing
// all of it into a full-HD image with its labels. The argument is the vertex count. The load also
// reports the resident memory the loaded layer keeps, against the size of its files.
#include "bench/BenchMain.h"
#include "maps/LabelBoxes.h"
#include "maps/ShapeLayer.h"
#include "tests/support/ShapefileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <map>
#include <unistd.h>

namespace {

constexpr int kVerticesPerLine = 100;

// One sample file per vertex count, written once per run.
QString sampleFile(int vertices) {
    static QTemporaryDir dir;
    static std::map<int, QString> written;
    auto it = written.find(vertices);
    if (it != written.end()) return it->second;
    ShapefileWriter w;
    w.fields = {{"NAME", 'C', 24, 0}};
    QRandomGenerator random(vertices);
    for (int line = 0; line < vertices / kVerticesPerLine; ++line) {
        std::vector<ShapefileWriter::Point> points;
        double x = 23.6 + random.bounded(0.2), y = 37.9 + random.bounded(0.1);
        for (int i = 0; i < kVerticesPerLine; ++i) {
            x = std::clamp(x + random.bounded(0.002) - 0.001, 23.6, 23.8);
            y = std::clamp(y + random.bounded(0.001) - 0.0005, 37.9, 38.0);
            points.push_back({x, y, 0, 0});
        }
        w.records.push_back(ShapefileWriter::multi(ShapeType::PolyLine, std::move(points)));
        w.rows.append(QStringList{QStringLiteral("Road %1").arg(line)});
    }
    const QString base = dir.path() + QStringLiteral("/lines%1").arg(vertices);
    if (!w.write(base)) return {};
    return written[vertices] = base + QStringLiteral(".shp");
}

qint64 filesBytes(const QString& shp) {
    const QString base = shp.left(shp.size() - 4);
    return QFileInfo(base + ".shp").size() + QFileInfo(base + ".shx").size() +
           QFileInfo(base + ".dbf").size();
}

qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

// Heap bytes in use (small blocks and mapped big ones): unlike the resident size it does not hide
// growth in memory the allocator kept from earlier frees.
qint64 heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

void BM_ShapefileLoad(benchmark::State& state) {
    const QString path = sampleFile(int(state.range(0)));
    // The memory one loaded layer keeps, before the timed loads and outside them.
    const qint64 residentBefore = residentBytes();
    const qint64 heapBefore = heapInUse();
    auto kept = std::make_unique<ShapeLayer>();
    kept->load(path);
    const qint64 residentGrowth = residentBytes() - residentBefore;
    const qint64 heapGrowth = heapInUse() - heapBefore;
    for (auto _ : state) {
        ShapeLayer layer;
        if (!layer.load(path)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(layer.data().get());
    }
    const double file = double(filesBytes(path));
    state.counters["file_MB"] = file / 1e6;
    state.counters["rss_growth_MB"] = double(residentGrowth) / 1e6;
    state.counters["heap_growth_MB"] = double(heapGrowth) / 1e6;
    state.counters["heap_per_file"] = double(heapGrowth) / file;
    state.counters["held_per_file"] =
        double(kept->data()->memoryBytes() + QFileInfo(path.left(path.size() - 4) + ".dbf").size()) / file;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ShapefileLoad)->Name("ShapefileLoad")->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void drawWhole(benchmark::State& state, bool labelled) {
    ShapeLayer layer;
    if (!layer.load(sampleFile(int(state.range(0))))) {
        state.SkipWithError("load failed");
        return;
    }
    ShapeDisplaySettings s;
    s.labelColumn = labelled ? 0 : -1;
    layer.setSettings(s);
    QImage image(1920, 1080, QImage::Format_RGB32);
    const LinearProjection projection(layer.details(), QSizeF(image.size()));
    LabelBoxes labels;
    int drawnLabels = 0;
    for (auto _ : state) {
        image.fill(Qt::white);
        labels.clear();
        QPainter painter(&image);
        MapDrawContext context;
        context.projection = &projection;
        context.visible = QRectF(0, 0, 1920, 1080);
        context.labels = &labels;
        layer.draw(painter, context.visible, context);
        drawnLabels = labels.count();
    }
    state.counters["labels"] = drawnLabels;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
void BM_ShapefileDraw(benchmark::State& state) {
    drawWhole(state, true);
}
// The lines alone, to tell their cost from the labels'.
void BM_ShapefileDrawLines(benchmark::State& state) {
    drawWhole(state, false);
}
BENCHMARK(BM_ShapefileDrawLines)
    ->Name("ShapefileDrawLines")
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShapefileDraw)->Name("ShapefileDraw")->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks<QGuiApplication>(argc, argv);
}
