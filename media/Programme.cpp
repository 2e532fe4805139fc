#include "media/Programme.h"

namespace tweenery {

std::size_t TProgramme::AddTransition(TTransitionPlan Plan) {
  FPlans.push_back(std::move(Plan));
  return FPlans.size() - 1;
}

void TProgramme::AddPart(std::size_t Transition, TPartKind Kind, std::int64_t Count) {
  if (Count != 0) FParts.push_back({Transition, Kind, Count});
}

void TProgramme::Close() {
  FRun.reset();
  FRenderer.reset();
  FOpen.reset();
}

void TProgramme::Open(std::size_t Transition) {
  if (FOpen == Transition) return;
  Close();
  const TPicturePair pictures = Pictures(Transition);
  FRenderer = std::make_unique<TTransitionRenderer>(*pictures.From, *pictures.To, FPlans.at(Transition).Settings);
  FOpen = Transition;
}

TProgramme::TPicturePair TProgramme::Pictures(std::size_t Transition) {
  const TTransitionPlan& plan = FPlans.at(Transition);
  if (plan.From && plan.To) {
    // The caller's own pictures: shared without being owned.
    return {std::shared_ptr<const TBitmap>(std::shared_ptr<const TBitmap>(), plan.From),
            std::shared_ptr<const TBitmap>(std::shared_ptr<const TBitmap>(), plan.To)};
  }
  if (!FSource) throw ETimeBase("a transition names pictures of a source, and the programme has none");
  return {FSource->Picture(plan.FromPicture), FSource->Picture(plan.ToPicture)};
}

TTransitionRenderer& TProgramme::Renderer(std::size_t Transition) {
  Open(Transition);
  return *FRenderer;
}

TTransitionRun& TProgramme::Run(std::size_t Transition) {
  Open(Transition);
  if (!FRun) {
    const TTransitionPlan& plan = FPlans.at(Transition);
    FRun = std::make_unique<TTransitionRun>(
        *FRenderer, plan.Steps ? TRunFrames::Playback(FRenderer->FrameCount(), *plan.Steps)
                               : TRunFrames::Eased(FRenderer->FrameCount(), plan.Count, plan.Easing));
  }
  return *FRun;
}

std::int32_t TProgramme::FrameCountOf(std::size_t Transition) {
  const TTransitionPlan& plan = FPlans.at(Transition);
  if (!(plan.From && plan.To)) {
    if (!FSource) throw ETimeBase("a transition names pictures of a source, and the programme has none");
    return TransitionFrameCount(plan.Settings, FSource->Width(), FSource->Height());
  }
  if (plan.From->Width() == plan.To->Width() && plan.From->Height() == plan.To->Height())
    return TransitionFrameCount(plan.Settings, plan.From->Width(), plan.From->Height());
  return Renderer(Transition).FrameCount();
}

TRunFrames TProgramme::RunFrames(std::size_t Transition) {
  const TTransitionPlan& plan = FPlans.at(Transition);
  const std::int32_t count = FrameCountOf(Transition);
  return plan.Steps ? TRunFrames::Playback(count, *plan.Steps) : TRunFrames::Eased(count, plan.Count, plan.Easing);
}

std::int64_t TProgramme::PartLength(const TPart& Part) {
  if (Part.Count >= 0) return Part.Count;
  const TTransitionPlan& plan = FPlans.at(Part.Transition);
  if (!plan.Steps) return plan.Count;
  // Counted, not listed: the caller refuses a run too long to list.
  return PlaybackFrameCount(FrameCountOf(Part.Transition), *plan.Steps);
}

std::int64_t TProgramme::FrameCount() {
  std::int64_t count = 0;
  for (const TPart& part : FParts) count += PartLength(part);
  return count;
}

std::pair<const TProgramme::TPart*, std::size_t> TProgramme::Locate(std::int64_t Index) {
  for (const TPart& part : FParts) {
    const std::int64_t length = PartLength(part);
    if (Index >= length) {
      Index -= length;
      continue;
    }
    switch (part.Kind) {
      case TPartKind::FirstFrame: return {&part, 0};
      case TPartKind::LastFrame: return {&part, static_cast<std::size_t>(RunFrames(part.Transition).Count() - 1)};
      case TPartKind::Run: return {&part, static_cast<std::size_t>(Index)};
    }
  }
  throw ETimeBase("frame " + std::to_string(Index) + " is past the end of the run");
}

const TBitmap& TProgramme::Frame(std::int64_t Index) {
  const auto [part, frame] = Locate(Index);
  return Run(part->Transition).Frame(frame);
}

std::unique_ptr<TProgramme> TProgramme::Alike(TPictureSource* Source, TColor Fill) const {
  auto alike = std::make_unique<TProgramme>();
  alike->FSource = Source;
  alike->FParts = FParts;
  for (TTransitionPlan plan : FPlans) {
    if (plan.From || plan.To) throw ETimeBase("a programme of the caller's own pictures has no alike over a source");
    plan.Settings.Color = Fill;
    alike->FPlans.push_back(plan);
  }
  return alike;
}

TProgramme::TFramePlace TProgramme::Place(std::int64_t Index) {
  const auto [part, frame] = Locate(Index);
  return {part->Transition, RunFrames(part->Transition).At(static_cast<std::int64_t>(frame))};
}

}  // namespace tweenery
