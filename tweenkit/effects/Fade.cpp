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

using fx::DivideBy255;

// The buffers' byte loops are memory- and multiply-bound. Each is written
// once and compiled twice, plainly and for AVX2, and the processor's kind
// picks one at start-up. (Resolver-based function clones are avoided: their
// resolvers run before the sanitizer runtimes are ready.)
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
fx::TFadeTerms FadeTerms(TColor Color, int CF) {
  const std::uint16_t a = static_cast<std::uint16_t>(CF <= FadeMiddle ? FadeMiddle - CF : CF - FadeMiddle - 1);
  const std::uint32_t rgb = static_cast<std::uint32_t>(ColorToRGB(Color));
  auto fill = [&](int Shift) { return static_cast<std::uint16_t>(((rgb >> Shift) & 0xFF) * (255 - a) + 127); };
  return {a, {fill(16), fill(8), fill(0)}};
}

void FadeBuffer(PixelBuffer& Pixels, const fx::TFadeTerms& Terms) {
  // One row of fill terms in the buffer's blue, green, red order keeps the
  // inner loop free of the three-byte period.
  std::vector<std::uint16_t> fill(3 * static_cast<std::size_t>(Pixels.Header.biWidth));
  for (std::size_t i = 0; i < fill.size(); ++i) fill[i] = Terms.Fill[i % 3];
  for (int row = 0; row < Pixels.Header.biHeight; ++row)
    FadeBytes(PixelAddress(Pixels.Bits, Pixels.Header, row, 0), fill.data(), fill.size(), Terms.Weight);
}

// Every pixel of the frame, sized like Shown, from the same pixel of Shown.
void FadeRows(TBitmap* Shown, TBitmap* Frame, const fx::TFadeTerms& Terms, const fx::TRowKernels& Kernels) {
  const int W = Shown->Width();
  fx::ForEachRun(0, Shown->Height(), W, true, [&](int y, int Count) {
    Kernels.Fade(Frame->ScanLine(y), Shown->ScanLine(y), Count, Terms);
  });
  Frame->Modified();
}

// Count bytes of Mixed become (mixed * MixedWeight + other * (255 -
// MixedWeight)) div 255; the sum stays below 65281.
void BlendBytes(std::uint8_t* Mixed, const std::uint8_t* Other, std::int64_t Count, int MixedWeight) {
  (HasAVX2 ? BlendBytesAVX2 : BlendBytesPlain)(Mixed, Other, Count, MixedWeight);
}

void BlendBuffers(PixelBuffer& F, const PixelBuffer& T, int FromWeight) {
  const int width = std::min(F.Header.biWidth, T.Header.biWidth);
  const int height = std::min(F.Header.biHeight, T.Header.biHeight);
  // Bottom row first: the buffers' memory order.
  for (int y = height - 1; y >= 0; --y)
    BlendBytes(fx::PictureRow(F, y), fx::PictureRow(T, y), 3 * std::int64_t{width}, FromWeight);
}

// The area both pictures cover, anchored at the top-left corner; the rest of
// the frame, sized like To, is left as it is, just as the From buffer laid
// over it leaves it.
void BlendRows(TBitmap* From, TBitmap* To, TBitmap* Frame, int FromWeight, const fx::TRowKernels& Kernels) {
  const int width = std::min(From->Width(), To->Width());
  const int height = std::min(From->Height(), To->Height());
  const bool backToBack = From->Width() == width && To->Width() == width;
  fx::ForEachRun(0, height, width, backToBack, [&](int y, int Count) {
    Kernels.Blend(Frame->ScanLine(y), From->ScanLine(y), To->ScanLine(y), Count, FromWeight);
  });
  Frame->Modified();
}

}  // namespace

namespace fx {

bool Fade(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, TMixRoute Route) {
  TBitmap* shown = HalfPicture(From, To, Params.CurrentFrame, FadeMiddle, Params.Reverse);
  bool finished = false;
  auto terms = [&] { return FadeTerms(Params.Color, ClampedFrame(Params.CurrentFrame, FadeLastFrame, finished)); };
  if (MixesRows(Route, {shown})) {
    SizeFrameLike(Frame, shown);
    FadeRows(shown, Frame, terms(), RowKernels(Route));
    return finished;
  }
  MixPixels(shown, Frame, [&](PixelBuffer& Pixels) {
    SizeFrameLike(Frame, shown);
    FadeBuffer(Pixels, terms());
  });
  return finished;
}

// The pictures are expected to match in size; where they do not, only the
// area both cover, anchored at the top-left corner, is mixed.
bool Blend(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, TMixRoute Route) {
  bool finished = false;
  auto fromWeight = [&] {
    const int CF = ClampedFrame(Params.CurrentFrame, BlendLastFrame, finished);
    return Params.Reverse ? CF : 255 - CF;
  };
  if (MixesRows(Route, {From, To}) && SizingSpares(Frame, From, To)) {
    SizeFrameLike(Frame, To);
    BlendRows(From, To, Frame, fromWeight(), RowKernels(Route));
    return finished;
  }
  MixPixels(From, To, Frame, [&](PixelBuffer& F, const PixelBuffer& T) {
    SizeFrameLike(Frame, To);
    BlendBuffers(F, T, fromWeight());
  });
  return finished;
}

}  // namespace fx

bool FXFade(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return fx::Fade(From, To, Frame, Params, fx::mrRows);
}

bool FXBlend(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return fx::Blend(From, To, Frame, Params, fx::mrRows);
}

}  // namespace tweenery
