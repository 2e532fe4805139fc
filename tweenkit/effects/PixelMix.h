// The frame of the colour-mixing effects: whole pictures read into 24-bit
// pixel buffers, mixed in place, and written into the frame bitmap; or,
// where that draws the same frame, mixed straight from the pictures' 32-bit
// rows into the frame's in one pass.
#pragma once

#include <algorithm>
#include <functional>
#include <initializer_list>

#include "tweenkit/Tweenery.h"
#include "tweenkit/effects/MixRows.h"

namespace tweenery::fx {

// How a colour mix reaches the frame: straight on the rows with the
// processor's widest kernels or with portable loops, or always through the
// 24-bit buffers, which the row routes must match pixel for pixel.
enum TMixRoute { mrRows, mrPlainRows, mrBuffers };

// The colour mixes by a chosen route; FXFade, FXBlend, FXRGB and FXRGBBlend
// take mrRows.
bool Fade(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, TMixRoute Route);
bool Blend(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, TMixRoute Route);
bool RGB(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, TMixRoute Route);
bool RGBBlend(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, TMixRoute Route);

// Whether a mix reading Pictures may skip the buffers: Route allows it,
// every picture can be read (an empty one raises through the buffers), and
// no injected transfer failure is due.
bool MixesRows(TMixRoute Route, std::initializer_list<const TBitmap*> Pictures);
const TRowKernels& RowKernels(TMixRoute Route);

// Whether resizing Frame before the mix leaves Picture's pixels unread: it
// is another bitmap, or its size does not change.
inline bool SizingSpares(const TBitmap* Frame, const TBitmap* Picture, const TBitmap* SizedLike) {
  return Frame != Picture || (Picture->Width() == SizedLike->Width() && Picture->Height() == SizedLike->Height());
}

// Calls Mix(row, count) for rows First to Last - 1, Width pixels from the
// row start each; as one run from row First when the rows of every bitmap
// involved are Width long and so lie back to back.
template <class MixRun>
void ForEachRun(int First, int Last, int Width, bool BackToBack, MixRun&& Mix) {
  if (First >= Last || Width <= 0) return;
  if (BackToBack) {
    // Bitmaps hold at most 2^28 pixels: the count fits.
    Mix(First, (Last - First) * Width);
    return;
  }
  for (int y = First; y < Last; ++y) Mix(y, Width);
}

// Reads Picture's pixels and hands them to Mix; the buffer is then written
// into Frame (and so freed) even when Mix raises. A failed read raises before
// Mix runs and leaves Frame as it was.
void MixPixels(TBitmap* Picture, TBitmap* Frame, const std::function<void(PixelBuffer& Pixels)>& Mix);

// The same with a second picture whose pixels Mix only reads: Other's buffer
// is freed and Base's written into Frame, also when Mix raises; when Other
// cannot be read, Base's buffer is freed before the error goes on.
void MixPixels(TBitmap* Base, TBitmap* Other, TBitmap* Frame,
               const std::function<void(PixelBuffer& Base, const PixelBuffer& Other)>& Mix);

// The picture a two-half effect shows at frame CF: the leaving picture up to
// LastOfFirstHalf, the entering one after it (judged before any clamping).
inline TBitmap* HalfPicture(TBitmap* From, TBitmap* To, int CF, int LastOfFirstHalf, bool Reverse) {
  return (CF > LastOfFirstHalf) != Reverse ? To : From;
}

// The frame takes Picture's size, height first, before pixels go into it.
inline void SizeFrameLike(TBitmap* Frame, const TBitmap* Picture) {
  Frame->SetHeight(Picture->Height());
  Frame->SetWidth(Picture->Width());
}

// CF held within 0 to Last; Finished once it reaches Last.
inline int ClampedFrame(int CF, int Last, bool& Finished) {
  Finished = CF >= Last;
  return std::clamp(CF, 0, Last);
}

// A picture row, counted top-down, of a bottom-up buffer.
inline std::uint8_t* PictureRow(const PixelBuffer& Buffer, int Y) {
  return PixelAddress(Buffer.Bits, Buffer.Header, Buffer.Header.biHeight - 1 - Y, 0);
}

}  // namespace tweenery::fx
