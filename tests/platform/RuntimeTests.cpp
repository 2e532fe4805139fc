#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Runtime.h"

namespace tweenery {
namespace {

using namespace std::chrono_literals;

// Generous: only a broken runtime ever waits this long.
constexpr auto kPatience = 30s;

THeadlessLoop& Loop() { return static_cast<THeadlessLoop&>(*Application()); }

// Waits on the calling thread (without running the loop) until Done holds.
bool WaitUntil(const std::function<bool()>& Done) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!Done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

// Runs the loop until Done holds. Polls, because a worker may change what
// Done looks at without posting anything that would wake the loop.
bool PumpUntil(const std::function<bool()>& Done) {
  return WaitUntil([&] {
    Loop().ProcessMessages();
    return Done();
  });
}

// Routes loop exceptions to a list for the lifetime of the guard.
struct TCaughtExceptions {
  std::vector<std::string> Messages;
  TCaughtExceptions() {
    Application()->SetOnException([this](std::exception_ptr Error) {
      try {
        std::rethrow_exception(Error);
      } catch (const std::exception& e) {
        Messages.push_back(e.what());
      }
    });
  }
  ~TCaughtExceptions() { Application()->SetOnException(nullptr); }
};

// A thread whose Execute is a closure; exposes the wait points to it. Owners
// wait for a started worker to finish before destroying it, since the
// closure dies with the derived part.
class TWorker : public TThread {
 public:
  using TBody = std::function<void(TWorker&)>;
  TWorker(bool CreateSuspended, TBody Body) : TThread(CreateSuspended), FBody(std::move(Body)) {}
  using TThread::CheckSuspended;
  using TThread::Sleep;
  using TThread::Synchronize;

 protected:
  void Execute() override { FBody(*this); }

 private:
  TBody FBody;
};

// ---------------------------------------------------------------- message loop

TEST(MessageLoop, TheGuiThreadIsTheMainThreadWhateverAsksFirst) {
  bool workerIsGui = true;
  std::thread([&] { workerIsGui = Application()->IsGuiThread(); }).join();
  EXPECT_FALSE(workerIsGui);
  EXPECT_TRUE(Application()->IsGuiThread());
}

TEST(MessageLoop, PostedStepsRunInOrderAndStepsPostedByStepsRunLater) {
  std::vector<int> order;
  for (int i = 0; i < 50; ++i) Loop().Post([&order, i] { order.push_back(i); });
  Loop().Post([&] {
    order.push_back(100);
    Loop().Post([&] { order.push_back(200); });
  });
  EXPECT_TRUE(order.empty());
  Loop().ProcessMessages();
  ASSERT_EQ(order.size(), 51u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[i], i);
  EXPECT_EQ(order.back(), 100);
  Loop().ProcessMessages();
  EXPECT_EQ(order.back(), 200);

  // Posted from another thread, in that thread's order.
  order.clear();
  std::thread([&] {
    for (int i = 0; i < 50; ++i) Loop().Post([&order, i] { order.push_back(i); });
  }).join();
  Loop().ProcessMessages();
  ASSERT_EQ(order.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[i], i);
}

TEST(MessageLoop, ExceptionsFromStepsTimersAndThreadsGoToTheHook) {
  TCaughtExceptions caught;
  bool after = false;
  Loop().Post([] { throw EConvertError("from a step"); });
  Loop().Post([&] { after = true; });
  Loop().ProcessMessages();
  EXPECT_TRUE(after);  // the loop goes on

  TTimer timer(nullptr);
  timer.SetInterval(1);
  timer.SetOnTimer([&](TObject*) {
    timer.SetEnabled(false);
    throw EConvertError("from a timer");
  });
  ASSERT_TRUE(Loop().RunUntil([&] { return caught.Messages.size() == 2; }, kPatience));

  TWorker worker(true, [](TWorker&) { throw EConvertError("from a thread"); });
  worker.Resume();
  worker.WaitFor();
  ASSERT_TRUE(Loop().RunUntil([&] { return caught.Messages.size() == 3; }, kPatience));
  const std::vector<std::string> want{"from a step", "from a timer", "from a thread"};
  EXPECT_EQ(caught.Messages, want);
}

// ---------------------------------------------------------------- timer

// Runs the loop a while and checks that a timer's tick count stayed put.
void ExpectSilent(const int& Ticks) {
  const int before = Ticks;
  Loop().RunFor(20ms);
  EXPECT_EQ(Ticks, before);
}

TEST(Timer, FiresRepeatedlyUntilDisabled) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(1);
  timer.SetOnTimer([&](TObject* Sender) {
    EXPECT_EQ(Sender, &timer);
    ++ticks;
  });
  ASSERT_TRUE(Loop().RunUntil([&] { return ticks >= 5; }, kPatience));
  timer.SetEnabled(false);
  ExpectSilent(ticks);
}

TEST(Timer, NeverFiresAtIntervalZero) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  timer.SetInterval(0);
  ExpectSilent(ticks);
  EXPECT_EQ(ticks, 0);
  timer.SetInterval(1);
  ASSERT_TRUE(Loop().RunUntil([&] { return ticks > 0; }, kPatience));
  timer.SetInterval(0);
  ExpectSilent(ticks);
}

