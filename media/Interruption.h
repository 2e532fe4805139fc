// SIGINT and SIGTERM end a run cleanly: the handler only notes the signal,
// the run stops at its next frame by raising EInterrupted, and the
// unwinding removes whatever the run had not yet published. A second
// signal ends the process at once.
#pragma once

#include "media/Errors.h"

namespace tweenery {

class EInterrupted : public EToolFailure {
 public:
  explicit EInterrupted(int Signal);
  int Signal() const { return FSignal; }

 private:
  int FSignal;
};

// For the program, not for code that embeds the commands.
void InstallInterruptHandlers();
// The signal that asked the run to stop, or 0.
int InterruptSignal();
// Raises EInterrupted once a signal has come.
void StopIfInterrupted();
// For tests: as if Signal had come (0 forgets it).
void SimulateInterrupt(int Signal);

}  // namespace tweenery
