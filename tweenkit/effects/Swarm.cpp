// Swarm: the To picture sweeps across the From picture from one edge, and a
// band Delta deep ahead of its front is sprinkled with single To pixels,
// freshly scattered every frame. The reverse sweeps the other way and runs
// Delta frames longer so that the swarm leaves the frame too.
#include <algorithm>
#include <cmath>

#include "platform/Random.h"
#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

namespace {

// One sweep, in terms of the axis it runs along (in 64 bits: a huge Delta
// takes it past the int range): the solid To strip covers
// [StripStart, StripEnd) and the band [BandStart, BandStart + D) swarms.
struct TSweep {
  bool Horizontal;
  std::int64_t StripStart, StripEnd, BandStart;
};

TSweep LayOutSweep(TTransitionModifier Modifier, bool Receding, std::int64_t L, std::int64_t D, std::int64_t F) {
  const bool horizontal = fx::IsHorizontal(Modifier);
  const bool fromFarEdge = fx::TowardStart(Modifier);
  if (!Receding) {
    if (fromFarEdge) return {horizontal, L - F, L, L - F - D};
    return {horizontal, 0, F, F};
  }
  if (fromFarEdge) return {horizontal, F, L, F - D};
  return {horizontal, 0, L - F, L - F};
}

// Sprinkles the band with single To pixels, each drawn at a uniform place:
// half the band's pixels plus one per frame. A band deeper than the frame is
// sprinkled only where it can be seen, with the same expected number of
// pixels there, so a frame never costs more than the frame's size.
void ScatterBand(TBitmap* Frame, TBitmap* To, const TSweep& Sweep, std::int64_t D) {
  const int W = Frame->Width(), H = Frame->Height();
  const std::int64_t along = Sweep.Horizontal ? W : H;
  const std::int32_t across = Sweep.Horizontal ? H : W;
  const std::int64_t count = D * across / 2 + 1;
  std::int64_t start = Sweep.BandStart, depth = D, draws = count;
  if (D > along) {
    start = std::max<std::int64_t>(Sweep.BandStart, 0);
    depth = std::min(Sweep.BandStart + D, along) - start;
    if (depth <= 0) return;
    draws = std::llround(static_cast<long double>(count) * depth / D);
  }
  const int w = std::min(W, To->Width()), h = std::min(H, To->Height());
  for (std::int64_t i = 0; i < draws; ++i) {
    std::int64_t x, y;
    if (Sweep.Horizontal) {
      x = start + Random(static_cast<std::int32_t>(depth));
      y = Random(across);
    } else {
      x = Random(across);
      y = start + Random(static_cast<std::int32_t>(depth));
    }
    if (x >= 0 && x < w && y >= 0 && y < h) Frame->ScanLine(static_cast<int>(y))[x] = To->ScanLine(static_cast<int>(y))[x];
  }
  Frame->Modified();
}

bool Swarm(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, bool Receding) {
  const std::int64_t D = fx::PositiveDelta(Params.Delta);
  const bool horizontal = fx::IsHorizontal(Params.Modifier);
  const std::int64_t L = horizontal ? Frame->Width() : Frame->Height();
  const std::int64_t last = Receding ? L + D : L;
  std::int64_t F = fx::FrameIndex(Params);
  const bool finished = F > last;
  if (finished) F = last;

  const TSweep sweep = LayOutSweep(Params.Modifier, Receding, L, D, F);
  if (fx::OneSize(*Frame, *From, *To, Params.FrameRect)) {
    // The strip then lands whole across the frame: From goes beside it.
    const auto first = static_cast<int>(std::clamp<std::int64_t>(sweep.StripStart, 0, L));
    const auto last = static_cast<int>(std::clamp<std::int64_t>(sweep.StripEnd, first, L));
    fx::CopyFromBeside(Frame, From, {fx::TSpan{first, last}}, horizontal,
                       horizontal ? Frame->Height() : Frame->Width());
  } else {
    fx::CopyFrom(Frame, From, Params.FrameRect, Params.FrameRect);
  }
  if (sweep.StripEnd > sweep.StripStart) {
    const fx::TSpan span{fx::ClampCoordinate(sweep.StripStart), fx::ClampCoordinate(sweep.StripEnd)};
    const TRect strip = fx::Band(span, horizontal, Frame->Width(), Frame->Height());
    fx::CopyFrom(Frame, To, strip, strip);
  }
  ScatterBand(Frame, To, sweep, D);
  return finished;
}

}  // namespace

bool FXSwarm(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return Swarm(From, To, Frame, Params, false);
}

bool FXReverseSwarm(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return Swarm(From, To, Frame, Params, true);
}

}  // namespace tweenery
