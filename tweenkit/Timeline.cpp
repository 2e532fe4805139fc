// A component's transition as a progress and as a timed run.
#include "tweenkit/Timeline.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "tweenkit/TimeBase.h"

namespace tweenery {

TTweeneryTimeline::TCountKey TTweeneryTimeline::Key() const {
  const TTweenery& t = FTweenery;
  TCountKey key;
  key.FromWidth = t.FromBitmap()->Width();
  key.FromHeight = t.FromBitmap()->Height();
  key.ToWidth = t.ToBitmap()->Width();
  key.ToHeight = t.ToBitmap()->Height();
  if (t.Operation() == toRandomBars || t.Operation() == toTwinRandomBars) {
    // The bars run across the control, not the pictures.
    key.ControlWidth = t.Width();
    key.ControlHeight = t.Height();
  }
  key.Operation = t.Operation();
  key.Modifier = t.Modifier();
  key.RGBOrder = t.RGBOrder();
  key.Reverse = t.Reverse();
  key.Delta = t.Delta();
  return key;
}

std::int32_t TTweeneryTimeline::FrameCount() {
  const TCountKey key = Key();
  if (FCountKey == key) return FCount;
  std::int32_t count = 0;
  if (!FTweenery.FromBitmap()->Empty() && !FTweenery.ToBitmap()->Empty()) {
    TTransitionSettings settings;
    settings.Operation = FTweenery.Operation();
    settings.Modifier = FTweenery.Modifier();
    settings.Reverse = FTweenery.Reverse();
    settings.Delta = FTweenery.Delta();
    settings.RGBOrder = FTweenery.RGBOrder();
    settings.Color = FTweenery.Color();
    const TTransitionRenderer renderer(*FTweenery.FromBitmap(), *FTweenery.ToBitmap(), settings,
                                       FTweenery.Width(), FTweenery.Height());
    count = renderer.FrameCount();
  }
  FCount = count;
  FCountKey = key;
  return FCount;
}

std::int32_t TTweeneryTimeline::FrameAtProgress(std::int32_t FrameCount, double Progress) {
  if (!(Progress > 0) || FrameCount <= 0) return 0;
  if (Progress >= 1) return FrameCount;
  const double frame = std::nearbyint(Progress * FrameCount);
  return static_cast<std::int32_t>(std::clamp(frame, 0.0, static_cast<double>(FrameCount)));
}

double TTweeneryTimeline::Progress() {
  if (FPending && (FTweenery.FromBitmap()->Empty() || FTweenery.ToBitmap()->Empty())) return *FPending;
  const std::int32_t count = FrameCount();
  const std::int32_t frame = FTweenery.CurrentFrame();
  if (count <= 0) {
    // No pictures, or a transition over at its first frame.
    const bool pictures = !FTweenery.FromBitmap()->Empty() && !FTweenery.ToBitmap()->Empty();
    return pictures && frame > 0 ? 1.0 : 0.0;
  }
  if (FWritten && FWritten->Frame == frame && FWritten->Key == *FCountKey) return FWritten->Progress;
  return std::clamp(static_cast<double>(frame) / count, 0.0, 1.0);
}

void TTweeneryTimeline::SetProgress(double Progress) {
  if (std::isnan(Progress)) throw ETweenery("Progress: not a number");
  Progress = std::clamp(Progress, 0.0, 1.0);
  if (FTweenery.FromBitmap()->Empty() || FTweenery.ToBitmap()->Empty()) {
    FPending = Progress;
    return;
  }
  FPending.reset();
  const std::int32_t count = FrameCount();
  const std::int32_t frame = FrameAtProgress(count, Progress);
  FWritten.reset();
  FTweenery.SeekFrame(frame);
  // The frame that ends a run completes it; what a handler then did is
  // not the frame written.
  if (FTweenery.CurrentFrame() == frame && FCountKey && Key() == *FCountKey)
    FWritten = TWritten{*FCountKey, frame, Progress};
}

bool TTweeneryTimeline::ShowPendingProgress() {
  if (!FPending || FTweenery.FromBitmap()->Empty() || FTweenery.ToBitmap()->Empty()) return false;
  const double progress = *FPending;
  SetProgress(progress);
  return true;
}

// ---------------------------------------------------------------- timed runs

void TTweeneryTimeline::Start(std::int64_t DurationMs, TEasingFunction Easing, TClock::time_point Now) {
  const std::int32_t count = FrameCount();
  FRunCount = count;
  FPending.reset();
  FDurationMs = std::max<std::int64_t>(DurationMs, 1);
  FEasing = std::move(Easing);
  FStart = Now;
  FPausedAt.reset();
  FRunning = true;
  ++FRunId;
}

void TTweeneryTimeline::Pause(TClock::time_point Now) {
  if (!FRunning || FPausedAt) return;
  FPausedAt = Now;
}

void TTweeneryTimeline::Resume(TClock::time_point Now) {
  if (!FRunning || !FPausedAt) return;
  FStart += Now - *FPausedAt;
  FPausedAt.reset();
}

TTweeneryTimeline::TClock::duration TTweeneryTimeline::Elapsed(TClock::time_point Now) const {
  const TClock::time_point at = FPausedAt ? *FPausedAt : Now;
  return std::max(at - FStart, TClock::duration::zero());
}

TTweeneryTimeline::TClock::duration TTweeneryTimeline::Remaining(TClock::time_point Now) const {
  return std::chrono::milliseconds(FDurationMs) - Elapsed(Now);
}

std::int32_t TTweeneryTimeline::FrameAt(TClock::time_point Now) const {
  if (!FRunning) return FTweenery.CurrentFrame();
  const double elapsed = std::chrono::duration<double, std::milli>(Elapsed(Now)).count();
  if (elapsed >= static_cast<double>(FDurationMs) || FRunCount <= 0) return FRunCount;
  const double time = elapsed / static_cast<double>(FDurationMs);
  double eased = FEasing ? FEasing(time) : time;
  if (!std::isfinite(eased)) eased = time;
  const double frame = std::nearbyint(eased * FRunCount);
  // Only the end of the duration shows the frame that ends the transition.
  return static_cast<std::int32_t>(std::clamp(frame, 0.0, static_cast<double>(FRunCount - 1)));
}

void TTweeneryTimeline::Advance(TClock::time_point Now) {
  if (!FRunning) return;
  if (!FTweenery.Active()) {
    FRunning = false;
    return;
  }
  if (FPausedAt) return;
  const bool atEnd = Remaining(Now) <= TClock::duration::zero();
  // Without frames to show (no pictures) the run only waits for its end.
  if (!atEnd && FRunCount <= 0) return;
  const std::int32_t target = atEnd ? FRunCount : FrameAt(Now);
  if (!atEnd && target == FTweenery.CurrentFrame()) return;
  const std::uint64_t run = FRunId;
  FWritten.reset();
  FTweenery.SeekFrame(target);
  if (run != FRunId) return;  // OnDone played again: a new run, not this one
  if (atEnd && FTweenery.Active()) {
    // The effect did not end at the count (the control changed under random
    // bars): the top of the range ends any run.
    FTweenery.SeekFrame(std::numeric_limits<std::int32_t>::max());
    if (run != FRunId) return;
  }
  if (!FTweenery.Active()) FRunning = false;
}

}  // namespace tweenery
