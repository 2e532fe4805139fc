#include <gtest/gtest.h>

#include <functional>

#include "platform/Graphics.h"
#include "platform/ImageCodecs.h"

namespace tweenery::test {
namespace {

std::vector<std::uint8_t> CorpusFile(const std::string& Name) {
  return ReadFileBytes(std::string(TWEENERY_TEST_DATA) + "/" + Name);
}

void Put32(std::vector<std::uint8_t>& Bytes, std::size_t At, std::uint32_t Value) {
  for (int i = 0; i < 4; ++i) Bytes.at(At + i) = static_cast<std::uint8_t>(Value >> (8 * i));
}

std::uint32_t Get32(const std::vector<std::uint8_t>& Bytes, std::size_t At) {
  return Bytes.at(At) | (Bytes.at(At + 1) << 8) | (Bytes.at(At + 2) << 16) | (std::uint32_t{Bytes.at(At + 3)} << 24);
}

// Each file was written by an image tool; the .rgb beside it is that tool's
// own decode, top-down rows of 8-bit R, G, B.
const char* const kCorpus[] = {
    "rgb24-v3", "rgb24-v5", "rgb24-core", "rgb24-v3-topdown", "rgb32-v3", "rgb16-v3",
    "bitfields565-v3", "bitfields565-v5", "bitfields555-v5", "bitfields32-v5",
    "mono1-v4", "mono1-core", "pal4-v3", "pal4-core", "pal8-v3", "pal8-core", "pal8-short-v3",
    "rle4-v3", "rle8-v3", "rle8-delta-v3",
};

TEST(WindowsBitmap, EveryCorpusLayoutDecodesAsTheImageToolDoes) {
  for (const char* name : kCorpus) {
    SCOPED_TRACE(name);
    const auto bytes = CorpusFile(std::string(name) + ".bmp");
    const auto rgb = CorpusFile(std::string(name) + ".rgb");
    TBitmap picture;
    DecodeWindowsBitmap(bytes.data(), bytes.size(), picture);
    ASSERT_EQ(picture.Width(), 37);
    ASSERT_EQ(picture.Height(), 23);
    ASSERT_EQ(rgb.size(), 37u * 23u * 3u);
    for (int y = 0; y < 23; ++y)
      for (int x = 0; x < 37; ++x) {
        const std::uint8_t* want = &rgb[(static_cast<std::size_t>(y) * 37 + x) * 3];
        const std::uint32_t expected = 0xFF000000u | (want[0] << 16) | (want[1] << 8) | want[2];
        ASSERT_EQ(picture.ScanLine(y)[x], expected) << "at " << x << "," << y;
      }
  }
}

// A decode that must fail must also leave the destination alone. The bytes
// are copied into a buffer of exactly their size, so ASan sees any read past
// the end.
void ExpectRefused(std::vector<std::uint8_t> Bytes, std::int64_t MaxPixels = MaxImagePixels) {
  TBitmap out(3, 2);
  out.ScanLine(1)[2] = 0xFF123456u;
  const std::vector<std::uint8_t> exact(Bytes.begin(), Bytes.end());
  EXPECT_THROW(DecodeWindowsBitmap(exact.data(), exact.size(), out, MaxPixels), EInvalidGraphic);
  EXPECT_EQ(out.Width(), 3);
  EXPECT_EQ(out.Height(), 2);
  EXPECT_EQ(out.ScanLine(1)[2], 0xFF123456u);
}

TEST(WindowsBitmap, EveryTruncationIsRefused) {
  for (const char* name : kCorpus) {
    const auto bytes = CorpusFile(std::string(name) + ".bmp");
    for (std::size_t cut = 0; cut < bytes.size(); cut += 7) {
      SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(cut));
      ExpectRefused({bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)});
    }
  }
}

