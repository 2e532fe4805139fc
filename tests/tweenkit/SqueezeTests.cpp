#include <gtest/gtest.h>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

TEST(Squeeze, ToGrowsOutOfTheCentre) {
  auto from = CodedPicture(100, 100, kFromTag), to = CodedPicture(100, 100, kToTag);
  EXPECT_EQ(FirstMismatch(*CallEffect(FXSqueeze, from.get(), to.get(), MakeParams(0)).Frame, WholePicture(kFromTag)), "");

  // Halfway: To halved into the centre, From's bands and corners halved into
  // the 25-pixel border.
  const TEffectCall half = CallEffect(FXSqueeze, from.get(), to.get(), MakeParams(25));
  EXPECT_FALSE(half.Finished);
  EXPECT_EQ(FirstMismatch(*half.Frame,
                          [](int x, int y) {
                            auto squeezed = [](int v) { return v < 25 ? 2 * v + 1 : v >= 75 ? 2 * v - 99 : v; };
                            if (x >= 25 && x < 75 && y >= 25 && y < 75)
                              return CodedPixel(kToTag, 2 * (x - 25) + 1, 2 * (y - 25) + 1);
                            return CodedPixel(kFromTag, squeezed(x), squeezed(y));
                          }),
            "");

  const TEffectCall last = CallEffect(FXSqueeze, from.get(), to.get(), MakeParams(50));
  EXPECT_FALSE(last.Finished);
  EXPECT_EQ(FirstMismatch(*last.Frame, WholePicture(kToTag)), "");
  const TEffectCall done = CallEffect(FXSqueeze, from.get(), to.get(), MakeParams(51));
  EXPECT_TRUE(done.Finished);
  EXPECT_EQ(FirstMismatch(*done.Frame, WholePicture(kToTag)), "");
}

TEST(Squeeze, ReverseRunsTheFilmBackwards) {
  auto from = CodedPicture(100, 60, kFromTag), to = CodedPicture(100, 60, kToTag);
  for (int F = 0; F <= 30; F += 5) {
    const TEffectCall forward = CallEffect(FXSqueeze, from.get(), to.get(), MakeParams(30 - F));
    const TEffectCall reverse = CallEffect(FXReverseSqueeze, from.get(), to.get(), MakeParams(F));
    EXPECT_EQ(FirstMismatch(*reverse.Frame, [&](int x, int y) { return PixelAt(*forward.Frame, x, y); }), "") << F;
  }
  // The finishing call clears the one-pixel To that the centre would keep.
  const TEffectCall done = CallEffect(FXReverseSqueeze, from.get(), to.get(), MakeParams(31));
  EXPECT_TRUE(done.Finished);
  EXPECT_EQ(FirstMismatch(*done.Frame, WholePicture(kFromTag)), "");
}

TEST(Squeeze, OddSizesAndSlivers) {
  // The single centre pixel holds the whole To picture reduced to one pixel.
  auto from = CodedPicture(101, 101, kFromTag), to = CodedPicture(101, 101, kToTag);
  const TEffectCall odd = CallEffect(FXSqueeze, from.get(), to.get(), MakeParams(0));
  EXPECT_EQ(FirstMismatch(*odd.Frame, [](int x, int y) { return CodedPixel(x == 50 && y == 50 ? kToTag : kFromTag, x, y); }), "");

  // No centre at all on a wide frame, and nothing to travel on a one-pixel one.
  auto wideFrom = CodedPicture(200, 100, kFromTag), wideTo = CodedPicture(200, 100, kToTag);
  EXPECT_EQ(FirstMismatch(*CallEffect(FXSqueeze, wideFrom.get(), wideTo.get(), MakeParams(0)).Frame, WholePicture(kFromTag)), "");
  auto thinFrom = CodedPicture(1, 9, kFromTag), thinTo = CodedPicture(1, 9, kToTag);
  EXPECT_EQ(FirstMismatch(*CallEffect(FXSqueeze, thinFrom.get(), thinTo.get(), MakeParams(0)).Frame, WholePicture(kToTag)), "");
  EXPECT_TRUE(CallEffect(FXSqueeze, thinFrom.get(), thinTo.get(), MakeParams(1)).Finished);
}

}  // namespace
}  // namespace tweenery::test
