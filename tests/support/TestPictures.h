// Pictures whose every pixel says where it comes from: picture tag (0-3),
// column and row (each below 2048). A frame can then be checked pixel by
// pixel against the picture and position each pixel must come from.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "platform/Graphics.h"

namespace tweenery::test {

constexpr std::uint32_t kFromTag = 1;
constexpr std::uint32_t kToTag = 2;

inline std::uint32_t CodedPixel(std::uint32_t Tag, int X, int Y) {
  return 0xFF000000u | (Tag << 22) | (static_cast<std::uint32_t>(Y) << 11) | static_cast<std::uint32_t>(X);
}

inline std::unique_ptr<TBitmap> CodedPicture(int Width, int Height, std::uint32_t Tag) {
  auto bitmap = std::make_unique<TBitmap>(Width, Height);
  for (int y = 0; y < Height; ++y) {
    std::uint32_t* row = bitmap->ScanLine(y);
    for (int x = 0; x < Width; ++x) row[x] = CodedPixel(Tag, x, y);
  }
  return bitmap;
}

inline std::unique_ptr<TBitmap> SolidPicture(int Width, int Height, TColor Color) {
  auto bitmap = std::make_unique<TBitmap>(Width, Height);
  bitmap->Canvas()->Brush()->SetColor(Color);
  bitmap->Canvas()->FillRect(Rect(0, 0, Width, Height));
  return bitmap;
}

// Every pixel a seeded random colour: for comparing colour arithmetic with
// a plain reference over all channel values.
inline std::unique_ptr<TBitmap> RandomPicture(int Width, int Height, std::uint32_t Seed) {
  auto bitmap = std::make_unique<TBitmap>(Width, Height);
  std::mt19937 random(Seed);
  for (int y = 0; y < Height; ++y) {
    std::uint32_t* row = bitmap->ScanLine(y);
    for (int x = 0; x < Width; ++x) row[x] = 0xFF000000u | (random() & 0xFFFFFFu);
  }
  return bitmap;
}

// The expected pixel of a frame that shows the coded picture Tag unchanged.
inline auto WholePicture(std::uint32_t Tag) {
  return [Tag](int X, int Y) { return CodedPixel(Tag, X, Y); };
}

inline std::uint32_t PixelAt(const TBitmap& Bitmap, int X, int Y) { return Bitmap.ScanLine(Y)[X]; }

// "From(3,4)", "To(0,0)", "fill 00c0c0c0": readable failure messages.
inline std::string DescribePixel(std::uint32_t Pixel) {
  const std::uint32_t tag = (Pixel >> 22) & 3u;
  const int x = static_cast<int>(Pixel & 0x7FFu), y = static_cast<int>((Pixel >> 11) & 0x7FFu);
  if (tag == kFromTag) return "From(" + std::to_string(x) + "," + std::to_string(y) + ")";
  if (tag == kToTag) return "To(" + std::to_string(x) + "," + std::to_string(y) + ")";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "pixel %08x", Pixel);
  return buffer;
}

// The first pixel of Frame that differs from Want(x, y), described; empty
// when every pixel matches. Use as EXPECT_EQ(FirstMismatch(...), "").
template <class WantPixel>
std::string FirstMismatch(const TBitmap& Frame, WantPixel&& Want) {
  for (int y = 0; y < Frame.Height(); ++y)
    for (int x = 0; x < Frame.Width(); ++x) {
      const std::uint32_t got = PixelAt(Frame, x, y), want = Want(x, y);
      if (got != want)
        return "at " + std::to_string(x) + "," + std::to_string(y) + ": " + DescribePixel(got) + ", want " +
               DescribePixel(want);
    }
  return {};
}

}  // namespace tweenery::test
