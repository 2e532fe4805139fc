#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "platform/Graphics.h"
#include "platform/ImageCodecs.h"

namespace tweenery::test {
namespace {

std::vector<std::uint8_t> CorpusFile(const std::string& Name) {
  return ReadFileBytes(std::string(TWEENERY_TEST_DATA) + "/" + Name);
}

// djpeg's output: binary PGM (P5) or PPM (P6), maxval 255.
struct TReference {
  int Width = 0, Height = 0, Channels = 0;
  std::vector<std::uint8_t> Samples;
};
TReference ReadReference(const std::string& Name) {
  const auto bytes = CorpusFile(Name);
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  std::string magic;
  int maxval = 0;
  TReference ref;
  in >> magic >> ref.Width >> ref.Height >> maxval;
  in.get();
  ref.Channels = magic == "P6" ? 3 : 1;
  const auto start = static_cast<std::size_t>(in.tellg());
  ref.Samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());
  EXPECT_EQ(maxval, 255);
  EXPECT_EQ(ref.Samples.size(), static_cast<std::size_t>(ref.Width) * ref.Height * ref.Channels);
  return ref;
}

const char* const kCorpus[] = {"baseline", "baseline444-restart", "progressive", "grey", "cmyk", "ycck"};

TEST(JPEG, EveryCorpusVariantDecodesAsDjpegDoes) {
  for (const char* name : kCorpus) {
    SCOPED_TRACE(name);
    const auto bytes = CorpusFile(std::string(name) + ".jpg");
    const TReference ref = ReadReference(std::string(name) + ".ppm");
    TBitmap picture;
    DecodeJPEG(bytes.data(), bytes.size(), picture);
    ASSERT_EQ(picture.Width(), ref.Width);
    ASSERT_EQ(picture.Height(), ref.Height);
    for (int y = 0; y < ref.Height; ++y)
      for (int x = 0; x < ref.Width; ++x) {
        const std::uint8_t* s = &ref.Samples[(static_cast<std::size_t>(y) * ref.Width + x) * ref.Channels];
        const std::uint32_t r = s[0], g = s[ref.Channels == 3 ? 1 : 0], b = s[ref.Channels == 3 ? 2 : 0];
        ASSERT_EQ(picture.ScanLine(y)[x], 0xFF000000u | (r << 16) | (g << 8) | b) << "at " << x << "," << y;
      }
  }
}

void ExpectRefused(const std::vector<std::uint8_t>& Bytes, std::int64_t MaxPixels = MaxImagePixels) {
  TBitmap out(3, 2);
  out.ScanLine(1)[2] = 0xFF123456u;
  const std::vector<std::uint8_t> exact(Bytes.begin(), Bytes.end());
  EXPECT_THROW(DecodeJPEG(exact.data(), exact.size(), out, MaxPixels), EInvalidGraphic);
  EXPECT_EQ(out.Width(), 3);
  EXPECT_EQ(out.Height(), 2);
  EXPECT_EQ(out.ScanLine(1)[2], 0xFF123456u);
}

// Truncation is a failed load, even when only the end-of-image marker is
// missing: a short file never becomes a picture with a grey remainder.
TEST(JPEG, TruncatedDataIsRefused) {
  for (const char* name : kCorpus) {
    const auto bytes = CorpusFile(std::string(name) + ".jpg");
    std::vector<std::size_t> cuts = {bytes.size() - 2, bytes.size() - 1};
    for (std::size_t cut = 0; cut < bytes.size(); cut += 7) cuts.push_back(cut);
    for (std::size_t cut : cuts) {
      SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(cut));
      ExpectRefused({bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)});
    }
  }
}

// The bands, laid one under the other, are the whole picture, whatever
// their height; and a file that goes bad part way stops the bands there.
TEST(JPEG, BandsOfRowsMakeTheWholePicture) {
  for (const char* name : kCorpus) {
    const auto bytes = CorpusFile(std::string(name) + ".jpg");
    TBitmap whole;
    DecodeJPEG(bytes.data(), bytes.size(), whole);
    for (int rows : {1, 5, whole.Height(), whole.Height() + 3}) {
      SCOPED_TRACE(std::string(name) + " in bands of " + std::to_string(rows));
      TBitmap joined(whole.Width(), whole.Height());
      int next = 0;
      DecodeJPEGBands(bytes.data(), bytes.size(), rows, [&](const TPictureBand& Band) {
        ASSERT_EQ(Band.Top, next);
        ASSERT_EQ(Band.Height, whole.Height());
        ASSERT_EQ(Band.Pixels.Width(), whole.Width());
        ASSERT_LE(Band.Rows, std::min(rows, whole.Height()));
        for (int y = 0; y < Band.Rows; ++y)
          std::copy_n(Band.Pixels.ScanLine(y), whole.Width(), joined.ScanLine(Band.Top + y));
        next += Band.Rows;
      });
      EXPECT_EQ(next, whole.Height());
      EXPECT_TRUE(std::equal(whole.Bits(), whole.Bits() + whole.Width() * whole.Height(), joined.Bits()));
    }
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2));
    int handed = 0;
    EXPECT_THROW(DecodeJPEGBands(cut.data(), cut.size(), 4, [&](const TPictureBand& Band) { handed += Band.Rows; }),
                 EInvalidGraphic)
        << name;
    EXPECT_LT(handed, whole.Height()) << name;
  }
  // What the receiver raises comes out as it was raised.
  const auto bytes = CorpusFile("baseline.jpg");
  EXPECT_THROW(DecodeJPEGBands(bytes.data(), bytes.size(), 8, [](const TPictureBand&) { throw std::range_error("x"); }),
               std::range_error);
}

// Where the frame header's height and width lie (after the SOFn marker's
// length and precision bytes).
std::size_t FrameSizeAt(const std::vector<std::uint8_t>& Bytes) {
  for (std::size_t i = 2; i + 9 < Bytes.size(); ++i)
    if (Bytes[i] == 0xFF && (Bytes[i + 1] == 0xC0 || Bytes[i + 1] == 0xC2)) return i + 5;
  ADD_FAILURE() << "no frame header";
  return 0;
}

TEST(JPEG, CorruptHeadersAndOversizeFramesAreRefused) {
  ExpectRefused({'B', 'M', 0, 0});
  ExpectRefused({});
  for (const char* name : {"baseline", "progressive"}) {
    SCOPED_TRACE(name);
    const auto good = CorpusFile(std::string(name) + ".jpg");
    const std::size_t size = FrameSizeAt(good);
    auto huge = good;  // 65000 x 65000: refused before anything is allocated
    huge[size] = huge[size + 2] = 0xFD;
    huge[size + 1] = huge[size + 3] = 0xE8;
    ExpectRefused(huge);
    auto empty = good;
    empty[size + 2] = empty[size + 3] = 0;
    ExpectRefused(empty);
    auto garbled = good;  // the Huffman table marker's length overruns
    for (std::size_t i = 2; i + 3 < garbled.size(); ++i)
      if (garbled[i] == 0xFF && garbled[i + 1] == 0xC4) garbled[i + 2] = 0xFF;
    ExpectRefused(garbled);
    ExpectRefused(good, 70 * 46 - 1);
  }
}

}  // namespace
}  // namespace tweenery::test
