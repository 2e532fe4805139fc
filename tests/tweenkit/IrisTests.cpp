#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

constexpr int kMaxInt = std::numeric_limits<int>::max();

// Inclusive columns X0..X1 and rows Y0..Y1 that show the inner picture.
struct TInside {
  int X0, X1, Y0, Y1;
  bool Contains(int x, int y) const { return x >= X0 && x <= X1 && y >= Y0 && y <= Y1; }
};
const TInside kNothing{1, 0, 1, 0};
const TInside kEverything{0, kMaxInt, 0, kMaxInt};

std::function<std::uint32_t(int, int)> Inside(TInside Area, std::uint32_t InnerTag, std::uint32_t OuterTag) {
  return [=](int x, int y) { return CodedPixel(Area.Contains(x, y) ? InnerTag : OuterTag, x, y); };
}

// Opening shows To inside the aperture; closing shows From inside it.
TEST(Iris, ApertureOpensFromACentredLineOrClosesTowardsItOn200x100) {
  auto from = CodedPicture(200, 100, kFromTag), to = CodedPicture(200, 100, kToTag);
  struct Case {
    bool Opening;
    int c;
    TInside Aperture;
    bool Finished;
  } cases[] = {
      {true, 0, kNothing, false},           {true, 10, {40, 159, 40, 59}, false},
      {true, 49, {1, 198, 1, 98}, false},   {true, 50, kEverything, true},
      {true, kMaxInt, kEverything, true},   {false, 0, kEverything, false},
      {false, 10, {10, 189, 10, 89}, false}, {false, 49, {49, 150, 49, 50}, false},
      {false, 50, kNothing, true},          {false, kMaxInt, kNothing, true},
  };
  for (const Case& k : cases) {
    // The two modifiers of each kind draw identical frames.
    const TTransitionModifier modifiers[] = {k.Opening ? tmLeft : tmRight, k.Opening ? tmUp : tmDown};
    for (TTransitionModifier modifier : modifiers) {
      SCOPED_TRACE(testing::Message() << "modifier " << modifier << " c " << k.c);
      auto call = CallEffect(FXIris, from.get(), to.get(), MakeParams(k.c, modifier));
      EXPECT_EQ(call.Finished, k.Finished);
      const auto want = k.Opening ? Inside(k.Aperture, kToTag, kFromTag) : Inside(k.Aperture, kFromTag, kToTag);
      EXPECT_EQ(FirstMismatch(*call.Frame, want), "");
    }
  }
}

TEST(Iris, SquareFramesStartFromTheCentrePixelOrFromNothing) {
  auto from = CodedPicture(101, 101, kFromTag), to = CodedPicture(101, 101, kToTag);
  auto odd = CallEffect(FXIris, from.get(), to.get(), MakeParams(0, tmUp));
  EXPECT_EQ(FirstMismatch(*odd.Frame, Inside({50, 50, 50, 50}, kToTag, kFromTag)), "");

  auto evenFrom = CodedPicture(100, 100, kFromTag), evenTo = CodedPicture(100, 100, kToTag);
  auto even = CallEffect(FXIris, evenFrom.get(), evenTo.get(), MakeParams(0, tmUp));
  EXPECT_EQ(FirstMismatch(*even.Frame, Inside(kNothing, kToTag, kFromTag)), "");
}

TEST(Iris, ReverseSwapsThePicturesButNotTheMotion) {
  auto from = CodedPicture(200, 100, kFromTag), to = CodedPicture(200, 100, kToTag);
  auto opening = CallEffect(FXIris, from.get(), to.get(), MakeParams(10, tmLeft, true));
  EXPECT_FALSE(opening.Finished);
  EXPECT_EQ(FirstMismatch(*opening.Frame, Inside({40, 159, 40, 59}, kFromTag, kToTag)), "");
  auto closing = CallEffect(FXIris, from.get(), to.get(), MakeParams(10, tmDown, true));
  EXPECT_EQ(FirstMismatch(*closing.Frame, Inside({10, 189, 10, 89}, kToTag, kFromTag)), "");
}

// An entering picture narrower than the frame turns the aperture's
// rectangles inside out; they still copy unmirrored, and only where the
// source picture has pixels.
TEST(Iris, NarrowEnteringPictureKeepsItsReversedAperturesUnmirrored) {
  auto from = CodedPicture(200, 100, kFromTag), to = CodedPicture(20, 100, kToTag);
  // (40, 40, -20, 60): columns -19..40, of which To has 0..19.
  auto opening = CallEffect(FXIris, from.get(), to.get(), MakeParams(10, tmLeft));
  EXPECT_EQ(FirstMismatch(*opening.Frame, Inside({0, 19, 40, 59}, kToTag, kFromTag)), "");

  // To over (0, 0, 20, 100), then From over (15, 15, 5, 85): columns 6..15.
  auto closing = CallEffect(FXIris, from.get(), to.get(), MakeParams(15, tmDown));
  EXPECT_EQ(FirstMismatch(*closing.Frame,
                          [](int x, int y) {
                            const bool leaving = x >= 20 || (x >= 6 && x <= 15 && y >= 15 && y <= 84);
                            return CodedPixel(leaving ? kFromTag : kToTag, x, y);
                          }),
            "");
}

}  // namespace
}  // namespace tweenery::test
