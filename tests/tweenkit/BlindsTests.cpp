#include <gtest/gtest.h>

#include <climits>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

TEST(Blinds, RightSlatsAreCountedFromTheRightEdge) {
  // W = 105, pitch 10, c = 4: slats cover 101-104, 91-94, ..., 1-4; column 0
  // keeps the leaving picture. Reverse swaps only the pictures.
  auto from = CodedPicture(105, 12, kFromTag), to = CodedPicture(105, 12, kToTag);
  for (bool reverse : {false, true}) {
    const auto call = CallEffect(FXBlinds, from.get(), to.get(), MakeParams(4, tmRight, reverse, 10));
    EXPECT_FALSE(call.Finished);
    const std::uint32_t entering = reverse ? kFromTag : kToTag, leaving = reverse ? kToTag : kFromTag;
    EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                return CodedPixel(x % 10 >= 1 && x % 10 <= 4 ? entering : leaving, x, y);
              }), "") << reverse;
  }
}

TEST(Blinds, EachPictureReachesOnlyAsFarAsItExtends) {
  // A smaller To: its slats stop at its edges; as the leaving picture
  // (Reverse) it leaves the fill colour beyond them.
  auto from = CodedPicture(105, 12, kFromTag), to = CodedPicture(103, 9, kToTag);
  for (TTransitionModifier m : {tmLeft, tmDown})
    for (bool reverse : {false, true}) {
      const auto call = CallEffect(FXBlinds, from.get(), to.get(), MakeParams(5, m, reverse, 10));
      EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                  const bool inTo = x < 103 && y < 9, inSlat = (m == tmLeft ? x : y) % 10 < 5;
                  if (inSlat && (reverse || inTo)) return CodedPixel(reverse ? kFromTag : kToTag, x, y);
                  if (!reverse) return CodedPixel(kFromTag, x, y);
                  return inTo ? CodedPixel(kToTag, x, y) : 0xFF000000u;
                }), "") << m << " " << reverse;
    }
}

TEST(Blinds, SlatsCloseUpExactlyAtDelta) {
  // One short of Delta every slat lacks its far column (row); Delta itself
  // finishes with the entering picture whole, and so does any later frame.
  const int W = 105, H = 47;
  auto from = CodedPicture(W, H, kFromTag), to = CodedPicture(W, H, kToTag);
  for (TTransitionModifier m : {tmLeft, tmRight, tmUp, tmDown}) {
    auto farEdge = [m](int x, int y) {
      switch (m) {
        case tmLeft: return x % 10 == 9;
        case tmRight: return (W - 1 - x) % 10 == 9;
        case tmUp: return (H - 1 - y) % 10 == 9;
        default: return y % 10 == 9;
      }
    };
    for (int c : {0, 9, 10, 12}) {
      const auto call = CallEffect(FXBlinds, from.get(), to.get(), MakeParams(c, m, false, 10));
      EXPECT_EQ(call.Finished, c >= 10) << m << " c=" << c;
      EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                  const bool open = c >= 10 || (c == 9 && !farEdge(x, y));
                  return CodedPixel(open ? kToTag : kFromTag, x, y);
                }), "") << m << " c=" << c;
    }
  }
}

TEST(Blinds, ExtremeDeltaAndFrameNumbersEndPromptly) {
  // A Delta below 1 steps as 1; a pitch or frame number at the int32 limit
  // neither wraps nor leaves the frame.
  auto from = CodedPicture(30, 20, kFromTag), to = CodedPicture(30, 20, kToTag);
  auto whole = [](std::uint32_t tag) { return [tag](int x, int y) { return CodedPixel(tag, x, y); }; };
  for (TTransitionModifier m : {tmLeft, tmRight, tmUp, tmDown}) {
    for (int delta : {0, -5, INT_MIN}) {
      EXPECT_FALSE(CallEffect(FXBlinds, from.get(), to.get(), MakeParams(0, m, false, delta)).Finished);
      const auto call = CallEffect(FXBlinds, from.get(), to.get(), MakeParams(1, m, false, delta));
      EXPECT_TRUE(call.Finished);
      EXPECT_EQ(FirstMismatch(*call.Frame, whole(kToTag)), "") << m << " " << delta;
    }
    for (int c : {INT_MAX - 1, INT_MAX}) {
      const auto call = CallEffect(FXBlinds, from.get(), to.get(), MakeParams(c, m, false, INT_MAX));
      EXPECT_EQ(call.Finished, c == INT_MAX);
      EXPECT_EQ(FirstMismatch(*call.Frame, whole(kToTag)), "") << m << " " << c;
    }
    EXPECT_TRUE(CallEffect(FXBlinds, from.get(), to.get(), MakeParams(INT_MAX, m, false, 10)).Finished);
  }
}

bool OnGrid(int x, int y, int Pitch, int Offset) {
  return x >= Offset && y >= Offset && (x - Offset) % Pitch < 3 && (y - Offset) % Pitch < 3;
}

TEST(Checkerboard, FirstStageSquaresStopAtTheSmallerPicture) {
  // 100 x 100: squares at 0, 32, 64, 96, the last covering 96-98. A To
  // picture 97 x 98 cuts the last squares to column 96 and rows 96-97.
  auto from = CodedPicture(100, 100, kFromTag);
  for (auto [toW, toH] : {std::pair{100, 100}, std::pair{97, 98}}) {
    auto to = CodedPicture(toW, toH, kToTag);
    const auto call = CallEffect(FXCheckerboard, from.get(), to.get(), MakeParams(0));
    EXPECT_FALSE(call.Finished);
    EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                return CodedPixel(OnGrid(x, y, 32, 0) && x < toW && y < toH ? kToTag : kFromTag, x, y);
              }), "") << toW;
  }
}

TEST(Checkerboard, StepsTwoShowsEverySecondStageInEitherDirection) {
  auto from = CodedPicture(100, 100, kFromTag), to = CodedPicture(100, 100, kToTag);
  auto forward = [](int c, int x, int y) {
    return c == 1 ? OnGrid(x, y, 16, 0) : c == 3 ? OnGrid(x, y, 8, 0) || OnGrid(x, y, 8, 4) : true;
  };
  auto backward = [](int c, int x, int y) { return c == 1 ? OnGrid(x, y, 8, 0) : c == 3 && OnGrid(x, y, 32, 0); };
  for (bool reverse : {false, true})
    for (int c : {1, 3, 5}) {
      const auto call = CallEffect(FXCheckerboard, from.get(), to.get(), MakeParams(c, tmLeft, reverse));
      EXPECT_EQ(call.Finished, c == 5);
      EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                  const bool square = reverse ? backward(c, x, y) : forward(c, x, y);
                  return CodedPixel(square ? kToTag : kFromTag, x, y);
                }), "") << reverse << " c=" << c;
    }
}

}  // namespace
}  // namespace tweenery::test
