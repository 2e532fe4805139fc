#include "platform/Runtime.h"

#include <algorithm>
#include <iostream>
#include <utility>

namespace tweenery {

// ---------------------------------------------------------------- message loop

TMessageLoop::TMessageLoop() : FGuiThread(std::this_thread::get_id()) {}

void TMessageLoop::HandleException(std::exception_ptr Error) {
  if (FOnException) {
    FOnException(Error);
    return;
  }
  try {
    std::rethrow_exception(Error);
  } catch (const std::exception& e) {
    std::cerr << "Unhandled exception: " << e.what() << '\n';
  } catch (...) {
    std::cerr << "Unhandled exception\n";
  }
}

namespace {

TMessageLoop* gInstalledLoop = nullptr;

THeadlessLoop& DefaultLoop() {
  static THeadlessLoop loop;
  return loop;
}

// The loop takes the thread that creates it as the GUI thread. Creating it
// during start-up makes that the main thread even when a worker is the first
// to ask for Application() (its Synchronize would otherwise run on itself).
[[maybe_unused]] const bool gDefaultLoopCreated = (DefaultLoop(), true);

}  // namespace

TMessageLoop* Application() { return gInstalledLoop ? gInstalledLoop : &DefaultLoop(); }

void SetApplication(TMessageLoop* Loop) { gInstalledLoop = Loop; }

void THeadlessLoop::Post(TStep Step) {
  {
    std::lock_guard<std::mutex> lock(FLock);
    FPosted.push_back(std::move(Step));
  }
  FWake.notify_all();
}

int THeadlessLoop::StartTimer(std::uint32_t IntervalMs, TStep OnTick) {
  const int id = FNextTimer++;
  if (IntervalMs == 0) return id;  // a timer at interval 0 never fires
  FTimers[id] = Timer{IntervalMs, Clock::now() + std::chrono::milliseconds(IntervalMs),
                      std::make_shared<TStep>(std::move(OnTick))};
  return id;
}

void THeadlessLoop::StopTimer(int Id) { FTimers.erase(Id); }

void THeadlessLoop::ProcessMessages() {
  std::deque<TStep> batch;
  {
    std::lock_guard<std::mutex> lock(FLock);
    batch.swap(FPosted);
  }
  for (TStep& step : batch) {
    try {
      step();
    } catch (...) {
      HandleException(std::current_exception());
    }
  }

  // Each due timer fires once; a timer stopped or restarted by an earlier
  // handler in this pass is looked up again and skipped if gone or not due.
  const Clock::time_point now = Clock::now();
  std::vector<int> due;
  for (const auto& [id, timer] : FTimers)
    if (timer.Due <= now) due.push_back(id);
  for (int id : due) {
    auto it = FTimers.find(id);
    if (it == FTimers.end() || it->second.Due > now) continue;
    Timer& timer = it->second;
    timer.Due = std::max(timer.Due + std::chrono::milliseconds(timer.Interval), now);
    std::shared_ptr<TStep> onTick = timer.OnTick;
    try {
      (*onTick)();
    } catch (...) {
      HandleException(std::current_exception());
    }
  }
}

void THeadlessLoop::WaitForWork(Clock::time_point Limit) {
  for (const auto& [id, timer] : FTimers) Limit = std::min(Limit, timer.Due);
  std::unique_lock<std::mutex> lock(FLock);
  FWake.wait_until(lock, Limit, [&] { return !FPosted.empty() || FTerminated; });
}

void THeadlessLoop::Run() {
  for (;;) {
    ProcessMessages();
    {
      std::lock_guard<std::mutex> lock(FLock);
      if (FTerminated) {
        FTerminated = false;  // the loop may be run again
        return;
      }
    }
    WaitForWork(Clock::now() + std::chrono::milliseconds(100));
  }
}

void THeadlessLoop::Terminate() {
  {
    std::lock_guard<std::mutex> lock(FLock);
    FTerminated = true;
  }
  FWake.notify_all();
}

bool THeadlessLoop::RunUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout) {
  const Clock::time_point deadline = Clock::now() + Timeout;
  for (;;) {
    ProcessMessages();
    if (Done()) return true;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return false;
    // Done may depend on other threads that post nothing: look again soon.
    WaitForWork(std::min(deadline, now + std::chrono::milliseconds(5)));
  }
}

void THeadlessLoop::RunFor(std::chrono::milliseconds Duration) {
  RunUntil([] { return false; }, Duration);
}

// ---------------------------------------------------------------- timer

TTimer::TTimer(TComponent* Owner) : TComponent(Owner) {}

TTimer::~TTimer() {
  if (FTimerId) Application()->StopTimer(FTimerId);
}

void TTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetInterval(std::uint32_t Value) {
  if (Value == FInterval) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value) {
  FOnTimer = std::move(Value);
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (FTimerId) {
    Application()->StopTimer(FTimerId);
    FTimerId = 0;
  }
  if (!FEnabled || FInterval == 0 || !FOnTimer) return;
  FTimerId = Application()->StartTimer(FInterval, [this] {
    // The handler may free this timer; call a copy.
    TNotifyEvent handler = FOnTimer;
    if (handler) handler(this);
  });
}

