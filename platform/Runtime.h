/// @file
/// The GUI thread's message loop, timers and worker threads.
///
/// One GUI thread runs everything that touches components. Application()
/// gives the process's message loop; the headless loop serves tests and the
/// command-line tool, and a toolkit port installs its own with
/// SetApplication. Worker threads hand steps to the GUI thread through
/// TThread::Synchronize, the only hand-over between threads.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Classes.h"

namespace tweenery {

/// The GUI thread's queue of posted steps and its timers.
class TMessageLoop {
 public:
  /// A piece of work run on the GUI thread.
  using TStep = std::function<void()>;
  /// Receives an exception that left a step or a timer.
  using TExceptionHandler = std::function<void(std::exception_ptr)>;

  /// Takes the constructing thread as the GUI thread.
  TMessageLoop();
  virtual ~TMessageLoop() = default;

  /// Any thread: runs Step on the GUI thread later, in posting order.
  virtual void Post(TStep Step) = 0;
  /// GUI thread: a periodic timer; OnTick runs on the GUI thread every
  /// IntervalMs milliseconds (never at 0) until StopTimer.
  /// Returns the timer's id, for StopTimer.
  virtual int StartTimer(std::uint32_t IntervalMs, TStep OnTick) = 0;
  /// GUI thread: the timer Id ticks no more; an unknown id is ignored.
  virtual void StopTimer(int Id) = 0;
  /// GUI thread: runs the posted steps and due timers, without waiting.
  virtual void ProcessMessages() = 0;
  /// GUI thread: runs steps and timers until Terminate.
  virtual void Run() = 0;
  /// Any thread: makes Run return.
  virtual void Terminate() = 0;

  /// Whether the caller runs on the thread that constructed the loop.
  bool IsGuiThread() const { return std::this_thread::get_id() == FGuiThread; }
  /// An exception that leaves a step or a timer goes here; by default it is
  /// written to standard error and the loop goes on.
  void SetOnException(TExceptionHandler Handler) { FOnException = std::move(Handler); }
  /// Hands Error to the handler, or writes it to standard error.
  void HandleException(std::exception_ptr Error);

 private:
  std::thread::id FGuiThread;
  TExceptionHandler FOnException;
};

/// The process's message loop; a headless one unless a port installed another.
TMessageLoop* Application();
/// Installs Loop (not owned) as the process's message loop; nullptr restores
/// the headless one.
void SetApplication(TMessageLoop* Loop);

/// The message loop without a toolkit, for tests and the command-line tool:
/// its Run waits on a condition variable for posted steps and due timers.
class THeadlessLoop : public TMessageLoop {
 public:
  void Post(TStep Step) override;
  int StartTimer(std::uint32_t IntervalMs, TStep OnTick) override;
  void StopTimer(int Id) override;
  void ProcessMessages() override;
  void Run() override;
  void Terminate() override;

  /// Runs the loop until Done() holds or Timeout passes; true when Done held.
  bool RunUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout);
  /// Runs the loop for a while.
  void RunFor(std::chrono::milliseconds Duration);

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    std::uint32_t Interval;
    Clock::time_point Due;
    std::shared_ptr<TStep> OnTick;
  };
  /// Waits until a step is posted, Terminate is called or the next timer is due.
  void WaitForWork(Clock::time_point Limit);

  std::mutex FLock;
  std::condition_variable FWake;
  std::deque<TStep> FPosted;
  bool FTerminated = false;
  std::map<int, Timer> FTimers;  ///< GUI thread only
  int FNextTimer = 1;
};

// ---------------------------------------------------------------- timer

/// A periodic timer on the GUI thread's message loop. It ticks while it is
/// enabled, has an interval above 0 and a handler.
class TTimer : public TComponent {
 public:
  /// An enabled timer of 1000 ms without a handler.
  explicit TTimer(TComponent* Owner);
  /// Stops the timer.
  ~TTimer() override;

