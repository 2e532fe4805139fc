#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "TestPictures.h"
#include "platform/ImageCodecs.h"
#include "platform/Services.h"
#include "tweenkit/Tweenery.h"

namespace tweenery::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> CorpusFile(const std::string& Name) {
  return ReadFileBytes(std::string(TWEENERY_TEST_DATA) + "/" + Name);
}

// A scratch folder for files under the names a test needs.
class ImageSources : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("tweenery-images-" + std::to_string(::getpid()));
    fs::create_directories(FDir);
    ResetServiceHooks();
  }
  void TearDown() override {
    fs::remove_all(FDir);
    ResetServiceHooks();
  }
  std::string Place(const std::string& Name, const std::vector<std::uint8_t>& Bytes) {
    const std::string path = (FDir / Name).string();
    WriteFileBytes(path, Bytes);
    return path;
  }
  std::string Path(const std::string& Name) const { return (FDir / Name).string(); }

  fs::path FDir;
  TTweenery FTweenery{nullptr};
};

std::vector<std::uint32_t> PixelsOf(const TBitmap& Picture) {
  return {Picture.Bits(), Picture.Bits() + static_cast<std::ptrdiff_t>(Picture.Width()) * Picture.Height()};
}

TEST_F(ImageSources, ExtensionChoosesTheReaderWithoutRegardToCase) {
  struct TCase {
    const char* Name;
    const char* Content;
    int Width;  // 0: the file must be refused
  };
  const TCase cases[] = {
      {"upper.BMP", "rgb24-v3.bmp", 37}, {"photo.JPEG", "baseline.jpg", 70},
      {"photo.jpe", "progressive.jpg", 70}, {"photo.Jpg", "grey.jpg", 70},
      {"picture.gif", "rgb24-v3.bmp", 0}, {"no-extension", "rgb24-v3.bmp", 0},
      {"dotted.bmp.d/inner", "rgb24-v3.bmp", 0}, {"wrong-content.bmp", "baseline.jpg", 0},
      {"wrong-content.jpg", "rgb24-v3.bmp", 0},
  };
  fs::create_directories(FDir / "dotted.bmp.d");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = Place(c.Name, CorpusFile(c.Content));
    FTweenery.SetFromImageFile("");
    HeadlessServices().Messages.clear();
    FTweenery.SetFromImageFile(path);
    if (c.Width) {
      EXPECT_TRUE(HeadlessServices().Messages.empty());
      EXPECT_EQ(FTweenery.FromImageFile(), path);
      EXPECT_EQ(FTweenery.FromBitmap()->Width(), c.Width);
    } else {
      EXPECT_EQ(HeadlessServices().Messages, std::vector<std::string>{"Unable to read image file"});
      EXPECT_EQ(FTweenery.FromImageFile(), "");
      EXPECT_TRUE(FTweenery.FromBitmap()->Empty());
    }
  }
  FTweenery.SetToImageFile(Path("missing.bmp"));
  EXPECT_EQ(HeadlessServices().Messages.back(), "Unable to read image file");
}

TEST_F(ImageSources, NewPictureIsFittedToTheOtherSide) {
  auto to = CodedPicture(100, 50, kToTag);
  auto from = CodedPicture(200, 200, kFromTag);
  FTweenery.SetToBitmap(to.get());
  FTweenery.SetFromBitmap(from.get());
  EXPECT_EQ(FTweenery.FromBitmap()->Width(), 100);
  EXPECT_EQ(FTweenery.FromBitmap()->Height(), 50);
  // Scaled, not cropped: the far corner shows the source's far corner.
  const std::uint32_t corner = PixelAt(*FTweenery.FromBitmap(), 99, 49);
  bool fromFarCorner = false;
  for (int y = 196; y < 200; ++y)
    for (int x = 198; x < 200; ++x) fromFarCorner |= corner == CodedPixel(kFromTag, x, y);
  EXPECT_TRUE(fromFarCorner) << DescribePixel(corner);

  // With the other side empty a picture keeps its own size, files included.
  FTweenery.SetToBitmap(nullptr);
  FTweenery.SetFromBitmap(from.get());
  EXPECT_EQ(FTweenery.FromBitmap()->Width(), 200);
  FTweenery.SetFromImageFile("");
  FTweenery.SetToImageFile(Place("small.bmp", CorpusFile("rgb24-v3.bmp")));
  EXPECT_EQ(FTweenery.ToBitmap()->Width(), 37);
  FTweenery.SetFromImageFile(Place("rose.jpg", CorpusFile("baseline.jpg")));
  EXPECT_EQ(FTweenery.FromBitmap()->Width(), 37);
  EXPECT_EQ(FTweenery.FromBitmap()->Height(), 23);
}

