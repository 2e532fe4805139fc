#include "platform/PixelRows.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace tweenery {
namespace {

// Where each packed byte sits in a pixel's little-endian bytes (B, G, R).
template <TByteOrder Order>
constexpr int kBlue = Order == TByteOrder::BGR ? 0 : 2;
template <TByteOrder Order>
constexpr int kRed = 2 - kBlue<Order>;

// Plain conversions, byte by byte: the reference for the vector ones and the
// path on machines without them.
template <TByteOrder Order>
void PackPixels(const std::uint32_t* Source, int Count, std::uint8_t* Dest) {
  for (int x = 0; x < Count; ++x) {
    const std::uint32_t p = Source[x];
    Dest[3 * x + kBlue<Order>] = static_cast<std::uint8_t>(p);
    Dest[3 * x + 1] = static_cast<std::uint8_t>(p >> 8);
    Dest[3 * x + kRed<Order>] = static_cast<std::uint8_t>(p >> 16);
  }
}

template <TByteOrder Order>
void UnpackPixels(const std::uint8_t* Source, int Count, std::uint32_t* Dest) {
  for (int x = 0; x < Count; ++x)
    Dest[x] = 0xFF000000u | std::uint32_t{Source[3 * x + kBlue<Order>]} | std::uint32_t{Source[3 * x + 1]} << 8 |
              std::uint32_t{Source[3 * x + kRed<Order>]} << 16;
}

#if defined(__x86_64__) || defined(__i386__)
// The byte shuffles of four pixels, the same in each 16-byte half of the
// AVX2 forms. Dropping: bytes 0-2 of each pixel to 12 packed bytes (swapped
// for RGB). Spreading: 12 packed bytes to bytes 0-2 of four pixels.
template <TByteOrder Order>
__m128i DropMask() {
  return Order == TByteOrder::BGR ? _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1)
                                  : _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
}
template <TByteOrder Order>
__m128i SpreadMask() {
  return Order == TByteOrder::BGR ? _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1)
                                  : _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
}

// Sixteen bytes at a time: four stored pixels lose their fourth bytes, or
// twelve buffer bytes gain them. Every load and store stays inside the row;
// the last few pixels go the plain way.
template <TByteOrder Order>
__attribute__((target("ssse3"))) void PackRowSSSE3(const std::uint32_t* Source, int Width, std::uint8_t* Dest) {
  const __m128i drop = DropMask<Order>();
  int x = 0;
  // The 16-byte store writes 4 bytes past the group's 12: leave room.
  for (; x + 6 <= Width; x += 4) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Source + x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Dest + 3 * x), _mm_shuffle_epi8(pixels, drop));
  }
  PackPixels<Order>(Source + x, Width - x, Dest + 3 * x);
}

template <TByteOrder Order>
__attribute__((target("ssse3"))) void UnpackRowSSSE3(const std::uint8_t* Source, int Width, std::uint32_t* Dest) {
  const __m128i spread = SpreadMask<Order>();
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int x = 0;
  // The 16-byte load reads 4 bytes past the group's 12: leave room.
  for (; x + 6 <= Width; x += 4) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Source + 3 * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Dest + x), _mm_or_si128(_mm_shuffle_epi8(bytes, spread), opaque));
  }
  UnpackPixels<Order>(Source + 3 * x, Width - x, Dest + x);
}

// Eight pixels at a time: the same shuffle in each 16-byte half, and a move
// of whole 4-byte words joining (or parting) the halves' 12 bytes.
template <TByteOrder Order>
__attribute__((target("avx2"))) void PackRowAVX2(const std::uint32_t* Source, int Width, std::uint8_t* Dest) {
  const __m256i drop = _mm256_broadcastsi128_si256(DropMask<Order>());
  const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
  int x = 0;
  // The 32-byte store writes 8 bytes past the group's 24: leave room.
  for (; x + 11 <= Width; x += 8) {
    const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Source + x));
    const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(pixels, drop), join);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dest + 3 * x), packed);
  }
  PackRowSSSE3<Order>(Source + x, Width - x, Dest + 3 * x);
}

template <TByteOrder Order>
__attribute__((target("avx2"))) void UnpackRowAVX2(const std::uint8_t* Source, int Width, std::uint32_t* Dest) {
  const __m256i part = _mm256_setr_epi32(0, 1, 2, 7, 3, 4, 5, 7);
  const __m256i spread = _mm256_broadcastsi128_si256(SpreadMask<Order>());
  const __m256i opaque = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  int x = 0;
  // The 32-byte load reads 8 bytes past the group's 24: leave room.
  for (; x + 11 <= Width; x += 8) {
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Source + 3 * x));
    const __m256i pixels = _mm256_shuffle_epi8(_mm256_permutevar8x32_epi32(bytes, part), spread);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dest + x), _mm256_or_si256(pixels, opaque));
  }
  UnpackRowSSSE3<Order>(Source + 3 * x, Width - x, Dest + x);
}

const bool HasSSSE3 = __builtin_cpu_supports("ssse3");
const bool HasAVX2 = __builtin_cpu_supports("avx2");
#endif

template <TByteOrder Order>
void PackRow(const std::uint32_t* Source, int Width, std::uint8_t* Dest) {
#if defined(__x86_64__) || defined(__i386__)
  if (HasAVX2) return PackRowAVX2<Order>(Source, Width, Dest);
  if (HasSSSE3) return PackRowSSSE3<Order>(Source, Width, Dest);
#endif
  PackPixels<Order>(Source, Width, Dest);
}

template <TByteOrder Order>
void UnpackRow(const std::uint8_t* Source, int Width, std::uint32_t* Dest) {
#if defined(__x86_64__) || defined(__i386__)
  if (HasAVX2) return UnpackRowAVX2<Order>(Source, Width, Dest);
  if (HasSSSE3) return UnpackRowSSSE3<Order>(Source, Width, Dest);
#endif
  UnpackPixels<Order>(Source, Width, Dest);
}

}  // namespace

void PackPixelRow(const std::uint32_t* Pixels, int Width, std::uint8_t* Bytes, TByteOrder Order) {
  (Order == TByteOrder::BGR ? PackRow<TByteOrder::BGR> : PackRow<TByteOrder::RGB>)(Pixels, Width, Bytes);
}

void UnpackPixelRow(const std::uint8_t* Bytes, int Width, std::uint32_t* Pixels, TByteOrder Order) {
  (Order == TByteOrder::BGR ? UnpackRow<TByteOrder::BGR> : UnpackRow<TByteOrder::RGB>)(Bytes, Width, Pixels);
}

}  // namespace tweenery
