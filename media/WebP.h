// WebP pictures through libwebp: still ones, and the first frame of an
// animated one, as the pictures a run starts from.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Graphics.h"

namespace tweenery {

// Whether the bytes start as a WebP file does (RIFF, then WEBP).
bool IsWebP(const std::uint8_t* Data, std::size_t Size);

// What a decode gives of a picture with alpha: its colour multiplied by
// the alpha (composed onto black), or the alpha as grey (0xFFAAAAAA).
enum class TWebPLayer { Colour, Alpha };

// WebP bytes into Out as 0xFFRRGGBB. An animated picture gives its first
// frame on its canvas (transparent round it). Malformed or truncated data,
// or a picture larger than MaxPixels, raises EInvalidGraphic with the
// reason and leaves Out as it was.
void DecodeWebP(const std::uint8_t* Data, std::size_t Size, TBitmap& Out, TWebPLayer Layer = TWebPLayer::Colour,
                std::int64_t MaxPixels = TBitmap::MaxPixels);

}  // namespace tweenery
