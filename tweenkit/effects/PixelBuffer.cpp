#include "tweenkit/effects/FXCommon.h"

namespace tweenery {

PixelBuffer ReadPixels(TBitmap*) { throw ETweenBitmapConvert("Unable to get bitmap."); }
void WritePixels(TBitmap*, PixelBuffer& Buffer) { FreePixels(Buffer); throw ETweenBitmapConvert("Unable to set bitmap."); }
void FreePixels(PixelBuffer& Buffer) { delete[] Buffer.Bits; Buffer.Bits = nullptr; Buffer.Size = 0; }
std::uint8_t* PixelAddress(std::uint8_t* Bits, const TBitmapInfoHeader& Header, int Row, int Column) {
  return Bits + DIBStride24(Header.biWidth) * Row + 3 * static_cast<std::int64_t>(Column);
}

}  // namespace tweenery
