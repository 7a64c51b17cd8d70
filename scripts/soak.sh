#!/usr/bin/env bash
# The real window under load: the packet engine and APRS-IS simulators replay real traffic at RATE
# lines per second each, the station runs offscreen for SECONDS, and every 10 s it prints its longest
# event-loop stall and its resident memory.
#   scripts/soak.sh [REPLAY_FILE] [RATE] [SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
replay="${1:-$root/../shared/data/aprsis-2012.txt}"
rate="${2:-2500}"
seconds="${3:-180}"
[ -f "$replay" ] || { echo "no replay file $replay" >&2; exit 2; }
build="${BUILD:-$root/build-rel}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQP_TESTS=OFF -DQP_BENCH=OFF >/dev/null
cmake --build "$build" --target quillpad quillpad-cli >/dev/null
home="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$home"' EXIT
cat > "$home/Quillpad.conf" <<CONF
[SETTINGS]
MYCALL=N0QPA
ComputerName=127.0.0.1
Port=28000
[STATUS]
APRSERVER=127.0.0.1:28014
APRSRVCONNECTSTARTUP=1
CONF
"$build/cli/quillpad-cli" engine-sim --listen 127.0.0.1:28000 --ports "1;Port 1 VHF" --replay "$replay" \
    --rate "$rate" --loop >/dev/null &
"$build/cli/quillpad-cli" aprsis-sim --listen 127.0.0.1:28014 --replay "$replay" --rate "$rate" --loop >/dev/null &
sleep 1
QT_QPA_PLATFORM=offscreen "$build/app/quillpad" --home "$home" --watch-load --quit-after "$seconds" ${VERBOSE:+--verbose} ${HEADLESS:+--headless} >/dev/null
