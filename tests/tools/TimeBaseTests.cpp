// The time base against the component's own playback: frame counts, frames
// of runs with any Steps, random runs replayed from a seed, easing curves.
#include "tweenkit/TimeBase.h"

#include <gtest/gtest.h>

#include <climits>

#include <cstring>

#include "TestPictures.h"
#include "platform/Random.h"
#include "tweenkit/Presets.h"

namespace tweenery {
namespace {

using test::CodedPicture;
using test::kFromTag;
using test::kToTag;

bool SamePixels(const TBitmap& A, const TBitmap& B) {
  if (A.Width() != B.Width() || A.Height() != B.Height()) return false;
  return std::memcmp(A.Bits(), B.Bits(), sizeof(std::uint32_t) * A.Width() * A.Height()) == 0;
}

std::unique_ptr<TBitmap> Copy(const TBitmap& Bitmap) {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(&Bitmap);
  return copy;
}

// The component playing by its own ticks, keeping a copy of every frame it
// composes.
class TRecordingTweenery : public TTweenery {
 public:
  TRecordingTweenery() : TTweenery(nullptr) {}
  void GenerateFrame() override {
    TTweenery::GenerateFrame();
    if (Active() || Ended) Frames.push_back(Copy(*FrameBitmap()));
  }
  std::vector<std::unique_ptr<TBitmap>> Frames;
  bool Ended = false;
};

struct TPlayback {
  std::int32_t EndFrame = -1;
  std::vector<std::unique_ptr<TBitmap>> Frames;
};

TPlayback Play(const TBitmap& From, const TBitmap& To, const TTransitionSettings& S, TPositiveInteger Steps) {
  TRecordingTweenery t;
  t.SetInterval(0);
  t.SetBounds(0, 0, From.Width(), From.Height());
  t.SetOperation(S.Operation);
  t.SetModifier(S.Modifier);
  t.SetReverse(S.Reverse);
  t.SetDelta(S.Delta);
  t.SetRGBOrder(S.RGBOrder);
  t.SetFromBitmap(&From);
  t.SetToBitmap(&To);
  if (S.Color) t.SetColor(*S.Color);
  t.SetSteps(Steps);
  t.SetOnDone([&t](TObject*) { t.Ended = true; });
  SetRandSeed(S.Seed);
  t.Play();
  for (int tick = 0; !t.Ended && tick < 100000; ++tick) t.FXTimer(nullptr);
  TPlayback playback;
  playback.EndFrame = t.CurrentFrame();
  playback.Frames = std::move(t.Frames);
  return playback;
}

TTransitionSettings Settings(TTransitionOperation Operation, TTransitionModifier Modifier = tmLeft,
                             bool Reverse = false, TPositiveInteger Delta = 3) {
  TTransitionSettings s;
  s.Operation = Operation;
  s.Modifier = Modifier;
  s.Reverse = Reverse;
  s.Delta = Delta;
  s.Seed = 12345;
  return s;
}

TEST(TimeBase, FrameCountIsWherePlaybackEndsForEveryOperationAndDirection) {
  auto from = CodedPicture(13, 9, kFromTag), to = CodedPicture(13, 9, kToTag);
  for (int op = 0; op < TransitionOperationCount; ++op)
    for (int m = 0; m < 4; ++m)
      for (bool reverse : {false, true}) {
        const TTransitionSettings s = Settings(static_cast<TTransitionOperation>(op), static_cast<TTransitionModifier>(m), reverse);
        TTransitionRenderer renderer(*from, *to, s);
        EXPECT_EQ(renderer.FrameCount(), Play(*from, *to, s, 1).EndFrame)
            << OperationText(s.Operation) << " " << ModifierText(s.Modifier) << (reverse ? " reverse" : "");
      }
}

// The counts worked out from the effects' end rules against the counts
// found by composing, over frames from a single pixel to wide and tall ones
// and Deltas from 1 to past the frame's sides.
TEST(TimeBase, WorkedOutFrameCountsEqualTheSearchedOnesForManySizes) {
  const std::pair<int, int> sizes[] = {{1, 1}, {2, 3}, {5, 1}, {13, 9}, {8, 21}, {64, 17}};
  for (const auto& [w, h] : sizes) {
    auto from = CodedPicture(w, h, kFromTag), to = CodedPicture(w, h, kToTag);
    for (int op = 0; op < TransitionOperationCount; ++op)
      for (int m = 0; m < 4; ++m)
        for (bool reverse : {false, true})
          for (TPositiveInteger delta : {1, 2, 7, 40}) {
            const TTransitionSettings s =
                Settings(static_cast<TTransitionOperation>(op), static_cast<TTransitionModifier>(m), reverse, delta);
            TTransitionRenderer renderer(*from, *to, s);
            ASSERT_EQ(renderer.FrameCount(), renderer.SearchFrameCount())
                << OperationText(s.Operation) << " " << ModifierText(s.Modifier) << (reverse ? " reverse" : "")
                << " Delta " << delta << " at " << w << " x " << h;
          }
  }
  // Past 2147483647 frames playback ends the run at the top of the range,
  // however its count is had.
  EXPECT_EQ(TransitionFrameCount(Settings(toSpiral, tmLeft, false, 46340), 4, 4), 2147395600);
  EXPECT_EQ(TransitionFrameCount(Settings(toSpiral, tmLeft, false, 46341), 4, 4), INT_MAX);
  EXPECT_EQ(TransitionFrameCount(Settings(toRoll, tmLeft, false, 2147483647), 4, 4), INT_MAX);
  auto small = CodedPicture(4, 4, kFromTag), larger = CodedPicture(5, 4, kToTag);
  TTransitionRenderer searched(*small, *larger, Settings(toSpiral, tmLeft, false, 40000));
  EXPECT_EQ(searched.FrameCount(), 1600000000);
  EXPECT_EQ(TTransitionRenderer(*small, *larger, Settings(toSpiral, tmLeft, false, 46341)).FrameCount(), INT_MAX);
}

// A run of two billion frames is worked out frame by frame, not listed.
TEST(TimeBase, AFrameOfAHugePlaybackRunIsHadWithoutListingTheRun) {
  auto from = CodedPicture(6, 4, kFromTag), to = CodedPicture(6, 4, kToTag);
  const TTransitionSettings s = Settings(toSpiral, tmLeft, false, 46340);
  TTransitionRenderer renderer(*from, *to, s), fresh(*from, *to, s);
  TTransitionRun run(renderer, TRunFrames::Playback(renderer.FrameCount(), 1));
  ASSERT_EQ(run.Count(), 2147395601u);
  EXPECT_EQ(run.CurrentFrameOf(5), 5);
  EXPECT_EQ(run.CurrentFrameOf(run.Count() - 1), 2147395600);
  EXPECT_THROW(run.CurrentFrameOf(run.Count()), std::out_of_range);
  EXPECT_TRUE(SamePixels(run.Frame(5), fresh.Compose(5)));
  TTransitionRun stepped(renderer, TRunFrames::Playback(renderer.FrameCount(), 1000000000));
  EXPECT_EQ(stepped.Count(), 3u);
  EXPECT_EQ(stepped.CurrentFrameOf(1), 1999999999);
  EXPECT_EQ(stepped.CurrentFrameOf(2), 2147395600);
  EXPECT_EQ(TTransitionRun(renderer, TRunFrames::Eased(100, 5, TEasing())).CurrentFrameOf(3), 75);
}

TEST(TimeBase, PlaybackRunEqualsTheComponentsFramesWithAnySteps) {
  auto from = CodedPicture(20, 14, kFromTag), to = CodedPicture(20, 14, kToTag);
  for (TTransitionOperation op : {toPush, toRoll, toFade, toRandomBars, toTwinRandomBars, toSwarm, toSpiral})
    for (TPositiveInteger steps : {1, 3, 7}) {
      const TTransitionSettings s = Settings(op, tmUp, false, 4);
      TTransitionRenderer renderer(*from, *to, s);
      TTransitionRun run(renderer, PlaybackFrames(renderer.FrameCount(), steps));
      const TPlayback playback = Play(*from, *to, s, steps);
      ASSERT_EQ(run.Count(), playback.Frames.size()) << OperationText(op) << " steps " << steps;
      for (std::size_t i = 0; i < run.Count(); ++i)
        ASSERT_TRUE(SamePixels(run.Frame(i), *playback.Frames[i])) << OperationText(op) << " steps " << steps << " frame " << i;
    }
}

TEST(TimeBase, PushOverASecondAtTwentyFiveFramesGoesFromTheFromPictureToTheToPicture) {
  auto from = CodedPicture(40, 10, kFromTag), to = CodedPicture(40, 10, kToTag);
  TTransitionRenderer renderer(*from, *to, Settings(toPush));
  TTransitionRun run(renderer, EasedFrames(renderer.FrameCount(), 25, TEasing()));
  ASSERT_EQ(run.Count(), 25u);
  EXPECT_TRUE(SamePixels(run.Frame(0), *from));
  EXPECT_TRUE(SamePixels(run.Frame(24), *to));
  EXPECT_EQ(run.CurrentFrameOf(12), renderer.FrameCount() / 2);
  // ease-in lags behind the linear run in the middle, ease-out runs ahead.
  const auto easeIn = EasedFrames(renderer.FrameCount(), 25, TEasing::Parse("ease-in"));
  const auto easeOut = EasedFrames(renderer.FrameCount(), 25, TEasing::Parse("ease-out"));
  EXPECT_EQ(easeIn[12], static_cast<std::int32_t>(std::nearbyint(0.3153568 * renderer.FrameCount())));
  EXPECT_EQ(easeOut[12], static_cast<std::int32_t>(std::nearbyint(0.6846432 * renderer.FrameCount())));
}

TEST(TimeBase, RandomRunsReplayFromTheirSeedHoweverAFrameIsReached) {
  auto from = CodedPicture(24, 16, kFromTag), to = CodedPicture(24, 16, kToTag);
  for (TTransitionOperation op : {toRandomBars, toTwinRandomBars, toSwarm, toPush}) {
    TTransitionSettings s = Settings(op, tmLeft, false, 5);
    TTransitionRenderer renderer(*from, *to, s);
    const TEasing easing = TEasing::Parse("ease-in-out");
    TTransitionRun run(renderer, EasedFrames(renderer.FrameCount(), 11, easing));
    std::vector<std::unique_ptr<TBitmap>> inOrder;
    for (std::size_t i = 0; i < run.Count(); ++i) inOrder.push_back(Copy(run.Frame(i)));
    for (std::size_t i : {7u, 2u, 9u, 0u, 5u})
      EXPECT_TRUE(SamePixels(run.Frame(i), *inOrder[i])) << OperationText(op) << " frame " << i;
    EXPECT_TRUE(SamePixels(run.At(0.6, easing), *inOrder[6])) << OperationText(op);
    EXPECT_TRUE(SamePixels(run.Frame(3), *inOrder[3])) << OperationText(op);

    // The caller's draws do not disturb the run, and the run leaves them be.
    TTransitionRenderer again(*from, *to, s);
    TTransitionRun second(again, EasedFrames(again.FrameCount(), 11, easing));
    SetRandSeed(99);
    for (std::size_t i = 0; i < second.Count(); ++i) {
      Random(1000);
      ASSERT_TRUE(SamePixels(second.Frame(i), *inOrder[i])) << OperationText(op) << " frame " << i;
    }
    SetRandSeed(99);
    const std::int32_t expected = (Random(1000), Random(1000));
    SetRandSeed(99);
    Random(1000);
    TTransitionRenderer(*from, *to, s).Compose(4);
    EXPECT_EQ(Random(1000), expected);
  }
}

// A renderer that takes its pictures composes what one that copies them
// does: of one size, and with the To picture fitted to the From picture's.
TEST(TimeBase, TakenPicturesComposeTheFramesOfCopiedOnes) {
  const auto from = CodedPicture(24, 16, kFromTag);
  for (const auto& [toWidth, toHeight] : {std::pair{24, 16}, std::pair{10, 30}}) {
    const auto to = CodedPicture(toWidth, toHeight, kToTag);
    for (TTransitionOperation op : {toPush, toZoom, toRandomBars, toSwarm, toFade}) {
      const TTransitionSettings s = Settings(op, tmUp, true, 4);
      TTransitionRenderer copied(*from, *to, s), taken(Copy(*from), Copy(*to), s);
      ASSERT_EQ(taken.FrameCount(), copied.FrameCount()) << OperationText(op);
      EXPECT_EQ(taken.Width(), 24);
      EXPECT_EQ(taken.Height(), 16);
      for (std::int32_t f = 0; f <= copied.FrameCount(); f += std::max(1, copied.FrameCount() / 7))
        ASSERT_TRUE(SamePixels(taken.Compose(f), copied.Compose(f))) << OperationText(op) << " frame " << f;
    }
  }
  EXPECT_THROW(TTransitionRenderer(nullptr, Copy(*from), Settings(toPush)), ETimeBase);
  EXPECT_THROW(TTransitionRenderer(std::make_unique<TBitmap>(0, 5), Copy(*from), Settings(toPush)), ETimeBase);
}

TEST(TimeBase, DifferentSeedsGiveDifferentRandomRuns) {
  auto from = CodedPicture(24, 16, kFromTag), to = CodedPicture(24, 16, kToTag);
  for (TTransitionOperation op : {toRandomBars, toTwinRandomBars, toSwarm}) {
    TTransitionSettings a = Settings(op, tmDown, false, 5), b = a;
    b.Seed = a.Seed + 1;
    TTransitionRenderer ra(*from, *to, a), rb(*from, *to, b);
    const std::int32_t middle = ra.FrameCount() / 2;
    EXPECT_FALSE(SamePixels(ra.Compose(middle), rb.Compose(middle))) << OperationText(op);
  }
}

TEST(TimeBase, RunsOfFramesAndTheirLimits) {
  EXPECT_EQ(PlaybackFrames(10, 3), (std::vector<std::int32_t>{2, 5, 8, 10}));
  EXPECT_EQ(PlaybackFrames(4, 1), (std::vector<std::int32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(PlaybackFrames(4, 2147483647), (std::vector<std::int32_t>{4}));
  EXPECT_EQ(PlaybackFrames(0, 5), (std::vector<std::int32_t>{0}));
  for (std::int32_t n : {0, 1, 9, 10, 11, 41})
    for (TPositiveInteger steps : {1, 2, 3, 10, 50})
      EXPECT_EQ(PlaybackFrameCount(n, steps), static_cast<std::int64_t>(PlaybackFrames(n, steps).size())) << n << " " << steps;
  EXPECT_EQ(PlaybackFrameCount(2147483647, 1), 2147483648);
  EXPECT_THROW(PlaybackFrames(10, 0), ETimeBase);
  EXPECT_THROW(PlaybackFrames(10, -5), ETimeBase);
  EXPECT_EQ(EasedFrames(100, 1, TEasing()), (std::vector<std::int32_t>{100}));
  EXPECT_EQ(EasedFrames(100, 5, TEasing()), (std::vector<std::int32_t>{0, 25, 50, 75, 100}));
  EXPECT_THROW(EasedFrames(100, 0, TEasing()), ETimeBase);
  // An overshooting curve stays inside the transition.
  const auto back = EasedFrames(100, 21, TEasing::Parse("cubic-bezier(0.5,-1,0.5,2)"));
  for (std::int32_t f : back) EXPECT_TRUE(f >= 0 && f <= 100) << f;
  TBitmap empty;
  auto picture = CodedPicture(4, 4, kFromTag);
  EXPECT_THROW(TTransitionRenderer(empty, *picture, TTransitionSettings{}), ETimeBase);
}

TEST(Easing, CurvesFollowTheirDefinitions) {
  const double tolerance = 1e-6;
  EXPECT_NEAR(TEasing::Parse("ease")(0.5), 0.8024033877, tolerance);
  EXPECT_NEAR(TEasing::Parse("ease-in")(0.5), 0.3153568, 1e-6);
  EXPECT_NEAR(TEasing::Parse("ease-out")(0.5), 0.6846432, 1e-6);
  EXPECT_NEAR(TEasing::Parse("ease-in-out")(0.5), 0.5, tolerance);
  EXPECT_NEAR(TEasing::Parse("ease-in-out")(0.25), 1 - TEasing::Parse("ease-in-out")(0.75), tolerance);
  EXPECT_NEAR(TEasing::Parse(" Linear ")(0.3), 0.3, tolerance);
  EXPECT_NEAR(TEasing::Parse("cubic-bezier(0, 0, 1, 1)")(0.37), 0.37, tolerance);
  for (const char* text : {"linear", "ease", "ease-in", "ease-out", "ease-in-out", "steps(3)", "steps(3,start)",
                           "cubic-bezier(0.1,-0.6,0.2,1.5)", "steps(4,jump-none)", "steps(2,jump-both)"}) {
    const TEasing e = TEasing::Parse(text);
    EXPECT_EQ(e(0), text == std::string("steps(3,start)") ? 1.0 / 3 : (text == std::string("steps(2,jump-both)") ? 1.0 / 3 : 0.0)) << text;
    EXPECT_EQ(e(1), 1.0) << text;
    EXPECT_EQ(e(-3), e(0)) << text;
    EXPECT_EQ(e(7), 1.0) << text;
  }
  EXPECT_EQ(TEasing::Parse("steps(4)")(0.3), 0.25);
  EXPECT_EQ(TEasing::Parse("steps(4)")(0.99), 0.75);
  EXPECT_EQ(TEasing::Parse("steps(4, start)")(0.3), 0.5);
  EXPECT_EQ(TEasing::Parse("steps(5, jump-none)")(0.5), 0.5);
  EXPECT_EQ(TEasing::Parse("step-end")(0.99), 0.0);
  EXPECT_EQ(TEasing::Parse("step-start")(0.01), 1.0);
  for (const char* bad : {"banana", "", "ease-sideways", "cubic-bezier(2,0,1,1)", "cubic-bezier(1,2)",
                          "cubic-bezier(a,0,1,1)", "steps(0)", "steps(2.5)", "steps(3, sideways)",
                          "steps(1, jump-none)", "cubic-bezier(0,nan,1,1)"})
    EXPECT_THROW(TEasing::Parse(bad), ETimeBase) << bad;
}

// Each operation's frames change with exactly the parameters the table
// lists: a parameter left out would make the gallery and list hide a
// variant, one listed wrongly would show twins.
TEST(Presets, TheParameterTableMatchesWhatTheFramesDependOn) {
  auto from = CodedPicture(16, 12, kFromTag), to = CodedPicture(16, 12, kToTag);
  auto frames = [&](const TTransitionSettings& s) {
    TTransitionRenderer renderer(*from, *to, s);
    std::vector<std::unique_ptr<TBitmap>> all;
    for (std::int32_t f = 0; f <= renderer.FrameCount(); ++f) all.push_back(Copy(renderer.Compose(f)));
    return all;
  };
  auto differ = [&](const TTransitionSettings& a, const TTransitionSettings& b) {
    const auto fa = frames(a), fb = frames(b);
    if (fa.size() != fb.size()) return true;
    for (std::size_t i = 0; i < fa.size(); ++i)
      if (!SamePixels(*fa[i], *fb[i])) return true;
    return false;
  };
  for (int op = 0; op < TransitionOperationCount; ++op) {
    TTransitionSettings base = Settings(static_cast<TTransitionOperation>(op), tmLeft, false, 3);
    base.Color = 0x203040;
    unsigned found = 0;
    for (int m = 1; m < 4; ++m) {
      TTransitionSettings v = base;
      v.Modifier = static_cast<TTransitionModifier>(m);
      if (differ(base, v)) found |= opModifier;
    }
    TTransitionSettings v = base;
    v.Reverse = true;
    if (differ(base, v)) found |= opReverse;
    v = base;
    v.Delta = 5;
    if (differ(base, v)) found |= opDelta;
    v = base;
    v.RGBOrder = coBGR;
    if (differ(base, v)) found |= opRGBOrder;
    v = base;
    v.Color = 0x102030;
    if (differ(base, v)) found |= opColor;
    EXPECT_EQ(found, OperationParameters(base.Operation)) << OperationText(base.Operation);
  }
}

TEST(Presets, NamesAreFoundWithoutRegardToCase) {
  EXPECT_EQ(FindOperation("Push"), toPush);
  EXPECT_EQ(FindOperation("toPush"), toPush);
  EXPECT_EQ(FindOperation("monoslider"), toMonoSlider);
  EXPECT_EQ(FindOperation("TOTWINRANDOMBARS"), toTwinRandomBars);
  EXPECT_EQ(FindOperation("Pus"), std::nullopt);
  EXPECT_EQ(FindOperation(""), std::nullopt);
  EXPECT_EQ(FindModifier("Down"), tmDown);
  EXPECT_EQ(FindModifier("tmright"), tmRight);
  EXPECT_EQ(FindModifier("sideways"), std::nullopt);
  EXPECT_EQ(FindRGBOrder("gbr"), coGBR);
  EXPECT_EQ(FindRGBOrder("coBGR"), coBGR);
  EXPECT_EQ(FindRGBOrder("RGBA"), std::nullopt);
  for (int i = 0; i < OperationItemCount; ++i) {
    EXPECT_EQ(OperationText(OperationOfItem(i)), std::string(OperationItemText(i)));
    EXPECT_EQ(FindOperation(OperationIdent(OperationOfItem(i))), OperationOfItem(i));
  }
  EXPECT_EQ(OperationPreset(toBlinds).Interval, 50u);
  EXPECT_EQ(OperationPreset(toBlinds).Delta, 15);
  EXPECT_EQ(OperationPreset(toPush).Delta, std::nullopt);
}

}  // namespace
}  // namespace tweenery
