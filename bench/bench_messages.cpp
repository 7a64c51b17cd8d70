// Message packets processed per second with a list of 1,000 to 100,000 records: duplicates (the
// hash index keeps them independent of the list length), new messages with the expiry keeping the
// list at its size, messages for the station (each acknowledged), and whole monitor lines through
// the station database's dispatch.
#include "aprs/StationManager.h"
#include "bench/BenchMain.h"
#include "messaging/MsgManager.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "tests/support/TemporaryStation.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

const QString kHeader =
    QStringLiteral(" 1:Fm N0ABC To APZEL Via WIDE1-1*,WIDE2-1 <UI pid=F0 Len=30 >[12:00:00]");

QString messageInfo(int i, const QString& to = QStringLiteral("BOB")) {
    return QStringLiteral(":%1:Message number %2 for the bench{%3")
        .arg(to.leftJustified(9))
        .arg(i)
        .arg(i % 99999 + 1);
}
QString sender(int i) {
    return QStringLiteral("N%1QP").arg(i / 99999);
}

// A station home and a manager whose list holds `records` messages, received 10 ms apart up to now.
struct World : TemporaryStation {
    int64_t sent = 0;
    MsgManager messages{home, settings, clock, stations, [this](const OutboundPacket&) { ++sent; }};

    explicit World(int records, int maxAgeSeconds = 72000) {
        write(settings, Settings::MYCALL, QStringLiteral("N0ME"));
        write(settings, Settings::MAXTIME, maxAgeSeconds);
        stations.setMessageSink(&messages);
        for (int i = 0; i < records; ++i) {
            bool ack = false;
            messages.ProcessMessage(messageInfo(i), sender(i), kHeader, 0, ack);
            clock.advance(10);
        }
    }
};

// Packets made before the timing, so that only their processing is measured.
struct Packets {
    std::vector<QString> info, from;
    Packets(int first, int count, const QString& to = QStringLiteral("BOB")) {
        for (int i = first; i < first + count; ++i) {
            info.push_back(messageInfo(i, to));
            from.push_back(sender(i));
        }
    }
    size_t size() const { return info.size(); }
};

void BM_DuplicateMessages(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    World w(n);
    const Packets p(0, n);
    size_t i = 0;
    for (auto _ : state) {
        bool ack = false;
        const size_t k = (i++ * 7919) % p.size();
        benchmark::DoNotOptimize(w.messages.ProcessMessage(p.info[k], p.from[k], kHeader, 0, ack));
    }
    if (w.messages.count() != n) state.SkipWithError("a duplicate was stored");
    state.SetItemsProcessed(state.iterations());
    state.counters["records"] = w.messages.count();
}
BENCHMARK(BM_DuplicateMessages)->Arg(1000)->Arg(10000)->Arg(100000);

// New messages through the dispatch's entry (record, listeners, expiry): MAXTIME 100 s with
// messages 10 ms apart keeps the list at 10,000 records, each message expiring the oldest.
void BM_NewMessagesWithExpiry(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    World w(n, n / 100);
    const Packets p(n, 400000);
    size_t i = 0;
    for (auto _ : state) {
        w.clock.advance(10);
        w.messages.ProcessMessage(p.info[i % p.size()], p.from[i % p.size()], kHeader, 0);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["records"] = w.messages.count();
}
BENCHMARK(BM_NewMessagesWithExpiry)->Arg(10000);

// Messages to the station: each copy is acknowledged through the send function.
void BM_MessagesForTheStation(benchmark::State& state) {
    World w(static_cast<int>(state.range(0)));
    const Packets p(0, 500, QStringLiteral("N0ME"));
    size_t i = 0;
    for (auto _ : state) {
        bool ack = false;
        const size_t k = i++ % p.size();
        benchmark::DoNotOptimize(w.messages.ProcessMessage(p.info[k], p.from[k], kHeader, 0, ack));
    }
    if (w.sent != state.iterations()) state.SkipWithError("not every copy was acknowledged");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MessagesForTheStation)->Arg(10000);

// Whole monitor lines through StationManager::ProcessMonitorText, half new, half duplicates (the
// lines are made before the timing).
void BM_MonitorLinesThroughTheDispatch(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    World w(n, n / 100);
    std::vector<QString> lines;
    for (int i = n; i < n + 200000; ++i) {
        const int k = (i & 1) ? i : i - n / 2;
        lines.push_back(
            QStringLiteral(" 1:Fm %1 To APZEL Via WIDE1-1*,WIDE2-1 <UI pid=F0 Len=30 >[12:%2:%3]\r%4\r")
                .arg(sender(k))
                .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                .arg(i % 60, 2, 10, QLatin1Char('0'))
                .arg(messageInfo(k)));
    }
    size_t i = 0;
    for (auto _ : state) {
        w.clock.advance(10);
        benchmark::DoNotOptimize(w.stations.ProcessMonitorText(lines[i++ % lines.size()], 0));
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["records"] = w.messages.count();
}
BENCHMARK(BM_MonitorLinesThroughTheDispatch)->Arg(10000);

// What one read of a setting costs (every packet reads MYCALL at the moment of use; a new record
// also reads MAXTIME for the expiry and a message for the station TOCALL).
void BM_SettingsRead(benchmark::State& state) {
    World w(0);
    for (auto _ : state) benchmark::DoNotOptimize(read(w.settings, Settings::MYCALL));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SettingsRead);

void BM_FindMessage(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    World w(n);
    int i = 0;
    for (auto _ : state) {
        const int k = (i++ * 7919) % n;
        benchmark::DoNotOptimize(w.messages.FindMessage(sender(k), QStringLiteral("BOB"), k % 99999 + 1));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindMessage)->Arg(10000)->Arg(100000);

// Save and load of msg.dat with 10,000 records.
void BM_SaveAndLoad(benchmark::State& state) {
    World w(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        w.messages.Save();
        w.messages.Load();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SaveAndLoad)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

QP_BENCHMARK_MAIN()
