// Values a user or an attacker can hand the component: placements at int's
// ends, Steps and Delta outside their range, frame numbers at the extremes
// and effect functions called directly. Each must give a bounded, correct
// result.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <climits>

#include "EffectHarness.h"
#include "platform/FormText.h"
#include "platform/Random.h"

namespace tweenery::test {
namespace {

constexpr std::uint32_t kPaper = 0xFF123456u;

void FillSurface(THeadlessHost& Host) {
  TBitmap& s = *Host.Surface();
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) s.ScanLine(y)[x] = kPaper;
}

int Painted(THeadlessHost& Host) {
  TBitmap& s = *Host.Surface();
  int n = 0;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) n += s.ScanLine(y)[x] != kPaper;
  return n;
}

TEST(HostileValues, PlacementsFromAFormTextPaintOnlyOnTheSurface) {
  const char* placements[] = {
      "Left = 2147483647", "Left = -2147483648", "Top = 2147483647\n  Height = 2147483647",
      "Left = 2147483600\n  Width = 100", "Left = -2147483648\n  Top = -2147483648\n  Width = 2147483647",
  };
  auto from = CodedPicture(20, 10, kFromTag), to = CodedPicture(20, 10, kToTag);
  for (const char* placement : placements) {
    for (bool pictures : {false, true}) {
      THeadlessHost host(30, 20);
      FillSurface(host);
      TTweenery t(nullptr);
      t.SetParent(&host);
      ReadComponentText(std::string("object T: TTweenery\n  ") + placement + "\nend\n", t);
      if (pictures) {
        t.SetFromBitmap(from.get());
        t.SetToBitmap(to.get());
      }
      t.Repaint();
      EXPECT_EQ(Painted(host), 0) << placement;
    }
  }
  THeadlessHost host(30, 20);
  TTweenery t(nullptr);
  t.SetParent(&host);
  t.SetFromBitmap(from.get());
  t.SetToBitmap(to.get());
  t.SetBounds(2147483647, 0, 10, 48);
  t.Repaint();
  t.SetBounds(-2147483647 - 1, 0, 2147483647, 48);
  t.Repaint();
}

// Steps below 1 advance by 1, so the run ends as with Steps 1.
TEST(HostileValues, StepsBelowOneStillEndTheRun) {
  for (int steps : {0, -1, INT_MIN}) {
    TTweeneryRig rig(12, 8, toPush);
    rig.Tweenery->SetSteps(steps);
    EXPECT_EQ(PlayToDone(*rig.Tweenery, std::chrono::seconds(20)), 1) << steps;
    EXPECT_FALSE(rig.Tweenery->Active());
  }
}

// Steps 2147483647 takes the counter to the top of the range at once;
// effects whose finish lies beyond it end there as if finished.
TEST(HostileValues, ARunWhoseCounterReachesTheLimitEnds) {
  struct Case { TTransitionOperation Operation; std::int32_t Delta; bool Reverse; };
  const Case cases[] = {
      {toSpiral, 46341, false},        {toSpiral, INT_MAX, true},     {toMosaic, 1 << 30, false},
      {toCheckerBlinds, 1 << 30, false}, {toRoll, 715827861, false}, {toSwarm, 10, true},
      {toPush, 10, false},
  };
  for (const Case& c : cases) {
    TTweeneryRig rig(16, 12, c.Operation);
    rig.Tweenery->SetSteps(INT_MAX);
    rig.Tweenery->SetDelta(c.Delta);
    rig.Tweenery->SetReverse(c.Reverse);
    EXPECT_EQ(PlayToDone(*rig.Tweenery, std::chrono::seconds(20)), 1) << c.Operation;
    EXPECT_FALSE(rig.Tweenery->Active()) << c.Operation;
  }
}

// An OnDone handler that plays again from the limit's end starts a new run,
// which the limit does not end at once.
TEST(HostileValues, AReplayFromOnDoneAtTheLimitKeepsPlaying) {
  TTweeneryRig rig(16, 12, toSpiral);
  rig.Tweenery->SetSteps(INT_MAX);
  rig.Tweenery->SetDelta(46341);
  int done = 0;
  rig.Tweenery->SetOnDone([&](TObject*) {
    if (++done == 1) rig.Tweenery->Play();
  });
  rig.Tweenery->Play();
  HeadlessLoop().RunUntil([&] { return done == 2; }, std::chrono::seconds(20));
  EXPECT_EQ(done, 2);
}

// Every effect function is public; any CurrentFrame must be safe, and a
// negative one draws frame 0 as the component would.
TEST(HostileValues, EffectsCalledDirectlyWithExtremeFrames) {
  auto from = CodedPicture(9, 7, kFromTag), to = CodedPicture(9, 7, kToTag);
  for (int op = 0; op < 28; ++op)
    for (bool reverse : {false, true})
      for (int modifier = 0; modifier < 4; ++modifier)
        for (std::int32_t delta : {INT_MIN, 0, 1, 10, INT_MAX}) {
          const TFXDispatchEntry& row = FXDispatch[op];
          const TFXFunction effect = reverse ? row.Reverse : row.Forward;
          for (std::int32_t frame : {INT_MIN, -1, INT_MAX}) {
            TRandomBarsFXState bars;
            TTwinRandomBarsFXState twin;
            TFXParams p = MakeParams(frame, static_cast<TTransitionModifier>(modifier), reverse, delta);
            if (op == toRandomBars) p.State = &bars;
            if (op == toTwinRandomBars) p.State = &twin;
            const TEffectCall got = CallEffect(effect, from.get(), to.get(), p);
            // The random effects draw differently on every call.
            if (frame >= 0 || op == toRandomBars || op == toTwinRandomBars || op == toSwarm) continue;
            const TEffectCall want = CallEffect(effect, from.get(), to.get(),
                                                MakeParams(0, static_cast<TTransitionModifier>(modifier), reverse, delta));
            EXPECT_EQ(got.Finished, want.Finished) << op << " " << frame;
            EXPECT_EQ(FirstMismatch(*got.Frame, SameAs(want)), "") << op << " reverse " << reverse << " " << frame;
          }
        }
}

