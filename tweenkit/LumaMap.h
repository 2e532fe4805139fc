/// @file
/// Luma maps: a transition whose frames only wipe the From picture away by
/// the To picture, told as one greyscale picture of when each pixel turns.
///
/// A run is a wipe when, in every frame 0 to FrameCount(), each pixel shows
/// either the From picture's own pixel or the To picture's own pixel at that
/// place, and a pixel that has turned to To stays To. (A reverse form that
/// plays from the To picture back to the From picture is a wipe the other
/// way round: its map tells when each pixel turns from To to From.) That is decided from
/// the frames themselves: the run is composed between two pictures whose
/// every pixel encodes its picture and its place, and each frame is checked
/// pixel by pixel.
///
/// The map's value of a pixel that first shows the run's last picture at frame T of a run of
/// N = FrameCount() frames after the first:
///
///     value(0) = 0,  value(T) = floor((T - 1) * 65535 / N) + 1  for T >= 1
///
/// and frame n (progress p = n / N) shows that picture exactly where
///
///     value <= p * 65535
///
/// Between any value and any frame's threshold p * 65535 lies a gap of at
/// least 1/N (but for value 0 at p = 0, which any arithmetic keeps exact),
/// so a host's rounding of p does not change a pixel. That needs
/// N below 65535; longer runs are refused.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tweenkit/TimeBase.h"

namespace tweenery {

/// Why a run is not a wipe.
enum TWipeFault : std::uint8_t {
  wfMovesPixels,   ///< pixels of the pictures show at places other than their own
  wfMixesColours,  ///< frames show colours of neither picture (blends, fills, channels)
  wfTurnsBack,     ///< a pixel that showed To shows From again
  wfUnfinished,    ///< the last frame still shows pixels of the From picture
  wfTooLong,       ///< more frames than a 16-bit map tells apart
};

/// A run that no luma map describes; what() says why, for a user.
class ENotAWipe : public ETweenery {
 public:
  /// A fault of the given kind, told by Message.
  ENotAWipe(TWipeFault Fault, const std::string& Message) : ETweenery(Message), FFault(Fault) {}
  /// What kind of fault refused the run.
  TWipeFault Fault() const { return FFault; }

 private:
  TWipeFault FFault;
};

/// The longest run (FrameCount()) a map can describe.
constexpr std::int32_t MaxLumaFrameCount = 65534;

/// When each pixel of a wipe turns from the From picture to the To picture.
struct TWipe {
  int Width = 0;   ///< the map's width
  int Height = 0;  ///< the map's height
  std::int32_t FrameCount = 0;  ///< the run's frames are 0 to FrameCount
  /// The run goes from the To picture back to the From picture, as the
  /// reverse forms play; the turns are then from To to From.
  bool Backwards = false;
  /// Per pixel, rows top-down: the first frame that shows, there, the
  /// picture the run ends on.
  std::vector<std::uint16_t> TurnFrame;
};

/// Composes the run of Settings at Width x Height and checks every frame.
/// Raises ENotAWipe when the run is not a wipe, ETimeBase when it cannot be
/// composed.
TWipe AnalyseWipe(int Width, int Height, const TTransitionSettings& Settings);

/// The map value of a pixel that turns at TurnFrame of a run of FrameCount.
std::uint16_t LumaValue(std::int32_t TurnFrame, std::int32_t FrameCount);
/// The threshold of frame Frame: it shows To where value <= the threshold.
double LumaThreshold(std::int32_t Frame, std::int32_t FrameCount);
/// The values of every pixel, rows top-down.
std::vector<std::uint16_t> LumaValues(const TWipe& Wipe);

}  // namespace tweenery
