// Small helpers shared by the effect families.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "tweenkit/Tweenery.h"

namespace tweenery::fx {

// Copy Source of Picture to Dest on the frame: the frame canvas's CopyRect.
inline void CopyFrom(TBitmap* Frame, TBitmap* Picture, const TRect& Source, const TRect& Dest) {
  Frame->Canvas()->CopyRect(Dest, Picture->Canvas(), Source);
}

// Delta is a positive integer by intent, but the component stores whatever
// code writes; an effect stepping by it uses 1 for anything below 1 so that
// it always ends.
inline std::int32_t PositiveDelta(std::int32_t Delta) { return Delta < 1 ? 1 : Delta; }

// CurrentFrame as the effects read it. The component clamps it to 0 before
// every call; a direct call with a negative one draws frame 0 as well, so no
// geometry is ever grown from a negative frame.
inline std::int32_t FrameIndex(const TFXParams& Params) { return std::max<std::int32_t>(Params.CurrentFrame, 0); }

// The leaving and entering pictures: To enters unless Reverse swaps them.
struct TPicturePair {
  TBitmap* Entering;
  TBitmap* Leaving;
};
inline TPicturePair EnteringAndLeaving(TBitmap* From, TBitmap* To, bool Reverse) {
  return Reverse ? TPicturePair{From, To} : TPicturePair{To, From};
}

// Left and right move along rows, up and down along columns.
inline bool IsHorizontal(TTransitionModifier Modifier) { return Modifier == tmLeft || Modifier == tmRight; }
// Left and up move toward the start of their axis, so what enters comes in
// at its far end.
inline bool TowardStart(TTransitionModifier Modifier) { return Modifier == tmLeft || Modifier == tmUp; }

// The opposite direction (left and right, up and down exchange).
inline TTransitionModifier Opposite(TTransitionModifier Modifier) {
  switch (Modifier) {
    case tmLeft: return tmRight;
    case tmRight: return tmLeft;
    case tmUp: return tmDown;
    case tmDown: return tmUp;
  }
  return Modifier;
}

// Positions First..Last-1 along the axis an effect moves on.
struct TSpan {
  int First, Last;
};

// Interleaved bands Delta thick across the frame, for the comb effects:
// horizontal (rows) for tmLeft and tmRight, vertical (columns) otherwise.
// Bands are placed while their start lies inside the frame and the incoming
// picture both; each is drawn whole even where it runs past that limit.
struct TBands {
  bool Horizontal;
  int Length;              // the incoming picture's own extent along the bands
  int Limit;               // bands start before this
  int Reach;               // no copy reads or lands past this across the bands
  std::int32_t Thickness;  // at least 1

  TBands(TTransitionModifier Modifier, const TBitmap& Frame, const TBitmap& Incoming, std::int32_t Delta)
      : Horizontal(Modifier == tmLeft || Modifier == tmRight),
        Length(Horizontal ? Incoming.Width() : Incoming.Height()),
        Limit(Horizontal ? std::min(Frame.Height(), Incoming.Height()) : std::min(Frame.Width(), Incoming.Width())),
        Reach(Horizontal ? std::max(Frame.Height(), Incoming.Height()) : std::max(Frame.Width(), Incoming.Width())),
        Thickness(PositiveDelta(Delta)) {}

  // The part Along0..Along1 (along the bands) of the band Across0..Across1.
  TRect Band(int Along0, int Along1, int Across0, int Across1) const {
    return Horizontal ? Rect(Along0, Across0, Along1, Across1) : Rect(Across0, Along0, Across1, Along1);
  }

  // Calls Draw(start, end) for each even (or odd) band. The end is held at
  // Reach, which changes no pixel and keeps a huge Delta from overflowing.
  template <class DrawBand>
  void ForEach(bool Odd, DrawBand&& Draw) const {
    const std::int64_t period = 2 * std::int64_t{Thickness};
    for (std::int64_t start = Odd ? Thickness : 0; start < Limit; start += period)
      Draw(static_cast<int>(start), static_cast<int>(std::min<std::int64_t>(start + Thickness, Reach)));
  }

