// Iris: a centred rectangular aperture opens on the entering picture or
// closes on the leaving one. All four sides move one pixel per frame, so a
// non-square frame opens from a centred line rather than a point.
#include "tweenkit/effects/FXCommon.h"

#include <algorithm>

namespace tweenery {

bool FXIris(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const auto [E, L] = fx::EnteringAndLeaving(From, To, Params.Reverse);
  const int W = Frame->Width(), H = Frame->Height();
  const int k = std::min(W, H) / 2;  // frames the aperture needs
  const bool finished = fx::FrameIndex(Params) >= k;
  const int c = finished ? k : fx::FrameIndex(Params);
  if (fx::OneSize(*Frame, *E, *L, Params.FrameRect)) {
    // The aperture then lies inside the frame, and each side of its edge
    // is drawn once.
    if (fx::TowardStart(Params.Modifier))
      fx::CopyAround(Frame, L, E, Rect(k - c, k - c, W - k + c, H - k + c));
    else
      fx::CopyAround(Frame, E, L, c < k ? Rect(c, c, W - c, H - c) : TRect{});
    return finished;
  }

  fx::CopyFrom(Frame, L, Params.FrameRect, Params.FrameRect);
  const int wE = std::min(W, E->Width()), hE = std::min(H, E->Height());

  // With an entering picture smaller than the frame these rectangles may come
  // out reversed; they go to CopyRect as they are, source and destination
  // alike, so the copy is not mirrored.
  if (fx::TowardStart(Params.Modifier)) {
    const TRect aperture = Rect(k - c, k - c, wE - k + c, hE - k + c);
    fx::CopyFrom(Frame, E, aperture, aperture);
  } else {
    const TRect entering = Rect(0, 0, wE, hE);
    fx::CopyFrom(Frame, E, entering, entering);
    if (c < k) {
      const TRect aperture = Rect(c, c, wE - c, hE - c);
      fx::CopyFrom(Frame, L, aperture, aperture);
    }
  }
  return finished;
}

}  // namespace tweenery
