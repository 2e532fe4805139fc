// Any bytes given to the bitmap decoder either decode or raise
// EInvalidGraphic; nothing is read outside them.
#include <cstddef>
#include <cstdint>

#include "platform/Graphics.h"
#include "platform/ImageCodecs.h"

// The product's own picture limit applies, so a decompression bomb that
// gets past it shows up here as a slow or oversized input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  tweenery::TBitmap picture;
  try {
    tweenery::DecodeWindowsBitmap(Data, Size, picture);
  } catch (const tweenery::EInvalidGraphic&) {
  }
  return 0;
}
