// JPEG in a build without libjpeg (the browser's, where the page decodes
// pictures itself): every JPEG is refused as a picture this build cannot read.
#include "platform/Graphics.h"
#include "platform/ImageCodecs.h"

namespace tweenery {

void DecodeJPEG(const std::uint8_t*, std::size_t, TBitmap&, std::int64_t) {
  throw EInvalidGraphic("JPEG pictures cannot be read: this build has no JPEG decoder");
}

void DecodeJPEGBands(const std::uint8_t* Data, std::size_t Size, int, const TBandReceiver&, std::int64_t MaxPixels) {
  TBitmap none;
  DecodeJPEG(Data, Size, none, MaxPixels);
}

}  // namespace tweenery
