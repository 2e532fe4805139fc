// A slideshow as a programme: each picture of the source held for frames
// of its own, then joined to the next by a transition of its own look and
// timing.
#pragma once

#include <cstdint>
#include <vector>

#include "media/Programme.h"

namespace tweenery {

struct TSlideshow {
  // Holds[i]: the frames picture i stands still (0: none); one more than
  // the transitions.
  std::vector<std::int64_t> Holds;
  // Transitions[i] joins picture i to picture i + 1; their pictures are
  // set from their place.
  std::vector<TTransitionPlan> Transitions;
};

// Adds the slideshow to Programme, whose source gives its pictures.
// Raises EUsage when the holds and the transitions do not pair up.
void AddSlideshow(TProgramme& Programme, const TSlideshow& Show);

}  // namespace tweenery
