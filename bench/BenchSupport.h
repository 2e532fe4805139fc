// Shared by the benchmark programs: a reporter that remembers every
// result, a main that prints each benchmark's time as a ratio to the memcpy
// baseline measured in the same run, the frame at which an effect finishes,
// and, for programs that time their own points, a min-of-samples timer and
// the memcpy and streaming yardsticks of a frame size. Timings never fail
// anything.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tweenkit/Presets.h"
#include "tweenkit/effects/FXCommon.h"
#include "tweenkit/Tweenery.h"

namespace tweenery::bench {

// Remembers every result while the reporter the command line asked for
// (--benchmark_format=json, or the console table for any other) shows it,
// so that the ratios can follow the runs without spoiling JSON output.
class TRatioReporter : public benchmark::BenchmarkReporter {
 public:
  explicit TRatioReporter(const std::string& Format) : FFormat(Format) {
    if (Format == "json")
      FShown = std::make_unique<benchmark::JSONReporter>();
    else
      FShown = std::make_unique<benchmark::ConsoleReporter>();
  }

  bool ReportContext(const Context& Context) override { return FShown->ReportContext(Context); }

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
    FShown->ReportRuns(Runs);
  }

  void Finalize() override { FShown->Finalize(); }

  // The ratios go where the runs went only when that is the console table.
  std::FILE* RatioStream() const { return FFormat == "json" ? stderr : stdout; }

  std::map<std::string, double> Times;

 private:
  std::string FFormat;
  std::unique_ptr<benchmark::BenchmarkReporter> FShown;
  std::set<std::string> Medians;
};

// The value of --benchmark_format in argv, or "" when it is not given; read
// before benchmark::Initialize takes the flags out.
inline std::string BenchmarkFormat(int argc, char** argv) {
  const std::string flag = "--benchmark_format=";
  std::string format;
  for (int i = 1; i < argc; ++i)
    if (std::string arg = argv[i]; arg.rfind(flag, 0) == 0) format = arg.substr(flag.size());
  return format;
}

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
  TRatioReporter reporter(BenchmarkFormat(argc, argv));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto base = reporter.Times.find(Baseline);
  if (base != reporter.Times.end() && base->second > 0) {
    std::FILE* out = reporter.RatioStream();
    std::fprintf(out, "\nRatio to %s (%.3f in the unit shown above):\n", Baseline.c_str(), base->second);
    for (const auto& [name, time] : reporter.Times)
      if (name != Baseline) std::fprintf(out, "  %-40s %6.2fx\n", name.c_str(), time / base->second);
  }
  benchmark::Shutdown();
  return 0;
}

