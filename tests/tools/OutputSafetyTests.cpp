// A run never loses or mixes outputs: it holds its output while it writes,
// publishes it whole or not at all, removes what it leaves unfinished, and
// refuses numbers and rates it cannot honour instead of bending them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <streambuf>

#include "CommandRunner.h"
#include "TestPictures.h"
#include "media/Interruption.h"
#include "media/Output.h"
#include "media/Publish.h"
#include "media/Errors.h"

namespace tweenery {
namespace {

namespace fs = std::filesystem;

using TResult = test::TCommandResult;
constexpr auto Tweenery = test::RunCommand;

std::string Contents(const fs::path& File) {
  std::ifstream in(File, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class OutputSafety : public test::TFolderTest {
 protected:
  void SetUp() override {
    TFolderTest::SetUp();
    WritePictures(*test::CodedPicture(40, 12, test::kFromTag), *test::CodedPicture(40, 12, test::kToTag));
  }
  void TearDown() override {
    SimulateInterrupt(0);
    TFolderTest::TearDown();
  }
  std::vector<std::string> Run(std::vector<std::string> More) const {
    std::vector<std::string> a = {"render", Path("from.png"), Path("to.bmp"), "-q", "--duration", "0.3", "--fps", "10"};
    a.insert(a.end(), More.begin(), More.end());
    return a;
  }
  // Every file under the test's folder, by name relative to it.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(Folder))
      names.push_back(fs::relative(entry.path(), Folder).string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> found;
    for (const std::string& name : Files())
      if (name.find(".tweenery-") != std::string::npos || name.find(".part") != std::string::npos) found.push_back(name);
    return found;
  }
  // Each file of a sequence with its bytes.
  std::map<std::string, std::string> Snapshot(const std::string& Sub) const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(Folder / Sub)) files[entry.path().filename()] = Contents(entry.path());
    return files;
  }
};

// Files grow no larger than Bytes while it lives; a write past that fails
// with EFBIG, as a full disk fails with ENOSPC.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t Bytes) {
    getrlimit(RLIMIT_FSIZE, &FOld);
    FOldHandler = signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{Bytes, FOld.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &FOld);
    signal(SIGXFSZ, FOldHandler);
  }

 private:
  rlimit FOld{};
  sighandler_t FOldHandler;
};

TEST_F(OutputSafety, AFailedRunOverAnEarlierSequenceKeepsItWholeAndSaysWhy) {
  ASSERT_EQ(Tweenery(Run({"-o", Path("s/f%03d.png")})).Status, 0);
  const auto before = Snapshot("s");
  ASSERT_EQ(before.size(), 3u);
  TResult r;
  {
    TFileSizeLimit limit(100);
    r = Tweenery(Run({"--operation", "Fade", "-y", "-o", Path("s/f%03d.png")}));
  }
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("File too large"), std::string::npos) << r.Err;  // the reason, not "Success"
  EXPECT_TRUE(std::regex_search(r.Err, std::regex("cannot write '[^']*s/f00[0-4]\\.png'"))) << r.Err;
  EXPECT_EQ(Snapshot("s"), before);
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  // A still and a video fail as cleanly, naming what the user asked for.
  for (const char* name : {"still.png", "v.mp4", "v.gif", "v.y4m"}) {
    TFileSizeLimit limit(100);
    const TResult failed = Tweenery(Run({"--frame", "1", "-o", Path(name)}));
    EXPECT_EQ(failed.Status, 1) << name;
    EXPECT_NE(failed.Err.find(std::string("cannot write '") + Path(name) + "'"), std::string::npos) << failed.Err;
  }
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(Path("v.mp4")));
}

TEST_F(OutputSafety, AnInterruptedRunLeavesNothingNotEvenItsFolder) {
  for (const char* jobs : {"1", "2"})
    for (const char* name : {"new/f%04d.png", "new/v.mp4", "new/v.y4m"}) {
      SimulateInterrupt(SIGTERM);
      const TResult r = Tweenery(Run({"--jobs", jobs, "-o", Path(name)}));
      SimulateInterrupt(0);
      EXPECT_EQ(r.Status, 128 + SIGTERM) << name << ": " << r.Err;
      EXPECT_NE(r.Err.find("interrupted by SIGTERM"), std::string::npos) << r.Err;
      EXPECT_FALSE(fs::exists(Path("new"))) << name << " --jobs " << jobs;
    }
}

