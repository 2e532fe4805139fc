#include "platform/qt/QtMessageLoop.h"

#include <QCoreApplication>
#include <QTimer>
#include <memory>

namespace tweenery {

TQtMessageLoop::TQtMessageLoop() = default;

TQtMessageLoop::~TQtMessageLoop() {
  // The timers are children of the loop; stopping them first keeps a tick
  // from arriving while the map is torn down.
  for (auto& [id, timer] : FTimers) timer->stop();
}

void TQtMessageLoop::Post(TStep Step) {
  std::lock_guard<std::mutex> lock(FLock);
  FPosted.push_back(std::move(Step));
  if (FDrainPosted) return;
  FDrainPosted = true;
  // Queued by name: the call event is Qt's alone, and everything the step
  // needs reaches the GUI thread through this lock, which RunPosted takes
  // first. (A queued lambda would be read on the GUI thread before any
  // lock, ordered only by Qt's futexes, which the thread sanitizer cannot see.)
  QMetaObject::invokeMethod(this, "RunPosted", Qt::QueuedConnection);
}

void TQtMessageLoop::RunPosted() {
  std::deque<TStep> batch;
  {
    std::lock_guard<std::mutex> lock(FLock);
    batch.swap(FPosted);
    FDrainPosted = false;
  }
  for (const TStep& step : batch) RunGuarded(step);
}

void TQtMessageLoop::RunGuarded(const TStep& Step) {
  // Nothing may leave a step into Qt's event loop: it cannot unwind
  // through it.
  try {
    Step();
  } catch (...) {
    HandleException(std::current_exception());
  }
}

int TQtMessageLoop::StartTimer(std::uint32_t IntervalMs, TStep OnTick) {
  const int id = FNextTimer++;
  if (IntervalMs == 0) return id;
  auto* timer = new QTimer(this);
  timer->setTimerType(Qt::PreciseTimer);
  // QTimer takes an int; longer intervals are clamped to its range.
  timer->setInterval(static_cast<int>(std::min<std::uint32_t>(IntervalMs, 0x7FFFFFFF)));
  auto tick = std::make_shared<TStep>(std::move(OnTick));
  connect(timer, &QTimer::timeout, this, [this, tick] {
    // A handler may stop this timer (and so free the closure): run a copy
    // kept alive by the shared pointer.
    std::shared_ptr<TStep> keep = tick;
    ++FTickDepth;
    RunGuarded(*keep);
    --FTickDepth;
  });
  FTimers[id] = timer;
  timer->start();
  return id;
}

void TQtMessageLoop::StopTimer(int Id) {
  auto it = FTimers.find(Id);
  if (it == FTimers.end()) return;
  QTimer* timer = it->second;
  FTimers.erase(it);
  timer->stop();
  // Inside a tick this timer (or one further out, through a nested
  // ProcessMessages) may be emitting: it goes once back in the event loop.
  // Otherwise at once, since a program that only calls ProcessMessages
  // never reaches the event loop's deferred deletions.
  if (FTickDepth > 0) timer->deleteLater(); else delete timer;
}

void TQtMessageLoop::ProcessMessages() { QCoreApplication::processEvents(); }

void TQtMessageLoop::Run() {
  if (FTerminatePending) {
    FTerminatePending = false;
    return;
  }
  ++FRunDepth;
  QCoreApplication::exec();
  --FRunDepth;
}

void TQtMessageLoop::Terminate() { Post([this] { QuitOrRemember(); }); }

void TQtMessageLoop::QuitOrRemember() {
  // Like the headless loop, a Terminate before Run makes the next Run
  // return at once instead of being lost.
  if (FRunDepth > 0) QCoreApplication::quit(); else FTerminatePending = true;
}

}  // namespace tweenery
