// Full-frame copies through the canvas against a plain memcpy of the same
// bytes, measured in the same run. Prints the ratios at the end; targets:
// unscaled CopyRect within 1.5x, 2x StretchDraw within 3x. Timings are
// reported, never checked.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/Graphics.h"

namespace tweenery {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// A picture with varied content, so no shortcut applies by accident.
void Paint(TBitmap& Bitmap) {
  for (int y = 0; y < Bitmap.Height(); ++y) {
    std::uint32_t* row = Bitmap.ScanLine(y);
    for (int x = 0; x < Bitmap.Width(); ++x)
      row[x] = 0xFF000000u | static_cast<std::uint32_t>((x * 2654435761u) ^ (y * 40503u));
  }
}

void BM_Memcpy(benchmark::State& State) {
  const std::size_t bytes = std::size_t{kWidth} * kHeight * sizeof(std::uint32_t);
  std::vector<std::uint32_t> source(bytes / sizeof(std::uint32_t), 0xFF102030u), dest(source.size());
  for (auto _ : State) {
    std::memcpy(dest.data(), source.data(), bytes);
    benchmark::DoNotOptimize(dest.data());
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * bytes));
}
BENCHMARK(BM_Memcpy);

void BM_CopyRectFullFrame(benchmark::State& State) {
  TBitmap source(kWidth, kHeight), dest(kWidth, kHeight);
  Paint(source);
  const TRect frame = Rect(0, 0, kWidth, kHeight);
  for (auto _ : State) {
    dest.Canvas()->CopyRect(frame, source.Canvas(), frame);
    benchmark::DoNotOptimize(dest.Bits());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CopyRectFullFrame);

void BM_StretchDrawDouble(benchmark::State& State) {
  TBitmap picture(kWidth / 2, kHeight / 2), dest(kWidth, kHeight);
  Paint(picture);
  const TRect frame = Rect(0, 0, kWidth, kHeight);
  for (auto _ : State) {
    dest.Canvas()->StretchDraw(frame, &picture);
    benchmark::DoNotOptimize(dest.Bits());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_StretchDrawDouble);

// The ratios come from interleaved rounds, each operation timed right after
// the baseline, keeping the fastest of each: on a shared machine that is
// fairer than comparing runs taken at different moments.
struct TFrames {
  TBitmap Source{kWidth, kHeight}, Picture{kWidth / 2, kHeight / 2}, Dest{kWidth, kHeight};
  std::vector<std::uint32_t> Raw = std::vector<std::uint32_t>(std::size_t{kWidth} * kHeight);
  TFrames() {
    Paint(Source);
    Paint(Picture);
  }
};

template <typename TOperation>
double Seconds(TOperation&& Operation) {
  const auto start = std::chrono::steady_clock::now();
  Operation();
  benchmark::ClobberMemory();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void PrintRatios() {
  TFrames f;
  const TRect frame = Rect(0, 0, kWidth, kHeight);
  const std::size_t bytes = f.Raw.size() * sizeof(std::uint32_t);
  double memcpyBest = 1e9, copyBest = 1e9, stretchBest = 1e9;
  for (int round = 0; round < 200; ++round) {
    memcpyBest = std::min(memcpyBest, Seconds([&] { std::memcpy(f.Dest.Bits(), f.Source.Bits(), bytes); }));
    copyBest = std::min(copyBest, Seconds([&] { f.Dest.Canvas()->CopyRect(frame, f.Source.Canvas(), frame); }));
    stretchBest = std::min(stretchBest, Seconds([&] { f.Dest.Canvas()->StretchDraw(frame, &f.Picture); }));
  }
  std::printf("\nmemcpy of a 1920x1080 frame: %.0f us (fastest of 200 interleaved rounds)\n", memcpyBest * 1e6);
  const auto line = [&](const char* Label, double Best, double Target) {
    const double ratio = Best / memcpyBest;
    std::printf("%-34s %6.0f us  %5.2fx memcpy (target <= %.1fx) %s\n", Label, Best * 1e6, ratio, Target,
                ratio <= Target ? "met" : "MISSED");
  };
  line("CopyRect 1920x1080, unscaled", copyBest, 1.5);
  line("StretchDraw 960x540 to 1920x1080", stretchBest, 3.0);
}

}  // namespace
}  // namespace tweenery

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  tweenery::PrintRatios();
  return 0;
}
