// The striped iris composes the frame row by row when the frame rectangle
// is the whole frame, also over a leaving picture smaller than the frame,
// and otherwise copies the leaving picture and every ring side over it. A
// frame rectangle reaching one pixel past the frame changes no pixel of
// that copy (it is clipped) but takes the side-by-side path, so the two
// calls must give the same frame for any rings, thin or thick, inside out
// past the centre or clamped.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <random>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

struct TIrisCase {
  int W, H;                     // the frame
  int EnteringW, EnteringH;     // may be smaller or larger than the frame
  int LeavingW, LeavingH;       // may be smaller or larger than the frame
  TTransitionModifier Modifier;
  bool Reverse;
  std::int32_t Delta, Frame;
};

std::unique_ptr<TBitmap> Draw(const TIrisCase& c, TBitmap* From, TBitmap* To, const TBitmap& Litter, TRect FrameRect,
                              bool& Finished) {
  auto frame = std::make_unique<TBitmap>();
  frame->Assign(&Litter);
  TFXParams params = MakeParams(c.Frame, c.Modifier, c.Reverse, c.Delta);
  params.FrameRect = FrameRect;
  Finished = FXStripedIris(From, To, frame.get(), params);
  return frame;
}

void ExpectPathsAgree(const TIrisCase& c, std::mt19937& Random) {
  SCOPED_TRACE(testing::Message() << c.W << "x" << c.H << " entering " << c.EnteringW << "x" << c.EnteringH
                                  << " leaving " << c.LeavingW << "x" << c.LeavingH << " modifier "
                                  << static_cast<int>(c.Modifier) << " reverse " << c.Reverse << " delta " << c.Delta
                                  << " frame " << c.Frame);
  auto entering = RandomPicture(c.EnteringW, c.EnteringH, Random());
  auto leaving = RandomPicture(c.LeavingW, c.LeavingH, Random());
  auto litter = RandomPicture(c.W, c.H, Random());
  TBitmap* from = c.Reverse ? entering.get() : leaving.get();
  TBitmap* to = c.Reverse ? leaving.get() : entering.get();
  bool composedFinished = false, sidesFinished = false;
  auto composed = Draw(c, from, to, *litter, Rect(0, 0, c.W, c.H), composedFinished);
  auto sides = Draw(c, from, to, *litter, Rect(0, 0, c.W + 1, c.H + 1), sidesFinished);
  EXPECT_EQ(composedFinished, sidesFinished);
  ASSERT_EQ(FirstMismatch(*composed, [&](int x, int y) { return PixelAt(*sides, x, y); }), "");
}

using TPick = std::function<int(int, int)>;
// The leaving picture's width or height, from the frame's.
using TLeavingSide = int (*)(const TPick& Pick, int Side);

void CompareOnSmallFrames(std::uint32_t Seed, TLeavingSide Leaving) {
  std::mt19937 random(Seed);
  const TPick pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int trial = 0; trial < 3000; ++trial) {
    TIrisCase c{};
    c.W = pick(1, 48);
    c.H = pick(0, 3) == 0 ? c.W : pick(1, 48);
    c.EnteringW = pick(0, 2) == 0 ? c.W : pick(1, c.W + 6);
    c.EnteringH = pick(0, 2) == 0 ? c.H : pick(1, c.H + 6);
    c.LeavingW = Leaving(pick, c.W);
    c.LeavingH = Leaving(pick, c.H);
    c.Modifier = static_cast<TTransitionModifier>(pick(0, 3));
    c.Reverse = pick(0, 1) == 1;
    const int roll = pick(0, 9);
    c.Delta = roll == 0 ? pick(-2, 0) : roll == 1 ? pick(0, 1) == 0 ? INT_MAX : pick(20, 100) : pick(1, 6);
    const int rings = std::min(c.W, c.H) / 2 / std::max(c.Delta, 1);
    c.Frame = pick(0, 9) == 0 ? pick(-1, 3 * std::max(c.W, c.H) + 10) : pick(0, rings + 2);
    ExpectPathsAgree(c, random);
  }
}

// Hundreds of thin rings, the case the row composition is for, on frames of
// either shape with a narrower or shorter entering picture.
void CompareOnLargerFrames(std::uint32_t Seed, TLeavingSide Leaving) {
  std::mt19937 random(Seed);
  const TPick pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int trial = 0; trial < 40; ++trial) {
    TIrisCase c{};
    c.W = pick(150, 420);
    c.H = pick(150, 420);
    c.EnteringW = pick(0, 1) == 0 ? c.W : pick(c.W / 2, c.W + 20);
    c.EnteringH = pick(0, 1) == 0 ? c.H : pick(c.H / 2, c.H + 20);
    c.LeavingW = Leaving(pick, c.W);
    c.LeavingH = Leaving(pick, c.H);
    c.Modifier = static_cast<TTransitionModifier>(pick(0, 3));
    c.Reverse = pick(0, 1) == 1;
    c.Delta = pick(1, 3);
    c.Frame = pick(0, std::min(c.W, c.H) / 2 / c.Delta + 1);
    ExpectPathsAgree(c, random);
  }
}

TEST(StripedIrisPaths, ComposedRowsMatchTheSidesCopiedOneByOne) {
  CompareOnSmallFrames(20261208u,
                       [](const TPick& pick, int Side) { return Side + (pick(0, 2) == 0 ? pick(1, 5) : 0); });
}

TEST(StripedIrisPaths, ManyThinRingsOnLargerFrames) {
  CompareOnLargerFrames(7u, [](const TPick& pick, int Side) { return Side + pick(0, 3); });
}

// A leaving picture short of the frame on one side or both, mostly; now and
// then one that covers it.
TEST(StripedIrisPaths, ASmallerLeavingPictureMatchesTheSides) {
  CompareOnSmallFrames(20261209u,
                       [](const TPick& pick, int Side) { return pick(0, 4) == 0 ? Side + pick(0, 3) : pick(1, Side); });
}

// Thin rings where narrow and wide sides and the masked blocks straddle the
// leaving picture's edge.
TEST(StripedIrisPaths, ThinRingsAcrossTheLeavingPicturesEdge) {
  CompareOnLargerFrames(11u, [](const TPick& pick, int Side) { return pick(Side / 3, Side); });
}

}  // namespace
}  // namespace tweenery::test
