#!/usr/bin/env bash
# Installs what is missing, builds the station and runs it with the arguments given
# (for example: scripts/run.sh --home /tmp/q --headless).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQP_TESTS=OFF >/dev/null
cmake --build "$root/build" --target quillpad quillpad-cli
exec "$root/build/app/quillpad" "$@"