// A picture taken is the one a copy would set, fitted alike, and the
// caller's bitmap is left empty; the pixels themselves move where no fitting
// is needed. While the component plays, nothing is taken.
TEST_F(ImageSources, TakenPicturesAreTheCopiedOnesWithoutTheCopy) {
  const auto to = CodedPicture(100, 50, kToTag), from = CodedPicture(200, 200, kFromTag);
  TTweenery copied(nullptr);
  copied.SetToBitmap(to.get());
  copied.SetFromBitmap(from.get());
  TBitmap lentTo, lentFrom;
  lentTo.Assign(to.get());
  lentFrom.Assign(from.get());
  const std::uint32_t* toPixels = lentTo.Bits();
  FTweenery.TakeToBitmap(lentTo);
  FTweenery.SetFromImageFile(Place("small.bmp", CorpusFile("rgb24-v3.bmp")));
  FTweenery.TakeFromBitmap(lentFrom);
  EXPECT_EQ(FTweenery.FromImageFile(), "");
  EXPECT_EQ(FTweenery.ToBitmap()->Bits(), toPixels);
  EXPECT_EQ(PixelsOf(*FTweenery.ToBitmap()), PixelsOf(*copied.ToBitmap()));
  EXPECT_EQ(FTweenery.FromBitmap()->Width(), 100);
  EXPECT_EQ(PixelsOf(*FTweenery.FromBitmap()), PixelsOf(*copied.FromBitmap()));
  EXPECT_TRUE(lentTo.Empty());
  EXPECT_TRUE(lentFrom.Empty());
  // The fill colour follows the new From picture, as SetFromBitmap has it.
  EXPECT_EQ(FTweenery.Color(), copied.Color());

  FTweenery.SetInterval(0);
  FTweenery.Play();
  ASSERT_TRUE(FTweenery.Active());
  TBitmap kept;
  kept.Assign(to.get());
  FTweenery.TakeToBitmap(kept);
  EXPECT_EQ(PixelsOf(kept), PixelsOf(*to));
  FTweenery.Stop();
}

TEST_F(ImageSources, NothingOrAnEmptyNameEmptiesThePicture) {
  const std::string path = Place("small.bmp", CorpusFile("rgb24-v3.bmp"));
  FTweenery.SetFromImageFile(path);
  ASSERT_FALSE(FTweenery.FromBitmap()->Empty());
  FTweenery.SetFromBitmap(nullptr);
  EXPECT_TRUE(FTweenery.FromBitmap()->Empty());
  EXPECT_EQ(FTweenery.FromImageFile(), "");

  FTweenery.SetToImageFile(path);
  FTweenery.SetToImageFile("");
  EXPECT_TRUE(FTweenery.ToBitmap()->Empty());
  EXPECT_EQ(FTweenery.ToImageFile(), "");
  EXPECT_TRUE(HeadlessServices().Messages.empty());
}

// Damaged files of both formats: each gives the message, and the picture,
// its file name and the colour it set stay as they were.
TEST_F(ImageSources, BrokenFilesChangeNothing) {
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> broken;
  for (const char* name : {"rle4-v3.bmp", "pal8-short-v3.bmp", "progressive.jpg", "cmyk.jpg"}) {
    const auto bytes = CorpusFile(name);
    for (std::size_t cut = 0; cut < bytes.size(); cut += 7)
      broken.emplace_back(name, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)));
  }
  auto absurd = CorpusFile("rle8-v3.bmp");
  absurd[18] = absurd[19] = absurd[20] = absurd[22] = absurd[23] = absurd[24] = 0x7F;
  broken.emplace_back("rle8-v3.bmp", absurd);
  auto pastTable = CorpusFile("pal8-short-v3.bmp");
  pastTable[pastTable[10] | (pastTable[11] << 8)] = 200;
  broken.emplace_back("pal8-short-v3.bmp", pastTable);

  const std::string good = Place("good.bmp", CorpusFile("pal8-v3.bmp"));
  FTweenery.SetFromImageFile(good);
  const auto before = PixelsOf(*FTweenery.FromBitmap());
  const TColor colour = FTweenery.Color();
  for (const auto& [origin, bytes] : broken) {
    SCOPED_TRACE(origin + " of " + std::to_string(bytes.size()) + " bytes");
    HeadlessServices().Messages.clear();
    FTweenery.SetFromImageFile(Place("broken" + fs::path(origin).extension().string(), bytes));
    ASSERT_EQ(HeadlessServices().Messages, std::vector<std::string>{"Unable to read image file"});
    ASSERT_EQ(FTweenery.FromImageFile(), good);
    ASSERT_EQ(PixelsOf(*FTweenery.FromBitmap()), before);
    ASSERT_EQ(FTweenery.Color(), colour);
  }
}

}  // namespace
}  // namespace tweenery::test