  // Base drawn in place over bands of rows, left out where the even bands
  // will take the columns Even and the odd ones Odd (inside the frame's
  // width); rows past the bands get Base whole. Each band is a later
  // one-to-one copy over its span, so the frame comes out as from a full
  // copy of Base followed by the bands, each pixel written once.
  void CopyBeside(TBitmap* Frame, TBitmap* Base, TSpan Even, TSpan Odd) const {
    const int W = Frame->Width(), H = Frame->Height();
    auto copy = [&](const TRect& R) { Frame->Canvas()->CopyRect(R, Base->Canvas(), R); };
    copy(Rect(0, Limit, W, H));
    auto beside = [&](TSpan Covered, int y0, int y1) {
      const int last = std::min(y1, Limit);
      copy(Rect(0, y0, Covered.First, last));
      copy(Rect(Covered.Last, y0, W, last));
    };
    ForEach(false, [&](int y0, int y1) { beside(Even, y0, y1); });
    ForEach(true, [&](int y0, int y1) { beside(Odd, y0, y1); });
  }

  // All ones on the columns (of Width) of the even or odd bands of columns.
  std::vector<std::uint32_t> ColumnMask(bool Odd, int Width) const {
    std::vector<std::uint32_t> mask(static_cast<std::size_t>(std::max(Width, 0)), 0u);
    ForEach(Odd, [&](int x0, int x1) {
      std::fill(mask.begin() + std::min(x0, Width), mask.begin() + std::min(x1, Width), ~0u);
    });
    return mask;
  }
};

// A span as a rectangle across the frame's whole other side: columns for a
// horizontal motion, rows for a vertical one.
inline TRect Band(TSpan Span, bool Horizontal, int Width, int Height) {
  return Horizontal ? Rect(Span.First, 0, Span.Last, Height) : Rect(0, Span.First, Width, Span.Last);
}

// Picture drawn in place everywhere except on the Covered spans (in order,
// apart, inside the frame) along the motion over the first Depth positions
// across it, which a later one-to-one copy fills whole: the frame comes out
// as from a full copy followed by that one, without writing those pixels
// twice.
template <class Spans>
inline void CopyFromBesideSpans(TBitmap* Frame, TBitmap* Picture, const Spans& Covered, bool Horizontal, int Depth) {
  const int W = Frame->Width(), H = Frame->Height();
  auto copy = [&](const TRect& R) { CopyFrom(Frame, Picture, R, R); };
  int gapFirst = 0;
  for (const TSpan& span : Covered) {
    copy(Horizontal ? Rect(gapFirst, 0, span.First, Depth) : Rect(0, gapFirst, Depth, span.First));
    gapFirst = span.Last;
  }
  copy(Horizontal ? Rect(gapFirst, 0, W, Depth) : Rect(0, gapFirst, Depth, H));
  copy(Horizontal ? Rect(0, Depth, W, H) : Rect(Depth, 0, W, H));
}
inline void CopyFromBeside(TBitmap* Frame, TBitmap* Picture, std::initializer_list<TSpan> Covered, bool Horizontal,
                           int Depth) {
  CopyFromBesideSpans(Frame, Picture, Covered, Horizontal, Depth);
}

// Two bands Shown long on either side of the centre line Middle of
// 0..2*Middle-1: against the centre line when they grow outwards, against
// the two ends when they grow inwards.
struct TCentreBands {
  TSpan First, Second;
};
inline TCentreBands CentreBands(int Middle, int Shown, bool Outwards) {
  if (Outwards) return {{Middle - Shown, Middle}, {Middle, Middle + Shown}};
  return {{0, Shown}, {2 * Middle - Shown, 2 * Middle}};
}

// A 64-bit position brought back to a rectangle side. Geometry grown from a
// huge Delta can leave the int range; every bitmap is far smaller than the
// limit, so a one-to-one copy clipped this way changes no pixel.
inline int ClampCoordinate(std::int64_t Value) {
  constexpr std::int64_t limit = std::int64_t{1} << 30;
  return static_cast<int>(std::clamp(Value, -limit, limit));
}

// Chosen where Mask is all ones, Otherwise where it is 0; Otherwise may be
// Dest itself. Branch-free, so a row of many short regular runs (tiles,
// checker cells) costs one pass rather than a copy per run. The loop is
// compiled plainly and for AVX2, and the processor's kind picks one at
// start-up (resolver-based clones run before the sanitizer runtimes).
__attribute__((always_inline)) inline void SelectWhereLoop(std::uint32_t* Dest, const std::uint32_t* Chosen,
                                                           const std::uint32_t* Otherwise, const std::uint32_t* Mask,
                                                           int Count) {
  for (int x = 0; x < Count; ++x) Dest[x] = (Chosen[x] & Mask[x]) | (Otherwise[x] & ~Mask[x]);
}

inline void SelectWherePlain(std::uint32_t* Dest, const std::uint32_t* Chosen, const std::uint32_t* Otherwise,
                             const std::uint32_t* Mask, int Count) {
  SelectWhereLoop(Dest, Chosen, Otherwise, Mask, Count);
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) inline void SelectWhereAVX2(std::uint32_t* Dest, const std::uint32_t* Chosen,
                                                            const std::uint32_t* Otherwise, const std::uint32_t* Mask,
                                                            int Count) {
  SelectWhereLoop(Dest, Chosen, Otherwise, Mask, Count);
}
inline const bool SelectWhereOnAVX2 = __builtin_cpu_supports("avx2");
#else
inline void SelectWhereAVX2(std::uint32_t* Dest, const std::uint32_t* Chosen, const std::uint32_t* Otherwise,
                            const std::uint32_t* Mask, int Count) {
  SelectWherePlain(Dest, Chosen, Otherwise, Mask, Count);
}
inline const bool SelectWhereOnAVX2 = false;
#endif

inline void SelectWhere(std::uint32_t* Dest, const std::uint32_t* Chosen, const std::uint32_t* Otherwise,
                        const std::uint32_t* Mask, int Count) {
  (SelectWhereOnAVX2 ? SelectWhereAVX2 : SelectWherePlain)(Dest, Chosen, Otherwise, Mask, Count);
}

// True when R is the whole of Bitmap, (0, 0, width, height).
inline bool IsWhole(const TBitmap& Bitmap, const TRect& R) {
  return R.Left == 0 && R.Top == 0 && R.Right == Bitmap.Width() && R.Bottom == Bitmap.Height();
}

// Frame, From and To all of one size, and the frame rectangle the whole
// frame: every one-to-one copy then lands whole, which lets an effect draw
// each pixel once instead of a background first and its pieces over it.
inline bool OneSize(const TBitmap& Frame, const TBitmap& From, const TBitmap& To, const TRect& FrameRect) {
  return IsWhole(Frame, FrameRect) && IsWhole(From, FrameRect) && IsWhole(To, FrameRect);
}

// A row of a picture laid over a frame row where Mask is all ones; no Row,
// no layer.
struct TRowLayer {
  const std::uint32_t* Row = nullptr;
  const std::uint32_t* Mask = nullptr;
};

// Dest as Base with up to two layers over it, whose masks do not overlap;
// the row is written once, or twice where both layers reach it from
// different rows. Union, where given, is the two masks together, for two
// layers of one row.
inline void ComposeRow(std::uint32_t* Dest, const std::uint32_t* Base, TRowLayer A, TRowLayer B, int Count,
                       const std::uint32_t* Union = nullptr) {
  if (Union && A.Row && A.Row == B.Row) {
    SelectWhere(Dest, A.Row, Base, Union, Count);
    return;
  }
  if (!A.Row) std::swap(A, B);
  if (!A.Row) {
    if (Base != Dest) CopyPixelRow(Dest, Base, Count);
    return;
  }
  SelectWhere(Dest, A.Row, Base, A.Mask, Count);
  if (B.Row) SelectWhere(Dest, B.Row, Dest, B.Mask, Count);
}

// Rows of the incoming picture laid through a band set's columns: frame
// rows Rows show incoming row (frame row + Shift).
struct TBandRows {
  TSpan Rows;
  int Shift;
};

// How the comb effects draw bands of columns over pictures of other sizes
// than the frame: each row composed in one pass, or one copy per band and
// row (the older route, which the row one must match pixel for pixel).
enum TBandRoute { brRows, brPieces };

// The comb effects by a chosen route; FXSlider, FXReverseSlider (Backward),
// FXStrip, FXMonoSlider and FXReverseMonoSlider take brRows.
bool Slider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, bool Backward, TBandRoute Route);
bool Strip(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, TBandRoute Route);
bool MonoSlider(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, bool Backward,
                TBandRoute Route);

