// GenerateFrame leaves out the Color fill where the effect overwrites every
// pixel: each frame the component shows must equal the same effect call on a
// frame filled first, whatever the frame held before.
#include <gtest/gtest.h>

#include <random>

#include "EffectHarness.h"
#include "platform/Random.h"

namespace tweenery::test {
namespace {

// The component's own copy of a picture (the second one set is stretched to
// the first one's size).
std::unique_ptr<TBitmap> CopyOf(const TBitmap* Picture) {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(Picture);
  return copy;
}

struct TCase {
  TTransitionOperation Operation;
  TTransitionModifier Modifier;
  bool Reverse;
  std::int32_t Delta;
  TColor Color;
  TRGBOrder Order;
  int FromW, FromH, ToW, ToH;
  std::int32_t CurrentFrame;
};

TCase RandomCase(std::mt19937& Random) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(Random); };
  TCase c{};
  // The random bars keep state from frame to frame; a test of their own
  // below plays their runs.
  do c.Operation = static_cast<TTransitionOperation>(pick(0, TransitionOperationCount - 1));
  while (c.Operation == toRandomBars || c.Operation == toTwinRandomBars);
  c.Modifier = static_cast<TTransitionModifier>(pick(0, 3));
  c.Reverse = pick(0, 1) == 1;
  c.Delta = pick(0, 3) == 0 ? pick(-2, 1) : pick(1, 24);
  c.Color = static_cast<TColor>(Random() & 0xFFFFFFu);
  c.Order = static_cast<TRGBOrder>(pick(0, 5));
  c.FromW = pick(1, 48);
  c.FromH = pick(1, 48);
  const bool sameSize = pick(0, 2) != 0;
  c.ToW = sameSize ? c.FromW : pick(1, 48);
  c.ToH = sameSize ? c.FromH : pick(1, 48);
  // Up to past the end of the longest runs at these sizes (Fade's 512).
  c.CurrentFrame = pick(0, 4) == 0 ? pick(400, 600) : pick(0, 3 * std::max(c.FromW, c.FromH) + 40);
  return c;
}

std::string Describe(const TCase& c) {
  return "operation " + std::to_string(c.Operation) + " modifier " + std::to_string(c.Modifier) + " reverse " +
         std::to_string(c.Reverse) + " delta " + std::to_string(c.Delta) + " from " + std::to_string(c.FromW) +
         "x" + std::to_string(c.FromH) + " to " + std::to_string(c.ToW) + "x" + std::to_string(c.ToH) +
         " frame " + std::to_string(c.CurrentFrame);
}

TEST(FrameFill, ComponentFramesMatchEffectCallsOnAFilledFrame) {
  std::mt19937 random(20240614u);
  for (int trial = 0; trial < 3000; ++trial) {
    const TCase c = RandomCase(random);
    SCOPED_TRACE(Describe(c));
    auto from = RandomPicture(c.FromW, c.FromH, random());
    auto to = RandomPicture(c.ToW, c.ToH, random());

    TFrameTweenery tweenery;
    tweenery.SetOperation(c.Operation);
    tweenery.SetModifier(c.Modifier);
    tweenery.SetReverse(c.Reverse);
    tweenery.SetDelta(c.Delta);
    tweenery.SetRGBOrder(c.Order);
    tweenery.SetFromBitmap(from.get());
    tweenery.SetToBitmap(to.get());
    tweenery.SetColor(c.Color);  // a new From picture sets its own
    tweenery.SetCurrentFrame(c.CurrentFrame == 0 ? 1 : 0);  // gives the frame its size
    tweenery.LitterFrame(random);
    // Swarm scatters with the process's random numbers: both runs draw the same.
    SetRandSeed(trial);
    tweenery.SetCurrentFrame(c.CurrentFrame);

    TFXParams params = MakeParams(c.CurrentFrame, c.Modifier, c.Reverse, c.Delta, c.Color);
    params.RGBOrder = c.Order;
    const TFXDispatchEntry& row = FXDispatch[c.Operation];
    auto shownFrom = CopyOf(tweenery.FromBitmap()), shownTo = CopyOf(tweenery.ToBitmap());
    SetRandSeed(trial);
    const TEffectCall want = CallEffect(c.Reverse ? row.Reverse : row.Forward, shownFrom.get(), shownTo.get(), params);
    ASSERT_EQ(tweenery.Frame().Width(), want.Frame->Width());
    ASSERT_EQ(tweenery.Frame().Height(), want.Frame->Height());
    ASSERT_EQ(FirstMismatch(tweenery.Frame(), SameAs(want)), "");
  }
}