TEST(Timer, AnIntervalChangeTakesEffectAtOnce) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(3600 * 1000);
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  ExpectSilent(ticks);
  timer.SetInterval(2);  // not an hour after the first start
  EXPECT_TRUE(Loop().RunUntil([&] { return ticks > 0; }, kPatience));
}

TEST(Timer, AHandlerMayFreeItsOwnTimerOrAnother) {
  auto own = std::make_unique<TTimer>(nullptr);
  int ownTicks = 0;
  own->SetInterval(1);
  own->SetOnTimer([&](TObject*) {
    ++ownTicks;
    own.reset();
  });
  ASSERT_TRUE(Loop().RunUntil([&] { return ownTicks > 0; }, kPatience));
  Loop().RunFor(10ms);
  EXPECT_EQ(ownTicks, 1);

  // Two timers due in the same pass, each freeing the other: the one freed
  // first never fires.
  std::unique_ptr<TTimer> a = std::make_unique<TTimer>(nullptr), b = std::make_unique<TTimer>(nullptr);
  int fired = 0;
  a->SetOnTimer([&](TObject*) {
    ++fired;
    b.reset();
    a->SetEnabled(false);
  });
  b->SetOnTimer([&](TObject*) {
    ++fired;
    a.reset();
    b->SetEnabled(false);
  });
  a->SetInterval(1);
  b->SetInterval(1);
  Loop().RunFor(5ms);
  EXPECT_TRUE(Loop().RunUntil([&] { return fired > 0; }, kPatience));
  Loop().RunFor(5ms);
  EXPECT_EQ(fired, 1);
  EXPECT_TRUE(!a != !b);
}

// ---------------------------------------------------------------- thread

TEST(Thread, CreatedSuspendedRunsOnlyAfterResume) {
  std::atomic<bool> ran{false};
  TWorker worker(true, [&](TWorker&) { ran = true; });
  std::this_thread::sleep_for(10ms);
  EXPECT_FALSE(ran);
  EXPECT_TRUE(worker.Suspended());
  worker.Resume();
  worker.WaitFor();
  EXPECT_TRUE(ran);
  EXPECT_FALSE(worker.Suspended());

  // Created running, it starts on Start.
  std::atomic<bool> started{false};
  TWorker running(false, [&](TWorker&) { started = true; });
  running.Start();
  running.WaitFor();
  EXPECT_TRUE(started);
}

TEST(Thread, SuspendsAreCountedAndHonouredAtWaitPoints) {
  // Never started: two suspensions need two resumptions.
  std::atomic<bool> ran{false};
  TWorker idle(true, [&](TWorker&) { ran = true; });
  idle.Suspend();
  idle.Resume();
  std::this_thread::sleep_for(5ms);
  EXPECT_TRUE(idle.Suspended());
  EXPECT_FALSE(ran);
  idle.Resume();
  idle.WaitFor();
  EXPECT_TRUE(ran);
  idle.Resume();  // more resumes than suspends change nothing
  EXPECT_FALSE(idle.Suspended());

  // Running: it stops at its next wait point and stays there while any
  // suspension is outstanding.
  std::atomic<int> passes{0};
  TWorker busy(true, [&](TWorker& self) {
    while (!self.Terminated()) {
      self.CheckSuspended();
      ++passes;
      std::this_thread::yield();
    }
  });
  busy.Resume();
  ASSERT_TRUE(WaitUntil([&] { return passes > 10; }));
  busy.Suspend();
  busy.Suspend();
  const int atSuspend = passes;
  std::this_thread::sleep_for(10ms);
  const int held = passes;
  EXPECT_LE(held, atSuspend + 1);  // at most the pass under way
  busy.Resume();
  std::this_thread::sleep_for(10ms);
  EXPECT_EQ(passes, held);
  busy.Resume();
  EXPECT_TRUE(WaitUntil([&] { return passes > held; }));
  busy.Terminate();
  busy.WaitFor();
}

