// Glide: the To picture slides over a motionless From picture, in from an
// edge (forward) or out across it (reverse).
#include "tweenkit/effects/FXCommon.h"

#include <algorithm>

namespace tweenery {

namespace {

struct TStrip {
  TRect Dest, Source;
};

// The distance travelled, held at the frame's extent along the motion;
// Finished once the frame number has gone past it.
struct TTravel {
  int Distance;
  bool Finished;
};
TTravel Travel(const TFXParams& Params, int Extent) {
  const bool finished = fx::FrameIndex(Params) > Extent;
  return {finished ? Extent : fx::FrameIndex(Params), finished};
}

// The part of the To picture that has come in after travelling c pixels.
TStrip Entered(TTransitionModifier Modifier, int c, int W, int H, const TBitmap& To) {
  const int TW = To.Width(), TH = To.Height();
  const int w = std::min(W, TW), h = std::min(H, TH);
  switch (Modifier) {
    case tmLeft: return {Rect(W - c, 0, W, h), Rect(0, 0, c, h)};
    case tmRight: return {Rect(0, 0, c, h), Rect(TW - c, 0, TW, h)};
    case tmUp: return {Rect(0, H - c, w, H), Rect(0, 0, w, c)};
    case tmDown: break;
  }
  return {Rect(0, 0, w, c), Rect(0, TH - c, w, TH)};
}

// The part of the To picture still in the frame after it has travelled c
// pixels back out; measured with the frame's size throughout.
TStrip Remaining(TTransitionModifier Modifier, int c, int W, int H, const TBitmap& To) {
  const int w = std::min(W, To.Width()), h = std::min(H, To.Height());
  switch (Modifier) {
    case tmLeft: return {Rect(c, 0, W, h), Rect(0, 0, W - c, h)};
    case tmRight: return {Rect(0, 0, W - c, h), Rect(c, 0, W, h)};
    case tmUp: return {Rect(0, c, w, H), Rect(0, 0, w, H - c)};
    case tmDown: break;
  }
  return {Rect(0, 0, w, H - c), Rect(0, c, w, H)};
}

template <class StripOf>
bool Glide(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, StripOf&& Strip) {
  const int W = Frame->Width(), H = Frame->Height();
  const bool horizontal = fx::IsHorizontal(Params.Modifier);
  const TTravel travel = Travel(Params, horizontal ? W : H);
  const TStrip strip = Strip(Params.Modifier, travel.Distance, W, H, *To);
  if (horizontal && fx::OneSizeApart(Frame, From, To, Params.FrameRect)) {
    // Each row then is From, the strip, From, laid once from left to right.
    const int left = strip.Dest.Left, right = strip.Dest.Right;
    fx::ComposeRowPieces(Frame,
                         {{From, 0, 0, left}, {To, left, strip.Source.Left, right - left},
                          {From, right, right, W - right}},
                         H);
    return travel.Finished;
  }
  if (fx::OneSize(*Frame, *From, *To, Params.FrameRect)) {
    // The strip then spans the frame across the motion and lands whole:
    // From goes only beside it.
    const fx::TSpan covered = horizontal ? fx::TSpan{strip.Dest.Left, strip.Dest.Right}
                                         : fx::TSpan{strip.Dest.Top, strip.Dest.Bottom};
    fx::CopyFromBeside(Frame, From, {covered}, horizontal, horizontal ? H : W);
  } else {
    fx::CopyFrom(Frame, From, Params.FrameRect, Params.FrameRect);
  }
  fx::CopyFrom(Frame, To, strip.Source, strip.Dest);
  return travel.Finished;
}

}  // namespace

bool FXGlide(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return Glide(From, To, Frame, Params, Entered);
}

bool FXReverseGlide(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return Glide(From, To, Frame, Params, Remaining);
}

}  // namespace tweenery
