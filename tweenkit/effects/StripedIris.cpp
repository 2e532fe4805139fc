// Striped iris: the entering picture comes in concentric rings Delta thick,
// first every other ring, then the gaps, from the edge inward or from the
// centre outward.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

namespace {

struct TIris {
  TBitmap* Frame;
  TBitmap* Entering;
  bool Inward;
  std::int64_t D, M, Wm, Hm;

  // The ring at offset k: its four sides, each D thick inside the ring's
  // rectangle. Past the centre the rectangle turns inside out and so may its
  // sides; such a side is mirrored alike at source and destination, which
  // makes a plain copy of the columns (rows) it spans.
  void DrawRing(std::int64_t k) const {
    const std::int64_t L = Inward ? k : M - k, T = L;
    const std::int64_t R = Inward ? Wm - k : Wm - M + k, B = Inward ? Hm - k : Hm - M + k;
    Side(L, T, R, T + D);
    Side(R - D, T, R, B);
    Side(L, B - D, R, B);
    Side(L, T, L + D, B);
  }

  void Side(std::int64_t L, std::int64_t T, std::int64_t R, std::int64_t B) const {
    const TRect side = Rect(fx::ClampCoordinate(L), fx::ClampCoordinate(T), fx::ClampCoordinate(R),
                            fx::ClampCoordinate(B));
    if (Sides)
      Sides->push_back(side);
    else
      fx::CopyFrom(Frame, Entering, side, side);
  }

  // Where set, sides are gathered here instead of drawn.
  std::vector<TRect>* Sides = nullptr;

  // Rings First, First + 2D, ... up to F of them, stopping after the first
  // one past the centre.
  void DrawPass(std::int64_t First, std::int64_t Rings) const {
    for (std::int64_t i = 0; i <= Rings; ++i) {
      const std::int64_t k = First + 2 * D * i;
      DrawRing(k);
      if (k > M) break;
    }
  }
};

constexpr std::size_t kMostComposedSides = 256;

// The positions a side rectangle's copy reaches along one axis: First..
// Last-1, where a mirrored side covers Right+1..Left; held to 0..Limit-1.
fx::TSpan Covered(int A, int B, int Limit) {
  const int first = A < B ? A : B + 1, last = A < B ? B : A + 1;
  if (A == B) return {0, 0};
  return {std::clamp(first, 0, Limit), std::clamp(last, 0, Limit)};
}

// Rows of the frame as the leaving picture with the gathered sides of the
// entering one in place, each row written once. The sides are one-to-one
// copies, so each covers its rectangle within the area the entering picture
// and the frame share, and the order of the copies does not matter. Rows
// fall into runs crossed by the same sides; a run cut into many pieces (the
// rings' upright sides) is composed through a column mask, one with few
// pieces by plain copies.
class TRingComposer {
 public:
  TRingComposer(TBitmap* Frame, TBitmap* Entering, TBitmap* Leaving, int Wm, int Hm)
      : FFrame(Frame), FEntering(Entering), FLeaving(Leaving), FWm(Wm), FHm(Hm),
        FMask(static_cast<std::size_t>(Wm)) {}

  void Compose(const std::vector<TRect>& Sides) {
    std::vector<TRect> cover;
    std::vector<int> cuts = {0, FHm};
    for (const TRect& side : Sides) {
      const fx::TSpan across = Covered(side.Left, side.Right, FWm), down = Covered(side.Top, side.Bottom, FHm);
      if (across.First >= across.Last || down.First >= down.Last) continue;
      cover.push_back(Rect(across.First, down.First, across.Last, down.Last));
      cuts.push_back(down.First);
      cuts.push_back(down.Last);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) ComposeRun(cover, cuts[i], cuts[i + 1]);
    for (int y = FHm; y < FFrame->Height(); ++y) CopyLeaving(y, 0, FFrame->Width());
    FFrame->Modified();
  }

 private:
  static constexpr std::size_t kFewPieces = 8;

  void CopyLeaving(int y, int First, int Last) {
    CopyPixelRow(FFrame->ScanLine(y) + First, FLeaving->ScanLine(y) + First, Last - First);
  }

