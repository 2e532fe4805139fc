// Checker blinds: bands 2 x Delta wide across the motion, cut into cells
// Delta long; in every cell a slat of the entering picture grows from the
// cell's leading edge, every second cell starting half a band further back.
#include "tweenkit/effects/FXCommon.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tweenery {

namespace {

using TMask = std::vector<std::uint32_t>;

// Ones at the positions 0..Extent-1 along the motion that the even (0) or
// odd (1) slats of some band cover after growing c pixels.
struct TSlatCover {
  TMask Slats[2];

  TSlatCover(bool Backwards, std::int64_t Bands, std::int64_t D, std::int64_t c, int Extent)
      : Slats{TMask(static_cast<std::size_t>(Extent), 0), TMask(static_cast<std::size_t>(Extent), 0)} {
    const std::int64_t step = Backwards ? -2 * D : 2 * D;
    // Walking back, the last band may start as far as D before the frame:
    // its odd slats are the ones that reach position 0.
    for (std::int64_t band = Backwards ? Bands : 0; Backwards ? band >= -D : band < Bands + D; band += step) {
      Mark(Slats[0], Backwards, band, c);
      Mark(Slats[1], Backwards, band - step / 2, c);
    }
  }

  // A slat growing back from Edge is a reversed rectangle handed over as
  // both destination and source: it covers the c positions up to and
  // including Edge, not mirrored. One growing forward covers Edge..Edge+c-1.
  static void Mark(TMask& Mask, bool Backwards, std::int64_t Edge, std::int64_t c) {
    const std::int64_t first = Backwards ? Edge - c + 1 : Edge;
    const auto extent = static_cast<std::int64_t>(Mask.size());
    const std::int64_t from = std::clamp<std::int64_t>(first, 0, extent);
    const std::int64_t to = std::clamp<std::int64_t>(first + c, from, extent);
    std::fill(Mask.begin() + from, Mask.begin() + to, ~0u);
  }
};

// Cells are D long across the motion, alternating even and odd from 0.
bool OddCell(std::int64_t Position, std::int64_t D) { return (Position / D) % 2 != 0; }

}  // namespace

bool FXCheckerBlinds(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  // Plain names rather than a structured binding, which the lambdas below
  // could not capture before C++20 compilers caught up (clang 14).
  const fx::TPicturePair pictures = fx::EnteringAndLeaving(From, To, Params.Reverse);
  TBitmap* const E = pictures.Entering;
  TBitmap* const L = pictures.Leaving;
  // With frame and pictures all of one size (the usual case) the background
  // is laid in the same pass as the slats.
  const bool oneSize = fx::IsWhole(*Frame, Params.FrameRect) && fx::IsWhole(*L, Params.FrameRect) &&
                       fx::IsWhole(*E, Params.FrameRect);
  if (!oneSize) fx::CopyFrom(Frame, L, Params.FrameRect, Params.FrameRect);
  const std::int64_t D = fx::PositiveDelta(Params.Delta);
  std::int64_t c = fx::FrameIndex(Params);
  const bool finished = c >= 2 * D;
  if (finished) c = 2 * D;

  // Bands follow each other along the motion over the frame's extent; a
  // same-place copy reaches only what frame and entering picture share.
  const bool horizontal = fx::IsHorizontal(Params.Modifier);
  const bool backwards = Params.Modifier == tmRight || Params.Modifier == tmUp;
  const int W = std::min(Frame->Width(), E->Width()), H = std::min(Frame->Height(), E->Height());
  const TSlatCover cover(backwards, horizontal ? Frame->Width() : Frame->Height(), D, c, horizontal ? W : H);

  auto compose = [&](int y, const std::uint32_t* Mask) {
    std::uint32_t* dest = Frame->ScanLine(y);
    const std::uint32_t* base = oneSize ? L->ScanLine(y) : dest;
    if (Mask)
      fx::SelectWhere(dest, E->ScanLine(y), base, Mask, W);
    else if (base != dest)
      CopyPixelRow(dest, base, W);
  };
  if (horizontal) {
    // A row lies in one cell row: its columns are those of that parity's slats.
    for (int y = 0; y < H; ++y) compose(y, cover.Slats[OddCell(y, D)].data());
  } else {
    // A row may be reached by even slats, odd slats or both; each covers
    // its own cells' columns.
    TMask cells[3] = {TMask(static_cast<std::size_t>(W)), TMask(static_cast<std::size_t>(W)),
                      TMask(static_cast<std::size_t>(W), ~0u)};
    for (int x = 0; x < W; ++x) cells[OddCell(x, D)][x] = ~0u;
    for (int y = 0; y < H; ++y) {
      const bool even = cover.Slats[0][y] != 0, odd = cover.Slats[1][y] != 0;
      compose(y, even && odd ? cells[2].data() : even || odd ? cells[odd].data() : nullptr);
    }
  }
  Frame->Modified();
  return finished;
}

}  // namespace tweenery
