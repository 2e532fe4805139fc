#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

std::uint32_t Channel(std::uint32_t Pixel, int Shift) { return (Pixel >> Shift) & 0xFF; }

// The fade formula as written, channel by channel, in floating point.
std::uint32_t FadedPixel(std::uint32_t Pixel, TColor Color, int CF) {
  const std::uint32_t fill = ColorToPixel(Color);
  std::uint32_t out = 0xFF000000u;
  for (int shift : {0, 8, 16}) {
    const int v = static_cast<int>(Channel(Pixel, shift)), C = static_cast<int>(Channel(fill, shift));
    const double faded = CF <= 255 ? C + (C - v) * (CF - 255) / 255.0 : v + (v - C) * (CF - 511) / 255.0;
    out |= static_cast<std::uint32_t>(std::lround(faded)) << shift;
  }
  return out;
}

std::uint32_t BlendedPixel(std::uint32_t F, std::uint32_t T, int CF, bool Reverse) {
  std::uint32_t out = 0xFF000000u;
  for (int shift : {0, 8, 16}) {
    const std::uint32_t f = Channel(F, shift), t = Channel(T, shift);
    const std::uint32_t mixed = Reverse ? (t * (255 - CF) + f * CF) / 255 : (f * (255 - CF) + t * CF) / 255;
    out |= mixed << shift;
  }
  return out;
}

TEST(Fade, WorkedExamplesAndTheLastFrame) {
  auto black = SolidPicture(4, 3, clBlack);
  auto to = RandomPicture(4, 3, 21);
  auto half = CallEffect(FXFade, black.get(), to.get(), MakeParams(128, tmLeft, false, 10, clWhite));
  EXPECT_FALSE(half.Finished);
  EXPECT_EQ(FirstMismatch(*half.Frame, [](int, int) { return 0xFF808080u; }), "");

  auto last = CallEffect(FXFade, black.get(), to.get(), MakeParams(511));
  EXPECT_TRUE(last.Finished);
  EXPECT_EQ(FirstMismatch(*last.Frame, [&](int x, int y) { return PixelAt(*to, x, y); }), "");
  EXPECT_FALSE(CallEffect(FXFade, black.get(), to.get(), MakeParams(510)).Finished);
  for (int cf : {600, INT_MAX}) {
    auto past = CallEffect(FXFade, black.get(), to.get(), MakeParams(cf));
    EXPECT_TRUE(past.Finished);
    EXPECT_EQ(FirstMismatch(*past.Frame, [&](int x, int y) { return PixelAt(*last.Frame, x, y); }), "");
  }
}

// Pictures of different sizes also check which picture each half shows and
// that the frame takes its size.
TEST(Fade, MatchesTheFormulaOnRandomPictures) {
  auto from = RandomPicture(13, 7, 22), to = RandomPicture(9, 11, 23);
  for (TColor color : {TColor{0x3A7FC4}, clBtnFace})
    for (bool reverse : {false, true})
      for (int cf : {0, 1, 77, 200, 255, 256, 300, 509, 511}) {
        SCOPED_TRACE(std::to_string(cf) + (reverse ? " reverse" : ""));
        TBitmap* shown = (cf > 255) != reverse ? to.get() : from.get();
        auto call = CallEffect(FXFade, from.get(), to.get(), MakeParams(cf, tmLeft, reverse, 10, color));
        ASSERT_EQ(call.Frame->Width(), shown->Width());
        ASSERT_EQ(call.Frame->Height(), shown->Height());
        EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) { return FadedPixel(PixelAt(*shown, x, y), color, cf); }),
                  "");
      }
}

// Every channel value against every fill component at every frame: the fade
// must give exactly what the floating-point formula gives.
TEST(Fade, MatchesTheFormulaForEveryValueComponentAndFrame) {
  auto ramp = std::make_unique<TBitmap>(256, 1);
  for (int x = 0; x < 256; ++x) ramp->ScanLine(0)[x] = 0xFF000000u | static_cast<std::uint32_t>(x * 0x010101);
  for (int c = 0; c < 86; ++c) {
    const TColor color = ((3 * c) & 0xFF) | ((3 * c + 1) & 0xFF) << 8 | ((3 * c + 2) & 0xFF) << 16;
    for (int cf = 0; cf <= 511; ++cf) {
      auto call = CallEffect(FXFade, ramp.get(), ramp.get(), MakeParams(cf, tmLeft, false, 10, color));
      ASSERT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) { return FadedPixel(PixelAt(*ramp, x, y), color, cf); }),
                "")
          << "colour " << color << " frame " << cf;
    }
  }
}

