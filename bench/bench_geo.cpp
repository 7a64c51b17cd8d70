// Geodetic math and coordinate texts: the station list computes a distance and a bearing per
// station on every refresh, and the dialogs and the GPS reader format coordinates all the time.
#include "bench/BenchMain.h"
#include "gps/CoordText.h"
#include "gps/GPSReader.h"
#include "gps/GeoCalc.h"
#include "gps/GpsdJson.h"
#include "gps/Maidenhead.h"
#include "gps/MicEEncoder.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

struct Point {
    double lat, lon;
};

// Points spread over the globe, all four quadrants.
std::vector<Point> points() {
    std::vector<Point> p;
    for (int i = 0; i < 1024; ++i)
        p.push_back({-89.0 + (i * 37 % 1780) / 10.0, -179.0 + (i * 53 % 3580) / 10.0});
    return p;
}

void BM_GreatCircleDistance(benchmark::State& state) {
    const auto p = points();
    GeoCalc g;
    size_t i = 0;
    for (auto _ : state) {
        const Point& a = p[i % p.size()];
        const Point& b = p[(i + 1) % p.size()];
        benchmark::DoNotOptimize(g.distanceKm(a.lat, a.lon, b.lat, b.lon));
        ++i;
    }
}
BENCHMARK(BM_GreatCircleDistance);

void BM_Bearing(benchmark::State& state) {
    const auto p = points();
    GeoCalc g;
    size_t i = 0;
    for (auto _ : state) {
        const Point& a = p[i % p.size()];
        const Point& b = p[(i + 1) % p.size()];
        benchmark::DoNotOptimize(g.bearing(a.lat, a.lon, b.lat, b.lon));
        ++i;
    }
}
BENCHMARK(BM_Bearing);

void BM_VincentyDistance(benchmark::State& state) {
    const auto p = points();
    GeoCalc g;
    size_t i = 0;
    for (auto _ : state) {
        const Point& a = p[i % p.size()];
        const Point& b = p[(i + 1) % p.size()];
        benchmark::DoNotOptimize(g.ellipsoidalDistanceKm(a.lat, a.lon, b.lat, b.lon));
        ++i;
    }
}
BENCHMARK(BM_VincentyDistance);

void BM_LatitudeText(benchmark::State& state) {
    const auto p = points();
    const int form = static_cast<int>(state.range(0));
    size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(Coord::latitudeText(p[i++ % p.size()].lat, form));
}
BENCHMARK(BM_LatitudeText)
    ->Arg(Coord::DegreesDecimalMinutes)
    ->Arg(Coord::Decimal)
    ->Arg(Coord::Aprs)
    ->Arg(Coord::Location);

void BM_CoordTextFromAprsPosition(benchmark::State& state) {
    const QString text = QStringLiteral("!3730.00S/02345.00E>");
    for (auto _ : state) benchmark::DoNotOptimize(CoordText::tryFromAprsPosition(text));
}
BENCHMARK(BM_CoordTextFromAprsPosition);

void BM_Maidenhead(benchmark::State& state) {
    const auto p = points();
    size_t i = 0;
    for (auto _ : state) {
        const Point& a = p[i++ % p.size()];
        benchmark::DoNotOptimize(Maidenhead::locator(a.lat, a.lon));
    }
}
BENCHMARK(BM_Maidenhead);

// One gpsd TPV line to texts and a Mic-E report: the work per GPS fix.
void BM_GpsFixToMicE(benchmark::State& state) {
    const QByteArray tpv =
        R"({"class":"TPV","device":"/dev/ttyUSB0","mode":3,"time":"2026-01-15T12:00:05.000Z",)"
        R"("lat":40.598333,"lon":22.97,"altHAE":48.0,"altMSL":12.0,"track":45.0,"speed":5.14})";
    GpsPosition position;
    GpsTexts texts;
    int valid = 0;
    for (auto _ : state) {
        GpsdJson::apply(tpv, position);
        GPSReader::processPosition(position, texts, valid);
        benchmark::DoNotOptimize(
            MicEEncoder::encode(texts.aprsLatitude, texts.aprsLongitude, 45, 10, 12, '>', '/'));
    }
}
BENCHMARK(BM_GpsFixToMicE);

} // namespace

QP_BENCHMARK_MAIN()
