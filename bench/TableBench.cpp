// The one table of frame costs against each operation's floor: GenerateFrame
// of every operation through the component, for every modifier that draws a
// different geometry, forward and reverse, at 5%, 50% and 95% of the
// transition, on equal pairs of 1920 x 1080 and 3840 x 2160 pictures. Each
// point is the shortest of a few samples of three consecutive ticks (FXTimer
// with Steps 1: CurrentFrame advances, then GenerateFrame), divided by the
// operation's floor timed just before its points: a memcpy of one frame for
// the operations whose frame is made of large pieces of one picture at a
// time, and a streaming pass that reads two frames and writes one (a
// per-byte average in SSE2) for the mixes and for the operations that take
// narrow pieces of both pictures in every row. Both are the thread's CPU
// time, so a busy machine's other programs do not count. The pictures are
// allocated one after another, as a program allocates them, and handed to
// the component through its setters. Random bars are positioned as playback
// positions them: SetupFX, one tick of Steps = the point's frame, then the
// timed ticks of Steps 1. Delta is the operation's preset where it has one.
//
//   bench_TableBench [--points] [OPERATION ...]
//
// prints the machine, the markdown table (and, with --points, every point's
// ratio); a list of operations limits the run to them. Progress goes to
// stderr.
#include <emmintrin.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "platform/Random.h"
#include "tweenkit/Presets.h"
#include "tweenkit/Tweenery.h"

namespace tweenery::bench {
namespace {

constexpr int kSamples = 5;
constexpr int kTicks = 3;  // consecutive frames per sample
constexpr int kFloorSamples = 7;
constexpr double kMedianTarget = 1.25, kWorstTarget = 1.6;

struct TFrameShape {
  const char* Name;
  int Width, Height;
};
constexpr TFrameShape kShapes[] = {
    {"1920×1080", 1920, 1080},
    {"3840×2160", 3840, 2160},
};
constexpr int kShapeCount = sizeof(kShapes) / sizeof(kShapes[0]);

// Where in the transition a point lies, in twentieths of its length.
constexpr int kPositions[] = {1, 10, 19};

bool IsRandomBars(TTransitionOperation Operation) {
  return Operation == toRandomBars || Operation == toTwinRandomBars;
}

// The modifiers whose frames differ. Iris and the striped iris only open
// (left, up) or close (right, down); the slider, the strip and the random
// bars only choose between columns (left, right) and rows (up, down).
std::vector<TTransitionModifier> GeometryModifiers(TTransitionOperation Operation) {
  if (!(OperationParameters(Operation) & opModifier)) return {tmLeft};
  switch (Operation) {
    case toIris:
    case toStripedIris:
      return {tmLeft, tmRight};
    case toSlider:
    case toStrip:
    case toRandomBars:
      return {tmLeft, tmUp};
    default:
      return {tmLeft, tmRight, tmUp, tmDown};
  }
}

// The least an operation's frame must move: a copy of one frame where it is
// made of large pieces of one picture at a time; reading two frames and
// writing one where it mixes both pictures or takes narrow pieces of both in
// every row, so that nearly every cache line of both is read.
enum TFloor { flCopy, flStream };

TFloor Floor(TTransitionOperation Operation) {
  switch (Operation) {
    case toPush: case toCrush: case toMonoReveal: case toReveal: case toIris: case toMonoSlider: case toZoom:
    case toFade: case toMosaic: case toGlide: case toReplace: case toSqueeze: case toRoll:
      return flCopy;
    default:
      return flStream;
  }
}

const char* FloorText(TFloor Floor) { return Floor == flCopy ? "memcpy" : "streaming"; }

// The two floors of one frame size, over buffers allocated and written
// before they are timed, as a program's pictures are.
class TFrameFloors {
 public:
  TFrameFloors(int Width, int Height)
      : FPixels(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height)), FA(FPixels, 0xFF102030u),
        FB(FPixels, 0xFF405060u), FOut(FPixels, 0) {}

  double CopySeconds() {
    return MinSecondsPerCall(kFloorSamples, kTicks, [&] {
      std::memcpy(FOut.data(), FA.data(), FPixels * sizeof(std::uint32_t));
      benchmark::DoNotOptimize(FOut.data());
      benchmark::ClobberMemory();
    });
  }

  // A per-byte average of two frames into a third, sixteen bytes at a time.
  double StreamSeconds() {
    return MinSecondsPerCall(kFloorSamples, kTicks, [&] {
      const auto* a = reinterpret_cast<const __m128i*>(FA.data());
      const auto* b = reinterpret_cast<const __m128i*>(FB.data());
      auto* out = reinterpret_cast<__m128i*>(FOut.data());
      for (std::size_t i = 0, n = FPixels / 4; i < n; ++i)
        _mm_storeu_si128(out + i, _mm_avg_epu8(_mm_loadu_si128(a + i), _mm_loadu_si128(b + i)));
      benchmark::DoNotOptimize(FOut.data());
      benchmark::ClobberMemory();
    });
  }