// A frame that keeps its size from one frame to the next, as in playback:
// each frame drawn over the last still equals a fresh filled one.
TEST(FrameFill, FramesDrawnOverTheLastMatchFreshOnes) {
  std::mt19937 random(7u);
  for (int op = 0; op < TransitionOperationCount; ++op) {
    const auto operation = static_cast<TTransitionOperation>(op);
    if (operation == toRandomBars || operation == toTwinRandomBars) continue;
    SCOPED_TRACE(op);
    auto from = RandomPicture(37, 23, random());
    auto to = RandomPicture(37, 23, random());
    TFrameTweenery tweenery;
    tweenery.SetOperation(operation);
    tweenery.SetModifier(tmDown);
    tweenery.SetDelta(3);
    tweenery.SetFromBitmap(from.get());
    tweenery.SetToBitmap(to.get());
    tweenery.SetColor(clFuchsia);
    for (int f = 0; f < 60; f += 7) {
      SetRandSeed(f);
      tweenery.SetCurrentFrame(f);
      SetRandSeed(f);
      const TEffectCall want =
          CallEffect(FXDispatch[operation].Forward, from.get(), to.get(), MakeParams(f, tmDown, false, 3, clFuchsia));
      ASSERT_EQ(FirstMismatch(tweenery.Frame(), SameAs(want)), "") << "frame " << f;
    }
  }
}

// The random bars draw their order as the run goes: played tick by tick
// through the component over a littered frame, each frame equals what the
// effect draws with a state of its own on a filled frame, from the same
// random draws. The control may be larger than the pictures, and the
// entering picture of another size.
template <class TBarState>
void CheckBarRuns(TTransitionOperation Operation, TFXFunction Forward, TFXFunction Reverse, std::uint32_t Seed) {
  std::mt19937 random(Seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int trial = 0; trial < 60; ++trial) {
    const auto modifier = static_cast<TTransitionModifier>(pick(0, 3));
    const bool reverse = pick(0, 1) == 1;
    const int w = pick(1, 40), h = pick(1, 40);
    const bool sameSize = pick(0, 3) != 0;
    const int controlW = pick(0, 2) ? w : w + pick(1, 9), controlH = pick(0, 2) ? h : h + pick(1, 9);
    const TColor color = static_cast<TColor>(random() & 0xFFFFFFu);
    SCOPED_TRACE(testing::Message() << "trial " << trial << " modifier " << int{modifier} << " reverse " << reverse
                                    << " " << w << "x" << h << " same size " << sameSize << " control " << controlW
                                    << "x" << controlH);
    auto from = RandomPicture(w, h, random());
    auto to = RandomPicture(sameSize ? w : pick(1, 40), sameSize ? h : pick(1, 40), random());

    TFrameTweenery tweenery;
    tweenery.SetBounds(0, 0, controlW, controlH);
    tweenery.SetOperation(Operation);
    tweenery.SetModifier(modifier);
    tweenery.SetReverse(reverse);
    tweenery.SetFromBitmap(from.get());
    tweenery.SetToBitmap(to.get());
    tweenery.SetColor(color);
    auto shownFrom = CopyOf(tweenery.FromBitmap()), shownTo = CopyOf(tweenery.ToBitmap());

    // The component's ticks come only from FXTimer here: its timer needs the
    // message loop, which this test never runs.
    const std::uint64_t runSeed = random();
    SetRandSeed(runSeed);
    tweenery.Play();
    TBarState state;
    TFXParams params = MakeParams(0, modifier, reverse, tweenery.Delta(), color);
    params.State = &state;
    state.BarCount = Operation == toRandomBars ? (modifier == tmLeft || modifier == tmRight ? controlW : controlH)
                                               : std::max(controlW, controlH);
    SetRandSeed(runSeed);
    state.Init(&params);

    for (int tick = 0; tweenery.Active(); ++tick) {
      ASSERT_LT(tick, 200) << "the run does not end";
      tweenery.LitterFrame(random);
      const std::uint64_t tickSeed = random();
      SetRandSeed(tickSeed);
      tweenery.FXTimer(nullptr);
      params.CurrentFrame = tweenery.CurrentFrame();
      SetRandSeed(tickSeed);
      const TEffectCall want = CallEffect(reverse ? Reverse : Forward, shownFrom.get(), shownTo.get(), params);
      ASSERT_EQ(FirstMismatch(tweenery.Frame(), SameAs(want)), "") << "frame " << params.CurrentFrame;
    }
    state.Done(&params);
  }
}

TEST(FrameFill, RandomBarRunsMatchEffectCallsOnAFilledFrame) {
  CheckBarRuns<TRandomBarsFXState>(toRandomBars, FXDispatch[toRandomBars].Forward, FXDispatch[toRandomBars].Reverse,
                                   41u);
  CheckBarRuns<TTwinRandomBarsFXState>(toTwinRandomBars, FXDispatch[toTwinRandomBars].Forward,
                                       FXDispatch[toTwinRandomBars].Reverse, 43u);
}

}  // namespace
}  // namespace tweenery::test
