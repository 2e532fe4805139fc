// Slider and strip: comb effects. The even bands fill from the near edge and
// the odd bands from the far edge (the incoming picture's own extent T) at
// once, so the incoming picture closes in like the teeth of two combs. The
// slider's bands move; the strip's are wiped in, in place.
#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

namespace {

// Draws Base as the background and returns the travel, held at T, with
// whether the run is over (strictly past T).
struct TTravel {
  int c;
  bool Finished;
};
TTravel PrepareComb(TBitmap* Base, TBitmap* Frame, const TFXParams& Params, const fx::TBands& Bands) {
  fx::CopyFrom(Frame, Base, Params.FrameRect, Params.FrameRect);
  if (Params.CurrentFrame > Bands.Length) return {Bands.Length, true};
  return {Params.CurrentFrame, false};
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
  const TTravel travel = PrepareComb(From, Frame, Params, bands);
  DrawSlider(To, Frame, bands, travel.c);
  return travel.Finished;
}

// Plays the slider backwards: its frame at c is the forward one at T - c.
bool FXReverseSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const fx::TBands bands(Params.Modifier, *Frame, *To, Params.Delta);
  const TTravel travel = PrepareComb(From, Frame, Params, bands);
  DrawSlider(To, Frame, bands, bands.Length - travel.c);
  return travel.Finished;
}

bool FXStrip(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const auto [E, L] = fx::EnteringAndLeaving(From, To, Params.Reverse);
  const fx::TBands bands(Params.Modifier, *Frame, *E, Params.Delta);
  const TTravel travel = PrepareComb(L, Frame, Params, bands);
  const int T = bands.Length, c = travel.c;
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
