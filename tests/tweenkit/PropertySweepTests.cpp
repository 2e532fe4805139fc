// A sweep of the property space through the dispatch table and through the
// component: every operation, modifier (values outside the enumeration
// too), direction, Delta and CurrentFrame at the int extremes and between,
// pictures of different and equal sizes down to 1 x 1 and empty, and
// controls up to the int limits. Under the sanitizers any overflow or
// stray access fails the run; a watchdog fails a case that takes too long.
// TWEENERY_SWEEP_CASES (scripts/stress) widens the random part.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <random>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

constexpr std::int32_t kValues[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, 2, 7, 1000, INT_MAX / 2, INT_MAX - 1, INT_MAX};
constexpr int kSizes[][2] = {{1, 1}, {1, 5}, {5, 1}, {2, 3}, {7, 4}, {16, 16}, {64, 48}};

long SweepCases() {
  const char* text = std::getenv("TWEENERY_SWEEP_CASES");
  return text ? std::atol(text) : 1500;
}

void ExpectQuick(std::chrono::steady_clock::time_point Start, const std::string& Case) {
  ASSERT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(5)) << Case;
}

TEST(PropertySweep, DispatchTableOverTheWholeParameterSpace) {
  std::mt19937 random(2024);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int op = 0; op < 28; ++op)
    for (int modifier = 0; modifier < 6; ++modifier)  // 4 and 5 lie outside the enumeration
      for (bool reverse : {false, true})
        for (std::int32_t delta : kValues)
          for (std::int32_t frame : kValues) {
            const auto& size = kSizes[pick(std::size(kSizes))];
            const auto& other = pick(3) == 0 ? kSizes[pick(std::size(kSizes))] : size;
            auto from = CodedPicture(size[0], size[1], kFromTag);
            auto to = CodedPicture(other[0], other[1], kToTag);
            TRandomBarsFXState bars;
            TTwinRandomBarsFXState twin;
            TFXParams p = MakeParams(0, static_cast<TTransitionModifier>(modifier), reverse, delta);
            p.RGBOrder = static_cast<TRGBOrder>(pick(8));
            if (op == toRandomBars || op == toTwinRandomBars) {
              TFXState* state = op == toRandomBars ? static_cast<TFXState*>(&bars) : &twin;
              bars.BarCount = twin.BarCount = pick(2) ? size[0] : kValues[pick(std::size(kValues))] & 0xFFFF;
              state->Init(&p);
              p.State = state;
            }
            p.CurrentFrame = frame;
            const auto start = std::chrono::steady_clock::now();
            const TFXDispatchEntry& row = FXDispatch[op];
            CallEffect(reverse ? row.Reverse : row.Forward, from.get(), to.get(), p);
            ExpectQuick(start, "op " + std::to_string(op) + " delta " + std::to_string(delta) + " frame " +
                                   std::to_string(frame));
          }
}

// Random settings through the component, frames composed by its own tick,
// on controls from 1 x 1 to the int limits.
TEST(PropertySweep, ComponentWithRandomSettings) {
  std::mt19937 random(77);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto value = [&] { return kValues[pick(std::size(kValues))]; };
  const long cases = SweepCases();
  for (long i = 0; i < cases; ++i) {
    THeadlessHost host(24, 18);
    TTweenery t(nullptr);
    t.SetParent(&host);
    const auto& size = kSizes[pick(std::size(kSizes))];
    const auto& other = pick(3) == 0 ? kSizes[pick(std::size(kSizes))] : size;
    auto from = CodedPicture(size[0], size[1], kFromTag);
    auto to = CodedPicture(other[0], other[1], kToTag);
    if (pick(10) != 0) t.SetFromBitmap(from.get());
    if (pick(10) != 0) t.SetToBitmap(to.get());
    const int big = pick(4);
    t.SetBounds(big == 0 ? value() : pick(30) - 5, big == 1 ? value() : pick(30) - 5,
                big == 2 ? value() & 0xFFFFF : pick(40), big == 3 ? value() & 0xFFFFF : pick(40));
    t.SetOperation(static_cast<TTransitionOperation>(pick(28)));
    t.SetModifier(static_cast<TTransitionModifier>(pick(4)));
    t.SetReverse(pick(2) != 0);
    t.SetRGBOrder(static_cast<TRGBOrder>(pick(6)));
    t.SetStretch(pick(2) != 0);
    t.SetMaintainAspectRatio(pick(2) != 0);
    t.SetDelta(value());
    t.SetSteps(pick(3) == 0 ? value() : pick(5) + 1);
    t.SetCurrentFrame(value());
    const auto start = std::chrono::steady_clock::now();
    t.Play();
    for (int tick = 0; tick < 6 && t.Active(); ++tick) t.FXTimer(nullptr);
    t.Repaint();
    t.Stop();
    ExpectQuick(start, "case " + std::to_string(i));
  }
}

}  // namespace
}  // namespace tweenery::test
