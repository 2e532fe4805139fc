/// @file
/// The time base of a transition: how many frames it takes for given
/// pictures and settings, and the frame at a CurrentFrame, at a frame number
/// of a run or at a progress through an easing curve. Frames are composed by
/// the component itself (SetupFX, then the tick's GenerateFrame), so every
/// pixel equals what playback shows; the random operations draw from a seed,
/// so any frame of a seeded run can be had again.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tweenkit/Tweenery.h"

namespace tweenery {

/// A malformed easing, an impossible run.
class ETimeBase : public ETweenery {
 public:
  using ETweenery::ETweenery;
};

/// Where a steps() curve jumps.
enum TStepPosition : std::uint8_t { spJumpEnd, spJumpStart, spJumpNone, spJumpBoth };

/// An easing curve with the definitions of CSS: linear, ease, ease-in,
/// ease-out, ease-in-out, cubic-bezier(x1, y1, x2, y2), steps(n[, position]),
/// step-start and step-end. It maps a progress in time to a progress of the
/// picture; cubic-bezier curves may leave [0, 1] in between.
class TEasing {
 public:
  TEasing() = default;  ///< linear
  /// cubic-bezier(X1, Y1, X2, Y2); raises ETimeBase unless X1 and X2 lie
  /// in [0, 1].
  static TEasing CubicBezier(double X1, double Y1, double X2, double Y2);
  /// steps(Count, Position); raises ETimeBase for a Count below 1 (below 2
  /// with spJumpNone).
  static TEasing Steps(int Count, TStepPosition Position = spJumpEnd);
  /// Raises ETimeBase naming the text when it is not one of the forms above.
  static TEasing Parse(const std::string& Text);

  /// Progress is clamped to [0, 1]; 0 gives 0 and 1 gives 1.
  double operator()(double Progress) const;
  /// The curve in CSS notation: "linear", "cubic-bezier(0.42,0,1,1)" (also
  /// for ease-in), "steps(4,jump-end)".
  const std::string& Text() const { return FText; }

 private:
  enum class TKind : std::uint8_t { Linear, Bezier, Steps };
  TKind FKind = TKind::Linear;
  double FX1 = 0, FY1 = 0, FX2 = 1, FY2 = 1;
  int FSteps = 1;
  TStepPosition FPosition = spJumpEnd;
  std::string FText = "linear";
};

/// What a transition looks like, apart from its pictures and its timing.
/// Each field means what the component's property of the same name means,
/// with the component's default.
struct TTransitionSettings {
  TTransitionOperation Operation = toPush;  ///< the transition
  TTransitionModifier Modifier = tmLeft;    ///< its direction
  bool Reverse = false;                     ///< its reverse form
  TPositiveInteger Delta = 10;              ///< its effect-specific size
  TRGBOrder RGBOrder = coRGB;               ///< the channel order of toRGB and toRGBBlend
  /// The fill colour; without one, the From picture's top-left pixel, as the
  /// component takes it.
  std::optional<TColor> Color;
  /// The random generator's state at the start of the run.
  std::uint64_t Seed = 0;
};

/// The operations whose frames draw on the random generator.
bool UsesRandom(TTransitionOperation Operation);

/// The frame count of a transition between two pictures of Width x Height
/// (frame 0 to the frame that ends it with Steps 1), worked out from each
/// effect's own end rule without composing a frame: what
/// TTransitionRenderer::SearchFrameCount finds for such pictures. A run
/// whose effect would not end within 2147483647 frames ends there, as
/// playback ends it. Raises ETimeBase for a size below 1 x 1.
std::int32_t TransitionFrameCount(const TTransitionSettings& Settings, int Width, int Height);

/// One run of a transition between two pictures of one size. It keeps its
/// own random state, so several renderers can take turns without disturbing
/// one another's draws. A renderer of an operation that draws nothing
/// (UsesRandom false) touches no state of the process, so such renderers
/// may compose on several threads at once; the others take turns on one.
class TTransitionRenderer {
 public:
  /// To is fitted to From's size as the component fits it. Raises ETimeBase
  /// when a picture is empty.
  TTransitionRenderer(const TBitmap& From, const TBitmap& To, const TTransitionSettings& Settings);
  /// The run of a component ControlWidth x ControlHeight in size, which the
  /// random-bar operations draw their bars across (the other operations
  /// read only the pictures). Raises ETimeBase when a picture is empty.
  TTransitionRenderer(const TBitmap& From, const TBitmap& To, const TTransitionSettings& Settings, int ControlWidth,
                      int ControlHeight);
  /// The run of two pictures the renderer takes, as the first constructor's
  /// but with their pixels taken rather than copied: for pictures made only
  /// for this run. Raises ETimeBase when a picture is missing or empty.
  TTransitionRenderer(std::unique_ptr<TBitmap> From, std::unique_ptr<TBitmap> To,
                      const TTransitionSettings& Settings);
  ~TTransitionRenderer();
  TTransitionRenderer(const TTransitionRenderer&) = delete;
  TTransitionRenderer& operator=(const TTransitionRenderer&) = delete;

  /**@{*/
  /// The frames' size: the From picture's.
  int Width() const;
  int Height() const;
  /**@}*/
  /// The settings the run was made with.
  const TTransitionSettings& Settings() const { return FSettings; }

