// TwisterRandom against the standard library's MT19937 on the same stream of
// draws. Reports each time per draw and the ratio ours / std.
#include <benchmark/benchmark.h>

#include "bench/BenchReporters.h"

#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "shell/base/TwisterRandom.h"

static void BM_TwisterRandomNext(benchmark::State& state) {
  Kivo::TwisterRandom r;
  for (auto _ : state) benchmark::DoNotOptimize(r.Next());
}
BENCHMARK(BM_TwisterRandomNext);

static void BM_StdMt19937(benchmark::State& state) {
  std::mt19937 r(4357);
  for (auto _ : state) benchmark::DoNotOptimize(r() & 0x7FFFFFFFu);
}
BENCHMARK(BM_StdMt19937);

namespace {

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchreport::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double ours = reporter.Time("BM_TwisterRandomNext");
  const double theirs = reporter.Time("BM_StdMt19937");
  if (ours > 0 && theirs > 0) std::printf("ratio TwisterRandom / std::mt19937: %.2f\n", ours / theirs);
  benchmark::Shutdown();
  return 0;
}
