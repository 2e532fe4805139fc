// Roll: the To picture unrolls over the From picture like a sheet. A roll
// three Delta wide travels across the frame; behind it the To picture lies
// flat, and the roll shows a strip of it mirrored, compressed to half width
// at both ends. Reverse plays the same film backwards.
#include <algorithm>
#include <vector>

#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

namespace {

// One of the roll's three segments, along the axis the roll travels: the
// To picture's span SA..SB goes onto the frame's span DA..DB. Either span
// may be mirrored (A > B), covering B+1..A and counted from A. The spans
// are 64-bit because three Delta beyond the frame's edge leaves the int
// range for a huge Delta.
struct TRollSegment {
  std::int64_t SA, SB, DA, DB;
  bool Visible = true;
};

// Segment 1, 2 or 3 of a roll moving toward position 0 (tmLeft, tmUp) at
// position p on an axis of length Extent. The ends are halved; a segment
// that has partly rolled past the picture's start keeps only its part that
// has not, pressed against its outer destination side.
TRollSegment RollTowardStart(int Segment, std::int64_t Extent, std::int64_t p, std::int64_t D) {
  const std::int64_t q = Extent - p, h = D / 2;
  TRollSegment s;
  switch (Segment) {
    case 1: s = {q - 3 * D, q - 2 * D, q + 3 * D, q + 3 * D - h}; break;
    case 2: s = {q - 2 * D, q - D, q + 3 * D - h, q + 2 * D - h}; break;
    default: s = {q - D, q, q + 2 * D - h, q + D}; break;
  }
  if (s.SA < 0) {
    if (s.SB < 0) return {0, 0, 0, 0, false};
    s.SA = 0;
    s.DA = s.DB + (Segment == 2 ? s.SB : s.SB / 2);
  }
  return s;
}

// The same for a roll moving toward Extent (tmRight, tmDown); here the
// sources are mirrored and the part past the picture's far end is dropped.
TRollSegment RollTowardEnd(int Segment, std::int64_t Extent, std::int64_t p, std::int64_t D) {
  const std::int64_t h = D / 2;
  TRollSegment s;
  switch (Segment) {
    case 1: s = {p + 3 * D, p + 2 * D, p - 3 * D, p - 3 * D + h}; break;
    case 2: s = {p + 2 * D, p + D, p - 3 * D + h, p - 2 * D + h}; break;
    default: s = {p + D, p, p - 2 * D + h, p - D}; break;
  }
  if (s.SA > Extent) {
    if (s.SB > Extent) return {0, 0, 0, 0, false};
    s.SA = Extent;
    const std::int64_t kept = D + s.SB - Extent;
    s.DA += Segment == 2 ? kept : kept / 2;
  }
  return s;
}

// Where a segment goes under the canvas's stretching rule (destination
// position i from DA takes source position (2i+1)m div 2n from SA): only
// the frame's own positions are visited and only the picture's own
// positions are read.
using TSegmentMap = std::vector<std::pair<int, int>>;  // (frame position, picture position)

TSegmentMap SegmentMap(const TBitmap* Frame, const TBitmap* To, const TRollSegment& S, bool Horizontal) {
  TSegmentMap map;
  const std::int64_t n = S.DB > S.DA ? S.DB - S.DA : S.DA - S.DB;
  const std::int64_t m = S.SB > S.SA ? S.SB - S.SA : S.SA - S.SB;
  if (n == 0 || m == 0) return map;
  const std::int64_t dStep = S.DB > S.DA ? 1 : -1, sStep = S.SB > S.SA ? 1 : -1;
  const std::int64_t frameExtent = Horizontal ? Frame->Width() : Frame->Height();
  const std::int64_t pictureExtent = Horizontal ? To->Width() : To->Height();
  const std::int64_t first = std::max<std::int64_t>(0, dStep > 0 ? -S.DA : S.DA - frameExtent + 1);
  const std::int64_t last = std::min(n, dStep > 0 ? frameExtent - S.DA : S.DA + 1);

  // n and m are at most Delta, so (2i+1)m stays below 2^63.
  for (std::int64_t i = first; i < last; ++i) {
    const std::uint64_t offset = (2 * static_cast<std::uint64_t>(i) + 1) * static_cast<std::uint64_t>(m) /
                                 (2 * static_cast<std::uint64_t>(n));
    const std::int64_t source = S.SA + sStep * static_cast<std::int64_t>(offset);
    if (source >= 0 && source < pictureExtent)
      map.emplace_back(static_cast<int>(S.DA + dStep * i), static_cast<int>(source));
  }
  return map;
}

// Copies a segment by its map, across the whole other side one to one.
void CopySegment(TBitmap* Frame, TBitmap* To, const TSegmentMap& map, bool Horizontal) {
  if (map.empty()) return;

  if (Horizontal) {
    const int rows = std::min(Frame->Height(), To->Height());
    for (int y = 0; y < rows; ++y) {
      std::uint32_t* d = Frame->ScanLine(y);
      const std::uint32_t* s = To->ScanLine(y);
      for (const auto& [x, sx] : map) d[x] = s[sx];
    }
  } else {
    const int count = std::min(Frame->Width(), To->Width());
    for (const auto& [y, sy] : map) CopyPixelRow(Frame->ScanLine(y), To->ScanLine(sy), count);
  }
  Frame->Modified();
}

// The positions along the motion that the segments and the flat part cover,
// as spans in order, over a frame Extent long.
std::vector<fx::TSpan> CoveredSpans(int Extent, const TSegmentMap (&Maps)[3], std::pair<std::int64_t, std::int64_t> Flat) {
  const int extent = Extent;
  std::vector<bool> covered(static_cast<std::size_t>(extent), false);
  for (const TSegmentMap& map : Maps)
    for (const auto& entry : map) covered[static_cast<std::size_t>(entry.first)] = true;
  const auto flatFirst = std::clamp<std::int64_t>(Flat.first, 0, extent);
  const auto flatLast = std::clamp<std::int64_t>(Flat.second, flatFirst, extent);
  for (std::int64_t i = flatFirst; i < flatLast; ++i) covered[static_cast<std::size_t>(i)] = true;
  std::vector<fx::TSpan> spans;
  for (int i = 0; i < extent; ++i) {
    if (!covered[static_cast<std::size_t>(i)]) continue;
    if (!spans.empty() && spans.back().Last == i)
      spans.back().Last = i + 1;
    else
      spans.push_back({i, i + 1});
  }
  return spans;
}

// From in place under the roll. With the pictures of the frame's size the
// segments and the flat part cover their positions along the motion across
// the whole frame, so From goes only to the positions none of them reaches.
void DrawBackground(TBitmap* Frame, TBitmap* From, TBitmap* To, const TFXParams& Params, const TSegmentMap (&Maps)[3],
                    std::pair<std::int64_t, std::int64_t> Flat, bool Horizontal) {
  if (!fx::OneSize(*Frame, *From, *To, Params.FrameRect)) {
    fx::CopyFrom(Frame, From, Params.FrameRect, Params.FrameRect);
    return;
  }
  const std::vector<fx::TSpan> spans = CoveredSpans(Horizontal ? Frame->Width() : Frame->Height(), Maps, Flat);
  fx::CopyFromBesideSpans(Frame, From, spans, Horizontal, Horizontal ? Frame->Height() : Frame->Width());
}

// What each column of a row along which the roll travels shows: From, the
// To picture's column Source through a segment, or To's own column under
// the flat part; runs of one kind in column order.
struct TRollRun {
  enum TKind { rkFrom, rkSegment, rkFlat } Kind;
  int First, Count;
};

// The runs of a row as the copies above would leave it: the flat part over
// the segments, a later segment over an earlier one, From where none is.
// SegmentSource gets each segment column's To column.
std::vector<TRollRun> RollRuns(int W, const TSegmentMap (&Maps)[3], int FlatFirst, int FlatCount,
                               std::vector<int>& SegmentSource) {
  std::vector<TRollRun::TKind> kind(static_cast<std::size_t>(W), TRollRun::rkFrom);
  SegmentSource.assign(static_cast<std::size_t>(W), 0);
  for (const TSegmentMap& map : Maps)
    for (const auto& [x, sx] : map) {
      kind[static_cast<std::size_t>(x)] = TRollRun::rkSegment;
      SegmentSource[static_cast<std::size_t>(x)] = sx;
    }
  for (int x = FlatFirst; x < FlatFirst + FlatCount; ++x) kind[static_cast<std::size_t>(x)] = TRollRun::rkFlat;
  std::vector<TRollRun> runs;
  for (int x = 0; x < W; ++x) {
    if (!runs.empty() && runs.back().Kind == kind[static_cast<std::size_t>(x)])
      ++runs.back().Count;
    else
      runs.push_back({kind[static_cast<std::size_t>(x)], x, 1});
  }
  return runs;
}

// A roll along rows over pictures of the frame's size, each row laid left
// to right in one sweep, the pixels the segments gather put together first:
// the same frame as the copies above, which copied column blocks one after
// another over the whole frame (a few hundred short pieces a row, fenced
// after each block in a frame too large for the caches), and in such a
// frame no plain store lands in a line being streamed.
void SweepRows(TBitmap* Frame, TBitmap* From, TBitmap* To, const TSegmentMap (&Maps)[3],
               std::pair<std::int64_t, std::int64_t> Flat) {
  const int W = Frame->Width(), H = Frame->Height();
  const int flatFirst = static_cast<int>(std::clamp<std::int64_t>(Flat.first, 0, W));
  const int flatCount = static_cast<int>(std::clamp<std::int64_t>(Flat.second, flatFirst, W)) - flatFirst;
  std::vector<int> segmentSource;
  const std::vector<TRollRun> runs = RollRuns(W, Maps, flatFirst, flatCount, segmentSource);
  std::vector<std::uint32_t> gathered(static_cast<std::size_t>(W));
  {
    fx::TFrameRows rows(*Frame);
    for (int y = 0; y < H; ++y) {
      std::uint32_t* d = Frame->ScanLine(y);
      const std::uint32_t *from = From->ScanLine(y), *to = To->ScanLine(y);
      const int ahead = y + fx::TFrameRows::kRowsAhead;
      for (const TRollRun& run : runs) {
        if (run.Kind == TRollRun::rkSegment) {
          std::uint32_t* piece = gathered.data() + run.First;
          for (int i = 0; i < run.Count; ++i) piece[i] = to[segmentSource[static_cast<std::size_t>(run.First + i)]];
          rows.Copy(d + run.First, piece, run.Count);
          continue;
        }
        const bool flat = run.Kind == TRollRun::rkFlat;
        if (ahead < H) rows.Ahead((flat ? To : From)->ScanLine(ahead) + run.First, run.Count);
        rows.Copy(d + run.First, (flat ? to : from) + run.First, run.Count);
      }
    }
  }
  Frame->Modified();
}

}  // namespace

