// Slider and strip: comb effects. The even bands fill from the near edge and
// the odd bands from the far edge (the incoming picture's own extent T) at
// once, so the incoming picture closes in like the teeth of two combs. The
// slider's bands move; the strip's are wiped in, in place.
#include "tweenkit/effects/FXCommon.h"

#include <algorithm>
#include <cstdint>
#include <vector>

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
  const int W = Frame->Width(), T = Bands.Length;
  Bands.CopyBeside(Frame, Base, {0, std::min(c, W)}, {std::min(T - c, W), std::min(T, W)});
}

// Bands of columns over pictures of the frame's size: each frame row is the
// base picture's row with a row of the incoming picture through the even
// bands' columns and one through the odd bands' columns, written in one go
// rather than as a short copy per band and row. EvenShift and OddShift say
// which incoming row a frame row shows (frame row + shift) on rows
// EvenRows and OddRows.
struct TColumnLayers {
  fx::TSpan EvenRows, OddRows;
  int EvenShift, OddShift;
};
void ComposeColumnBands(TBitmap* Base, TBitmap* Incoming, TBitmap* Frame, const fx::TBands& Bands,
                        const TColumnLayers& Layers) {
  const int W = Frame->Width(), H = Frame->Height();
  const std::vector<std::uint32_t> even = Bands.ColumnMask(false, W), odd = Bands.ColumnMask(true, W);
  std::vector<std::uint32_t> both(even);
  for (int x = 0; x < W; ++x) both[x] |= odd[x];
  auto layer = [&](fx::TSpan Rows, int Shift, const std::vector<std::uint32_t>& Mask, int y) {
    if (y < Rows.First || y >= Rows.Last) return fx::TRowLayer{};
    return fx::TRowLayer{Incoming->ScanLine(y + Shift), Mask.data()};
  };
  for (int y = 0; y < H; ++y)
    fx::ComposeRow(Frame->ScanLine(y), Base->ScanLine(y), layer(Layers.EvenRows, Layers.EvenShift, even, y),
                   layer(Layers.OddRows, Layers.OddShift, odd, y), W, both.data());
  Frame->Modified();
}

bool ColumnBandsOfOneSize(const fx::TBands& Bands, TBitmap* From, TBitmap* To, TBitmap* Frame,
                          const TFXParams& Params) {
  return !Bands.Horizontal && fx::OneSize(*Frame, *From, *To, Params.FrameRect);
}

// The slider's frame at travel c: even bands show the incoming picture's
// last c rows at the top, odd bands its first c rows at the bottom.
void ComposeSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const fx::TBands& Bands, int c) {
  const int T = Bands.Length;
  ComposeColumnBands(From, To, Frame, Bands, {{0, c}, {T - c, T}, T - c, c - T});
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
  if (ColumnBandsOfOneSize(bands, From, To, Frame, Params)) {
    ComposeSlider(From, To, Frame, bands, travel.c);
    return travel.Finished;
  }
  DrawBase(From, Frame, Params, bands, travel.c);
  DrawSlider(To, Frame, bands, travel.c);
  return travel.Finished;
}

// Plays the slider backwards: its frame at c is the forward one at T - c.
bool FXReverseSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const fx::TBands bands(Params.Modifier, *Frame, *To, Params.Delta);
  const TTravel travel = Travel(Params, bands);
  if (ColumnBandsOfOneSize(bands, From, To, Frame, Params)) {
    ComposeSlider(From, To, Frame, bands, bands.Length - travel.c);
    return travel.Finished;
  }
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
  if (ColumnBandsOfOneSize(bands, L, E, Frame, Params)) {
    // Even bands wipe in from the top, odd ones from the bottom, in place.
    ComposeColumnBands(L, E, Frame, bands, {{0, c}, {T - c, T}, 0, 0});
    return travel.Finished;
  }
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
