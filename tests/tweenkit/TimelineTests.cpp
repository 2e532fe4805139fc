// The faces' helpers in the component unit: a transition as a progress and
// as a timed run (TTweeneryTimeline), the component's SeekFrame and OnTick,
// and the reason a picture file cannot be read (OnImageError).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <unistd.h>

#include "TestPictures.h"
#include "platform/ImageCodecs.h"
#include "platform/Random.h"
#include "platform/Services.h"
#include "tweenkit/TimeBase.h"
#include "tweenkit/Timeline.h"
#include "tweenkit/Tweenery.h"

namespace tweenery::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using TClock = TTweeneryTimeline::TClock;

// A component of Width x Height over coded pictures of that size.
class TTimedComponent {
 public:
  TTimedComponent(TTransitionOperation Operation, int Width, int Height) {
    FTweenery.SetBounds(0, 0, Width, Height);
    FTweenery.SetOperation(Operation);
    FTweenery.SetFromBitmap(CodedPicture(Width, Height, kFromTag).get());
    FTweenery.SetToBitmap(CodedPicture(Width, Height, kToTag).get());
    FTweenery.SetOnDone([this](TObject*) { ++FDone; });
  }
  TTweenery& Tweenery() { return FTweenery; }
  int DoneCount() const { return FDone; }
  // How many pixels of the frame composed last come from the To picture.
  int ToPixels() {
    int count = 0;
    const TBitmap& frame = *FTweenery.FrameBitmap();
    for (int y = 0; y < frame.Height(); ++y)
      for (int x = 0; x < frame.Width(); ++x) count += ((PixelAt(frame, x, y) >> 22) & 3u) == kToTag;
    return count;
  }

 private:
  struct TReadable : TTweenery {
    using TTweenery::TTweenery;
    using TTweenery::FrameBitmap;
  };
  TReadable FTweenery{nullptr};
  int FDone = 0;
};

TEST(Timeline, FrameCountIsTheRenderersAndFollowsTheSettings) {
  TTimedComponent c(toPush, 24, 16);
  TTweeneryTimeline timeline(c.Tweenery());
  const TTransitionRenderer renderer(*c.Tweenery().FromBitmap(), *c.Tweenery().ToBitmap(), TTransitionSettings{});
  EXPECT_EQ(timeline.FrameCount(), renderer.FrameCount());
  EXPECT_EQ(timeline.FrameCount(), 25);  // Push: W + 1
  c.Tweenery().SetModifier(tmUp);
  EXPECT_EQ(timeline.FrameCount(), 17);
  c.Tweenery().SetOperation(toRandomBars);
  c.Tweenery().SetBounds(0, 0, 40, 30);  // the bars run across the control
  EXPECT_EQ(timeline.FrameCount(), 31);
  c.Tweenery().SetFromBitmap(nullptr);
  EXPECT_EQ(timeline.FrameCount(), 0);
  EXPECT_EQ(timeline.Progress(), 0.0);
}

TEST(Timeline, ProgressMapsToCurrentFrameAndBack) {
  TTimedComponent c(toPush, 24, 16);
  TTweeneryTimeline timeline(c.Tweenery());
  EXPECT_EQ(timeline.Progress(), 0.0);
  timeline.SetProgress(0.5);
  EXPECT_EQ(c.Tweenery().CurrentFrame(), 12);  // Round(0.5 x 25), halves to even
  EXPECT_EQ(timeline.Progress(), 0.5);          // what was written
  EXPECT_GT(c.ToPixels(), 0);
  EXPECT_LT(c.ToPixels(), 24 * 16);
  timeline.SetProgress(7.0);  // clamped
  EXPECT_EQ(c.Tweenery().CurrentFrame(), 25);
  EXPECT_EQ(c.ToPixels(), 24 * 16);
  EXPECT_EQ(timeline.Progress(), 1.0);
  timeline.SetProgress(-std::numeric_limits<double>::infinity());
  EXPECT_EQ(c.Tweenery().CurrentFrame(), 0);
  EXPECT_THROW(timeline.SetProgress(std::nan("")), ETweenery);
  EXPECT_EQ(c.Tweenery().CurrentFrame(), 0);
  c.Tweenery().SetCurrentFrame(5);
  EXPECT_DOUBLE_EQ(timeline.Progress(), 5.0 / 25);
  EXPECT_EQ(TTweeneryTimeline::FrameAtProgress(25, std::nan("")), 0);
  EXPECT_EQ(TTweeneryTimeline::FrameAtProgress(0, 0.5), 0);
  // Idle, the last frame completes nothing.
  timeline.SetProgress(1);
  EXPECT_EQ(c.DoneCount(), 0);
}

