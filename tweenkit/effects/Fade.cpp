// Fade: the leaving picture fades into the fill colour and the fill colour
// into the entering picture. Blend: a cross-dissolve of the two pictures.
#include <algorithm>
#include <array>
#include <cmath>

#include "tweenkit/effects/FXCommon.h"
#include "tweenkit/effects/PixelMix.h"

namespace tweenery {
namespace {

constexpr int FadeLastFrame = 511;
constexpr int FadeMiddle = 255;
constexpr int BlendLastFrame = 255;

using TChannelMap = std::array<std::uint8_t, 256>;

// Every channel value v, faded towards (first half) or away from (second
// half) the fill colour's component C. One map per channel per frame gives
// exactly what the per-pixel formula gives.
TChannelMap FadeMap(int C, int CF) {
  TChannelMap map;
  for (int v = 0; v < 256; ++v) {
    const double faded = CF <= FadeMiddle ? C + static_cast<double>((C - v) * (CF - FadeMiddle)) / 255.0
                                          : v + static_cast<double>((v - C) * (CF - FadeLastFrame)) / 255.0;
    map[v] = static_cast<std::uint8_t>(std::clamp<long>(std::lround(faded), 0, 255));
  }
  return map;
}

void FadePixels(PixelBuffer& Pixels, TColor Color, int CF) {
  const std::uint32_t rgb = static_cast<std::uint32_t>(ColorToRGB(Color));
  const TChannelMap red = FadeMap(rgb & 0xFF, CF), green = FadeMap((rgb >> 8) & 0xFF, CF),
                    blue = FadeMap((rgb >> 16) & 0xFF, CF);
  const int width = Pixels.Header.biWidth;
  for (int row = 0; row < Pixels.Header.biHeight; ++row) {
    std::uint8_t* p = PixelAddress(Pixels.Bits, Pixels.Header, row, 0);
    for (int x = 0; x < width; ++x, p += 3) {
      p[0] = blue[p[0]];
      p[1] = green[p[1]];
      p[2] = red[p[2]];
    }
  }
}

// Count bytes of Mixed become (mixed * MixedWeight + other * (255 -
// MixedWeight)) div 255. The sum stays below 65281, where
// (x + 1 + (x >> 8)) >> 8 equals x div 255, so the loop runs on 16-bit lanes.
void BlendBytes(std::uint8_t* Mixed, const std::uint8_t* Other, std::int64_t Count, int MixedWeight) {
  const std::uint16_t mw = static_cast<std::uint16_t>(MixedWeight), ow = static_cast<std::uint16_t>(255 - MixedWeight);
  for (std::int64_t i = 0; i < Count; ++i) {
    const std::uint16_t x = static_cast<std::uint16_t>(Mixed[i] * mw + Other[i] * ow);
    Mixed[i] = static_cast<std::uint8_t>((x + 1 + (x >> 8)) >> 8);
  }
}

}  // namespace

bool FXFade(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const bool secondHalf = Params.CurrentFrame > FadeMiddle;
  TBitmap* shown = secondHalf != Params.Reverse ? To : From;
  bool finished = false;
  fx::MixPixels(shown, Frame, [&](PixelBuffer& Pixels) {
    Frame->SetHeight(shown->Height());
    Frame->SetWidth(shown->Width());
    int CF = std::max(Params.CurrentFrame, 0);
    if (CF >= FadeLastFrame) {
      finished = true;
      CF = FadeLastFrame;
    }
    FadePixels(Pixels, Params.Color, CF);
  });
  return finished;
}

// The pictures are expected to match in size; where they do not, only the
// area both cover, anchored at the top-left corner, is mixed.
bool FXBlend(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  bool finished = false;
  fx::MixPixels(From, To, Frame, [&](PixelBuffer& F, const PixelBuffer& T) {
    Frame->SetHeight(To->Height());
    Frame->SetWidth(To->Width());
    int CF = std::max(Params.CurrentFrame, 0);
    if (CF >= BlendLastFrame) {
      finished = true;
      CF = BlendLastFrame;
    }
    const int fromWeight = Params.Reverse ? CF : 255 - CF;
    const int width = std::min(F.Header.biWidth, T.Header.biWidth);
    const int height = std::min(F.Header.biHeight, T.Header.biHeight);
    for (int y = 0; y < height; ++y)
      BlendBytes(fx::PictureRow(F, y), fx::PictureRow(T, y), 3 * std::int64_t{width}, fromWeight);
  });
  return finished;
}

}  // namespace tweenery
