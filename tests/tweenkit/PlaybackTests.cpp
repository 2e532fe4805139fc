// Playback with the frame timer and the worker thread on the headless loop.
#include <gtest/gtest.h>

#include <vector>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

using namespace std::chrono_literals;

class Playback : public ::testing::TestWithParam<bool> {
 protected:
  // A Push over a 12 x 6 picture: 13 frames to the end, one per millisecond.
  TTweeneryRig Rig{12, 6, toPush};
  TTweenery& T = *Rig.Tweenery;
  void SetUp() override { T.SetUseThread(GetParam()); }
  // Long enough that no tick comes during a step of a test. The thread's
  // sleep cannot be cut short, so it gets a shorter one.
  std::uint32_t LongInterval() const { return GetParam() ? 1000 : 100000; }
};

TEST_P(Playback, PlaysToTheEndAndRaisesOnDoneOnce) {
  std::vector<int> frames;
  int done = 0;
  T.SetOnDone([&](TObject* sender) {
    EXPECT_EQ(sender, &T);
    EXPECT_FALSE(T.Active());
    ++done;
  });
  T.Play();
  EXPECT_TRUE(T.Active());
  ASSERT_TRUE(HeadlessLoop().RunUntil([&] { return done > 0; }, 30s));
  HeadlessLoop().RunFor(20ms);  // nothing more arrives after completion
  EXPECT_EQ(done, 1);
  EXPECT_FALSE(T.Active());
  EXPECT_EQ(T.CurrentFrame(), 13);
  // The host shows the To picture.
  Rig.Host.Update();
  EXPECT_EQ(PixelAt(*Rig.Host.Surface(), 11, 5), CodedPixel(kToTag, 11, 5));
}

TEST_P(Playback, PlayAfterStopStartsFromTheFirstFrame) {
  T.SetInterval(LongInterval());
  T.SetSteps(4);
  T.SetCurrentFrame(9);
  T.Play();
  EXPECT_EQ(T.CurrentFrame(), -1);
  T.FXTimer(nullptr);
  EXPECT_EQ(T.CurrentFrame(), 3);  // Steps - 1
  T.Stop();
  EXPECT_EQ(T.CurrentFrame(), 3);  // Stop keeps the frame
  T.Play();
  T.FXTimer(nullptr);
  EXPECT_EQ(T.CurrentFrame(), 3);
  T.Stop();
}

TEST_P(Playback, PauseResumeAndStopWhilePaused) {
  T.Pause();  // idle: nothing happens
  T.Resume();
  EXPECT_FALSE(T.Active());
  T.SetInterval(1);
  T.Play();
  T.Pause();
  T.Pause();
  EXPECT_TRUE(T.Paused());
  EXPECT_TRUE(T.Active());
  const int frame = T.CurrentFrame();
  HeadlessLoop().RunFor(30ms);
  EXPECT_EQ(T.CurrentFrame(), frame);  // halted
  T.Resume();  // one Resume after two Pauses continues
  EXPECT_FALSE(T.Paused());
  EXPECT_EQ(PlayToDone(T, 30s), 1);  // Play does nothing while playing; the run ends by itself
  EXPECT_FALSE(T.Active());

  // Stop while paused leaves it idle; the next Play drives it again.
  T.Play();
  T.Pause();
  T.Stop();
  EXPECT_FALSE(T.Active());
  EXPECT_FALSE(T.Paused());
  EXPECT_EQ(PlayToDone(T, 30s), 1);
}

TEST_P(Playback, IntervalChangesDuringARun) {
  T.SetInterval(LongInterval());
  T.Play();
  HeadlessLoop().RunFor(20ms);
  EXPECT_EQ(T.CurrentFrame(), -1);  // the long interval has not passed
  // The timer changes pace at once, the thread from its next sleep; either
  // way the run now ends soon.
  T.SetInterval(1);
  EXPECT_TRUE(HeadlessLoop().RunUntil([&] { return !T.Active(); }, 30s));
  EXPECT_EQ(T.CurrentFrame(), 13);
}

TEST_P(Playback, OnDoneCanPlayTheTransitionBack) {
  int done = 0;
  T.SetOnDone([&](TObject*) {
    ++done;
    if (done == 1) {
      T.SetReverse(!T.Reverse());
      T.SetActive(true);
    }
  });
  T.Play();
  ASSERT_TRUE(HeadlessLoop().RunUntil([&] { return done >= 2; }, 30s));
  EXPECT_TRUE(T.Reverse());
  Rig.Host.Update();
  EXPECT_EQ(PixelAt(*Rig.Host.Surface(), 0, 0), CodedPixel(kFromTag, 0, 0));  // back on From
}

TEST_P(Playback, IntervalZeroComposesNothing) {
  T.SetInterval(0);
  T.Play();
  HeadlessLoop().RunFor(20ms);
  EXPECT_EQ(T.CurrentFrame(), -1);
  T.Stop();
}

INSTANTIATE_TEST_SUITE_P(TimerAndThread, Playback, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Thread" : "Timer"; });

TEST(PlaybackThread, DestroyingMidRunNeverTouchesTheDeadComponent) {
  const int threadsBefore = TThread::LiveThreads();
  for (int round = 0; round < 200; ++round) {
    auto rig = std::make_unique<TTweeneryRig>(8, 4, toPush);
    rig->Tweenery->SetUseThread(true);
    rig->Tweenery->SetInterval(round % 3);  // 0 keeps the thread cycling without frames
    rig->Tweenery->Play();
    // Let the thread hand over a few steps, some left waiting in the queue.
    Sleep(round % 2);
    if (round % 4 == 0) HeadlessLoop().ProcessMessages();
    rig.reset();
    HeadlessLoop().ProcessMessages();  // whatever was still queued runs on nothing
  }
  EXPECT_TRUE(HeadlessLoop().RunUntil([&] { return TThread::LiveThreads() == threadsBefore; }, 30s));
}

TEST(PlaybackThread, SwitchingDriversBackAndForth) {
  const int threadsBefore = TThread::LiveThreads();
  TTweeneryRig rig(8, 4, toPush);
  for (int round = 0; round < 50; ++round) {
    rig.Tweenery->SetUseThread(round % 2 == 0);
    if (round % 5 == 0) {
      EXPECT_EQ(PlayToDone(*rig.Tweenery, 30s), 1);
    }
  }
  rig.Tweenery->SetUseThread(false);
  EXPECT_TRUE(HeadlessLoop().RunUntil([&] { return TThread::LiveThreads() == threadsBefore; }, 30s));
}

}  // namespace
}  // namespace tweenery::test
