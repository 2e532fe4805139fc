#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <array>
#include <cstring>
#include <fstream>
#include <iterator>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

namespace {

std::atomic<std::int64_t> CurrentPictureLimit{DefaultPictureLimit};

// Closes the descriptor on every way out.
struct TFileDescriptor {
  int Handle;
  ~TFileDescriptor() {
    if (Handle >= 0) ::close(Handle);
  }
};

}  // namespace

std::int64_t PictureLimit() { return CurrentPictureLimit.load(); }

void SetPictureLimit(std::int64_t Pixels) {
  CurrentPictureLimit = std::clamp<std::int64_t>(Pixels, 1, TBitmap::MaxPixels);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& FileName) {
  return ReadFileBytes(FileName, MaxPictureFileBytes(PictureLimit()));
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& FileName, std::size_t MaxBytes) {
  // Opened without blocking, so a pipe without a writer cannot hold the
  // caller before it is seen not to be a regular file.
  TFileDescriptor file{::open(FileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
  if (file.Handle < 0) throw EInvalidGraphic("Cannot open file " + FileName);
  struct stat info {};
  if (::fstat(file.Handle, &info) != 0 || !S_ISREG(info.st_mode))
    throw EInvalidGraphic("Not a regular file: " + FileName);
  if (info.st_size < 0 || static_cast<std::uint64_t>(info.st_size) > MaxBytes)
    throw EInvalidGraphic("File too large: " + FileName);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::read(file.Handle, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EInvalidGraphic("Cannot read file " + FileName);
    done += static_cast<std::size_t>(n);
  }
  return bytes;
}

void WriteFileBytes(const std::string& FileName, const std::vector<std::uint8_t>& Bytes) {
  std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
  if (!out) throw EInvalidGraphic("Cannot create file " + FileName);
  out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
  if (!out) throw EInvalidGraphic("Cannot write file " + FileName);
}

// ---------------------------------------------------------------- decoding
//
// Our own decoder rather than a library's: the formats in use are few and
// simple, and a small decoder lets every length be checked against the
// file before it is read and the pixel count be bounded before anything is
// allocated.

namespace {

enum TBitmapCompression : std::uint32_t { biRGB = 0, biRLE8 = 1, biRLE4 = 2, biBitFields = 3 };

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;

[[noreturn]] void Refuse(const char* Why) {
  throw EInvalidGraphic(std::string("Bitmap image is not valid: ") + Why);
}

// One colour channel of a direct-colour pixel: the masked bits, shifted down
// and widened to eight bits.
struct TChannel {
  std::uint32_t Mask = 0;
  int Shift = 0;
  int Bits = 0;
  std::array<std::uint8_t, 256> Widen{};

  std::uint32_t Of(std::uint32_t Pixel) const {
    const std::uint32_t value = (Pixel & Mask) >> Shift;
    return Bits > 8 ? value >> (Bits - 8) : Widen[value];
  }
};

TChannel MakeChannel(std::uint32_t Mask) {
  TChannel channel;
  channel.Mask = Mask;
  if (Mask == 0) return channel;
  while (!(Mask >> channel.Shift & 1)) ++channel.Shift;
  const std::uint32_t field = Mask >> channel.Shift;
  if ((field & (field + 1)) != 0) Refuse("colour mask with gaps");
  while (channel.Bits < 32 && (field >> channel.Bits & 1)) ++channel.Bits;
  if (channel.Bits <= 8) {
    // Bit replication: 5-bit 31 becomes 255, 0 stays 0, and the steps in
    // between are as even as eight bits allow.
    for (std::uint32_t v = 0; v <= field; ++v) {
      std::uint32_t wide = 0;
      int filled = 0;
      for (; filled < 8; filled += channel.Bits) wide = (wide << channel.Bits) | v;
      channel.Widen[v] = static_cast<std::uint8_t>(wide >> (filled - 8));
    }
  }
  return channel;
}

// Everything the header says about the pixels, checked against the file.
struct TBitmapLayout {
  int Width = 0;
  int Height = 0;
  bool TopDown = false;
  int BitsPerPixel = 0;
  std::uint32_t Compression = biRGB;
  std::array<std::uint32_t, 256> Palette{};
  std::uint32_t PaletteSize = 0;
  TChannel Red, Green, Blue;
  std::size_t PixelOffset = 0;
  std::size_t Stride = 0;
};

bool Indexed(const TBitmapLayout& Layout) { return Layout.BitsPerPixel <= 8; }

void ReadDimensions(const std::uint8_t* Info, std::uint32_t HeaderSize, std::int64_t MaxPixels,
                    TBitmapLayout& Layout) {
  std::int64_t width, height;
  if (HeaderSize == kCoreHeaderSize) {
    width = ReadLE16(Info + 4);
    height = ReadLE16(Info + 6);
    if (ReadLE16(Info + 8) != 1) Refuse("planes");
    Layout.BitsPerPixel = ReadLE16(Info + 10);
  } else {
    width = static_cast<std::int32_t>(ReadLE32(Info + 4));
    height = static_cast<std::int32_t>(ReadLE32(Info + 8));
    if (ReadLE16(Info + 12) != 1) Refuse("planes");
    Layout.BitsPerPixel = ReadLE16(Info + 14);
    Layout.Compression = ReadLE32(Info + 16);
  }
  Layout.TopDown = height < 0;
  if (height < 0) height = -height;
  if (width <= 0 || height <= 0) Refuse("empty or negative size");
  if (width * height > MaxPixels) Refuse("too many pixels");
  Layout.Width = static_cast<int>(width);
  Layout.Height = static_cast<int>(height);
}

void CheckEncoding(const TBitmapLayout& Layout, std::uint32_t HeaderSize) {
  const int bpp = Layout.BitsPerPixel;
  bool valid = false;
  switch (Layout.Compression) {
    case biRGB:
      valid = bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 ||
              (HeaderSize != kCoreHeaderSize && (bpp == 16 || bpp == 32));
      break;
    case biRLE8: valid = bpp == 8; break;
    case biRLE4: valid = bpp == 4; break;
    case biBitFields: valid = bpp == 16 || bpp == 32; break;
    default: break;
  }
  if (!valid) Refuse("unsupported encoding");
  // Run-length streams are always written bottom-up.
  if (Layout.TopDown && (Layout.Compression == biRLE8 || Layout.Compression == biRLE4)) Refuse("top-down RLE");
}

// Bit-field masks live in the larger headers, or in three words right after
// a 40-byte one. Returns where the colour table may start.
std::size_t ReadMasks(const std::uint8_t* Data, std::size_t Size, std::uint32_t HeaderSize,
                      TBitmapLayout& Layout) {
  std::size_t end = kFileHeaderSize + HeaderSize;
  std::uint32_t red = 0x00FF0000, green = 0x0000FF00, blue = 0x000000FF;
  if (Layout.BitsPerPixel == 16) red = 0x7C00, green = 0x03E0, blue = 0x001F;
  if (Layout.Compression == biBitFields) {
    const std::uint8_t* masks = Data + kFileHeaderSize + 40;
    if (HeaderSize == 40) {
      if (Size - end < 12) Refuse("colour masks past the end");
      end += 12;
    }
    red = ReadLE32(masks), green = ReadLE32(masks + 4), blue = ReadLE32(masks + 8);
    const std::uint64_t limit = std::uint64_t{1} << Layout.BitsPerPixel;
    if (red >= limit || green >= limit || blue >= limit) Refuse("colour mask wider than a pixel");
    if ((red & green) || (red & blue) || (green & blue)) Refuse("overlapping colour masks");
  }
  Layout.Red = MakeChannel(red);
  Layout.Green = MakeChannel(green);
  Layout.Blue = MakeChannel(blue);
  return end;
}

// The colour table: three-byte entries after a core header, four-byte ones
// otherwise; a table may be shorter than the bit depth allows.
void ReadPalette(const std::uint8_t* Data, std::size_t Start, std::uint32_t HeaderSize, TBitmapLayout& Layout) {
  const std::uint32_t full = 1u << Layout.BitsPerPixel;
  const std::size_t entrySize = HeaderSize == kCoreHeaderSize ? 3 : 4;
  std::uint32_t count = full;
  if (HeaderSize == kCoreHeaderSize) {
    count = static_cast<std::uint32_t>(std::min<std::size_t>(full, (Layout.PixelOffset - Start) / entrySize));
  } else if (const std::uint32_t used = ReadLE32(Data + kFileHeaderSize + 32); used != 0) {
    if (used > full) Refuse("colour table larger than the bit depth allows");
    count = used;
  }
  if (count == 0) Refuse("no colour table");
  if (count * entrySize > Layout.PixelOffset - Start) Refuse("colour table overlaps the pixels");
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = Data + Start + i * entrySize;
    Layout.Palette[i] = 0xFF000000u | (std::uint32_t{entry[2]} << 16) | (std::uint32_t{entry[1]} << 8) | entry[0];
  }
  Layout.PaletteSize = count;
}

// Whether a run-length stream of Bytes bytes could describe the whole
// picture. Two bytes of it fill at most 255 pixels (a run) or the rest of
// one row (an end of line); a stream that ends the picture early or moves
// over most of it leaves the rest at colour 0, which is cheap only for a
// small picture. So past kSparseRunLengthPixels a declared size larger than
// the stream could fill is refused before anything is allocated, as
// uncompressed pixels past the end of the file are.
constexpr std::uint64_t kSparseRunLengthPixels = std::uint64_t{1} << 20;

bool RunLengthCanFill(const TBitmapLayout& Layout, std::size_t Bytes) {
  const std::uint64_t pixels = static_cast<std::uint64_t>(Layout.Width) * static_cast<std::uint64_t>(Layout.Height);
  if (pixels <= kSparseRunLengthPixels) return true;
  const std::uint64_t perPair = std::max<std::uint64_t>(255, static_cast<std::uint64_t>(Layout.Width));
  return static_cast<std::uint64_t>(Bytes / 2) * perPair >= pixels;
}

TBitmapLayout ReadLayout(const std::uint8_t* Data, std::size_t Size, std::int64_t MaxPixels) {
  if (Size < kFileHeaderSize + 4 || Data[0] != 'B' || Data[1] != 'M') Refuse("not a bitmap file");
  const std::uint32_t headerSize = ReadLE32(Data + kFileHeaderSize);
  if (headerSize != kCoreHeaderSize && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
      headerSize != 108 && headerSize != 124)
    Refuse("unknown header");
  if (Size - kFileHeaderSize < headerSize) Refuse("header past the end");
  TBitmapLayout layout;
  ReadDimensions(Data + kFileHeaderSize, headerSize, MaxPixels, layout);
  CheckEncoding(layout, headerSize);
  const std::size_t tableStart = ReadMasks(Data, Size, headerSize, layout);
  layout.PixelOffset = ReadLE32(Data + 10);
  if (layout.PixelOffset < tableStart || layout.PixelOffset >= Size) Refuse("pixel offset outside the file");
  if (Indexed(layout)) ReadPalette(Data, tableStart, headerSize, layout);
  layout.Stride = static_cast<std::size_t>((static_cast<std::uint64_t>(layout.Width) * layout.BitsPerPixel + 31) / 32 * 4);
  const bool runLength = layout.Compression == biRLE8 || layout.Compression == biRLE4;
  if (!runLength && static_cast<std::uint64_t>(layout.Stride) * layout.Height > Size - layout.PixelOffset)
    Refuse("pixels past the end");
  if (runLength && !RunLengthCanFill(layout, Size - layout.PixelOffset))
    Refuse("run-length data too short for the picture's size");
  return layout;
}

std::uint32_t* RowOf(TBitmap& Picture, const TBitmapLayout& Layout, int StoredRow) {
  return Picture.ScanLine(Layout.TopDown ? StoredRow : Layout.Height - 1 - StoredRow);
}

const std::uint8_t* StoredRowBytes(const std::uint8_t* Data, const TBitmapLayout& Layout, int StoredRow) {
  return Data + Layout.PixelOffset + Layout.Stride * static_cast<std::size_t>(StoredRow);
}

// The hot path for ordinary photographs. Four pixels are three
// little-endian words (B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3), so whole
// words are loaded and split rather than each byte loaded on its own.
int DecodeRGB24Words(const std::uint8_t* Src, std::uint32_t* Dst, int Width) {
  int x = 0;
  for (; x + 4 <= Width; x += 4, Src += 12) {
    const std::uint32_t w[3] = {ReadLE32(Src), ReadLE32(Src + 4), ReadLE32(Src + 8)};
    Dst[x] = 0xFF000000u | (w[0] & 0xFFFFFFu);
    Dst[x + 1] = 0xFF000000u | (w[0] >> 24) | ((w[1] & 0xFFFFu) << 8);
    Dst[x + 2] = 0xFF000000u | (w[1] >> 16) | ((w[2] & 0xFFu) << 16);
    Dst[x + 3] = 0xFF000000u | (w[2] >> 8);
  }
  return x;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// Sixteen pixels from three 16-byte loads, spread by byte shuffles; the
// loads stay within the 48 bytes the pixels occupy.
__attribute__((target("ssse3"))) int DecodeRGB24Shuffled(const std::uint8_t* Src, std::uint32_t* Dst, int Width) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int x = 0;
  for (; x + 16 <= Width; x += 16, Src += 48) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + 32));
    const __m128i quads[4] = {a, _mm_alignr_epi8(b, a, 12), _mm_alignr_epi8(c, b, 8), _mm_srli_si128(c, 4)};
    for (int i = 0; i < 4; ++i)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + x + 4 * i),
                       _mm_or_si128(_mm_shuffle_epi8(quads[i], spread), opaque));
  }
  return x;
}