// Whether bands of columns over the whole frame are composed a row at a
// time: with pictures of the frame's size on either route, since that was
// always so, and with pictures of any other size on the row route. A frame
// that is one of the pictures is left to the copies, which read such a
// source from a snapshot.
inline bool ComposesColumnBands(const TBands& Bands, TBitmap* Base, TBitmap* Incoming, TBitmap* Frame,
                                const TFXParams& Params, TBandRoute Route) {
  if (Bands.Horizontal || !IsWhole(*Frame, Params.FrameRect)) return false;
  if (Route == brRows && Frame != Base && Frame != Incoming) return true;
  return OneSize(*Frame, *Base, *Incoming, Params.FrameRect);
}

// Frame rows of a band set, in a frame H rows high, that have a source row
// in an incoming picture IncomingHeight rows high.
inline TSpan LayerRows(TBandRows Layer, int H, int IncomingHeight) {
  return {std::max({Layer.Rows.First, 0, -Layer.Shift}),
          std::min({Layer.Rows.Last, H, IncomingHeight - Layer.Shift})};
}

// Base in place with the incoming picture through the even and odd bands'
// columns over it, for bands of columns and the whole frame as the frame
// rectangle, whatever the pictures' sizes: as a one-to-one copy of Base
// followed by one per band and row, each clipped to the frame and its
// source, but with each row written in one pass. Where Base does not reach,
// the frame keeps what it holds.
inline void ComposeColumnBands(TBitmap* Frame, TBitmap* Base, TBitmap* Incoming, const TBands& Bands, TBandRows Even,
                               TBandRows Odd) {
  const int W = Frame->Width(), H = Frame->Height();
  const int baseWidth = std::min(W, Base->Width()), baseHeight = std::min(H, Base->Height());
  const int incomingWidth = std::min(W, Incoming->Width());
  const std::vector<std::uint32_t> even = Bands.ColumnMask(false, W), odd = Bands.ColumnMask(true, W);
  std::vector<std::uint32_t> both(even);
  for (int x = 0; x < W; ++x) both[x] |= odd[x];
  // Frame rows whose copy has a source row, as the clipped copies have.
  const TSpan evenRows = LayerRows(Even, H, Incoming->Height()), oddRows = LayerRows(Odd, H, Incoming->Height());
  // Column cuts where Base or the incoming picture end, so that no source
  // row is read past its end.
  int cuts[4] = {0, std::min(baseWidth, incomingWidth), std::max(baseWidth, incomingWidth), W};
  for (int y = 0; y < H; ++y) {
    std::uint32_t* dest = Frame->ScanLine(y);
    const std::uint32_t* base = y < baseHeight ? Base->ScanLine(y) : nullptr;
    auto layer = [&](TSpan Rows, int Shift, const std::vector<std::uint32_t>& Mask, int x) {
      if (y < Rows.First || y >= Rows.Last || x >= incomingWidth) return TRowLayer{};
      return TRowLayer{Incoming->ScanLine(y + Shift) + x, Mask.data() + x};
    };
    for (int k = 0; k < 3; ++k) {
      const int x0 = cuts[k], x1 = cuts[k + 1];
      if (x0 >= x1) continue;
      const std::uint32_t* under = base && x0 < baseWidth ? base + x0 : dest + x0;
      ComposeRow(dest + x0, under, layer(evenRows, Even.Shift, even, x0), layer(oddRows, Odd.Shift, odd, x0), x1 - x0,
                 both.data() + x0);
    }
  }
  Frame->Modified();
}

