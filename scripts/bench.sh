#!/usr/bin/env bash
# Builds the game and its benchmark for release and measures the frame: first
# headless, each half of a frame at rest and at stress load against the cost of
# presenting the screen; then the real program in a real X window of an X
# server the measurement starts itself: its own and the server's CPU time per
# presented frame and the memory it holds, during a scripted match, against
# the cheapest present of the platform (bench/xshm_floor.cpp).
# Arguments go to the headless benchmark (--benchmark_filter=..., --quick).
# Take figures on a quiet machine: the load average is printed with them.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
zoltr_install "${ZOLTR_PACKAGES[@]}" libbenchmark-dev libx11-dev libxext-dev xvfb xauth xdotool x11-utils imagemagick

BUILD=$PWD/build-bench-release
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOLTR_TESTS=OFF -DZOLTR_BENCH=ON >/dev/null
cmake --build "$BUILD" -j2

load=$(cut -d' ' -f1 /proc/loadavg)
if awk -v l="$load" 'BEGIN { exit !(l >= 1.0) }'; then
    echo "warning: load average $load; the figures will be noisy (wait for a quiet machine)" >&2
fi

OUT=$(mktemp /tmp/zoltr-bench-XXXXXX.txt)
trap 'rm -f "$OUT"' EXIT
ARENA=$(cd game && "$BUILD/bench/zoltr_bench" --richest-arena)
(cd game && "$BUILD/bench/zoltr_bench" --arena="$ARENA" --benchmark_color=false "$@") | tee "$OUT"
bash bench/window_cpu.sh "$BUILD/zoltr" "$BUILD/bench/zoltr_xshm_floor" "$BUILD/bench/libzoltr_present_count.so" \
    game 20 5 "$ARENA" | tee -a "$OUT"

echo
echo "================ summary ================"
sed -n -e '/^Frame cost on/,/^  allocations/p' -e '/^Real window/,$p' "$OUT"