// The random bars: SetCurrentFrame refuses them; SeekFrame draws on going
// forward and draws again from the start going back.
TEST(Timeline, RandomBarsSeekForwardAndBack) {
  SetRandSeed(7);
  for (TTransitionOperation operation : {toRandomBars, toTwinRandomBars}) {
    TTimedComponent c(operation, 32, 20);
    TTweeneryTimeline timeline(c.Tweenery());
    timeline.SetProgress(0.6);
    const int at60 = c.ToPixels();
    timeline.SetProgress(0.3);
    const int at30 = c.ToPixels();
    timeline.SetProgress(0.8);
    const int at80 = c.ToPixels();
    EXPECT_GT(at30, 0) << operation;
    EXPECT_LT(at30, at60) << operation;
    EXPECT_LT(at60, at80) << operation;
    timeline.SetProgress(1);
    EXPECT_EQ(c.ToPixels(), 32 * 20) << operation;
    timeline.SetProgress(0);
    EXPECT_EQ(c.ToPixels(), operation == toRandomBars ? 20 : 20 + 32 - 1) << operation;  // the first bar
  }
}

TEST(Timeline, SeekFrameDuringARunCompletesItAtTheEnd) {
  TTimedComponent c(toFade, 8, 8);
  c.Tweenery().SetInterval(0);  // no driver ticks
  c.Tweenery().Play();
  TTweeneryTimeline timeline(c.Tweenery());
  c.Tweenery().SeekFrame(10);
  EXPECT_TRUE(c.Tweenery().Active());
  c.Tweenery().SeekFrame(timeline.FrameCount());
  EXPECT_FALSE(c.Tweenery().Active());
  EXPECT_EQ(c.DoneCount(), 1);
}

TEST(Timeline, ATimedRunShowsTheEasedElapsedFractionAndEndsOnce) {
  TTimedComponent c(toPush, 40, 10);
  c.Tweenery().SetInterval(0);
  TTweeneryTimeline timeline(c.Tweenery());
  const TClock::time_point start = TClock::now();
  // ease-out: far ahead early on.
  timeline.Start(1000, TEasing::Parse("ease-out"), start);
  c.Tweenery().Play();
  ASSERT_TRUE(timeline.Running());
  EXPECT_EQ(timeline.RunFrameCount(), 41);
  timeline.Advance(start + 250ms);
  const int early = c.Tweenery().CurrentFrame();
  EXPECT_EQ(early, timeline.FrameAt(start + 250ms));
  EXPECT_GT(early, 41 / 4 + 4);
  // Frames are skipped when late, never slowed: 900 ms shows 900 ms' frame.
  timeline.Advance(start + 900ms);
  EXPECT_EQ(c.Tweenery().CurrentFrame(), timeline.FrameAt(start + 900ms));
  EXPECT_LT(c.Tweenery().CurrentFrame(), 41);  // the last frame only at the end
  EXPECT_TRUE(c.Tweenery().Active());
  // A paused clock stands still and goes on where it halted.
  timeline.Pause(start + 900ms);
  timeline.Advance(start + 5000ms);
  EXPECT_TRUE(c.Tweenery().Active());
  timeline.Resume(start + 5000ms);
  EXPECT_GT(timeline.Remaining(start + 5000ms), 0ms);
  timeline.Advance(start + 5100ms);
  EXPECT_FALSE(c.Tweenery().Active());
  EXPECT_EQ(c.Tweenery().CurrentFrame(), 41);
  EXPECT_EQ(c.ToPixels(), 40 * 10);
  EXPECT_EQ(c.DoneCount(), 1);
  EXPECT_FALSE(timeline.Running());
  timeline.Advance(start + 6000ms);
  EXPECT_EQ(c.DoneCount(), 1);
}

