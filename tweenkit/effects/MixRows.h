// Row kernels of the colour mixes on the bitmaps' own 32-bit pixels
// (0xFFRRGGBB, so blue, green, red, top byte in memory). Each writes Count
// pixels of Dest from the same positions of its sources; Dest may be one of
// those very rows (never a partly overlapping one). Every pixel written gets
// an opaque top byte, as a write-back from the 24-bit buffer gives it; the
// sources' top bytes never reach a colour channel.
#pragma once

#include <cstdint>

namespace tweenery::fx {

// A fade step per channel: (v * Weight + Fill) div 255, with Fill holding
// the fill colour's share and the rounding half, for blue, green and red.
struct TFadeTerms {
  std::uint16_t Weight;
  std::uint16_t Fill[3];
};

// Byte masks over a 32-bit pixel: 0xFF in each colour byte a channel stage
// keeps.
using TChannelMask = std::uint32_t;

struct TRowKernels {
  void (*Fade)(std::uint32_t* Dest, const std::uint32_t* Source, int Count, const TFadeTerms& Terms);
  // Per channel (mixed * MixedWeight + other * (255 - MixedWeight)) div 255.
  void (*Blend)(std::uint32_t* Dest, const std::uint32_t* Mixed, const std::uint32_t* Other, int Count,
                int MixedWeight);
  // The kept channels of Source, the others 0.
  void (*Mask)(std::uint32_t* Dest, const std::uint32_t* Source, int Count, TChannelMask Kept);
  // The kept channels of Base, the others from Other.
  void (*Select)(std::uint32_t* Dest, const std::uint32_t* Base, const std::uint32_t* Other, int Count,
                 TChannelMask Kept);
};

// Portable loops, for any processor.
const TRowKernels& PlainRowKernels();
// The widest kernels the processor runs (AVX2 where it has them).
const TRowKernels& FastRowKernels();

// x div 255 for x up to 65534: exact, and one that vectorises on 16-bit
// lanes.
inline std::uint16_t DivideBy255(std::uint16_t x) { return static_cast<std::uint16_t>((x + 1 + (x >> 8)) >> 8); }

}  // namespace tweenery::fx
