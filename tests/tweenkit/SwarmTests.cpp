#include <gtest/gtest.h>

#include <climits>

#include "EffectHarness.h"
#include "platform/Random.h"

namespace tweenery::test {
namespace {

constexpr int W = 40, H = 30;

TEST(Swarm, EndFramesShowOnePictureWhole) {
  auto from = CodedPicture(W, H, kFromTag), to = CodedPicture(W, H, kToTag);
  for (int modifier = tmLeft; modifier <= tmDown; ++modifier) {
    const auto m = static_cast<TTransitionModifier>(modifier);
    const int L = m == tmLeft || m == tmRight ? W : H;
    for (int F : {L, L + 1}) {
      const TEffectCall call = CallEffect(FXSwarm, from.get(), to.get(), MakeParams(F, m, false, 4));
      EXPECT_EQ(call.Finished, F > L);
      EXPECT_EQ(FirstMismatch(*call.Frame, WholePicture(kToTag)), "") << modifier << " F=" << F;
    }
    for (int F : {L + 4, L + 5}) {
      const TEffectCall call = CallEffect(FXReverseSwarm, from.get(), to.get(), MakeParams(F, m, true, 4));
      EXPECT_EQ(call.Finished, F > L + 4);
      EXPECT_EQ(FirstMismatch(*call.Frame, WholePicture(kFromTag)), "") << modifier << " F=" << F;
    }
  }
}

// Replays the generator to find where each pixel must land: the order of
// the draws (band offset first across columns, across position first for
// rows) decides the sprinkle.
TEST(Swarm, SprinkleFollowsTheDrawOrder) {
  auto from = CodedPicture(W, H, kFromTag), to = CodedPicture(W, H, kToTag);
  struct TCase { TTransitionModifier Modifier; int D; bool Receding; };
  for (const TCase c : {TCase{tmLeft, 1, false}, TCase{tmDown, 3, false}, TCase{tmRight, 5, true}, TCase{tmUp, 2, true}}) {
    const int F = 10;
    SetRandSeed(77);
    const TEffectCall call =
        CallEffect(c.Receding ? FXReverseSwarm : FXSwarm, from.get(), to.get(), MakeParams(F, c.Modifier, false, c.D));
    const bool horizontal = c.Modifier == tmLeft || c.Modifier == tmRight;
    const int L = horizontal ? W : H, across = horizontal ? H : W;
    std::vector<std::vector<bool>> sprinkled(W, std::vector<bool>(H, false));
    SetRandSeed(77);
    for (int i = 0; i < c.D * across / 2 + 1; ++i) {
      const int first = Random(horizontal ? c.D : across), second = Random(horizontal ? across : c.D);
      const int r = horizontal ? first : second, a = horizontal ? second : first;
      int base;
      if (!c.Receding) base = c.Modifier == tmDown ? F : L - F - c.D;  // tmLeft or tmDown here
      else base = c.Modifier == tmRight ? L - F : F - c.D;
      if (horizontal) sprinkled[base + r][a] = true; else sprinkled[a][base + r] = true;
    }
    EXPECT_EQ(FirstMismatch(*call.Frame,
                            [&](int x, int y) {
                              const int along = horizontal ? x : y;
                              bool strip;
                              if (!c.Receding) strip = c.Modifier == tmDown ? along < F : along >= L - F;
                              else strip = c.Modifier == tmRight ? along < L - F : along >= F;
                              return CodedPixel(strip || sprinkled[x][y] ? kToTag : kFromTag, x, y);
                            }),
              "")
        << c.Modifier << " D=" << c.D;
  }
}

// Delta below 1 counts as 1; a band far deeper than the frame is sprinkled
// only where it shows, about half its visible pixels, in bounded time.
TEST(Swarm, DeltaOutOfRange) {
  auto from = CodedPicture(W, H, kFromTag), to = CodedPicture(W, H, kToTag);
  for (int delta : {0, -7}) {
    const TEffectCall call = CallEffect(FXSwarm, from.get(), to.get(), MakeParams(5, tmLeft, false, delta));
    EXPECT_EQ(FirstMismatch(*call.Frame,
                            [&](int x, int y) {
                              const bool swarm = x == 34 && PixelAt(*call.Frame, x, y) == CodedPixel(kToTag, x, y);
                              return CodedPixel(x >= 35 || swarm ? kToTag : kFromTag, x, y);
                            }),
              "")
        << delta;
  }
  for (int F : {0, 10, 25}) {
    const TEffectCall call = CallEffect(FXSwarm, from.get(), to.get(), MakeParams(F, tmRight, false, INT_MAX));
    int sprinkled = 0;
    for (int y = 0; y < H; ++y)
      for (int x = F; x < W; ++x) sprinkled += PixelAt(*call.Frame, x, y) == CodedPixel(kToTag, x, y);
    const int visible = (W - F) * H;
    EXPECT_GT(sprinkled, visible / 4) << F;
    EXPECT_LE(sprinkled, visible / 2 + 1) << F;
  }
  EXPECT_FALSE(CallEffect(FXReverseSwarm, from.get(), to.get(), MakeParams(INT_MAX, tmUp, true, INT_MAX)).Finished);
}

}  // namespace
}  // namespace tweenery::test