TEST(Timeline, OvershootingCurvesKeepToTheTransition) {
  TTimedComponent c(toPush, 20, 10);
  c.Tweenery().SetInterval(0);
  TTweeneryTimeline timeline(c.Tweenery());
  const TClock::time_point start = TClock::now();
  timeline.Start(100, [](double t) { return t < 0.5 ? -3.0 : (t < 0.9 ? 5.0 : std::nan("")); }, start);
  c.Tweenery().Play();
  EXPECT_EQ(timeline.FrameAt(start + 10ms), 0);
  EXPECT_EQ(timeline.FrameAt(start + 60ms), 20);  // before the last, 21
  EXPECT_EQ(timeline.FrameAt(start + 90ms), 19);  // NaN: linear, Round(0.9 x 21)
  timeline.Advance(start + 60ms);
  EXPECT_TRUE(c.Tweenery().Active());
  timeline.Advance(start + 100ms);
  EXPECT_FALSE(c.Tweenery().Active());
  EXPECT_EQ(c.DoneCount(), 1);
}

TEST(Timeline, ATimedRunWithoutPicturesWaitsForItsEnd) {
  TTweenery tweenery(nullptr);
  tweenery.SetInterval(0);
  int done = 0;
  tweenery.SetOnDone([&](TObject*) { ++done; });
  TTweeneryTimeline timeline(tweenery);
  const TClock::time_point start = TClock::now();
  timeline.Start(200, {}, start);
  tweenery.Play();
  timeline.Advance(start + 100ms);
  EXPECT_TRUE(tweenery.Active());
  timeline.Advance(start + 200ms);
  EXPECT_FALSE(tweenery.Active());
  EXPECT_EQ(done, 1);
}

// A handler that plays again from OnDone starts a new timed run, which the
// end of the old one leaves alone.
TEST(Timeline, PlayingAgainFromOnDoneStartsANewRun) {
  TTimedComponent c(toPush, 16, 8);
  c.Tweenery().SetInterval(0);
  TTweeneryTimeline timeline(c.Tweenery());
  const TClock::time_point start = TClock::now();
  c.Tweenery().SetOnDone([&](TObject*) {
    timeline.Start(500, {}, start + 1000ms);
    c.Tweenery().Play();
  });
  timeline.Start(100, {}, start);
  c.Tweenery().Play();
  timeline.Advance(start + 100ms);
  EXPECT_TRUE(c.Tweenery().Active());
  EXPECT_TRUE(timeline.Running());
  EXPECT_EQ(timeline.FrameAt(start + 1250ms), 8);
}

TEST(Timeline, OnTickReplacesTheStepAndStepFrameIsTheDefault) {
  TTimedComponent c(toPush, 16, 8);
  int ticks = 0;
  c.Tweenery().SetOnTick([&](TObject* Sender) {
    EXPECT_EQ(Sender, &c.Tweenery());
    ++ticks;
  });
  c.Tweenery().Play();
  c.Tweenery().FXTimer(nullptr);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(c.Tweenery().CurrentFrame(), -1);  // nothing stepped
  c.Tweenery().SetOnTick(nullptr);
  c.Tweenery().SetSteps(3);
  c.Tweenery().FXTimer(nullptr);
  EXPECT_EQ(c.Tweenery().CurrentFrame(), 2);
  c.Tweenery().StepFrame();
  EXPECT_EQ(c.Tweenery().CurrentFrame(), 5);
}

