// The colour mixes' row kernels: portable loops, and AVX2 ones chosen at
// start-up where the processor has them. (Resolver-based function clones are
// avoided: their resolvers run before the sanitizer runtimes are ready.)
#include "tweenkit/effects/MixRows.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace tweenery::fx {
namespace {

constexpr std::uint32_t Opaque = 0xFF000000u;

std::uint32_t Byte(std::uint32_t Pixel, int Index) { return (Pixel >> (8 * Index)) & 0xFF; }

// A channel's result in its place; Sum stays below 65535.
std::uint32_t Divided(std::uint32_t Sum, int Index) {
  return std::uint32_t{DivideBy255(static_cast<std::uint16_t>(Sum))} << (8 * Index);
}

void FadePlain(std::uint32_t* Dest, const std::uint32_t* Source, int Count, const TFadeTerms& Terms) {
  for (int x = 0; x < Count; ++x) {
    const std::uint32_t p = Source[x];
    std::uint32_t out = Opaque;
    for (int i = 0; i < 3; ++i) out |= Divided(Byte(p, i) * Terms.Weight + Terms.Fill[i], i);
    Dest[x] = out;
  }
}

void BlendPlain(std::uint32_t* Dest, const std::uint32_t* Mixed, const std::uint32_t* Other, int Count,
                int MixedWeight) {
  const std::uint32_t mw = static_cast<std::uint32_t>(MixedWeight), ow = 255 - mw;
  for (int x = 0; x < Count; ++x) {
    const std::uint32_t m = Mixed[x], o = Other[x];
    std::uint32_t out = Opaque;
    for (int i = 0; i < 3; ++i) out |= Divided(Byte(m, i) * mw + Byte(o, i) * ow, i);
    Dest[x] = out;
  }
}

void MaskPlain(std::uint32_t* Dest, const std::uint32_t* Source, int Count, TChannelMask Kept) {
  for (int x = 0; x < Count; ++x) Dest[x] = (Source[x] & Kept) | Opaque;
}

void SelectPlain(std::uint32_t* Dest, const std::uint32_t* Base, const std::uint32_t* Other, int Count,
                 TChannelMask Kept) {
  for (int x = 0; x < Count; ++x) Dest[x] = (Base[x] & Kept) | (Other[x] & ~Kept) | Opaque;
}

const TRowKernels Plain{FadePlain, BlendPlain, MaskPlain, SelectPlain};

#if defined(__x86_64__) && defined(__GNUC__)
// Eight pixels a vector. The byte-to-word unpacking and the packing back
// both work within 128-bit halves, so they undo each other and the bytes
// stay in place; each half's 16 words are four whole pixels, which is what
// lets one constant vector hold a per-channel term. The tails take the
// plain loops.

// x div 255 from x + 1, for every x up to 65533: (x + 1) * 257 / 2^16 lies
// within 2^-8 above x / 255 and never reaches the next integer. One multiply
// where the scalar form's shifts and adds take four; the fade folds the + 1
// into its fill terms, which is what keeps a fade of a frame in cache about
// as fast as copying it.
__attribute__((target("avx2"))) inline __m256i DivideBy255AVX2(__m256i XPlusOne) {
  return _mm256_mulhi_epu16(XPlusOne, _mm256_set1_epi16(257));
}

// Fill holds each channel's term plus one; the alpha lane's weight is 0 and
// its fill term makes it 255, so the pixels come out opaque.
__attribute__((target("avx2"))) inline __m256i FadeWords(__m256i Words, __m256i Weight, __m256i FillPlusOne) {
  return DivideBy255AVX2(_mm256_add_epi16(_mm256_mullo_epi16(Words, Weight), FillPlusOne));
}

__attribute__((target("avx2"))) inline __m256i BlendWords(__m256i Mixed, __m256i Other, __m256i MixedWeight,
                                                          __m256i OtherWeight) {
  const __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(Mixed, MixedWeight), _mm256_mullo_epi16(Other, OtherWeight));
  return DivideBy255AVX2(_mm256_add_epi16(sum, _mm256_set1_epi16(1)));
}

__attribute__((target("avx2"))) inline __m256i Load(const std::uint32_t* Pixels) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Pixels));
}

__attribute__((target("avx2"))) inline void Store(std::uint32_t* Pixels, __m256i Value) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(Pixels), Value);
}