TEST_F(OutputSafety, AnOutputInUseIsRefusedAndOneTakenWhileWritingIsNotReplaced) {
  {
    // Another run holds the video and the sequence.
    TOutputOptions video{Path("v.mp4")}, frames{Path("seq/f%04d.png")};
    TBitmap frame(40, 12);
    auto holdingVideo = OpenSink(video, 40, 12, {10, 1}, {&frame});
    auto holdingFrames = OpenSink(frames, 40, 12, {10, 1}, {&frame});
    for (const char* name : {"v.mp4", "seq/f%04d.png", "seq/f%03d.png"}) {
      const TResult r = Tweenery(Run({"-y", "-o", Path(name)}));
      EXPECT_EQ(r.Status, 1) << name;
      EXPECT_NE(r.Err.find("is in use"), std::string::npos) << r.Err;
    }
    holdingFrames->Write(frame);
    holdingFrames->Finish();
  }
  EXPECT_TRUE(fs::exists(Path("seq/f0000.png")));
  EXPECT_FALSE(fs::exists(Path("seq/f0001.png")));
  EXPECT_FALSE(fs::exists(Path("v.mp4")));  // dropped unfinished
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});

  // Without -y, a name taken by someone else while the run worked stays
  // theirs; a sequence then publishes none of its frames.
  {
    TTempFile still(Path("taken.png"), false);
    WriteWholeFile(still.Name(), {'n', 'e', 'w'});
    WriteFileBytes(Path("taken.png"), {'o', 'l', 'd'});
    EXPECT_THROW(still.Commit(), EToolFailure);
  }
  EXPECT_EQ(Contents(Path("taken.png")), "old");
  TOutputOptions frames{Path("late/f%d.png")};
  TBitmap frame(40, 12);
  auto sink = OpenSink(frames, 40, 12, {10, 1}, {&frame});
  for (int i = 0; i < 3; ++i) sink->Write(frame);
  WriteFileBytes(Path("late/f2.png"), {'o', 'l', 'd'});
  try {
    sink->Finish();
    ADD_FAILURE() << "published over a frame written meanwhile";
  } catch (const EToolFailure& e) {
    EXPECT_NE(std::string(e.what()).find("f2.png' exists"), std::string::npos) << e.what();
  }
  sink.reset();
  EXPECT_EQ(Snapshot("late"), (std::map<std::string, std::string>{{"f2.png", "old"}}));
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

TEST_F(OutputSafety, NamesOfUpTo255BytesStillWork) {
  const std::string base(250, 'n');
  for (const std::string& name : {base + ".mp4", base + ".png", base + ".y4m"}) {
    const TResult r = Tweenery(Run({"--frame", "0", "-o", Path(name)}));
    EXPECT_EQ(r.Status, 0) << name.size() << ": " << r.Err;
    EXPECT_TRUE(fs::exists(Path(name)));
  }
  const TResult frames = Tweenery(Run({"-o", Path(base.substr(0, 241) + "-%04d.png")}));
  EXPECT_EQ(frames.Status, 0) << frames.Err;
  EXPECT_TRUE(fs::exists(Path(base.substr(0, 241) + "-0002.png")));
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});
}

TEST_F(OutputSafety, OverwritingRemovesOnlyFramesThePatternCouldHaveWritten) {
  fs::create_directories(Folder / "d");
  for (const char* name : {"07.png", "0042.png", "5.png", "12.png", "1x.png"}) WriteFileBytes(Path(std::string("d/") + name), {'x'});
  // Without -y, files the pattern could not have written are no obstacle.
  fs::create_directories(Folder / "w");
  for (const char* name : {"0001.png", "01.png", "1000.png"}) WriteFileBytes(Path(std::string("w/") + name), {'x'});
  EXPECT_EQ(Tweenery(Run({"-o", Path("w/%03d.png")})).Status, 1);  // 1000.png is one of its
  fs::remove(Path("w/1000.png"));
  EXPECT_EQ(Tweenery(Run({"-o", Path("w/%03d.png")})).Status, 0);
  EXPECT_TRUE(fs::exists(Path("w/0001.png")));
  EXPECT_TRUE(fs::exists(Path("w/01.png")));

  fs::create_directories(Folder / "d" / "3.png");  // a folder is nobody's frame
  ASSERT_EQ(Tweenery(Run({"-y", "-o", Path("d/%d.png")})).Status, 0);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(Folder / "d")) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"0.png", "0042.png", "07.png", "1.png", "1x.png", "2.png", "3.png"}));
}

TEST_F(OutputSafety, TheGalleryReplacesNoAnimationWithoutYesAndReportsItsFailureOnce) {
  fs::create_directories(Folder / "g");
  WriteFileBytes(Path("g/fade.gif"), {'o', 'l', 'd'});
  const TResult refused = Tweenery({"gallery", "-q", "-o", Path("g")});
  EXPECT_EQ(refused.Status, 1);
  EXPECT_NE(refused.Err.find("fade.gif' exists"), std::string::npos) << refused.Err;
  EXPECT_EQ(Files(), (std::vector<std::string>{"from.png", "g", "g/fade.gif", "to.bmp"}));
  fs::create_directories(Folder / "g" / "monoslider-left.gif");  // the first animation
  const TResult failed = Tweenery({"gallery", "-q", "-y", "-o", Path("g")});
  EXPECT_EQ(failed.Status, 1);
  EXPECT_EQ(failed.Err.rfind("tweenery: gallery: cannot write '", 0), 0u) << failed.Err;
  EXPECT_EQ(failed.Err.find("tweenery:", 1), std::string::npos) << failed.Err;
  EXPECT_EQ(std::count(failed.Err.begin(), failed.Err.end(), '\n'), 1) << failed.Err;
}

