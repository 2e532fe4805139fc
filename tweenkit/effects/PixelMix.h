// The frame of the colour-mixing effects: whole pictures read into 24-bit
// pixel buffers, mixed in place, and written into the frame bitmap.
#pragma once

#include <algorithm>
#include <functional>

#include "tweenkit/Tweenery.h"

namespace tweenery::fx {

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