  double Seconds(TFloor Floor) { return Floor == flCopy ? CopySeconds() : StreamSeconds(); }

 private:
  std::size_t FPixels;
  std::vector<std::uint32_t> FA, FB, FOut;
};

struct TPoint {
  TTransitionModifier Modifier;
  bool Reverse;
  int Twentieths;
  double Ratio;
};

std::string PointText(const TPoint& Point) {
  return std::string(ModifierText(Point.Modifier)) + (Point.Reverse ? " reverse " : " forward ") +
         std::to_string(Point.Twentieths * 5) + "%";
}

// One operation on one pair: the program's pictures, the component, and
// every point's time.
class TOperationRun {
 public:
  TOperationRun(TTransitionOperation Operation, const TFrameShape& Shape)
      : FOperation(Operation),
        FTweenery(Operation, PatternPicture(Shape.Width, Shape.Height, 1).get(),
                  PatternPicture(Shape.Width, Shape.Height, 2).get()) {}

  // Seconds per frame at Twentieths of the transition.
  double FrameSeconds(TTransitionModifier Modifier, bool Reverse, int Twentieths) {
    FTweenery.SetModifier(Modifier);
    FTweenery.SetReverse(Reverse);
    const std::int32_t length = Length(Modifier, Reverse);
    const std::int32_t frame = std::max<std::int32_t>(1, std::min<std::int32_t>(length * Twentieths / 20, length - kTicks));
    double best = 0;
    for (int s = 0; s < kSamples; ++s) {
      MoveTo(frame);
      const double perFrame = MinSecondsPerCall(1, kTicks, [&] { FTweenery.FXTimer(nullptr); });
      if (s == 0 || perFrame < best) best = perFrame;
    }
    return best;
  }

 private:
  // The first frame that finishes the transition in the current direction,
  // found once per direction.
  std::int32_t Length(TTransitionModifier Modifier, bool Reverse) {
    std::int32_t& length = FLengths[Modifier][Reverse];
    if (length == 0) length = FTweenery.RunLength();
    return length;
  }

  // Leaves the component so that its next tick composes Frame.
  void MoveTo(std::int32_t Frame) {
    FTweenery.SetSteps(1);
    if (!IsRandomBars(FOperation)) {
      FTweenery.SetCurrentFrame(Frame - 1);
      return;
    }
    FTweenery.SetupFX();
    FTweenery.SetSteps(Frame);
    FTweenery.FXTimer(nullptr);
    FTweenery.SetSteps(1);
  }

  TTransitionOperation FOperation;
  TPlaybackTweenery FTweenery;
  std::int32_t FLengths[4][2] = {};
};

struct TSummary {
  double Worst = 0, Median = 0;
  std::string WorstPoint;

  bool Met() const { return Median <= kMedianTarget && Worst <= kWorstTarget; }
};

TSummary Summarise(std::vector<TPoint> Points) {
  TSummary summary;
  if (Points.empty()) return summary;
  std::sort(Points.begin(), Points.end(), [](const TPoint& a, const TPoint& b) { return a.Ratio < b.Ratio; });
  const std::size_t n = Points.size();
  summary.Median = n % 2 ? Points[n / 2].Ratio : (Points[n / 2 - 1].Ratio + Points[n / 2].Ratio) / 2;
  summary.Worst = Points.back().Ratio;
  summary.WorstPoint = PointText(Points.back());
  return summary;
}

struct TOperationResult {
  TTransitionOperation Operation;
  TSummary Shapes[kShapeCount];

  bool Met() const {
    return std::all_of(std::begin(Shapes), std::end(Shapes), [](const TSummary& s) { return s.Met(); });
  }
};

std::vector<TPoint> MeasureShape(TTransitionOperation Operation, const TFrameShape& Shape, TFrameFloors& Floors,
                                 bool PrintPoints) {
  TOperationRun run(Operation, Shape);
  const double floor = Floors.Seconds(Floor(Operation));
  std::vector<TPoint> points;
  for (const TTransitionModifier modifier : GeometryModifiers(Operation))
    for (const bool reverse : {false, true})
      for (const int twentieths : kPositions) {
        const double seconds = run.FrameSeconds(modifier, reverse, twentieths);
        points.push_back({modifier, reverse, twentieths, seconds / floor});
        if (PrintPoints)
          std::printf("%s %s %s: %.3f ms, %.2fx\n", OperationText(Operation), Shape.Name, PointText(points.back()).c_str(),
                      seconds * 1e3, points.back().Ratio);
      }
  return points;
}

std::string Cell(double Ratio) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f×", Ratio);
  return text;
}

