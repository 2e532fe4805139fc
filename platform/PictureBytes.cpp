// Choosing between the platform's own decoders by a file's first bytes.
#include <cstring>

#include "platform/ImageCodecs.h"

namespace tweenery {

namespace {

bool StartsWith(const std::uint8_t* Data, std::size_t Size, const char* Magic, std::size_t Length) {
  return Size >= Length && std::memcmp(Data, Magic, Length) == 0;
}

}  // namespace

bool DecodeOwnPicture(const std::uint8_t* Data, std::size_t Size, TBitmap& Out, std::int64_t MaxPixels) {
  if (StartsWith(Data, Size, "BM", 2)) {
    DecodeWindowsBitmap(Data, Size, Out, MaxPixels);
    return true;
  }
  if (StartsWith(Data, Size, "\xFF\xD8", 2)) {
    DecodeJPEG(Data, Size, Out, MaxPixels);
    return true;
  }
  return false;
}

}  // namespace tweenery