// ---------------------------------------------------------------- image errors

class ImageErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("tweenery-image-errors-" + std::to_string(::getpid()));
    fs::create_directories(FDir);
    ResetServiceHooks();
  }
  void TearDown() override {
    fs::remove_all(FDir);
    ResetServiceHooks();
    SetPictureLimit(DefaultPictureLimit);
  }
  std::string Place(const std::string& Name, const std::vector<std::uint8_t>& Bytes) {
    const std::string path = (FDir / Name).string();
    WriteFileBytes(path, Bytes);
    return path;
  }
  fs::path FDir;
};

TEST_F(ImageErrors, TheReasonNamesWhatIsWrong) {
  const std::string bmp = std::string(TWEENERY_TEST_DATA) + "/rgb24-v3.bmp";
  std::string reason;
  EXPECT_NE(LoadImageFile(bmp, reason), nullptr);
  EXPECT_EQ(reason, "");
  EXPECT_EQ(LoadImageFile((FDir / "missing.bmp").string(), reason), nullptr);
  EXPECT_EQ(reason, "no such file");
  EXPECT_EQ(LoadImageFile((FDir / "missing.xyz").string(), reason), nullptr);
  EXPECT_EQ(reason, "no such file");
  EXPECT_EQ(LoadImageFile(Place("text.bmp", {'h', 'e', 'l', 'l', 'o'}), reason), nullptr);
  EXPECT_EQ(reason, "not a picture");
  EXPECT_EQ(LoadImageFile(Place("text.xyz", {'h', 'i'}), reason), nullptr);
  EXPECT_EQ(reason, "not a picture (no reader for .xyz files)");
  fs::create_directories(FDir / "folder.bmp");
  EXPECT_EQ(LoadImageFile((FDir / "folder.bmp").string(), reason), nullptr);
  EXPECT_EQ(reason, "a folder, not a picture");
  // Beyond the picture-size limit, from the header.
  SetPictureLimit(100);
  EXPECT_EQ(LoadImageFile(bmp, reason), nullptr);
  EXPECT_EQ(reason, "too large");
  EXPECT_EQ(LoadImageFile(std::string(TWEENERY_TEST_DATA) + "/baseline.jpg", reason), nullptr);
  EXPECT_EQ(reason, "too large");
  EXPECT_EQ(ImageFileError("/x/a.png", "no such file"), "cannot read /x/a.png: no such file");
}

TEST_F(ImageErrors, TheComponentReportsThroughItsHookOrTheMessageBox) {
  TTweenery tweenery(nullptr);
  const std::string bmp = std::string(TWEENERY_TEST_DATA) + "/rgb24-v3.bmp";
  tweenery.SetFromImageFile(bmp);
  const std::string missing = (FDir / "a.bmp").string();
  // Unassigned: the message box, as ever.
  tweenery.SetFromImageFile(missing);
  EXPECT_EQ(HeadlessServices().Messages, std::vector<std::string>{"Unable to read image file"});
  std::vector<std::string> reported;
  tweenery.SetOnImageError([&](TObject* Sender, const std::string& Message) {
    EXPECT_EQ(Sender, &tweenery);
    reported.push_back(Message);
  });
  tweenery.SetFromImageFile(missing);
  tweenery.SetToImageFile(Place("b.jpg", {1, 2, 3}));
  EXPECT_EQ(reported, (std::vector<std::string>{"cannot read " + missing + ": no such file",
                                                 "cannot read " + (FDir / "b.jpg").string() + ": not a picture"}));
  EXPECT_EQ(HeadlessServices().Messages.size(), 1u);
  // The pictures stay as they were.
  EXPECT_EQ(tweenery.FromImageFile(), bmp);
  EXPECT_EQ(tweenery.FromBitmap()->Width(), 37);
  EXPECT_TRUE(tweenery.ToBitmap()->Empty());
}

}  // namespace
}  // namespace tweenery::test
