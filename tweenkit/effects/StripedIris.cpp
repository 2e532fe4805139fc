// Striped iris: the entering picture comes in concentric rings Delta thick,
// first every other ring, then the gaps, from the edge inward or from the
// centre outward.
#include <algorithm>

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
    fx::CopyFrom(Frame, Entering, side, side);
  }

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

}  // namespace

bool FXStripedIris(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const auto [entering, leaving] = fx::EnteringAndLeaving(From, To, Params.Reverse);
  const int W = Frame->Width(), H = Frame->Height();
  fx::CopyFrom(Frame, leaving, Params.FrameRect, Params.FrameRect);

  TIris iris{Frame, entering, false, fx::PositiveDelta(Params.Delta), H < W ? H / 2 : W / 2,
             std::min(W, entering->Width()), std::min(H, entering->Height())};
  const std::int64_t last = iris.M / iris.D;
  const std::int64_t F = Params.CurrentFrame;
  if (F >= last) {
    // The passes of the last frame cover the rings' whole area, except
    // outward with rings thicker than half the frame, where only the empty
    // centre ring would be drawn. The run must end on the entering picture.
    const TRect area = Rect(0, 0, static_cast<int>(iris.Wm), static_cast<int>(iris.Hm));
    fx::CopyFrom(Frame, entering, area, area);
    return true;
  }
  const bool towardEnd = Params.Modifier == tmRight || Params.Modifier == tmDown;
  iris.Inward = towardEnd != Params.Reverse;
  iris.DrawPass(0, F);
  const std::int64_t firstPhase = iris.M / (2 * iris.D);
  if (F > firstPhase) iris.DrawPass(iris.D, F - firstPhase);
  return false;
}

}  // namespace tweenery
