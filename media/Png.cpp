// libpng's simplified interface reads (it reports every failure as a message
// and never leaves through longjmp into our frames); the full interface
// writes, since only it lets the zlib level and the row filter be chosen.
#include "media/Png.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>

#include "platform/ImageCodecs.h"

namespace tweenery {

namespace {

// Which pixels a decode gives: the colour onto black, or the alpha as grey.
enum class TPNGLayer { Colour, Premultiplied, Alpha };

std::uint32_t Premultiplied(const std::uint8_t* Bgra) {
  const std::uint32_t a = Bgra[3];
  auto times = [a](std::uint32_t c) { return (c * a + 127) / 255; };
  return 0xFF000000u | (times(Bgra[2]) << 16) | (times(Bgra[1]) << 8) | times(Bgra[0]);
}

std::uint32_t AsGrey(std::uint8_t Value) { return 0xFF000000u | Value * 0x010101u; }

void DecodeLayer(const std::uint8_t* Data, std::size_t Size, TBitmap& Out, std::int64_t MaxPixels, TPNGLayer Layer) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, Data, Size)) {
    const std::string reason = image.message;
    png_image_free(&image);
    const bool signature = Size >= 8 && std::memcmp(Data, "\x89PNG\r\n\x1a\n", 8) == 0;
    throw EInvalidGraphic(signature ? "malformed PNG: " + reason : std::string("not a PNG picture"));
  }
  if (image.width == 0 || image.height == 0 ||
      static_cast<std::int64_t>(image.width) * image.height > MaxPixels) {
    png_image_free(&image);
    throw EInvalidGraphic("PNG picture of " + std::to_string(image.width) + " x " + std::to_string(image.height) +
                          " pixels is too large");
  }
  const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
  // An empty bitmap that nobody watches is decoded into directly: emptied
  // again on failure it is as it was, and the picture is not held twice.
  const bool direct = Out.Width() == 0 && Out.Height() == 0 && !Out.OnChange();
  TBitmap scratch;
  TBitmap& decoded = direct ? Out : scratch;
  // Every pixel is decoded, or the picture is let go.
  decoded.SetSizeForOverwrite(static_cast<int>(image.width), static_cast<int>(image.height));
  // Three bytes a pixel are read into the front of the pixels' own memory
  // and spread to four from the last pixel back, so no byte is overwritten
  // before it is read.
  auto* bgr = reinterpret_cast<std::uint8_t*>(decoded.Bits());
  png_color black{0, 0, 0};
  // Composed onto black, so transparency reads as the black of new pixels.
  // The alpha is read as the one channel of a grey picture, never composed.
  image.format = Layer == TPNGLayer::Alpha ? PNG_FORMAT_GA : Layer == TPNGLayer::Premultiplied ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  if (!png_image_finish_read(&image, &black, bgr, 0, nullptr)) {
    const std::string reason = image.message;
    png_image_free(&image);
    if (direct) Out.Assign(static_cast<const TBitmap*>(nullptr));
    throw EInvalidGraphic("malformed or truncated PNG: " + reason);
  }
  std::uint32_t* d = decoded.Bits();
  if (Layer == TPNGLayer::Alpha) {
    for (std::size_t i = count; i-- > 0;) d[i] = AsGrey(bgr[2 * i + 1]);
  } else if (Layer == TPNGLayer::Premultiplied) {
    for (std::size_t i = 0; i < count; ++i) d[i] = Premultiplied(bgr + 4 * i);
  } else {
    for (std::size_t i = count; i-- > 0;) {
      const std::uint8_t* s = bgr + 3 * i;
      d[i] = 0xFF000000u | (std::uint32_t{s[2]} << 16) | (std::uint32_t{s[1]} << 8) | s[0];
    }
  }
  if (direct) Out.Modified(); else Out.Assign(&scratch);
}

}  // namespace

void DecodePNG(const std::uint8_t* Data, std::size_t Size, TBitmap& Out, std::int64_t MaxPixels) {
  DecodeLayer(Data, Size, Out, MaxPixels, TPNGLayer::Colour);
}

