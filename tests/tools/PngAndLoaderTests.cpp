// PNG reading and writing, and the component's loader table growing by a
// row without losing its own four.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "TestPictures.h"
#include "platform/ImageCodecs.h"
#include "media/Pictures.h"
#include "media/Png.h"
#include "media/Errors.h"
#include "tweenkit/Tweenery.h"

namespace tweenery {
namespace {

namespace fs = std::filesystem;

fs::path Scratch() {
  const fs::path folder = fs::temp_directory_path() / ("tweenery-png-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  return folder;
}

bool SamePixels(const TBitmap& A, const TBitmap& B) {
  return A.Width() == B.Width() && A.Height() == B.Height() &&
         std::memcmp(A.Bits(), B.Bits(), 4u * A.Width() * A.Height()) == 0;
}

TEST(ImageLoaders, PngJoinsTheTableWhichKeepsItsFourRows) {
  EXPECT_EQ(FindImageLoader("png"), nullptr);
  RegisterToolImageLoaders();
  EXPECT_EQ(FindImageLoader("png"), &LoadPNGFile);
  EXPECT_EQ(FindImageLoader("bmp"), &LoadBitmapFile);
  for (const char* jpeg : {"jpg", "jpe", "jpeg"}) EXPECT_EQ(FindImageLoader(jpeg), &LoadJPEGFile);
  RegisterImageLoader("PNG", LoadPNGFile);  // the same row, not a second one
  EXPECT_EQ(FindImageLoader("png"), &LoadPNGFile);

  auto picture = test::RandomPicture(37, 21, 5);
  const fs::path file = Scratch() / "Picture.PNG";
  WriteFileBytes(file.string(), EncodePNG(*picture, 6));
  std::unique_ptr<TBitmap> loaded = LoadImageFile(file.string());
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(SamePixels(*loaded, *picture));
}

TEST(Png, EveryLevelRoundTripsExactly) {
  auto picture = test::RandomPicture(64, 33, 9);
  for (int level : {0, 1, 9}) {
    const auto bytes = EncodePNG(*picture, level);
    TBitmap decoded;
    DecodePNG(bytes.data(), bytes.size(), decoded);
    EXPECT_TRUE(SamePixels(decoded, *picture)) << level;
  }
}

TEST(Png, BadDataIsRefusedWithTheReasonAndLeavesThePictureAlone) {
  auto picture = test::RandomPicture(40, 30, 2);
  const auto bytes = EncodePNG(*picture, 1);
  TBitmap kept(3, 2);
  auto refuse = [&](std::vector<std::uint8_t> data, const char* reason) {
    try {
      DecodePNG(data.data(), data.size(), kept);
      ADD_FAILURE() << "accepted: " << reason;
    } catch (const EInvalidGraphic& e) {
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
    EXPECT_EQ(kept.Width(), 3);
  };
  refuse({bytes.begin(), bytes.begin() + bytes.size() / 2}, "truncated");
  refuse({'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, "not a PNG");
  std::vector<std::uint8_t> corrupt = bytes;
  corrupt[40] ^= 0xFF;  // inside the image data: its checksum fails
  refuse(corrupt, "PNG");
  // A header claiming more pixels than the budget is refused before decoding.
  EXPECT_THROW(DecodePNG(bytes.data(), bytes.size(), kept, 100), EInvalidGraphic);
}

// A fresh bitmap is decoded into directly, without a second copy of the
// picture; it must come out as a bitmap decoded the old way, and stay empty
// when the data is bad.
TEST(Png, DecodingIntoAFreshBitmapGivesTheSamePictureOrLeavesItEmpty) {
  const auto picture = test::RandomPicture(37, 23, 9);
  const auto png = EncodePNG(*picture, 1);
  const auto jpeg = ReadFileBytes(std::string(TWEENERY_TEST_DATA) + "/baseline.jpg");
  using TDecode = void (*)(const std::uint8_t*, std::size_t, TBitmap&, std::int64_t);
  for (const auto& [decode, bytes] : {std::pair<TDecode, const std::vector<std::uint8_t>*>{DecodePNG, &png},
                                      std::pair<TDecode, const std::vector<std::uint8_t>*>{DecodeJPEG, &jpeg}}) {
    TBitmap fresh, watched;
    int changes = 0;
    watched.SetOnChange([&changes](TObject*) { ++changes; });
    decode(bytes->data(), bytes->size(), fresh, PictureLimit());
    decode(bytes->data(), bytes->size(), watched, PictureLimit());
    ASSERT_EQ(fresh.Width(), watched.Width());
    ASSERT_EQ(fresh.Height(), watched.Height());
    EXPECT_EQ(std::memcmp(fresh.Bits(), watched.Bits(), 4u * fresh.Width() * fresh.Height()), 0);
    EXPECT_EQ(changes, 1);  // a watched bitmap changes once, when whole
    if (bytes == &png) {
      EXPECT_EQ(std::memcmp(fresh.Bits(), picture->Bits(), 4u * 37 * 23), 0);
    }
    const std::vector<std::uint8_t> cut(bytes->begin(), bytes->begin() + static_cast<std::ptrdiff_t>(bytes->size() / 2));
    TBitmap empty;
    EXPECT_THROW(decode(cut.data(), cut.size(), empty, PictureLimit()), EInvalidGraphic);
    EXPECT_EQ(empty.Width(), 0);
    EXPECT_EQ(empty.Height(), 0);
  }
}

TEST(Pictures, UnreadableFilesAreNamedWithTheReason) {
  const fs::path folder = Scratch();
  auto reason = [](const std::string& name) {
    try {
      ReadPicture(name);
    } catch (const EToolFailure& e) {
      return std::string(e.what());
    }
    return std::string("read");
  };
  WriteFileBytes((folder / "notes.txt").string(), {'h', 'i', '\n'});
  WriteFileBytes((folder / "empty.bmp").string(), {});
  const auto png = EncodePNG(*test::RandomPicture(8, 8, 1), 1);
  WriteFileBytes((folder / "cut.png").string(), {png.begin(), png.begin() + 60});
  WriteFileBytes((folder / "named-wrongly.jpg").string(), png);
  EXPECT_EQ(reason((folder / "missing.png").string()), "cannot read '" + (folder / "missing.png").string() + "': no such file");
  EXPECT_NE(reason(folder.string()).find("is a folder"), std::string::npos);
  EXPECT_NE(reason((folder / "notes.txt").string()).find("not a Windows bitmap, JPEG, PNG or WebP picture"), std::string::npos);
  EXPECT_NE(reason((folder / "empty.bmp").string()).find("empty"), std::string::npos);
  EXPECT_NE(reason((folder / "cut.png").string()).find("truncated"), std::string::npos);
  // The content decides, not the name.
  EXPECT_EQ(reason((folder / "named-wrongly.jpg").string()), "read");
  fs::remove_all(folder);
}

TEST(Pictures, FittingStretchesLetterboxesOrCuts) {
  auto wide = test::SolidPicture(40, 10, clRed);
  auto contained = FitPicture(*wide, 20, 20, TFit::Contain, clBlue);
  EXPECT_EQ(test::PixelAt(*contained, 10, 0), ColorToPixel(clBlue));
  EXPECT_EQ(test::PixelAt(*contained, 10, 10), ColorToPixel(clRed));
  EXPECT_EQ(test::PixelAt(*contained, 0, 6), ColorToPixel(clBlue));
  EXPECT_EQ(test::PixelAt(*contained, 0, 7), ColorToPixel(clRed));  // rows 7 to 11 hold the picture
  EXPECT_EQ(test::PixelAt(*contained, 0, 11), ColorToPixel(clRed));
  EXPECT_EQ(test::PixelAt(*contained, 0, 12), ColorToPixel(clBlue));
  auto coded = test::CodedPicture(40, 10, test::kFromTag);
  auto covered = FitPicture(*coded, 20, 20, TFit::Cover, clBlue);
  // 80 x 20 centred: the frame shows source columns 15 to 24.
  EXPECT_EQ(test::PixelAt(*covered, 0, 0), test::CodedPixel(test::kFromTag, 15, 0));
  EXPECT_EQ(test::PixelAt(*covered, 19, 19), test::CodedPixel(test::kFromTag, 24, 9));
  auto stretched = FitPicture(*coded, 20, 20, TFit::Stretch, clBlue);
  EXPECT_EQ(test::PixelAt(*stretched, 19, 19), test::CodedPixel(test::kFromTag, 39, 9));
  auto builtIn = BuiltInPicture(1);
  EXPECT_EQ(builtIn->Width(), 422);
  EXPECT_EQ(builtIn->Height(), 143);
}

}  // namespace
}  // namespace tweenery
