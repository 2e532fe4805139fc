// Frames composed on several threads: the same frames, bytes and failures
// as composing them one after another, in order, with nothing lost.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>
#include <thread>

#include "CommandRunner.h"
#include "TestPictures.h"
#include "platform/DIB.h"
#include "platform/ImageCodecs.h"
#include "media/FrameWriter.h"
#include "media/Png.h"
#include "media/Errors.h"
#include "tweenkit/Presets.h"

namespace tweenery {
namespace {

namespace fs = std::filesystem;

// Keeps a copy of every frame, notes whether they all came from one thread,
// and fails at a chosen frame as a full disk would.
class TRecordingSink : public TFrameSink {
 public:
  explicit TRecordingSink(std::optional<std::size_t> FailAt = std::nullopt) : FFailAt(FailAt) {}
  void Write(const TBitmap& Frame) override {
    if (!FThread) FThread = std::this_thread::get_id();
    if (*FThread != std::this_thread::get_id()) OneThread = false;
    if (FFailAt == Frames.size()) throw EToolFailure("cannot write 'sink': No space left on device");
    Frames.push_back(std::make_unique<TBitmap>());
    Frames.back()->Assign(&Frame);
  }
  void Finish() override {}
  std::string Description() const override { return "recorded frames"; }

  std::vector<std::unique_ptr<TBitmap>> Frames;
  bool OneThread = true;

