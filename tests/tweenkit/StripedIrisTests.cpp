#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

// Distance of (x, y) from the nearest edge of a 100 x 100 frame.
int EdgeDistance(int x, int y) { return std::min({x, y, 99 - x, 99 - y}); }

// The frame shows the entering picture exactly where Entering(edge distance).
std::string RingsMismatch(const TBitmap& Frame, bool Reverse, const std::function<bool(int)>& Entering) {
  const std::uint32_t in = Reverse ? kFromTag : kToTag, out = Reverse ? kToTag : kFromTag;
  return FirstMismatch(Frame, [&](int x, int y) { return CodedPixel(Entering(EdgeDistance(x, y)) ? in : out, x, y); });
}

TEST(StripedIris, InwardStripesThenGaps) {
  auto from = CodedPicture(100, 100, kFromTag), to = CodedPicture(100, 100, kToTag);
  // tmRight with Reverse off and tmUp with Reverse on both run inward.
  for (const auto& [modifier, reverse] : {std::pair{tmRight, false}, std::pair{tmUp, true}}) {
    auto frame = [&](int F) { return CallEffect(FXStripedIris, from.get(), to.get(), MakeParams(F, modifier, reverse, 10)); };
    EXPECT_EQ(RingsMismatch(*frame(0).Frame, reverse, [](int e) { return e < 10; }), "");
    EXPECT_EQ(RingsMismatch(*frame(2).Frame, reverse, [](int e) { return (e / 10) % 2 == 0; }), "");
    const TEffectCall third = frame(3);
    EXPECT_FALSE(third.Finished);
    EXPECT_EQ(RingsMismatch(*third.Frame, reverse, [](int) { return true; }), "");
    const TEffectCall last = frame(5);
    EXPECT_TRUE(last.Finished);
    EXPECT_EQ(RingsMismatch(*last.Frame, reverse, [](int) { return true; }), "");
  }
}

// Hundreds of one-pixel rings, drawn whole or composed row by row alike.
// The centre, where the last ring turns inside out, is left out.
TEST(StripedIris, ManyThinRings) {
  const int S = 300;
  auto from = CodedPicture(S, S, kFromTag), to = CodedPicture(S, S, kToTag);
  auto check = [&](int F, auto&& Entering) {
    const auto call = CallEffect(FXStripedIris, from.get(), to.get(), MakeParams(F, tmRight, false, 1));
    EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                const int e = std::min({x, y, S - 1 - x, S - 1 - y});
                if (e > 140) return PixelAt(*call.Frame, x, y);
                return CodedPixel(Entering(e) ? kToTag : kFromTag, x, y);
              }), "") << F;
  };
  check(60, [](int e) { return e % 2 == 0 && e <= 120; });
  check(100, [](int e) { return e % 2 == 0 || e <= 51; });
}

TEST(StripedIris, OutwardFromTheCentre) {
  auto from = CodedPicture(100, 100, kFromTag), to = CodedPicture(100, 100, kToTag);
  auto frame = [&](int F) { return CallEffect(FXStripedIris, from.get(), to.get(), MakeParams(F, tmLeft, false, 10)); };
  EXPECT_EQ(RingsMismatch(*frame(0).Frame, false, [](int) { return false; }), "");  // the centre ring is empty
  EXPECT_EQ(RingsMismatch(*frame(2).Frame, false, [](int e) { return (e >= 10 && e < 20) || (e >= 30 && e < 40); }), "");
  EXPECT_EQ(RingsMismatch(*frame(3).Frame, false, [](int e) { return e >= 10; }), "");
  EXPECT_EQ(RingsMismatch(*frame(4).Frame, false, [](int) { return true; }), "");
  EXPECT_TRUE(frame(5).Finished);

  // Wide frame: the centre ring's top and bottom sides already make a band.
  auto wideFrom = CodedPicture(200, 100, kFromTag), wideTo = CodedPicture(200, 100, kToTag);
  const TEffectCall wide = CallEffect(FXStripedIris, wideFrom.get(), wideTo.get(), MakeParams(0, tmUp, false, 10));
  EXPECT_EQ(FirstMismatch(*wide.Frame,
                          [](int x, int y) { return CodedPixel(x >= 50 && x < 150 && y >= 40 && y < 60 ? kToTag : kFromTag, x, y); }),
            "");
}

// Rings thicker than half the frame finish at once; outward the run must
// still end on the entering picture. Delta below 1 counts as 1; a huge one
// must not overflow. A smaller entering picture leaves the leaving one
// visible beyond it.
TEST(StripedIris, DeltaExtremesAndSmallerPictures) {
  auto from = CodedPicture(100, 100, kFromTag), to = CodedPicture(100, 100, kToTag);
  for (int modifier = tmLeft; modifier <= tmDown; ++modifier)
    for (int delta : {60, INT_MAX}) {
      const TEffectCall call =
          CallEffect(FXStripedIris, from.get(), to.get(), MakeParams(0, static_cast<TTransitionModifier>(modifier), false, delta));
      EXPECT_TRUE(call.Finished);
      EXPECT_EQ(RingsMismatch(*call.Frame, false, [](int) { return true; }), "") << modifier << " " << delta;
    }
  for (int delta : {0, -3}) {
    EXPECT_FALSE(CallEffect(FXStripedIris, from.get(), to.get(), MakeParams(49, tmRight, false, delta)).Finished);
    EXPECT_TRUE(CallEffect(FXStripedIris, from.get(), to.get(), MakeParams(50, tmRight, false, delta)).Finished);
  }
  auto small = CodedPicture(60, 40, kToTag);
  for (int F : {0, 5}) {
    const TEffectCall call = CallEffect(FXStripedIris, from.get(), small.get(), MakeParams(F, tmDown, false, 10));
    EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                const bool inside = x < 60 && y < 40;
                const bool ring = F == 5 || std::min({x, y, 59 - x, 39 - y}) < 10;
                return CodedPixel(inside && ring ? kToTag : kFromTag, x, y);
              }), "") << F;
  }
}

}  // namespace
}  // namespace tweenery::test
