// One point of the table, composed over and over for a profiler: GenerateFrame
// through the component as playback drives it (FXTimer with Steps 1, moved
// back to the point before each tick), on equal pattern pictures.
//
//   perf record bench_FrameLoop OPERATION [WxH] [left|right|up|down] [reverse] [PERCENT] [FRAMES]
//
// Prints the least and the median CPU time per frame; the set-up (the
// pictures, the run's length) is done before the loop starts.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace tweenery::bench {
namespace {

TTransitionModifier ModifierNamed(const std::string& Name) {
  if (Name == "right") return tmRight;
  if (Name == "up") return tmUp;
  if (Name == "down") return tmDown;
  return tmLeft;
}

int Run(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OPERATION [WxH] [left|right|up|down] [reverse] [PERCENT] [FRAMES]\n", argv[0]);
    return 2;
  }
  const auto operation = FindOperation(argv[1]);
  if (!operation || *operation == toRandomBars || *operation == toTwinRandomBars) {
    std::fprintf(stderr, "%s: not an operation this loop can move to a point\n", argv[1]);
    return 2;
  }
  int width = 3840, height = 2160;
  if (argc > 2) std::sscanf(argv[2], "%dx%d", &width, &height);
  const TTransitionModifier modifier = ModifierNamed(argc > 3 ? argv[3] : "left");
  const bool reverse = argc > 4 && std::string(argv[4]) == "reverse";
  const int percent = argc > 5 ? std::atoi(argv[5]) : 50;
  const int frames = argc > 6 ? std::atoi(argv[6]) : 200;

  TPlaybackTweenery tweenery(*operation, PatternPicture(width, height, 1).get(), PatternPicture(width, height, 2).get());
  tweenery.SetModifier(modifier);
  tweenery.SetReverse(reverse);
  tweenery.SetSteps(1);
  const std::int32_t length = tweenery.RunLength();
  const std::int32_t frame = std::clamp<std::int32_t>(length * percent / 100, 1, std::max(1, length - 1));
  std::vector<double> times;
  for (int i = 0; i < frames; ++i) {
    tweenery.SetCurrentFrame(frame - 1);
    const double start = ThreadCpuSeconds();
    tweenery.FXTimer(nullptr);
    times.push_back(ThreadCpuSeconds() - start);
  }
  std::sort(times.begin(), times.end());
  std::printf("%s %dx%d frame %d of %d: least %.3f ms, median %.3f ms\n", argv[1], width, height, frame, length,
              times.front() * 1e3, times[times.size() / 2] * 1e3);
  return 0;
}

}  // namespace
}  // namespace tweenery::bench

int main(int argc, char** argv) { return tweenery::bench::Run(argc, argv); }
