// Frame generation, run set-up and painting.
#include <algorithm>
#include <cmath>
#include <limits>

#include "tweenkit/Tweenery.h"
#include "tweenkit/effects/PixelMix.h"

namespace tweenery {
namespace {

bool IsDirection(TTransitionModifier Modifier) {
  return Modifier == tmLeft || Modifier == tmRight || Modifier == tmUp || Modifier == tmDown;
}

// Whether the effect writes every pixel of a frame of From's size, so that
// no pixel of the Color fill beneath it could show. Only pictures of one
// size qualify; each operation listed either starts with a whole-frame copy
// of one picture (Iris, MonoSlider, Glide, Roll, Swarm, Replace,
// Checkerboard, Blinds across rows), tiles the frame with copies whose
// spans add up to its extent (Push, the reveals, Crush, Slider and Strip,
// whose bands and background between them reach every row and column;
// Squeeze, whose centre, bands and corners meet edge to edge), stretches
// its reduced picture, while halvings leave one, over the whole frame
// (Mosaic), composes
// every row from the leaving picture with the entering one through a mask
// (Blinds across columns, Spiral, CheckerBlinds, StripedIris, the random
// bars, whose last frames copy the entering picture whole), lays the still
// picture's rows with the moving one's strip combined in (the shades), or
// rewrites the whole frame from a picture's pixel buffer (Fade, Blend, RGB,
// RGBBlend). Everything else keeps the fill.
bool CoversWholeFrame(TTransitionOperation Operation, const TFXParams& Params, TBitmap& From, TBitmap& To,
                      const TBitmap& Frame) {
  if (From.Width() != To.Width() || From.Height() != To.Height() || !IsDirection(Params.Modifier)) return false;
  switch (Operation) {
    case toMosaic:
      return MosaicCoversFrame(&From, &To, Frame, Params);
    case toPush: case toCheckerboard: case toCrush: case toMonoReveal: case toReveal: case toIris:
    case toMonoSlider: case toFade: case toBlend: case toGlide: case toReplace: case toRGB: case toRGBBlend:
    case toSwarm: case toRoll: case toBlinds: case toSlider: case toStrip: case toSpiral: case toCheckerBlinds:
    case toStripedIris: case toSqueeze: case toRandomBars: case toTwinRandomBars: case toShade:
    case toShadeContinue:
      return true;
    default:
      return false;
  }
}

// The part of a frame of From's size that the effect writes over whatever
// the fill left there, over pictures of other sizes too; empty where any
// pixel of the fill may show. The striped iris, composing rows over a whole
// frame, writes every pixel its leaving picture reaches (that picture, or a
// ring side of the entering one) and leaves the fill between the rings past
// it; Zoom writes the inset its picture shrinks into, the fill showing
// around it.
TRect SurelyWritten(TTransitionOperation Operation, const TFXParams& Params, TBitmap& From, TBitmap& To,
                    const TBitmap& Frame) {
  if (Operation == toZoom) return ZoomWrittenRect(&From, &To, Frame, Params);
  if (Operation != toStripedIris) return Rect(0, 0, 0, 0);
  const TBitmap& leaving = Params.Reverse ? To : From;
  return Rect(0, 0, std::min(From.Width(), leaving.Width()), std::min(From.Height(), leaving.Height()));
}

// Fills Frame except the part Written (inside it): the rows above and below
// it whole, the columns beside it on its own rows.
void FillAround(TCanvas* Canvas, const TRect& Frame, const TRect& Written) {
  if (Written.Left >= Written.Right || Written.Top >= Written.Bottom) {
    Canvas->FillRect(Frame);
    return;
  }
  if (Written.Top > Frame.Top) Canvas->FillRect(Rect(Frame.Left, Frame.Top, Frame.Right, Written.Top));
  if (Written.Left > Frame.Left) Canvas->FillRect(Rect(Frame.Left, Written.Top, Written.Left, Written.Bottom));
  if (Written.Right < Frame.Right) Canvas->FillRect(Rect(Written.Right, Written.Top, Frame.Right, Written.Bottom));
  if (Written.Bottom < Frame.Bottom) Canvas->FillRect(Rect(Frame.Left, Written.Bottom, Frame.Right, Frame.Bottom));
}

// Whether the effect sizes the frame like one of the pictures and then
// writes every pixel of it, reading none of the frame's own: the frame's
// size and the Color fill beforehand cannot show. On their row route, Fade
// and RGB write the shown picture's whole area and RGBBlend its base
// picture's; Blend writes the area both pictures cover in a frame sized like
// To, which is all of it when To is no larger than From. (A failed transfer
// on the buffer route leaves the frame as it was before the mix, which must
// then be the fill at From's size.) Over pictures of other sizes, Spiral
// sizes the frame like its entering picture and first copies the leaving one
// over it, which covers it when the leaving picture is the larger.
bool SizesAndCoversFrame(TTransitionOperation Operation, const TFXParams& Params, const TBitmap& From,
                         const TBitmap& To) {
  switch (Operation) {
    case toFade: case toRGB: case toRGBBlend:
      return fx::MixesRows(fx::mrRows, {&From, &To});
    case toBlend:
      return To.Width() <= From.Width() && To.Height() <= From.Height() && fx::MixesRows(fx::mrRows, {&From, &To});
    case toSpiral: {
      const TBitmap& entering = Params.Reverse ? From : To;
      const TBitmap& leaving = Params.Reverse ? To : From;
      const bool oneSize = From.Width() == To.Width() && From.Height() == To.Height();
      return !oneSize && leaving.Width() >= entering.Width() && leaving.Height() >= entering.Height();
    }
    default:
      return false;
  }
}

}  // namespace

void TTweenery::GenerateFrame() {
  if (FFromBitmap->Empty() || FToBitmap->Empty()) return;
  bool finished = false;
  try {
    finished = ComposeFrame();
  } catch (...) {
    // The control shows whatever was drawn; the failure goes to the caller.
    Invalidate();
    throw;
  }
  Invalidate();
  if (finished && FActive) {
    Stop();
    Done();
  }
}

bool TTweenery::ComposeFrame() {
  const TRect frameRect = Rect(0, 0, FFromBitmap->Width(), FFromBitmap->Height());
  // An effect that sizes the frame itself and covers it needs neither the
  // size nor the fill. Otherwise the frame is sized in one step rather than
  // height then width, as each step moves the kept rows: the frame is
  // private, so no handler could see the step between.
  const bool effectSizes = SizesAndCoversFrame(FOperation, FParams, *FFromBitmap, *FToBitmap);
  if (!effectSizes) FFrameBitmap->SetSize(frameRect.Right, frameRect.Bottom);
  TCanvas* canvas = FFrameBitmap->Canvas();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(FParams.Color);
  if (!effectSizes && !CoversWholeFrame(FOperation, FParams, *FFromBitmap, *FToBitmap, *FFrameBitmap))
    FillAround(canvas, frameRect, SurelyWritten(FOperation, FParams, *FFromBitmap, *FToBitmap, *FFrameBitmap));
  FParams.FrameRect = frameRect;
  if (FParams.CurrentFrame < 0) FParams.CurrentFrame = 0;
  const TFXDispatchEntry& row = FXDispatch[FOperation];
  const TFXFunction effect = FParams.Reverse ? row.Reverse : row.Forward;
  return effect(FFromBitmap.get(), FToBitmap.get(), FFrameBitmap.get(), FParams);
}

void TTweenery::SetupFX() {
  switch (FOperation) {
    case toRandomBars: {
      auto* state = static_cast<TRandomBarsFXState*>(FParams.State);
      state->Done(&FParams);
      state->BarCount = (FParams.Modifier == tmLeft || FParams.Modifier == tmRight) ? Width() : Height();
      state->Init(&FParams);
      break;
    }
    case toTwinRandomBars: {
      auto* state = static_cast<TTwinRandomBarsFXState*>(FParams.State);
      state->Done(&FParams);
      state->BarCount = std::max(Width(), Height());
      state->Init(&FParams);
      break;
    }
    default:
      FParams.CurrentFrame = -1;
      break;
  }
}

namespace {

// Nearest integer, halves to even, kept inside int's range.
int RoundHalfEven(double Value) {
  const double r = std::nearbyint(Value);
  if (!(r > std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  if (r > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(r);
}

}  // namespace

void TTweenery::Paint() {
  const int W = Width(), H = Height();
  TCanvas* canvas = Canvas();
  if (FFromBitmap->Empty() || FToBitmap->Empty()) {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(clBtnFace);
    canvas->FillRect(Rect(0, 0, W, H));
    if (IsDesigning()) {
      canvas->Pen()->SetStyle(psDash);
      canvas->Brush()->SetStyle(bsClear);
      canvas->Rectangle(0, 0, W - 1, H - 1);
    }
    return;
  }
  if (!FStretch) {
    // Anchored top-left and unscaled. Where the control is larger than the
    // frame, the copy has no source and the host's surface shows through.
    canvas->CopyRect(Rect(0, 0, W, H), FFrameBitmap->Canvas(), Rect(0, 0, W, H));
    return;
  }
  if (!FMaintainAspectRatio) {
    canvas->StretchDraw(Rect(0, 0, W, H), FFrameBitmap.get());
    return;
  }
  const double bw = FFrameBitmap->Width(), bh = FFrameBitmap->Height();
  const double xr = bw / W, yr = bh / H;
  int dw, dh;
  if (xr > yr) {
    dw = RoundHalfEven(bw / yr);
    dh = H;
    if (dw > W) {
      dw = RoundHalfEven(bw / xr);
      dh = RoundHalfEven(bh / xr);
    }
  } else if (xr == 0) {
    dw = W;
    dh = H;
  } else {
    dw = W;
    dh = RoundHalfEven(bh / xr);
    if (dh > H) {
      dw = RoundHalfEven(bw / yr);
      dh = RoundHalfEven(bh / yr);
    }
  }
  const int left = (W - dw) / 2, top = (H - dh) / 2;
  canvas->StretchDraw(Rect(left, top, left + dw, top + dh), FFrameBitmap.get());
}

void TTweenery::Clear() { Canvas()->FillRect(ClientRect()); }

}  // namespace tweenery
