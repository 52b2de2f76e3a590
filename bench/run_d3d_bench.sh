#!/usr/bin/env bash
# Builds and runs the software 3D device benchmark on one core: five
# repetitions of at least 0.5 s per case, judged on the medians. Fails when a
# gated case misses its target. Not part of ./test.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DKIVO_BENCH=ON -DKIVO_TESTS=OFF >/dev/null
cmake --build build/bench -j4 --target bench_d3d_raster
exec taskset -c "${BENCH_CPU:-0}" build/bench/bench/bench_d3d_raster \
  --benchmark_min_time=0.5 --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
