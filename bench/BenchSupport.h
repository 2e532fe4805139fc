// Shared by the benchmark programs: a reporter that remembers every
// result, and a main that prints each benchmark's time as a ratio to the
// memcpy baseline measured in the same run. Timings never fail anything.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tweenkit/Tweenery.h"

namespace tweenery::bench {

class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& Runs) override {
    // With repetitions, the median stands for the benchmark; otherwise its
    // one run does.
    for (const Run& run : Runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        Times[run.run_name.function_name] = run.GetAdjustedRealTime();
        Medians.insert(run.run_name.function_name);
      } else if (run.run_type == Run::RT_Iteration && !Medians.count(run.run_name.function_name)) {
        Times[run.run_name.function_name] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(Runs);
  }
  std::map<std::string, double> Times;

 private:
  std::set<std::string> Medians;
};

// A plain copy of one 1920 x 1080 frame of 32-bit pixels: the yardstick.
inline void BM_MemcpyFrame(benchmark::State& State) {
  const std::size_t bytes = std::size_t{1920} * 1080 * 4;
  std::vector<unsigned char> a(bytes, 1), b(bytes, 2);
  for (auto _ : State) {
    std::memcpy(b.data(), a.data(), bytes);
    benchmark::DoNotOptimize(b.data());
    benchmark::ClobberMemory();
  }
}

// Runs the registered benchmarks, then prints "name  ratio" against the
// benchmark named Baseline.
inline int RunWithRatios(int argc, char** argv, const std::string& Baseline) {
  benchmark::Initialize(&argc, argv);
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto base = reporter.Times.find(Baseline);
  if (base == reporter.Times.end() || base->second <= 0) return 0;
  std::printf("\nRatio to %s (%.3f in the unit shown above):\n", Baseline.c_str(), base->second);
  for (const auto& [name, time] : reporter.Times)
    if (name != Baseline) std::printf("  %-40s %6.2fx\n", name.c_str(), time / base->second);
  benchmark::Shutdown();
  return 0;
}

// The first frame number at which the effect reports completion, found by
// doubling and bisection on direct calls.
inline std::int32_t FinishingFrame(TTransitionOperation Operation, TBitmap* From, TBitmap* To) {
  TBitmap frame(From->Width(), From->Height());
  TFXParams params{};
  params.Delta = 10;
  params.Modifier = tmLeft;
  params.FrameRect = Rect(0, 0, From->Width(), From->Height());
  auto finished = [&](std::int32_t f) {
    params.CurrentFrame = f;
    frame.SetSize(From->Width(), From->Height());
    return FXDispatch[Operation].Forward(From, To, &frame, params);
  };
  std::int32_t hi = 1;
  while (hi < (1 << 30) && !finished(hi)) hi *= 2;
  std::int32_t lo = hi / 2;
  while (hi - lo > 1) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    if (finished(mid)) hi = mid; else lo = mid;
  }
  return hi;
}

}  // namespace tweenery::bench
