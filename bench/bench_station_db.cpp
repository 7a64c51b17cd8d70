// Station database speed: monitor lines through ProcessMonitorText on realistic mixed traffic with
// databases of different sizes (the cost per line must not grow with the station count), and
// Stations.dat save and load.
#include "aprs/StationManager.h"
#include "bench/BenchMain.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "tests/support/TemporaryStation.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <random>
#include <vector>

namespace {

// The traffic of a busy APRS-IS feed: plain, compressed and Mic-E positions, time-stamped reports,
// objects, weather, status, messages and relayed packets from `stations` distinct senders, 5% of
// the lines statuses and 6% messages.
class TrafficGenerator {
public:
    // With kindPerLine every line picks its kind at random, so stations keep switching between
    // report kinds (and destinations, so heard paths): a worst case no real feed shows.
    explicit TrafficGenerator(int stations, bool kindPerLine = false, uint32_t seed = 7)
        : m_stations(stations), m_kindPerLine(kindPerLine), m_rng(seed) {}

    QString call(int i) const {
        static const char* prefixes[] = {"K", "W", "N", "DL", "G", "VK", "JA", "F"};
        // Three suffix letters count i / 80 in base 26: distinct calls for 1.4 million stations.
        const int n = i / 80;
        const QChar suffix[] = {QChar(u'A' + n / 676 % 26), QChar(u'A' + n / 26 % 26), QChar(u'A' + n % 26)};
        return QStringLiteral("%1%2%3-%4")
            .arg(QLatin1String(prefixes[i % 8]))
            .arg(i / 8 % 10)
            .arg(QString(suffix, 3))
            .arg(i % 16);
    }

    // Each station sends one kind of report, as real ones do (a tracker Mic-E, a weather station
    // weather, a gateway its relayed traffic), and now and then a status or a message. Over all
    // stations: plain 30, compressed 15, Mic-E 15, time-stamped 10, objects 5, weather 8, relayed 6
    // per 89 reports.
    static int reportKind(int station) {
        const int k = static_cast<int>((static_cast<uint32_t>(station) * 2654435761u >> 8) % 89);
        return k < 30 ? 0 : k < 45 ? 1 : k < 60 ? 2 : k < 70 ? 3 : k < 75 ? 4 : k < 83 ? 5 : 8;
    }

    // One monitor line; `second` numbers the header's time of day.
    QString line(int station, int second) {
        const QString from = call(station);
        QString to = QStringLiteral("APRS");
        QString info;
        const double lat = 10 + (station % 7000) * 0.01;
        const double lon = 5 + (station % 9000) * 0.013;
        const int roll = std::uniform_int_distribution<int>(0, 99)(m_rng);
        const int kind =
            m_kindPerLine ? reportKind(std::uniform_int_distribution<int>()(m_rng)) : reportKind(station);
        switch (roll < 5 ? 6 : roll < 11 ? 7 : kind) {
        case 0:
            info = QStringLiteral("!%1/%2-PHG5132 Home station").arg(plainLat(lat), plainLon(lon));
            break;
        case 1:
            info = QStringLiteral("=/5L!!<*e7>7P[Tracker");
            break;
        case 2:
            to = QStringLiteral("TYPS5P");
            info = QStringLiteral("`dYgoXv>/Mobile");
            break;
        case 3:
            info = QStringLiteral("@092345z%1/%2>088/036/A=001234").arg(plainLat(lat), plainLon(lon));
            break;
        case 4:
            info = QStringLiteral(";EV%1 *092345z%2/%3-Event")
                       .arg(station % 1000, 6, 10, QLatin1Char('0'))
                       .arg(plainLat(lat), plainLon(lon));
            break;
        case 5:
            info = QStringLiteral("@092345z%1/%2_090/005g010t066r000p000P000h57b10197")
                       .arg(plainLat(lat), plainLon(lon));
            break;
        case 6:
            info = QStringLiteral(">Monitoring 144.800");
            break;
        case 7:
            info = QStringLiteral(":%1:Hello there{%2")
                       .arg(call(station + 1).leftJustified(9), QString::number(second % 100));
            break;
        default:
            info = QStringLiteral("}%1>APRS,TCPIP,%2*:!%3/%4-Relayed")
                       .arg(call((station + 3) % m_stations), from, plainLat(lat), plainLon(lon));
            break;
        }
        return QStringLiteral("GT:Fm %1 To %2 Via WIDE1-1*,WIDE2-1 <UI pid=F0 Len=%3 >[%4:%5:%6]\r%7\r")
            .arg(from, to, QString::number(info.size()), two(second / 3600 % 24), two(second / 60 % 60),
                 two(second % 60), info);
    }