bool CanShuffle() {
  static const bool supported = __builtin_cpu_supports("ssse3");
  return supported;
}
#endif

void DecodeRGB24Row(const std::uint8_t* Src, std::uint32_t* Dst, int Width) {
  int x = 0;
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  if (CanShuffle()) x = DecodeRGB24Shuffled(Src, Dst, Width);
#endif
  x += DecodeRGB24Words(Src + 3 * x, Dst + x, Width - x);
  for (Src += 3 * x; x < Width; ++x, Src += 3)
    Dst[x] = 0xFF000000u | (std::uint32_t{Src[2]} << 16) | (std::uint32_t{Src[1]} << 8) | Src[0];
}

void DecodeMaskedRow(const std::uint8_t* Src, std::uint32_t* Dst, const TBitmapLayout& Layout) {
  const bool wide = Layout.BitsPerPixel == 32;
  for (int x = 0; x < Layout.Width; ++x) {
    const std::uint32_t pixel = wide ? ReadLE32(Src + 4 * x) : ReadLE16(Src + 2 * x);
    Dst[x] = 0xFF000000u | (Layout.Red.Of(pixel) << 16) | (Layout.Green.Of(pixel) << 8) | Layout.Blue.Of(pixel);
  }
}

std::uint32_t PaletteColour(const TBitmapLayout& Layout, std::uint32_t Index) {
  if (Index >= Layout.PaletteSize) Refuse("colour index past the colour table");
  return Layout.Palette[Index];
}

