// The C++ call behind tweenery.frame() at 1920 x 1080: a renderer for two
// pictures already in memory and the picture at progress 0.5 of the run
// `tweenery render --at` composes (1.5 s at 30 fps, linear). bench/compare-python
// times the Python call beside it; the difference is the module's own cost
// (reading the arrays into bitmaps, writing the frame into a new array).
#include <benchmark/benchmark.h>

#include <algorithm>

#include "tweenkit/Presets.h"
#include "tweenkit/TimeBase.h"

namespace tweenery {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;

std::unique_ptr<TBitmap> Solid(std::uint32_t Pixel) {
  auto bitmap = std::make_unique<TBitmap>(kWidth, kHeight);
  std::fill(bitmap->Bits(), bitmap->Bits() + kWidth * kHeight, Pixel);
  return bitmap;
}

void FrameCall(benchmark::State& State, TTransitionOperation Operation) {
  const auto from = Solid(0xFF000000u), to = Solid(0xFFFFFFFFu);
  TTransitionSettings settings;
  settings.Operation = Operation;
  const TEasing linear;
  for (auto _ : State) {
    TTransitionRenderer renderer(*from, *to, settings);
    TTransitionRun run(renderer, EasedFrames(renderer.FrameCount(), 45, linear));
    benchmark::DoNotOptimize(run.At(0.5, linear).Bits());
  }
}

BENCHMARK_CAPTURE(FrameCall, Push, toPush)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(FrameCall, Fade, toFade)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace tweenery

BENCHMARK_MAIN();
