#include <gtest/gtest.h>

#include <climits>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

// The frame shows To where Shown(x, y) holds, From elsewhere.
template <class Shown>
std::string Uncovered(const TBitmap& Frame, Shown&& shown) {
  return FirstMismatch(Frame, [&](int x, int y) { return CodedPixel(shown(x, y) ? kToTag : kFromTag, x, y); });
}

TEST(MonoReveal, OneBoundarySweepsToTheOppositeEdge) {
  auto from = CodedPicture(100, 80, kFromTag), to = CodedPicture(100, 80, kToTag);
  auto left = CallEffect(FXMonoReveal, from.get(), to.get(), MakeParams(25, tmLeft));
  EXPECT_FALSE(left.Finished);
  EXPECT_EQ(Uncovered(*left.Frame, [](int x, int) { return x >= 75; }), "");
  // Vertical sweeps finish on the height.
  EXPECT_FALSE(CallEffect(FXMonoReveal, from.get(), to.get(), MakeParams(79, tmUp)).Finished);
  auto up = CallEffect(FXMonoReveal, from.get(), to.get(), MakeParams(80, tmUp));
  EXPECT_TRUE(up.Finished);
  EXPECT_EQ(Uncovered(*up.Frame, [](int, int) { return true; }), "");
  auto start = CallEffect(FXReverseMonoReveal, from.get(), to.get(), MakeParams(0, tmDown));
  EXPECT_FALSE(start.Finished);
  EXPECT_EQ(Uncovered(*start.Frame, [](int, int) { return true; }), "");
  auto end = CallEffect(FXReverseMonoReveal, from.get(), to.get(), MakeParams(80, tmDown));
  EXPECT_TRUE(end.Finished);
  EXPECT_EQ(Uncovered(*end.Frame, [](int, int) { return false; }), "");
}

TEST(Reveal, TwoBoundariesMeetOnTheHalfExtent) {
  auto from = CodedPicture(200, 100, kFromTag), to = CodedPicture(200, 100, kToTag);
  auto out = CallEffect(FXReveal, from.get(), to.get(), MakeParams(30, tmLeft));
  EXPECT_FALSE(out.Finished);
  EXPECT_EQ(Uncovered(*out.Frame, [](int x, int) { return x >= 70 && x < 130; }), "");
  EXPECT_FALSE(CallEffect(FXReveal, from.get(), to.get(), MakeParams(99, tmLeft)).Finished);
  EXPECT_TRUE(CallEffect(FXReveal, from.get(), to.get(), MakeParams(100, tmLeft)).Finished);
  // Odd extents: the last column (row) beyond 2m keeps From throughout.
  auto wide = CodedPicture(201, 101, kFromTag), wideTo = CodedPicture(201, 101, kToTag);
  auto in = CallEffect(FXReveal, wide.get(), wideTo.get(), MakeParams(100, tmRight));
  EXPECT_TRUE(in.Finished);
  EXPECT_EQ(Uncovered(*in.Frame, [](int x, int) { return x < 200; }), "");
  auto back = CallEffect(FXReverseReveal, wide.get(), wideTo.get(), MakeParams(0, tmUp));
  EXPECT_FALSE(back.Finished);
  EXPECT_EQ(Uncovered(*back.Frame, [](int, int y) { return y < 100; }), "");
}

TEST(Reveal, FromShowsPastTheEndOfASmallerTo) {
  // A To 10 x 6 on a 13 x 9 frame: From stays beside the uncovered bands
  // and beyond To across the sweep.
  auto from = CodedPicture(13, 9, kFromTag), to = CodedPicture(10, 6, kToTag);
  auto check = [&](TFXFunction Effect, TTransitionModifier M, int c, auto&& Shown) {
    const auto call = CallEffect(Effect, from.get(), to.get(), MakeParams(c, M));
    EXPECT_EQ(FirstMismatch(*call.Frame, [&](int x, int y) {
                return x < 10 && y < 6 && Shown(x, y) ? CodedPixel(kToTag, x, y) : CodedPixel(kFromTag, x, y);
              }), "") << M;
  };
  check(FXMonoReveal, tmRight, 4, [](int x, int) { return x < 4; });
  check(FXMonoReveal, tmUp, 2, [](int, int y) { return y >= 4; });
  check(FXReveal, tmLeft, 2, [](int x, int) { return x >= 3 && x < 7; });
  check(FXReveal, tmDown, 1, [](int, int y) { return y < 1 || y >= 5; });
}

TEST(RevealAndCrush, ReverseIsForwardCountedFromTheOtherEnd) {
  // Every frame of every direction, odd sizes, and a To picture smaller
  // than the frame. The crush moves To where the reveal uncovers it in place.
  struct Pair { TFXFunction Forward, Reverse; bool Halves; };
  auto from = CodedPicture(13, 9, kFromTag);
  for (auto [toW, toH] : {std::pair{13, 9}, std::pair{10, 6}}) {
    auto to = CodedPicture(toW, toH, kToTag);
    for (Pair fx : {Pair{FXMonoReveal, FXReverseMonoReveal, false}, Pair{FXReveal, FXReverseReveal, true},
                    Pair{FXCrush, FXReverseCrush, true}})
      for (TTransitionModifier m : {tmLeft, tmRight, tmUp, tmDown}) {
        const int across = m == tmLeft || m == tmRight ? std::min(13, toW) : std::min(9, toH);
        const int e = fx.Halves ? across / 2 : across;
        for (int c = 0; c <= e; ++c) {
          const auto reverse = CallEffect(fx.Reverse, from.get(), to.get(), MakeParams(c, m));
          const auto forward = CallEffect(fx.Forward, from.get(), to.get(), MakeParams(e - c, m));
          EXPECT_EQ(reverse.Finished, c == e);
          EXPECT_EQ(FirstMismatch(*reverse.Frame, [&](int x, int y) { return PixelAt(*forward.Frame, x, y); }), "")
              << fx.Halves << " " << m << " c=" << c << " to " << toW;
        }
        EXPECT_TRUE(CallEffect(fx.Forward, from.get(), to.get(), MakeParams(INT_MAX, m)).Finished);
        EXPECT_TRUE(CallEffect(fx.Reverse, from.get(), to.get(), MakeParams(INT_MAX, m)).Finished);
      }
  }
}

}  // namespace
}  // namespace tweenery::test
