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
// and the frame share, and the order of the copies does not matter. A sweep
// down the rows keeps track of the sides crossing the current row; rows
// between two side ends form a run crossed by the same sides.
//
// Narrow sides (the rings' upright sides, unless the rings are thick) are
// kept as a column mask updated as they come and go, which costs their
// width, and as a count of the columns they cover in each block. Wide
// sides (the rings' top and bottom) are kept as a sorted list, merged for
// each run. A row is then the merged wide spans copied from the entering
// picture, and between them blocks clear of narrow sides copied from the
// leaving one, blocks wholly under them from the entering one, and the rest
// chosen through the mask: a wide side never lies there, so the mask alone
// says which picture each pixel shows.
//
// A leaving picture smaller than the frame reaches only its own area;
// outside it the frame keeps what it shows wherever no side covers it, just
// as a copy of the leaving picture over the whole frame leaves it.
class TRingComposer {
 public:
  TRingComposer(TBitmap* Frame, TBitmap* Entering, TBitmap* Leaving, int Wm, int Hm)
      : FFrame(Frame), FEntering(Entering), FLeaving(Leaving), FWm(Wm), FHm(Hm),
        FLw(std::min(Frame->Width(), Leaving->Width())), FLh(std::min(Frame->Height(), Leaving->Height())),
        FMask(static_cast<std::size_t>(Wm), 0u), FDepth(static_cast<std::size_t>(Wm), 0),
        FBlockCovered(static_cast<std::size_t>(Wm / kBlock + 1), 0) {}

  void Compose(const std::vector<TRect>& Sides) {
    std::vector<TEdge> edges;
    edges.reserve(2 * Sides.size());
    for (const TRect& side : Sides) {
      const fx::TSpan across = Covered(side.Left, side.Right, FWm), down = Covered(side.Top, side.Bottom, FHm);
      if (across.First >= across.Last || down.First >= down.Last) continue;
      edges.push_back({down.First, true, across});
      edges.push_back({down.Last, false, across});
    }
    std::sort(edges.begin(), edges.end(), [](const TEdge& a, const TEdge& b) { return a.Row < b.Row; });
    std::size_t e = 0;
    for (int y = 0; y < FHm;) {
      for (; e < edges.size() && edges[e].Row <= y; ++e) Apply(edges[e]);
      const int next = e < edges.size() ? std::min(edges[e].Row, FHm) : FHm;
      PlanRun();
      for (; y < next; ++y) ComposeRow(y);
    }
    for (int y = FHm; y < FFrame->Height(); ++y) CopyLeaving(y, 0, FFrame->Width());
    FFrame->Modified();
  }

 private:
  // A side starting (Enters) or ending at Row, over the columns Across.
  struct TEdge {
    int Row;
    bool Enters;
    fx::TSpan Across;
  };

  enum class TSource { Leaving, Entering, Masked };
  // Columns First..Last-1 of every row of a run come from one source.
  struct TStep {
    int First, Last;
    TSource Source;
  };

  // Sides narrower than a block go into the mask.
  static constexpr int kBlock = 32;

  static bool Before(fx::TSpan a, fx::TSpan b) { return a.First < b.First || (a.First == b.First && a.Last < b.Last); }

  void Apply(const TEdge& Edge) {
    if (Edge.Across.Last - Edge.Across.First < kBlock)
      ApplyNarrow(Edge);
    else
      ApplyWide(Edge);
  }

  void ApplyWide(const TEdge& Edge) {
    const auto at = std::lower_bound(FWide.begin(), FWide.end(), Edge.Across, Before);
    if (Edge.Enters)
      FWide.insert(at, Edge.Across);
    else
      FWide.erase(at);  // the side entered before, so it is here
  }

  void ApplyNarrow(const TEdge& Edge) {
    const int step = Edge.Enters ? 1 : -1;
    for (int x = Edge.Across.First; x < Edge.Across.Last; ++x) {
      const bool was = FDepth[x] > 0;
      FDepth[x] += step;
      const bool is = FDepth[x] > 0;
      if (was == is) continue;
      FMask[x] = is ? ~0u : 0u;
      FBlockCovered[x / kBlock] += is ? 1 : -1;
    }
  }

  // Columns of row y the leaving picture reaches.
  int LeavingEnd(int y) const { return y < FLh ? FLw : 0; }

