#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: once normally, once under
# AddressSanitizer and UndefinedBehaviorSanitizer; then runs each fuzz target briefly on its corpus.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"

# Line tables are all the debug information test failures and sanitizer reports need; full
# debug information makes the builds markedly slower. The benchmarks build in a Release folder
# of their own (see the README).
debug_flags=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1)

echo "== build and test"
cmake -S "$root" -B "$root/build-test" -G Ninja "${debug_flags[@]}" -DQP_BENCH=OFF >/dev/null
cmake --build "$root/build-test" -j "$jobs"
ctest --test-dir "$root/build-test" -j "$jobs" --output-on-failure

echo "== sanitizers (address, undefined)"
cmake -S "$root" -B "$root/build-asan" -G Ninja "${debug_flags[@]}" -DQP_SANITIZE=ON -DQP_BENCH=OFF >/dev/null
cmake --build "$root/build-asan" -j "$jobs"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$root/build-asan" -j "$jobs" --output-on-failure

echo "== fuzz targets (briefly, on their seed corpora)"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja "${debug_flags[@]}" \
    -DQP_FUZZ=ON -DQP_TESTS=OFF -DQP_BENCH=OFF -DQP_WERROR=OFF >/dev/null
fuzz_targets=()
for target in "$root"/fuzz/*.cpp; do fuzz_targets+=("$(basename "$target" .cpp)"); done
# Only the fuzz targets and what they link: the windows are not fuzzed.
cmake --build "$root/build-fuzz" -j "$jobs" --target "${fuzz_targets[@]}"
for target in "$root"/fuzz/*.cpp; do
    name="$(basename "$target" .cpp)"
    corpus="$root/fuzz/corpus/$name"
    work="$(mktemp -d)"
    [ -d "$corpus" ] && cp -r "$corpus/." "$work/"
    echo "-- $name"
    ASAN_OPTIONS=detect_leaks=0 "$root/build-fuzz/fuzz/$name" -max_total_time=5 -rss_limit_mb=2048 \
        -print_final_stats=0 "$work" 2>&1 | tail -n 2
    rm -rf "$work"
done
echo "all tests passed"
