#include <gtest/gtest.h>

#include <climits>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

std::uint32_t Xor(std::uint32_t A, std::uint32_t B) { return (A ^ B) | 0xFF000000u; }

// The motion of a modifier as a unit step.
int StepX(TTransitionModifier m) { return m == tmLeft ? -1 : m == tmRight ? 1 : 0; }
int StepY(TTransitionModifier m) { return m == tmUp ? -1 : m == tmDown ? 1 : 0; }

TEST(Shade, EnteringPictureGlidesInCombinedWithTheLeavingOne) {
  // tmLeft at 3: A's first three columns are combined into B's last three;
  // at W the whole frame is A XOR B; at 0 only B shows.
  const int W = 12, H = 8;
  auto from = CodedPicture(W, H, kFromTag), to = CodedPicture(W, H, kToTag);
  for (TFXFunction effect : {FXShade, FXShadeContinue})
    for (int c : {0, 3, W}) {
      const auto call = CallEffect(effect, from.get(), to.get(), MakeParams(c, tmLeft));
      EXPECT_FALSE(call.Finished);
      EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                  const std::uint32_t b = CodedPixel(kFromTag, x, y);
                  return x >= W - c ? Xor(b, CodedPixel(kToTag, x - (W - c), y)) : b;
                }), "") << c;
    }
}

TEST(Shade, LeavingPictureGoesBackOrOnOverTheEnteringOne) {
  // One frame into the second half B has moved one pixel over A: back
  // against A's motion in shade, on with it in shade-continue. Reverse
  // swaps the pictures.
  const int W = 12, H = 8;
  auto from = CodedPicture(W, H, kFromTag), to = CodedPicture(W, H, kToTag);
  for (bool onwards : {false, true})
    for (bool reverse : {false, true})
      for (TTransitionModifier m : {tmLeft, tmRight, tmUp, tmDown}) {
        const int extent = m == tmLeft || m == tmRight ? W : H;
        const int sx = onwards ? StepX(m) : -StepX(m), sy = onwards ? StepY(m) : -StepY(m);
        const std::uint32_t a = reverse ? kFromTag : kToTag, b = reverse ? kToTag : kFromTag;
        const auto call =
            CallEffect(onwards ? FXShadeContinue : FXShade, from.get(), to.get(), MakeParams(extent + 1, m, reverse));
        EXPECT_FALSE(call.Finished);
        EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                    const int bx = x - sx, by = y - sy;
                    const bool under = bx >= 0 && by >= 0 && bx < W && by < H;
                    return under ? Xor(CodedPixel(a, x, y), CodedPixel(b, bx, by)) : CodedPixel(a, x, y);
                  }), "") << "onwards=" << onwards << " reverse=" << reverse << " m=" << m;
      }
}

TEST(Shade, EndsOnTheEnteringPictureAlone) {
  const int W = 12, H = 8;
  auto from = CodedPicture(W, H, kFromTag), to = CodedPicture(W, H, kToTag);
  for (TFXFunction effect : {FXShade, FXShadeContinue})
    for (TTransitionModifier m : {tmLeft, tmRight, tmUp, tmDown}) {
      const int extent = m == tmLeft || m == tmRight ? W : H;
      for (int c : {2 * extent, 2 * extent + 1, INT_MAX}) {
        const auto call = CallEffect(effect, from.get(), to.get(), MakeParams(c, m));
        EXPECT_EQ(call.Finished, c > 2 * extent) << m << " " << c;
        EXPECT_EQ(FirstMismatch(*call.Frame, [](int x, int y) { return CodedPixel(kToTag, x, y); }), "") << m;
      }
    }
}

TEST(Shade, IdenticalPicturesCancelWhereTheyOverlap) {
  // At the half-way frame A lies exactly on B: x XOR x is black. A lower
  // entering picture leaves B alone below it.
  const int W = 12, H = 8;
  auto picture = CodedPicture(W, H, kFromTag), same = CodedPicture(W, H, kFromTag);
  for (TFXFunction effect : {FXShade, FXShadeContinue})
    for (TTransitionModifier m : {tmLeft, tmRight, tmUp, tmDown}) {
      const auto call = CallEffect(effect, picture.get(), same.get(), MakeParams(m == tmLeft || m == tmRight ? W : H, m));
      EXPECT_EQ(FirstMismatch(*call.Frame, [](int, int) { return 0xFF000000u; }), "") << m;
    }
  auto lower = CodedPicture(W, 5, kFromTag);
  const auto call = CallEffect(FXShade, picture.get(), lower.get(), MakeParams(W, tmLeft));
  EXPECT_EQ(FirstMismatch(*call.Frame, [](int x, int y) { return y < 5 ? 0xFF000000u : CodedPixel(kFromTag, x, y); }),
            "");
}

TEST(Shade, LargerPictureLendsOnlyItsTopLeftCorner) {
  // A To larger than the frame, entering or (reversed) lying still, shows
  // only its frame-sized top-left part, one-to-one.
  const int W = 12, H = 8;
  auto from = CodedPicture(W, H, kFromTag), to = CodedPicture(W + 5, H + 3, kToTag);
  for (TFXFunction effect : {FXShade, FXShadeContinue})
    for (bool reverse : {false, true})
      for (int c : {3, W}) {
        const std::uint32_t a = reverse ? kFromTag : kToTag, b = reverse ? kToTag : kFromTag;
        const auto call = CallEffect(effect, from.get(), to.get(), MakeParams(c, tmLeft, reverse));
        EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                    const std::uint32_t under = CodedPixel(b, x, y);
                    return x >= W - c ? Xor(under, CodedPixel(a, x - (W - c), y)) : under;
                  }), "") << reverse << " " << c;
      }
}

TEST(Shade, CopyModeIsPutBack) {
  auto from = CodedPicture(6, 4, kFromTag), to = CodedPicture(6, 4, kToTag);
  for (TFXFunction effect : {FXShade, FXShadeContinue})
    for (TCopyMode mode : {cmSrcCopy, cmSrcInvert})
      for (int c : {3, 9}) {
        TBitmap frame(6, 4);
        frame.Canvas()->SetCopyMode(mode);
        TFXParams params = MakeParams(c, tmLeft);
        params.FrameRect = Rect(0, 0, 6, 4);
        effect(from.get(), to.get(), &frame, params);
        EXPECT_EQ(frame.Canvas()->CopyMode(), mode) << c;
      }
}

}  // namespace
}  // namespace tweenery::test
