// Fade: the leaving picture fades into the fill colour and the fill colour
// into the entering picture. Blend: a cross-dissolve of the two pictures.
#include <algorithm>
#include <vector>

#include "tweenkit/effects/FXCommon.h"
#include "tweenkit/effects/PixelMix.h"

namespace tweenery {
namespace {

constexpr int FadeLastFrame = 511;
constexpr int FadeMiddle = 255;
constexpr int BlendLastFrame = 255;

// x div 255 for x up to 65534, on 16-bit lanes once vectorised.
inline std::uint16_t DivideBy255(std::uint16_t x) { return static_cast<std::uint16_t>((x + 1 + (x >> 8)) >> 8); }

// The byte loops are memory- and multiply-bound. Each is written once and
// compiled twice, plainly and for AVX2, and the processor's kind picks one
// at start-up. (Resolver-based function clones are avoided: their resolvers
// run before the sanitizer runtimes are ready.)
__attribute__((always_inline)) inline void FadeBytesLoop(std::uint8_t* Bytes, const std::uint16_t* Fill,
                                                         std::size_t Count, std::uint16_t Weight) {
  for (std::size_t i = 0; i < Count; ++i)
    Bytes[i] = static_cast<std::uint8_t>(DivideBy255(static_cast<std::uint16_t>(Bytes[i] * Weight + Fill[i])));
}

__attribute__((always_inline)) inline void BlendBytesLoop(std::uint8_t* Mixed, const std::uint8_t* Other,
                                                          std::int64_t Count, int MixedWeight) {
  const std::uint16_t mw = static_cast<std::uint16_t>(MixedWeight), ow = static_cast<std::uint16_t>(255 - MixedWeight);
  for (std::int64_t i = 0; i < Count; ++i)
    Mixed[i] = static_cast<std::uint8_t>(DivideBy255(static_cast<std::uint16_t>(Mixed[i] * mw + Other[i] * ow)));
}

void FadeBytesPlain(std::uint8_t* Bytes, const std::uint16_t* Fill, std::size_t Count, std::uint16_t Weight) {
  FadeBytesLoop(Bytes, Fill, Count, Weight);
}
void BlendBytesPlain(std::uint8_t* Mixed, const std::uint8_t* Other, std::int64_t Count, int MixedWeight) {
  BlendBytesLoop(Mixed, Other, Count, MixedWeight);
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) void FadeBytesAVX2(std::uint8_t* Bytes, const std::uint16_t* Fill,
                                                   std::size_t Count, std::uint16_t Weight) {
  FadeBytesLoop(Bytes, Fill, Count, Weight);
}
__attribute__((target("avx2"))) void BlendBytesAVX2(std::uint8_t* Mixed, const std::uint8_t* Other,
                                                    std::int64_t Count, int MixedWeight) {
  BlendBytesLoop(Mixed, Other, Count, MixedWeight);
}
const bool HasAVX2 = __builtin_cpu_supports("avx2");
#else
const bool HasAVX2 = false;
#define FadeBytesAVX2 FadeBytesPlain
#define BlendBytesAVX2 BlendBytesPlain
#endif

void FadeBytes(std::uint8_t* Bytes, const std::uint16_t* Fill, std::size_t Count, std::uint16_t Weight) {
  (HasAVX2 ? FadeBytesAVX2 : FadeBytesPlain)(Bytes, Fill, Count, Weight);
}

// A fade frame moves every channel value v towards the fill colour's
// component C in the first half and from it in the second: the nearest
// integer to (v * a + C * (255 - a)) / 255, with a = 255 - CF, then CF - 256.
// That is exactly what the floating-point form of the fade gives, and as the
// division by 255 never leaves a half, the nearest integer is
// (v * a + C * (255 - a) + 127) div 255.
void FadePixels(PixelBuffer& Pixels, TColor Color, int CF) {
  const std::uint16_t a = static_cast<std::uint16_t>(CF <= FadeMiddle ? FadeMiddle - CF : CF - FadeMiddle - 1);
  const std::uint32_t rgb = static_cast<std::uint32_t>(ColorToRGB(Color));
  const std::uint16_t pixelFill[3] = {static_cast<std::uint16_t>(((rgb >> 16) & 0xFF) * (255 - a) + 127),
                                      static_cast<std::uint16_t>(((rgb >> 8) & 0xFF) * (255 - a) + 127),
                                      static_cast<std::uint16_t>((rgb & 0xFF) * (255 - a) + 127)};
  // One row of fill terms in the buffer's blue, green, red order keeps the
  // inner loop free of the three-byte period.
  std::vector<std::uint16_t> fill(3 * static_cast<std::size_t>(Pixels.Header.biWidth));
  for (std::size_t i = 0; i < fill.size(); ++i) fill[i] = pixelFill[i % 3];
  for (int row = 0; row < Pixels.Header.biHeight; ++row)
    FadeBytes(PixelAddress(Pixels.Bits, Pixels.Header, row, 0), fill.data(), fill.size(), a);
}

// Count bytes of Mixed become (mixed * MixedWeight + other * (255 -
// MixedWeight)) div 255; the sum stays below 65281.
void BlendBytes(std::uint8_t* Mixed, const std::uint8_t* Other, std::int64_t Count, int MixedWeight) {
  (HasAVX2 ? BlendBytesAVX2 : BlendBytesPlain)(Mixed, Other, Count, MixedWeight);
}

}  // namespace

bool FXFade(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  TBitmap* shown = fx::HalfPicture(From, To, Params.CurrentFrame, FadeMiddle, Params.Reverse);
  bool finished = false;
  fx::MixPixels(shown, Frame, [&](PixelBuffer& Pixels) {
    fx::SizeFrameLike(Frame, shown);
    FadePixels(Pixels, Params.Color, fx::ClampedFrame(Params.CurrentFrame, FadeLastFrame, finished));
  });
  return finished;
}

// The pictures are expected to match in size; where they do not, only the
// area both cover, anchored at the top-left corner, is mixed.
bool FXBlend(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  bool finished = false;
  fx::MixPixels(From, To, Frame, [&](PixelBuffer& F, const PixelBuffer& T) {
    fx::SizeFrameLike(Frame, To);
    const int CF = fx::ClampedFrame(Params.CurrentFrame, BlendLastFrame, finished);
    const int fromWeight = Params.Reverse ? CF : 255 - CF;
    const int width = std::min(F.Header.biWidth, T.Header.biWidth);
    const int height = std::min(F.Header.biHeight, T.Header.biHeight);
    // Bottom row first: the buffers' memory order.
    for (int y = height - 1; y >= 0; --y)
      BlendBytes(fx::PictureRow(F, y), fx::PictureRow(T, y), 3 * std::int64_t{width}, fromWeight);
  });
  return finished;
}

}  // namespace tweenery
