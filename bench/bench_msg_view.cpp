// The message list at 10,000 records: a refill (snapshot of the manager with the send states,
// model reset, selection found again, conversation of the selected pair) and a sort by text.
#include "bench/BenchMain.h"
#include "messaging/MsgManager.h"
#include "messaging/ui/MsgView.h"
#include "platform/Prompter.h"
#include "platform/Settings.h"
#include "tests/support/TemporaryStation.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

struct ViewAtSize {
    TemporaryStation s;
    ScriptedPrompter prompter;
    ActivePortList ports;
    MsgManager messages{s.home, s.settings, s.clock, s.stations, [](const OutboundPacket&) {}};
    std::unique_ptr<MsgView> view;

    explicit ViewAtSize(int count) {
        write(s.settings, Settings::MYCALL, QStringLiteral("N0ME"));
        ports.entries = {{-1, QStringLiteral("APRS Server"), 1}, {0, QStringLiteral("Port 1"), 1}};
        QRandomGenerator random(1097);
        const char* texts[] = {"Hello, are you on the net tonight?", "QSL, 73", "Test please",
                               "Meet at the club", "WX here: sunny, 24C"};
        for (int i = 0; i < count; ++i) {
            const QString from = QStringLiteral("N%1ABC-%2").arg(random.bounded(10)).arg(i % 16);
            const QString to = i % 3 == 0 ? QStringLiteral("N0ME") : QStringLiteral("DL%1XY").arg(i % 97);
            const bool internet = random.bounded(3) == 0;
            const QString header =
                internet
                    ? QStringLiteral("GT:Fm %1 To APRS Via MYGATE* <UI pid=F0 Len=20 >[12:00:00]").arg(from)
                    : QStringLiteral(" 1:Fm %1 To APZEL Via WIDE1-1*,WIDE2-1 <UI pid=F0 Len=20 >[12:00:00]")
                          .arg(from);
            bool ack = false;
            messages.ProcessMessage(
                QStringLiteral(":%1:%2{%3").arg(to, -9).arg(QLatin1String(texts[i % 5])).arg(i), from, header,
                internet ? -1 : 0, ack);
        }
        // A few own messages under transmission.
        for (int i = 0; i < 5; ++i)
            messages.QueueMessage(QStringLiteral("DL%1XY").arg(i), QStringLiteral("pending %1").arg(i), {},
                                  0);
        view = std::make_unique<MsgView>(messages, ports, s.settings, prompter);
        view->resize(1280, 700);
        view->show();
        QApplication::processEvents();
        view->table()->selectRow(count / 2);
        QApplication::processEvents();
    }
};

void MessageListRefill(benchmark::State& state) {
    ViewAtSize v(static_cast<int>(state.range(0)));
    if (v.view->model()->rowCount() < state.range(0)) state.SkipWithError("records missing");
    for (auto _ : state) {
        v.view->refill(MessageViewMode::All);
        benchmark::DoNotOptimize(v.view->model()->rowCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(MessageListRefill)->Arg(10000)->Unit(benchmark::kMillisecond);

// Header clicks on the message text: collation keys for every row, then a stable sort.
void MessageListSortByText(benchmark::State& state) {
    ViewAtSize v(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        v.view->sortByColumnClick(MessageListModel::Message);
        benchmark::DoNotOptimize(v.view->model()->rowCount());
    }
}
BENCHMARK(MessageListSortByText)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks<QApplication>(argc, argv);
}