 private:
  std::optional<std::size_t> FFailAt;
  std::optional<std::thread::id> FThread;
};

bool SamePixels(const TBitmap& A, const TBitmap& B) {
  return A.Width() == B.Width() && A.Height() == B.Height() &&
         std::memcmp(A.Bits(), B.Bits(), 4u * A.Width() * A.Height()) == 0;
}

// The first frame of Got that differs from Want, or "" when Got is Want
// (Prefix: or its beginning).
std::string FirstDifference(const TRecordingSink& Got, const TRecordingSink& Want, bool Prefix = false) {
  if (Prefix ? Got.Frames.size() > Want.Frames.size() : Got.Frames.size() != Want.Frames.size())
    return std::to_string(Got.Frames.size()) + " frames instead of " + std::to_string(Want.Frames.size());
  for (std::size_t i = 0; i < Got.Frames.size(); ++i)
    if (!SamePixels(*Got.Frames[i], *Want.Frames[i])) return "frame " + std::to_string(i);
  return "";
}

struct TPictureSet {
  std::vector<std::unique_ptr<TBitmap>> List;
  TPictureSet() {
    List.push_back(test::CodedPicture(40, 12, test::kFromTag));
    List.push_back(test::CodedPicture(40, 12, test::kToTag));
    List.push_back(test::RandomPicture(40, 12, 3));
    List.push_back(test::SolidPicture(40, 12, clTeal));
    List.push_back(test::CodedPicture(40, 12, 5));
  }
};

// Transitions from picture to picture, each held Hold frames on both
// ends, in Count eased frames; an easing that overshoots makes the run go
// back and forth.
TProgramme Show(const TPictureSet& Pictures, const std::vector<TTransitionSettings>& Transitions, std::int64_t Count,
                const char* Easing, std::int64_t Hold) {
  TProgramme programme;
  for (std::size_t i = 0; i < Transitions.size(); ++i) {
    TTransitionPlan plan;
    plan.From = Pictures.List[i].get();
    plan.To = Pictures.List[i + 1].get();
    plan.Settings = Transitions[i];
    plan.Count = Count;
    plan.Easing = TEasing::Parse(Easing);
    const std::size_t t = programme.AddTransition(plan);
    programme.AddPart(t, TProgramme::TPartKind::FirstFrame, Hold);
    programme.AddPart(t, TProgramme::TPartKind::Run, -1);
    programme.AddPart(t, TProgramme::TPartKind::LastFrame, Hold);
  }
  return programme;
}

TTransitionSettings Settings(TTransitionOperation Operation, TTransitionModifier Modifier, bool Reverse) {
  TTransitionSettings s;
  s.Operation = Operation;
  s.Modifier = Modifier;
  s.Reverse = Reverse;
  s.Delta = OperationPreset(Operation).Delta.value_or(10);
  s.Seed = 11;
  return s;
}

// The frames written with Jobs threads; Written counts must rise one by one.
void WriteAll(TProgramme Programme, TRecordingSink& Sink, int Jobs) {
  std::int64_t counted = 0;
  const std::int64_t count = Programme.FrameCount();
  WriteFrames(Programme, count, Sink, Jobs, [&](std::int64_t Written) { EXPECT_EQ(Written, ++counted); });
  EXPECT_EQ(counted, count);
}

TEST(ThreadedRender, EveryOperationComposesTheSameFramesOnAnyNumberOfThreads) {
  const TPictureSet pictures;
  for (int item = 0; item < OperationItemCount; ++item) {
    const TTransitionOperation operation = OperationOfItem(item);
    for (const auto& [modifier, reverse, easing] :
         {std::tuple{tmLeft, false, "ease-in-out"}, std::tuple{tmUp, true, "cubic-bezier(0.3,-0.8,0.6,1.8)"}}) {
      const std::vector<TTransitionSettings> transitions = {Settings(operation, modifier, reverse)};
      TRecordingSink inTurn, threaded;
      WriteAll(Show(pictures, transitions, 13, easing, 2), inTurn, 1);
      WriteAll(Show(pictures, transitions, 13, easing, 2), threaded, 3);
      EXPECT_EQ(FirstDifference(threaded, inTurn), "") << OperationText(operation) << " " << easing;
      EXPECT_TRUE(threaded.OneThread);
    }
  }
}

TEST(ThreadedRender, AShowMixingRandomAndOtherOperationsKeepsItsOrder) {
  const TPictureSet pictures;
  const std::vector<TTransitionSettings> transitions = {
      Settings(toSwarm, tmLeft, false), Settings(toPush, tmDown, false), Settings(toRandomBars, tmUp, false),
      Settings(toZoom, tmRight, true)};
  TRecordingSink inTurn;
  WriteAll(Show(pictures, transitions, 9, "ease", 3), inTurn, 1);
  ASSERT_EQ(inTurn.Frames.size(), 4u * (9 + 6));
  for (int jobs : {2, 5, 16}) {
    TRecordingSink threaded;
    WriteAll(Show(pictures, transitions, 9, "ease", 3), threaded, jobs);
    EXPECT_EQ(FirstDifference(threaded, inTurn), "") << jobs << " jobs";
  }
}

TEST(ThreadedRender, AFailingSinkStopsTheRunAtItsFrameWithItsOwnError) {
  const TPictureSet pictures;
  for (TTransitionOperation operation : {toBlinds, toTwinRandomBars}) {
    const std::vector<TTransitionSettings> transitions = {Settings(operation, tmLeft, false)};
    TRecordingSink whole;
    WriteAll(Show(pictures, transitions, 20, "linear", 0), whole, 1);
    for (int jobs : {1, 3}) {
      TRecordingSink failing(7);
      TProgramme programme = Show(pictures, transitions, 20, "linear", 0);
      try {
        WriteFrames(programme, programme.FrameCount(), failing, jobs, nullptr);
        ADD_FAILURE() << "no failure with " << jobs << " jobs";
      } catch (const EToolFailure& e) {
        EXPECT_EQ(e.Message(), "cannot write 'sink': No space left on device");
      }
      EXPECT_EQ(failing.Frames.size(), 7u) << jobs;
      EXPECT_EQ(FirstDifference(failing, whole, true), "") << jobs;
    }
  }
}

TEST(ThreadedRender, AFrameThatCannotBeComposedIsReportedAfterTheFramesBeforeIt) {
  const TPictureSet pictures;
  const std::vector<TTransitionSettings> transitions = {Settings(toFade, tmLeft, false)};
  TRecordingSink whole;
  WriteAll(Show(pictures, transitions, 20, "linear", 2), whole, 1);
  for (int jobs : {1, 3}) {
    TRecordingSink partial;
    TProgramme programme = Show(pictures, transitions, 20, "linear", 2);
    const std::int64_t count = programme.FrameCount();
    // The next write of mixed pixels into a frame fails, on whichever
    // thread it comes (one call per frame, so no other thread can use it up).
    InjectDIBFailures(0, 1);
    try {
      WriteFrames(programme, count, partial, jobs, nullptr);
      ADD_FAILURE() << "no failure with " << jobs << " jobs";
    } catch (const ETweenBitmapConvert& e) {
      EXPECT_EQ(e.Message(), "Unable to set bitmap.");
    }
    InjectDIBFailures(0, 0);
    EXPECT_LT(partial.Frames.size(), whole.Frames.size()) << jobs;
    EXPECT_EQ(FirstDifference(partial, whole, true), "") << jobs;
  }
}

TEST(ThreadedRender, FewerThreadsComposeWhenTheirFramesWouldNotFitTheBudget) {
  EXPECT_EQ(ComposingThreads(8, 1920, 1080), 8);
  EXPECT_EQ(ComposingThreads(256, 1920, 1080), 64);
  EXPECT_EQ(ComposingThreads(8, 7680, 4320), 3);
  EXPECT_EQ(ComposingThreads(8, 16384, 16384), 1);
  EXPECT_EQ(ComposingThreads(1, 40, 12), 1);
}

// ---------------------------------------------------------------- the command

using TResult = test::TCommandResult;
constexpr auto Tweenery = test::RunCommand;

class ThreadedCommand : public test::TFolderTest {
 protected:
  void SetUp() override {
    TFolderTest::SetUp();
    WritePictures(*test::RandomPicture(64, 36, 1), *test::CodedPicture(64, 36, test::kToTag));
  }
  std::vector<std::string> Render(std::vector<std::string> More) const {
    std::vector<std::string> arguments = {"render", Path("from.png"), Path("to.bmp"), "-q", "-y"};
    arguments.insert(arguments.end(), More.begin(), More.end());
    return arguments;
  }
};

TEST_F(ThreadedCommand, AY4mStreamHasTheSameBytesForAnyJobs) {
  for (const char* operation : {"Push", "Fade", "Roll", "StripedIris", "Swarm", "RandomBars"}) {
    const std::vector<std::string> look = {"--operation", operation, "--seed", "9", "--duration", "0.8", "--fps", "25",
                                           "--easing", "ease-out", "--hold", "0.2"};
    std::vector<std::uint8_t> first;
    for (const char* jobs : {"1", "3"}) {
      auto arguments = Render(look);
      arguments.insert(arguments.end(), {"--jobs", jobs, "-o", Path("out.y4m")});
      const TResult r = Tweenery(arguments);
      ASSERT_EQ(r.Status, 0) << r.Err;
      const auto bytes = ReadFileBytes(Path("out.y4m"));
      const std::string header = "YUV4MPEG2 W64 H36 F25:1 Ip A1:1 C420jpeg\n";
      EXPECT_EQ(bytes.size(), header.size() + 30 * (6 + 64 * 36 + 2 * 32 * 18)) << operation;
      if (first.empty()) first = bytes;
      else EXPECT_TRUE(bytes == first) << operation << ": --jobs " << jobs << " differs from --jobs 1";
    }
  }
}

TEST_F(ThreadedCommand, FailuresAndBadJobsGiveTheSingleThreadedMessages) {
  // A still picture holds one frame: the second one fails in the writer.
  const TResult one = Tweenery(Render({"--jobs", "1", "-o", Path("still.png")}));
  const TResult three = Tweenery(Render({"--jobs", "3", "-o", Path("still.png")}));
  EXPECT_EQ(one.Status, 2);
  EXPECT_EQ(three.Status, one.Status);
  EXPECT_EQ(three.Err, one.Err);
  EXPECT_NE(one.Err.find("holds one picture"), std::string::npos) << one.Err;
  EXPECT_FALSE(fs::exists(Path("still.png")));
  for (const char* jobs : {"0", "257", "-2"}) {
    const TResult r = Tweenery(Render({"--jobs", jobs, "-o", Path("out.y4m")}));
    EXPECT_EQ(r.Status, 2) << jobs;
    EXPECT_NE(r.Err.find("--jobs must be 1 to 256"), std::string::npos) << r.Err;
    EXPECT_FALSE(fs::exists(Path("out.y4m")));
  }
  EXPECT_NE(Tweenery({"render", "--help"}).Out.find("--jobs"), std::string::npos);
  EXPECT_NE(Tweenery({"show", "--help"}).Out.find("--jobs"), std::string::npos);
}

}  // namespace
}  // namespace tweenery