TEST(Thread, TerminateEndsExecuteAndTheDestructorJoins) {
  std::atomic<bool> ended{false};
  TWorker worker(true, [&](TWorker& self) {
    while (!self.Terminated()) self.Sleep(1);
    ended = true;
  });
  worker.Resume();
  EXPECT_FALSE(worker.Terminated());
  worker.Terminate();
  worker.WaitFor();
  EXPECT_TRUE(ended);
  EXPECT_TRUE(worker.Terminated());

  // A running thread destroyed by its owner is terminated and joined; one
  // suspended at a wait point is released for that.
  class TSpinner : public TThread {
   public:
    TSpinner(std::atomic<int>& Entered) : TThread(true), FEntered(Entered) {}

   protected:
    void Execute() override {
      ++FEntered;
      while (!Terminated()) Sleep(1);
    }

   private:
    std::atomic<int>& FEntered;
  };
  const int live = TThread::LiveThreads();
  std::atomic<int> entered{0};
  {
    TSpinner spinning(entered), suspended(entered);
    spinning.Resume();
    suspended.Resume();
    ASSERT_TRUE(WaitUntil([&] { return entered == 2; }));
    suspended.Suspend();
  }
  EXPECT_EQ(TThread::LiveThreads(), live);
}

TEST(Thread, SynchronizeRunsOnTheGuiThreadAndWaits) {
  const std::thread::id gui = std::this_thread::get_id();
  std::thread::id ranOn;
  int value = 0, seenAfter = -1;  // plain ints: Synchronize orders the accesses
  std::string raised;
  std::atomic<bool> done{false};
  TWorker worker(true, [&](TWorker& self) {
    self.Synchronize([&] {
      ranOn = std::this_thread::get_id();
      value = 42;
    });
    seenAfter = value;
    try {
      self.Synchronize([] { throw EConvertError("raised on the GUI thread"); });
    } catch (const Exception& e) {
      raised = e.Message();
    }
    done = true;
  });
  worker.Resume();
  ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.WaitFor();
  EXPECT_EQ(ranOn, gui);
  EXPECT_EQ(seenAfter, 42);
  EXPECT_EQ(raised, "raised on the GUI thread");

  // Called on the GUI thread, it runs at once.
  bool direct = false;
  worker.Synchronize([&] { direct = true; });
  EXPECT_TRUE(direct);
}

// The withdraw and self-freeing cases race by nature; many rounds give the
// sanitizers a chance to see every interleaving.
constexpr int kRounds = 200;

TEST(Thread, TerminateWithdrawsAPendingSynchronize) {
  for (int round = 0; round < kRounds; ++round) {
    std::atomic<bool> entered{false}, returned{false};
    bool ran = false;
    TWorker worker(true, [&](TWorker& self) {
      entered = true;
      self.Synchronize([&] { ran = true; });
      returned = true;
    });
    worker.Resume();
    ASSERT_TRUE(WaitUntil([&] { return entered.load(); }));
    // The loop is not run here, so the step cannot have run before this.
    worker.Terminate();
    worker.WaitFor();  // would never return if the thread still waited
    EXPECT_TRUE(returned);
    Loop().ProcessMessages();
    ASSERT_FALSE(ran) << "round " << round;
  }
}

TEST(Thread, ASelfFreeingThreadLeavesNothingBehind) {
  const int live = TThread::LiveThreads();
  for (int round = 0; round < kRounds; ++round) {
    int synchronized = 0;
    auto* worker = new TWorker(true, [&](TWorker& self) { self.Synchronize([&] { ++synchronized; }); });
    worker->SetFreeOnTerminate(true);
    worker->Resume();
    ASSERT_TRUE(PumpUntil([&] { return TThread::LiveThreads() == live; })) << round;
    ASSERT_EQ(synchronized, 1) << round;
  }
}

TEST(Thread, ASelfFreeingThreadReleasedMidSynchronizeNeverRunsItsStep) {
  const int live = TThread::LiveThreads();
  for (int round = 0; round < kRounds; ++round) {
    std::atomic<bool> entered{false};
    int ran = 0;
    auto* worker = new TWorker(true, [&](TWorker& self) {
      entered = true;
      self.Synchronize([&] { ++ran; });
      self.Synchronize([&] { ++ran; });
    });
    worker->SetFreeOnTerminate(true);
    worker->Resume();
    ASSERT_TRUE(WaitUntil([&] { return entered.load(); }));
    if (round % 2 == 1) worker->Suspend();  // released from a suspension too
    worker->TerminateAndResume();           // the last touch: it may be gone now
    ASSERT_TRUE(PumpUntil([&] { return TThread::LiveThreads() == live; })) << round;
    Loop().ProcessMessages();  // a withdrawn step, if posted, runs out harmlessly
    ASSERT_EQ(ran, 0) << round;
  }
  // Released without ever having run.
  auto* never = new TWorker(true, [](TWorker& self) { EXPECT_TRUE(self.Terminated()); });
  never->SetFreeOnTerminate(true);
  never->TerminateAndResume();
  EXPECT_TRUE(PumpUntil([&] { return TThread::LiveThreads() == live; }));
}

}  // namespace
}  // namespace tweenery
