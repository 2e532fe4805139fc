// Whole-bitmap transfer between TBitmap's top-down 0xFFRRGGBB pixels and
// 24-bit bottom-up BGR rows. On x86 (little-endian) a stored pixel is the
// bytes B, G, R, 0xFF in memory, so a 24-bit pixel is a stored pixel without
// its fourth byte: one byte shuffle converts four (or eight) pixels.
#include "platform/DIB.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/Graphics.h"
#include "platform/PixelRows.h"

namespace tweenery {
namespace {

std::atomic<int> PendingGetFailures{0};
std::atomic<int> PendingSetFailures{0};

// True when an injected failure is due; uses it up.
bool TakeFailure(std::atomic<int>& Pending) {
  int n = Pending.load();
  while (n > 0)
    if (Pending.compare_exchange_weak(n, n - 1)) return true;
  return false;
}

bool Is24BitRGB(const TBitmapInfoHeader& Header) {
  return Header.biBitCount == 24 && Header.biCompression == BI_RGB && Header.biWidth > 0 && Header.biHeight > 0;
}

std::uint32_t ImageSize(const TBitmapInfoHeader& Header) {
  return static_cast<std::uint32_t>(DIBStride24(Header.biWidth) * Header.biHeight);
}

// The 24-bit lines First..First+Count-1 that exist in a DIB Height lines high.
struct TLineRange {
  int First = 0;
  int Count = 0;
};
TLineRange ClampLines(int StartLine, int Lines, int Height) {
  if (StartLine < 0 || Lines <= 0 || StartLine >= Height) return {};
  return {StartLine, static_cast<int>(std::min<std::int64_t>(Lines, std::int64_t{Height} - StartLine))};
}

}  // namespace

// The header must describe Bitmap exactly: a read never leaves part of the
// caller's buffer unwritten.
int GetDIBits(TBitmap* Bitmap, int StartLine, int Lines, std::uint8_t* Bits, TBitmapInfoHeader& Header) {
  if (TakeFailure(PendingGetFailures)) return 0;
  if (Bitmap == nullptr || Bitmap->Empty() || !Is24BitRGB(Header)) return 0;
  if (Header.biWidth != Bitmap->Width() || Header.biHeight != Bitmap->Height()) return 0;
  const TLineRange lines = ClampLines(StartLine, Lines, Header.biHeight);
  if (lines.Count == 0) return 0;
  if (Bits == nullptr) {
    Header.biSizeImage = ImageSize(Header);
    return lines.Count;
  }
  const std::int64_t stride = DIBStride24(Header.biWidth);
  // The bitmap is read in its own top-down order: streaming loads backwards
  // through memory run at half the speed.
  for (int i = lines.Count - 1; i >= 0; --i) {
    std::uint8_t* dest = Bits + stride * i;
    PackPixelRow(Bitmap->ScanLine(Header.biHeight - 1 - (lines.First + i)), Header.biWidth, dest, TByteOrder::BGR);
    std::memset(dest + 3 * std::int64_t{Header.biWidth}, 0, stride - 3 * std::int64_t{Header.biWidth});
  }
  return lines.Count;
}

// A DIB of another size than Bitmap is laid over it top-left corner to
// top-left corner; what falls outside the bitmap is dropped, what the DIB does
// not cover is left as it was. Dropped lines count as written.
int SetDIBits(TBitmap* Bitmap, int StartLine, int Lines, const std::uint8_t* Bits,
              const TBitmapInfoHeader& Header) {
  if (TakeFailure(PendingSetFailures)) return 0;
  if (Bitmap == nullptr || Bits == nullptr || !Is24BitRGB(Header)) return 0;
  const TLineRange lines = ClampLines(StartLine, Lines, Header.biHeight);
  if (lines.Count == 0) return 0;
  const std::int64_t stride = DIBStride24(Header.biWidth);
  const int width = std::min(Header.biWidth, Bitmap->Width());
  if (width > 0) {
    for (int i = 0; i < lines.Count; ++i) {
      const int row = Header.biHeight - 1 - (lines.First + i);
      if (row < Bitmap->Height()) UnpackPixelRow(Bits + stride * i, width, Bitmap->ScanLine(row), TByteOrder::BGR);
    }
    Bitmap->Modified();
  }
  return lines.Count;
}

void InjectDIBFailures(int GetFailures, int SetFailures) {
  PendingGetFailures = std::max(GetFailures, 0);
  PendingSetFailures = std::max(SetFailures, 0);
}

bool DIBFailuresPending() { return PendingGetFailures.load() > 0 || PendingSetFailures.load() > 0; }

}  // namespace tweenery
