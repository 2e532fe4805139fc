// show's timeline file: a slideshow written down, one picture a line with
// its hold and the transition to the next picture.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tweenkit/Presets.h"
#include "tweenkit/TimeBase.h"

namespace tweenery {

// The layout of a line, for the help and the messages.
extern const char* const kTimelineFormat;

// One line of a timeline. What the line leaves out (or gives as '-') is
// taken from the command line.
struct TTimelineItem {
  std::string Picture;  // relative names already joined to the timeline's folder
  std::optional<double> Hold;      // seconds
  std::optional<TTransitionOperation> Operation;
  std::optional<double> Duration;  // seconds
  std::optional<TEasing> Easing;
  std::optional<TTransitionModifier> Modifier;
  int Line = 0;
};

// The items of a timeline's Text. FileName is named in every message
// ("show.txt:7: unknown operation 'Pussh'") and its folder is where
// relative picture names are found. Raises EToolFailure for a line it
// cannot take, or a timeline of fewer than two pictures.
std::vector<TTimelineItem> ParseTimeline(std::string_view Text, const std::string& FileName);

// The timeline file FileName, read whole and parsed; EToolFailure when it
// cannot be read.
std::vector<TTimelineItem> ReadTimeline(const std::string& FileName);

}  // namespace tweenery
