// What a run holds: a slideshow's pictures are read one at a time and let
// go once no transition needs them, so memory follows the frame size, not
// the number or size of the pictures.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "CommandRunner.h"
#include "TestPictures.h"
#include "media/Errors.h"
#include "media/FrameWriter.h"
#include "media/Pictures.h"
#include "media/Programme.h"
#include "platform/ImageCodecs.h"

namespace tweenery {
namespace {

namespace fs = std::filesystem;

// A decoded original that counts how many of its kind are alive.
class TCountedPicture : public TBitmap {
 public:
  TCountedPicture(int Width, int Height, std::uint32_t Seed, int& Live) : TBitmap(Width, Height), FLive(Live) {
    const auto picture = test::RandomPicture(Width, Height, Seed);
    Assign(picture.get());
    ++FLive;
  }
  ~TCountedPicture() override { --FLive; }

 private:
  int& FLive;
};

// Pictures "0", "1", ... of 30 x 20, each different, read by a reader that
// notes how many originals are alive at once and how often it is called.
struct TCountingReader {
  int Live = 0, MostLive = 0, Reads = 0;
  TPictureSource::TReader Reader() {
    return [this](const std::string& Name) -> std::unique_ptr<TBitmap> {
      ++Reads;
      auto picture = std::make_unique<TCountedPicture>(30, 20, static_cast<std::uint32_t>(std::stoi(Name)) + 1, Live);
      MostLive = std::max(MostLive, Live);
      return picture;
    };
  }
};

std::vector<std::string> Names(int Count) {
  std::vector<std::string> names;
  for (int i = 0; i < Count; ++i) names.push_back(std::to_string(i));
  return names;
}

bool SamePixels(const TBitmap& A, const TBitmap& B) {
  return A.Width() == B.Width() && A.Height() == B.Height() &&
         std::memcmp(A.Bits(), B.Bits(), 4u * A.Width() * A.Height()) == 0;
}

TEST(PictureSource, EachOriginalGoesBeforeTheNextIsReadAndOnlyOneTransitionsPicturesStay) {
  TCountingReader counting;
  TPictureSource source(Names(40), 16, 12, TFit::Contain, clTeal, counting.Reader());
  EXPECT_EQ(counting.Reads, 0);  // the size is known, so nothing is read yet
  std::vector<std::weak_ptr<const TBitmap>> given;
  for (std::size_t i = 0; i + 1 < source.Count(); ++i) {
    const auto from = source.Picture(i), to = source.Picture(i + 1);
    EXPECT_EQ(from->Width(), 16);
    EXPECT_EQ(counting.Live, 0) << "an original outlived its fitting";
    if (given.size() <= i + 1) given.resize(i + 2);
    given[i] = from;
    given[i + 1] = to;
  }
  EXPECT_EQ(counting.MostLive, 1);
  EXPECT_EQ(counting.Reads, 40);  // each picture once, shared by its two transitions
  EXPECT_EQ(std::count_if(given.begin(), given.end(), [](const auto& p) { return !p.expired(); }), 2);

  // One asked for again after it was let go is read again, the same.
  const auto again = source.Picture(3);
  EXPECT_EQ(counting.Reads, 41);
  const auto original = std::make_unique<TCountedPicture>(30, 20, 4, counting.Live);
  EXPECT_TRUE(SamePixels(*again, *FitPicture(*original, 16, 12, TFit::Contain, clTeal)));
  // Without a size, the first picture gives it and is read once.
  TPictureSource sized(Names(3), 0, 0, TFit::Stretch, clBlack, counting.Reader());
  EXPECT_EQ(sized.Width(), 30);
  sized.Picture(0);
  EXPECT_EQ(counting.Reads, 42);
}

// A JPEG fitted while it is decoded is the picture FitPicture makes of the
// whole: shrunk, enlarged (rows repeated), cut, of the frame size already,
// greyscale, CMYK and progressive.
TEST(PictureSource, AJPEGFittedAsItIsDecodedIsTheWholePictureFitted) {
  for (const char* name : {"baseline", "progressive", "grey", "cmyk"}) {
    const std::string file = std::string(TWEENERY_TEST_DATA) + "/" + name + ".jpg";
    const auto whole = ReadPicture(file);
    const std::vector<std::pair<int, int>> sizes = {
        {whole->Width(), whole->Height()}, {7, 5}, {whole->Width() * 3 + 1, whole->Height() * 2}, {31, 97}};
    for (const auto& [width, height] : sizes)
      for (TFit fit : {TFit::Stretch, TFit::Contain, TFit::Cover}) {
        SCOPED_TRACE(std::string(name) + " at " + std::to_string(width) + "x" + std::to_string(height) + ", fit " +
                     std::to_string(static_cast<int>(fit)));
        EXPECT_TRUE(SamePixels(*ReadFittedPicture(file, width, height, fit, clFuchsia),
                               *FitPicture(*whole, width, height, fit, clFuchsia)));
      }
  }
  // A damaged one is refused with the file's name.
  const std::string cut = ::testing::TempDir() + "/cut.jpg";
  auto bytes = ReadFileBytes(std::string(TWEENERY_TEST_DATA) + "/baseline.jpg");
  bytes.resize(bytes.size() / 2);
  WriteFileBytes(cut, bytes);
  try {
    ReadFittedPicture(cut, 16, 16, TFit::Contain, clBlack);
    ADD_FAILURE() << "a truncated JPEG was read";
  } catch (const EToolFailure& e) {
    EXPECT_NE(e.Message().find("cannot read '" + cut + "'"), std::string::npos) << e.Message();
  }
}

// A sink that keeps nothing but a running check of the frames.
class TCheckingSink : public TFrameSink {
 public:
  explicit TCheckingSink(std::function<void(const TBitmap&)> Check) : FCheck(std::move(Check)) {}
  void Write(const TBitmap& Frame) override { FCheck(Frame); }
  void Finish() override {}
  std::string Description() const override { return "checked frames"; }

