// One whole random-bars run over 1920 bars, as a ratio to a full-frame
// memcpy: the pool walk alone (on a one-row picture, so drawing costs next
// to nothing) and the run with its 1922 frames of 1920 x 1080.
#include <cstdint>
#include <memory>

#include "BenchSupport.h"
#include "platform/Random.h"
#include "tweenkit/Tweenery.h"

namespace tweenery::bench {
namespace {

constexpr int kBars = 1920;

// Calls FXRandomBars for frames 0, 1, ... until it finishes, as a run with
// Steps = 1 does.
void PlayBarRun(TBitmap* From, TBitmap* To, TBitmap* Frame) {
  TRandomBarsFXState state;
  TFXParams params{};
  params.Modifier = tmLeft;
  params.State = &state;
  params.FrameRect = Rect(0, 0, Frame->Width(), Frame->Height());
  state.BarCount = kBars;
  state.Init(&params);
  bool finished = false;
  while (!finished) {
    ++params.CurrentFrame;
    finished = FXRandomBars(From, To, Frame, params);
  }
  state.Done(&params);
}

void BM_RandomBarsRun(benchmark::State& State, int Height) {
  auto from = std::make_unique<TBitmap>(kBars, Height), to = std::make_unique<TBitmap>(kBars, Height);
  TBitmap frame(kBars, Height);
  SetRandSeed(2024);
  for (auto _ : State) {
    PlayBarRun(from.get(), to.get(), &frame);
    benchmark::ClobberMemory();
  }
}

}  // namespace
}  // namespace tweenery::bench

int main(int argc, char** argv) {
  using namespace tweenery::bench;
  benchmark::RegisterBenchmark("Memcpy1920x1080", BM_MemcpyFrame)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("RandomBarsRunPicking1920x1", BM_RandomBarsRun, 1)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("RandomBarsRun1920x1080", BM_RandomBarsRun, 1080)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(2);
  return RunWithRatios(argc, argv, "Memcpy1920x1080");
}
