// The comb effects' bands of columns composed a row at a time against the
// same effects drawn with one copy per band and row, over pictures and
// frames of unrelated sizes: seeded random sizes, directions, band widths
// and travels, every frame compared whole, litter included (what neither
// picture reaches must stay as the frame held it).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "EffectHarness.h"
#include "tweenkit/effects/FXCommon.h"

namespace tweenery::test {
namespace {

using TRoutedEffect = bool (*)(TBitmap*, TBitmap*, TBitmap*, const TFXParams&, fx::TBandRoute);

bool SliderForward(TBitmap* F, TBitmap* T, TBitmap* Frame, const TFXParams& P, fx::TBandRoute R) {
  return fx::Slider(F, T, Frame, P, false, R);
}
bool SliderBackward(TBitmap* F, TBitmap* T, TBitmap* Frame, const TFXParams& P, fx::TBandRoute R) {
  return fx::Slider(F, T, Frame, P, true, R);
}
bool MonoForward(TBitmap* F, TBitmap* T, TBitmap* Frame, const TFXParams& P, fx::TBandRoute R) {
  return fx::MonoSlider(F, T, Frame, P, false, R);
}
bool MonoBackward(TBitmap* F, TBitmap* T, TBitmap* Frame, const TFXParams& P, fx::TBandRoute R) {
  return fx::MonoSlider(F, T, Frame, P, true, R);
}

struct TComb {
  const char* Name;
  TRoutedEffect Effect;
};
const TComb kCombs[] = {
    {"Slider", SliderForward}, {"ReverseSlider", SliderBackward}, {"Strip", fx::Strip},
    {"MonoSlider", MonoForward}, {"ReverseMonoSlider", MonoBackward},
};

std::unique_ptr<TBitmap> Drawn(const TComb& Comb, TBitmap* From, TBitmap* To, const TBitmap& Litter,
                               TFXParams Params, fx::TBandRoute Route, bool& Finished) {
  auto frame = std::make_unique<TBitmap>();
  frame->Assign(&Litter);
  Params.FrameRect = Rect(0, 0, Litter.Width(), Litter.Height());
  Finished = Comb.Effect(From, To, frame.get(), Params, Route);
  return frame;
}

TEST(BandRoutes, RowsMatchPiecesOverPicturesOfAnySize) {
  std::mt19937 random(20261208u);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  // Mostly small sizes, some equal ones, now and then one wider than the
  // eight-pixel vectors.
  auto extent = [&] { return pick(0, 5) == 0 ? pick(30, 70) : pick(1, 24); };
  for (int trial = 0; trial < 6000; ++trial) {
    const TComb& comb = kCombs[pick(0, static_cast<int>(std::size(kCombs)) - 1)];
    const int fw = extent(), fh = extent();
    const bool sameTo = pick(0, 4) == 0;
    const int tw = sameTo ? fw : extent(), th = sameTo ? fh : extent();
    const bool frameLikeFrom = pick(0, 2) != 0;
    const int ww = frameLikeFrom ? fw : extent(), wh = frameLikeFrom ? fh : extent();
    const auto modifier = static_cast<TTransitionModifier>(pick(0, 3));
    const bool reverse = pick(0, 1) == 1;
    const std::int32_t delta = pick(0, 6) == 0 ? (pick(0, 1) ? pick(-1, 1) : INT32_MAX) : pick(1, 12);
    const std::int32_t frame = pick(-1, 2 * std::max({fh, th, wh, fw, tw, ww}) + 4);
    SCOPED_TRACE(testing::Message() << comb.Name << " from " << fw << "x" << fh << " to " << tw << "x" << th
                                    << " frame " << ww << "x" << wh << " modifier " << static_cast<int>(modifier)
                                    << " reverse " << reverse << " delta " << delta << " at " << frame);
    auto from = RandomPicture(fw, fh, random()), to = RandomPicture(tw, th, random());
    auto litter = RandomPicture(ww, wh, random());
    const TFXParams params = MakeParams(frame, modifier, reverse, delta);
    bool rowsFinished = false, piecesFinished = false;
    auto rows = Drawn(comb, from.get(), to.get(), *litter, params, fx::brRows, rowsFinished);
    auto pieces = Drawn(comb, from.get(), to.get(), *litter, params, fx::brPieces, piecesFinished);
    EXPECT_EQ(rowsFinished, piecesFinished);
    ASSERT_EQ(rows->Width(), pieces->Width());
    ASSERT_EQ(rows->Height(), pieces->Height());
    ASSERT_EQ(FirstMismatch(*rows, [&](int x, int y) { return PixelAt(*pieces, x, y); }), "");
  }
}

// A frame that is the incoming or the leaving picture itself: the copies
// read it as it was before the call, and so must the row route.
TEST(BandRoutes, AFrameThatIsOneOfThePicturesMatchesToo) {
  std::mt19937 random(8122026u);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int trial = 0; trial < 1500; ++trial) {
    const TComb& comb = kCombs[pick(0, static_cast<int>(std::size(kCombs)) - 1)];
    const int fw = pick(1, 24), fh = pick(1, 24), tw = pick(1, 24), th = pick(1, 24);
    const bool frameIsTo = pick(0, 1) == 1;
    const auto modifier = pick(0, 1) ? tmUp : tmDown;
    const TFXParams params = MakeParams(pick(0, 2 * std::max(fh, th) + 2), modifier, pick(0, 1) == 1, pick(1, 6));
    SCOPED_TRACE(testing::Message() << comb.Name << " from " << fw << "x" << fh << " to " << tw << "x" << th
                                    << " frame is " << (frameIsTo ? "To" : "From") << " modifier "
                                    << static_cast<int>(modifier) << " at " << params.CurrentFrame);
    const auto from = RandomPicture(fw, fh, random()), to = RandomPicture(tw, th, random());
    auto run = [&](fx::TBandRoute Route) {
      auto f = std::make_unique<TBitmap>(), t = std::make_unique<TBitmap>();
      f->Assign(from.get());
      t->Assign(to.get());
      TBitmap* frame = frameIsTo ? t.get() : f.get();
      TFXParams p = params;
      p.FrameRect = Rect(0, 0, frame->Width(), frame->Height());
      comb.Effect(f.get(), t.get(), frame, p, Route);
      return frameIsTo ? std::move(t) : std::move(f);
    };
    const auto rows = run(fx::brRows), pieces = run(fx::brPieces);
    ASSERT_EQ(FirstMismatch(*rows, [&](int x, int y) { return PixelAt(*pieces, x, y); }), "");
  }
}

// At one size the row route picks rows that both combs reach straight from
// the incoming picture; the pieces route there takes the general row
// composer. They must agree at every travel, past the end too, on rows wider
// than the vector kernels.
TEST(BandRoutes, OneSizeRowsMatchAtEveryTravel) {
  std::mt19937 random(8122026u);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int trial = 0; trial < 120; ++trial) {
    const TComb& comb = kCombs[pick(0, 2)];  // the slider both ways and the strip
    const int w = pick(0, 3) == 0 ? pick(1, 9) : pick(10, 90), h = pick(1, 40);
    const auto modifier = pick(0, 1) ? tmUp : tmDown;
    const bool reverse = pick(0, 1) == 1;
    const std::int32_t delta = pick(0, 9) == 0 ? (pick(0, 1) ? 0 : INT32_MAX) : pick(1, 12);
    auto from = RandomPicture(w, h, random()), to = RandomPicture(w, h, random());
    auto litter = RandomPicture(w, h, random());
    for (int frame = -1; frame <= h + 2; ++frame) {
      SCOPED_TRACE(testing::Message() << comb.Name << " " << w << "x" << h << " modifier "
                                      << static_cast<int>(modifier) << " reverse " << reverse << " delta " << delta
                                      << " at " << frame);
      const TFXParams params = MakeParams(frame, modifier, reverse, delta);
      bool rowsFinished = false, piecesFinished = false;
      auto rows = Drawn(comb, from.get(), to.get(), *litter, params, fx::brRows, rowsFinished);
      auto pieces = Drawn(comb, from.get(), to.get(), *litter, params, fx::brPieces, piecesFinished);
      EXPECT_EQ(rowsFinished, piecesFinished);
      ASSERT_EQ(FirstMismatch(*rows, [&](int x, int y) { return PixelAt(*pieces, x, y); }), "");
    }
  }
}

