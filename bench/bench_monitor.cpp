// The monitor under load, with its window shown (offscreen): frames arriving at 5,000 per second
// as the event loop delivers them, with the coalesced repaints they cause (CPU per frame and the
// share of one core), frames as fast as they can be added, and a full repaint of a 1280x800
// monitor holding 500 lines. Real traffic with --traffic=FILE (server lines, SRC>DST,PATH:info);
// generated traffic otherwise.
#include "platform/HugePageHeap.h"
#include "platform/SettingsStore.h"
#include "ui/MonitorView.h"
#include "ui/TOutputWnd.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <thread>
#include <vector>

namespace {

QString g_trafficFile;

QString header(const QString& from, const QString& to, int length, int n) {
    return QStringLiteral("GT:Fm %1 To %2 Via MYGATE* <UI pid=F0 Len=%3 >[12:%4:%5]")
        .arg(from, to)
        .arg(length)
        .arg(n / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(n % 60, 2, 10, QLatin1Char('0'));
}

ReceivedFrame makeFrame(const QString& from, const QString& to, const QString& info, int n) {
    ReceivedFrame f;
    f.text =
        header(from, to, static_cast<int>(info.size()), n) + QLatin1Char('\r') + info + QLatin1Char('\r');
    f.length = static_cast<int>(info.size());
    f.port = -1;
    f.fromInternet = 1;
    return f;
}

// Two-line frames in the shapes a server sends: positions, Mic-E, status, weather, objects,
// messages; every 50th one the station's own.
std::vector<ReceivedFrame> generatedFrames(int count) {
    static const char* const kInfo[] = {
        "!4903.50N/07201.75W-PHG5130 Home station, 145.800 MHz",
        "`(_fn\"Oj/]\"4R}Mobile on the motorway=",
        ">181727zUI-View32 V2.03 Operational",
        "@181727z3933.45N/10746.15W_270/000g000t087r000p000P000b09986h15",
        ";W7QHD    *031716z3215.16N/11056.43WN",
        ":BLN1     :Net tonight at 20:00 on the 2 m repeater{001",
        "=4218.23N/08514.88WrCQ FLD DAY W8DF 4A MI",
        "'MLl h/]=",
    };
    std::vector<ReceivedFrame> frames;
    frames.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const QString from = QStringLiteral("N%1CALL-%2").arg(i % 97).arg(i % 15 + 1);
        frames.push_back(makeFrame(from, QStringLiteral("APRS"), QString::fromLatin1(kInfo[i % 8]), i));
        if (i % 50 == 0) frames.back().ownTransmission = 1;
    }
    return frames;
}

std::vector<ReceivedFrame> trafficFrames(int count) {
    QFile file(g_trafficFile);
    if (g_trafficFile.isEmpty() || !file.open(QIODevice::ReadOnly)) return generatedFrames(count);
    std::vector<ReceivedFrame> frames;
    while (!file.atEnd() && static_cast<int>(frames.size()) < count) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const qsizetype gt = line.indexOf(QLatin1Char('>')), colon = line.indexOf(QLatin1Char(':'));
        if (gt <= 0 || colon < gt) continue;
        const QString to = line.mid(gt + 1, colon - gt - 1).section(QLatin1Char(','), 0, 0);
        frames.push_back(makeFrame(line.left(gt), to, line.mid(colon + 1), static_cast<int>(frames.size())));
    }
    return frames.empty() ? generatedFrames(count) : frames;
}

// A monitor on the (offscreen) screen, as the program shows it.
struct ShownMonitor {
    QTemporaryDir dir;
    SettingsStore settings{dir.path() + QStringLiteral("/Quillpad.conf")};
    MonitorView view{settings};
    int paints = 0;

    struct PaintCounter : QObject {
        int* count;
        explicit PaintCounter(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++*count;
            return false;
        }
    } counter{&paints};

    explicit ShownMonitor(QSize size) {
        view.setOwnCalls(QStringLiteral("N0CALL"), QStringLiteral("N0CALL-9"));
        view.output()->viewport()->installEventFilter(&counter);
        view.resize(size);
        view.show();
        for (int i = 0; i < 10; ++i) QCoreApplication::processEvents();
    }
};

double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// 5,000 frames per second in bursts of ten every 2 ms, the event loop running in between (its
// coalesced repaints included). CPU time per frame must stay under 20 us: 10% of a core.
void MonitorAppend(benchmark::State& state) {
    ShownMonitor m(QSize(1280, 740));
    const auto frames = trafficFrames(5000);
    constexpr int kPerSecond = 5000, kBurst = 10;
    const auto period = std::chrono::microseconds(1'000'000 * kBurst / kPerSecond);
    size_t i = 0;
    const int paintsBefore = m.paints;
    const double cpuStart = processCpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    auto due = wallStart;
    for (auto _ : state) {
        if (i % kBurst == 0) {
            due += period;
            std::this_thread::sleep_until(due);
            QCoreApplication::processEvents();
        }
        m.view.addFrame(frames[i++ % frames.size()]);
    }
    QCoreApplication::processEvents();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const double cpu = processCpuSeconds() - cpuStart;
    state.SetItemsProcessed(state.iterations());
    state.counters["cpu_us_per_frame"] = cpu * 1e6 / static_cast<double>(state.iterations());
    state.counters["core_share_pct"] = 100.0 * cpu / wall;
    state.counters["repaints_per_s"] = (m.paints - paintsBefore) / wall;
}
BENCHMARK(MonitorAppend)->Iterations(25000)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

// Frames as fast as they come, the event loop running every 100 frames.
void MonitorAppendBurst(benchmark::State& state) {
    ShownMonitor m(QSize(1280, 740));
    const auto frames = trafficFrames(5000);
    size_t i = 0;
    for (auto _ : state) {
        m.view.addFrame(frames[i++ % frames.size()]);
        if (i % 100 == 0) QCoreApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(MonitorAppendBurst)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

// A full repaint of a 1280x800 monitor with 500 lines: Arg 0 the lines already laid out (an
// expose), Arg 1 every visible line new since the last repaint (the worst case while following).
void MonitorFullRepaint(benchmark::State& state) {
    ShownMonitor m(QSize(1280, 800));
    const auto frames = trafficFrames(5000);
    size_t i = 0;
    while (m.view.output()->lineCount() < TOutputWnd::kMaxLines) m.view.addFrame(frames[i++ % frames.size()]);
    QCoreApplication::processEvents();
    const bool fresh = state.range(0) != 0;
    const int rows = m.view.output()->viewport()->height() / m.view.output()->lineHeight() + 1;
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            for (int k = 0; k < rows; k += 2) m.view.addFrame(frames[i++ % frames.size()]);
            state.ResumeTiming();
        }
        m.view.output()->viewport()->repaint();
    }
    state.counters["lines"] = m.view.output()->lineCount();
    state.counters["visible_rows"] = rows;
}
BENCHMARK(MonitorFullRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    restartWithHugePageHeap(argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // --traffic=FILE is ours; the rest belongs to the benchmark library.
    std::vector<char*> args;
    for (int k = 0; k < argc; ++k) {
        const QByteArray arg(argv[k]);
        if (arg.startsWith("--traffic="))
            g_trafficFile = QString::fromLocal8Bit(arg.mid(10));
        else
            args.push_back(argv[k]);
    }
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    QApplication app(count, args.data());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
    benchmark::AddCustomContext("heap_on_huge_pages", heapOnHugePages() ? "yes" : "no");
    benchmark::AddCustomContext("traffic",
                                g_trafficFile.isEmpty() ? "generated" : g_trafficFile.toStdString());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
