#!/usr/bin/env bash
# Builds and runs every benchmark; each prints "name: value unit" lines beside its reference
# (bench_autotune: TUNE's time on the air and PEAK's time and final SWR on the simulated station;
# bench_guard: the guard's unkey after the program is killed mid-run, a vanished far end noticed;
# bench_learn: learning 40 m there, and following through the points learned).
# Usage: scripts/bench.sh [build-directory]; Qt's own warnings go to <build>/bench/bench.log.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

scripts/install-deps.sh
scripts/install-board-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target bench_startup bench_latency bench_memories bench_memories_csv bench_tuning_chart bench_rig bench_responsiveness bench_autotune bench_guard bench_learn veltrano-charts

export QT_QPA_PLATFORM=offscreen
# The benchmarks' windows load the charts, which are not beside them.
export VELTRANO_CHARTS="$build/veltrano-charts.so"
for bench in bench_startup bench_latency bench_memories bench_memories_csv bench_tuning_chart bench_rig bench_responsiveness bench_autotune bench_guard bench_learn; do
    echo "== $bench"
    "$build/bench/$bench" 2>> "$build/bench/bench.log"
done
