// Rows of packed 24-bit colour (three bytes a pixel, as Windows bitmap
// files and arrays of RGB triples hold them) to and from bitmap rows of
// 0xFFRRGGBB pixels, with SSSE3 or AVX2 where the processor has them.
#pragma once

#include <cstdint>

namespace tweenery {

/// The order of a packed pixel's three bytes: BGR as in Windows bitmap
/// files, RGB as in most image arrays.
enum class TByteOrder { BGR, RGB };

/// Width pixels into 3 * Width bytes; the alpha byte is dropped.
void PackPixelRow(const std::uint32_t* Pixels, int Width, std::uint8_t* Bytes, TByteOrder Order);
/// 3 * Width bytes into Width opaque pixels.
void UnpackPixelRow(const std::uint8_t* Bytes, int Width, std::uint32_t* Pixels, TByteOrder Order);

}  // namespace tweenery
