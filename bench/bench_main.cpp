// Runs every benchmark, then prints each ratio against the reference
// measured in the same run (processor time, so a busy machine skews both
// sides alike), so results compare across machines.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "ratios.h"

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration && run.iterations > 0)
        seconds_[run.benchmark_name()] = run.cpu_accumulated_time / double(run.iterations);
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    std::printf("\nratios (lower is better unless noted):\n");
    for (const mosaicer::bench::Ratio& r : mosaicer::bench::Ratios()) {
      const auto a = seconds_.find(r.measured), b = seconds_.find(r.reference);
      if (a == seconds_.end() || b == seconds_.end() || b->second <= 0) continue;
      std::printf("  %-44s %8.3f  (%s)\n", r.label.c_str(), a->second / b->second,
                  r.target.c_str());
    }
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