TEST(Blend, WorkedExamplesAndTheLastFrame) {
  auto black = SolidPicture(5, 4, clBlack), white = SolidPicture(5, 4, clWhite);
  auto half = CallEffect(FXBlend, black.get(), white.get(), MakeParams(128));
  EXPECT_FALSE(half.Finished);
  EXPECT_EQ(FirstMismatch(*half.Frame, [](int, int) { return 0xFF808080u; }), "");

  auto from = CodedPicture(5, 4, kFromTag), to = CodedPicture(5, 4, kToTag);
  for (bool reverse : {false, true}) {
    TBitmap* first = reverse ? to.get() : from.get();
    TBitmap* last = reverse ? from.get() : to.get();
    auto start = CallEffect(FXBlend, from.get(), to.get(), MakeParams(0, tmLeft, reverse));
    EXPECT_FALSE(start.Finished);
    EXPECT_EQ(FirstMismatch(*start.Frame, [&](int x, int y) { return PixelAt(*first, x, y); }), "");
    for (int cf : {255, INT_MAX}) {
      auto end = CallEffect(FXBlend, from.get(), to.get(), MakeParams(cf, tmLeft, reverse));
      EXPECT_TRUE(end.Finished);
      EXPECT_EQ(FirstMismatch(*end.Frame, [&](int x, int y) { return PixelAt(*last, x, y); }), "");
    }
    EXPECT_FALSE(CallEffect(FXBlend, from.get(), to.get(), MakeParams(254, tmLeft, reverse)).Finished);
  }
}

TEST(Blend, MatchesTheFormulaForEveryPairOfValuesAndFrame) {
  auto across = std::make_unique<TBitmap>(256, 256), down = std::make_unique<TBitmap>(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      across->ScanLine(y)[x] = 0xFF000000u | static_cast<std::uint32_t>(x * 0x010101);
      down->ScanLine(y)[x] = 0xFF000000u | static_cast<std::uint32_t>(y * 0x010101);
    }
  for (bool reverse : {false, true})
    for (int cf = 0; cf <= 255; cf += reverse ? 15 : 1) {
      auto call = CallEffect(FXBlend, across.get(), down.get(), MakeParams(cf, tmLeft, reverse));
      ASSERT_EQ(FirstMismatch(*call.Frame,
                              [&](int x, int y) {
                                return BlendedPixel(PixelAt(*across, x, y), PixelAt(*down, x, y), cf, reverse);
                              }),
                "")
          << "frame " << cf << (reverse ? " reverse" : "");
    }
}

// Only the area both pictures cover is mixed; the frame takes To's size and
// nothing outside either picture is touched (the address sanitizer watches).
TEST(Blend, PicturesOfDifferentSizeMixWhereBothCover) {
  const struct {
    int FromWidth, FromHeight, ToWidth, ToHeight;
  } sizes[] = {{10, 6, 7, 9}, {7, 9, 10, 6}, {3, 3, 12, 12}};
  for (const auto& s : sizes) {
    auto from = RandomPicture(s.FromWidth, s.FromHeight, 26), to = RandomPicture(s.ToWidth, s.ToHeight, 27);
    auto call = CallEffect(FXBlend, from.get(), to.get(), MakeParams(100));
    ASSERT_EQ(call.Frame->Width(), s.ToWidth);
    ASSERT_EQ(call.Frame->Height(), s.ToHeight);
    for (int y = 0; y < std::min(s.FromHeight, s.ToHeight); ++y)
      for (int x = 0; x < std::min(s.FromWidth, s.ToWidth); ++x)
        ASSERT_EQ(PixelAt(*call.Frame, x, y), BlendedPixel(PixelAt(*from, x, y), PixelAt(*to, x, y), 100, false));
  }
}

}  // namespace
}  // namespace tweenery::test
