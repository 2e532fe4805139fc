/// @file
/// Whole-bitmap pixel transfer in the device-independent 24-bit layout:
/// rows bottom-up, blue-green-red bytes, each row padded to 4 bytes.
#pragma once

#include <cstdint>

namespace tweenery {

class TBitmap;

/// biCompression of uncompressed pixels, the only encoding accepted.
constexpr std::uint32_t BI_RGB = 0;

/// The header that describes a pixel transfer: 24-bit colours, uncompressed.
struct TBitmapInfoHeader {
  std::uint32_t biSize = 0;   ///< sizeof(TBitmapInfoHeader), 40
  std::int32_t biWidth = 0;   ///< pixels per row
  std::int32_t biHeight = 0;  ///< positive: bottom-up rows
  std::uint16_t biPlanes = 0;             ///< 1
  std::uint16_t biBitCount = 0;           ///< 24; other depths are refused
  std::uint32_t biCompression = BI_RGB;   ///< BI_RGB; others are refused
  std::uint32_t biSizeImage = 0;          ///< bytes of all rows, padding included
  /**@{*/
  /// Resolution; not used.
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  /**@}*/
  /**@{*/
  /// Palette sizes; 0 for 24-bit colours.
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
  /**@}*/
};

/// Bytes per row of a 24-bit bitmap Width pixels wide.
inline std::int64_t DIBStride24(std::int64_t Width) { return ((Width * 24 + 31) & ~std::int64_t{31}) / 8; }

/// Copies scan lines StartLine..StartLine+Lines-1 (counted from the bottom) of
/// Bitmap into Bits as 24-bit pixels and returns the number of lines copied.
/// With Bits nullptr nothing is copied: Header.biSizeImage is filled in and
/// the number of lines that would be copied is returned. Only 24-bit,
/// uncompressed headers are accepted; 0 means failure.
int GetDIBits(TBitmap* Bitmap, int StartLine, int Lines, std::uint8_t* Bits, TBitmapInfoHeader& Header);
/// Writes 24-bit rows into Bitmap, resizing nothing; returns the number of
/// lines written, 0 on failure.
int SetDIBits(TBitmap* Bitmap, int StartLine, int Lines, const std::uint8_t* Bits,
              const TBitmapInfoHeader& Header);

/// Test hook: makes the next Count calls of GetDIBits (or SetDIBits) fail.
void InjectDIBFailures(int GetFailures, int SetFailures);
/// Whether an injected failure is still due: code that can do without the
/// transfer goes through it while one is, so that the failure strikes.
bool DIBFailuresPending();

}  // namespace tweenery
