#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

// W = 100, D = 10, F = 50 under tmLeft: three mirrored segments of To
// (halved, whole, compressed) at columns 61..80 and To lying flat from 80.
TEST(Roll, WorkedFrame) {
  auto from = CodedPicture(100, 30, kFromTag), to = CodedPicture(100, 30, kToTag);
  const TEffectCall call = CallEffect(FXRoll, from.get(), to.get(), MakeParams(50, tmLeft, false, 10));
  EXPECT_FALSE(call.Finished);
  EXPECT_EQ(FirstMismatch(*call.Frame,
                          [](int x, int y) {
                            if (x <= 60) return CodedPixel(kFromTag, x, y);
                            if (x <= 65) return CodedPixel(kToTag, 41 + 2 * (65 - x), y);
                            if (x <= 75) return CodedPixel(kToTag, 30 + (75 - x), y);
                            if (x < 80) return CodedPixel(kToTag, 21 + 2 * (80 - x), y);
                            return CodedPixel(kToTag, x, y);
                          }),
            "");
}

// The same frame turned about: tmDown is the transposed mirror of tmLeft.
TEST(Roll, DownMirrorsLeftTransposed) {
  auto from = CodedPicture(30, 100, kFromTag), to = CodedPicture(30, 100, kToTag);
  const TEffectCall call = CallEffect(FXRoll, from.get(), to.get(), MakeParams(50, tmDown, false, 10));
  // Roll position 50: segment 1 takes To rows 71..80 mirrored and halved
  // onto rows 20..24, Edge is 21 and the flat part's last row covers row 20;
  // segment 2 lands To rows 70..61 on 25..34, segment 3 ends at row 39.
  for (int x : {0, 17}) {
    EXPECT_EQ(DescribePixel(PixelAt(*call.Frame, x, 20)), DescribePixel(CodedPixel(kToTag, x, 20)));
    EXPECT_EQ(DescribePixel(PixelAt(*call.Frame, x, 21)), DescribePixel(CodedPixel(kToTag, x, 77)));
    EXPECT_EQ(DescribePixel(PixelAt(*call.Frame, x, 24)), DescribePixel(CodedPixel(kToTag, x, 71)));
    EXPECT_EQ(DescribePixel(PixelAt(*call.Frame, x, 25)), DescribePixel(CodedPixel(kToTag, x, 70)));
    EXPECT_EQ(DescribePixel(PixelAt(*call.Frame, x, 39)), DescribePixel(CodedPixel(kToTag, x, 51)));
    EXPECT_EQ(DescribePixel(PixelAt(*call.Frame, x, 40)), DescribePixel(CodedPixel(kFromTag, x, 40)));
  }
}

TEST(Roll, EndsAndReverse) {
  auto from = CodedPicture(30, 20, kFromTag), to = CodedPicture(30, 20, kToTag);
  constexpr int D = 4;
  for (int modifier = tmLeft; modifier <= tmDown; ++modifier) {
    const auto m = static_cast<TTransitionModifier>(modifier);
    const int last = (m == tmLeft || m == tmRight ? 30 : 20) + 3 * D;
    EXPECT_EQ(FirstMismatch(*CallEffect(FXRoll, from.get(), to.get(), MakeParams(0, m, false, D)).Frame, WholePicture(kFromTag)), "") << m;
    EXPECT_EQ(FirstMismatch(*CallEffect(FXRoll, from.get(), to.get(), MakeParams(last, m, false, D)).Frame, WholePicture(kToTag)), "") << m;
    EXPECT_FALSE(CallEffect(FXRoll, from.get(), to.get(), MakeParams(last, m, false, D)).Finished);
    EXPECT_TRUE(CallEffect(FXRoll, from.get(), to.get(), MakeParams(last + 1, m, true, D)).Finished);
    for (int F = 0; F <= last; ++F) {
      const TEffectCall forward = CallEffect(FXRoll, from.get(), to.get(), MakeParams(last - F, m, false, D));
      const TEffectCall reverse = CallEffect(FXRoll, from.get(), to.get(), MakeParams(F, m, true, D));
      ASSERT_EQ(FirstMismatch(*reverse.Frame, [&](int x, int y) { return PixelAt(*forward.Frame, x, y); }), "")
          << m << " F=" << F;
    }
  }
}

// Delta below 1 rolls as 1. A roll far wider than the frame keeps its
// geometry exact in 64 bits: its segments stay beyond the frame, so the
// frame shows From until the roll's last segment has passed the far edge.
TEST(Roll, DeltaOutOfRange) {
  auto from = CodedPicture(30, 20, kFromTag), to = CodedPicture(30, 20, kToTag);
  for (int delta : {0, -5}) {
    const TEffectCall call = CallEffect(FXRoll, from.get(), to.get(), MakeParams(15, tmRight, false, delta));
    EXPECT_EQ(FirstMismatch(*call.Frame, [](int x, int y) {
                // D = 1: To flat left of column 13, the roll's one visible column at 13.
                return CodedPixel(x < 14 ? kToTag : kFromTag, x == 13 ? 16 : x, y);
              }), "") << delta;
  }
  for (int modifier = tmLeft; modifier <= tmDown; ++modifier) {
    const auto m = static_cast<TTransitionModifier>(modifier);
    const int L = m == tmLeft || m == tmRight ? 30 : 20;
    EXPECT_EQ(FirstMismatch(*CallEffect(FXRoll, from.get(), to.get(), MakeParams(L, m, false, INT_MAX)).Frame, WholePicture(kFromTag)), "") << m;
    EXPECT_EQ(FirstMismatch(*CallEffect(FXRoll, from.get(), to.get(), MakeParams(L + 1, m, false, INT_MAX)).Frame, WholePicture(kToTag)), "") << m;
    EXPECT_FALSE(CallEffect(FXRoll, from.get(), to.get(), MakeParams(INT_MAX, m, true, INT_MAX)).Finished);
  }
}

// Over pictures of the frame's size a roll along rows is laid a row at a
// time; with the frame being the From picture itself it takes the copies
// block by block. Both give the same frame at every position, either way,
// with rolls wider than the frame and one column wide.
TEST(Roll, RowSweepMatchesTheBlockCopiesAtEveryFrame) {
  std::mt19937 random(10122026u);
  for (int trial = 0; trial < 40; ++trial) {
    const int w = static_cast<int>(random() % 60) + 1, h = static_cast<int>(random() % 12) + 1;
    const std::int32_t delta = trial % 7 == 0 ? 1 : static_cast<std::int32_t>(random() % 30) + 1;
    const auto modifier = random() % 2 ? tmLeft : tmRight;
    const bool reverse = random() % 2;
    const auto from = RandomPicture(w, h, random()), to = RandomPicture(w, h, random());
    for (int frame = 0; frame <= w + 3 * delta + 2; ++frame) {
      SCOPED_TRACE(testing::Message() << w << "x" << h << " delta " << delta << " modifier "
                                      << static_cast<int>(modifier) << " reverse " << reverse << " at " << frame);
      TFXParams params = MakeParams(frame, modifier, reverse, delta);
      params.FrameRect = Rect(0, 0, w, h);
      TBitmap apart(w, h), inPlace;
      inPlace.Assign(from.get());
      EXPECT_EQ(FXRoll(from.get(), to.get(), &apart, params), FXRoll(&inPlace, to.get(), &inPlace, params));
      ASSERT_EQ(FirstMismatch(apart, [&](int x, int y) { return PixelAt(inPlace, x, y); }), "");
    }
  }
}

}  // namespace
}  // namespace tweenery::test