void DecodePNGPremultiplied(const std::uint8_t* Data, std::size_t Size, TBitmap& Out, std::int64_t MaxPixels) {
  DecodeLayer(Data, Size, Out, MaxPixels, TPNGLayer::Premultiplied);
}

void DecodePNGAlpha(const std::uint8_t* Data, std::size_t Size, TBitmap& Out, std::int64_t MaxPixels) {
  DecodeLayer(Data, Size, Out, MaxPixels, TPNGLayer::Alpha);
}

namespace {

void AppendBytes(png_structp Png, png_bytep Data, png_size_t Length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(Png));
  out->insert(out->end(), Data, Data + Length);
}

void NoFlush(png_structp) {}

// Kept free of objects with destructors: libpng leaves through longjmp.
bool WritePNG(const TBitmap& Bitmap, int Level, bool Alpha, std::vector<std::uint8_t>& Out, const char*& Failure) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    Failure = "libpng failed";
    return false;
  }
  png_set_write_fn(png, &Out, AppendBytes, NoFlush);
  png_set_compression_level(png, Level);
  // Adaptive filtering costs more than the low levels' deflate itself.
  png_set_filter(png, 0, Level <= 3 ? PNG_FILTER_SUB : PNG_ALL_FILTERS);
  png_set_IHDR(png, info, static_cast<png_uint_32>(Bitmap.Width()), static_cast<png_uint_32>(Bitmap.Height()), 8,
               Alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  if (!Alpha) png_set_filler(png, 0, PNG_FILLER_AFTER);  // the 0xFF byte of each pixel is dropped
  for (int y = 0; y < Bitmap.Height(); ++y)
    png_write_row(png, reinterpret_cast<png_const_bytep>(Bitmap.ScanLine(y)));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool WriteGreyPNG16(const std::uint16_t* Values, int Width, int Height, int Level, std::vector<std::uint8_t>& Out,
                    std::uint8_t* Row, const char*& Failure) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    Failure = "libpng failed";
    return false;
  }
  png_set_write_fn(png, &Out, AppendBytes, NoFlush);
  png_set_compression_level(png, Level);
  png_set_IHDR(png, info, static_cast<png_uint_32>(Width), static_cast<png_uint_32>(Height), 16, PNG_COLOR_TYPE_GRAY,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  // PNG stores samples big-endian; the row is laid out by hand.
  for (int y = 0; y < Height; ++y) {
    const std::uint16_t* values = Values + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width);
    for (int x = 0; x < Width; ++x) {
      Row[2 * x] = static_cast<std::uint8_t>(values[x] >> 8);
      Row[2 * x + 1] = static_cast<std::uint8_t>(values[x] & 0xFF);
    }
    png_write_row(png, Row);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeGreyPNG16(const std::vector<std::uint16_t>& Values, int Width, int Height, int Level) {
  if (Width < 1 || Height < 1 || Values.size() != static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height))
    throw EInvalidGraphic("a 16-bit grey picture needs one value per pixel");
  std::vector<std::uint8_t> out, row(static_cast<std::size_t>(Width) * 2);
  const char* failure = "libpng could not start";
  if (!WriteGreyPNG16(Values.data(), Width, Height, Level < 0 ? 0 : (Level > 9 ? 9 : Level), out, row.data(), failure))
    throw EInvalidGraphic(failure);
  return out;
}

std::vector<std::uint8_t> EncodePNG(const TBitmap& Bitmap, int Level, bool Alpha) {
  if (Bitmap.Empty()) throw EInvalidGraphic("cannot write an empty picture as PNG");
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(Bitmap.Width()) * Bitmap.Height());
  const char* failure = "libpng could not start";
  if (!WritePNG(Bitmap, Level < 0 ? 0 : (Level > 9 ? 9 : Level), Alpha, out, failure)) throw EInvalidGraphic(failure);
  return out;
}

bool LoadPNGFile(const std::string& FileName, std::unique_ptr<TBitmap>& Picture) {
  Picture.reset();
  try {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(FileName);
    auto bitmap = std::make_unique<TBitmap>();
    DecodePNG(bytes.data(), bytes.size(), *bitmap);
    Picture = std::move(bitmap);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace tweenery
