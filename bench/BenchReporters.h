// Reporters shared by the benchmarks: each keeps Google Benchmark's console
// output and remembers the times it saw, so a benchmark's main can print the
// ratio of our code to its peer library after the run.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace benchreport {

// Wall time per iteration, keyed by the full benchmark name.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) mTimes[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  double Time(const std::string& name) const {
    auto it = mTimes.find(name);
    return it == mTimes.end() ? 0.0 : it->second;
  }

 private:
  std::map<std::string, double> mTimes;
};

// CPU time per iteration keyed by the function name: the median when the run
// was repeated, else the single run's time. Medians resist a noisy machine.
class MedianCollector : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> medians;
  std::map<std::string, double> singles;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const std::string name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") medians[name] = run.GetAdjustedCPUTime();
      } else {
        singles[name] = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Time(const std::string& name) const {
    auto it = medians.find(name);
    if (it != medians.end()) return it->second;
    it = singles.find(name);
    return it != singles.end() ? it->second : 0.0;
  }
};

}  // namespace benchreport
