// Station track appends per second: a weather station heard every second (every append writes), a
// fixed station beaconing in place (every append reads the last point and stops), a moving
// station; end to end from a monitor line; and reading and trimming a day-long track.
#include "aprs/StationManager.h"
#include "aprs/StationRecord.h"
#include "aprs/StationTracks.h"
#include "bench/BenchMain.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "tests/support/TemporaryStation.h"

#include <QFile>
#include <benchmark/benchmark.h>

namespace {

struct World : TemporaryStation {
    World() : TemporaryStation(Tracks::Plugged) {}
};

const QDateTime kStart(QDate(2026, 1, 15), QTime(0, 0), Qt::UTC);

StationRecord station(const QString& call, int type) {
    StationRecord r;
    r.call = call;
    r.stationType = type;
    r.latitude = 49.0583;
    r.longitude = -72.0292;
    r.lastHeard = SystemTime::fromDateTime(kStart);
    return r;
}

void BM_AppendWeatherEverySecond(benchmark::State& state) {
    World w;
    StationRecord r = station(QStringLiteral("WX1ABC"), StationType::Weather);
    r.weather.temperature = 77;
    qint64 i = 0;
    for (auto _ : state) {
        r.lastHeard = SystemTime::fromDateTime(kStart.addSecs(++i));
        w.tracks.appendTrackPoint(r);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendWeatherEverySecond);

void BM_AppendFixedInPlace(benchmark::State& state) {
    World w;
    StationRecord r = station(QStringLiteral("N0CALL"), StationType::Fixed);
    w.tracks.appendTrackPoint(r);
    qint64 i = 0;
    for (auto _ : state) {
        r.lastHeard = SystemTime::fromDateTime(kStart.addSecs(++i));
        w.tracks.appendTrackPoint(r); // has not moved: nothing written
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendFixedInPlace);

void BM_AppendMoving(benchmark::State& state) {
    World w;
    StationRecord r = station(QStringLiteral("CAR1"), StationType::Mobile);
    qint64 i = 0;
    for (auto _ : state) {
        ++i;
        r.lastHeard = SystemTime::fromDateTime(kStart.addSecs(i));
        r.latitude = 49.0 + static_cast<double>(i % 1000) * 1e-4;
        w.tracks.appendTrackPoint(r);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendMoving);

// A positionless weather report from a monitor line to its track point.
void BM_WeatherLineWithTrack(benchmark::State& state) {
    World w;
    for (auto _ : state) {
        w.clock.advance(1000);
        const QString line = QStringLiteral("00:Fm WX1ABC To APRS Via WIDE2-1* <UI pid=F0 Len=50 >[%1]\r"
                                            "_10090556c220s004g005t077r000p000P000h50b09900wRSW\r")
                                 .arg(w.clock.nowUtc().time().toString(u"hh:mm:ss"));
        benchmark::DoNotOptimize(w.stations.ProcessMonitorText(line, 0));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WeatherLineWithTrack);

// A day of one point a second: 86,400 points, 10 MB.
void fillDay(World& w, StationRecord& r) {
    for (int s = 0; s < 86400; ++s) {
        r.lastHeard = SystemTime::fromDateTime(kStart.addSecs(s));
        w.tracks.appendTrackPoint(r);
    }
}

void BM_ReadDayTrack(benchmark::State& state) {
    World w;
    StationRecord r = station(QStringLiteral("WX1ABC"), StationType::Weather);
    fillDay(w, r);
    for (auto _ : state) benchmark::DoNotOptimize(w.tracks.readTrack(r.call));
    state.SetItemsProcessed(state.iterations() * 86400);
}
BENCHMARK(BM_ReadDayTrack)->Unit(benchmark::kMillisecond);

void BM_TrimDayTrackTo45Minutes(benchmark::State& state) {
    World w;
    StationRecord r = station(QStringLiteral("WX1ABC"), StationType::Weather);
    fillDay(w, r);
    const QString path = w.tracks.trackPath(r.call);
    const QString copy = path + QStringLiteral(".orig");
    QFile::copy(path, copy);
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(path);
        QFile::copy(copy, path);
        state.ResumeTiming();
        w.tracks.trimTrack(r, 45);
    }
    state.SetItemsProcessed(state.iterations() * 86400);
}
BENCHMARK(BM_TrimDayTrackTo45Minutes)->Unit(benchmark::kMillisecond);

} // namespace

QP_BENCHMARK_MAIN()
