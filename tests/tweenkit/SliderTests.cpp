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

// 100 x 80 pictures, Delta 10. The modifier picks only the orientation.
TEST(SliderAndStrip, CombBandsCloseInOn100x80) {
  auto from = CodedPicture(100, 80, kFromTag), to = CodedPicture(100, 80, kToTag);
  const TWant slider30 = [](int x, int y) {
    if (EvenBand(y)) return x < 30 ? ToAt(x + 70, y) : FromAt(x, y);
    return x >= 70 ? ToAt(x - 70, y) : FromAt(x, y);
  };
  const TWant strip30 = [](int x, int y) {
    return (EvenBand(y) ? x < 30 : x >= 70) ? ToAt(x, y) : FromAt(x, y);
  };
  struct Case {
    TFXFunction Effect;
    const char* Name;
    TTransitionModifier Modifier;
    bool Reverse;
    int c;
    bool Finished;
    TWant Want;
  } cases[] = {
      {FXSlider, "slider", tmLeft, false, 30, false, slider30},
      {FXSlider, "slider", tmRight, false, 30, false, slider30},
      {FXSlider, "slider", tmUp, false, 30, false,
       [](int x, int y) {
         if (EvenBand(x)) return y < 30 ? ToAt(x, y + 50) : FromAt(x, y);
         return y >= 50 ? ToAt(x, y - 50) : FromAt(x, y);
       }},
      {FXSlider, "slider", tmLeft, false, 100, false, ToAt},
      {FXSlider, "slider", tmLeft, false, 101, true, ToAt},
      {FXSlider, "slider", tmLeft, false, kMaxInt, true, ToAt},
      {FXReverseSlider, "reverse slider", tmLeft, false, 0, false, ToAt},
      {FXReverseSlider, "reverse slider", tmLeft, false, 70, false, slider30},
      {FXReverseSlider, "reverse slider", tmLeft, false, 100, false, FromAt},
      {FXReverseSlider, "reverse slider", tmLeft, false, 101, true, FromAt},
      {FXStrip, "strip", tmLeft, false, 30, false, strip30},
      {FXStrip, "strip", tmRight, false, 30, false, strip30},
      {FXStrip, "strip", tmLeft, true, 30, false,
       [](int x, int y) { return (EvenBand(y) ? x < 30 : x >= 70) ? FromAt(x, y) : ToAt(x, y); }},
      {FXStrip, "strip", tmDown, false, 30, false,
       [](int x, int y) { return (EvenBand(x) ? y < 30 : y >= 50) ? ToAt(x, y) : FromAt(x, y); }},
      {FXStrip, "strip", tmUp, false, 80, false, ToAt},
      {FXStrip, "strip", tmUp, false, 81, true, ToAt},
      {FXStrip, "strip", tmUp, true, kMaxInt, true, FromAt},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.Name << " modifier " << k.Modifier << " reverse " << k.Reverse << " c "
                                    << k.c);
    auto call = CallEffect(k.Effect, from.get(), to.get(), MakeParams(k.c, k.Modifier, k.Reverse));
    EXPECT_EQ(call.Finished, k.Finished);
    EXPECT_EQ(FirstMismatch(*call.Frame, k.Want), "");
  }
}

// Odd sizes and a Delta that does not divide them catch off-by-ones at both
// ends of the run.
TEST(SliderAndStrip, ReverseSliderFrameAtCIsTheForwardFrameAtTMinusC) {
  auto from = CodedPicture(23, 17, kFromTag), to = CodedPicture(23, 17, kToTag);
  for (TTransitionModifier modifier : {tmLeft, tmRight, tmUp, tmDown}) {
    const int T = modifier == tmLeft || modifier == tmRight ? 23 : 17;
    for (int c = 0; c <= T + 2; ++c) {
      SCOPED_TRACE(testing::Message() << "modifier " << modifier << " c " << c);
      auto reverse = CallEffect(FXReverseSlider, from.get(), to.get(), MakeParams(c, modifier, false, 3));
      auto forward = CallEffect(FXSlider, from.get(), to.get(), MakeParams(std::max(T - c, 0), modifier, false, 3));
      EXPECT_EQ(reverse.Finished, c > T);
      EXPECT_EQ(FirstMismatch(*reverse.Frame, SameAs(forward)), "");
    }
  }
}

// The travel is the incoming picture's own width and bands stop where it ends.
TEST(SliderAndStrip, SmallerIncomingPictureSetsTheTravelAndTheBands) {
  auto from = CodedPicture(100, 80, kFromTag), to = CodedPicture(60, 40, kToTag);
  auto slider = CallEffect(FXSlider, from.get(), to.get(), MakeParams(30));
  EXPECT_EQ(FirstMismatch(*slider.Frame,
                          [](int x, int y) {
                            if (y >= 40) return FromAt(x, y);
                            if (EvenBand(y)) return x < 30 ? ToAt(x + 30, y) : FromAt(x, y);
                            return x >= 30 && x < 60 ? ToAt(x - 30, y) : FromAt(x, y);
                          }),
            "");
  auto strip = CallEffect(FXStrip, from.get(), to.get(), MakeParams(61));
  EXPECT_TRUE(strip.Finished);
  EXPECT_EQ(FirstMismatch(*strip.Frame, [](int x, int y) { return x < 60 && y < 40 ? ToAt(x, y) : FromAt(x, y); }),
            "");
}

// A Delta below 1 would never advance the band loop; it draws as Delta 1.
// A huge one leaves a single band and must not overflow its end.
TEST(SliderAndStrip, OutOfRangeDeltaDrawsBoundedFrames) {
  auto from = CodedPicture(30, 20, kFromTag), to = CodedPicture(30, 20, kToTag);
  for (TFXFunction effect : {FXSlider, FXReverseSlider, FXStrip})
    for (int c : {7, kMaxInt}) {
      SCOPED_TRACE(testing::Message() << "c " << c);
      auto one = CallEffect(effect, from.get(), to.get(), MakeParams(c, tmLeft, false, 1));
      for (int delta : {0, -5, std::numeric_limits<int>::min()})
        EXPECT_EQ(FirstMismatch(*CallEffect(effect, from.get(), to.get(), MakeParams(c, tmLeft, false, delta)).Frame,
                                SameAs(one)),
                  "")
            << "Delta " << delta;
      for (TTransitionModifier modifier : {tmLeft, tmUp}) {
        auto single = CallEffect(effect, from.get(), to.get(), MakeParams(c, modifier, false, 30));
        EXPECT_EQ(
            FirstMismatch(*CallEffect(effect, from.get(), to.get(), MakeParams(c, modifier, false, kMaxInt)).Frame,
                          SameAs(single)),
            "")
            << "modifier " << modifier;
      }
    }
}

}  // namespace
}  // namespace tweenery::test