  /// The first CurrentFrame at which the effect reports its end with Steps 1:
  /// frames 0 to FrameCount() are the whole transition, the last one ending
  /// it. Worked out by TransitionFrameCount for pictures of one size,
  /// otherwise found by SearchFrameCount.
  std::int32_t FrameCount() const { return FFrameCount; }
  /// The same count found by composing frames: bisection over the effect's
  /// own end report (each effect, once it has ended, stays ended). Costs a
  /// few dozen frames; the run starts again afterwards.
  std::int32_t SearchFrameCount();
  /// The CurrentFrame at a progress: Round(Easing(Progress) * FrameCount()),
  /// kept inside [0, FrameCount()].
  std::int32_t FrameAtProgress(double Progress, const TEasing& Easing) const;

  /// Starts the run again from its seed; the next Compose is its first frame.
  void Restart();
  /// The frame at CurrentFrame (kept inside [0, FrameCount()]), continuing
  /// the run: the random operations draw on from the frame composed last.
  /// The CurrentFrame composed last is not composed again. The bitmap stays
  /// valid until the next call.
  const TBitmap& Compose(std::int32_t CurrentFrame);

 private:
  class TComposer;
  // Sets the component up with the settings and, through SetPictures, the
  // pictures, then finds the frame count: worked out when the pictures and
  // the control are OneSize.
  void SetUp(const std::function<void(TComposer&)>& SetPictures, int ControlWidth, int ControlHeight, bool OneSize);
  bool EndsAt(std::int32_t CurrentFrame);
  std::int32_t FindFrameCount();

  TTransitionSettings FSettings;
  std::unique_ptr<TComposer> FComposer;
  std::uint64_t FRandomState = 0;
  std::optional<std::int32_t> FLastFrame;
  std::int32_t FFrameCount = 0;
};

/// The CurrentFrame of every frame of a run as playback composes it: Steps
/// added per tick from the set-up's -1, up to and including the frame that
/// ends the transition. Raises ETimeBase for Steps below 1.
std::vector<std::int32_t> PlaybackFrames(std::int32_t FrameCount, TPositiveInteger Steps);
/// Their number, known without listing them (a huge Delta can make it
/// billions). Raises ETimeBase for Steps below 1.
std::int64_t PlaybackFrameCount(std::int32_t FrameCount, TPositiveInteger Steps);
/// The CurrentFrame of frame Index (from 0) of that run, without listing the
/// frames before it; Index must be below PlaybackFrameCount.
std::int32_t PlaybackFrameAt(std::int32_t FrameCount, TPositiveInteger Steps, std::int64_t Index);
/// The CurrentFrame of Count frames evenly spaced in time from the first
/// frame (progress 0) to the last (progress 1), eased. Raises ETimeBase for
/// a Count below 1; one frame shows the end.
std::vector<std::int32_t> EasedFrames(std::int32_t FrameCount, std::int64_t Count, const TEasing& Easing);
/// The CurrentFrame of frame Index (from 0) of those Count frames.
std::int32_t EasedFrameAt(std::int32_t FrameCount, std::int64_t Count, const TEasing& Easing, std::int64_t Index);

/// The CurrentFrame of each frame of a run, worked out frame by frame: a
/// playback run or an eased one costs the same few bytes however long it
/// is. A listed run (any vector of CurrentFrame values) is kept as given.
class TRunFrames {
 public:
  /// The frames PlaybackFrames lists; raises ETimeBase for Steps below 1.
  static TRunFrames Playback(std::int32_t FrameCount, TPositiveInteger Steps);
  /// The frames EasedFrames lists; raises ETimeBase for a Count below 1.
  static TRunFrames Eased(std::int32_t FrameCount, std::int64_t Count, const TEasing& Easing);
  /// The frames as listed.
  TRunFrames(std::vector<std::int32_t> Listed);  // NOLINT: a list is a run
  /// Number of frames.
  std::int64_t Count() const { return FCount; }
  /// The CurrentFrame of frame Index; raises std::out_of_range past the end.
  std::int32_t At(std::int64_t Index) const;

 private:
  enum class TKind : std::uint8_t { Listed, Playback, Eased };
  TRunFrames() = default;
  TKind FKind = TKind::Listed;
  std::int64_t FCount = 0;
  std::int32_t FFrameCount = 0;
  TPositiveInteger FSteps = 1;
  TEasing FEasing;
  std::vector<std::int32_t> FListed;
};

/// The frames of one run in output order. Going forward composes each frame
/// once; a frame before the last one composed replays a random run from its
/// seed, so frame n is the same however it is reached.
class TTransitionRun {
 public:
  /// The frames Frames (CurrentFrame values, as PlaybackFrames or
  /// EasedFrames give them, or worked out as TRunFrames does) of Renderer's
  /// run; Renderer must outlive it.
  TTransitionRun(TTransitionRenderer& Renderer, TRunFrames Frames);
  /// Number of frames.
  std::size_t Count() const { return static_cast<std::size_t>(FFrames.Count()); }
  /// The CurrentFrame of frame Index.
  std::int32_t CurrentFrameOf(std::size_t Index) const { return FFrames.At(static_cast<std::int64_t>(Index)); }
  /// Frame Index, composed; valid until the next call.
  const TBitmap& Frame(std::size_t Index);
  /// The picture at a progress through the run's transition: the frames of
  /// the run before it, then the frame at FrameAtProgress. Equals Frame(i)
  /// where Progress is the time of frame i.
  const TBitmap& At(double Progress, const TEasing& Easing);

 private:
  TTransitionRenderer& FRenderer;
  TRunFrames FFrames;
  std::optional<std::size_t> FNext;  ///< the index the run stands before
};

}  // namespace tweenery