 private:
  std::function<void(const TBitmap&)> FCheck;
};

TEST(PictureSource, AProgrammeReadingAsItGoesWritesTheFramesOfOneHoldingEverything) {
  for (int jobs : {1, 3}) {
    TCountingReader counting;
    TPictureSource source(Names(12), 24, 16, TFit::Stretch, clBlack, counting.Reader());
    std::vector<std::unique_ptr<TBitmap>> held;
    for (int i = 0; i < 12; ++i) held.push_back(FitPicture(*source.Picture(i), 24, 16, TFit::Stretch, clBlack));
    counting.Reads = 0;
    TProgramme reading, holding;
    reading.SetPictureSource(&source);
    for (std::size_t i = 0; i + 1 < 12; ++i) {
      TTransitionPlan plan;
      plan.Settings.Operation = i % 2 ? toRoll : toSwarm;  // composed apart, and in turn
      plan.Settings.Seed = i;
      plan.Count = 4;
      plan.FromPicture = i;
      plan.ToPicture = i + 1;
      reading.AddTransition(plan);
      plan.From = held[i].get();
      plan.To = held[i + 1].get();
      holding.AddTransition(plan);
      for (TProgramme* p : {&reading, &holding}) {
        p->AddPart(i, TProgramme::TPartKind::Run, -1);
        p->AddPart(i, TProgramme::TPartKind::LastFrame, 2);
      }
    }
    std::vector<std::unique_ptr<TBitmap>> want;
    TCheckingSink keep([&](const TBitmap& Frame) {
      want.push_back(std::make_unique<TBitmap>());
      want.back()->Assign(&Frame);
    });
    WriteFrames(holding, holding.FrameCount(), keep, 1, {});
    std::size_t index = 0;
    TCheckingSink compare([&](const TBitmap& Frame) {
      ASSERT_LT(index, want.size());
      EXPECT_TRUE(SamePixels(Frame, *want[index])) << "frame " << index << " with " << jobs << " jobs";
      ++index;
      EXPECT_LE(counting.MostLive, 1);
    });
    WriteFrames(reading, reading.FrameCount(), compare, jobs, {});
    EXPECT_EQ(index, want.size());
    EXPECT_LE(counting.Reads, 12 + 2);  // each picture once, the first two maybe again
  }
}

// ---------------------------------------------------------------- resident memory

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// The peak resident size, in kB, of a child process that runs the command.
long PeakResidentKB(const std::vector<std::string>& Arguments) {
  const pid_t child = fork();
  if (child == 0) {
    std::ostringstream out, err;
    _exit(RunTweenery(Arguments, out, err));
  }
  int status = 0;
  rusage usage{};
  EXPECT_EQ(wait4(child, &status, 0, &usage), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the command failed: " << status;
  return usage.ru_maxrss;
}

class Memory : public test::TFolderTest {
 protected:
  // The peak of a show of Count names of one photograph (each read on its
  // own) at 160 x 120.
  long ShowPeakKB(const std::string& Photo, int Count) {
    std::vector<std::string> arguments = {"show"};
    for (int i = 0; i < Count; ++i) {
      const fs::path photo(Photo);
      const std::string name = Path(photo.stem().string() + std::to_string(i) + photo.extension().string());
      if (!fs::exists(name)) fs::create_symlink(Path(Photo), name);
      arguments.push_back(name);
    }
    const std::vector<std::string> rest = {"--size", "160x120", "--operation", "Push,Fade", "--duration", "0.1",
                                           "--fps",  "10",      "--hold",      "0.1",       "--jobs",     "2",
                                           "-q",     "-y",      "-o",          Path("show.y4m")};
    arguments.insert(arguments.end(), rest.begin(), rest.end());
    return PeakResidentKB(arguments);
  }
};

TEST_F(Memory, AShowOfFortyEightPicturesTakesAboutWhatAShowOfTwelveDoes) {
  if (kSanitized) GTEST_SKIP() << "a sanitizer's own memory hides what the tool holds";
  // 800 x 600 originals (1.9 MB decoded) shown at 160 x 120.
  WriteFileBytes(Path("photo.png"), EncodePNG(*test::SolidPicture(800, 600, clTeal), 1));
  const long few = ShowPeakKB("photo.png", 12), many = ShowPeakKB("photo.png", 48);
  // Holding every picture would take 36 more originals and fitted copies,
  // about 72 MB; read one at a time, the two runs differ by a few.
  EXPECT_LT(many - few, 30 * 1024) << few << " kB for 12 pictures, " << many << " kB for 48";
}

TEST_F(Memory, AShowOfLargePhotographsNeverHoldsOneWhole) {
  if (kSanitized) GTEST_SKIP() << "a sanitizer's own memory hides what the tool holds";
  if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "the ffmpeg program is not installed";
  for (const auto& [name, size] : {std::pair{"large.jpg", "4000x3000"}, std::pair{"small.jpg", "400x300"}}) {
    const std::string command = std::string("ffmpeg -v error -y -f lavfi -i testsrc2=size=") + size +
                                " -frames:v 1 -q:v 3 '" + Path(name) + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  const long small = ShowPeakKB("small.jpg", 4), few = ShowPeakKB("large.jpg", 4), many = ShowPeakKB("large.jpg", 16);
  // A 12-megapixel photograph decoded whole is 46 MB; fitted while it is
  // decoded, it costs little more than its file.
  EXPECT_LT(few - small, 16 * 1024) << small << " kB for small photographs, " << few << " kB for large ones";
  EXPECT_LT(many - few, 8 * 1024) << few << " kB for 4 photographs, " << many << " kB for 16";
}

TEST_F(Memory, JoiningLongClipsTakesAboutWhatJoiningShortOnesDoes) {
  if (kSanitized) GTEST_SKIP() << "a sanitizer's own memory hides what the tool holds";
  if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "the ffmpeg program is not installed";
  // 640 x 360 clips with sound, joined at 160 x 90: holding the frames of a
  // 20-second clip would take some 200 MB decoded, 500 MB as pictures.
  auto join = [&](int Seconds) {
    for (const char* name : {"a", "b"}) {
      const std::string command = "ffmpeg -v error -y -f lavfi -i testsrc2=size=640x360:rate=30:duration=" +
                                  std::to_string(Seconds) + " -f lavfi -i anoisesrc=duration=" + std::to_string(Seconds) +
                                  " -c:v libx264 -preset ultrafast -c:a aac '" + Path(std::string(name) + ".mp4") + "'";
      EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
    return PeakResidentKB({"render", Path("a.mp4"), Path("b.mp4"), "--size", "160x90", "--duration", "0.5", "-q", "-y",
                           "-o", Path("joined.mp4")});
  };
  const long brief = join(2), lasting = join(20);
  EXPECT_LT(lasting - brief, 30 * 1024) << brief << " kB for 2-second clips, " << lasting << " kB for 20-second ones";
}

}  // namespace
}  // namespace tweenery
