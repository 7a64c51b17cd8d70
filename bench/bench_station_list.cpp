// The station list at database sizes: a refresh (snapshot, sort, model reset, selection restored),
// a sort by header click, and painting the visible rows of a 1280x700 view.
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/ui/StationListView.h"
#include "bench/BenchMain.h"
#include "controls/DialogRunner.h"
#include "platform/HugePageHeap.h"
#include "platform/Prompter.h"
#include "tests/support/TemporaryStation.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

struct ListAtSize {
    TemporaryStation s;
    ScriptedPrompter prompter;
    ScriptedDialogRunner runner;
    std::unique_ptr<StationListView> view;

    explicit ListAtSize(int count) {
        QRandomGenerator random(2012);
        const char* vias[] = {"WIDE1-1*", "WIDE2-2*", "MYGATE*", "DB0ABC*,WIDE2*"};
        const char* comments[] = {"PHG2360 Digi", "145.500MHz QRV", "", "UI-View32 V2.03", "Weather station"};
        for (int i = 0; i < count; ++i) {
            StationRecord* r = s.stations.Create();
            r->call = QStringLiteral("%1%2-%3")
                          .arg(QChar(u'A' + random.bounded(26)))
                          .arg(i, 5, 36, QLatin1Char('0'))
                          .arg(random.bounded(16))
                          .toUpper();
            r->setPosition(random.bounded(180.0) - 90, random.bounded(360.0) - 180);
            r->symbolTable = random.bounded(4) == 0 ? '\\' : '/';
            r->symbolCode = 33 + random.bounded(94);
            r->stationType = random.bounded(6);
            r->comment = QString::fromLatin1(comments[random.bounded(5)]);
            r->lastHeard = SystemTime::fromDateTime(s.clock.nowLocal().addSecs(-random.bounded(10800)));
            const QString via = QString::fromLatin1(vias[random.bounded(4)]);
            r->RecordHeardPath(QStringLiteral("%1:Fm %2 To APRS Via %3 <UI pid=F0 Len=10 >[12:00:00]")
                                   .arg(via.startsWith(QLatin1String("MYGATE")) ? QStringLiteral("GT")
                                                                                : QStringLiteral(" 1"),
                                        r->call, via));
        }
        view = std::make_unique<StationListView>(s.stations, s.tracks, s.settings, s.clock, prompter, runner);
        view->resize(1280, 700);
        view->show();
        QApplication::processEvents();
        // A user's selection somewhere in the list, to be found again by call.
        std::vector<StationKey> selected;
        for (int row : {10, count / 3, count / 2, count - 5})
            if (row >= 0 && row < view->model()->rowCount())
                selected.push_back(view->model()->rowAt(row).key);
        view->selectStations(selected);
        view->sortByColumnClick(StationListModel::Distance);
        QApplication::processEvents();
    }
};

void StationListRefresh(benchmark::State& state) {
    ListAtSize list(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        list.view->refresh();
        benchmark::DoNotOptimize(list.view->model()->rowCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(StationListRefresh)->Arg(50000)->Unit(benchmark::kMillisecond);

// One header click per iteration, going round every column (text columns are the slow ones).
void StationListSort(benchmark::State& state) {
    ListAtSize list(static_cast<int>(state.range(0)));
    int column = 0;
    for (auto _ : state) {
        list.view->sortByColumnClick(column);
        column = (column + 1) % StationListModel::ColumnCount;
        benchmark::DoNotOptimize(list.view->model()->rowCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(StationListSort)->Arg(50000)->Unit(benchmark::kMillisecond);

// The visible rows (about 33 at 1280x700) painted into an image, as an expose of the view does.
void StationListPaint(benchmark::State& state) {
    ListAtSize list(static_cast<int>(state.range(0)));
    QWidget* viewport = list.view->table()->viewport();
    QImage image(viewport->size(), QImage::Format_RGB32);
    image.setDevicePixelRatio(1);
    for (auto _ : state) {
        viewport->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(StationListPaint)->Arg(50000)->Unit(benchmark::kMicrosecond);

} // namespace

// Widgets need a QApplication, on the offscreen platform unless one is chosen.
int main(int argc, char** argv) {
    return runBenchmarks<QApplication>(argc, argv);
}