  /**@{*/
  /// Whether the timer ticks; a change takes effect at once.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  /**@}*/
  /// Milliseconds between ticks; at 0 the timer never ticks.
  std::uint32_t Interval() const { return FInterval; }
  /// Takes effect at once: the next tick comes Interval after the change.
  void SetInterval(std::uint32_t Value);
  /**@{*/
  /// The tick's handler, called with the timer as sender.
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent Value);
  /**@}*/

 private:
  void UpdateTimer();

  bool FEnabled = true;
  std::uint32_t FInterval = 1000;
  TNotifyEvent FOnTimer;
  int FTimerId = 0;
};

// ---------------------------------------------------------------- thread

/// A worker thread's priority. It is kept for the thread to read; the
/// process's threads all run at the system's normal priority.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

/// A worker thread. Suspension is counted and cooperative: the thread stops at
/// its own wait points (before Execute, after Sleep, around Synchronize) while
/// it has been suspended more often than resumed. Suspend, Resume and
/// Terminate are called from the GUI thread.
class TThread : public TObject {
 public:
  /// A thread that starts on the first Resume (CreateSuspended) or on Start,
  /// so Execute never runs before the descendant is constructed.
  explicit TThread(bool CreateSuspended);
  /// A thread that does not free itself is terminated, resumed and joined.
  ~TThread() override;

  /// Counts one more suspension; the thread halts at its next wait point.
  void Suspend();
  /// Takes one suspension back; the last one lets the thread run (and
  /// starts it the first time). Without a suspension it does nothing.
  void Resume();
  /// Starts a thread created not suspended.
  void Start();
  /// Whether the thread has been suspended more often than resumed.
  bool Suspended() const;
  /// Asks Execute to end. A step the thread is waiting to hand to the GUI
  /// thread is withdrawn: a terminated thread runs no more GUI steps.
  void Terminate();
  /// Terminate and resume as often as suspended, in one step under the
  /// thread's lock. A self-freeing thread may be gone as soon as this
  /// returns, so this is the last call its owner makes on it.
  void TerminateAndResume();
  /// Whether Terminate has been called; Execute polls it.
  bool Terminated() const { return FTerminated.load(); }
  /**@{*/
  /// Whether the thread deletes itself when Execute returns.
  bool FreeOnTerminate() const { return FFreeOnTerminate.load(); }
  void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
  /**@}*/
  /**@{*/
  /// The priority the thread was given; tpNormal at first.
  TThreadPriority Priority() const { return FPriority.load(); }
  void SetPriority(TThreadPriority Value) { FPriority = Value; }
  /**@}*/
  /// Waits until Execute has returned (not for a self-freeing thread).
  void WaitFor();

  /// How many worker threads are alive in the process (for leak checks).
  static int LiveThreads();

 protected:
  /// The thread's work, run on the worker thread.
  virtual void Execute() = 0;
  /// Runs Method on the GUI thread and waits for it; an exception it raises
  /// is raised again here. Returns at once, without running Method, when the
  /// thread is terminated.
  void Synchronize(const std::function<void()>& Method);
  /// Sleeps without being woken early, then waits while suspended.
  void Sleep(std::uint32_t Milliseconds);
  /// A wait point: blocks while the thread is suspended.
  void CheckSuspended();

 private:
  struct SyncCall;
  void ThreadProc();
  void StartLocked();
  void WithdrawPendingSyncLocked();

  mutable std::mutex FLock;
  std::condition_variable FWake;
  int FSuspendCount = 0;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFreeOnTerminate{false};
  std::atomic<TThreadPriority> FPriority{tpNormal};
  bool FStarted = false;
  bool FFinished = false;
  std::shared_ptr<SyncCall> FPendingSync;
  std::thread FThread;
};

/// Non-alertable sleep of the calling thread.
void Sleep(std::uint32_t Milliseconds);

}  // namespace tweenery