    // A capture of `count` lines from random senders, stamped from firstSecond on.
    std::vector<QString> capture(int count, int firstSecond = 0) {
        std::vector<QString> lines;
        lines.reserve(static_cast<size_t>(count));
        std::uniform_int_distribution<int> who(0, m_stations - 1);
        for (int i = 0; i < count; ++i) lines.push_back(line(who(m_rng), firstSecond + i));
        return lines;
    }

private:
    static QString two(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }
    static QString plainLat(double lat) {
        const int d = static_cast<int>(lat);
        return QStringLiteral("%1%2N")
            .arg(d, 2, 10, QLatin1Char('0'))
            .arg((lat - d) * 60, 5, 'f', 2, QLatin1Char('0'));
    }
    static QString plainLon(double lon) {
        const int d = static_cast<int>(lon);
        return QStringLiteral("%1%2E")
            .arg(d, 3, 10, QLatin1Char('0'))
            .arg((lon - d) * 60, 5, 'f', 2, QLatin1Char('0'));
    }

    int m_stations;
    bool m_kindPerLine;
    std::mt19937 m_rng;
};

using World = TemporaryStation;

// A database holding exactly `count` stations, one plain position each.
void fill(StationManager& stations, TrafficGenerator& gen, int count) {
    for (int i = 0; i < count; ++i) {
        StationRecord* r = stations.ProcessMonitorText(
            QStringLiteral(
                "GT:Fm %1 To APRS Via WIDE1-1* <UI pid=F0 Len=20 >[00:00:00]\r!4903.50N/07201.75W-\r")
                .arg(gen.call(i)),
            -1);
        if (r) stations.MoveToEnd(r);
    }
}

void processMonitorText(benchmark::State& state, bool kindPerLine) {
    const int stationCount = static_cast<int>(state.range(0));
    World w;
    StationManager& stations = w.stations;
    TrafficGenerator gen(stationCount, kindPerLine);
    fill(stations, gen, stationCount);
    // A running session: every station has been heard a few times over its usual paths, so the
    // timed lines are mostly what a busy feed brings, known stations reporting again.
    for (const QString& line : gen.capture(3 * stationCount, 0))
        if (StationRecord* r = stations.ProcessMonitorText(line, -1)) stations.MoveToEnd(r);
    // Lines are never replayed: a replayed line would meet the duplicate filter and cost less.
    constexpr int kCapture = 40000;
    int firstSecond = 3 * stationCount;
    std::vector<QString> lines = gen.capture(kCapture, firstSecond);
    size_t i = 0;
    int64_t decoded = 0;
    for (auto _ : state) {
        StationRecord* r = stations.ProcessMonitorText(lines[i], -1);
        if (r) {
            stations.MoveToEnd(r);
            ++decoded;
        }
        if (++i == lines.size()) {
            state.PauseTiming();
            firstSecond += kCapture;
            lines = gen.capture(kCapture, firstSecond);
            i = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["stations"] = static_cast<double>(stations.count());
    state.counters["decoded_share"] = static_cast<double>(decoded) / static_cast<double>(state.iterations());
}
void BM_ProcessMonitorText(benchmark::State& state) {
    processMonitorText(state, false);
}
void BM_ProcessMonitorTextKindPerLine(benchmark::State& state) {
    processMonitorText(state, true);
}
BENCHMARK(BM_ProcessMonitorTextKindPerLine)->Arg(1000)->Arg(50000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessMonitorText)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(50000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

// A database as a long session leaves it: every station heard over a couple of paths.
void fillMixed(StationManager& stations, int count) {
    TrafficGenerator gen(count);
    fill(stations, gen, count);
    for (const QString& line : gen.capture(count)) stations.ProcessMonitorText(line, -1);
}

void BM_StationsDatSave(benchmark::State& state) {
    World w;
    StationManager& stations = w.stations;
    fillMixed(stations, static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(stations.Save());
    state.counters["stations"] = stations.count();
    state.counters["file_bytes"] = static_cast<double>(stations.saveData().size());
}
BENCHMARK(BM_StationsDatSave)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_StationsDatLoad(benchmark::State& state) {
    World w;
    {
        StationManager stations(w.home, w.settings, w.clock);
        fillMixed(stations, static_cast<int>(state.range(0)));
        stations.Save();
    }
    double bytesPerStation = 0;
    int loaded = 0;
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        StationManager stations(w.home, w.settings, w.clock);
        stations.Load();
        loaded = stations.count();
        bytesPerStation = static_cast<double>(mallinfo2().uordblks - before) / std::max(loaded, 1);
        state.PauseTiming(); // destruction is not part of loading
        stations.RemoveAll();
        state.ResumeTiming();
    }
    state.counters["stations"] = loaded;
    state.counters["heap_bytes_per_station"] = bytesPerStation;
}
BENCHMARK(BM_StationsDatLoad)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

QP_BENCHMARK_MAIN()
