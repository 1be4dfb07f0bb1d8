#pragma once
// Side-by-side figures: a benchmark program names pairs (ours, the peer's) and, after the run,
// prints how fast ours is against the peer, measured in the same run (the machine is shared, so
// only ratios of one run compare, and of CPU time, which other loads disturb least). A ratio
// above 1 means ours is faster.
//
//   ZEPHSE_BENCH_RATIO("BM_Crc32_Zcl", "BM_Crc32_Zlib", 1.0);   // goal: at least the peer's speed
//   ZEPHSE_BENCH_GROWTH("BM_Load/100000", "BM_Load/10000", 12.0); // goal: at most 12 times the time
//   int main(int argc, char** argv) { return RunBenchmarksWithRatios(argc, argv); }
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace benchratio {
struct TPair {
  std::string Ours, Peer;
  double Goal;          // the speed ratio to reach; 0 when there is none
  bool Growth = false;  // Ours is the larger work of one benchmark, Peer the smaller: time ratio
};

inline std::vector<TPair>& Pairs() {
  static std::vector<TPair> pairs;
  return pairs;
}

inline bool Add(const char* Ours, const char* Peer, double Goal, bool Growth = false) {
  Pairs().push_back({Ours, Peer, Goal, Growth});
  return true;
}

// The console reporter that also keeps each benchmark's time per iteration.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& Runs) override {
    ConsoleReporter::ReportRuns(Runs);
    for (const Run& run : Runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Iteration)
        Times[run.benchmark_name()] = run.GetAdjustedCPUTime();
      else if (run.aggregate_name == "median")
        Medians[run.run_name.str()] = run.GetAdjustedCPUTime();
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    // With repetitions the median stands for the benchmark, not its last run.
    for (const auto& [name, time] : Medians) Times[name] = time;
    bool header = false;
    for (const TPair& pair : Pairs()) {
      auto ours = Times.find(pair.Ours), peer = Times.find(pair.Peer);
      if (ours == Times.end() || peer == Times.end() || ours->second <= 0) continue;
      if (!header) std::printf("\n%-40s %-40s %8s %8s\n", "ours", "peer", "speed", "goal"), header = true;
      if (pair.Growth) {
        const double growth = ours->second / peer->second;
        std::printf("%-40s %-40s %7.2fx %7.2fx %s (time, at most)\n", pair.Ours.c_str(), pair.Peer.c_str(), growth,
                    pair.Goal, growth <= pair.Goal ? "met" : "not met");
        continue;
      }
      const double ratio = peer->second / ours->second;
      std::printf("%-40s %-40s %7.2fx", pair.Ours.c_str(), pair.Peer.c_str(), ratio);
      if (pair.Goal > 0) std::printf(" %7.2fx %s", pair.Goal, ratio >= pair.Goal ? "met" : "not met");
      std::printf("\n");
    }
    std::fflush(stdout);
  }

 private:
  std::map<std::string, double> Times, Medians;
};
}  // namespace benchratio

#define ZEPHSE_BENCH_RATIO_CAT2(a, b) a##b
#define ZEPHSE_BENCH_RATIO_CAT(a, b) ZEPHSE_BENCH_RATIO_CAT2(a, b)
#define ZEPHSE_BENCH_RATIO(Ours, Peer, Goal) \
  static const bool ZEPHSE_BENCH_RATIO_CAT(benchRatio, __LINE__) = benchratio::Add(Ours, Peer, Goal)
#define ZEPHSE_BENCH_GROWTH(Larger, Smaller, Limit) \
  static const bool ZEPHSE_BENCH_RATIO_CAT(benchGrowth, __LINE__) = benchratio::Add(Larger, Smaller, Limit, true)

// Runs the benchmarks named on the command line and prints the ratios; for programs with a main
// of their own, between Initialize and Shutdown.
inline void RunSpecifiedBenchmarksWithRatios() {
  benchratio::TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
}

inline int RunBenchmarksWithRatios(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RunSpecifiedBenchmarksWithRatios();
  benchmark::Shutdown();
  return 0;
}
