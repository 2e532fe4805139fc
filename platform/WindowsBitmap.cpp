#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/Graphics.h"
#include "platform/ImageCodecs.h"

namespace tweenery {

namespace {

std::uint32_t ReadLE32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}
std::uint16_t ReadLE16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
void PutLE32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutLE16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

std::vector<std::uint8_t> ReadFileBytes(const std::string& FileName) {
  std::ifstream in(FileName, std::ios::binary | std::ios::ate);
  if (!in) throw EInvalidGraphic("Cannot open file " + FileName);
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::uint64_t>(size) > MaxImageFileBytes)
    throw EInvalidGraphic("File too large: " + FileName);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  in.seekg(0);
  if (!bytes.empty() && !in.read(reinterpret_cast<char*>(bytes.data()), size))
    throw EInvalidGraphic("Cannot read file " + FileName);
  return bytes;
}

void WriteFileBytes(const std::string& FileName, const std::vector<std::uint8_t>& Bytes) {
  std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
  if (!out) throw EInvalidGraphic("Cannot create file " + FileName);
  out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
  if (!out) throw EInvalidGraphic("Cannot write file " + FileName);
}

// Uncompressed 24- and 32-bit bitmaps with a 40-byte or larger header.
void DecodeWindowsBitmap(const std::uint8_t* Data, std::size_t Size, TBitmap& Out) {
  if (Size < 14 + 40 || Data[0] != 'B' || Data[1] != 'M') throw EInvalidGraphic("Bitmap image is not valid");
  const std::uint32_t offBits = ReadLE32(Data + 10);
  const std::uint32_t headerSize = ReadLE32(Data + 14);
  if (headerSize < 40 || headerSize > Size - 14) throw EInvalidGraphic("Bitmap image is not valid");
  const auto width = static_cast<std::int32_t>(ReadLE32(Data + 18));
  const auto rawHeight = static_cast<std::int32_t>(ReadLE32(Data + 22));
  const std::uint16_t bpp = ReadLE16(Data + 28);
  const std::uint32_t compression = ReadLE32(Data + 30);
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN || compression != 0 || (bpp != 24 && bpp != 32))
    throw EInvalidGraphic("Bitmap image is not valid");
  const bool topDown = rawHeight < 0;
  const std::int64_t height = topDown ? -static_cast<std::int64_t>(rawHeight) : rawHeight;
  if (static_cast<std::int64_t>(width) * height > TBitmap::MaxPixels) throw EInvalidGraphic("Bitmap image is not valid");
  const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bpp + 31) / 32) * 4;
  if (offBits > Size || stride * static_cast<std::uint64_t>(height) > Size - offBits)
    throw EInvalidGraphic("Bitmap image is not valid");
  TBitmap bitmap(width, static_cast<int>(height));
  const int bytesPerPixel = bpp / 8;
  for (std::int64_t y = 0; y < height; ++y) {
    const std::uint8_t* src = Data + offBits + stride * static_cast<std::uint64_t>(y);
    std::uint32_t* dst = bitmap.ScanLine(static_cast<int>(topDown ? y : height - 1 - y));
    for (int x = 0; x < width; ++x, src += bytesPerPixel)
      dst[x] = 0xFF000000u | (std::uint32_t{src[2]} << 16) | (std::uint32_t{src[1]} << 8) | src[0];
  }
  Out.Assign(&bitmap);
}

std::vector<std::uint8_t> EncodeWindowsBitmap(const TBitmap& Bitmap) {
  const int w = Bitmap.Width(), h = Bitmap.Empty() ? 0 : Bitmap.Height();
  const std::size_t stride = ((static_cast<std::size_t>(w) * 24 + 31) / 32) * 4;
  const std::size_t imageSize = stride * static_cast<std::size_t>(h);
  std::vector<std::uint8_t> out(14 + 40 + imageSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  PutLE32(out, 2, static_cast<std::uint32_t>(out.size()));
  PutLE32(out, 10, 14 + 40);
  PutLE32(out, 14, 40);
  PutLE32(out, 18, static_cast<std::uint32_t>(Bitmap.Empty() ? 0 : w));
  PutLE32(out, 22, static_cast<std::uint32_t>(h));
  PutLE16(out, 26, 1);
  PutLE16(out, 28, 24);
  PutLE32(out, 34, static_cast<std::uint32_t>(imageSize));
  PutLE32(out, 38, 2835);  // 72 dpi
  PutLE32(out, 42, 2835);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* dst = out.data() + 54 + stride * static_cast<std::size_t>(h - 1 - y);
    const std::uint32_t* src = Bitmap.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      *dst++ = static_cast<std::uint8_t>(src[x]);
      *dst++ = static_cast<std::uint8_t>(src[x] >> 8);
      *dst++ = static_cast<std::uint8_t>(src[x] >> 16);
    }
  }
  return out;
}

}  // namespace tweenery
