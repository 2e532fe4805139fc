// Luma maps: frames re-created from a map equal the component's own frames,
// the value scaling keeps every frame apart, and runs that are not wipes are
// refused for the reason they show.
#include "tweenkit/LumaMap.h"

#include <gtest/gtest.h>

#include "TestPictures.h"
#include "tweenkit/Presets.h"

namespace tweenery {
namespace {

TTransitionSettings Look(TTransitionOperation Operation, TTransitionModifier Modifier = tmLeft, bool Reverse = false) {
  TTransitionSettings s;
  s.Operation = Operation;
  s.Modifier = Modifier;
  s.Reverse = Reverse;
  s.Seed = 7;
  if (auto delta = OperationPreset(Operation).Delta) s.Delta = *delta;
  return s;
}

std::string Describe(const TTransitionSettings& S, int Width, int Height) {
  return std::string(OperationText(S.Operation)) + " " + ModifierText(S.Modifier) + (S.Reverse ? " reverse" : "") +
         " Delta " + std::to_string(S.Delta) + " at " + std::to_string(Width) + "x" + std::to_string(Height);
}

// Every frame of the run between two random pictures, against the frame a
// host makes from the map by the documented rule: the picture the run ends
// on where value <= p * 65535, p = n / N.
void ExpectMapRecreatesFrames(const TTransitionSettings& Settings, int Width, int Height) {
  SCOPED_TRACE(Describe(Settings, Width, Height));
  const TWipe wipe = AnalyseWipe(Width, Height, Settings);
  const std::vector<std::uint16_t> map = LumaValues(wipe);
  const auto from = test::RandomPicture(Width, Height, 1), to = test::RandomPicture(Width, Height, 2);
  const TBitmap& start = wipe.Backwards ? *to : *from;
  const TBitmap& end = wipe.Backwards ? *from : *to;
  TTransitionRenderer renderer(*from, *to, Settings);
  ASSERT_EQ(renderer.FrameCount(), wipe.FrameCount);
  for (std::int32_t n = 0; n <= wipe.FrameCount; ++n) {
    const double p = wipe.FrameCount == 0 ? 1.0 : static_cast<double>(n) / wipe.FrameCount;
    const std::string mismatch = test::FirstMismatch(renderer.Compose(n), [&](int X, int Y) {
      const bool turned = map[static_cast<std::size_t>(Y) * Width + X] <= p * 65535;
      return test::PixelAt(turned ? end : start, X, Y);
    });
    ASSERT_EQ(mismatch, "") << "frame " << n << " of " << wipe.FrameCount;
  }
}

bool IsWipe(const TTransitionSettings& Settings, int Width, int Height) {
  try {
    AnalyseWipe(Width, Height, Settings);
    return true;
  } catch (const ENotAWipe&) {
    return false;
  }
}

TEST(LumaMap, RecreatedFramesEqualTheComponentsForEveryWipe) {
  int wipes = 0;
  for (int item = 0; item < OperationItemCount; ++item) {
    const TTransitionOperation operation = OperationOfItem(item);
    if (!IsWipe(Look(operation), 40, 30)) continue;
    ++wipes;
    for (auto [width, height] : {std::pair{40, 30}, std::pair{37, 23}, std::pair{9, 61}})
      for (TTransitionModifier modifier : {tmLeft, tmDown})
        for (bool reverse : {false, true}) {
          const TTransitionSettings settings = Look(operation, modifier, reverse);
          if (IsWipe(settings, width, height)) ExpectMapRecreatesFrames(settings, width, height);
        }
  }
  EXPECT_GE(wipes, 8);
}

TEST(LumaMap, OtherDeltasAndOnePixel) {
  for (TPositiveInteger delta : {1, 3, 50}) {
    TTransitionSettings settings = Look(toBlinds, tmUp);
    settings.Delta = delta;
    ExpectMapRecreatesFrames(settings, 31, 17);
    settings = Look(toRandomBars, tmRight);
    settings.Delta = delta;
    ExpectMapRecreatesFrames(settings, 31, 17);
  }
  ExpectMapRecreatesFrames(Look(toIris), 1, 1);
  ExpectMapRecreatesFrames(Look(toStrip, tmDown), 1, 5);
}

// Value of turn frame T against the threshold of frame n, for the frames
// either side of the turn, at counts up to the longest a map takes.
TEST(LumaMap, ValuesKeepEveryFrameApartWithRoomForRounding) {
  for (std::int32_t count : {1, 2, 3, 7, 255, 1000, 40000, 65533, MaxLumaFrameCount}) {
    SCOPED_TRACE(count);
    EXPECT_EQ(LumaValue(0, count), 0);
    EXPECT_EQ(LumaValue(count, count) <= 65535, true);
    for (std::int32_t n = 0; n <= count; ++n) {
      const double threshold = static_cast<double>(n) / count * 65535;
      // Progress 0 is exact in any arithmetic; every other threshold has room.
      const double margin = n == 0 ? 0 : 1.0 / count - 1e-9;
      ASSERT_LE(LumaValue(n, count) + margin, threshold) << "turn " << n;
      if (n < count) {
        ASSERT_GT(LumaValue(n + 1, count) - 1.0 / count + 1e-9, threshold) << "turn " << n + 1;
      }
      ASSERT_DOUBLE_EQ(LumaThreshold(n, count), threshold);
    }
  }
}

TEST(LumaMap, RefusesRunsThatAreNotWipesForTheirReason) {
  auto faultOf = [](const TTransitionSettings& Settings) -> std::optional<TWipeFault> {
    try {
      AnalyseWipe(24, 16, Settings);
      return std::nullopt;
    } catch (const ENotAWipe& e) {
      EXPECT_NE(std::string(e.what()).find(OperationText(Settings.Operation)), std::string::npos) << e.what();
      return e.Fault();
    }
  };
  EXPECT_EQ(faultOf(Look(toPush)), wfMovesPixels);
  EXPECT_EQ(faultOf(Look(toRoll)), wfMovesPixels);
  EXPECT_EQ(faultOf(Look(toBlend)), wfMixesColours);
  EXPECT_EQ(faultOf(Look(toFade)), wfMixesColours);
  EXPECT_EQ(faultOf(Look(toRGB)), wfMixesColours);
  // Channels taken one at a time from the other picture are a mix too.
  EXPECT_EQ(faultOf(Look(toRGBBlend)), wfMixesColours);
  EXPECT_EQ(faultOf(Look(toShade)), wfMixesColours);
  EXPECT_EQ(faultOf(Look(toSwarm)), wfTurnsBack);
  EXPECT_EQ(faultOf(Look(toSpiral)), wfTurnsBack);
  EXPECT_EQ(faultOf(Look(toIris)), std::nullopt);
}

// Blinds take Delta frames: the longest run a map tells apart, and one more.
TEST(LumaMap, RunsLongerThanSixteenBitsTellApartAreRefused) {
  TTransitionSettings settings = Look(toBlinds);
  settings.Delta = MaxLumaFrameCount;
  EXPECT_EQ(AnalyseWipe(4, 3, settings).FrameCount, MaxLumaFrameCount);
  ExpectMapRecreatesFrames(settings, 4, 3);
  settings.Delta = MaxLumaFrameCount + 1;
  try {
    AnalyseWipe(4, 3, settings);
    ADD_FAILURE() << "a run of " << settings.Delta << " frames was taken";
  } catch (const ENotAWipe& e) {
    EXPECT_EQ(e.Fault(), wfTooLong);
  }
}

TEST(LumaMap, ReverseFormsTurnFromToBackToFrom) {
  const TWipe forward = AnalyseWipe(30, 20, Look(toIris));
  const TWipe reverse = AnalyseWipe(30, 20, Look(toIris, tmLeft, true));
  EXPECT_FALSE(forward.Backwards);
  EXPECT_TRUE(reverse.Backwards);
}

}  // namespace
}  // namespace tweenery