void PrintTable(const std::vector<TOperationResult>& Results) {
  std::printf("| operation | floor |");
  for (const TFrameShape& shape : kShapes) std::printf(" %s median | %s worst | worst point |", shape.Name, shape.Name);
  std::printf(" target |\n|---|---|");
  for (int i = 0; i < kShapeCount; ++i) std::printf("---:|---:|---|");
  std::printf("---|\n");
  for (const TOperationResult& result : Results) {
    std::printf("| %s | %s |", OperationText(result.Operation), FloorText(Floor(result.Operation)));
    for (const TSummary& summary : result.Shapes)
      std::printf(" %s | %s | %s |", Cell(summary.Median).c_str(), Cell(summary.Worst).c_str(),
                  summary.WorstPoint.c_str());
    std::printf(" %s |\n", result.Met() ? "met" : "not met");
  }
}

// The first line of /proc/cpuinfo's "model name", or "unknown".
std::string ProcessorModel() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);)
    if (line.rfind("model name", 0) == 0) {
      const std::size_t colon = line.find(':');
      if (colon != std::string::npos) return line.substr(line.find_first_not_of(" \t", colon + 1));
    }
  return "unknown";
}

// The last-level cache as sysfs gives it, or what the C library reports
// where a virtual machine exposes no cache entries (then often not the
// host's real size), with where the figure came from.
std::string LastLevelCache() {
  std::ifstream sysfs("/sys/devices/system/cpu/cpu0/cache/index3/size");
  if (std::string size; sysfs >> size) return "L3 " + size + " (sysfs)";
  const long bytes = sysconf(_SC_LEVEL3_CACHE_SIZE);
  if (bytes > 0) return "L3 " + std::to_string(bytes >> 20) + " MiB (sysconf; no sysfs cache entries)";
  return "L3 unknown";
}

std::vector<TTransitionOperation> ChosenOperations(const std::vector<std::string>& Names) {
  std::vector<TTransitionOperation> operations;
  for (const std::string& name : Names) {
    if (auto operation = FindOperation(name)) operations.push_back(*operation);
    else std::fprintf(stderr, "no operation %s (ignored)\n", name.c_str());
  }
  if (Names.empty())
    for (int op = 0; op < TransitionOperationCount; ++op) operations.push_back(static_cast<TTransitionOperation>(op));
  return operations;
}

void PrintFloors(std::vector<std::unique_ptr<TFrameFloors>>& Floors) {
  std::printf("\nThe floors once more at the end, shortest of %d samples of %d calls:\n", kFloorSamples, kTicks);
  for (int i = 0; i < kShapeCount; ++i) {
    const double copy = Floors[i]->CopySeconds(), stream = Floors[i]->StreamSeconds();
    std::printf("- %s: memcpy of one frame %.3f ms; streaming pass (read two frames, write one) %.3f ms = %.2f× the memcpy\n",
                kShapes[i].Name, copy * 1e3, stream * 1e3, stream / copy);
  }
}

int Run(int argc, char** argv) {
  bool printPoints = false;
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--points") == 0) printPoints = true;
    else names.emplace_back(argv[i]);
  }
  std::printf("Machine: %s, %s, %ld processors online\n\n", ProcessorModel().c_str(), LastLevelCache().c_str(),
              sysconf(_SC_NPROCESSORS_ONLN));
  std::vector<std::unique_ptr<TFrameFloors>> floors;
  for (const TFrameShape& shape : kShapes) floors.push_back(std::make_unique<TFrameFloors>(shape.Width, shape.Height));
  SetRandSeed(12345);
  std::vector<TOperationResult> results;
  for (const TTransitionOperation operation : ChosenOperations(names)) {
    std::fprintf(stderr, "%s\n", OperationText(operation));
    TOperationResult result{operation, {}};
    for (int i = 0; i < kShapeCount; ++i)
      result.Shapes[i] = Summarise(MeasureShape(operation, kShapes[i], *floors[i], printPoints));
    results.push_back(result);
  }
  std::sort(results.begin(), results.end(), [](const TOperationResult& a, const TOperationResult& b) {
    return std::strcmp(OperationText(a.Operation), OperationText(b.Operation)) < 0;
  });
  PrintTable(results);
  const auto met = std::count_if(results.begin(), results.end(), [](const TOperationResult& r) { return r.Met(); });
  std::printf("\nTarget: median ≤ %.2f× and worst ≤ %.2f× the floor at every size; met by %ld of %zu.\n", kMedianTarget,
              kWorstTarget, static_cast<long>(met), results.size());
  PrintFloors(floors);
  return 0;
}

}  // namespace
}  // namespace tweenery::bench

int main(int argc, char** argv) { return tweenery::bench::Run(argc, argv); }
