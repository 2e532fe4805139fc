// Mono slider: the To picture comes in over the From picture in interleaved
// bands, in two phases. The even bands slide in from one edge until they are
// complete, then the odd bands are wiped in, in place, from the other edge.
#include "tweenkit/effects/FXCommon.h"

#include <cstdint>
#include <utility>
#include <vector>

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

// The travel, held at 2T, with whether the run is over (strictly past 2T).
struct TTravel {
  int c;
  bool Finished;
};
TTravel Travel(const TFXParams& Params, const fx::TBands& Bands) {
  const std::int64_t run = 2 * std::int64_t{Bands.Length};
  if (fx::FrameIndex(Params) > run) return {static_cast<int>(run), true};
  return {fx::FrameIndex(Params), false};
}

// What the bands cover at travel c along the motion: the even bands' span
// and the odd bands' span, and for each the shift from a frame position to
// the To position it shows.
struct TBandCover {
  fx::TSpan Even, Odd;
  int EvenShift;
};
TBandCover Cover(const fx::TBands& Bands, bool FromFarEdge, int c) {
  const int T = Bands.Length;
  if (c <= T) {
    if (FromFarEdge) return {{T - c, T}, {0, 0}, c - T};
    return {{0, c}, {0, 0}, T - c};
  }
  const int wiped = c - T;
  return {{0, T}, FromFarEdge ? fx::TSpan{0, wiped} : fx::TSpan{T - wiped, T}, 0};
}

// Bands of rows over pictures of the frame's size: From beside what the
// bands will cover, then the bands, each pixel written once.
void ComposeRowBands(TBitmap* From, TBitmap* To, TBitmap* Frame, const fx::TBands& Bands, bool FromFarEdge, int c) {
  const TBandCover cover = Cover(Bands, FromFarEdge, c);
  Bands.CopyBeside(Frame, From, cover.Even, cover.Odd);
  DrawMonoSlider(To, Frame, Bands, FromFarEdge, c);
}

// The same frame as ComposeRowBands, each row laid in one sweep: From, the
// piece of To its band shows, From again. Over hundreds of bands a copy per
// band and side costs more than the pixels, and a frame too large for the
// caches would be finished (fenced) after every one of them.
void SweepRowBands(TBitmap* From, TBitmap* To, TBitmap* Frame, const fx::TBands& Bands, bool FromFarEdge, int c) {
  const TBandCover cover = Cover(Bands, FromFarEdge, c);
  const int W = Frame->Width(), H = Frame->Height();
  // The part of row Y that To shows, and the shift from frame to To column.
  const auto piece = [&](int Y) {
    if (Y >= Bands.Limit) return std::pair{fx::TSpan{0, 0}, 0};
    const bool odd = (Y / Bands.Thickness) % 2 == 1;
    return odd ? std::pair{cover.Odd, 0} : std::pair{cover.Even, cover.EvenShift};
  };
  {
    fx::TFrameRows rows(*Frame);
    for (int y = 0; y < H; ++y) {
      std::uint32_t* dest = Frame->ScanLine(y);
      const std::uint32_t* from = From->ScanLine(y);
      const auto [span, shift] = piece(y);
      if (span.First >= span.Last) {
        rows.Copy(dest, from, W);
        continue;
      }
      if (const int ahead = y + fx::TFrameRows::kRowsAhead; ahead < H) {
        const auto [aheadSpan, aheadShift] = piece(ahead);
        if (aheadSpan.First < aheadSpan.Last)
          rows.Ahead(To->ScanLine(ahead) + aheadSpan.First + aheadShift, aheadSpan.Last - aheadSpan.First);
      }
      rows.Copy(dest, from, span.First);
      rows.Copy(dest + span.First, To->ScanLine(y) + span.First + shift, span.Last - span.First);
      rows.Copy(dest + span.Last, from + span.Last, W - span.Last);
    }
  }
  Frame->Modified();
}

void DrawFrame(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, const fx::TBands& Bands, int c,
               fx::TBandRoute Route) {
  const bool fromFarEdge = fx::TowardStart(Params.Modifier);
  if (Route == fx::brRows && Bands.Horizontal && fx::OneSizeApart(Frame, From, To, Params.FrameRect)) {
    SweepRowBands(From, To, Frame, Bands, fromFarEdge, c);
    return;
  }
  if (fx::ComposesColumnBands(Bands, From, To, Frame, Params, Route)) {
    const TBandCover cover = Cover(Bands, fromFarEdge, c);
    fx::ComposeColumnBands(Frame, From, To, Bands, {cover.Even, cover.EvenShift}, {cover.Odd, 0});
    return;
  }
  if (Bands.Horizontal && fx::OneSize(*Frame, *From, *To, Params.FrameRect)) {
    ComposeRowBands(From, To, Frame, Bands, fromFarEdge, c);
    return;
  }
  fx::CopyFrom(Frame, From, Params.FrameRect, Params.FrameRect);
  DrawMonoSlider(To, Frame, Bands, fromFarEdge, c);
}

}  // namespace

namespace fx {

// Backward plays the forward run backwards: its frame at c is the forward
// one at 2T - c.
bool MonoSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, bool Backward,
                TBandRoute Route) {
  const TBands bands(Params.Modifier, *Frame, *To, Params.Delta);
  const TTravel travel = Travel(Params, bands);
  DrawFrame(From, To, Frame, Params, bands, Backward ? 2 * bands.Length - travel.c : travel.c, Route);
  return travel.Finished;
}

}  // namespace fx

bool FXMonoSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return fx::MonoSlider(From, To, Frame, Params, false, fx::brRows);
}

bool FXReverseMonoSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return fx::MonoSlider(From, To, Frame, Params, true, fx::brRows);
}

}  // namespace tweenery
