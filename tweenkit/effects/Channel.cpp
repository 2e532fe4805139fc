// Colour channel effects: whole channels switched one per frame in the order
// RGBOrder names.
#include <algorithm>
#include <vector>

#include "tweenkit/effects/FXCommon.h"
#include "tweenkit/effects/PixelMix.h"

namespace tweenery {
namespace {

constexpr int RGBLastFrame = 6;
constexpr int RGBMiddle = 3;
constexpr int RGBBlendLastFrame = 3;

enum TChannel { chRed, chGreen, chBlue };

// Whether a stage (0 to 3) keeps each channel (red, green, blue), by
// RGBOrder. Stage n keeps the first n channels the order names.
constexpr bool ChannelStages[4][6][3] = {
    {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
    {{1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 1}},
    {{1, 1, 0}, {1, 0, 1}, {1, 1, 0}, {0, 1, 1}, {1, 0, 1}, {0, 1, 1}},
    {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}},
};

// One row's worth of byte masks, 0xFF where the stage keeps the byte's
// channel, in the buffer's blue, green, red order; masking whole rows with it
// lets the loops run without a per-byte look-up.
std::vector<std::uint8_t> KeptBytes(int Stage, TRGBOrder Order, int Width) {
  const bool* kept = ChannelStages[Stage][Order];
  const std::uint8_t pixel[3] = {kept[chBlue] ? std::uint8_t{0xFF} : std::uint8_t{0},
                                 kept[chGreen] ? std::uint8_t{0xFF} : std::uint8_t{0},
                                 kept[chRed] ? std::uint8_t{0xFF} : std::uint8_t{0}};
  std::vector<std::uint8_t> mask(3 * static_cast<std::size_t>(Width));
  for (std::size_t i = 0; i < mask.size(); ++i) mask[i] = pixel[i % 3];
  return mask;
}

// An order outside the enumeration would index past the table.
TRGBOrder ValidOrder(TRGBOrder Order) { return Order <= coBGR ? Order : coRGB; }

}  // namespace

bool FXRGB(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  TBitmap* shown = fx::HalfPicture(From, To, Params.CurrentFrame, RGBMiddle, Params.Reverse);
  bool finished = false;
  fx::MixPixels(shown, Frame, [&](PixelBuffer& Pixels) {
    fx::SizeFrameLike(Frame, shown);
    const int CF = fx::ClampedFrame(Params.CurrentFrame, RGBLastFrame, finished);
    const int stage = CF <= RGBMiddle ? RGBMiddle - CF : CF - RGBMiddle;
    const std::vector<std::uint8_t> mask = KeptBytes(stage, ValidOrder(Params.RGBOrder), Pixels.Header.biWidth);
    for (int row = 0; row < Pixels.Header.biHeight; ++row) {
      std::uint8_t* p = PixelAddress(Pixels.Bits, Pixels.Header, row, 0);
      for (std::size_t i = 0; i < mask.size(); ++i) p[i] &= mask[i];
    }
  });
  return finished;
}

// The pictures are expected to match in size; where they do not, channels
// are taken from the other picture only in the area both cover, anchored at
// the top-left corner.
bool FXRGBBlend(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  TBitmap* base = Params.Reverse ? From : To;
  TBitmap* other = Params.Reverse ? To : From;
  bool finished = false;
  fx::MixPixels(base, other, Frame, [&](PixelBuffer& B, const PixelBuffer& O) {
    fx::SizeFrameLike(Frame, base);
    const int CF = fx::ClampedFrame(Params.CurrentFrame, RGBBlendLastFrame, finished);
    const int width = std::min(B.Header.biWidth, O.Header.biWidth);
    const int height = std::min(B.Header.biHeight, O.Header.biHeight);
    const std::vector<std::uint8_t> mask = KeptBytes(CF, ValidOrder(Params.RGBOrder), width);
    // Bottom row first: the buffers' memory order.
    for (int y = height - 1; y >= 0; --y) {
      std::uint8_t* b = fx::PictureRow(B, y);
      const std::uint8_t* o = fx::PictureRow(O, y);
      for (std::size_t i = 0; i < mask.size(); ++i) b[i] = static_cast<std::uint8_t>((b[i] & mask[i]) | (o[i] & ~mask[i]));
    }
  });
  return finished;
}

}  // namespace tweenery
