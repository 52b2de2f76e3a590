#!/usr/bin/env bash
# Builds the benchmarks if needed (Release, in BUILD, default build/bench),
# runs every benchmark binary on one core (BENCH_CPU, default the least busy
# core over a second's look) with five repetitions of at least 0.5 s per
# case after a warm-up, and prints one table of every gated and reported
# ratio: case, project, peer, ratio, target, met.
# Ratios are peer time / project time from the medians of CPU time, peer and
# project measured in the same run. The repetitions of every case are run in
# a shuffled, interleaved order, so a stretch of load from other processes
# falls on ours and the peer's alike instead of on one side of a ratio.
# Exits 1 when any gate missed, 2 when a binary failed to run. Not part of
# ./test.
#
# Usage: bench/run_all.sh [BUILD] [--only NAME] [extra benchmark args...]
set -euo pipefail
usage() {
  echo "usage: bench/run_all.sh [BUILD] [--only NAME] [extra benchmark args...]"
  echo "  BUILD        the benchmark build folder (default build/bench; made when missing)"
  echo "  --only NAME  one binary, bench_NAME"
  echo "  BENCH_CPU    the core to run on (default: the least busy one)"
}

# The core that was idle longest over one second of /proc/stat.
least_busy_cpu() {
  local before after
  before=$(grep '^cpu[0-9]' /proc/stat)
  sleep 1
  after=$(grep '^cpu[0-9]' /proc/stat)
  paste <(echo "$before") <(echo "$after") |
    awk '{ n = NF / 2; idle = ($(n + 5) + $(n + 6)) - ($5 + $6); print idle, substr($1, 4) }' |
    sort -k1,1nr | head -1 | cut -d' ' -f2
}
case "${1:-}" in
  -h | --help) usage; exit 0 ;;
  -*) [[ "$1" == "--only" ]] || { usage >&2; exit 2; } ;;
esac
cd "$(dirname "$0")/.."
build=build/bench
if [[ $# -gt 0 && "$1" != --only ]]; then
  build=$1
  shift
fi
only=""
if [[ "${1:-}" == "--only" ]]; then
  only="$2"
  shift 2
fi
benches=(d3d_raster particles image_blit display_blit image_decode audio_mixer random level_frame)
[[ -n "$only" ]] && benches=("$only")

if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKIVO_BENCH=ON -DKIVO_TESTS=OFF >/dev/null
fi
targets=()
for b in "${benches[@]}"; do targets+=(--target "bench_$b"); done
cmake --build "$build" -j4 "${targets[@]}" >/dev/null

logs="$build/bench/logs"
mkdir -p "$logs"
rows="$logs/table.md"
: >"$rows"
cpu=${BENCH_CPU:-$(least_busy_cpu)}
echo "running on core $cpu" >&2
status=0
for b in "${benches[@]}"; do
  log="$logs/$b.txt"
  echo "== $b (log: $log)" >&2
  set +e
  taskset -c "$cpu" "$build/bench/bench_$b" --benchmark_min_time=0.5 --benchmark_repetitions=5 \
    --benchmark_min_warmup_time=0.1 --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true --benchmark_color=false "$@" >"$log" 2>&1
  code=$?
  set -e
  if [[ $code -eq 1 ]]; then
    status=$((status > 1 ? status : 1))
  elif [[ $code -ne 0 ]]; then
    echo "bench_$b failed to run (exit $code); see $log" >&2
    status=2
  fi
  grep '^| ' "$log" | grep -v '^| case ' >>"$rows" || true
done

echo
echo "| case | project | peer | peer time | ratio | target | met |"
echo "|---|---|---|---|---|---|---|"
grep -v '^|---' "$rows" || true
if [[ $status -eq 0 ]]; then
  echo "every gate met"
else
  echo "gates missed: $(grep -c '| NO |$' "$rows" || true)"
fi
exit $status
