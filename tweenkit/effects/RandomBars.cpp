// Random bars: the entering picture comes in one-pixel bars in a random
// order in which no bar comes twice; the twin form uncovers a column and a
// row for each bar. The order lives in the operation's state object.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/Random.h"
#include "tweenkit/effects/BarIndex.h"
#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

namespace {

// Moves bars from the pool to the picked list until the run has reached
// frame F (0 <= F <= BarCount). Every pick of one frame draws from the same
// range N - F, not from the pool's current length, so when a frame picks
// several bars the last entries of the pool sit that frame out.
template <class TBarState>
void PickBars(TBarState& State, std::int32_t F) {
  const std::int32_t N = State.BarCount;
  if (F >= N) return;
  while (State.LastFrame < F) {
    const std::int32_t r = Random(N - F);
    TNode* before = nullptr;
    TNode* pick = nullptr;
    if (TBarIndex* index = State.Index.get()) {
      if (r >= index->Remaining) {
        // An unlisted bar: counted, never drawn (BarIndex.h).
        if (index->Unlisted == 0) return;
        --index->Unlisted;
        ++State.LastFrame;
        continue;
      }
      const std::int32_t value = index->Find(r);
      pick = index->Nodes[static_cast<std::size_t>(value)];
      if (r > 0) before = index->Nodes[static_cast<std::size_t>(index->Find(r - 1))];
      index->Remove(value);
    } else {
      // A pool built without Init: walk it.
      pick = State.PoolHead;
      for (std::int32_t i = 0; i < r && pick; ++i) {
        before = pick;
        pick = pick->Next;
      }
    }
    // Only a state that Init never prepared can run dry.
    if (!pick) return;
    State.PickedTail = AppendNode(State.PickedTail, pick->Value);
    if (!State.PickedHead) State.PickedHead = State.PickedTail;
    if (before)
      before->Next = pick->Next;
    else
      State.PoolHead = pick->Next;
    delete pick;
    ++State.LastFrame;
  }
}

// Bars are one-to-one copies of whole columns or rows of the entering
// picture. Indexes outside the frame or the picture draw nothing (the
// control, which sizes the run, may be larger than the pictures).
class TBarPainter {
 public:
  TBarPainter(TBitmap* Frame, TBitmap* Entering)
      : FFrame(Frame), FEntering(Entering),
        FWidth(std::min(Frame->Width(), Entering->Width())),
        FHeight(std::min(Frame->Height(), Entering->Height())),
        FColumnMask(static_cast<std::size_t>(FWidth), 0), FRowPicked(static_cast<std::size_t>(FHeight), false) {}

  void AddColumn(std::int64_t X) {
    if (X >= 0 && X < FWidth) {
      FColumnMask[static_cast<std::size_t>(X)] = ~0u;
      FAnyColumn = true;
    }
  }
  void AddRow(std::int64_t Y) {
    if (Y >= 0 && Y < FHeight) {
      FRowPicked[static_cast<std::size_t>(Y)] = true;
      FAnyRow = true;
    }
  }

  // All copies come from the same picture to the same places, so the order
  // of the bars does not change the frame: each row is copied once however
  // many bars name it, and columns go in as one masked pass per row, which
  // vectorises, rather than a scattered write per bar.
  void Paint() {
    if (!FAnyRow && !FAnyColumn) return;
    for (int y = 0; y < FHeight; ++y) {
      std::uint32_t* d = FFrame->ScanLine(y);
      PaintRow(d, y, d);
    }
    FFrame->Modified();
  }

  // The leaving picture and the bars in one pass, for a leaving picture and
  // an entering one that both cover the frame: each row is written once.
  void PaintOver(TBitmap* Leaving) {
    for (int y = 0; y < FHeight; ++y) {
      std::uint32_t* d = FFrame->ScanLine(y);
      const std::uint32_t* background = Leaving->ScanLine(y);
      if (!PaintRow(d, y, background)) std::memcpy(d, background, RowBytes());
    }
    FFrame->Modified();
  }

 private:
  std::size_t RowBytes() const { return static_cast<std::size_t>(FWidth) * sizeof(std::uint32_t); }

  // Row y of the bars over Background; false, with nothing written, for a
  // row no bar reaches.
  bool PaintRow(std::uint32_t* Dest, int y, const std::uint32_t* Background) {
    const std::uint32_t* s = FEntering->ScanLine(y);
    if (FRowPicked[static_cast<std::size_t>(y)])
      std::memcpy(Dest, s, RowBytes());
    else if (FAnyColumn)
      fx::SelectWhere(Dest, s, Background, FColumnMask.data(), FWidth);
    else
      return false;
    return true;
  }