// ---------------------------------------------------------------- thread

namespace {
std::atomic<int> gLiveThreads{0};
}

struct TThread::SyncCall {
  enum Phase { Pending, Running, Finished, Withdrawn };
  const std::function<void()>* Method = nullptr;
  std::exception_ptr Error;
  Phase State = Pending;
  std::mutex Lock;
  std::condition_variable Changed;
};

TThread::TThread(bool CreateSuspended) {
  // The system thread starts on the first Resume (or Start) that leaves the
  // thread unsuspended, so Execute never runs before construction is done.
  FSuspendCount = CreateSuspended ? 1 : 0;
  ++gLiveThreads;
}

void TThread::StartLocked() {
  if (FStarted || FSuspendCount > 0) return;
  FStarted = true;
  // ThreadProc takes FLock first, so it waits until FThread is assigned.
  FThread = std::thread([this] { ThreadProc(); });
}

void TThread::Start() {
  std::lock_guard<std::mutex> lock(FLock);
  StartLocked();
}

TThread::~TThread() {
  if (FThread.joinable()) {
    if (FThread.get_id() == std::this_thread::get_id()) {
      FThread.detach();  // a thread freeing itself
    } else {
      TerminateAndResume();
      FThread.join();
    }
  }
  --gLiveThreads;
}

int TThread::LiveThreads() { return gLiveThreads.load(); }

void TThread::Suspend() {
  std::lock_guard<std::mutex> lock(FLock);
  ++FSuspendCount;
}

void TThread::Resume() {
  std::lock_guard<std::mutex> lock(FLock);
  if (FSuspendCount == 0) return;
  --FSuspendCount;
  StartLocked();
  FWake.notify_all();
}

bool TThread::Suspended() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FSuspendCount > 0;
}

void TThread::Terminate() {
  std::lock_guard<std::mutex> lock(FLock);
  FTerminated = true;
  WithdrawPendingSyncLocked();
}

void TThread::TerminateAndResume() {
  std::lock_guard<std::mutex> lock(FLock);
  FTerminated = true;
  WithdrawPendingSyncLocked();
  FSuspendCount = 0;
  StartLocked();
  // Notified under the lock: once it is released the thread may run out and
  // free itself, and nothing here may touch it any more.
  FWake.notify_all();
}

void TThread::WithdrawPendingSyncLocked() {
  if (!FPendingSync) return;
  std::lock_guard<std::mutex> lock(FPendingSync->Lock);
  if (FPendingSync->State != SyncCall::Pending) return;
  FPendingSync->State = SyncCall::Withdrawn;
  // The waiting thread needs FLock to leave Synchronize, so it cannot be
  // gone before this notification.
  FPendingSync->Changed.notify_all();
}

void TThread::WaitFor() {
  std::unique_lock<std::mutex> lock(FLock);
  if (!FStarted) return;
  FWake.wait(lock, [&] { return FFinished; });
}

void TThread::CheckSuspended() {
  std::unique_lock<std::mutex> lock(FLock);
  FWake.wait(lock, [&] { return FSuspendCount == 0; });
}

void TThread::Sleep(std::uint32_t Milliseconds) {
  tweenery::Sleep(Milliseconds);
  CheckSuspended();
}

void TThread::Synchronize(const std::function<void()>& Method) {
  if (Application()->IsGuiThread()) {
    Method();
    return;
  }
  CheckSuspended();
  auto call = std::make_shared<SyncCall>();
  call->Method = &Method;
  {
    std::lock_guard<std::mutex> lock(FLock);
    if (FTerminated) return;
    FPendingSync = call;
  }
  Application()->Post([call] {
    {
      std::lock_guard<std::mutex> lock(call->Lock);
      if (call->State != SyncCall::Pending) return;  // withdrawn by Terminate
      call->State = SyncCall::Running;
    }
    try {
      (*call->Method)();
    } catch (...) {
      call->Error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> lock(call->Lock);
      call->State = SyncCall::Finished;
    }
    call->Changed.notify_all();
  });
  {
    std::unique_lock<std::mutex> lock(call->Lock);
    call->Changed.wait(lock, [&] {
      return call->State == SyncCall::Finished || call->State == SyncCall::Withdrawn;
    });
  }
  {
    std::lock_guard<std::mutex> lock(FLock);
    FPendingSync.reset();
  }
  // Taken out of the call so that the exception ends its life on this
  // thread: the GUI thread may drop the last reference to the call at any
  // time, and the library's reference counts are invisible to the thread
  // sanitizer.
  if (std::exception_ptr error = std::exchange(call->Error, nullptr)) std::rethrow_exception(error);
  CheckSuspended();
}

void TThread::ThreadProc() {
  { std::lock_guard<std::mutex> lock(FLock); }
  CheckSuspended();
  try {
    Execute();
  } catch (...) {
    Application()->Post([error = std::current_exception()] { Application()->HandleException(error); });
  }
  const bool freeSelf = FFreeOnTerminate.load();
  {
    std::lock_guard<std::mutex> lock(FLock);
    FFinished = true;
    FWake.notify_all();
  }
  if (freeSelf) delete this;
}

void Sleep(std::uint32_t Milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

}  // namespace tweenery
