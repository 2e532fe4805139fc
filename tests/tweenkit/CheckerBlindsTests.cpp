#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

TEST(CheckerBlinds, UnitCellsDownwardsMakeACheckerboardAtOne) {
  // D = 1: even cells copy the band's first row, odd cells the row above
  // the band, so at 1 the entering pixels form a checkerboard; at 2 the
  // entering picture is whole. Reverse swaps the pictures.
  auto from = CodedPicture(6, 5, kFromTag), to = CodedPicture(6, 5, kToTag);
  for (bool reverse : {false, true}) {
    const std::uint32_t entering = reverse ? kFromTag : kToTag, leaving = reverse ? kToTag : kFromTag;
    for (int c : {0, 1, 2, 3}) {
      const auto call = CallEffect(FXCheckerBlinds, from.get(), to.get(), MakeParams(c, tmDown, reverse, 1));
      EXPECT_EQ(call.Finished, c >= 2) << c;
      EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                  const bool shown = c >= 2 || (c == 1 && (x + y) % 2 == 0);
                  return CodedPixel(shown ? entering : leaving, x, y);
                }), "") << "c=" << c << " reverse=" << reverse;
    }
  }
}

TEST(CheckerBlinds, FirstSlatsSitAtTheBandEdges) {
  // W = 10, D = 3, at 1: with tmLeft the slats start at the near edges of
  // bands 0, 6 and 12 (odd ones 3 back); with tmRight at the far edges of
  // bands 10, 4, -2: the first band's fall outside the frame, the second
  // band's show columns 4 and 7, the third's odd ones column 1. The same
  // holds along the other axis for tmDown and tmUp.
  const int L = 10, A = 6;  // along and across the motion
  struct Case { TTransitionModifier m; std::set<int> even, odd; };
  for (const Case& k : {Case{tmLeft, {0, 6}, {3, 9}}, Case{tmRight, {4}, {1, 7}}, Case{tmDown, {0, 6}, {3, 9}},
                        Case{tmUp, {4}, {1, 7}}}) {
    const bool horizontal = k.m == tmLeft || k.m == tmRight;
    auto from = CodedPicture(horizontal ? L : A, horizontal ? A : L, kFromTag);
    auto to = CodedPicture(horizontal ? L : A, horizontal ? A : L, kToTag);
    const auto call = CallEffect(FXCheckerBlinds, from.get(), to.get(), MakeParams(1, k.m, false, 3));
    EXPECT_FALSE(call.Finished);
    EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                const int along = horizontal ? x : y, across = horizontal ? y : x;
                const bool shown = (across / 3) % 2 == 0 ? k.even.count(along) > 0 : k.odd.count(along) > 0;
                return CodedPixel(shown ? kToTag : kFromTag, x, y);
              }), "") << k.m;
  }
}

TEST(CheckerBlinds, EnteringPictureCoversTheFrameAtTwiceDelta) {
  // W = 9, D = 3 and W = 7, D = 1 leave a remainder of exactly D after
  // whole bands: walking back from the far edge, the last band starts D
  // before the frame and its odd slats are what reaches column (row) 0.
  struct Case { int along; int delta; };
  for (const Case k : {Case{10, 3}, Case{9, 3}, Case{7, 1}, Case{8, 4}, Case{5, 7}})
    for (TTransitionModifier m : {tmLeft, tmRight, tmUp, tmDown}) {
      const bool horizontal = m == tmLeft || m == tmRight;
      const int W = horizontal ? k.along : 11, H = horizontal ? 11 : k.along;
      auto from = CodedPicture(W, H, kFromTag), to = CodedPicture(W, H, kToTag);
      const auto last = CallEffect(FXCheckerBlinds, from.get(), to.get(), MakeParams(2 * k.delta, m, false, k.delta));
      EXPECT_TRUE(last.Finished);
      EXPECT_EQ(FirstMismatch(*last.Frame, [](int x, int y) { return CodedPixel(kToTag, x, y); }), "")
          << m << " along=" << k.along << " D=" << k.delta;
      // One frame earlier some leaving pixels remain (a cell longer than
      // the frame closes sooner).
      if (k.along < 2 * k.delta) continue;
      const auto before =
          CallEffect(FXCheckerBlinds, from.get(), to.get(), MakeParams(2 * k.delta - 1, m, false, k.delta));
      EXPECT_FALSE(before.Finished);
      EXPECT_NE(FirstMismatch(*before.Frame, [](int x, int y) { return CodedPixel(kToTag, x, y); }), "");
    }
}

TEST(CheckerBlinds, PicturesOfOtherSizesShowOnlyWhereTheyReach) {
  // The frame keeps the From picture's 9 x 6. A smaller To picture enters
  // only over its own 7 x 4; as the background it leaves the fill beyond.
  auto from = CodedPicture(9, 6, kFromTag), to = CodedPicture(7, 4, kToTag);
  auto inTo = [](int x, int y) { return x < 7 && y < 4; };
  for (TTransitionModifier m : {tmLeft, tmRight, tmUp, tmDown}) {
    const auto in = CallEffect(FXCheckerBlinds, from.get(), to.get(), MakeParams(4, m, false, 2));
    EXPECT_EQ(FirstMismatch(*in.Frame, [&](int x, int y) { return CodedPixel(inTo(x, y) ? kToTag : kFromTag, x, y); }),
              "") << m;
    const auto back = CallEffect(FXCheckerBlinds, from.get(), to.get(), MakeParams(0, m, true, 2));
    EXPECT_EQ(FirstMismatch(*back.Frame, [&](int x, int y) { return inTo(x, y) ? CodedPixel(kToTag, x, y) : 0xFF000000u; }),
              "") << m;
  }
}

TEST(CheckerBlinds, ExtremeDeltaAndFrameNumbers) {
  // Below 1 counts as 1; at the int32 limit the slats cannot overflow and
  // the whole frame is one cell, covered once the slat is long enough.
  auto from = CodedPicture(9, 6, kFromTag), to = CodedPicture(9, 6, kToTag);
  auto whole = [](std::uint32_t tag) { return [tag](int x, int y) { return CodedPixel(tag, x, y); }; };
  for (TTransitionModifier m : {tmLeft, tmRight, tmUp, tmDown}) {
    for (int delta : {0, -4, INT_MIN}) {
      const auto call = CallEffect(FXCheckerBlinds, from.get(), to.get(), MakeParams(2, m, false, delta));
      EXPECT_TRUE(call.Finished);
      EXPECT_EQ(FirstMismatch(*call.Frame, whole(kToTag)), "") << m << " " << delta;
    }
    const auto big = CallEffect(FXCheckerBlinds, from.get(), to.get(), MakeParams(INT_MAX, m, false, INT_MAX));
    EXPECT_FALSE(big.Finished);
    EXPECT_EQ(FirstMismatch(*big.Frame, whole(kToTag)), "") << m;
    const auto none = CallEffect(FXCheckerBlinds, from.get(), to.get(), MakeParams(0, m, false, INT_MAX));
    EXPECT_EQ(FirstMismatch(*none.Frame, whole(kFromTag)), "") << m;
  }
}

}  // namespace
}  // namespace tweenery::test
