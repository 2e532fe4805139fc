// Each operation through the component, as playback drives it
// (SetCurrentFrame in a loop, mid-transition, 1920 x 1080), with the pictures
// allocated one after another the way a program does, and again with other
// allocations of random number and size between them, so that the From, To
// and frame pixels lie at other relative places. The two columns should
// agree: speed must not depend on where the pixels happen to lie.
// The random bars are left out: their frames come only from the timer.
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "BenchSupport.h"
#include "platform/Random.h"
#include "tweenkit/Presets.h"
#include "tweenkit/Tweenery.h"

namespace tweenery::bench {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;

void Noise(TBitmap& Bitmap, std::uint32_t Seed) {
  std::uint32_t s = Seed;
  for (int y = 0; y < Bitmap.Height(); ++y) {
    std::uint32_t* row = Bitmap.ScanLine(y);
    for (int x = 0; x < Bitmap.Width(); ++x) {
      s = s * 1664525u + 1013904223u;
      row[x] = 0xFF000000u | (s >> 8);
    }
  }
}

// Allocations of random count and size (heap blocks and small bitmaps),
// kept alive while the benchmark runs.
struct TLitter {
  std::vector<std::unique_ptr<TBitmap>> Bitmaps;
  std::vector<std::vector<char>> Blocks;
  void Add(std::mt19937& Random) {
    const int n = std::uniform_int_distribution<int>(0, 7)(Random);
    for (int i = 0; i < n; ++i) {
      Bitmaps.push_back(std::make_unique<TBitmap>(1 + static_cast<int>(Random() % 300), 1 + static_cast<int>(Random() % 300)));
      Blocks.emplace_back(static_cast<std::size_t>(Random() % 200000));
    }
  }
};

void BM_Component(benchmark::State& State, TTransitionOperation Operation, bool Shuffled) {
  std::mt19937 random(Operation * 7919u + 1);
  TLitter litter;
  auto between = [&] { if (Shuffled) litter.Add(random); };
  between();
  auto from = std::make_unique<TBitmap>(kWidth, kHeight);
  between();
  auto to = std::make_unique<TBitmap>(kWidth, kHeight);
  Noise(*from, 1);
  Noise(*to, 2);
  between();
  TTweenery tweenery(nullptr);
  tweenery.SetOperation(Operation);
  between();
  tweenery.SetFromBitmap(from.get());
  between();
  tweenery.SetToBitmap(to.get());
  SetRandSeed(12345);
  try {
    const std::int32_t middle = FinishingFrame(Operation, from.get(), to.get()) / 2;
    for (auto _ : State) tweenery.SetCurrentFrame(middle);
  } catch (const std::exception& e) {
    State.SkipWithError(e.what());
  }
}

void RegisterAll() {
  benchmark::RegisterBenchmark("Memcpy1920x1080", BM_MemcpyFrame)->Unit(benchmark::kMillisecond);
  for (int op = 0; op < TransitionOperationCount; ++op) {
    const auto operation = static_cast<TTransitionOperation>(op);
    if (operation == toRandomBars || operation == toTwinRandomBars) continue;
    for (const bool shuffled : {false, true})
      benchmark::RegisterBenchmark((std::string(OperationText(static_cast<TTransitionOperation>(op))) + (shuffled ? "/shuffled" : "/program")).c_str(),
                                   BM_Component, operation, shuffled)
          ->Unit(benchmark::kMillisecond)
          ->MinTime(0.05);
  }
}

}  // namespace
}  // namespace tweenery::bench

int main(int argc, char** argv) {
  tweenery::bench::RegisterAll();
  return tweenery::bench::RunWithRatios(argc, argv, "Memcpy1920x1080");
}
