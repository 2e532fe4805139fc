#include "media/Alpha.h"

#include <algorithm>

#include "media/Errors.h"

namespace tweenery {

namespace {

// A premultiplied channel divided by its alpha, rounded; none where the
// pixel is wholly transparent.
std::uint32_t Straight(std::uint32_t Channel, std::uint32_t Alpha) {
  if (Alpha == 0) return 0;
  return std::min<std::uint32_t>(255, (Channel * 255 + Alpha / 2) / Alpha);
}

}  // namespace

void CarryAlpha(const TBitmap& Colour, const TBitmap& Alpha, TBitmap& Out) {
  if (Alpha.Width() != Colour.Width() || Alpha.Height() != Colour.Height())
    throw EToolFailure("the alpha of a frame is " + std::to_string(Alpha.Width()) + " x " +
                       std::to_string(Alpha.Height()) + ", its colour " + std::to_string(Colour.Width()) + " x " +
                       std::to_string(Colour.Height()));
  if (Out.Width() != Colour.Width() || Out.Height() != Colour.Height()) Out.SetSize(Colour.Width(), Colour.Height());
  for (int y = 0; y < Colour.Height(); ++y) {
    const std::uint32_t* c = Colour.ScanLine(y);
    const std::uint32_t* a = Alpha.ScanLine(y);
    std::uint32_t* out = Out.ScanLine(y);
    for (int x = 0; x < Colour.Width(); ++x) {
      // Grey in, but an operation may have moved channels (RGBOrder): green
      // stands for all three.
      const std::uint32_t alpha = (a[x] >> 8) & 0xFF;
      out[x] = (alpha << 24) | (Straight((c[x] >> 16) & 0xFF, alpha) << 16) | (Straight((c[x] >> 8) & 0xFF, alpha) << 8) |
               Straight(c[x] & 0xFF, alpha);
    }
  }
}

void TAlphaSink::Write(const TBitmap& Frame) {
  CarryAlpha(Frame, FAlphaOf(FWritten), FCarried);
  ++FWritten;
  FInner->Write(FCarried);
}

}  // namespace tweenery
