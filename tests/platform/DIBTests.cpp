#include <gtest/gtest.h>

#include <vector>

#include "TestPictures.h"
#include "platform/DIB.h"

namespace tweenery::test {
namespace {

TBitmapInfoHeader Header24(int Width, int Height) {
  TBitmapInfoHeader h;
  h.biSize = 40;
  h.biWidth = Width;
  h.biHeight = Height;
  h.biPlanes = 1;
  h.biBitCount = 24;
  return h;
}

// Odd widths leave 1 to 3 padding bytes per row.
TEST(DIB, RowsAreBottomUpBGRPaddedAndRoundTrip) {
  for (int width : {1, 2, 3, 5, 7, 8, 13, 34}) {
    SCOPED_TRACE(width);
    const int height = 3;
    auto picture = RandomPicture(width, height, 7u + width);
    TBitmapInfoHeader h = Header24(width, height);
    ASSERT_EQ(GetDIBits(picture.get(), 0, height, nullptr, h), height);
    const std::int64_t stride = DIBStride24(width);
    ASSERT_EQ(stride % 4, 0);
    ASSERT_EQ(h.biSizeImage, stride * height);

    std::vector<std::uint8_t> bits(h.biSizeImage, 0xAA);
    ASSERT_EQ(GetDIBits(picture.get(), 0, height, bits.data(), h), height);
    for (int r = 0; r < height; ++r) {
      for (int c = 0; c < width; ++c) {
        const std::uint32_t p = PixelAt(*picture, c, height - 1 - r);
        const std::uint8_t* b = &bits[r * stride + 3 * c];
        EXPECT_EQ(b[0], p & 0xFF);
        EXPECT_EQ(b[1], (p >> 8) & 0xFF);
        EXPECT_EQ(b[2], (p >> 16) & 0xFF);
      }
      for (std::int64_t pad = 3 * width; pad < stride; ++pad) EXPECT_EQ(bits[r * stride + pad], 0);
    }

    TBitmap copy(width, height);
    ASSERT_EQ(SetDIBits(&copy, 0, height, bits.data(), h), height);
    EXPECT_EQ(FirstMismatch(copy, [&](int x, int y) { return PixelAt(*picture, x, y); }), "");
  }
}

TEST(DIB, RefusesWhatItCannotConvert) {
  auto picture = RandomPicture(4, 4, 1);
  TBitmap empty;
  std::vector<std::uint8_t> bits(64);
  TBitmapInfoHeader h = Header24(4, 4);
  EXPECT_EQ(GetDIBits(&empty, 0, 4, bits.data(), h), 0);
  TBitmapInfoHeader wrongSize = Header24(5, 4);
  EXPECT_EQ(GetDIBits(picture.get(), 0, 4, bits.data(), wrongSize), 0);
  TBitmapInfoHeader wrongDepth = Header24(4, 4);
  wrongDepth.biBitCount = 32;
  EXPECT_EQ(GetDIBits(picture.get(), 0, 4, bits.data(), wrongDepth), 0);
  EXPECT_EQ(SetDIBits(picture.get(), 0, 4, bits.data(), wrongDepth), 0);
  EXPECT_EQ(GetDIBits(picture.get(), 4, 1, bits.data(), h), 0);
  EXPECT_EQ(GetDIBits(picture.get(), 2, 10, bits.data(), h), 2);
}

// A DIB of another size lands on the bitmap's top-left corner and never
// writes past it.
TEST(DIB, WritingAnotherSizeClipsAtTheTopLeftCorner) {
  auto source = RandomPicture(4, 3, 3);
  TBitmapInfoHeader h = Header24(4, 3);
  std::vector<std::uint8_t> bits(DIBStride24(4) * 3);
  ASSERT_EQ(GetDIBits(source.get(), 0, 3, bits.data(), h), 3);
  auto target = SolidPicture(2, 5, clRed);
  EXPECT_EQ(SetDIBits(target.get(), 0, 3, bits.data(), h), 3);
  EXPECT_EQ(FirstMismatch(*target, [&](int x, int y) { return y < 3 ? PixelAt(*source, x, y) : ColorToPixel(clRed); }),
            "");
}

}  // namespace
}  // namespace tweenery::test
