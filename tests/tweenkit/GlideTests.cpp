#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

// Where the To picture lies after sliding: offset (dx, dy) from the frame's
// origin; an empty result means the pixel shows the From picture.
std::optional<std::uint32_t> Slid(int dx, int dy, int TW, int TH, int x, int y) {
  const int sx = x - dx, sy = y - dy;
  if (sx < 0 || sy < 0 || sx >= TW || sy >= TH) return std::nullopt;
  return CodedPixel(kToTag, sx, sy);
}

TEST(Glide, ToPictureEntersAndLeavesOverAStillFromPicture) {
  // At 0 the forward glide shows only From and the reverse one To whole; at
  // the frame's extent the opposite; one past it the same, finished.
  const int W = 12, H = 8;
  auto from = CodedPicture(W, H, kFromTag), to = CodedPicture(W, H, kToTag);
  for (TTransitionModifier m : {tmLeft, tmRight, tmUp, tmDown}) {
    const bool horizontal = m == tmLeft || m == tmRight;
    const int extent = horizontal ? W : H;
    for (int c : {0, 5, extent, extent + 1, 1000}) {
      const int travelled = std::min(c, extent);
      // Offset of the To picture forward: it starts one extent away, beyond
      // the edge opposite to its motion, and moves by the distance covered.
      const int away = extent - travelled;
      const int fdx = m == tmLeft ? away : m == tmRight ? -away : 0;
      const int fdy = m == tmUp ? away : m == tmDown ? -away : 0;
      // Reverse: it starts in place and moves back out the way it came.
      const int rdx = m == tmLeft ? travelled : m == tmRight ? -travelled : 0;
      const int rdy = m == tmUp ? travelled : m == tmDown ? -travelled : 0;
      for (bool reverse : {false, true}) {
        const auto call = CallEffect(reverse ? FXReverseGlide : FXGlide, from.get(), to.get(), MakeParams(c, m));
        EXPECT_EQ(call.Finished, c > extent) << m << " c=" << c;
        EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                    return Slid(reverse ? rdx : fdx, reverse ? rdy : fdy, W, H, x, y)
                        .value_or(CodedPixel(kFromTag, x, y));
                  }), "") << m << " c=" << c << " reverse=" << reverse;
      }
    }
  }
}

TEST(Glide, LowerToPictureLeavesTheFromPictureShowingBelowIt) {
  const int W = 12, H = 8;
  auto from = CodedPicture(W, H, kFromTag), to = CodedPicture(W, 5, kToTag);
  for (int c : {4, W}) {
    const auto call = CallEffect(FXGlide, from.get(), to.get(), MakeParams(c, tmLeft));
    EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                return Slid(W - c, 0, W, 5, x, y).value_or(CodedPixel(kFromTag, x, y));
              }), "") << c;
  }
}

}  // namespace
}  // namespace tweenery::test