// The mono slider's bands of rows at one size are laid a row at a time in
// one sweep; the pieces route draws them band by band. Every travel of both
// phases, both directions, past the end too, with bands that do not divide
// the height and bands thicker than it.
TEST(BandRoutes, OneSizeRowBandsOfTheMonoSliderMatchAtEveryTravel) {
  std::mt19937 random(10122026u);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int trial = 0; trial < 60; ++trial) {
    const TComb& comb = kCombs[pick(3, 4)];
    const int w = pick(0, 3) == 0 ? pick(1, 9) : pick(10, 70), h = pick(1, 30);
    const auto modifier = pick(0, 1) ? tmLeft : tmRight;
    const std::int32_t delta = pick(0, 9) == 0 ? (pick(0, 1) ? 0 : INT32_MAX) : pick(1, 12);
    auto from = RandomPicture(w, h, random()), to = RandomPicture(w, h, random());
    auto litter = RandomPicture(w, h, random());
    for (int frame = -1; frame <= 2 * w + 2; ++frame) {
      SCOPED_TRACE(testing::Message() << comb.Name << " " << w << "x" << h << " modifier "
                                      << static_cast<int>(modifier) << " delta " << delta << " at " << frame);
      const TFXParams params = MakeParams(frame, modifier, false, delta);
      bool rowsFinished = false, piecesFinished = false;
      auto rows = Drawn(comb, from.get(), to.get(), *litter, params, fx::brRows, rowsFinished);
      auto pieces = Drawn(comb, from.get(), to.get(), *litter, params, fx::brPieces, piecesFinished);
      EXPECT_EQ(rowsFinished, piecesFinished);
      ASSERT_EQ(FirstMismatch(*rows, [&](int x, int y) { return PixelAt(*pieces, x, y); }), "");
    }
  }
}

}  // namespace
}  // namespace tweenery::test
