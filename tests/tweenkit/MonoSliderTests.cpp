#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

constexpr int kMaxInt = std::numeric_limits<int>::max();
using TWant = std::function<std::uint32_t(int, int)>;

std::uint32_t FromAt(int x, int y) { return CodedPixel(kFromTag, x, y); }
std::uint32_t ToAt(int x, int y) { return CodedPixel(kToTag, x, y); }
bool EvenBand(int Across) { return (Across / 10) % 2 == 0; }

// 100 x 80 pictures, Delta 10.
TEST(MonoSlider, SlidesEvenBandsThenWipesOddBandsOn100x80) {
  auto from = CodedPicture(100, 80, kFromTag), to = CodedPicture(100, 80, kToTag);
  struct Case {
    TFXFunction Effect;
    TTransitionModifier Modifier;
    int c;
    bool Finished;
    TWant Want;
  } cases[] = {
      {FXMonoSlider, tmLeft, 30, false,
       [](int x, int y) { return EvenBand(y) && x >= 70 ? ToAt(x - 70, y) : FromAt(x, y); }},
      {FXMonoSlider, tmLeft, 130, false,
       [](int x, int y) { return EvenBand(y) || x < 30 ? ToAt(x, y) : FromAt(x, y); }},
      {FXMonoSlider, tmLeft, 200, false, ToAt},
      {FXMonoSlider, tmLeft, 201, true, ToAt},
      {FXMonoSlider, tmLeft, kMaxInt, true, ToAt},
      {FXMonoSlider, tmRight, 30, false,
       [](int x, int y) { return EvenBand(y) && x < 30 ? ToAt(x + 70, y) : FromAt(x, y); }},
      {FXMonoSlider, tmRight, 130, false,
       [](int x, int y) { return EvenBand(y) || x >= 70 ? ToAt(x, y) : FromAt(x, y); }},
      {FXMonoSlider, tmUp, 30, false,
       [](int x, int y) { return EvenBand(x) && y >= 50 ? ToAt(x, y - 50) : FromAt(x, y); }},
      {FXMonoSlider, tmUp, 110, false,
       [](int x, int y) { return EvenBand(x) || y < 30 ? ToAt(x, y) : FromAt(x, y); }},
      {FXMonoSlider, tmUp, 160, false, ToAt},
      {FXMonoSlider, tmUp, 161, true, ToAt},
      {FXMonoSlider, tmDown, 30, false,
       [](int x, int y) { return EvenBand(x) && y < 30 ? ToAt(x, y + 50) : FromAt(x, y); }},
      {FXMonoSlider, tmDown, 110, false,
       [](int x, int y) { return EvenBand(x) || y >= 50 ? ToAt(x, y) : FromAt(x, y); }},
      {FXReverseMonoSlider, tmLeft, 0, false, ToAt},
      {FXReverseMonoSlider, tmLeft, 70, false,
       [](int x, int y) { return EvenBand(y) || x < 30 ? ToAt(x, y) : FromAt(x, y); }},
      {FXReverseMonoSlider, tmLeft, 200, false, FromAt},
      {FXReverseMonoSlider, tmLeft, 201, true, FromAt},
      {FXReverseMonoSlider, tmLeft, kMaxInt, true, FromAt},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << (k.Effect == FXMonoSlider ? "forward" : "reverse") << " modifier "
                                    << k.Modifier << " c " << k.c);
    auto call = CallEffect(k.Effect, from.get(), to.get(), MakeParams(k.c, k.Modifier));
    EXPECT_EQ(call.Finished, k.Finished);
    EXPECT_EQ(FirstMismatch(*call.Frame, k.Want), "");
  }
}

// Odd sizes and a Delta that does not divide them catch off-by-ones at the
// phase change and at both ends of the run.
TEST(MonoSlider, ReverseFrameAtCIsTheForwardFrameAtTwiceTMinusC) {
  auto from = CodedPicture(23, 17, kFromTag), to = CodedPicture(23, 17, kToTag);
  for (TTransitionModifier modifier : {tmLeft, tmRight, tmUp, tmDown}) {
    const int run = 2 * (modifier == tmLeft || modifier == tmRight ? 23 : 17);
    for (int c = 0; c <= run + 2; ++c) {
      SCOPED_TRACE(testing::Message() << "modifier " << modifier << " c " << c);
      auto reverse = CallEffect(FXReverseMonoSlider, from.get(), to.get(), MakeParams(c, modifier, false, 3));
      auto forward =
          CallEffect(FXMonoSlider, from.get(), to.get(), MakeParams(std::max(run - c, 0), modifier, false, 3));
      EXPECT_EQ(reverse.Finished, c > run);
      EXPECT_EQ(FirstMismatch(*reverse.Frame, [&](int x, int y) { return PixelAt(*forward.Frame, x, y); }), "");
    }
  }
}

// The run length and the bands follow the To picture's own extent, and the
// bands stop where the To picture ends.
TEST(MonoSlider, SmallerToPictureSetsTheRunAndTheBands) {
  auto from = CodedPicture(100, 80, kFromTag), to = CodedPicture(60, 40, kToTag);
  auto slide = CallEffect(FXMonoSlider, from.get(), to.get(), MakeParams(30));
  EXPECT_EQ(FirstMismatch(*slide.Frame,
                          [](int x, int y) {
                            return EvenBand(y) && y < 40 && x >= 30 && x < 60 ? ToAt(x - 30, y) : FromAt(x, y);
                          }),
            "");
  auto end = CallEffect(FXMonoSlider, from.get(), to.get(), MakeParams(121));
  EXPECT_TRUE(end.Finished);
  EXPECT_EQ(FirstMismatch(*end.Frame, [](int x, int y) { return x < 60 && y < 40 ? ToAt(x, y) : FromAt(x, y); }),
            "");
}

// A Delta below 1 would never advance the band loop; it draws as Delta 1.
// A huge one leaves a single band and must not overflow its end.
TEST(MonoSlider, OutOfRangeDeltaDrawsBoundedFrames) {
  auto from = CodedPicture(30, 20, kFromTag), to = CodedPicture(30, 20, kToTag);
  for (TFXFunction effect : {FXMonoSlider, FXReverseMonoSlider})
    for (int c : {7, 37, kMaxInt}) {
      SCOPED_TRACE(testing::Message() << "c " << c);
      auto one = CallEffect(effect, from.get(), to.get(), MakeParams(c, tmLeft, false, 1));
      auto single = CallEffect(effect, from.get(), to.get(), MakeParams(c, tmLeft, false, 20));
      for (int delta : {0, -5, std::numeric_limits<int>::min()})
        EXPECT_EQ(FirstMismatch(*CallEffect(effect, from.get(), to.get(), MakeParams(c, tmLeft, false, delta)).Frame,
                                SameAs(one)),
                  "")
            << "Delta " << delta;
      EXPECT_EQ(FirstMismatch(*CallEffect(effect, from.get(), to.get(), MakeParams(c, tmUp, false, kMaxInt)).Frame,
                              SameAs(CallEffect(effect, from.get(), to.get(), MakeParams(c, tmUp, false, 30)))),
                "");
      EXPECT_EQ(FirstMismatch(*CallEffect(effect, from.get(), to.get(), MakeParams(c, tmLeft, false, kMaxInt)).Frame,
                              SameAs(single)),
                "");
    }
}

}  // namespace
}  // namespace tweenery::test