bool FXRoll(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const int W = Frame->Width(), H = Frame->Height();
  const bool horizontal = fx::IsHorizontal(Params.Modifier);
  const bool towardStart = fx::TowardStart(Params.Modifier);
  const std::int64_t D = fx::PositiveDelta(Params.Delta);
  const std::int64_t L = horizontal ? W : H;

  const std::int64_t last = L + 3 * D;
  std::int64_t F = Params.CurrentFrame;
  const bool finished = F > last;
  if (finished) F = last;
  const std::int64_t p = Params.Reverse ? last - F : F;

  // Edge: where the flat part starts; the first visible segment moves it.
  std::int64_t edge = towardStart ? 0 : L;
  bool seen = false;
  TSegmentMap maps[3];
  for (int segment = 1; segment <= 3; ++segment) {
    const TRollSegment s = towardStart ? RollTowardStart(segment, L, p, D) : RollTowardEnd(segment, L, p, D);
    if (!s.Visible) continue;
    if (!seen) edge = towardStart ? s.DA : s.DA + 1;
    seen = true;
    maps[segment - 1] = SegmentMap(Frame, To, s, horizontal);
  }
  const std::int64_t flatStart = towardStart ? edge : 0, flatEnd = towardStart ? L : edge;
  if (horizontal && fx::OneSizeApart(Frame, From, To, Params.FrameRect)) {
    SweepRows(Frame, From, To, maps, {flatStart, flatEnd});
    return finished;
  }
  DrawBackground(Frame, From, To, Params, maps, {flatStart, flatEnd}, horizontal);
  for (const TSegmentMap& map : maps) CopySegment(Frame, To, map, horizontal);

  // Copied last, so its first column (row) covers the roll's outermost one.
  if (flatEnd > flatStart) {
    const TRect flat =
        fx::Band({fx::ClampCoordinate(flatStart), fx::ClampCoordinate(flatEnd)}, horizontal, W, H);
    fx::CopyFrom(Frame, To, flat, flat);
  }
  return finished;
}

}  // namespace tweenery