std::vector<std::int32_t> Values(const TNode* Head) {
  std::vector<std::int32_t> values;
  for (; Head; Head = Head->Next) values.push_back(Head->Value);
  return values;
}

// The index beside the pool picks what the walk along it picks, in the same
// order, leaving the same lists, whatever Steps does to the range.
TEST(HostileValues, IndexedPicksMatchTheWalkAlongThePool) {
  auto from = CodedPicture(40, 6, kFromTag), to = CodedPicture(40, 6, kToTag);
  for (std::int32_t bars : {0, 1, 2, 40, 300}) {
    TRandomBarsFXState indexed, walked;
    TFXParams a = MakeParams(0), b = MakeParams(0);
    indexed.BarCount = walked.BarCount = bars;
    indexed.Init(&a);
    walked.LastFrame = -1;
    walked.CreateList(bars, walked.PoolHead, walked.PoolTail);  // no index: the walk
    SetRandSeed(1234 + bars);
    std::vector<TEffectCall> frames;
    int frame = 0;
    for (int step = 1; frame <= bars + 1; frame += step, step = step % 7 + 1) {
      a.CurrentFrame = frame;
      a.State = &indexed;
      frames.push_back(CallEffect(FXRandomBars, from.get(), to.get(), a));
    }
    SetRandSeed(1234 + bars);
    frame = 0;
    std::size_t i = 0;
    for (int step = 1; frame <= bars + 1; frame += step, step = step % 7 + 1, ++i) {
      b.CurrentFrame = frame;
      b.State = &walked;
      const TEffectCall want = CallEffect(FXRandomBars, from.get(), to.get(), b);
      ASSERT_EQ(FirstMismatch(*frames[i].Frame, SameAs(want)), "") << bars << " frame " << frame;
    }
    EXPECT_EQ(Values(indexed.PickedHead), Values(walked.PickedHead)) << bars;
    EXPECT_EQ(Values(indexed.PoolHead), Values(walked.PoolHead)) << bars;
  }
}

TEST(HostileValues, RandomBarsWorkPerTickDoesNotGrowWithThePool) {
  auto from = CodedPicture(16, 8, kFromTag), to = CodedPicture(16, 8, kToTag);
  TRandomBarsFXState state;
  TFXParams p = MakeParams(0);
  state.BarCount = 1000000;
  state.Init(&p);
  p.State = &state;
  p.CurrentFrame = 99999;  // one tick of Steps 100000
  const auto start = std::chrono::steady_clock::now();
  CallEffect(FXRandomBars, from.get(), to.get(), p);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(state.LastFrame, 99999);
  EXPECT_EQ(Values(state.PickedHead).size(), 100000u);
}

// A form text that makes a control 2147483647 wide play random bars: Play
// returns at once and the lists stay bounded.
TEST(HostileValues, RandomBarsOnAHugeControlStayBounded) {
  for (const char* op : {"toRandomBars", "toTwinRandomBars"}) {
    THeadlessHost host(30, 20);
    TTweenery t(nullptr);
    t.SetParent(&host);
    auto from = CodedPicture(20, 10, kFromTag), to = CodedPicture(20, 10, kToTag);
    t.SetFromBitmap(from.get());
    t.SetToBitmap(to.get());
    const auto start = std::chrono::steady_clock::now();
    ReadComponentText(std::string("object T: TTweenery\n  Width = 2147483647\n  Operation = ") + op +
                          "\n  Interval = 1\n  Steps = 100000\n  Active = True\nend\n",
                      t);
    ASSERT_TRUE(t.Active());
    HeadlessLoop().RunFor(std::chrono::milliseconds(50));
    t.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << op;
    FillSurface(host);
    t.Repaint();
    EXPECT_EQ(Painted(host), 20 * 10) << op;
  }
}

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Interval 0 composes nothing; the worker waits without spinning a core.
TEST(HostileValues, ThreadWithIntervalZeroIdlesWithoutSpinning) {
  {
    TTweeneryRig rig(12, 8, toPush);
    rig.Tweenery->SetUseThread(true);
    rig.Tweenery->SetInterval(0);
    rig.Tweenery->Play();
    const double before = ProcessCpuSeconds();
    HeadlessLoop().RunFor(std::chrono::milliseconds(1000));
    const double used = ProcessCpuSeconds() - before;
    EXPECT_EQ(rig.Tweenery->CurrentFrame(), -1);
    EXPECT_LT(used, 0.25);
    // A later Interval takes over from the next wait.
    rig.Tweenery->SetInterval(1);
    HeadlessLoop().RunUntil([&] { return rig.Tweenery->CurrentFrame() > 0; }, std::chrono::seconds(10));
    EXPECT_GT(rig.Tweenery->CurrentFrame(), 0);
    rig.Tweenery->Stop();
  }
  // The worker frees itself after the component lets go; the process must
  // not end (and tear the loop down) while it is still finishing.
  HeadlessLoop().RunUntil([] { return TThread::LiveThreads() == 0; }, std::chrono::seconds(10));
}

}  // namespace
}  // namespace tweenery::test
