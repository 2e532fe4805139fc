// The slider's and the strip's bands of columns over a frame and pictures
// all of one size: the row route picks rows that both combs reach straight
// from the incoming picture, without laying it over the leaving one twice.
// It must match the general row composer (which the pieces route takes at
// one size) at every travel, both directions, any band width, rows wider
// than the vector kernels.
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

struct TComb {
  const char* Name;
  TRoutedEffect Effect;
};
const TComb kCombs[] = {{"Slider", SliderForward}, {"ReverseSlider", SliderBackward}, {"Strip", fx::Strip}};

std::unique_ptr<TBitmap> Drawn(const TComb& Comb, TBitmap* From, TBitmap* To, const TBitmap& Litter,
                               TFXParams Params, fx::TBandRoute Route, bool& Finished) {
  auto frame = std::make_unique<TBitmap>();
  frame->Assign(&Litter);
  Params.FrameRect = Rect(0, 0, Litter.Width(), Litter.Height());
  Finished = Comb.Effect(From, To, frame.get(), Params, Route);
  return frame;
}

TEST(OneSizeCombs, RowsMatchPiecesAtEveryTravel) {
  std::mt19937 random(8122026u);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int trial = 0; trial < 120; ++trial) {
    const TComb& comb = kCombs[pick(0, static_cast<int>(std::size(kCombs)) - 1)];
    const int w = pick(0, 3) == 0 ? pick(1, 9) : pick(10, 90), h = pick(1, 40);
    const auto modifier = pick(0, 1) ? tmUp : tmDown;
    const bool reverse = pick(0, 1) == 1;
    const std::int32_t delta = pick(0, 9) == 0 ? (pick(0, 1) ? 0 : INT32_MAX) : pick(1, 12);
    auto from = RandomPicture(w, h, random()), to = RandomPicture(w, h, random());
    auto litter = RandomPicture(w, h, random());
    // Past the end too, where the run is over and the travel is held.
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

}  // namespace
}  // namespace tweenery::test
