// Whole-bitmap transfer between TBitmap's top-down 0xFFRRGGBB pixels and
// 24-bit bottom-up BGR rows. In memory (little-endian) a stored pixel is the
// bytes B, G, R, 0xFF, so a 24-bit pixel is a stored pixel without its
// fourth byte.
#include "platform/DIB.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>

#include "platform/Graphics.h"

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

void PackRow(const std::uint32_t* Source, int Width, std::uint8_t* Dest) {
  if constexpr (std::endian::native == std::endian::little) {
    // Four bytes per pixel, each store overlapping the next pixel's first
    // byte; the last pixel is stored as three so the row end is never passed.
    for (int x = 0; x < Width - 1; ++x) std::memcpy(Dest + 3 * x, Source + x, 4);
    std::memcpy(Dest + 3 * (Width - 1), Source + Width - 1, 3);
  } else {
    for (int x = 0; x < Width; ++x) {
      const std::uint32_t p = Source[x];
      Dest[3 * x] = static_cast<std::uint8_t>(p);
      Dest[3 * x + 1] = static_cast<std::uint8_t>(p >> 8);
      Dest[3 * x + 2] = static_cast<std::uint8_t>(p >> 16);
    }
  }
}

void UnpackRow(const std::uint8_t* Source, int Width, std::uint32_t* Dest) {
  if constexpr (std::endian::native == std::endian::little) {
    std::uint32_t p;
    for (int x = 0; x < Width - 1; ++x) {
      std::memcpy(&p, Source + 3 * x, 4);
      Dest[x] = p | 0xFF000000u;
    }
    p = 0;
    std::memcpy(&p, Source + 3 * (Width - 1), 3);
    Dest[Width - 1] = p | 0xFF000000u;
  } else {
    for (int x = 0; x < Width; ++x)
      Dest[x] = 0xFF000000u | std::uint32_t{Source[3 * x]} | std::uint32_t{Source[3 * x + 1]} << 8 |
                std::uint32_t{Source[3 * x + 2]} << 16;
  }
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
  for (int i = 0; i < lines.Count; ++i) {
    std::uint8_t* dest = Bits + stride * i;
    PackRow(Bitmap->ScanLine(Header.biHeight - 1 - (lines.First + i)), Header.biWidth, dest);
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
      if (row < Bitmap->Height()) UnpackRow(Bits + stride * i, width, Bitmap->ScanLine(row));
    }
    Bitmap->Modified();
  }
  return lines.Count;
}

void InjectDIBFailures(int GetFailures, int SetFailures) {
  PendingGetFailures = std::max(GetFailures, 0);
  PendingSetFailures = std::max(SetFailures, 0);
}

}  // namespace tweenery
