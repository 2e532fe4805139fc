#include "python/Transition.h"

namespace tweenery::python {

namespace {

std::unique_ptr<TBitmap> Fitted(std::unique_ptr<TBitmap> Picture, int Width, int Height, const TLook& Look) {
  // A picture of the frame's size already is used as it is, not copied.
  if (Picture->Width() == Width && Picture->Height() == Height) return Picture;
  return FitPicture(*Picture, Width, Height, Look.Fit, Look.Background);
}

std::mutex& GeneratorLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

TFittedPictures ReadFitted(const TPictureSource& From, const TPictureSource& To, const TLook& Look) {
  std::unique_ptr<TBitmap> from = From.Read();
  std::unique_ptr<TBitmap> to = To.Read();
  const auto [width, height] = Look.Size.value_or(std::pair{from->Width(), from->Height()});
  return {Fitted(std::move(from), width, height, Look), Fitted(std::move(to), width, height, Look)};
}

TTransition::TTransition(TFittedPictures Pictures, const TLook& Look, const TTiming& Timing)
    : FFrom(std::move(Pictures.From)), FTo(std::move(Pictures.To)) {
  TTransitionPlan plan;
  plan.From = FFrom.get();
  plan.To = FTo.get();
  plan.Settings = Look.Settings;
  plan.Count = Timing.Count;
  plan.Easing = Timing.Easing;
  const std::size_t t = FProgramme.AddTransition(plan);
  FProgramme.AddPart(t, TProgramme::TPartKind::FirstFrame, Timing.Hold);
  FProgramme.AddPart(t, TProgramme::TPartKind::Run, -1);
  FProgramme.AddPart(t, TProgramme::TPartKind::LastFrame, Timing.Hold);
}

TOnePicture::TOnePicture(TFittedPictures Pictures, const TLook& Look, const TTiming& Timing)
    : FTiming(Timing),
      FRenderer(std::move(Pictures.From), std::move(Pictures.To), Look.Settings),
      FRun(FRenderer, TRunFrames::Eased(FRenderer.FrameCount(), Timing.Count, Timing.Easing)) {}

const TBitmap& TOnePicture::At(double Progress) { return FRun.At(Progress, FTiming.Easing); }

TGeneratorTurn::TGeneratorTurn(bool Draws) : FLock(GeneratorLock(), std::defer_lock) {
  if (Draws) FLock.lock();
}

}  // namespace tweenery::python
