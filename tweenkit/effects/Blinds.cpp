// Blinds and checkerboard: the entering picture is uncovered in place, slat
// by slat or square by square, over the leaving one; nothing moves.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "tweenkit/effects/FXCommon.h"

namespace tweenery {
namespace {

void Uncover(TBitmap* Frame, TBitmap* Picture, const TRect& R) { fx::CopyFrom(Frame, Picture, R, R); }

// The slats along the axis, in anchor order, clipped to 0..Extent-1.
// Anchors are 64-bit so that a pitch near the int32 limit steps past the
// end instead of wrapping round; clipping is where the copy would clip.
std::vector<fx::TSpan> Slats(bool FromFarEnd, std::int64_t Extent, std::int64_t Pitch, std::int64_t Opening) {
  std::vector<fx::TSpan> slats;
  if (Opening == 0) return slats;
  auto add = [&](std::int64_t First, std::int64_t Last) {
    slats.push_back({static_cast<int>(std::max<std::int64_t>(First, 0)), static_cast<int>(std::min(Last, Extent))});
  };
  if (FromFarEnd) {
    for (std::int64_t x = Extent; x > 0; x -= Pitch) add(x - Opening, x);
  } else {
    for (std::int64_t x = 0; x < Extent; x += Pitch) add(x, x + Opening);
  }
  return slats;
}

// Column slats cut every row alike, so each row is composed in one go: the
// leaving picture's row, then the entering picture's pixels through a column
// mask. The access stays sequential, with no tiny copy per slat and row.
// Each picture reaches only as far as both it and the frame extend, which
// is where the copies would stop.
void ComposeColumnSlats(TBitmap* Frame, TBitmap* Entering, TBitmap* Leaving, const std::vector<fx::TSpan>& Slats) {
  const int W = Frame->Width(), H = Frame->Height();
  const int enteringW = std::min(W, Entering->Width()), enteringH = std::min(H, Entering->Height());
  const int leavingW = std::min(W, Leaving->Width()), leavingH = std::min(H, Leaving->Height());
  std::vector<std::uint32_t> mask(static_cast<std::size_t>(enteringW), 0);
  for (const fx::TSpan& slat : Slats)
    std::fill(mask.begin() + std::min(slat.First, enteringW), mask.begin() + std::min(slat.Last, enteringW), ~0u);
  for (int y = 0; y < H; ++y) {
    std::uint32_t* dest = Frame->ScanLine(y);
    if (y < leavingH && y < enteringH && leavingW == enteringW) {
      // Both pictures span the row alike (pictures of one size): one pass.
      const std::uint32_t *entering = Entering->ScanLine(y), *leaving = Leaving->ScanLine(y);
      fx::SelectWhere(dest, entering, leaving, mask.data(), enteringW);
      continue;
    }
    if (y < leavingH)
      CopyPixelRow(dest, Leaving->ScanLine(y), leavingW);
    if (y < enteringH) {
      fx::SelectWhere(dest, Entering->ScanLine(y), dest, mask.data(), enteringW);
    }
  }
  Frame->Modified();
}

// The squares of the passes of a stage, as masks over pictures of the
// frame's size: a frame row crossed by squares is composed from From's and
// To's rows in one go, any other row is From's. Rows of one pass's squares
// share a column mask, and the passes of a stage never share a row.
struct TSquarePass {
  int Pitch, Offset;
};
void ComposeSquares(TBitmap* Frame, TBitmap* From, TBitmap* To, std::initializer_list<TSquarePass> Passes) {
  constexpr int kSide = 3;
  const int W = Frame->Width(), H = Frame->Height();
  std::vector<std::vector<std::uint32_t>> masks;
  for (const TSquarePass& pass : Passes) {
    std::vector<std::uint32_t> mask(static_cast<std::size_t>(W), 0u);
    for (int x = pass.Offset; x < W; x += pass.Pitch)
      std::fill(mask.begin() + x, mask.begin() + std::min(x + kSide, W), ~0u);
    masks.push_back(std::move(mask));
  }
  for (int y = 0; y < H; ++y) {
    fx::TRowLayer squares;
    std::size_t i = 0;
    for (const TSquarePass& pass : Passes) {
      if (y >= pass.Offset && (y - pass.Offset) % pass.Pitch < kSide) squares = {To->ScanLine(y), masks[i].data()};
      ++i;
    }
    fx::ComposeRow(Frame->ScanLine(y), From->ScanLine(y), squares, {}, W);
  }
  Frame->Modified();
}

// 3 x 3 squares of To at every Pitch from Offset, each to the same place.
// A square is cut at wT and hT: past them either the frame ends or To does,
// and a copy leaves the frame untouched in both cases. Tens of thousands of
// squares per frame, hence raw rows rather than one copy call per square.
void SquarePass(TBitmap* Frame, TBitmap* To, int wT, int hT, int Pitch, int Offset) {
  constexpr int kSide = 3;
  for (int y = Offset; y < hT; y += Pitch) {
    for (int row = y; row < std::min(y + kSide, hT); ++row) {
      std::uint32_t* dest = Frame->ScanLine(row);
      const std::uint32_t* source = To->ScanLine(row);
      for (int x = Offset; x < wT; x += Pitch)
        std::memcpy(dest + x, source + x, static_cast<std::size_t>(std::min(kSide, wT - x)) * sizeof *dest);
    }
  }
}

}  // namespace

bool FXBlinds(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const auto [E, L] = fx::EnteringAndLeaving(From, To, Params.Reverse);
  const std::int64_t pitch = fx::PositiveDelta(Params.Delta);
  std::int64_t c = std::max<std::int32_t>(Params.CurrentFrame, 0);
  const bool finished = c >= pitch;
  if (finished) c = pitch;
  const int W = Frame->Width(), H = Frame->Height();
  const bool columns = fx::IsHorizontal(Params.Modifier);
  const bool fromFarEnd = Params.Modifier == tmRight || Params.Modifier == tmUp;
  const std::vector<fx::TSpan> slats = Slats(fromFarEnd, columns ? W : H, pitch, c);
  if (columns) {
    ComposeColumnSlats(Frame, E, L, slats);
    return finished;
  }
  if (fx::OneSize(*Frame, *E, *L, Params.FrameRect)) {
    // Slats of whole rows then land whole: the leaving picture goes only
    // between them. Walked from the far end they come in descending order.
    std::vector<fx::TSpan> ordered(slats);
    if (fromFarEnd) std::reverse(ordered.begin(), ordered.end());
    fx::CopyFromBesideSpans(Frame, L, ordered, false, W);
  } else {
    Uncover(Frame, L, Params.FrameRect);
  }
  for (const fx::TSpan& slat : slats) Uncover(Frame, E, fx::Band(slat, false, W, H));
  return finished;
}

// Stages, forward: pitch 32, 16, 8, then 8 with the offset-4 grid added, then
// To whole. Reverse plays them backwards, ending on From, which the base
// copy has already put in place.
bool FXCheckerboard(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  constexpr int kLastStage = 4;
  const int c = std::max<std::int32_t>(Params.CurrentFrame, 0);
  const bool finished = c >= kLastStage;
  const int stage = Params.Reverse ? kLastStage - 1 - c : c;
  if (fx::OneSize(*Frame, *From, *To, Params.FrameRect)) {
    // To covers the frame: each pixel is drawn once, from one picture.
    if (finished) {
      Uncover(Frame, Params.Reverse ? From : To, Params.FrameRect);
      return true;
    }
    switch (stage) {
      case 0: ComposeSquares(Frame, From, To, {{32, 0}}); break;
      case 1: ComposeSquares(Frame, From, To, {{16, 0}}); break;
      case 2: ComposeSquares(Frame, From, To, {{8, 0}}); break;
      case 3: ComposeSquares(Frame, From, To, {{8, 0}, {8, 4}}); break;
    }
    return false;
  }
  Uncover(Frame, From, Params.FrameRect);
  if (finished) {
    if (!Params.Reverse) Uncover(Frame, To, Params.FrameRect);
    return true;
  }
  const int wT = std::min(Frame->Width(), To->Width()), hT = std::min(Frame->Height(), To->Height());
  switch (stage) {
    case 0: SquarePass(Frame, To, wT, hT, 32, 0); break;
    case 1: SquarePass(Frame, To, wT, hT, 16, 0); break;
    case 2: SquarePass(Frame, To, wT, hT, 8, 0); break;
    case 3:
      SquarePass(Frame, To, wT, hT, 8, 0);
      SquarePass(Frame, To, wT, hT, 8, 4);
      break;
  }
  Frame->Modified();
  return finished;
}

}  // namespace tweenery
