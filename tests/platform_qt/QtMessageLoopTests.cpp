// The GUI thread's message loop on Qt's event loop: steps from any thread,
// timers, Synchronize, failures and termination.
#include <QElapsedTimer>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/Runtime.h"
#include "platform/Services.h"
#include "platform/qt/QtMessageLoop.h"
#include "platform/qt/QtPlatform.h"

using namespace tweenery;

namespace {

// Runs one step through Synchronize and records where it ran and whether the
// worker was still inside Synchronize meanwhile.
class TSyncThread : public TThread {
 public:
  TSyncThread() : TThread(true) {}
  std::thread::id StepThread;
  std::atomic<bool> WorkerWaiting{false};
  std::atomic<bool> WaitedDuringStep{false};
  std::atomic<bool> Finished{false};

 protected:
  void Execute() override {
    WorkerWaiting = true;
    Synchronize([this] {
      StepThread = std::this_thread::get_id();
      WaitedDuringStep = WorkerWaiting.load();
      // The worker stays blocked while the GUI thread works on.
      tweenery::Sleep(20);
    });
    WorkerWaiting = false;
    Finished = true;
  }
};

}  // namespace

class QtMessageLoopTests : public QObject {
  Q_OBJECT
  std::unique_ptr<TQtPlatform> FPlatform;

 private slots:
  void init() { FPlatform = std::make_unique<TQtPlatform>(); }
  void cleanup() { FPlatform.reset(); }

  void platformInstallsAndRestoresTheLoop() {
    QCOMPARE(Application(), static_cast<TMessageLoop*>(FPlatform->Loop()));
    QVERIFY(Application()->IsGuiThread());
    FPlatform.reset();
    QVERIFY(dynamic_cast<THeadlessLoop*>(Application()) != nullptr);
    SetClipboardText("headless");
    QCOMPARE(HeadlessServices().Clipboard, std::string("headless"));
  }

  void synchronizeRunsOnTheGuiThreadWhileTheWorkerWaits() {
    TSyncThread thread;
    thread.Resume();
    QTRY_VERIFY_WITH_TIMEOUT(thread.Finished.load(), 10000);
    QCOMPARE(thread.StepThread, std::this_thread::get_id());
    QVERIFY(thread.WaitedDuringStep.load());
    thread.WaitFor();
  }

  void postedStepsKeepTheirOrderPerThread() {
    constexpr int kThreads = 4, kSteps = 500;
    std::vector<std::vector<int>> seen(kThreads);
    std::atomic<int> ran{0};
    bool allOnGuiThread = true;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
      posters.emplace_back([&, t] {
        for (int i = 0; i < kSteps; ++i)
          Application()->Post([&, t, i] {
            allOnGuiThread = allOnGuiThread && Application()->IsGuiThread();
            seen[t].push_back(i);
            ++ran;
          });
      });
    for (std::thread& poster : posters) poster.join();
    QTRY_COMPARE_WITH_TIMEOUT(ran.load(), kThreads * kSteps, 10000);
    QVERIFY(allOnGuiThread);
    for (int t = 0; t < kThreads; ++t) {
      QCOMPARE(int(seen[t].size()), kSteps);
      for (int i = 0; i < kSteps; ++i) QCOMPARE(seen[t][i], i);
    }
    // Steps a step posts run after those posted before it.
    std::vector<int> order;
    Application()->Post([&] {
      order.push_back(1);
      Application()->Post([&] { order.push_back(3); });
    });
    Application()->Post([&] { order.push_back(2); });
    QTRY_COMPARE(order.size(), size_t(3));
    QCOMPARE(order, (std::vector<int>{1, 2, 3}));
  }

  void aOneMillisecondTimerKeepsFiring() {
    int ticks = 0;
    const int id = Application()->StartTimer(1, [&] { ++ticks; });
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 20, 5000);
    Application()->StopTimer(id);
    const int stoppedAt = ticks;
    QTest::qWait(30);
    QCOMPARE(ticks, stoppedAt);
  }

  void aTimerAtZeroNeverFiresAndATickMayStopItsTimer() {
    int zeroTicks = 0;
    const int zero = Application()->StartTimer(0, [&] { ++zeroTicks; });
    int ticks = 0;
    int id = 0;
    id = Application()->StartTimer(1, [&] {
      ++ticks;
      Application()->StopTimer(id);
    });
    QTest::qWait(40);
    QCOMPARE(ticks, 1);
    QCOMPARE(zeroTicks, 0);
    Application()->StopTimer(zero);
  }

  void exceptionsGoToTheHandlerAndTheLoopGoesOn() {
    std::vector<std::string> errors;
    Application()->SetOnException([&](std::exception_ptr error) {
      try {
        std::rethrow_exception(error);
      } catch (const std::exception& e) {
        errors.push_back(e.what());
      }
    });
    bool after = false;
    Application()->Post([] { throw std::runtime_error("step failed"); });
    Application()->Post([&] { after = true; });
    int ticks = 0;
    const int id = Application()->StartTimer(1, [&] {
      if (++ticks == 1) throw std::runtime_error("tick failed");
    });
    QTRY_VERIFY_WITH_TIMEOUT(after && ticks >= 3, 5000);
    Application()->StopTimer(id);
    QCOMPARE(errors, (std::vector<std::string>{"step failed", "tick failed"}));
    Application()->SetOnException(nullptr);
  }

  void terminateFromAnotherThreadEndsRun() {
    Application()->Post([] {
      std::thread([] {
        tweenery::Sleep(10);
        Application()->Terminate();
      }).detach();
    });
    QElapsedTimer clock;
    clock.start();
    Application()->Run();
    QVERIFY(clock.elapsed() < 5000);
    // A Terminate before Run is kept: the next Run returns at once.
    Application()->Terminate();
    Application()->ProcessMessages();
    clock.restart();
    Application()->Run();
    QVERIFY(clock.elapsed() < 5000);
  }
};

QTEST_MAIN(QtMessageLoopTests)
#include "QtMessageLoopTests.moc"
