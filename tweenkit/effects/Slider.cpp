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

// Whether bands of rows can be laid a row at a time.
bool ComposesRowBands(const fx::TBands& Bands, TBitmap* Base, TBitmap* Incoming, TBitmap* Frame,
                      const TFXParams& Params) {
  return Bands.Horizontal && fx::OneSizeApart(Frame, Base, Incoming, Params.FrameRect);
}

// Bands of rows over a frame and pictures all of one size, W wide: even
// bands show the incoming picture's columns EvenSource.. at 0..c, odd bands
// its columns OddSource.. at W-c..W, Base beside them. Each row is laid once
// from left to right rather than band by band in pieces.
void ComposeRowBands(TBitmap* Frame, TBitmap* Base, TBitmap* Incoming, const fx::TBands& Bands, int c,
                     int EvenSource, int OddSource) {
  const int W = Frame->Width();
  for (int y = 0; y < Frame->Height(); ++y) {
    std::uint32_t* dest = Frame->ScanLine(y);
    const std::uint32_t* base = Base->ScanLine(y);
    const std::uint32_t* incoming = Incoming->ScanLine(y);
    if (y / Bands.Thickness % 2 == 0) {
      CopyPixelRow(dest, incoming + EvenSource, c);
      CopyPixelRow(dest + c, base + c, W - c);
    } else {
      CopyPixelRow(dest, base, W - c);
      CopyPixelRow(dest + W - c, incoming + OddSource, c);
    }
  }
  Frame->Modified();
}

// As fx::ComposeColumnBands, for a frame and pictures all of one size, neither
// picture the frame. The two band sets then cover every column, so a row that
// both reach shows none of Base: it is picked from its two incoming rows in
// one pass, or copied from one where both show the same row, rather than
// laid over Base twice.
void ComposeOneSizeColumnBands(TBitmap* Frame, TBitmap* Base, TBitmap* Incoming, const fx::TBands& Bands,
                               fx::TBandRows Even, fx::TBandRows Odd) {
  const int W = Frame->Width(), H = Frame->Height();
  const std::vector<std::uint32_t> even = Bands.ColumnMask(false, W), odd = Bands.ColumnMask(true, W);
  std::vector<std::uint32_t> both(even);
  for (int x = 0; x < W; ++x) both[x] |= odd[x];
  const fx::TSpan evenRows = fx::LayerRows(Even, H, H), oddRows = fx::LayerRows(Odd, H, H);
  auto layer = [&](fx::TSpan Rows, int Shift, const std::vector<std::uint32_t>& Mask, int y) {
    if (y < Rows.First || y >= Rows.Last) return fx::TRowLayer{};
    return fx::TRowLayer{Incoming->ScanLine(y + Shift), Mask.data()};
  };
  for (int y = 0; y < H; ++y) {
    std::uint32_t* dest = Frame->ScanLine(y);
    const fx::TRowLayer a = layer(evenRows, Even.Shift, even, y), b = layer(oddRows, Odd.Shift, odd, y);
    if (a.Row && a.Row == b.Row)
      CopyPixelRow(dest, a.Row, W);
    else if (a.Row && b.Row)
      fx::SelectWhere(dest, a.Row, b.Row, even.data(), W);
    else
      fx::ComposeRow(dest, Base->ScanLine(y), a, b, W, both.data());
  }
  Frame->Modified();
}

// Bands of columns over the whole frame, composed a row at a time by the
// route asked for.
void ComposeBandsOfColumns(TBitmap* Frame, TBitmap* Base, TBitmap* Incoming, const fx::TBands& Bands,
                        fx::TBandRows Even, fx::TBandRows Odd, fx::TBandRoute Route) {
  const bool apart = Frame != Base && Frame != Incoming;
  const TRect whole = Rect(0, 0, Frame->Width(), Frame->Height());
  if (Route == fx::brRows && apart && fx::OneSize(*Frame, *Base, *Incoming, whole))
    ComposeOneSizeColumnBands(Frame, Base, Incoming, Bands, Even, Odd);
  else
    fx::ComposeColumnBands(Frame, Base, Incoming, Bands, Even, Odd);
}

// The slider's frame at travel c: even bands show the incoming picture's
// last c rows at the top, odd bands its first c rows at the bottom.
void ComposeSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const fx::TBands& Bands, int c,
                   fx::TBandRoute Route) {
  const int T = Bands.Length;
  ComposeBandsOfColumns(Frame, From, To, Bands, {{0, c}, T - c}, {{T - c, T}, c - T}, Route);
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

namespace fx {

// Backward plays the slider backwards: its frame at c is the forward one at
// T - c.
bool Slider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, bool Backward, TBandRoute Route) {
  const TBands bands(Params.Modifier, *Frame, *To, Params.Delta);
  const TTravel travel = Travel(Params, bands);
  const int c = Backward ? bands.Length - travel.c : travel.c;
  if (fx::ComposesColumnBands(bands, From, To, Frame, Params, Route)) {
    ComposeSlider(From, To, Frame, bands, c, Route);
    return travel.Finished;
  }
  if (ComposesRowBands(bands, From, To, Frame, Params)) {
    ComposeRowBands(Frame, From, To, bands, c, bands.Length - c, 0);
    return travel.Finished;
  }
  DrawBase(From, Frame, Params, bands, c);
  DrawSlider(To, Frame, bands, c);
  return travel.Finished;
}

bool Strip(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, TBandRoute Route) {
  // Plain names rather than a structured binding, which the lambdas below
  // could not capture before C++20 compilers caught up (clang 14).
  const TPicturePair pictures = EnteringAndLeaving(From, To, Params.Reverse);
  TBitmap* const E = pictures.Entering;
  TBitmap* const L = pictures.Leaving;
  const TBands bands(Params.Modifier, *Frame, *E, Params.Delta);
  const TTravel travel = Travel(Params, bands);
  const int T = bands.Length, c = travel.c;
  if (fx::ComposesColumnBands(bands, L, E, Frame, Params, Route)) {
    // Even bands wipe in from the top, odd ones from the bottom, in place.
    ComposeBandsOfColumns(Frame, L, E, bands, {{0, c}, 0}, {{T - c, T}, 0}, Route);
    return travel.Finished;
  }
  if (ComposesRowBands(bands, L, E, Frame, Params)) {
    ComposeRowBands(Frame, L, E, bands, c, 0, T - c);
    return travel.Finished;
  }
  DrawBase(L, Frame, Params, bands, c);
  bands.ForEach(false, [&](int y0, int y1) {
    const TRect band = bands.Band(0, c, y0, y1);
    CopyFrom(Frame, E, band, band);
  });
  bands.ForEach(true, [&](int y0, int y1) {
    const TRect band = bands.Band(T - c, T, y0, y1);
    CopyFrom(Frame, E, band, band);
  });
  return travel.Finished;
}

}  // namespace fx

bool FXSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return fx::Slider(From, To, Frame, Params, false, fx::brRows);
}

bool FXReverseSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return fx::Slider(From, To, Frame, Params, true, fx::brRows);
}

bool FXStrip(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return fx::Strip(From, To, Frame, Params, fx::brRows);
}

}  // namespace tweenery
