// Mono slider: the To picture comes in over the From picture in interleaved
// bands, in two phases. The even bands slide in from one edge until they are
// complete, then the odd bands are wiped in, in place, from the other edge.
#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

namespace {

// One frame of the forward run at travel c (0 to 2T): T for the slide of the
// even bands, T more for the wipe of the odd ones. tmLeft and tmUp slide in
// from the far edge (T) and wipe from the near one; tmRight and tmDown the
// other way round.
void DrawMonoSlider(TBitmap* To, TBitmap* Frame, const fx::TBands& Bands, bool FromFarEdge, int c) {
  const int T = Bands.Length;
  if (c <= T) {
    Bands.ForEach(false, [&](int y0, int y1) {
      if (FromFarEdge)
        fx::CopyFrom(Frame, To, Bands.Band(0, c, y0, y1), Bands.Band(T - c, T, y0, y1));
      else
        fx::CopyFrom(Frame, To, Bands.Band(T - c, T, y0, y1), Bands.Band(0, c, y0, y1));
    });
    return;
  }
  const int wiped = c - T;
  Bands.ForEach(true, [&](int y0, int y1) {
    const TRect band = FromFarEdge ? Bands.Band(0, wiped, y0, y1) : Bands.Band(T - wiped, T, y0, y1);
    fx::CopyFrom(Frame, To, band, band);
  });
  Bands.ForEach(false, [&](int y0, int y1) {
    const TRect band = Bands.Band(0, T, y0, y1);
    fx::CopyFrom(Frame, To, band, band);
  });
}

// Draws the From picture as the base and returns the travel, held at 2T,
// with whether the run is over (strictly past 2T).
struct TTravel {
  int c;
  bool Finished;
};
TTravel PrepareMonoSlider(TBitmap* From, TBitmap* Frame, const TFXParams& Params, const fx::TBands& Bands) {
  fx::CopyFrom(Frame, From, Params.FrameRect, Params.FrameRect);
  const std::int64_t run = 2 * std::int64_t{Bands.Length};
  if (fx::FrameIndex(Params) > run) return {static_cast<int>(run), true};
  return {fx::FrameIndex(Params), false};
}

}  // namespace

bool FXMonoSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const fx::TBands bands(Params.Modifier, *Frame, *To, Params.Delta);
  const TTravel travel = PrepareMonoSlider(From, Frame, Params, bands);
  DrawMonoSlider(To, Frame, bands, fx::TowardStart(Params.Modifier), travel.c);
  return travel.Finished;
}

// Plays the forward run backwards: its frame at c is the forward one at 2T - c.
bool FXReverseMonoSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const fx::TBands bands(Params.Modifier, *Frame, *To, Params.Delta);
  const TTravel travel = PrepareMonoSlider(From, Frame, Params, bands);
  DrawMonoSlider(To, Frame, bands, fx::TowardStart(Params.Modifier), 2 * bands.Length - travel.c);
  return travel.Finished;
}

}  // namespace tweenery
