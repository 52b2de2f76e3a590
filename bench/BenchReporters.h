// Reporters shared by the benchmarks: each keeps Google Benchmark's console
// output and remembers the CPU times it saw, so a benchmark's main can print
// the ratio of our code to its peer library after the run and fail when a
// gated ratio misses its target.
//
// Times are CPU time per iteration (one basis for every binary: the machine
// is shared and wall time counts other processes' work). A case's time is
// the median aggregate when Google Benchmark reports one, else the median of
// the repetitions it saw, so ratios come out whether the run was repeated or
// not and whether only aggregates were reported or not.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace benchreport {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      // The function name is the registered name without the repetition or
      // aggregate suffixes ("_median", "/repeats:5") the full name carries.
      const std::string name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") mMedians[name] = Milliseconds(run);
      } else {
        mSamples[name].push_back(Milliseconds(run));
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // CPU milliseconds per iteration, 0 when the case did not run.
  double Time(const std::string& name) const {
    auto median = mMedians.find(name);
    if (median != mMedians.end()) return median->second;
    auto samples = mSamples.find(name);
    if (samples == mSamples.end() || samples->second.empty()) return 0.0;
    std::vector<double> sorted = samples->second;
    std::sort(sorted.begin(), sorted.end());
    const size_t n = sorted.size();
    return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
  }

 private:
  static double Milliseconds(const Run& run) {
    return run.GetAdjustedCPUTime() * 1000.0 / benchmark::GetTimeUnitMultiplier(run.time_unit);
  }
  std::map<std::string, double> mMedians;
  std::map<std::string, std::vector<double>> mSamples;
};

// The gated and reported ratios of one binary. Each row compares our case
// with a peer's (ratio = peer time / our time, higher is better); a row with
// target 0 is reported only. Rows print as a Markdown table whose lines
// start with "| ", which bench/run_all.sh gathers from every binary.
class GateTable {
 public:
  explicit GateTable(const RatioReporter& reporter) : mReporter(reporter) {}

  // Returns the ratio, or 0 when either side did not run (filtered out).
  double Add(const std::string& caseName, const std::string& ours, const std::string& peerLabel,
             const std::string& peer, double target) {
    const double ourTime = mReporter.Time(ours), peerTime = mReporter.Time(peer);
    if (ourTime <= 0.0 || peerTime <= 0.0) return 0.0;
    Row row{caseName, peerLabel, ourTime, peerTime, peerTime / ourTime, target};
    mRows.push_back(row);
    return row.ratio;
  }
  // A row judged on our time alone (a budget in ms, not a peer): met when under it.
  void AddBudget(const std::string& caseName, const std::string& ours, double budget) {
    const double ourTime = mReporter.Time(ours);
    if (ourTime <= 0.0) return;
    mRows.push_back(Row{caseName, "budget", ourTime, budget, budget / ourTime, 1.0});
  }

  // Prints the table and returns the exit code: 1 when a gated row missed.
  int Finish() const {
    bool missed = false;
    std::printf("\n| case | project | peer | peer time | ratio | target | met |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (const Row& r : mRows) {
      const bool gated = r.target > 0.0;
      const bool met = !gated || r.ratio >= r.target;
      missed |= !met;
      char target[32];
      if (gated)
        std::snprintf(target, sizeof(target), ">= %.2fx", r.target);
      else
        std::snprintf(target, sizeof(target), "reported");
      std::printf("| %s | %s | %s | %s | %.2fx | %s | %s |\n", r.caseName.c_str(), Duration(r.ours).c_str(),
                  r.peerLabel.c_str(), Duration(r.peer).c_str(), r.ratio, target, gated ? (met ? "yes" : "NO") : "-");
    }
    if (mRows.empty()) std::printf("(no case ran with its peer)\n");
    return missed ? 1 : 0;
  }

 private:
  static std::string Duration(double ms) {
    char text[32];
    if (ms >= 1.0)
      std::snprintf(text, sizeof(text), "%.3f ms", ms);
    else if (ms >= 1e-3)
      std::snprintf(text, sizeof(text), "%.2f us", ms * 1e3);
    else
      std::snprintf(text, sizeof(text), "%.2f ns", ms * 1e6);
    return text;
  }
  struct Row {
    std::string caseName, peerLabel;
    double ours, peer, ratio, target;
  };
  const RatioReporter& mReporter;
  std::vector<Row> mRows;
};

}  // namespace benchreport
