// The frei0r mixer2 plug-ins' common core: one transition operation as a
// frei0r instance. Each plug-in library (tweenery_<item>.so) is this core
// with its operation fixed; its C entry points only forward here.
//
// Parameters are frei0r's types, doubles kept inside [0, 1] as hosts expect:
//   progress   the transition's position, 0 the From picture, 1 the To one;
//              a host that never moves it from 0 (and does not set it before
//              each frame) gets time over duration as the position
//   easing     a time-base curve ("linear", "ease-in-out", "steps(4)", ...)
//   duration   the time-fallback's length: seconds = value * 100
//   direction  the Modifier: [0, .25) left, [.25, .5) right, [.5, .75) up,
//              [.75, 1] down
//   reverse    the Reverse flag
//   delta      where Delta is a length, the fraction of the frame's shorter
//              side (at least one pixel); for Mosaic the halvings in
//              sixteenths
//   color      the fill colour
//   order      the channel order: sixths, RGB RBG GRB GBR BRG BGR
//   seed       the random run: seed = round(value * 4294967295)
// Each plug-in lists only the parameters its operation reads. A NaN sets
// the parameter's default; anything else is clamped to the range.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tweenkit/TimeBase.h"

namespace tweenery::frei0r {

enum TParamKind : std::uint8_t {
  pkProgress, pkEasing, pkDuration, pkDirection, pkReverse, pkDelta, pkColor, pkOrder, pkSeed
};

struct TParamSpec {
  TParamKind Kind;
  const char* Name;
  int Type;  // F0R_PARAM_*
  const char* Explanation;
};

// What a host lists for a plug-in.
struct TPluginDescription {
  std::string Name;         // "Tweenery Push"
  std::string Explanation;  // what the transition looks like
  std::vector<TParamSpec> Params;
};
const TPluginDescription& DescribePlugin(TTransitionOperation Operation);

// The pixel format change: the host's bytes R, G, B, A against the
// component's 0xFFRRGGBB words; alpha comes out opaque either way.
void HostToPicture(const std::uint32_t* Host, std::uint32_t* Picture, std::size_t Count);
void PictureToHost(const std::uint32_t* Picture, std::uint32_t* Host, std::size_t Count);

// Frames no larger than the component's pictures may be.
bool AcceptableFrameSize(unsigned Width, unsigned Height);

// One plug-in instance: a frame size fixed at construction, the parameter
// values, and the component with its pictures kept between frames, so a
// frame costs a format change in, one composition and a change out. Every
// frame is composed from the start of a run, so the frame at a position is
// the same however the host seeks.
class TMixer {
 public:
  TMixer(TTransitionOperation Operation, unsigned Width, unsigned Height);
  ~TMixer();
  TMixer(const TMixer&) = delete;
  TMixer& operator=(const TMixer&) = delete;

  // Value points at the frei0r type of parameter Index; indexes outside
  // the plug-in's list are ignored.
  void SetParam(int Index, const void* Value);
  void GetParam(int Index, void* Value) const;

  // Frames are Width * Height host pixels. Time is the host's, in seconds
  // from its stream's start. The position is progress when the host set it
  // since the last frame or has ever moved it from 0; otherwise
  // time / duration.
  void Update(double Time, const std::uint32_t* From, const std::uint32_t* To, std::uint32_t* Out);
  std::size_t PixelCount() const { return static_cast<std::size_t>(FWidth) * static_cast<std::size_t>(FHeight); }

 private:
  class TComposer;
  TTransitionSettings Settings() const;
  double Position(double Time) const;
  std::int32_t FrameCount(const TTransitionSettings& Settings);

  TTransitionOperation FOperation;
  int FWidth, FHeight;
  const TPluginDescription& FDescription;
  double FValues[pkSeed + 1] = {};
  float FColor[3] = {0, 0, 0};
  std::string FEasingText = "linear";
  TEasing FEasing;
  bool FProgressMoved = false;  // a host has moved progress from where it stood
  bool FProgressFresh = false;  // and it was handed over since the last frame
  std::unique_ptr<TComposer> FComposer;
  TTransitionSettings FApplied;
  std::optional<std::int32_t> FFrameCount;  // for FApplied
};

}  // namespace tweenery::frei0r