TEST(WindowsBitmap, MalformedFilesAreRefused) {
  // Offsets in a file with a 40-byte header.
  constexpr std::size_t kOffBits = 10, kHeaderSize = 14, kWidth = 18, kHeight = 22, kBpp = 28, kUsed = 46;
  struct TCase {
    const char* What;
    const char* File;
    std::function<void(std::vector<std::uint8_t>&)> Break;
  };
  const TCase cases[] = {
      {"zero width", "rgb24-v3", [](auto& b) { Put32(b, kWidth, 0); }},
      {"negative width", "rgb24-v3", [](auto& b) { Put32(b, kWidth, static_cast<std::uint32_t>(-37)); }},
      {"zero height", "rgb24-v3", [](auto& b) { Put32(b, kHeight, 0); }},
      {"most negative height", "rgb24-v3", [](auto& b) { Put32(b, kHeight, 0x80000000u); }},
      {"absurd size", "rgb24-v3", [](auto& b) { Put32(b, kWidth, 100000), Put32(b, kHeight, 100000); }},
      {"more rows than bytes", "rgb24-v3", [](auto& b) { Put32(b, kHeight, 24); }},
      {"RLE image over 1 GiB of pixels", "rle8-v3", [](auto& b) { Put32(b, kWidth, 16385), Put32(b, kHeight, 16384); }},
      {"pixel offset past the end", "rgb24-v3", [](auto& b) { Put32(b, kOffBits, static_cast<std::uint32_t>(b.size())); }},
      {"pixel offset inside the header", "rgb24-v3", [](auto& b) { Put32(b, kOffBits, 20); }},
      {"pixel offset huge", "rle8-v3", [](auto& b) { Put32(b, kOffBits, 0xFFFFFFF0u); }},
      {"unknown header size", "rgb24-v3", [](auto& b) { Put32(b, kHeaderSize, 41); }},
      {"header size past the end", "rgb24-v3", [](auto& b) { Put32(b, kHeaderSize, 0xFFFFFFF0u); }},
      {"unsupported bit depth", "rgb24-v3", [](auto& b) { b[kBpp] = 7; }},
      {"top-down RLE", "rle8-v3", [](auto& b) { Put32(b, kHeight, static_cast<std::uint32_t>(-23)); }},
      {"overlapping masks", "bitfields565-v3", [](auto& b) { Put32(b, 54, 0x0FE0); }},
      {"mask with gaps", "bitfields565-v3", [](auto& b) { Put32(b, 54, 0xA800); }},
      {"mask wider than the pixel", "bitfields565-v3", [](auto& b) { Put32(b, 54, 0x1F0000); }},
      {"colour table larger than the depth", "pal8-v3", [](auto& b) { Put32(b, kUsed, 257); }},
      {"colour table over the pixels", "pal8-short-v3", [](auto& b) { Put32(b, kUsed, 21); }},
      {"index past a short table", "pal8-short-v3", [](auto& b) { b[Get32(b, kOffBits) + 5] = 20; }},
      // Rows are 37 pixels, stored in 40 with their padding.
      {"RLE run past the row", "rle8-v3", [](auto& b) { b[Get32(b, kOffBits)] = 41; }},
      {"RLE literal past the row", "rle8-v3", [](auto& b) { b[Get32(b, kOffBits)] = 0, b[Get32(b, kOffBits) + 1] = 41; }},
      {"RLE move past the image", "rle8-v3", [](auto& b) {
         const std::uint8_t move[] = {0, 2, 0, 23};
         std::copy(std::begin(move), std::end(move), b.begin() + Get32(b, kOffBits));
       }},
      {"RLE rows past the image", "rle4-v3", [](auto& b) {
         b.resize(Get32(b, kOffBits));
         for (int row = 0; row < 24; ++row) b.push_back(0), b.push_back(0);
         b.push_back(0), b.push_back(1);
       }},
      {"RLE index past the table", "rle4-v3", [](auto& b) { Put32(b, kUsed, 2); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    auto bytes = CorpusFile(std::string(c.File) + ".bmp");
    c.Break(bytes);
    ExpectRefused(bytes);
  }
  // A caller's tighter budget is honoured before allocating.
  ExpectRefused(CorpusFile("rle8-v3.bmp"), 37 * 23 - 1);
}

}  // namespace
}  // namespace tweenery::test
