// The 24-bit pixel buffer of the colour-mixing effects and the read, mix and
// write sequence they share.
#include "tweenkit/effects/PixelMix.h"

#include <algorithm>

namespace tweenery {

PixelBuffer ReadPixels(TBitmap* Bitmap) {
  PixelBuffer buffer;
  TBitmapInfoHeader& h = buffer.Header;
  h.biSize = 40;
  h.biWidth = Bitmap->Width();
  h.biHeight = Bitmap->Height();
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = BI_RGB;
  h.biSizeImage = 0;
  h.biClrUsed = 0;
  // The first call only asks for the size; its result matters no further.
  GetDIBits(Bitmap, 0, h.biHeight, nullptr, h);
  const std::int64_t rows = DIBStride24(h.biWidth) * h.biHeight;
  if (h.biSizeImage == 0) h.biSizeImage = static_cast<std::uint32_t>(rows);
  // Never smaller than the rows the second call writes, whatever size the
  // platform reported.
  buffer.Size = static_cast<std::size_t>(std::max<std::int64_t>(h.biSizeImage, rows));
  buffer.Bits = new std::uint8_t[buffer.Size];
  if (GetDIBits(Bitmap, 0, h.biHeight, buffer.Bits, h) == 0) {
    FreePixels(buffer);
    throw ETweenBitmapConvert("Unable to get bitmap.");
  }
  return buffer;
}

void WritePixels(TBitmap* Frame, PixelBuffer& Buffer) {
  const int lines = SetDIBits(Frame, 0, Buffer.Header.biHeight, Buffer.Bits, Buffer.Header);
  FreePixels(Buffer);
  if (lines != Buffer.Header.biHeight) throw ETweenBitmapConvert("Unable to set bitmap.");
}

void FreePixels(PixelBuffer& Buffer) {
  delete[] Buffer.Bits;
  Buffer.Bits = nullptr;
  Buffer.Size = 0;
}

std::uint8_t* PixelAddress(std::uint8_t* Bits, const TBitmapInfoHeader& Header, int Row, int Column) {
  return Bits + DIBStride24(Header.biWidth) * Row + 3 * static_cast<std::int64_t>(Column);
}

namespace fx {
namespace {

// Runs Mix on pixels already read, then writes them into Frame (freeing
// them) whether or not Mix raised.
void MixThenWrite(TBitmap* Frame, PixelBuffer& Pixels, const std::function<void()>& Mix) {
  try {
    Mix();
  } catch (...) {
    // The mixing error is the one that matters; a failed write only frees.
    try {
      WritePixels(Frame, Pixels);
    } catch (const ETweenBitmapConvert&) {
    }
    throw;
  }
  WritePixels(Frame, Pixels);
}

}  // namespace

bool MixesRows(TMixRoute Route, std::initializer_list<const TBitmap*> Pictures) {
  if (Route == mrBuffers || DIBFailuresPending()) return false;
  return std::none_of(Pictures.begin(), Pictures.end(), [](const TBitmap* P) { return P == nullptr || P->Empty(); });
}

const TRowKernels& RowKernels(TMixRoute Route) { return Route == mrPlainRows ? PlainRowKernels() : FastRowKernels(); }

void MixPixels(TBitmap* Picture, TBitmap* Frame, const std::function<void(PixelBuffer& Pixels)>& Mix) {
  PixelBuffer pixels = ReadPixels(Picture);
  MixThenWrite(Frame, pixels, [&] { Mix(pixels); });
}

void MixPixels(TBitmap* Base, TBitmap* Other, TBitmap* Frame,
               const std::function<void(PixelBuffer& Base, const PixelBuffer& Other)>& Mix) {
  PixelBuffer base = ReadPixels(Base);
  PixelBuffer other;
  try {
    other = ReadPixels(Other);
  } catch (...) {
    FreePixels(base);
    throw;
  }
  MixThenWrite(Frame, base, [&] {
    struct OtherRelease {
      PixelBuffer& Buffer;
      ~OtherRelease() { FreePixels(Buffer); }
    } release{other};
    Mix(base, other);
  });
}

}  // namespace fx
}  // namespace tweenery
