#include <gtest/gtest.h>

#include <cstdio>

#include <climits>
#include <utility>
#include <vector>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

// The spiral walk taken one step at a time, as the closed form must match.
// After n moves the turn that follows the last move is still pending.
struct TStepWalk {
  int n = 0, minX, minY, maxX, maxY, x, y, dx = 1, dy = 0;

  explicit TStepWalk(int D) {
    const int c = D >> 1;
    minX = minY = c - 1;
    maxX = maxY = c + 1;
    x = y = c;
  }
  void Step() {
    if (n > 0) {
      if (x >= maxX) { ++maxX; dx = 0; dy = 1; } else if (x <= minX) { --minX; dx = 0; dy = -1; }
      if (y >= maxY) { ++maxY; dx = -1; dy = 0; } else if (y <= minY) { --minY; dx = 1; dy = 0; }
    }
    x += dx;
    y += dy;
    ++n;
  }
  int Cover(int Moves, TRect& R1, TRect& R2) const {
    if (dx == 1) {
      R1 = Rect(minX + 1, minY + 2, maxX - 1, maxY - 1), R2 = Rect(minX + 1, minY + 1, x, minY + 1);
    } else if (dy == 1) {
      R1 = Rect(minX + 1, minY + 1, maxX - 2, maxY - 1), R2 = Rect(maxX - 1, minY + 1, maxX - 1, y);
    } else if (dx == -1) {
      R1 = Rect(minX + 1, minY + 1, maxX - 1, maxY - 2), R2 = Rect(x, maxY - 1, maxX - 1, maxY - 1);
    } else {
      R1 = Rect(minX + 2, minY + 1, maxX - 1, maxY - 1), R2 = Rect(minX + 1, y, minX + 1, maxY - 1);
    }
    const long long area = (R1.Right - R1.Left + 1LL) * (R1.Bottom - R1.Top + 1LL);
    return area >= Moves ? 1 : 2;
  }
};

std::string Describe(int count, const TRect& R1, const TRect& R2) {
  auto r = [](const TRect& R) {
    char text[64];
    std::snprintf(text, sizeof text, "(%d,%d,%d,%d)", R.Left, R.Top, R.Right, R.Bottom);
    return std::string(text);
  };
  return count == 1 ? r(R1) : r(R1) + " " + r(R2);
}

std::string Cover(int n, int D) {
  TRect R1, R2;
  const int count = SpiralCover(n, D, R1, R2);
  return Describe(count, R1, R2);
}

TEST(SpiralCover, WalksOutFromTheTileCentre) {
  const char* const three[] = {
      "(1,2,1,1)",           "(1,2,1,1) (1,1,2,1)", "(1,1,1,1) (2,1,2,2)", "(1,1,2,1) (1,2,2,2)",
      "(1,1,2,1) (0,2,2,2)", "(1,1,2,2) (0,1,0,2)", "(1,1,2,2) (0,0,0,2)", "(0,1,2,2) (0,0,1,0)",
      "(0,1,2,2) (0,0,2,0)", "(0,1,2,2) (0,0,3,0)"};
  for (int n = 0; n <= 9; ++n) EXPECT_EQ(Cover(n, 3), three[n]) << "n=" << n;
  EXPECT_EQ(Cover(0, 1), "(0,1,0,0)");
  EXPECT_EQ(Cover(1, 1), "(0,1,0,0) (0,0,1,0)");
  EXPECT_EQ(Cover(-5, 3), "(1,2,1,1)");
}

TEST(SpiralCover, ClosedFormMatchesTheStepByStepWalk) {
  std::vector<std::pair<int, int>> cases;  // (D, last n)
  for (int D = 1; D <= 14; ++D) cases.emplace_back(D, D * D + 3);
  cases.emplace_back(INT_MAX, 300000);
  cases.emplace_back(1 << 16, 1 << 20);
  for (auto [D, last] : cases) {
    TStepWalk walk(D);
    for (int n = -1; n <= last; ++n) {
      if (n > 0) walk.Step();
      TRect R1, R2, W1, W2;
      const int count = SpiralCover(n, D, R1, R2), want = walk.Cover(n, W1, W2);
      // R2 matters only when the count says so.
      if (count != want || R1 != W1 || (count == 2 && R2 != W2)) {
        ADD_FAILURE() << "D=" << D << " n=" << n << ": " << Describe(count, R1, R2) << ", want "
                      << Describe(want, W1, W2);
        break;
      }
    }
  }
  // The whole int range of n, which the walk would take hours over.
  TRect R1, R2;
  EXPECT_GE(SpiralCover(INT_MAX, INT_MAX, R1, R2), 1);
}

