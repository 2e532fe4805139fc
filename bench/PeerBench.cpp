// The per-frame cost of whole transitions as a video renders them, for the
// peer comparison (bench/compare-peers): Frames frames evenly spaced over
// each operation's run on equal pictures, composed through the component
// (SetCurrentFrame, or for the random bars the timer's ticks with Steps
// chosen to give that many frames), nothing encoded. Prints one line per
// operation: its name and the CPU milliseconds per frame, the least of
// Runs runs.
//
//   bench_PeerBench WIDTHxHEIGHT FRAMES RUNS OPERATION ...
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchSupport.h"
#include "platform/Random.h"
#include "tweenkit/Presets.h"
#include "tweenkit/Tweenery.h"

namespace tweenery::bench {
namespace {

// CPU seconds per frame of one run of Frames frames.
double RunSeconds(TPlaybackTweenery& Tweenery, int Frames) {
  const TTransitionOperation operation = Tweenery.Operation();
  if (operation == toRandomBars || operation == toTwinRandomBars) {
    const int bars = Tweenery.RunLength();
    Tweenery.SetSteps(std::max(1, bars / Frames));
    Tweenery.SetupFX();
    int composed = 0;
    const double start = ThreadCpuSeconds();
    while (Tweenery.CurrentFrame() < bars) {
      Tweenery.FXTimer(nullptr);
      ++composed;
    }
    return (ThreadCpuSeconds() - start) / composed;
  }
  const std::int64_t length = Tweenery.RunLength();
  const double start = ThreadCpuSeconds();
  for (int i = 0; i < Frames; ++i)
    Tweenery.SetCurrentFrame(static_cast<std::int32_t>(length * i / std::max(1, Frames - 1)));
  return (ThreadCpuSeconds() - start) / Frames;
}

int Run(int argc, char** argv) {
  int width = 0, height = 0;
  if (argc < 5 || std::sscanf(argv[1], "%dx%d", &width, &height) != 2 || width < 1 || height < 1) {
    std::fprintf(stderr, "usage: %s WIDTHxHEIGHT FRAMES RUNS OPERATION ...\n", argv[0]);
    return 2;
  }
  const int frames = std::max(2, std::atoi(argv[2]));
  const int runs = std::max(1, std::atoi(argv[3]));
  SetRandSeed(2024);
  for (int i = 4; i < argc; ++i) {
    const auto operation = FindOperation(argv[i]);
    if (!operation) {
      std::fprintf(stderr, "no operation %s\n", argv[i]);
      return 2;
    }
    auto from = PatternPicture(width, height, 1);
    auto to = PatternPicture(width, height, 2);
    TPlaybackTweenery tweenery(*operation, from.get(), to.get());
    double best = 0;
    for (int r = 0; r < runs; ++r) {
      const double seconds = RunSeconds(tweenery, frames);
      if (r == 0 || seconds < best) best = seconds;
    }
    std::printf("%s %.4f\n", OperationText(*operation), best * 1e3);
  }
  return 0;
}

}  // namespace
}  // namespace tweenery::bench

int main(int argc, char** argv) { return tweenery::bench::Run(argc, argv); }
