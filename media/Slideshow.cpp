#include "media/Slideshow.h"

#include <string>

#include "media/Errors.h"

namespace tweenery {

void AddSlideshow(TProgramme& Programme, const TSlideshow& Show) {
  if (Show.Transitions.empty() || Show.Holds.size() != Show.Transitions.size() + 1)
    throw EUsage("a slideshow of " + std::to_string(Show.Transitions.size()) + " transitions needs " +
                 std::to_string(Show.Transitions.size() + 1) + " holds, not " + std::to_string(Show.Holds.size()));
  for (std::size_t i = 0; i < Show.Transitions.size(); ++i) {
    TTransitionPlan plan = Show.Transitions[i];
    plan.From = plan.To = nullptr;
    plan.FromPicture = i;
    plan.ToPicture = i + 1;
    const std::size_t t = Programme.AddTransition(std::move(plan));
    // The first picture's hold is the first transition's opening frame;
    // each later one is the last frame of the transition that brought it.
    if (i == 0) Programme.AddPart(t, TProgramme::TPartKind::FirstFrame, Show.Holds[0]);
    Programme.AddPart(t, TProgramme::TPartKind::Run, -1);
    Programme.AddPart(t, TProgramme::TPartKind::LastFrame, Show.Holds[i + 1]);
  }
}

}  // namespace tweenery
