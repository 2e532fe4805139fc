#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

constexpr std::uint32_t R = 0xFF0000, G = 0x00FF00, B = 0x0000FF;

// The channels of the first Count letters of an order's name, as a pixel mask.
std::uint32_t FirstChannels(TRGBOrder Order, int Count) {
  static const char* const names[] = {"RGB", "RBG", "GRB", "GBR", "BRG", "BGR"};
  std::uint32_t mask = 0;
  for (int i = 0; i < Count; ++i) mask |= names[Order][i] == 'R' ? R : names[Order][i] == 'G' ? G : B;
  return mask;
}

TFXParams OrderParams(int CF, TRGBOrder Order, bool Reverse = false) {
  TFXParams p = MakeParams(CF, tmLeft, Reverse);
  p.RGBOrder = Order;
  return p;
}

TEST(RGB, StageFramesTakeChannelsOutAndPutThemBack) {
  auto from = RandomPicture(7, 5, 31), to = RandomPicture(7, 5, 32);
  const std::uint32_t kept[] = {R | G | B, R | G, R, 0, R, R | G, R | G | B};
  for (int cf = 0; cf <= 7; ++cf) {
    SCOPED_TRACE(cf);
    TBitmap* shown = cf <= 3 ? from.get() : to.get();
    const std::uint32_t mask = kept[std::min(cf, 6)];
    auto call = CallEffect(FXRGB, from.get(), to.get(), OrderParams(cf, coRGB));
    EXPECT_EQ(call.Finished, cf >= 6);
    EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) { return 0xFF000000u | (PixelAt(*shown, x, y) & mask); }),
              "");
    // An order outside the enumeration must not index past the stage table.
    auto stray = CallEffect(FXRGB, from.get(), to.get(), OrderParams(cf, static_cast<TRGBOrder>(200)));
    EXPECT_EQ(FirstMismatch(*stray.Frame, [&](int x, int y) { return PixelAt(*call.Frame, x, y); }), "");
  }
}

TEST(RGBBlend, StageFramesBringInGreenThenBlueThenRed) {
  auto from = RandomPicture(7, 5, 33), to = RandomPicture(7, 5, 34);
  const std::uint32_t fromTo[] = {0, G, G | B, R | G | B};
  for (int cf = 0; cf <= 4; ++cf) {
    SCOPED_TRACE(cf);
    const std::uint32_t mask = fromTo[std::min(cf, 3)];
    auto call = CallEffect(FXRGBBlend, from.get(), to.get(), OrderParams(cf, coGBR));
    EXPECT_EQ(call.Finished, cf >= 3);
    EXPECT_EQ(FirstMismatch(*call.Frame,
                            [&](int x, int y) {
                              return 0xFF000000u | (PixelAt(*to, x, y) & mask) | (PixelAt(*from, x, y) & ~mask & 0xFFFFFFu);
                            }),
              "");
  }
}

// Every order in both directions, from frame 0 to past the end, against the
// letters of the order's name; the pictures differ in size so the frame size
// and the picture shown are checked too.
TEST(ChannelEffects, FollowEveryOrderInBothDirections) {
  auto from = RandomPicture(9, 4, 35), to = RandomPicture(6, 8, 36);
  for (int order = coRGB; order <= coBGR; ++order)
    for (bool reverse : {false, true})
      for (int cf : {0, 1, 2, 3, 4, 5, 6, INT_MAX}) {
        SCOPED_TRACE(std::to_string(order) + " " + std::to_string(cf) + (reverse ? " reverse" : ""));
        const TRGBOrder o = static_cast<TRGBOrder>(order);
        TBitmap* leaving = reverse ? to.get() : from.get();
        TBitmap* entering = reverse ? from.get() : to.get();

        TBitmap* shown = cf <= 3 ? leaving : entering;
        const std::uint32_t kept = FirstChannels(o, cf <= 3 ? 3 - cf : std::min(cf, 6) - 3);
        auto rgb = CallEffect(FXRGB, from.get(), to.get(), OrderParams(cf, o, reverse));
        ASSERT_EQ(rgb.Frame->Width(), shown->Width());
        EXPECT_EQ(FirstMismatch(*rgb.Frame, [&](int x, int y) { return 0xFF000000u | (PixelAt(*shown, x, y) & kept); }),
                  "");

        if (cf > 3 && cf != INT_MAX) continue;
        const std::uint32_t brought = FirstChannels(o, std::min(cf, 3));
        auto blend = CallEffect(FXRGBBlend, from.get(), to.get(), OrderParams(cf, o, reverse));
        ASSERT_EQ(blend.Frame->Width(), entering->Width());
        ASSERT_EQ(blend.Frame->Height(), entering->Height());
        EXPECT_EQ(FirstMismatch(*blend.Frame,
                                [&](int x, int y) {
                                  // Outside the shared area the entering picture stays as read.
                                  const bool shared = x < leaving->Width() && y < leaving->Height();
                                  const std::uint32_t e = PixelAt(*entering, x, y);
                                  if (!shared) return e;
                                  return 0xFF000000u | (e & brought) | (PixelAt(*leaving, x, y) & ~brought & 0xFFFFFFu);
                                }),
                  "");
      }
}

}  // namespace
}  // namespace tweenery::test
