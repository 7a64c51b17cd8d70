// quillpad-cli decode against Dire Wolf's decode_aprs (Debian package direwolf), side by side in
// one run on the same capture: each is run as a user runs it, the capture on standard input and
// the output thrown away, and timed by the wall clock.
//   bench_decode_tool [CAPTURE] [benchmark flags]
// CAPTURE defaults to the APRS-IS capture of the shared data folder beside the project; the
// figure to read is items_per_second (lines) and the ratio of the two times.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

std::string g_capture = QP_SOURCE_DIR "/../shared/data/aprsis-2012.txt";

int64_t lineCount(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    int64_t n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
}

// Runs argv with the capture on standard input and standard output and error to /dev/null;
// false when it could not be started or failed.
bool runOnCapture(const std::vector<std::string>& argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, g_capture.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void timeTool(benchmark::State& state, const std::vector<std::string>& argv) {
    const int64_t lines = lineCount(g_capture);
    if (lines == 0) {
        state.SkipWithError("no capture (pass its path as the first argument)");
        return;
    }
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!runOnCapture(argv)) {
            state.SkipWithError(("could not run " + argv[0]).c_str());
            return;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.SetItemsProcessed(state.iterations() * lines);
}

void BM_DecodeTool_Quillpad(benchmark::State& state) {
    timeTool(state, {QP_CLI_PATH, "decode"});
}
void BM_DecodeTool_DecodeAprs(benchmark::State& state) {
    timeTool(state, {"decode_aprs"});
}
// Five runs of each on the same machine, one tool after the other.
BENCHMARK(BM_DecodeTool_DecodeAprs)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DecodeTool_Quillpad)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc > 1 && argv[1][0] != '-') {
        g_capture = argv[1];
        --argc;
        ++argv;
    }
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
