// Shade: a glide in two halves whose moving picture is combined with the one
// beneath by exclusive-or. The entering picture A glides in over the leaving
// picture B; then A lies still and B glides away over it, back the way A
// came (shade) or on in the same direction (shade-continue).
#include "tweenkit/effects/FXCommon.h"

#include <algorithm>
#include <cstdint>

namespace tweenery {

namespace {

struct TStrip {
  TRect Dest, Source;
};

// The strip of A over B after A has travelled c pixels of the first half.
// Source and destination are measured with the frame's size, also when A
// has another one.
TStrip Arrived(TTransitionModifier Modifier, int c, int W, int H, int w, int h) {
  switch (Modifier) {
    case tmLeft: return {Rect(W - c, 0, W, h), Rect(0, 0, c, h)};
    case tmRight: return {Rect(0, 0, c, h), Rect(W - c, 0, W, h)};
    case tmUp: return {Rect(0, H - c, w, H), Rect(0, 0, w, c)};
    case tmDown: break;
  }
  return {Rect(0, 0, w, c), Rect(0, H - c, w, H)};
}

// B moving on in A's direction, c pixels into the second half, covers what A
// moving the opposite way would cover with as much left to travel.
TStrip LeavingOnwards(TTransitionModifier Modifier, int c, int W, int H, int w, int h) {
  const bool horizontal = Modifier == tmLeft || Modifier == tmRight;
  return Arrived(fx::Opposite(Modifier), (horizontal ? 2 * W : 2 * H) - c, W, H, w, h);
}

// B going back out the way A came is the same strip seen from the other
// side: destination and source exchange.
TStrip LeavingBack(TTransitionModifier Modifier, int c, int W, int H, int w, int h) {
  const TStrip onwards = LeavingOnwards(Modifier, c, W, H, w, h);
  return {onwards.Source, onwards.Dest};
}

// Copies with exclusive-or and puts the canvas's own copy mode back, also
// when the copy raises.
void CopyInverted(TBitmap* Frame, TBitmap* Picture, const TStrip& Strip) {
  TCanvas* canvas = Frame->Canvas();
  struct TRestore {
    TCanvas* Canvas;
    TCopyMode Mode;
    ~TRestore() { Canvas->SetCopyMode(Mode); }
  } restore{canvas, canvas->CopyMode()};
  canvas->SetCopyMode(cmSrcInvert);
  fx::CopyFrom(Frame, Picture, Strip.Source, Strip.Dest);
}

using TLeaving = TStrip (*)(TTransitionModifier, int, int, int, int, int);

bool Shade(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, TLeaving Leaving) {
  const auto [A, B] = fx::EnteringAndLeaving(From, To, Params.Reverse);
  const int W = Frame->Width(), H = Frame->Height();
  const int w = std::min(W, A->Width()), h = std::min(H, A->Height());
  const bool horizontal = Params.Modifier == tmLeft || Params.Modifier == tmRight;
  const int half = horizontal ? W : H;
  // Twice a frame's extent stays within int: bitmaps hold at most 2^28 pixels.
  const bool finished = Params.CurrentFrame > 2 * half;
  const int c = finished ? 2 * half : Params.CurrentFrame;

  if (c <= half) {
    fx::CopyFrom(Frame, B, Params.FrameRect, Params.FrameRect);
    CopyInverted(Frame, A, Arrived(Params.Modifier, c, W, H, w, h));
  } else {
    fx::CopyFrom(Frame, A, Params.FrameRect, Params.FrameRect);
    CopyInverted(Frame, B, Leaving(Params.Modifier, c, W, H, w, h));
  }
  return finished;
}

}  // namespace

bool FXShade(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return Shade(From, To, Frame, Params, LeavingBack);
}

bool FXShadeContinue(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return Shade(From, To, Frame, Params, LeavingOnwards);
}

}  // namespace tweenery