// How rows are laid into one frame: through the caches into a frame that
// fits in them, past them into one that does not (StreamsRows), finished
// when the writer goes.
class TFrameRows {
 public:
  explicit TFrameRows(const TBitmap& Frame) : FStreams(StreamsRows(Frame.Width(), Frame.Height())) {}
  ~TFrameRows() {
    if (!FStreams) return;
    FWriter.Finish();
    FinishStreamedRows();
  }
  TFrameRows(const TFrameRows&) = delete;
  TFrameRows& operator=(const TFrameRows&) = delete;

  // Pieces laid left to right, one after another, make one stream.
  void Copy(std::uint32_t* Dest, const std::uint32_t* Source, int Count) {
    if (FStreams)
      FWriter.Lay(Dest, Source, Count);
    else
      CopyPixelRow(Dest, Source, Count);
  }

  // A piece of a later row on its way from memory: pieces of rows, unlike
  // whole rows, give the processor's own prefetcher too little to follow
  // from one page to the next. Rows from a frame that fits in the caches
  // mostly come from there, and are left alone.
  void Ahead(const std::uint32_t* Source, int Count) const {
    if (FStreams) PrefetchPixels(Source, Count);
  }

  // How many rows ahead Ahead is asked for.
  static constexpr int kRowsAhead = 4;

