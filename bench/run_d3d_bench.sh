#!/usr/bin/env bash
# Builds (in BUILD, default build/bench) and runs the software 3D device
# benchmark on one core: five repetitions of at least 0.5 s per case,
# judged on the medians. Exits non-zero when a gated case misses its
# target. Not part of ./test. Usage: bench/run_d3d_bench.sh [BUILD] [args...]
set -euo pipefail
case "${1:-}" in
  -h | --help) echo "usage: bench/run_d3d_bench.sh [BUILD] [benchmark args...] (BUILD default build/bench)"; exit 0 ;;
esac
cd "$(dirname "$0")/.."
build="${1:-build/bench}"
shift || true
exec bench/run_all.sh "$build" --only d3d_raster "$@"