  void ComposeRun(const std::vector<TRect>& Cover, int y0, int y1) {
    std::vector<fx::TSpan> pieces;
    for (const TRect& r : Cover)
      if (r.Top <= y0 && r.Bottom >= y1) pieces.push_back({r.Left, r.Right});
    std::sort(pieces.begin(), pieces.end(), [](fx::TSpan a, fx::TSpan b) { return a.First < b.First; });
    std::vector<fx::TSpan> merged;
    for (const fx::TSpan& piece : pieces) {
      if (!merged.empty() && piece.First <= merged.back().Last)
        merged.back().Last = std::max(merged.back().Last, piece.Last);
      else
        merged.push_back(piece);
    }
    const int W = FFrame->Width();
    if (merged.size() <= kFewPieces) {
      for (int y = y0; y < y1; ++y) {
        int from = 0;
        for (const fx::TSpan& piece : merged) {
          CopyLeaving(y, from, piece.First);
          CopyPixelRow(FFrame->ScanLine(y) + piece.First, FEntering->ScanLine(y) + piece.First,
                       piece.Last - piece.First);
          from = piece.Last;
        }
        CopyLeaving(y, from, W);
      }
      return;
    }
    std::fill(FMask.begin(), FMask.end(), 0u);
    for (const fx::TSpan& piece : merged) std::fill(FMask.begin() + piece.First, FMask.begin() + piece.Last, ~0u);
    for (int y = y0; y < y1; ++y) {
      fx::SelectWhere(FFrame->ScanLine(y), FEntering->ScanLine(y), FLeaving->ScanLine(y), FMask.data(), FWm);
      CopyLeaving(y, FWm, W);
    }
  }

  TBitmap* FFrame;
  TBitmap* FEntering;
  TBitmap* FLeaving;
  int FWm, FHm;
  std::vector<std::uint32_t> FMask;
};

}  // namespace

bool FXStripedIris(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const auto [entering, leaving] = fx::EnteringAndLeaving(From, To, Params.Reverse);
  const int W = Frame->Width(), H = Frame->Height();
  // A leaving picture covering the frame lets the frame be composed row by
  // row once the sides are known; with very many sides (thin rings) finding
  // the runs would cost more than it saves, and they are copied one by one.
  const bool compose = leaving->Width() >= W && leaving->Height() >= H && fx::IsWhole(*Frame, Params.FrameRect);
  if (!compose) fx::CopyFrom(Frame, leaving, Params.FrameRect, Params.FrameRect);

  TIris iris{Frame, entering, false, fx::PositiveDelta(Params.Delta), H < W ? H / 2 : W / 2,
             std::min(W, entering->Width()), std::min(H, entering->Height())};
  const std::int64_t last = iris.M / iris.D;
  const std::int64_t F = fx::FrameIndex(Params);
  if (F >= last) {
    // The passes of the last frame cover the rings' whole area, except
    // outward with rings thicker than half the frame, where only the empty
    // centre ring would be drawn. The run must end on the entering picture.
    const TRect area = Rect(0, 0, static_cast<int>(iris.Wm), static_cast<int>(iris.Hm));
    if (compose) fx::CopyFrom(Frame, leaving, Params.FrameRect, Params.FrameRect);
    fx::CopyFrom(Frame, entering, area, area);
    return true;
  }
  const bool towardEnd = Params.Modifier == tmRight || Params.Modifier == tmDown;
  iris.Inward = towardEnd != Params.Reverse;
  std::vector<TRect> sides;
  if (compose) iris.Sides = &sides;
  iris.DrawPass(0, F);
  const std::int64_t firstPhase = iris.M / (2 * iris.D);
  if (F > firstPhase) iris.DrawPass(iris.D, F - firstPhase);
  if (!compose) return false;
  if (sides.size() <= kMostComposedSides) {
    TRingComposer(Frame, entering, leaving, static_cast<int>(iris.Wm), static_cast<int>(iris.Hm)).Compose(sides);
    return false;
  }
  fx::CopyFrom(Frame, leaving, Params.FrameRect, Params.FrameRect);
  for (const TRect& side : sides) fx::CopyFrom(Frame, entering, side, side);
  return false;
}

}  // namespace tweenery
