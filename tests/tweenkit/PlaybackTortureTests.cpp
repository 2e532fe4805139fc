// Playback under random use: Play, Stop, Pause, Resume, UseThread, Interval
// and Operation in any order, with OnDone handlers that play again or
// destroy the component, while both drivers tick; then a soak of many
// whole runs whose resident memory and live threads end where they began.
// Run under ThreadSanitizer by the tsan preset. TWEENERY_TORTURE_STEPS and
// TWEENERY_SOAK_RUNS (scripts/stress) lengthen them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "EffectHarness.h"

namespace tweenery::test {
namespace {

long Setting(const char* Name, long Default) {
  const char* text = std::getenv(Name);
  return text ? std::atol(text) : Default;
}

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

TEST(PlaybackTorture, RandomCallsOnBothDriversWithHostileHandlers) {
  std::mt19937 random(99);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  auto from = CodedPicture(12, 9, kFromTag), to = CodedPicture(12, 9, kToTag);
  THeadlessHost host(20, 20);
  std::unique_ptr<TTweenery> t;
  auto create = [&] {
    t = std::make_unique<TTweenery>(nullptr);
    t->SetParent(&host);
    t->SetBounds(0, 0, 12, 9);
    t->SetFromBitmap(from.get());
    t->SetToBitmap(to.get());
    t->SetInterval(1);
  };
  create();
  int handlerKind = 0;
  bool destroyInHandler = false;
  const long steps = Setting("TWEENERY_TORTURE_STEPS", 3000);
  for (long i = 0; i < steps; ++i) {
    if (!t) create();
    switch (pick(11)) {
      case 0: t->Play(); break;
      case 1: t->Stop(); break;
      case 2: t->Pause(); break;
      case 3: t->Resume(); break;
      case 4: t->SetUseThread(pick(2) != 0); break;
      case 5: t->SetInterval(static_cast<std::uint32_t>(pick(3))); break;
      case 6: t->SetOperation(static_cast<TTransitionOperation>(pick(28))); break;
      case 7: t->SetSteps(pick(20) - 2); break;
      case 8:
        handlerKind = pick(3);
        // A handler that replays, one that destroys the component (after
        // its own return, as a form frees a component from a posted step),
        // or none.
        if (handlerKind == 0) t->SetOnDone(nullptr);
        if (handlerKind == 1) t->SetOnDone([&](TObject*) { t->SetReverse(!t->Reverse()); t->Play(); });
        if (handlerKind == 2) t->SetOnDone([&](TObject*) { destroyInHandler = true; });
        break;
      case 9: t.reset(); break;
      case 10: HeadlessLoop().RunFor(std::chrono::milliseconds(pick(3))); break;
    }
    HeadlessLoop().ProcessMessages();
    if (destroyInHandler) {
      t.reset();
      destroyInHandler = false;
    }
  }
  t.reset();
  HeadlessLoop().RunUntil([] { return TThread::LiveThreads() == 0; }, std::chrono::seconds(10));
  EXPECT_EQ(TThread::LiveThreads(), 0);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

TEST(PlaybackTorture, SoakOfWholeRunsLeavesNothingBehind) {
  auto from = CodedPicture(8, 6, kFromTag), to = CodedPicture(8, 6, kToTag);
  const long runs = Setting("TWEENERY_SOAK_RUNS", 400);
  auto oneRun = [&](long i) {
    THeadlessHost host(8, 6);
    TTweenery t(nullptr);
    t.SetParent(&host);
    t.SetBounds(0, 0, 8, 6);
    t.SetFromBitmap(from.get());
    t.SetToBitmap(to.get());
    t.SetInterval(1);
    t.SetOperation(static_cast<TTransitionOperation>(i % 28));
    t.SetUseThread(i % 2 == 1);
    t.SetSteps(3);
    t.SetDelta(2);
    ASSERT_EQ(PlayToDone(t, std::chrono::seconds(30)), 1) << i;
  };
  // A first round warms the allocator and the loop up.
  for (long i = 0; i < 56; ++i) oneRun(i);
  HeadlessLoop().RunUntil([] { return TThread::LiveThreads() == 0; }, std::chrono::seconds(10));
  const long before = ResidentKiB();
  for (long i = 0; i < runs; ++i) oneRun(i);
  HeadlessLoop().RunUntil([] { return TThread::LiveThreads() == 0; }, std::chrono::seconds(10));
  EXPECT_EQ(TThread::LiveThreads(), 0);
  // AddressSanitizer keeps freed blocks in quarantine, so resident memory
  // grows there without a leak; LeakSanitizer checks that build at exit.
  if (!kAddressSanitizer)
    EXPECT_LT(ResidentKiB() - before, 8 * 1024) << "resident memory grew over " << runs << " runs";
}

}  // namespace
}  // namespace tweenery::test