__attribute__((target("avx2"))) void FadeAVX2(std::uint32_t* Dest, const std::uint32_t* Source, int Count,
                                              const TFadeTerms& Terms) {
  // 255 * 255 + 1 divides to 255 whatever the alpha byte was.
  const short b = static_cast<short>(Terms.Fill[0] + 1), g = static_cast<short>(Terms.Fill[1] + 1),
              r = static_cast<short>(Terms.Fill[2] + 1), a = static_cast<short>(255 * 255 + 1);
  const __m256i fill = _mm256_setr_epi16(b, g, r, a, b, g, r, a, b, g, r, a, b, g, r, a);
  const short w = static_cast<short>(Terms.Weight);
  const __m256i weight = _mm256_setr_epi16(w, w, w, 0, w, w, w, 0, w, w, w, 0, w, w, w, 0);
  const __m256i zero = _mm256_setzero_si256();
  int x = 0;
  for (; x + 8 <= Count; x += 8) {
    const __m256i p = Load(Source + x);
    const __m256i low = FadeWords(_mm256_unpacklo_epi8(p, zero), weight, fill);
    const __m256i high = FadeWords(_mm256_unpackhi_epi8(p, zero), weight, fill);
    Store(Dest + x, _mm256_packus_epi16(low, high));
  }
  FadePlain(Dest + x, Source + x, Count - x, Terms);
}

__attribute__((target("avx2"))) void BlendAVX2(std::uint32_t* Dest, const std::uint32_t* Mixed,
                                               const std::uint32_t* Other, int Count, int MixedWeight) {
  const __m256i mw = _mm256_set1_epi16(static_cast<short>(MixedWeight));
  const __m256i ow = _mm256_set1_epi16(static_cast<short>(255 - MixedWeight));
  const __m256i zero = _mm256_setzero_si256(), opaque = _mm256_set1_epi32(static_cast<int>(Opaque));
  int x = 0;
  for (; x + 8 <= Count; x += 8) {
    const __m256i m = Load(Mixed + x), o = Load(Other + x);
    const __m256i low = BlendWords(_mm256_unpacklo_epi8(m, zero), _mm256_unpacklo_epi8(o, zero), mw, ow);
    const __m256i high = BlendWords(_mm256_unpackhi_epi8(m, zero), _mm256_unpackhi_epi8(o, zero), mw, ow);
    Store(Dest + x, _mm256_or_si256(_mm256_packus_epi16(low, high), opaque));
  }
  BlendPlain(Dest + x, Mixed + x, Other + x, Count - x, MixedWeight);
}

__attribute__((target("avx2"))) void MaskAVX2(std::uint32_t* Dest, const std::uint32_t* Source, int Count,
                                              TChannelMask Kept) {
  const __m256i kept = _mm256_set1_epi32(static_cast<int>(Kept)), opaque = _mm256_set1_epi32(static_cast<int>(Opaque));
  int x = 0;
  for (; x + 8 <= Count; x += 8) Store(Dest + x, _mm256_or_si256(_mm256_and_si256(Load(Source + x), kept), opaque));
  MaskPlain(Dest + x, Source + x, Count - x, Kept);
}

__attribute__((target("avx2"))) void SelectAVX2(std::uint32_t* Dest, const std::uint32_t* Base,
                                                const std::uint32_t* Other, int Count, TChannelMask Kept) {
  const __m256i kept = _mm256_set1_epi32(static_cast<int>(Kept)), opaque = _mm256_set1_epi32(static_cast<int>(Opaque));
  int x = 0;
  for (; x + 8 <= Count; x += 8) {
    // andnot(kept, other) takes Other's bytes where Kept is clear.
    const __m256i mixed = _mm256_or_si256(_mm256_and_si256(Load(Base + x), kept), _mm256_andnot_si256(kept, Load(Other + x)));
    Store(Dest + x, _mm256_or_si256(mixed, opaque));
  }
  SelectPlain(Dest + x, Base + x, Other + x, Count - x, Kept);
}

const TRowKernels AVX2{FadeAVX2, BlendAVX2, MaskAVX2, SelectAVX2};

bool HasAVX2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#else
const TRowKernels& AVX2 = Plain;
bool HasAVX2() { return false; }
#endif

}  // namespace

const TRowKernels& PlainRowKernels() { return Plain; }

const TRowKernels& FastRowKernels() { return HasAVX2() ? AVX2 : Plain; }

}  // namespace tweenery::fx