  void CopyLeaving(int y, int First, int Last) {
    Last = std::min(Last, LeavingEnd(y));
    if (First < Last) CopyPixelRow(FFrame->ScanLine(y) + First, FLeaving->ScanLine(y) + First, Last - First);
  }

  // Columns First..Last-1 of row y: the entering picture under the narrow
  // sides, elsewhere the leaving one, or the frame itself past its end.
  void SelectMasked(int y, int First, int Last) {
    std::uint32_t* dest = FFrame->ScanLine(y);
    const std::uint32_t* entering = FEntering->ScanLine(y);
    const std::uint32_t* mask = FMask.data();
    const int split = std::clamp(LeavingEnd(y), First, Last);
    if (First < split)
      fx::SelectWhere(dest + First, entering + First, FLeaving->ScanLine(y) + First, mask + First, split - First);
    if (split < Last) fx::SelectWhere(dest + split, entering + split, dest + split, mask + split, Last - split);
  }

  void AddStep(int First, int Last, TSource Source) {
    if (First >= Last) return;
    if (!FPlan.empty() && FPlan.back().Source == Source && FPlan.back().Last == First)
      FPlan.back().Last = Last;
    else
      FPlan.push_back({First, Last, Source});
  }

  // A block wholly covered or wholly clear of narrow sides is a plain copy.
  TSource BlockSource(int Block) const {
    const int covered = FBlockCovered[Block];
    if (covered == 0) return TSource::Leaving;
    return covered == std::min(kBlock, FWm - Block * kBlock) ? TSource::Entering : TSource::Masked;
  }

  // Columns First..Last-1, which no wide side covers, block by block.
  void PlanBetweenWide(int First, int Last) {
    for (int x = First; x < Last;) {
      const int block = x / kBlock, end = std::min(Last, (block + 1) * kBlock);
      AddStep(x, end, BlockSource(block));
      x = end;
    }
  }

  void PlanRun() {
    FPlan.clear();
    int from = 0;
    for (std::size_t i = 0; i < FWide.size();) {
      fx::TSpan span = FWide[i];
      for (++i; i < FWide.size() && FWide[i].First <= span.Last; ++i) span.Last = std::max(span.Last, FWide[i].Last);
      PlanBetweenWide(from, span.First);
      AddStep(span.First, span.Last, TSource::Entering);
      from = span.Last;
    }
    PlanBetweenWide(from, FWm);
    AddStep(FWm, FFrame->Width(), TSource::Leaving);
  }

  void ComposeRow(int y) {
    std::uint32_t* dest = FFrame->ScanLine(y);
    const std::uint32_t* entering = FEntering->ScanLine(y);
    for (const TStep& step : FPlan) {
      switch (step.Source) {
        case TSource::Leaving: CopyLeaving(y, step.First, step.Last); break;
        case TSource::Entering:
          CopyPixelRow(dest + step.First, entering + step.First, step.Last - step.First);
          break;
        case TSource::Masked: SelectMasked(y, step.First, step.Last); break;
      }
    }
  }

  TBitmap* FFrame;
  TBitmap* FEntering;
  TBitmap* FLeaving;
  int FWm, FHm;
  int FLw, FLh;                      // the leaving picture's area in the frame
  std::vector<std::uint32_t> FMask;  // all ones where a narrow side crosses the row
  std::vector<int> FDepth;           // narrow sides over each column
  std::vector<int> FBlockCovered;    // columns of each block under narrow sides
  std::vector<fx::TSpan> FWide;      // wide sides crossing the row, sorted
  std::vector<TStep> FPlan;
};

}  // namespace

bool FXStripedIris(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const auto [entering, leaving] = fx::EnteringAndLeaving(From, To, Params.Reverse);
  const int W = Frame->Width(), H = Frame->Height();
  // A frame rectangle that is the whole frame lets the frame be composed
  // row by row once the sides are known; otherwise the leaving picture is
  // copied and then every side over it.
  const bool compose = fx::IsWhole(*Frame, Params.FrameRect);
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
  TRingComposer(Frame, entering, leaving, static_cast<int>(iris.Wm), static_cast<int>(iris.Hm)).Compose(sides);
  return false;
}

}  // namespace tweenery