void DecodeIndexedRow(const std::uint8_t* Src, std::uint32_t* Dst, const TBitmapLayout& Layout) {
  const int bpp = Layout.BitsPerPixel;
  const int perByte = 8 / bpp;
  const std::uint32_t mask = (1u << bpp) - 1;
  for (int x = 0; x < Layout.Width; ++x) {
    const int shift = 8 - bpp * (x % perByte + 1);
    Dst[x] = PaletteColour(Layout, (Src[x / perByte] >> shift) & mask);
  }
}

void DecodeUncompressed(const std::uint8_t* Data, const TBitmapLayout& Layout, TBitmap& Picture) {
  for (int row = 0; row < Layout.Height; ++row) {
    const std::uint8_t* src = StoredRowBytes(Data, Layout, row);
    std::uint32_t* dst = RowOf(Picture, Layout, row);
    if (Indexed(Layout))
      DecodeIndexedRow(src, dst, Layout);
    else if (Layout.BitsPerPixel == 24)
      DecodeRGB24Row(src, dst, Layout.Width);
    else
      DecodeMaskedRow(src, dst, Layout);
  }
}

// An RLE4 or RLE8 stream. Pixels the stream skips (end of line early, delta
// moves) keep colour index 0, as a zeroed index buffer would give. Some
// writers encode whole stored rows, padding included, so a run may reach
// into the padding, whose pixels are dropped; a run beyond it is refused.
class TRunLengthDecoder {
 public:
  TRunLengthDecoder(const std::uint8_t* Data, std::size_t Size, const TBitmapLayout& Layout, TBitmap& Picture)
      : FPos(Data + Layout.PixelOffset), FEnd(Data + Size), FLayout(Layout), FPicture(Picture),
        FNibbles(Layout.Compression == biRLE4),
        FStoredWidth(static_cast<int>(std::min<std::size_t>(Layout.Stride * 8 / Layout.BitsPerPixel, INT32_MAX))) {}