// The first frame number at which the effect reports completion, found by
// doubling and bisection on direct calls of the function the dispatch table
// gives for Settings' direction; Settings supplies Modifier, Reverse, Delta,
// RGBOrder and Color. Not for the random bars: they need their state.
inline std::int32_t FinishingFrame(TTransitionOperation Operation, TBitmap* From, TBitmap* To,
                                   const TFXParams& Settings) {
  TBitmap frame(From->Width(), From->Height());
  TFXParams params = Settings;
  params.State = nullptr;
  params.FrameRect = Rect(0, 0, From->Width(), From->Height());
  const TFXFunction effect = Settings.Reverse ? FXDispatch[Operation].Reverse : FXDispatch[Operation].Forward;
  auto finished = [&](std::int32_t f) {
    params.CurrentFrame = f;
    frame.SetSize(From->Width(), From->Height());
    return effect(From, To, &frame, params);
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

// A picture whose pixels differ from their neighbours and from another
// seed's, so no effect meets long runs of equal pixels.
inline std::unique_ptr<TBitmap> PatternPicture(int Width, int Height, std::uint32_t Seed) {
  auto picture = std::make_unique<TBitmap>(Width, Height);
  for (int y = 0; y < Height; ++y) {
    std::uint32_t* row = picture->ScanLine(y);
    for (int x = 0; x < Width; ++x) {
      std::uint32_t h = (static_cast<std::uint32_t>(x) * 73856093u) ^ (static_cast<std::uint32_t>(y) * 19349663u) ^ Seed;
      h ^= h >> 13;
      h *= 0x5bd1e995u;
      row[x] = 0xFF000000u | (h & 0xFFFFFFu);
    }
  }
  return picture;
}

// The same for the forward function with tmLeft and Delta 10.
inline std::int32_t FinishingFrame(TTransitionOperation Operation, TBitmap* From, TBitmap* To) {
  TFXParams settings{};
  settings.Delta = 10;
  settings.Modifier = tmLeft;
  return FinishingFrame(Operation, From, To, settings);
}

// A component set up as a program sets one up (the operation, its preset's
// Delta, a control of the From picture's size, then the pictures through
// the setters), with its run set-up open, so a benchmark can drive it as the
// timer driver does: SetupFX, then FXTimer per tick.
class TPlaybackTweenery : public TTweenery {
 public:
  TPlaybackTweenery(TTransitionOperation Operation, const TBitmap* From, const TBitmap* To) : TTweenery(nullptr) {
    SetOperation(Operation);
    SetBounds(0, 0, From->Width(), From->Height());
    if (const auto& delta = OperationPreset(Operation).Delta) SetDelta(*delta);
    SetFromBitmap(From);
    SetToBitmap(To);
  }
  using TTweenery::SetupFX;

  // The first frame that finishes the transition with the current Modifier
  // and Reverse: for the random bars their bar count, which SetupFX takes
  // from the control.
  std::int32_t RunLength() {
    if (Operation() == toRandomBars) return (Modifier() == tmLeft || Modifier() == tmRight) ? Width() : Height();
    if (Operation() == toTwinRandomBars) return std::max(Width(), Height());
    TFXParams settings{};
    settings.Color = Color();
    settings.Delta = Delta();
    settings.Modifier = Modifier();
    settings.Reverse = Reverse();
    settings.RGBOrder = RGBOrder();
    return FinishingFrame(Operation(), FromBitmap(), ToBitmap(), settings);
  }
};

// The calling thread's CPU time in seconds: unlike the wall clock it does
// not count the time other programs on a busy machine hold the core.
inline double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The shortest of Samples runs of Body, each called Calls times in a row, in
// CPU seconds per call: the least disturbed by whatever else the machine
// does.
template <class TBody>
double MinSecondsPerCall(int Samples, int Calls, TBody&& Body) {
  double best = 0;
  for (int s = 0; s < Samples; ++s) {
    const double start = ThreadCpuSeconds();
    for (int c = 0; c < Calls; ++c) Body();
    const double perCall = (ThreadCpuSeconds() - start) / Calls;
    if (s == 0 || perCall < best) best = perCall;
  }
  return best;
}

// Yardsticks of one frame size: a memcpy of one frame of 32-bit pixels; a
// streaming pass over the same bytes that reads two frames and writes one
// (a per-byte average), the least any mix of two pictures has to move; and
// a masked choice, row by row, between two pictures that lie as the
// component's do (bitmaps allocated one after another), through the same
// select the bars and checker cells use, with every other 16-pixel group
// chosen, so every cache line of one of the two is read: the least an
// operation pays whose frame takes its pixels from both pictures in pieces
// narrower than a cache line or scattered over the whole frame.
class TFrameYardsticks {
 public:
  TFrameYardsticks(int Width, int Height)
      : FPixels(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height)),
        FA(FPixels, 0xFF102030u), FB(FPixels, 0xFF405060u), FOut(FPixels, 0),
        FChosen(Width, Height), FOtherwise(Width, Height), FFrame(Width, Height),
        FMask(static_cast<std::size_t>(Width)) {
    for (int x = 0; x < Width; ++x) FMask[static_cast<std::size_t>(x)] = (x / 16) % 2 ? ~0u : 0u;
  }

  double CopySeconds(int Samples, int Calls) {
    return MinSecondsPerCall(Samples, Calls, [&] {
      std::memcpy(FOut.data(), FA.data(), FPixels * sizeof(std::uint32_t));
      benchmark::DoNotOptimize(FOut.data());
      benchmark::ClobberMemory();
    });
  }

  double StreamSeconds(int Samples, int Calls) {
    return MinSecondsPerCall(Samples, Calls, [&] {
      const std::uint32_t* a = FA.data();
      const std::uint32_t* b = FB.data();
      std::uint32_t* out = FOut.data();
      for (std::size_t i = 0; i < FPixels; ++i) out[i] = (a[i] & b[i]) + (((a[i] ^ b[i]) >> 1) & 0x7F7F7F7Fu);
      benchmark::DoNotOptimize(FOut.data());
      benchmark::ClobberMemory();
    });
  }

  double SelectSeconds(int Samples, int Calls) {
    return MinSecondsPerCall(Samples, Calls, [&] {
      for (int y = 0; y < FFrame.Height(); ++y)
        fx::SelectWhere(FFrame.ScanLine(y), FChosen.ScanLine(y), FOtherwise.ScanLine(y), FMask.data(), FFrame.Width());
      benchmark::DoNotOptimize(FFrame.ScanLine(0));
      benchmark::ClobberMemory();
    });
  }

 private:
  std::size_t FPixels;
  std::vector<std::uint32_t> FA, FB, FOut;
  TBitmap FChosen, FOtherwise, FFrame;
  std::vector<std::uint32_t> FMask;
};

}  // namespace tweenery::bench
