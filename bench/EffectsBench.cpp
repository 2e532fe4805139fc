// GenerateFrame of every operation at mid-transition on equal 1920 x 1080
// pictures, as a ratio to a full-frame memcpy.
#include <cstdint>
#include <memory>

#include "BenchSupport.h"
#include "platform/Random.h"
#include "tweenkit/Presets.h"
#include "tweenkit/Tweenery.h"

namespace tweenery::bench {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// Opens up the run set-up for the benchmark.
class TBenchTweenery : public TTweenery {
 public:
  TBenchTweenery() : TTweenery(nullptr) {}
  using TTweenery::SetupFX;
};

std::unique_ptr<TBitmap> NoisePicture(std::uint32_t Seed) {
  auto bitmap = std::make_unique<TBitmap>(kWidth, kHeight);
  std::uint32_t s = Seed;
  for (int y = 0; y < kHeight; ++y) {
    std::uint32_t* row = bitmap->ScanLine(y);
    for (int x = 0; x < kWidth; ++x) {
      s = s * 1664525u + 1013904223u;
      row[x] = 0xFF000000u | (s >> 8);
    }
  }
  return bitmap;
}

void BM_GenerateFrame(benchmark::State& State, TTransitionOperation Operation) {
  static std::unique_ptr<TBitmap> from = NoisePicture(1), to = NoisePicture(2);
  TBenchTweenery tweenery;
  tweenery.SetOperation(Operation);
  tweenery.SetFromBitmap(from.get());
  tweenery.SetToBitmap(to.get());
  SetRandSeed(12345);
  try {
    if (Operation == toRandomBars || Operation == toTwinRandomBars) {
      // Random bars keep state: set a run up, move it half-way, then time
      // one frame after another from there.
      tweenery.SetBounds(0, 0, kWidth, kHeight);
      tweenery.SetupFX();
      tweenery.SetSteps(kWidth / 2);
      tweenery.FXTimer(nullptr);
      tweenery.SetSteps(1);
      for (auto _ : State) {
        tweenery.FXTimer(nullptr);
        if (tweenery.CurrentFrame() > kWidth * 3 / 4) {
          State.PauseTiming();
          tweenery.SetupFX();
          tweenery.SetSteps(kWidth / 2);
          tweenery.FXTimer(nullptr);
          tweenery.SetSteps(1);
          State.ResumeTiming();
        }
      }
      return;
    }
    const std::int32_t middle = FinishingFrame(Operation, from.get(), to.get()) / 2;
    for (auto _ : State) tweenery.SetCurrentFrame(middle);
  } catch (const std::exception& e) {
    State.SkipWithError(e.what());
  }
}

void RegisterAll() {
  benchmark::RegisterBenchmark("Memcpy1920x1080", BM_MemcpyFrame)->Unit(benchmark::kMillisecond);
  for (int op = 0; op < TransitionOperationCount; ++op)
    benchmark::RegisterBenchmark(OperationText(static_cast<TTransitionOperation>(op)), BM_GenerateFrame, static_cast<TTransitionOperation>(op))
        ->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace tweenery::bench

int main(int argc, char** argv) {
  tweenery::bench::RegisterAll();
  return tweenery::bench::RunWithRatios(argc, argv, "Memcpy1920x1080");
}