  void Run() {
    const std::uint32_t background = PaletteColour(FLayout, 0);
    for (int y = 0; y < FLayout.Height; ++y) std::fill_n(FPicture.ScanLine(y), FLayout.Width, background);
    for (;;) {
      const std::uint8_t count = Next(), value = Next();
      if (count > 0) {
        Repeat(count, value);
      } else if (value == 0) {
        if (FY >= FLayout.Height) Refuse("run-length rows past the image");
        FX = 0;
        ++FY;
      } else if (value == 1) {
        return;
      } else if (value == 2) {
        const std::uint8_t dx = Next(), dy = Next();
        FX += dx;
        FY += dy;
        if (FX > FStoredWidth || FY >= FLayout.Height) Refuse("run-length move past the image");
      } else {
        Literal(value);
      }
    }
  }

 private:
  std::uint8_t Next() {
    if (FPos == FEnd) Refuse("run-length data past the end");
    return *FPos++;
  }

  // Where a run of Count pixels goes, and how many of them are visible.
  std::uint32_t* Room(int Count, int& Visible) {
    if (FY >= FLayout.Height || Count > FStoredWidth - FX) Refuse("run past the row");
    std::uint32_t* at = FPicture.ScanLine(FLayout.Height - 1 - FY) + FX;
    Visible = std::clamp(FLayout.Width - FX, 0, Count);
    FX += Count;
    return at;
  }

