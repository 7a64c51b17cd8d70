// Position decodes per second, per format: the decoders on their own (find or update one of 1000
// stations, no track files) and the pure field parsers.
#include "aprs/Base91.h"
#include "aprs/MicE.h"
#include "aprs/PositionDecoders.h"
#include "aprs/PositionFields.h"
#include "aprs/StationManager.h"
#include "bench/BenchMain.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "platform/StationHome.h"
#include "tests/support/TemporaryStation.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

constexpr int kStations = 1000;

struct World : TemporaryStation {
    std::vector<QString> calls;
    World() {
        for (int i = 0; i < kStations; ++i)
            calls.push_back(QStringLiteral("N%1CALL-%2").arg(i / 16).arg(i % 16));
    }
};

using Decoder = StationRecord* (*)(DecodeContext&);

void runDecoder(benchmark::State& state, Decoder decode, const QString& info, const QString& to) {
    World w;
    const QString header =
        QStringLiteral("00:Fm N0CALL To %1 Via WIDE1-1*,WIDE2-1 <UI pid=F0 Len=40 >[12:00:00]").arg(to);
    DecodeContext ctx{w.stations, info, QStringView(), to, header, info, 0, 1};
    int i = 0;
    for (auto _ : state) {
        ctx.from = w.calls[static_cast<size_t>(i)];
        ctx.checksum = static_cast<uint32_t>(i);
        if (++i == kStations) i = 0;
        benchmark::DoNotOptimize(decode(ctx));
    }
    if (!decode(ctx)) state.SkipWithError("packet not decoded");
    state.SetItemsProcessed(state.iterations());
}

void BM_Uncompressed(benchmark::State& s) {
    runDecoder(s, decodeUncompressedPosition,
               QStringLiteral("!4903.50N/07201.75W>090/036/A=001234 PHG5132 mobile"), QStringLiteral("APRS"));
}
void BM_Timestamped(benchmark::State& s) {
    runDecoder(s, decodeTimestampedPosition,
               QStringLiteral("@092345z4903.50N/07201.75W>090/036/A=001234 mobile"), QStringLiteral("APRS"));
}
void BM_Compressed(benchmark::State& s) {
    runDecoder(s, decodeCompressedPosition, QStringLiteral("=/5L!!<*e7>7P[compressed tracker"),
               QStringLiteral("APRS"));
}
void BM_MicE(benchmark::State& s) {
    runDecoder(s, decodeMicE, QStringLiteral("`dYgoXv>/]\"4{}Mic-E mobile"), QStringLiteral("TYPS5P"));
}
void BM_GprsTracker(benchmark::State& s) {
    runDecoder(s, decodeGprsTracker, QStringLiteral("Zel^49.5^-72.75^7^1234.7^12.5^270.9^/>"),
               QStringLiteral("APZEL"));
}
BENCHMARK(BM_Uncompressed);
BENCHMARK(BM_Timestamped);
BENCHMARK(BM_Compressed);
BENCHMARK(BM_MicE);
BENCHMARK(BM_GprsTracker);

void BM_ParsePlainPosition(benchmark::State& state) {
    const QString info = QStringLiteral("!4903.50N/07201.75W>090/036");
    for (auto _ : state) benchmark::DoNotOptimize(parsePlainPosition(info));
    state.SetItemsProcessed(state.iterations());
}
void BM_ParseCompressedPosition(benchmark::State& state) {
    const QString block = QStringLiteral("/5L!!<*e7>7P[");
    for (auto _ : state) benchmark::DoNotOptimize(parseCompressedPosition(block));
    state.SetItemsProcessed(state.iterations());
}
void BM_DecodeMicEFields(benchmark::State& state) {
    const QString to = QStringLiteral("TYPS5P");
    const QString info = QStringLiteral("`dYgoXv>/]\"4{}Mic-E mobile");
    for (auto _ : state) benchmark::DoNotOptimize(decodeMicEFields(QStringView(to), QStringView(info)));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParsePlainPosition);
BENCHMARK(BM_ParseCompressedPosition);
BENCHMARK(BM_DecodeMicEFields);

} // namespace

QP_BENCHMARK_MAIN()