// Pixel (x, y) of a frame tiled by D lies on one of the tile-relative points
// (points may be D, landing on the next tile).
bool OnTiles(const std::vector<std::pair<int, int>>& Points, int D, int x, int y) {
  for (auto [px, py] : Points)
    if (x >= px && y >= py && (x - px) % D == 0 && (y - py) % D == 0) return true;
  return false;
}

TEST(Spiral, StampsTheWalkIntoEveryTile) {
  // D = 3 on 8 x 5: the last tile column and row are partial. At n = 4 the
  // walk covers rows 1-2 of columns 1-2 and (0, 2).
  auto from = CodedPicture(8, 5, kFromTag), to = CodedPicture(8, 5, kToTag);
  const std::vector<std::pair<int, int>> four = {{1, 1}, {2, 1}, {1, 2}, {2, 2}, {0, 2}};
  for (bool reverse : {false, true}) {
    const auto call = CallEffect(FXSpiral, from.get(), to.get(), MakeParams(4, tmLeft, reverse, 3));
    EXPECT_FALSE(call.Finished);
    const std::uint32_t entering = reverse ? kFromTag : kToTag, leaving = reverse ? kToTag : kFromTag;
    EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                return CodedPixel(OnTiles(four, 3, x, y) ? entering : leaving, x, y);
              }), "") << reverse;
  }
}

TEST(Spiral, FinishingFrames) {
  auto from = CodedPicture(8, 5, kFromTag), to = CodedPicture(8, 5, kToTag);
  auto whole = [](std::uint32_t tag) { return [tag](int x, int y) { return CodedPixel(tag, x, y); }; };
  // D = 1 uncovers everything at once and finishes at 1; Delta below 1
  // counts as 1.
  for (int delta : {1, 0, INT_MIN}) {
    const auto first = CallEffect(FXSpiral, from.get(), to.get(), MakeParams(0, tmLeft, false, delta));
    EXPECT_FALSE(first.Finished);
    EXPECT_EQ(FirstMismatch(*first.Frame, whole(kToTag)), "") << delta;
    EXPECT_TRUE(CallEffect(FXSpiral, from.get(), to.get(), MakeParams(1, tmLeft, false, delta)).Finished);
  }
  // An even D reaches the frame's first row only through a tile's
  // overhang, which nothing lands on the very first row: forward, the last
  // frame keeps it; reverse ends on the whole From picture.
  const std::vector<std::pair<int, int>> last = {{1, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}};
  const auto forward = CallEffect(FXSpiral, from.get(), to.get(), MakeParams(4, tmLeft, false, 2));
  EXPECT_TRUE(forward.Finished);
  EXPECT_EQ(FirstMismatch(*forward.Frame, [&](int x, int y) {
              return CodedPixel(OnTiles(last, 2, x, y) ? kToTag : kFromTag, x, y);
            }), "");
  const auto backward = CallEffect(FXSpiral, from.get(), to.get(), MakeParams(9, tmLeft, true, 2));
  EXPECT_TRUE(backward.Finished);
  EXPECT_EQ(FirstMismatch(*backward.Frame, whole(kFromTag)), "");
  // A tile bigger than the frame and a frame number at the int32 limit:
  // the walk is still far from the frame, and the call returns at once.
  const auto huge = CallEffect(FXSpiral, from.get(), to.get(), MakeParams(INT_MAX, tmLeft, false, INT_MAX));
  EXPECT_FALSE(huge.Finished);
  EXPECT_EQ(FirstMismatch(*huge.Frame, whole(kFromTag)), "");
}

TEST(Spiral, FrameTakesTheEnteringPicturesSize) {
  auto from = CodedPicture(8, 5, kFromTag), to = CodedPicture(10, 7, kToTag);
  for (bool reverse : {false, true}) {
    const auto call = CallEffect(FXSpiral, from.get(), to.get(), MakeParams(0, tmLeft, reverse, 1));
    EXPECT_EQ(call.Frame->Width(), reverse ? 8 : 10);
    EXPECT_EQ(call.Frame->Height(), reverse ? 5 : 7);
    const std::uint32_t entering = reverse ? kFromTag : kToTag;
    EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) { return CodedPixel(entering, x, y); }), "");
  }
}

}  // namespace
}  // namespace tweenery::test
