// Push: the entering picture slides in and pushes the leaving one out.
#include "tweenkit/effects/FXCommon.h"

#include <algorithm>

namespace tweenery {

bool FXPush(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const auto [E, L] = fx::EnteringAndLeaving(From, To, Params.Reverse);
  const TTransitionModifier direction = Params.Reverse ? fx::Opposite(Params.Modifier) : Params.Modifier;
  const int W = Frame->Width(), H = Frame->Height();
  const bool horizontal = fx::IsHorizontal(direction);
  const int extent = horizontal ? W : H;
  int c = fx::FrameIndex(Params);
  const bool finished = c > extent;
  if (finished) c = extent;

  if (horizontal && fx::OneSizeApart(Frame, E, L, Params.FrameRect)) {
    // Each row then is the two pictures side by side, laid once from left to
    // right.
    if (direction == tmLeft)
      fx::ComposeRowPieces(Frame, {{L, 0, c, W - c}, {E, W - c, 0, c}}, H);
    else
      fx::ComposeRowPieces(Frame, {{E, 0, W - c, c}, {L, c, 0, W - c}}, H);
    return finished;
  }

  switch (direction) {
    case tmLeft: {
      const int h = std::min(H, E->Height());
      fx::CopyFrom(Frame, E, Rect(0, 0, c, h), Rect(W - c, 0, W, h));
      fx::CopyFrom(Frame, L, Rect(c, 0, W, h), Rect(0, 0, W - c, h));
      break;
    }
    case tmRight: {
      const int h = std::min(H, E->Height());
      fx::CopyFrom(Frame, E, Rect(W - c, 0, W, h), Rect(0, 0, c, h));
      fx::CopyFrom(Frame, L, Rect(0, 0, W - c, h), Rect(c, 0, W, h));
      break;
    }
    case tmUp: {
      const int w = std::min(W, E->Width());
      fx::CopyFrom(Frame, E, Rect(0, 0, w, c), Rect(0, H - c, w, H));
      fx::CopyFrom(Frame, L, Rect(0, c, w, H), Rect(0, 0, w, H - c));
      break;
    }
    case tmDown: {
      const int w = std::min(W, E->Width());
      const int Eh = E->Height();
      fx::CopyFrom(Frame, E, Rect(0, Eh - c, w, Eh), Rect(0, 0, w, c));
      fx::CopyFrom(Frame, L, Rect(0, 0, w, H - c), Rect(0, c, w, H));
      break;
    }
  }
  return finished;
}

}  // namespace tweenery
