// Zoom, mosaic and replace: whole pictures drawn by the stretching copy
// alone, no pixel arithmetic of their own.
#include "tweenkit/effects/FXCommon.h"

#include <algorithm>
#include <cstdint>

namespace tweenery {

namespace {

// The picture shown while the transition is still in its leaving phase, and
// the one shown after; Reverse plays the pair the other way round.
TBitmap* PhasePicture(TBitmap* From, TBitmap* To, bool Reverse, bool Leaving) {
  return Leaving != Reverse ? From : To;
}

// Width (or height) after n halvings; a count past the width's bits leaves
// nothing, which the shift itself would not promise.
int Halved(int Extent, std::int64_t n) {
  return n >= 31 ? 0 : static_cast<int>(static_cast<std::uint32_t>(Extent) >> n);
}

}  // namespace

namespace {

// One frame of Zoom: the whole of Picture's top-left w x h (Source)
// stretched into the inset rectangle Dest.
struct TZoomStep {
  TBitmap* Picture;
  TRect Source, Dest;
  bool Finished;
};

TZoomStep ZoomStep(TBitmap* From, TBitmap* To, const TBitmap& Frame, const TFXParams& Params) {
  const int w = std::min(Frame.Width(), To->Width()), h = std::min(Frame.Height(), To->Height());
  const int m = std::min(w, h), half = m / 2;
  std::int64_t c = fx::FrameIndex(Params);
  TBitmap* picture = PhasePicture(From, To, Params.Reverse, c <= half);
  const bool finished = c >= m;
  if (finished) c = m;
  // The inset shrinks one pixel a side per frame, then grows back.
  const int inset = static_cast<int>(c <= half ? c : m - c);
  return {picture, Rect(0, 0, w, h), Rect(inset, inset, w - inset, h - inset), finished};
}

// The side of Mosaic's reduced picture at frame index c, and the picture.
struct TMosaicStep {
  TBitmap* Picture;
  int Width, Height;
  bool Finished;
};

TMosaicStep MosaicStep(TBitmap* From, TBitmap* To, const TBitmap& Frame, const TFXParams& Params) {
  const std::int64_t D = fx::PositiveDelta(Params.Delta);
  std::int64_t c = fx::FrameIndex(Params);
  const bool finished = c >= 2 * D;
  if (finished) c = 2 * D;
  TBitmap* picture = PhasePicture(From, To, Params.Reverse, c <= D);
  const std::int64_t n = c <= D ? c : 2 * D - c;
  return {picture, Halved(Frame.Width(), n), Halved(Frame.Height(), n), finished};
}

}  // namespace

bool FXZoom(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const TZoomStep step = ZoomStep(From, To, *Frame, Params);
  fx::CopyFrom(Frame, step.Picture, step.Source, step.Dest);
  return step.Finished;
}

TRect ZoomWrittenRect(TBitmap* From, TBitmap* To, const TBitmap& Frame, const TFXParams& Params) {
  const TZoomStep step = ZoomStep(From, To, Frame, Params);
  const bool draws = step.Source.Right > 0 && step.Source.Bottom > 0 && step.Dest.Left < step.Dest.Right &&
                     step.Dest.Top < step.Dest.Bottom && !step.Picture->Empty();
  return draws ? step.Dest : Rect(0, 0, 0, 0);
}

bool FXMosaic(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const TMosaicStep step = MosaicStep(From, To, *Frame, Params);
  const int W = Frame->Width(), H = Frame->Height();
  const int sw = step.Width, sh = step.Height;
  const TRect full = Rect(0, 0, W, H);
  if (sw == W && sh == H && fx::IsWhole(*step.Picture, full)) {
    // Not reduced yet: the scratch would be a copy of the picture.
    fx::CopyFrom(Frame, step.Picture, full, full);
    return step.Finished;
  }
  // The reduced picture lives only in its sw x sh rectangle centred in the
  // frame; a scratch bitmap of just that size maps every pixel the same way
  // as one of the frame's size would, without filling a whole frame of
  // scratch pixels per frame.
  const TRect small = Rect((W - sw) / 2, (H - sh) / 2, (W + sw) / 2, (H + sh) / 2);
  TBitmap scratch;
  // A picture that covers the frame sets every scratch pixel, so the
  // scratch need not be made black first; a smaller one leaves black where
  // it does not reach.
  if (fx::IsWhole(*step.Picture, full))
    scratch.SetSizeForOverwrite(small.Width(), small.Height());
  else
    scratch.SetSize(small.Width(), small.Height());
  const TRect whole = Rect(0, 0, scratch.Width(), scratch.Height());
  scratch.Canvas()->CopyRect(whole, step.Picture->Canvas(), full);
  fx::CopyFrom(Frame, &scratch, whole, full);
  return step.Finished;
}

bool MosaicCoversFrame(TBitmap* From, TBitmap* To, const TBitmap& Frame, const TFXParams& Params) {
  const TMosaicStep step = MosaicStep(From, To, Frame, Params);
  return step.Width > 0 && step.Height > 0 && !step.Picture->Empty();
}

bool FXReplace(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  std::int32_t c = fx::FrameIndex(Params);
  const bool finished = c > 1;
  if (finished) c = 1;
  // The cut happens at frame 1: frame 0 is the leaving picture.
  TBitmap* picture = PhasePicture(From, To, Params.Reverse, c == 0);
  fx::CopyFrom(Frame, picture, Params.FrameRect, Params.FrameRect);
  return finished;
}

}  // namespace tweenery