  TBitmap* FFrame;
  TBitmap* FEntering;
  int FWidth, FHeight;
  std::vector<std::uint32_t> FColumnMask;  // all ones where a column is picked
  bool FAnyColumn = false;
  std::vector<bool> FRowPicked;
  bool FAnyRow = false;
};

// The bar of the other direction that goes with bar V: V * Across / Along,
// evaluated as (V - Along) * Across / Along + Across in extended precision
// and rounded half to even, which decides which of two rows a tie lands on.
// The product is taken in 64 bits so that a huge bar index cannot wrap.
std::int64_t TwinBarExtended(std::int32_t V, int Along, int Across) {
  const std::int64_t product = (static_cast<std::int64_t>(V) - Along) * Across;
  const long double exact = static_cast<long double>(product) / Along + Across;
  return static_cast<std::int64_t>(std::nearbyintl(exact));
}

// The same in integers. With 0 <= V and 0 <= Across <= Along both the
// quotient and the sum above stay below 2^31, so with a 64-bit mantissa each
// of their two roundings errs by at most 2^-34, while a quotient of Along
// that is not a tie lies at least 1 / (2 * Along) > 2^-32 from one; ties
// are computed exactly. Both forms thus round the same true value to the
// same integer.
std::int64_t TwinBar(std::int32_t V, int Along, int Across) {
  if constexpr (std::numeric_limits<long double>::digits >= 64) {
    if (V >= 0 && Along > 0 && Across >= 0 && Across <= Along) {
      const std::int64_t product = std::int64_t{V} * Across;
      const std::int64_t quotient = product / Along, twiceRemainder = 2 * (product % Along);
      const bool up = twiceRemainder > Along || (twiceRemainder == Along && quotient % 2 != 0);
      return up ? quotient + 1 : quotient;
    }
  }
  return TwinBarExtended(V, Along, Across);
}

bool Covers(const TBitmap& Picture, const TBitmap& Frame) {
  return Picture.Width() >= Frame.Width() && Picture.Height() >= Frame.Height();
}

// A frame of either operation: pick the bars of this frame, draw the
// leaving picture, then the bars AddBar names for each picked index; on the
// last frames the whole entering picture instead. Any object in State other
// than the operation's own (which the dispatch table rules out) counts as a
// run without bars.
template <class TBarState, class TAddBar>
bool BarFrame(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, TAddBar&& AddBar) {
  TBarState empty;
  auto* own = dynamic_cast<TBarState*>(Params.State);
  TBarState& state = own ? *own : empty;
  const auto [entering, leaving] = fx::EnteringAndLeaving(From, To, Params.Reverse);
  const std::int32_t N = state.BarCount;
  std::int32_t F = Params.CurrentFrame;
  const bool finished = N < F;
  if (finished) F = N;
  PickBars(state, F);
  if (N == F) {
    fx::CopyFrom(Frame, entering, Params.FrameRect, Params.FrameRect);
    return finished;
  }
  TBarPainter painter(Frame, entering);
  for (const TNode* node = state.PickedHead; node; node = node->Next) AddBar(painter, node->Value);
  if (Covers(*leaving, *Frame) && Covers(*entering, *Frame) && fx::IsWhole(*Frame, Params.FrameRect)) {
    painter.PaintOver(leaving);
    return finished;
  }
  fx::CopyFrom(Frame, leaving, Params.FrameRect, Params.FrameRect);
  painter.Paint();
  return finished;
}

}  // namespace

bool FXRandomBars(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const bool columns = fx::IsHorizontal(Params.Modifier);
  return BarFrame<TRandomBarsFXState>(From, To, Frame, Params, [&](TBarPainter& Painter, std::int32_t V) {
    if (columns)
      Painter.AddColumn(V);
    else
      Painter.AddRow(V);
  });
}

bool FXTwinRandomBars(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const int W = Frame->Width(), H = Frame->Height();
  return BarFrame<TTwinRandomBarsFXState>(From, To, Frame, Params, [&](TBarPainter& Painter, std::int32_t V) {
    if (W > H) {
      Painter.AddColumn(V);
      Painter.AddRow(TwinBar(V, W, H));
    } else {
      Painter.AddColumn(TwinBar(V, H, W));
      Painter.AddRow(V);
    }
  });
}

}  // namespace tweenery
