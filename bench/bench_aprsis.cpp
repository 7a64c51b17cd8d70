// Lines per second from the APRS-IS byte stream into the station database: line splitting, the
// server-line conversion, and decoding through StationManager::ProcessMonitorText.
#include "aprs/StationManager.h"
#include "aprsis/ServerLine.h"
#include "aprsis/ServerLineReader.h"
#include "bench/BenchMain.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "tests/support/TemporaryStation.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {
// A feed of distinct stations in the shapes a server sends: plain, Mic-E, status, weather.
QByteArray makeFeed(int lines) {
    QByteArray feed;
    for (int i = 0; i < lines; ++i) {
        const QByteArray call = "N" + QByteArray::number(i % 5000) + "QP";
        const int lat = 1000 + (i * 7) % 8000, lon = 1000 + (i * 13) % 17000;
        switch (i % 4) {
        case 0:
            feed += call + ">APRS,TCPIP*,qAC,T2TEST:!" + QByteArray::number(lat / 100 + 10) + "03.50N/" +
                    QByteArray::number(lon / 100 + 100) + "01.75W-Plain position " + QByteArray::number(i) +
                    "\r\n";
            break;
        case 1:
            feed += call + "-9>S32U6T,WIDE1-1,qAR,N0GATE:`(_fn\"Oj/]Mobile " + QByteArray::number(i) + "\r\n";
            break;
        case 2:
            feed += call + ">APZEL,TCPIP*,qAC,T2TEST:>Status text number " + QByteArray::number(i) + "\r\n";
            break;
        default:
            feed +=
                call + "-13>APRS,TCPIP*,qAC,T2TEST:_10090556c220s004g005t077r000p000P000h50b09900wRSW\r\n";
        }
    }
    return feed;
}
} // namespace

static void BM_ServerLinesIntoStationDatabase(benchmark::State& state) {
    TemporaryStation station;
    StationManager& stations = station.stations;
    const QByteArray feed = makeFeed(20000);
    std::int64_t lines = 0;
    for (auto _ : state) {
        ServerLineReader reader;
        std::vector<QByteArray> split;
        // The feed arrives in reads of about 500 bytes, as a socket gives it.
        for (qsizetype at = 0; at < feed.size(); at += 500)
            reader.feed(QByteArrayView(feed.constData() + at, std::min<qsizetype>(500, feed.size() - at)),
                        split);
        for (const QByteArray& line : split) {
            if (auto monitor = serverLineToMonitorLine(line, station.clock.nowUtc().time())) {
                if (StationRecord* r = stations.ProcessMonitorText(*monitor, -1)) stations.MoveToEnd(r);
            }
        }
        lines += static_cast<std::int64_t>(split.size());
        station.clock.advance(1000); // a new second, so the duplicate filter lets the repeats through
    }
    state.counters["lines_per_second"] =
        benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
    state.counters["stations"] = stations.count();
}
BENCHMARK(BM_ServerLinesIntoStationDatabase)->Unit(benchmark::kMillisecond);

QP_BENCHMARK_MAIN()
