// Playback: the two drivers (frame timer, worker thread), Play, Stop, Pause,
// Resume, the tick and the end of a completed run.
#include <algorithm>
#include <limits>

#include "tweenkit/Tweenery.h"

namespace tweenery {

bool TTweenery::Paused() const {
  if (!FActive) return false;
  if (FUseThread) return FThread && FThread->Suspended();
  return FTimer && !FTimer->Enabled();
}

void TTweenery::Play() {
  if (FActive) return;
  SetupFX();
  if (FUseThread) FThread->Resume(); else FTimer->SetEnabled(true);
  FActive = true;
}

void TTweenery::Stop() {
  if (!FActive) return;
  if (FUseThread) {
    if (!FThread->Suspended()) FThread->Suspend();
  } else {
    FTimer->SetEnabled(false);
  }
  FActive = false;
  Repaint();
}

void TTweenery::Pause() {
  if (!FActive || Paused()) return;
  if (FUseThread) FThread->Suspend(); else FTimer->SetEnabled(false);
}

void TTweenery::Resume() {
  if (!FActive || !Paused()) return;
  if (FUseThread) FThread->Resume(); else FTimer->SetEnabled(true);
}

void TTweenery::FXTimer(TObject*) {
  if (FOnTick) {
    // The handler may replace OnTick (a run that ends and starts again); call a copy.
    TNotifyEvent handler = FOnTick;
    handler(this);
    return;
  }
  StepFrame();
}

void TTweenery::StepFrame() {
  // Steps below 1 advance by 1, so such a run still moves. The counter
  // saturates instead of wrapping, and a run whose counter has reached the
  // top of the range ends as if its effect had finished: some effects would
  // need a later frame than the range holds.
  constexpr std::int32_t kLastFrame = std::numeric_limits<std::int32_t>::max();
  const std::int64_t next = static_cast<std::int64_t>(FParams.CurrentFrame) + std::max<std::int32_t>(FSteps, 1);
  FParams.CurrentFrame = static_cast<std::int32_t>(
      std::clamp<std::int64_t>(next, std::numeric_limits<std::int32_t>::min(), kLastFrame));
  GenerateFrame();
  // Still playing at the last frame: neither the effect nor an OnDone
  // handler (which would have set the run up again) ended this run.
  if (FActive && FParams.CurrentFrame == kLastFrame) {
    Stop();
    Done();
  }
  Invalidate();
}

namespace {

// Whether a random-bar state holds a run set up for BarCount bars that has
// drawn exactly up to CurrentFrame, so that drawing on reaches a later frame.
template <class TBarState>
bool BarsGoOn(const TFXState* State, std::int32_t BarCount, std::int32_t CurrentFrame) {
  const auto* bars = dynamic_cast<const TBarState*>(State);
  return bars && bars->Index && bars->BarCount == BarCount && bars->LastFrame == CurrentFrame;
}

}  // namespace

void TTweenery::SeekFrame(std::int32_t Frame) {
  Frame = std::max<std::int32_t>(Frame, 0);
  bool goesOn = true;
  if (FOperation == toRandomBars) {
    const std::int32_t bars = (FParams.Modifier == tmLeft || FParams.Modifier == tmRight) ? Width() : Height();
    goesOn = BarsGoOn<TRandomBarsFXState>(FParams.State, bars, FParams.CurrentFrame);
  } else if (FOperation == toTwinRandomBars) {
    goesOn = BarsGoOn<TTwinRandomBarsFXState>(FParams.State, std::max(Width(), Height()), FParams.CurrentFrame);
  }
  // Bars once drawn stay: an earlier frame draws them again from the start.
  if (!goesOn || Frame < FParams.CurrentFrame) {
    if (FOperation == toRandomBars || FOperation == toTwinRandomBars) SetupFX();
  }
  FParams.CurrentFrame = Frame;
  GenerateFrame();
  // As at the tick: a run still playing at the top of the range ends.
  if (FActive && FParams.CurrentFrame == std::numeric_limits<std::int32_t>::max()) {
    Stop();
    Done();
  }
  Invalidate();
}

void TTweenery::Done() {
  if (FParams.State) FParams.State->Done(&FParams);
  if (FOnDone) {
    // The handler may replace OnDone; call a copy.
    TNotifyEvent handler = FOnDone;
    handler(this);
  }
}

// ---------------------------------------------------------------- worker thread

TTweeneryThread::TTweeneryThread(TTweenery* Tweenery)
    : TThread(true), FTweenery(Tweenery), FInterval(Tweenery->Interval()) {
  SetFreeOnTerminate(true);
}

void TTweeneryThread::Execute() {
  SetPriority(tpNormal);
  // At Interval 0 no frame is composed; the thread then looks again for a
  // new Interval every few milliseconds instead of cycling flat out.
  constexpr std::uint32_t kIdleWaitMs = 10;
  while (!Terminated()) {
    const std::uint32_t interval = FInterval.load();
    Sleep(interval > 0 ? interval : kIdleWaitMs);
    if (Terminated()) break;
    if (interval == 0 && FInterval.load() == 0) continue;
    Synchronize([this] {
      // A failing tick is reported like any other GUI-thread failure; the
      // thread keeps running until the component lets it go.
      try {
        Next();
      } catch (...) {
        Application()->HandleException(std::current_exception());
      }
    });
  }
}

void TTweeneryThread::Next() {
  // A step handed over just before Stop or Pause is dropped: the run is no
  // longer playing when it comes up.
  if (!FTweenery || !FTweenery->Active() || FTweenery->Paused()) return;
  if (FTweenery->Interval() > 0) FTweenery->FXTimer(this);
}

void TTweeneryThread::Release() {
  FTweenery = nullptr;
  TerminateAndResume();
}

}  // namespace tweenery
