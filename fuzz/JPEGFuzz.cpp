// Any bytes given to the JPEG decoder either decode or raise
// EInvalidGraphic; libjpeg never ends the process.
#include <cstddef>
#include <cstdint>

#include "platform/Graphics.h"
#include "platform/ImageCodecs.h"

// A smaller pixel budget than the real one keeps libjpeg's buffers for
// huge frames within libFuzzer's memory limit.
constexpr std::int64_t kFuzzPixels = std::int64_t{1} << 22;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  tweenery::TBitmap picture;
  try {
    tweenery::DecodeJPEG(Data, Size, picture, kFuzzPixels);
  } catch (const tweenery::EInvalidGraphic&) {
  }
  return 0;
}
