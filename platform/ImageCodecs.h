/// @file
/// Image file codecs: Windows bitmaps and, through libjpeg, JPEG. Decoders are
/// strict: every length is checked before it is read, sizes are bounded
/// before anything is allocated, and a bad file raises EInvalidGraphic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tweenery {

class TBitmap;

/// The picture-size limit: the most pixels a decoder will allocate for one
/// picture, checked from the header before anything is allocated. A host may
/// change it (SetPictureLimit, clamped to 1 .. TBitmap::MaxPixels); the
/// product, the tools and the fuzz targets all use this one value, so a
/// decompression bomb is refused, or seen, the same way everywhere.
constexpr std::int64_t DefaultPictureLimit = std::int64_t{1} << 27;  ///< 512 MiB of pixels
/// The default limit, for callers that name it.
constexpr std::int64_t MaxImagePixels = DefaultPictureLimit;
/**@{*/
/// The picture-size limit in force, in pixels.
std::int64_t PictureLimit();
void SetPictureLimit(std::int64_t Pixels);
/**@}*/

/// The largest picture file worth reading for a limit: an uncompressed
/// 32-bit picture of that many pixels, plus room for headers and tables.
constexpr std::size_t MaxPictureFileBytes(std::int64_t Pixels) {
  return static_cast<std::size_t>(Pixels) * 4 + (std::size_t{1} << 20);
}

/// Whole-file access; raises EInvalidGraphic when the file cannot be read or
/// written. Only regular files are read (a pipe or a device would block or
/// never end), and one larger than MaxBytes is refused before it is read.
std::vector<std::uint8_t> ReadFileBytes(const std::string& FileName, std::size_t MaxBytes);
/// ReadFileBytes with MaxPictureFileBytes(PictureLimit()).
std::vector<std::uint8_t> ReadFileBytes(const std::string& FileName);
/// Replaces the file's content by Bytes; EInvalidGraphic on failure.
void WriteFileBytes(const std::string& FileName, const std::vector<std::uint8_t>& Bytes);

/// Windows bitmap bytes ("BM" file header included) into Out, converted to
/// the bitmap's 0xFFRRGGBB layout: 1, 4, 8, 16, 24 and 32 bits per pixel,
/// uncompressed, RLE4, RLE8 and bit-field encodings, either row order, the
/// OS/2 core header and the 40- to 124-byte headers. A malformed file raises
/// EInvalidGraphic and leaves Out as it was.
void DecodeWindowsBitmap(const std::uint8_t* Data, std::size_t Size, TBitmap& Out,
                         std::int64_t MaxPixels = PictureLimit());
/// A 24-bit bottom-up Windows bitmap with a 40-byte header.
std::vector<std::uint8_t> EncodeWindowsBitmap(const TBitmap& Bitmap);

/// JPEG bytes (baseline, progressive, greyscale, CMYK or YCCK) into Out,
/// decoded by libjpeg. Corrupt or truncated data raises EInvalidGraphic and
/// leaves Out as it was.
void DecodeJPEG(const std::uint8_t* Data, std::size_t Size, TBitmap& Out,
                std::int64_t MaxPixels = PictureLimit());

/// Rows Top to Top + Rows - 1 of a picture Height rows tall, as a decoder
/// gives them: the first Rows rows of Pixels, which is as wide as the
/// picture. Valid only while the receiver runs.
struct TPictureBand {
  const TBitmap& Pixels;  ///< the band's rows first, as wide as the picture
  int Top;                ///< the picture's row that the band's first row is
  int Rows;               ///< how many of Pixels' rows the band holds
  int Height;             ///< the whole picture's height
};
/// What takes each band of a picture as it is decoded.
using TBandReceiver = std::function<void(const TPictureBand& Band)>;
/// DecodeJPEG a band of BandRows rows at a time, top to bottom, each handed
/// to Receiver as soon as it is decoded, so that the whole picture is never
/// held. Bad data raises EInvalidGraphic, after the bands before it were
/// handed over; what Receiver raises is raised as it is.
void DecodeJPEGBands(const std::uint8_t* Data, std::size_t Size, int BandRows, const TBandReceiver& Receiver,
                     std::int64_t MaxPixels = PictureLimit());

}  // namespace tweenery

namespace tweenery {

/// Windows bitmap or JPEG bytes, told apart by their first bytes ("BM",
/// FF D8), decoded into Out. False, with Out as it was, when they are
/// neither, so a host can hand them to another decoder; a malformed file of
/// either kind raises EInvalidGraphic.
bool DecodeOwnPicture(const std::uint8_t* Data, std::size_t Size, TBitmap& Out,
                      std::int64_t MaxPixels = PictureLimit());

}  // namespace tweenery
