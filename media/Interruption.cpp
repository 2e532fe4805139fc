#include "media/Interruption.h"

#include <signal.h>

#include <atomic>
#include <cstring>
#include <string>

namespace tweenery {

namespace {

// Written by the handler, read by every thread of the run: lock-free, so
// safe in a handler.
std::atomic<int> GSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

void NoteSignal(int Signal) { GSignal.store(Signal, std::memory_order_relaxed); }

}  // namespace

EInterrupted::EInterrupted(int Signal)
    : EToolFailure(std::string("interrupted by ") + (Signal == SIGINT ? "SIGINT" : Signal == SIGTERM ? "SIGTERM" : "a signal") +
                   "; nothing unfinished was kept"),
      FSignal(Signal) {}

void InstallInterruptHandlers() {
  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  // Writes in progress complete; the default comes back for a second signal.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (int signal : {SIGINT, SIGTERM}) sigaction(signal, &action, nullptr);
}

int InterruptSignal() { return GSignal.load(std::memory_order_relaxed); }

void StopIfInterrupted() {
  if (const int signal = InterruptSignal()) throw EInterrupted(signal);
}

void SimulateInterrupt(int Signal) { GSignal.store(Signal, std::memory_order_relaxed); }

}  // namespace tweenery
