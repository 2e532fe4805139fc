// Image file codecs: Windows bitmaps and, through libjpeg, JPEG. Decoders are
// strict: every length is checked before it is read, sizes are bounded
// before anything is allocated, and a bad file raises EInvalidGraphic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tweenery {

class TBitmap;

// Whole-file access; raises EInvalidGraphic when the file cannot be read or
// written. Files larger than MaxImageFileBytes are refused.
constexpr std::size_t MaxImageFileBytes = std::size_t{1} << 30;
std::vector<std::uint8_t> ReadFileBytes(const std::string& FileName);
void WriteFileBytes(const std::string& FileName, const std::vector<std::uint8_t>& Bytes);

// Windows bitmap bytes ("BM" file header included) into Out, converted to
// the bitmap's 0xFFRRGGBB layout.
void DecodeWindowsBitmap(const std::uint8_t* Data, std::size_t Size, TBitmap& Out);
// A 24-bit bottom-up Windows bitmap with a 40-byte header.
std::vector<std::uint8_t> EncodeWindowsBitmap(const TBitmap& Bitmap);

}  // namespace tweenery