TEST_F(OutputSafety, NumbersAndRatesAreTakenAsGivenOrRefused) {
  struct TCase {
    std::vector<std::string> Arguments;
    std::string Message;
  };
  const std::string still = Path("one.png"), gif = Path("v.gif");
  const std::vector<TCase> cases = {
      {{"--seed", "-1", "-o", still}, "--seed: '-1'"},
      {{"--seed", "99999999999999999999", "-o", still}, "--seed: '99999999999999999999' is out of range"},
      {{"--at", "", "-o", still}, "--at: '' is not a number"},
      {{"--delta", "", "-o", still}, "--delta: ''"},
      {{"--frame", "99999999999999999999", "-o", still}, "--frame: '99999999999999999999' is out of range"},
      {{"--frame", "1.5", "-o", still}, "--frame: '1.5'"},
      {{"--hold", "nan", "-o", still}, "--hold: 'nan'"},
      {{"--threads", "40000", "-o", Path("f/f%04d.png")}, "--threads must be 1 to 256"},
      {{"--threads", "0", "-o", Path("f/f%04d.png")}, "--threads must be 1 to 256"},
      {{"--fps", "0.0001", "-o", gif}, "--fps must be 0.001 to 1000"},
      {{"--fps", "200", "-o", gif}, "--fps 100 or less"},
      {{"--fps", "0.001", "--duration", "3600", "-o", gif}, "655.35 s at most"},
      {{"--max-frames", "-5", "-o", gif}, "--max-frames must be 1 or more"},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> arguments = {"render", Path("from.png"), Path("to.bmp"), "-q"};
    arguments.insert(arguments.end(), c.Arguments.begin(), c.Arguments.end());
    const TResult r = Tweenery(arguments);
    EXPECT_EQ(r.Status, 2) << c.Message << ": " << r.Err;
    EXPECT_NE(r.Err.find(c.Message), std::string::npos) << "wanted '" << c.Message << "' in: " << r.Err;
  }
  const TResult interval = Tweenery({"render", "-q", "--interval", "5", "-o", gif});
  EXPECT_EQ(interval.Status, 2);
  EXPECT_NE(interval.Err.find("--interval 10 or more"), std::string::npos) << interval.Err;
  EXPECT_EQ(Files(), (std::vector<std::string>{"from.png", "to.bmp"}));
}

TEST_F(OutputSafety, AShowHoldsAsToldAndItsHelpSaysTheDefault) {
  auto frames = [&](std::vector<std::string> Hold) {
    std::vector<std::string> a = {"show", Path("from.png"), Path("to.bmp"), "-q", "-y", "--duration", "1", "--fps", "10",
                                  "-o", Path("s.y4m")};
    a.insert(a.end(), Hold.begin(), Hold.end());
    const TResult r = Tweenery(a);
    EXPECT_EQ(r.Status, 0) << r.Err;
    const std::size_t header = std::string("YUV4MPEG2 W40 H12 F10:1 Ip A1:1 C420jpeg\n").size();
    return (fs::file_size(Path("s.y4m")) - header) / (6 + 40 * 12 + 2 * 20 * 6);
  };
  EXPECT_EQ(frames({}), 20u + 10u + 20u);
  EXPECT_EQ(frames({"--hold", "0"}), 10u);
  EXPECT_EQ(frames({"--hold", "0.0001"}), 1u + 10u + 1u);
  EXPECT_EQ(frames({"--hold", "0.26"}), 3u + 10u + 3u);
  EXPECT_NE(Tweenery({"show", "--help"}).Out.find("(default 2)"), std::string::npos);
}

// A stream that takes nothing, as a full disk or a closed pipe.
class TRefusingBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST_F(OutputSafety, ListingsThatCannotBeWrittenFailAndAListGoesPastOperationsThatNeverEnd) {
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{"list"}, {"--help"}, {"render", "--help"}}) {
    TRefusingBuffer refusing;
    std::ostream out(&refusing);
    std::ostringstream err;
    EXPECT_EQ(RunTweenery(arguments, out, err), 1) << arguments.front();
    EXPECT_NE(err.str().find("cannot write standard output"), std::string::npos) << err.str();
  }
  const TResult list = Tweenery({"list", "--size", "1x1", "--delta", "2147483647"});
  EXPECT_EQ(list.Status, 0) << list.Err;
  EXPECT_EQ(std::count(list.Out.begin(), list.Out.end(), '\n'), 3 + 28) << list.Out;
  // Operations whose effect never ends run to the top of the frame range.
  EXPECT_NE(list.Out.find("2147483647"), std::string::npos) << list.Out;
}

}  // namespace
}  // namespace tweenery