 private:
  bool FStreams;
  TStreamedRowWriter FWriter;
};

// Outer in place everywhere but Hole (inside the frame), Inner in place on
// Hole, for a frame and pictures all of one size: as a copy of Outer
// followed by one of Inner over Hole, each row written once, left to right.
inline void CopyAround(TBitmap* Frame, TBitmap* Outer, TBitmap* Inner, const TRect& Hole) {
  const int W = Frame->Width(), H = Frame->Height();
  const bool empty = Hole.Left >= Hole.Right || Hole.Top >= Hole.Bottom;
  const auto inHole = [&](int y) { return !empty && y >= Hole.Top && y < Hole.Bottom; };
  {
    TFrameRows rows(*Frame);
    for (int y = 0; y < H; ++y) {
      std::uint32_t* dest = Frame->ScanLine(y);
      const std::uint32_t* outer = Outer->ScanLine(y);
      if (!inHole(y)) {
        rows.Copy(dest, outer, W);
        continue;
      }
      if (const int ahead = y + TFrameRows::kRowsAhead; inHole(ahead))
        rows.Ahead(Inner->ScanLine(ahead) + Hole.Left, Hole.Right - Hole.Left);
      rows.Copy(dest, outer, Hole.Left);
      rows.Copy(dest + Hole.Left, Inner->ScanLine(y) + Hole.Left, Hole.Right - Hole.Left);
      rows.Copy(dest + Hole.Right, outer + Hole.Right, W - Hole.Right);
    }
  }
  Frame->Modified();
}

// Count pixels of a frame row at column Dest, from column Source of the
// same row of Picture.
struct TRowPiece {
  TBitmap* Picture;
  int Dest, Source, Count;
};

// A frame and pictures of one size, the frame neither picture, under a
// whole-frame rectangle: one-to-one pieces of the pictures then land whole,
// and a row can be laid piece by piece without reading what it wrote.
inline bool OneSizeApart(TBitmap* Frame, TBitmap* From, TBitmap* To, const TRect& FrameRect) {
  return Frame != From && Frame != To && OneSize(*Frame, *From, *To, FrameRect);
}

// The same pieces in each of the frame's first Rows rows, every piece inside
// the frame and its picture: as one one-to-one copy per piece over those
// rows, but each row written in one sweep, so that the frame and the
// pictures are read and written as streams rather than in column blocks.
inline void ComposeRowPieces(TBitmap* Frame, std::initializer_list<TRowPiece> Pieces, int Rows) {
  {
    TFrameRows rows(*Frame);
    for (int y = 0; y < Rows; ++y) {
      std::uint32_t* dest = Frame->ScanLine(y);
      for (const TRowPiece& piece : Pieces) {
        if (piece.Count <= 0) continue;
        if (y + TFrameRows::kRowsAhead < Rows)
          rows.Ahead(piece.Picture->ScanLine(y + TFrameRows::kRowsAhead) + piece.Source, piece.Count);
        rows.Copy(dest + piece.Dest, piece.Picture->ScanLine(y) + piece.Source, piece.Count);
      }
    }
  }
  Frame->Modified();
}

}  // namespace tweenery::fx
