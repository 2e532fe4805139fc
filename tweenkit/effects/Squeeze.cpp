// Squeeze: the To picture grows out of the centre while the From picture is
// squeezed into an ever thinner border around it. The reverse plays the same
// film backwards.
#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

namespace {

// Half the smaller side: the distance the border travels.
int SqueezeTravel(int W, int H) { return H < W ? H / 2 : W / 2; }

// The frame at distance F (0 <= F <= A) from the start: To stretched into
// the centre, the From picture's edge bands and corners stretched into the
// border that is left.
void DrawSqueeze(TBitmap* From, TBitmap* To, TBitmap* Frame, int A, int F) {
  const int W = Frame->Width(), H = Frame->Height();
  const int in = A - F;                    // border thickness
  const int right = W - A + F, bottom = H - A + F;
  fx::CopyFrom(Frame, To, Rect(0, 0, W, H), Rect(in, in, right, bottom));
  // Bands: top, right, bottom, left.
  fx::CopyFrom(Frame, From, Rect(in, 0, right, A), Rect(in, 0, right, in));
  fx::CopyFrom(Frame, From, Rect(W - A, in, W, bottom), Rect(right, in, W, bottom));
  fx::CopyFrom(Frame, From, Rect(in, H - A, right, H), Rect(in, bottom, right, H));
  fx::CopyFrom(Frame, From, Rect(0, in, A, bottom), Rect(0, in, in, bottom));
  // Corners: top-left, top-right, bottom-right, bottom-left.
  fx::CopyFrom(Frame, From, Rect(0, 0, A, A), Rect(0, 0, in, in));
  fx::CopyFrom(Frame, From, Rect(W - A, 0, W, A), Rect(right, 0, W, in));
  fx::CopyFrom(Frame, From, Rect(W - A, H - A, W, H), Rect(right, bottom, W, H));
  fx::CopyFrom(Frame, From, Rect(0, H - A, A, H), Rect(0, bottom, in, H));
}

}  // namespace

bool FXSqueeze(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const int a = SqueezeTravel(Frame->Width(), Frame->Height());
  int F = fx::FrameIndex(Params);
  const bool finished = F > a;
  if (finished) F = a;
  DrawSqueeze(From, To, Frame, a, F);
  return finished;
}

bool FXReverseSqueeze(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const int a = SqueezeTravel(Frame->Width(), Frame->Height());
  int F = fx::FrameIndex(Params);
  const bool finished = F > a;
  if (finished) F = a;
  DrawSqueeze(From, To, Frame, a, a - F);
  // The squeezed To picture would otherwise stay in the centre.
  if (finished) fx::CopyFrom(Frame, From, Params.FrameRect, Params.FrameRect);
  return finished;
}

}  // namespace tweenery
