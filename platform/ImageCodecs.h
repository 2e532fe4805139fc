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

// The most pixels a decoder will allocate for one picture: the bitmap limit,
// 1 GiB of 0xFFRRGGBB pixels. A header claiming more is refused before any
// allocation; callers with a tighter budget (fuzzing) pass their own.
constexpr std::int64_t MaxImagePixels = std::int64_t{1} << 28;

// Windows bitmap bytes ("BM" file header included) into Out, converted to
// the bitmap's 0xFFRRGGBB layout: 1, 4, 8, 16, 24 and 32 bits per pixel,
// uncompressed, RLE4, RLE8 and bit-field encodings, either row order, the
// OS/2 core header and the 40- to 124-byte headers. A malformed file raises
// EInvalidGraphic and leaves Out as it was.
void DecodeWindowsBitmap(const std::uint8_t* Data, std::size_t Size, TBitmap& Out,
                         std::int64_t MaxPixels = MaxImagePixels);
// A 24-bit bottom-up Windows bitmap with a 40-byte header.
std::vector<std::uint8_t> EncodeWindowsBitmap(const TBitmap& Bitmap);

// JPEG bytes (baseline, progressive, greyscale, CMYK or YCCK) into Out,
// decoded by libjpeg. Corrupt or truncated data raises EInvalidGraphic and
// leaves Out as it was.
void DecodeJPEG(const std::uint8_t* Data, std::size_t Size, TBitmap& Out,
                std::int64_t MaxPixels = MaxImagePixels);

}  // namespace tweenery
