// Whole-bitmap transfer between TBitmap's top-down 0xFFRRGGBB pixels and
// 24-bit bottom-up BGR rows. On x86 (little-endian) a stored pixel is the
// bytes B, G, R, 0xFF in memory, so a 24-bit pixel is a stored pixel without
// its fourth byte: one byte shuffle converts four (or eight) pixels.
#include "platform/DIB.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/Graphics.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

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

// Plain conversions, byte by byte: the reference for the vector ones and the
// path on machines without them.
void PackPixels(const std::uint32_t* Source, int Count, std::uint8_t* Dest) {
  for (int x = 0; x < Count; ++x) {
    const std::uint32_t p = Source[x];
    Dest[3 * x] = static_cast<std::uint8_t>(p);
    Dest[3 * x + 1] = static_cast<std::uint8_t>(p >> 8);
    Dest[3 * x + 2] = static_cast<std::uint8_t>(p >> 16);
  }
}

void UnpackPixels(const std::uint8_t* Source, int Count, std::uint32_t* Dest) {
  for (int x = 0; x < Count; ++x)
    Dest[x] = 0xFF000000u | std::uint32_t{Source[3 * x]} | std::uint32_t{Source[3 * x + 1]} << 8 |
              std::uint32_t{Source[3 * x + 2]} << 16;
}

#if defined(__x86_64__) || defined(__i386__)
// Sixteen bytes at a time: four stored pixels lose their fourth bytes, or
// twelve buffer bytes gain them. Every load and store stays inside the row;
// the last few pixels go the plain way.
__attribute__((target("ssse3"))) void PackRowSSSE3(const std::uint32_t* Source, int Width, std::uint8_t* Dest) {
  const __m128i drop = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  int x = 0;
  // The 16-byte store writes 4 bytes past the group's 12: leave room.
  for (; x + 6 <= Width; x += 4) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Source + x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Dest + 3 * x), _mm_shuffle_epi8(pixels, drop));
  }
  PackPixels(Source + x, Width - x, Dest + 3 * x);
}

__attribute__((target("ssse3"))) void UnpackRowSSSE3(const std::uint8_t* Source, int Width, std::uint32_t* Dest) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int x = 0;
  // The 16-byte load reads 4 bytes past the group's 12: leave room.
  for (; x + 6 <= Width; x += 4) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Source + 3 * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Dest + x), _mm_or_si128(_mm_shuffle_epi8(bytes, spread), opaque));
  }
  UnpackPixels(Source + 3 * x, Width - x, Dest + x);
}

// Eight pixels at a time: the same shuffle in each 16-byte half, and a move
// of whole 4-byte words joining (or parting) the halves' 12 bytes.
__attribute__((target("avx2"))) void PackRowAVX2(const std::uint32_t* Source, int Width, std::uint8_t* Dest) {
  const __m256i drop = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                        0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
  int x = 0;
  // The 32-byte store writes 8 bytes past the group's 24: leave room.
  for (; x + 11 <= Width; x += 8) {
    const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Source + x));
    const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(pixels, drop), join);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dest + 3 * x), packed);
  }
  PackRowSSSE3(Source + x, Width - x, Dest + 3 * x);
}

__attribute__((target("avx2"))) void UnpackRowAVX2(const std::uint8_t* Source, int Width, std::uint32_t* Dest) {
  const __m256i part = _mm256_setr_epi32(0, 1, 2, 7, 3, 4, 5, 7);
  const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                          0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m256i opaque = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  int x = 0;
  // The 32-byte load reads 8 bytes past the group's 24: leave room.
  for (; x + 11 <= Width; x += 8) {
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Source + 3 * x));
    const __m256i pixels = _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(bytes, part), spread);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dest + x), _mm256_or_si256(pixels, opaque));
  }
  UnpackRowSSSE3(Source + 3 * x, Width - x, Dest + x);
}

const bool HasSSSE3 = __builtin_cpu_supports("ssse3");
const bool HasAVX2 = __builtin_cpu_supports("avx2");
#endif

void PackRow(const std::uint32_t* Source, int Width, std::uint8_t* Dest) {
#if defined(__x86_64__) || defined(__i386__)
  if (HasAVX2) return PackRowAVX2(Source, Width, Dest);
  if (HasSSSE3) return PackRowSSSE3(Source, Width, Dest);
#endif
  PackPixels(Source, Width, Dest);
}

void UnpackRow(const std::uint8_t* Source, int Width, std::uint32_t* Dest) {
#if defined(__x86_64__) || defined(__i386__)
  if (HasAVX2) return UnpackRowAVX2(Source, Width, Dest);
  if (HasSSSE3) return UnpackRowSSSE3(Source, Width, Dest);
#endif
  UnpackPixels(Source, Width, Dest);
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

bool DIBFailuresPending() { return PendingGetFailures.load() > 0 || PendingSetFailures.load() > 0; }

}  // namespace tweenery
