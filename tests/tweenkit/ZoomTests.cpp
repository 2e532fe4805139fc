#include <gtest/gtest.h>

#include <climits>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

constexpr std::uint32_t kFill = 0xFF000000u;  // black, the harness's fill

// Source position of destination position i when n positions show m.
int Scaled(int i, int n, int m) { return static_cast<int>((2LL * i + 1) * m / (2LL * n)); }

TEST(Zoom, ShrinksTheLeavingPictureAndGrowsTheEnteringOne) {
  // 9 x 14, so m = 9 and half = 4: the From picture shrinks to a one-pixel
  // column at 4, the To picture takes over at 5 and fills the frame at 9.
  const int W = 9, H = 14;
  auto from = CodedPicture(W, H, kFromTag), to = CodedPicture(W, H, kToTag);
  struct Case { int c; bool reverse; int inset; std::uint32_t tag; bool finished; };
  for (const Case k : {Case{0, false, 0, kFromTag, false}, Case{2, false, 2, kFromTag, false},
                       Case{4, false, 4, kFromTag, false}, Case{5, false, 4, kToTag, false},
                       Case{7, false, 2, kToTag, false}, Case{9, false, 0, kToTag, true},
                       Case{30, false, 0, kToTag, true}, Case{4, true, 4, kToTag, false},
                       Case{5, true, 4, kFromTag, false}, Case{9, true, 0, kFromTag, true}}) {
    const auto call = CallEffect(FXZoom, from.get(), to.get(), MakeParams(k.c, tmLeft, k.reverse));
    EXPECT_EQ(call.Finished, k.finished) << k.c;
    const int w = W - 2 * k.inset, h = H - 2 * k.inset;
    EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                const int i = x - k.inset, j = y - k.inset;
                if (i < 0 || j < 0 || i >= w || j >= h) return kFill;
                return CodedPixel(k.tag, Scaled(i, w, W), Scaled(j, h, H));
              }), "") << "c=" << k.c << " reverse=" << k.reverse;
  }
}

// The frame after n halvings of picture Tag on a W x H frame: reduced into
// the centred sw x sh rectangle, then enlarged back.
std::uint32_t MosaicPixel(std::uint32_t Tag, int n, int W, int H, int x, int y) {
  const int sw = n >= 31 ? 0 : W >> n, sh = n >= 31 ? 0 : H >> n;
  if (sw == 0 || sh == 0) return kFill;
  return CodedPixel(Tag, Scaled(Scaled(x, W, sw), sw, W), Scaled(Scaled(y, H, sh), sh, H));
}

TEST(Mosaic, CoarsensTheLeavingPictureAndRefinesTheEnteringOne) {
  // D = 3: halvings 0, 1, 2, 3 on the leaving picture, then 2, 1, 0 on the
  // entering one; frame 6 is the entering picture whole and finishes.
  const int W = 20, H = 12;
  auto from = CodedPicture(W, H, kFromTag), to = CodedPicture(W, H, kToTag);
  const int halvings[] = {0, 1, 2, 3, 2, 1, 0, 0};
  for (bool reverse : {false, true})
    for (int c = 0; c <= 7; ++c) {
      const auto call = CallEffect(FXMosaic, from.get(), to.get(), MakeParams(c, tmLeft, reverse, 3));
      EXPECT_EQ(call.Finished, c >= 6) << c;
      const std::uint32_t tag = (c <= 3) != reverse ? kFromTag : kToTag;
      EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) { return MosaicPixel(tag, halvings[c], W, H, x, y); }),
                "") << "c=" << c << " reverse=" << reverse;
    }
}

TEST(Mosaic, NothingIsDrawnOnceTheBlocksOutgrowTheFrame) {
  // 12 >> 4 = 0 rows: the small rectangle is empty and the fill shows. The
  // same for halving counts past the width's bits, and at the int32 limit.
  const int W = 20, H = 12;
  auto from = CodedPicture(W, H, kFromTag), to = CodedPicture(W, H, kToTag);
  struct Case { int c; int delta; };
  for (const Case k : {Case{4, 5}, Case{32, 40}, Case{40, 40}, Case{INT_MAX, INT_MAX}, Case{INT_MAX - 1, INT_MAX}}) {
    const auto call = CallEffect(FXMosaic, from.get(), to.get(), MakeParams(k.c, tmLeft, false, k.delta));
    EXPECT_FALSE(call.Finished) << k.c;
    EXPECT_EQ(FirstMismatch(*call.Frame, [](int, int) { return kFill; }), "") << k.c << " " << k.delta;
  }
  // A Delta below 1 counts as 1: two halving steps, then finished.
  for (int delta : {0, -7, INT_MIN}) {
    EXPECT_FALSE(CallEffect(FXMosaic, from.get(), to.get(), MakeParams(1, tmLeft, false, delta)).Finished);
    const auto call = CallEffect(FXMosaic, from.get(), to.get(), MakeParams(2, tmLeft, false, delta));
    EXPECT_TRUE(call.Finished) << delta;
    EXPECT_EQ(FirstMismatch(*call.Frame, [](int x, int y) { return CodedPixel(kToTag, x, y); }), "") << delta;
  }
}

TEST(Replace, CutsAtFrameOneAndFinishesAtFrameTwo) {
  auto from = CodedPicture(11, 7, kFromTag), to = CodedPicture(11, 7, kToTag);
  struct Case { int c; bool reverse; std::uint32_t tag; bool finished; };
  for (const Case k : {Case{0, false, kFromTag, false}, Case{1, false, kToTag, false}, Case{2, false, kToTag, true},
                       Case{INT_MAX, false, kToTag, true}, Case{0, true, kToTag, false},
                       Case{1, true, kFromTag, false}, Case{2, true, kFromTag, true}}) {
    const auto call = CallEffect(FXReplace, from.get(), to.get(), MakeParams(k.c, tmLeft, k.reverse));
    EXPECT_EQ(call.Finished, k.finished) << k.c << " " << k.reverse;
    EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) { return CodedPixel(k.tag, x, y); }), "")
        << k.c << " " << k.reverse;
  }
}

}  // namespace
}  // namespace tweenery::test
