/// @file
/// A component's transition as a progress from 0 to 1 and as a run of a
/// given wall-clock duration, for the faces that drive a TTweenery (the Qt
/// widget, a QML item, a binding): nothing here knows a toolkit. The frames
/// are the component's own (SeekFrame), so a progress or a moment shows
/// exactly what playback shows at that CurrentFrame.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "tweenkit/Tweenery.h"

namespace tweenery {

/// The frames of one component's transition measured by progress and by
/// time. A face keeps one beside its component (which must outlive it) and
/// routes the component's ticks through Advance while a timed run plays
/// (TTweenery::SetOnTick).
///
/// Progress p stands for CurrentFrame Round(p x FrameCount()): 0 is the
/// first frame, 1 the frame that ends the transition. A timed run of
/// Duration ms shows at each moment the frame of the eased elapsed fraction,
/// skipping frames when the caller is late and never slowing down; at or
/// past Duration it shows the last frame, which completes the run (Stop,
/// then OnDone) once.
class TTweeneryTimeline {
 public:
  /// The clock a timed run is measured by.
  using TClock = std::chrono::steady_clock;
  /// Maps a fraction of the duration (0 to 1) to a fraction of the
  /// transition. A curve may leave [0, 1] in between (overshooting curves);
  /// the frames then stay inside the transition. Empty: linear.
  using TEasingFunction = std::function<double(double)>;

  /// The timeline of Tweenery's transition; idle.
  explicit TTweeneryTimeline(TTweenery& Tweenery) : FTweenery(Tweenery) {}
  TTweeneryTimeline(const TTweeneryTimeline&) = delete;
  TTweeneryTimeline& operator=(const TTweeneryTimeline&) = delete;

  /// @name Progress
  /**@{*/
  /// The frame count of the component's transition as it stands: the first
  /// CurrentFrame whose frame ends it (TTransitionRenderer::FrameCount, for
  /// the component's pictures, settings and, for the random bars, its size);
  /// 0 while a picture is empty. Found once for each set of picture sizes
  /// and settings, which are all it depends on. Raises what the renderer
  /// raises (EOutOfResources when the pictures cannot be copied).
  std::int32_t FrameCount();
  /// The CurrentFrame at a progress without easing: Round(Progress x
  /// FrameCount), Progress clamped to [0, 1] (NaN counts as 0).
  static std::int32_t FrameAtProgress(std::int32_t FrameCount, double Progress);
  /// Where the transition stands: CurrentFrame / FrameCount(), kept inside
  /// [0, 1]; 0 while a picture is empty. After SetProgress, the value
  /// written, for as long as the component shows its frame (or waits for
  /// its pictures to show it).
  double Progress();
  /// Shows the frame at Progress (FrameAtProgress, no easing, no timer),
  /// idle or during a run (TTweenery::SeekFrame). Values outside [0, 1] are
  /// clamped; NaN raises ETweenery and changes nothing. While a picture is
  /// empty the value waits (PendingProgress) until the face calls
  /// ShowPendingProgress once both are there: a form may well set the
  /// progress before its pictures (uic sets file names last of all).
  void SetProgress(double Progress);
  /// The progress written while a picture was empty, not shown yet.
  const std::optional<double>& PendingProgress() const { return FPending; }
  /// Shows the pending progress when both pictures are there; true when it
  /// did. The face calls it after its pictures change.
  bool ShowPendingProgress();
  /// Forgets the pending progress (a run or a frame set since supersedes it).
  void ForgetPendingProgress() { FPending.reset(); }
  /**@}*/

  /// @name Timed runs
  /**@{*/
  /// Starts timing a run of DurationMs (at least 1) from Now, eased by
  /// Easing, over FrameCount() frames. The caller starts the component's
  /// run (Play) and routes its ticks here. Raises what FrameCount raises.
  void Start(std::int64_t DurationMs, TEasingFunction Easing, TClock::time_point Now = TClock::now());
  /// Whether a timed run is being timed (started and neither finished nor
  /// stopped).
  bool Running() const { return FRunning; }
  /// Whether the timed run's clock is halted (Pause).
  bool Paused() const { return FRunning && FPausedAt.has_value(); }
  /// Halts the clock of a timed run; nothing when not running or paused.
  void Pause(TClock::time_point Now = TClock::now());
  /// Lets a paused clock run on from where it halted.
  void Resume(TClock::time_point Now = TClock::now());
  /// Forgets the timed run; the component is left as it is.
  void Stop() { FRunning = false; }
  /// The CurrentFrame for the moment Now of the timed run: the eased
  /// elapsed fraction of FrameCount, kept before the last frame until the
  /// duration has passed, the last frame from then on.
  std::int32_t FrameAt(TClock::time_point Now) const;
  /// Time left of the timed run at Now (zero or less once it has passed).
  TClock::duration Remaining(TClock::time_point Now) const;
  /// Shows FrameAt(Now) when it is not the frame shown already. At or past
  /// the end this is the last frame, which completes the run; the timed run
  /// ends with the component's run (Stop from elsewhere ends it at the next
  /// call). Nothing while paused. A handler that plays again from the
  /// component's OnDone starts a new timed run, which this call leaves alone.
  void Advance(TClock::time_point Now = TClock::now());
  /// The frame count the timed run was started with.
  std::int32_t RunFrameCount() const { return FRunCount; }
  /**@}*/

 private:
  // What the frame count depends on.
  struct TCountKey {
    int FromWidth = 0, FromHeight = 0, ToWidth = 0, ToHeight = 0;
    int ControlWidth = 0, ControlHeight = 0;  // random bars only
    int Operation = 0, Modifier = 0, RGBOrder = 0;
    bool Reverse = false;
    std::int32_t Delta = 0;
    bool operator==(const TCountKey&) const = default;
  };
  TCountKey Key() const;
  TClock::duration Elapsed(TClock::time_point Now) const;

  TTweenery& FTweenery;
  std::optional<TCountKey> FCountKey;
  std::int32_t FCount = 0;
  // The progress written last and the frame it showed, under that key.
  struct TWritten {
    TCountKey Key;
    std::int32_t Frame;
    double Progress;
  };
  std::optional<TWritten> FWritten;
  std::optional<double> FPending;

  bool FRunning = false;
  std::uint64_t FRunId = 0;
  std::int64_t FDurationMs = 0;
  TEasingFunction FEasing;
  std::int32_t FRunCount = 0;
  TClock::time_point FStart{};
  std::optional<TClock::time_point> FPausedAt;
};

}  // namespace tweenery
