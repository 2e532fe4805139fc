// Reveals: a boundary, or two symmetric ones, sweeps across the frame and
// uncovers the To picture in place over the still From picture.
#include <algorithm>
#include <initializer_list>

#include "tweenkit/effects/FXCommon.h"

namespace tweenery {
namespace {

// The uncovered length along the sweep, and whether the sweep is over. The
// reverse run counts from the other end, so it plays the forward run
// backwards.
struct TSweep {
  int Shown;
  bool Finished;
};
TSweep Sweep(std::int32_t CurrentFrame, int Extent, bool Backwards) {
  const int c = std::clamp<std::int32_t>(CurrentFrame, 0, Extent);
  return {Backwards ? Extent - c : c, CurrentFrame >= Extent};
}

void Uncover(TBitmap* Frame, TBitmap* To, const TRect& R) { fx::CopyFrom(Frame, To, R, R); }

// From, left out where To's bands will lie: the spans along the sweep, as
// deep across it as both the frame and To reach. Any other frame rectangle
// gets From whole.
void CopyFromBeside(TBitmap* Frame, TBitmap* From, TBitmap* To, const TFXParams& Params,
                    std::initializer_list<fx::TSpan> Spans) {
  if (!fx::IsWhole(*Frame, Params.FrameRect)) {
    Uncover(Frame, From, Params.FrameRect);
    return;
  }
  const bool horizontal = fx::IsHorizontal(Params.Modifier);
  const int depth = horizontal ? std::min(Frame->Height(), To->Height()) : std::min(Frame->Width(), To->Width());
  fx::CopyFromBeside(Frame, From, Spans, horizontal, depth);
}

// Whether a sweep along rows can be composed a row at a time.
bool SweepsRows(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return fx::IsHorizontal(Params.Modifier) && fx::OneSizeApart(Frame, From, To, Params.FrameRect);
}

// From everywhere but the spans of columns First and Second (in order, apart,
// inside the frame), To on them, each row written once from left to right:
// the same frame as From beside the spans and To over them, without taking
// the pictures in column blocks.
void SweepRows(TBitmap* Frame, TBitmap* From, TBitmap* To, fx::TSpan First, fx::TSpan Second) {
  const int W = Frame->Width();
  fx::ComposeRowPieces(Frame,
                       {{From, 0, 0, First.First},
                        {To, First.First, First.First, First.Last - First.First},
                        {From, First.Last, First.Last, Second.First - First.Last},
                        {To, Second.First, Second.First, Second.Last - Second.First},
                        {From, Second.Last, Second.Last, W - Second.Last}},
                       Frame->Height());
}

// One boundary: from the right edge (column w) leftwards, from the left edge
// rightwards, from the bottom (row h) upwards or from the top downwards.
bool MonoReveal(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, bool Backwards) {
  const int W = Frame->Width(), H = Frame->Height();
  const bool horizontal = fx::IsHorizontal(Params.Modifier);
  const int extent = horizontal ? std::min(W, To->Width()) : std::min(H, To->Height());
  const TSweep sweep = Sweep(Params.CurrentFrame, extent, Backwards);
  const bool fromFarEnd = fx::TowardStart(Params.Modifier);
  const fx::TSpan span = fromFarEnd ? fx::TSpan{extent - sweep.Shown, extent} : fx::TSpan{0, sweep.Shown};
  if (SweepsRows(From, To, Frame, Params)) {
    SweepRows(Frame, From, To, span, {W, W});
    return sweep.Finished;
  }
  CopyFromBeside(Frame, From, To, Params, {span});
  Uncover(Frame, To, fx::Band(span, horizontal, W, H));
  return sweep.Finished;
}

// Two boundaries, placed where the halves of a crush land: outwards from the
// centre line, or inwards from both edges.
bool Reveal(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, bool Backwards) {
  const int W = Frame->Width(), H = Frame->Height();
  const bool horizontal = fx::IsHorizontal(Params.Modifier);
  const int m = (horizontal ? std::min(W, To->Width()) : std::min(H, To->Height())) / 2;
  const TSweep sweep = Sweep(Params.CurrentFrame, m, Backwards);
  const bool outwards = fx::TowardStart(Params.Modifier);
  const fx::TCentreBands bands = fx::CentreBands(m, sweep.Shown, outwards);
  if (SweepsRows(From, To, Frame, Params)) {
    SweepRows(Frame, From, To, bands.First, bands.Second);
    return sweep.Finished;
  }
  CopyFromBeside(Frame, From, To, Params, {bands.First, bands.Second});
  Uncover(Frame, To, fx::Band(bands.First, horizontal, W, H));
  Uncover(Frame, To, fx::Band(bands.Second, horizontal, W, H));
  return sweep.Finished;
}

}  // namespace

bool FXMonoReveal(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return MonoReveal(From, To, Frame, Params, false);
}

bool FXReverseMonoReveal(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return MonoReveal(From, To, Frame, Params, true);
}

bool FXReveal(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return Reveal(From, To, Frame, Params, false);
}

bool FXReverseReveal(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return Reveal(From, To, Frame, Params, true);
}

}  // namespace tweenery
