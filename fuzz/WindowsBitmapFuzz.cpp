// Any bytes given to the bitmap decoder either decode or raise
// EInvalidGraphic; nothing is read outside them.
#include <cstddef>
#include <cstdint>

#include "platform/Graphics.h"
#include "platform/ImageCodecs.h"

// A smaller pixel budget than the real one keeps legal but huge run-length
// pictures within libFuzzer's memory limit.
constexpr std::int64_t kFuzzPixels = std::int64_t{1} << 22;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  tweenery::TBitmap picture;
  try {
    tweenery::DecodeWindowsBitmap(Data, Size, picture, kFuzzPixels);
  } catch (const tweenery::EInvalidGraphic&) {
  }
  return 0;
}
