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

// The same mask over one 32-bit pixel (blue in the low byte).
fx::TChannelMask KeptChannels(int Stage, TRGBOrder Order) {
  const bool* kept = ChannelStages[Stage][Order];
  return (kept[chBlue] ? 0xFFu : 0u) | (kept[chGreen] ? 0xFF00u : 0u) | (kept[chRed] ? 0xFF0000u : 0u);
}

constexpr fx::TChannelMask AllChannels = 0xFFFFFFu;

// An order outside the enumeration would index past the table.
TRGBOrder ValidOrder(TRGBOrder Order) { return Order <= coBGR ? Order : coRGB; }

void MaskBuffer(PixelBuffer& Pixels, const std::vector<std::uint8_t>& Mask) {
  for (int row = 0; row < Pixels.Header.biHeight; ++row) {
    std::uint8_t* p = PixelAddress(Pixels.Bits, Pixels.Header, row, 0);
    for (std::size_t i = 0; i < Mask.size(); ++i) p[i] &= Mask[i];
  }
}

// Every pixel of the frame, sized like Shown, from the same pixel of Shown.
void MaskRows(TBitmap* Shown, TBitmap* Frame, fx::TChannelMask Kept, const fx::TRowKernels& Kernels) {
  fx::ForEachRun(0, Shown->Height(), Shown->Width(), true, [&](int y, int Count) {
    Kernels.Mask(Frame->ScanLine(y), Shown->ScanLine(y), Count, Kept);
  });
  Frame->Modified();
}

void SelectBuffers(PixelBuffer& B, const PixelBuffer& O, int Stage, TRGBOrder Order) {
  const int width = std::min(B.Header.biWidth, O.Header.biWidth);
  const int height = std::min(B.Header.biHeight, O.Header.biHeight);
  const std::vector<std::uint8_t> mask = KeptBytes(Stage, Order, width);
  // Bottom row first: the buffers' memory order.
  for (int y = height - 1; y >= 0; --y) {
    std::uint8_t* b = fx::PictureRow(B, y);
    const std::uint8_t* o = fx::PictureRow(O, y);
    for (std::size_t i = 0; i < mask.size(); ++i) b[i] = static_cast<std::uint8_t>((b[i] & mask[i]) | (o[i] & ~mask[i]));
  }
}

// The frame, sized like Base, is Base with the other picture's channels
// taken in over the area both cover, anchored at the top-left corner.
void SelectRows(TBitmap* Base, TBitmap* Other, TBitmap* Frame, fx::TChannelMask Kept, const fx::TRowKernels& Kernels) {
  const int W = Base->Width(), H = Base->Height();
  const int width = std::min(W, Other->Width()), height = std::min(H, Other->Height());
  fx::ForEachRun(0, height, width, width == W && Other->Width() == W, [&](int y, int Count) {
    Kernels.Select(Frame->ScanLine(y), Base->ScanLine(y), Other->ScanLine(y), Count, Kept);
  });
  if (width < W)
    fx::ForEachRun(0, height, W - width, false, [&](int y, int Count) {
      Kernels.Mask(Frame->ScanLine(y) + width, Base->ScanLine(y) + width, Count, AllChannels);
    });
  fx::ForEachRun(height, H, W, true, [&](int y, int Count) {
    Kernels.Mask(Frame->ScanLine(y), Base->ScanLine(y), Count, AllChannels);
  });
  Frame->Modified();
}

}  // namespace

namespace fx {

bool RGB(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, TMixRoute Route) {
  TBitmap* shown = HalfPicture(From, To, Params.CurrentFrame, RGBMiddle, Params.Reverse);
  bool finished = false;
  auto stage = [&] {
    const int CF = ClampedFrame(Params.CurrentFrame, RGBLastFrame, finished);
    return CF <= RGBMiddle ? RGBMiddle - CF : CF - RGBMiddle;
  };
  const TRGBOrder order = ValidOrder(Params.RGBOrder);
  if (MixesRows(Route, {shown})) {
    SizeFrameLike(Frame, shown);
    MaskRows(shown, Frame, KeptChannels(stage(), order), RowKernels(Route));
    return finished;
  }
  MixPixels(shown, Frame, [&](PixelBuffer& Pixels) {
    SizeFrameLike(Frame, shown);
    MaskBuffer(Pixels, KeptBytes(stage(), order, Pixels.Header.biWidth));
  });
  return finished;
}

// The pictures are expected to match in size; where they do not, channels
// are taken from the other picture only in the area both cover, anchored at
// the top-left corner.
bool RGBBlend(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, TMixRoute Route) {
  TBitmap* base = Params.Reverse ? From : To;
  TBitmap* other = Params.Reverse ? To : From;
  bool finished = false;
  auto stage = [&] { return ClampedFrame(Params.CurrentFrame, RGBBlendLastFrame, finished); };
  const TRGBOrder order = ValidOrder(Params.RGBOrder);
  if (MixesRows(Route, {base, other}) && SizingSpares(Frame, other, base)) {
    SizeFrameLike(Frame, base);
    SelectRows(base, other, Frame, KeptChannels(stage(), order), RowKernels(Route));
    return finished;
  }
  MixPixels(base, other, Frame, [&](PixelBuffer& B, const PixelBuffer& O) {
    SizeFrameLike(Frame, base);
    SelectBuffers(B, O, stage(), order);
  });
  return finished;
}

}  // namespace fx

bool FXRGB(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return fx::RGB(From, To, Frame, Params, fx::mrRows);
}

bool FXRGBBlend(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return fx::RGBBlend(From, To, Frame, Params, fx::mrRows);
}

}  // namespace tweenery
