// PNG pictures through libpng: a strict reader for the pictures a run
// starts from, and a fast writer for frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Graphics.h"

namespace tweenery {

// PNG bytes into Out as 0xFFRRGGBB (alpha dropped onto black; palette,
// grey and 16-bit pictures converted). Malformed or truncated data, or a
// picture larger than MaxPixels, raises EInvalidGraphic with the reason and
// leaves Out as it was.
void DecodePNG(const std::uint8_t* Data, std::size_t Size, TBitmap& Out, std::int64_t MaxPixels = TBitmap::MaxPixels);

// PNG bytes into Out with each channel multiplied by the pixel's alpha as
// stored (0xFFRRGGBB, alpha dropped): the colour a frame keeping alpha is
// composed from. DecodePNG composes onto black in linear light instead,
// which no alpha kept beside it would undo.
void DecodePNGPremultiplied(const std::uint8_t* Data, std::size_t Size, TBitmap& Out,
                            std::int64_t MaxPixels = TBitmap::MaxPixels);

// The alpha of PNG bytes into Out as grey 0xFFAAAAAA pixels (opaque
// pictures: white), with DecodePNG's checks and failures.
void DecodePNGAlpha(const std::uint8_t* Data, std::size_t Size, TBitmap& Out,
                    std::int64_t MaxPixels = TBitmap::MaxPixels);

// The picture as a 24-bit PNG, or with Alpha a 32-bit one whose alpha is
// each pixel's top byte. Level is zlib's, 0 (store) to 9 (smallest); the
// low levels that frames use by default write several times faster.
std::vector<std::uint8_t> EncodePNG(const TBitmap& Bitmap, int Level, bool Alpha = false);

// Width x Height 16-bit grey values, rows top-down, as a 16-bit greyscale
// PNG (luma maps).
std::vector<std::uint8_t> EncodeGreyPNG16(const std::vector<std::uint16_t>& Values, int Width, int Height, int Level);

// A loader for the component's image loader table.
bool LoadPNGFile(const std::string& FileName, std::unique_ptr<TBitmap>& Picture);

}  // namespace tweenery
