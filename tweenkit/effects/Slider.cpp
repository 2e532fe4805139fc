// Slider and strip: comb effects. The even bands fill from the near edge and
// the odd bands from the far edge (the incoming picture's own extent T) at
// once, so the incoming picture closes in like the teeth of two combs. The
// slider's bands move; the strip's are wiped in, in place.
#include "tweenkit/effects/FXCommon.h"

#include <algorithm>

namespace tweenery {

namespace {

// The travel, held at T, with whether the run is over (strictly past T).
struct TTravel {
  int c;
  bool Finished;
};
TTravel Travel(const TFXParams& Params, const fx::TBands& Bands) {
  if (fx::FrameIndex(Params) > Bands.Length) return {Bands.Length, true};
  return {fx::FrameIndex(Params), false};
}

// Draws Base as the background, left out where the bands will lie once
// filled c pixels deep: the first c positions of the even bands and the
// last c of the incoming picture's extent T on the odd ones, across as far
// as the frame and the incoming picture both reach. Every band is a
// one-to-one copy over that place, so the frame is as from a full copy of
// Base. Bands of columns would cut every row into short pieces; they, and
// any frame rectangle other than the whole frame, get Base whole.
void DrawBase(TBitmap* Base, TBitmap* Frame, const TFXParams& Params, const fx::TBands& Bands, int c) {
  if (!Bands.Horizontal || !fx::IsWhole(*Frame, Params.FrameRect)) {
    fx::CopyFrom(Frame, Base, Params.FrameRect, Params.FrameRect);
    return;
  }
  const int W = Frame->Width(), H = Frame->Height(), T = Bands.Length;
  auto copy = [&](const TRect& R) { fx::CopyFrom(Frame, Base, R, R); };
  copy(Rect(0, Bands.Limit, W, H));
  Bands.ForEach(false, [&](int y0, int y1) { copy(Rect(std::min(c, W), y0, W, std::min(y1, Bands.Limit))); });
  Bands.ForEach(true, [&](int y0, int y1) {
    const int last = std::min(y1, Bands.Limit);
    copy(Rect(0, y0, std::min(T - c, W), last));
    copy(Rect(std::min(T, W), y0, W, last));
  });
}

void DrawSlider(TBitmap* To, TBitmap* Frame, const fx::TBands& Bands, int c) {
  const int T = Bands.Length;
  Bands.ForEach(false, [&](int y0, int y1) {
    fx::CopyFrom(Frame, To, Bands.Band(T - c, T, y0, y1), Bands.Band(0, c, y0, y1));
  });
  Bands.ForEach(true, [&](int y0, int y1) {
    fx::CopyFrom(Frame, To, Bands.Band(0, c, y0, y1), Bands.Band(T - c, T, y0, y1));
  });
}

}  // namespace

bool FXSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const fx::TBands bands(Params.Modifier, *Frame, *To, Params.Delta);
  const TTravel travel = Travel(Params, bands);
  DrawBase(From, Frame, Params, bands, travel.c);
  DrawSlider(To, Frame, bands, travel.c);
  return travel.Finished;
}

// Plays the slider backwards: its frame at c is the forward one at T - c.
bool FXReverseSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const fx::TBands bands(Params.Modifier, *Frame, *To, Params.Delta);
  const TTravel travel = Travel(Params, bands);
  DrawBase(From, Frame, Params, bands, bands.Length - travel.c);
  DrawSlider(To, Frame, bands, bands.Length - travel.c);
  return travel.Finished;
}

bool FXStrip(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  // Plain names rather than a structured binding, which the lambdas below
  // could not capture before C++20 compilers caught up (clang 14).
  const fx::TPicturePair pictures = fx::EnteringAndLeaving(From, To, Params.Reverse);
  TBitmap* const E = pictures.Entering;
  TBitmap* const L = pictures.Leaving;
  const fx::TBands bands(Params.Modifier, *Frame, *E, Params.Delta);
  const TTravel travel = Travel(Params, bands);
  const int T = bands.Length, c = travel.c;
  DrawBase(L, Frame, Params, bands, c);
  bands.ForEach(false, [&](int y0, int y1) {
    const TRect band = bands.Band(0, c, y0, y1);
    fx::CopyFrom(Frame, E, band, band);
  });
  bands.ForEach(true, [&](int y0, int y1) {
    const TRect band = bands.Band(T - c, T, y0, y1);
    fx::CopyFrom(Frame, E, band, band);
  });
  return travel.Finished;
}

}  // namespace tweenery