  void Repeat(int Count, std::uint8_t Value) {
    int visible;
    std::uint32_t* dst = Room(Count, visible);
    if (!FNibbles) {
      std::fill_n(dst, visible, PaletteColour(FLayout, Value));
      return;
    }
    const std::uint32_t colours[2] = {PaletteColour(FLayout, Value >> 4), PaletteColour(FLayout, Value & 15)};
    for (int i = 0; i < visible; ++i) dst[i] = colours[i & 1];
  }

  void Literal(int Count) {
    int visible;
    std::uint32_t* dst = Room(Count, visible);
    const int bytes = FNibbles ? (Count + 1) / 2 : Count;
    if (FEnd - FPos < bytes + (bytes & 1)) Refuse("run-length data past the end");
    for (int i = 0; i < visible; ++i) {
      const std::uint8_t byte = FPos[FNibbles ? i / 2 : i];
      dst[i] = PaletteColour(FLayout, FNibbles ? (i & 1 ? byte & 15 : byte >> 4) : byte);
    }
    FPos += bytes + (bytes & 1);  // literal runs end on a 16-bit boundary
  }

  const std::uint8_t* FPos;
  const std::uint8_t* FEnd;
  const TBitmapLayout& FLayout;
  TBitmap& FPicture;
  bool FNibbles;
  int FStoredWidth;  // pixels in a stored row, padding included
  int FX = 0;
  int FY = 0;
};

}  // namespace

void DecodeWindowsBitmap(const std::uint8_t* Data, std::size_t Size, TBitmap& Out, std::int64_t MaxPixels) {
  const TBitmapLayout layout = ReadLayout(Data, Size, MaxPixels);
  if (!Indexed(layout) && layout.Compression != biRLE8 && layout.Compression != biRLE4) {
    // Nothing can fail past the header checks, so the pixels go straight
    // into Out without an intermediate copy.
    Out.SetSize(layout.Width, layout.Height);
    DecodeUncompressed(Data, layout, Out);
    Out.Modified();
    return;
  }
  TBitmap picture(layout.Width, layout.Height);
  if (layout.Compression == biRGB)
    DecodeUncompressed(Data, layout, picture);
  else
    TRunLengthDecoder(Data, Size, layout, picture).Run();
  Out.Assign(&picture);
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
