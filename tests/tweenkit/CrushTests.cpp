#include <gtest/gtest.h>

#include <climits>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

TEST(Crush, HalvesLeaveTheCentreLineAndFinishAtTheHalfWidth) {
  // 200 x 100, tmLeft, m = 100: at 30 the frame's 70-99 show To's 0-29 and
  // 100-129 show To's 170-199; at 100 (or beyond) To is whole.
  auto from = CodedPicture(200, 100, kFromTag), to = CodedPicture(200, 100, kToTag);
  for (int c : {30, 99, 100, 150}) {
    const auto call = CallEffect(FXCrush, from.get(), to.get(), MakeParams(c, tmLeft));
    EXPECT_EQ(call.Finished, c >= 100);
    const int k = std::min(c, 100);
    EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                if (x >= 100 - k && x < 100) return CodedPixel(kToTag, x - (100 - k), y);
                if (x >= 100 && x < 100 + k) return CodedPixel(kToTag, x + (100 - k), y);
                return CodedPixel(kFromTag, x, y);
              }), "") << c;
  }
  // tmRight: the halves come in from the edges, inner edges leading.
  const auto in = CallEffect(FXCrush, from.get(), to.get(), MakeParams(30, tmRight));
  EXPECT_EQ(FirstMismatch(*in.Frame, [](int x, int y) {
              if (x < 30) return CodedPixel(kToTag, x + 70, y);
              if (x >= 170) return CodedPixel(kToTag, x - 70, y);
              return CodedPixel(kFromTag, x, y);
            }), "");
  // The vertical modifiers finish on half the height.
  for (TTransitionModifier m : {tmUp, tmDown}) {
    EXPECT_FALSE(CallEffect(FXCrush, from.get(), to.get(), MakeParams(49, m)).Finished);
    EXPECT_TRUE(CallEffect(FXCrush, from.get(), to.get(), MakeParams(50, m)).Finished);
  }
}

// A To picture shorter (narrower) than the frame across the motion leaves
// From showing past its end, also behind the halves.
TEST(Crush, FromShowsWhereAShorterToEnds) {
  auto from = CodedPicture(60, 40, kFromTag), shortTo = CodedPicture(60, 25, kToTag);
  const auto across = CallEffect(FXCrush, from.get(), shortTo.get(), MakeParams(10, tmLeft));
  EXPECT_EQ(FirstMismatch(*across.Frame, [](int x, int y) {
              if (y < 25 && x >= 20 && x < 30) return CodedPixel(kToTag, x - 20, y);
              if (y < 25 && x >= 30 && x < 40) return CodedPixel(kToTag, x + 20, y);
              return CodedPixel(kFromTag, x, y);
            }), "");
  auto narrowTo = CodedPicture(25, 40, kToTag);
  const auto down = CallEffect(FXCrush, from.get(), narrowTo.get(), MakeParams(5, tmDown));
  EXPECT_EQ(FirstMismatch(*down.Frame, [](int x, int y) {
              if (x < 25 && y < 5) return CodedPixel(kToTag, x, y + 15);
              if (x < 25 && y >= 35) return CodedPixel(kToTag, x, y - 15);
              return CodedPixel(kFromTag, x, y);
            }), "");
}

TEST(Crush, OddWidthKeepsTheLastColumnAndOnePixelToFinishesAtOnce) {
  auto from = CodedPicture(201, 20, kFromTag), to = CodedPicture(201, 20, kToTag);
  const auto call = CallEffect(FXCrush, from.get(), to.get(), MakeParams(100, tmLeft));
  EXPECT_TRUE(call.Finished);
  EXPECT_EQ(FirstMismatch(*call.Frame, [](int x, int y) { return CodedPixel(x < 200 ? kToTag : kFromTag, x, y); }),
            "");
  // A To picture one pixel across the motion has no halves: m = 0.
  auto narrow = CodedPicture(1, 20, kToTag);
  for (TFXFunction fx : {FXCrush, FXReverseCrush})
    for (int c : {0, INT_MAX}) {
      const auto first = CallEffect(fx, from.get(), narrow.get(), MakeParams(c, tmRight));
      EXPECT_TRUE(first.Finished);
      EXPECT_EQ(FirstMismatch(*first.Frame, [](int x, int y) { return CodedPixel(kFromTag, x, y); }), "");
    }
}

}  // namespace
}  // namespace tweenery::test
