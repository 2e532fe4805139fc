// The one table of frame costs: GenerateFrame of every operation through the
// component, for every modifier that draws a different geometry, forward and
// reverse, at 5%, 50% and 95% of the transition, on equal pairs of
// 1920 x 1080 and 640 x 480 and on a 1920 x 1080 From with a 1280 x 720 To.
// Each point is the shortest of a few samples of three consecutive ticks
// (FXTimer with Steps 1: CurrentFrame advances, then GenerateFrame), divided
// by a memcpy of one frame of the frame's size timed just before the
// operation's points; both are the thread's CPU time, so a busy machine's
// other programs do not count. The pictures are allocated one after another, as a
// program allocates them, and handed to the component through its setters;
// the different-size pair then assigns the smaller To to the component's
// own picture (as loading a file into ToBitmap does), since the setters fit
// a picture to the other one's size. Random bars are positioned as playback
// positions them: SetupFX, one tick of Steps = the point's frame, then the
// timed ticks of Steps 1. Delta is the operation's preset where it has one.
//
//   bench_TableBench [--points] [OPERATION ...]
//
// prints the markdown table (and, with --points, every point's ratio); a
// list of operations limits the run to them. Progress goes to stderr.
#include <algorithm>
#include <cstdio>
#include <cstring>
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
constexpr int kYardstickSamples = 7;

struct TPairShape {
  const char* Name;
  int FromWidth, FromHeight, ToWidth, ToHeight;
};
// The first one is the size the targets are judged at.
constexpr TPairShape kShapes[] = {
    {"1920×1080", 1920, 1080, 1920, 1080},
    {"640×480", 640, 480, 640, 480},
    {"1920×1080 → 1280×720", 1920, 1080, 1280, 720},
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

// The worst ratio at 1920 x 1080 each operation is to stay within.
double Target(TTransitionOperation Operation) {
  switch (Operation) {
    case toZoom: case toMosaic: case toSqueeze: case toRoll: case toSwarm: case toShade: case toShadeContinue:
      return 2.5;
    case toFade: case toRGB:
      return 3.0;
    case toBlend: case toRGBBlend:
      return 4.0;
    default:
      return 1.6;
  }
}

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
  TOperationRun(TTransitionOperation Operation, const TPairShape& Shape)
      : FOperation(Operation),
        FTweenery(Operation, PatternPicture(Shape.FromWidth, Shape.FromHeight, 1).get(),
                  PatternPicture(Shape.FromWidth, Shape.FromHeight, 2).get()) {
    if (Shape.ToWidth != Shape.FromWidth || Shape.ToHeight != Shape.FromHeight)
      FTweenery.ToBitmap()->Assign(PatternPicture(Shape.ToWidth, Shape.ToHeight, 2).get());
  }

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
  double StreamRatio;  // the streaming yardstick next to the operation's 1920 x 1080 points
  double SelectRatio;  // and the masked choice
};

std::vector<TPoint> MeasureShape(TTransitionOperation Operation, const TPairShape& Shape, TFrameYardsticks& Yardstick,
                                 TOperationResult* Result, bool PrintPoints) {
  TOperationRun run(Operation, Shape);
  const double copy = Yardstick.CopySeconds(kYardstickSamples, kTicks);
  if (Result) {
    Result->StreamRatio = Yardstick.StreamSeconds(kYardstickSamples, kTicks) / copy;
    Result->SelectRatio = Yardstick.SelectSeconds(kYardstickSamples, kTicks) / copy;
  }
  std::vector<TPoint> points;
  for (const TTransitionModifier modifier : GeometryModifiers(Operation))
    for (const bool reverse : {false, true})
      for (const int twentieths : kPositions) {
        const double seconds = run.FrameSeconds(modifier, reverse, twentieths);
        points.push_back({modifier, reverse, twentieths, seconds / copy});
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
  std::printf("| operation |");
  for (const TPairShape& shape : kShapes) std::printf(" %s worst | %s median |", shape.Name, shape.Name);
  std::printf(" worst point (%s) | target | %s worst | streaming yardstick | masked choice |\n|---|", kShapes[0].Name,
              kShapes[0].Name);
  for (int i = 0; i < kShapeCount; ++i) std::printf("---:|---:|");
  std::printf("---|---:|---|---:|---:|\n");
  for (const TOperationResult& result : Results) {
    std::printf("| %s |", OperationText(result.Operation));
    for (const TSummary& summary : result.Shapes)
      std::printf(" %s | %s |", Cell(summary.Worst).c_str(), Cell(summary.Median).c_str());
    const double target = Target(result.Operation);
    std::printf(" %s | ≤ %s | %s | %s | %s |\n", result.Shapes[0].WorstPoint.c_str(), Cell(target).c_str(),
                result.Shapes[0].Worst <= target ? "met" : "missed", Cell(result.StreamRatio).c_str(),
                Cell(result.SelectRatio).c_str());
  }
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

int Run(int argc, char** argv) {
  bool printPoints = false;
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--points") == 0) printPoints = true;
    else names.emplace_back(argv[i]);
  }
  std::vector<std::unique_ptr<TFrameYardsticks>> yardsticks;
  for (const TPairShape& shape : kShapes) yardsticks.push_back(std::make_unique<TFrameYardsticks>(shape.FromWidth, shape.FromHeight));
  SetRandSeed(12345);
  std::vector<TOperationResult> results;
  for (const TTransitionOperation operation : ChosenOperations(names)) {
    std::fprintf(stderr, "%s\n", OperationText(operation));
    TOperationResult result{operation, {}, 0, 0};
    for (int i = 0; i < kShapeCount; ++i)
      result.Shapes[i] = Summarise(MeasureShape(operation, kShapes[i], *yardsticks[i], i == 0 ? &result : nullptr, printPoints));
    results.push_back(result);
  }
  std::sort(results.begin(), results.end(), [](const TOperationResult& a, const TOperationResult& b) {
    return std::strcmp(OperationText(a.Operation), OperationText(b.Operation)) < 0;
  });
  PrintTable(results);
  std::printf("\nThe streaming yardstick is a pass that reads two %s frames and writes one (a per-byte average);\n"
              "the masked choice takes every other 16 pixels of a row from one of two pictures allocated as the\n"
              "component's are, through the select the bars and checker cells use. Both are timed next to the\n"
              "operation's points, as ratios to the same memcpy. Once more at the end, shortest of %d samples of %d calls:\n",
              kShapes[0].Name, kYardstickSamples, kTicks);
  for (int i = 0; i < kShapeCount; ++i) {
    const auto sameFrame = [&](const TPairShape& Other) {
      return Other.FromWidth == kShapes[i].FromWidth && Other.FromHeight == kShapes[i].FromHeight;
    };
    if (std::any_of(kShapes, kShapes + i, sameFrame)) continue;
    const double copy = yardsticks[i]->CopySeconds(kYardstickSamples, kTicks);
    const double stream = yardsticks[i]->StreamSeconds(kYardstickSamples, kTicks);
    const double select = yardsticks[i]->SelectSeconds(kYardstickSamples, kTicks);
    std::printf("- %d×%d: memcpy of one frame %.3f ms; streaming pass (read two frames, write one) %.3f ms = %.2f× the memcpy;"
                " masked choice %.3f ms = %.2f×\n",
                kShapes[i].FromWidth, kShapes[i].FromHeight, copy * 1e3, stream * 1e3, stream / copy, select * 1e3,
                select / copy);
  }
  return 0;
}

}  // namespace
}  // namespace tweenery::bench

int main(int argc, char** argv) { return tweenery::bench::Run(argc, argv); }
