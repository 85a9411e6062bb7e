// The run rows of a benchmark report, for reporters that check rates against targets. With
// --benchmark_repetitions a report also carries aggregate rows (_mean, _median, _stddev, _cv),
// whose counters and times are statistics of the runs and not runs: a standard deviation read as
// a rate is far below any target. These keep the run rows alone and give each benchmark's median
// over its runs (its one run without repetitions). Under --benchmark_display_aggregates_only the
// console reporter is handed no run rows, and nothing is kept.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace benchrows {

class RunMedians {
 public:
  using Run = benchmark::BenchmarkReporter::Run;

  // Keeps value(run) of every run row that ran and for which value gives a positive number.
  template <class Value>
  void Add(const std::vector<Run>& runs, Value&& value) {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const double v = value(run);
      if (!(v > 0)) continue;
      const std::string name = run.benchmark_name();
      auto it = std::find_if(values_.begin(), values_.end(),
                             [&](const auto& entry) { return entry.first == name; });
      if (it == values_.end()) it = values_.insert(values_.end(), {name, {}});
      it->second.push_back(v);
    }
  }

  // Each benchmark's median, in the order they first reported.
  std::vector<std::pair<std::string, double>> Medians() const {
    std::vector<std::pair<std::string, double>> out;
    for (auto [name, values] : values_) {
      std::sort(values.begin(), values.end());
      const size_t n = values.size();
      out.emplace_back(name, n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
    }
    return out;
  }

 private:
  std::vector<std::pair<std::string, std::vector<double>>> values_;
};

}  // namespace benchrows
