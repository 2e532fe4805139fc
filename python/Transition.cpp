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

// Spares above this many pixels (a 4K frame) are let go: memory held for a
// later call would cost more than the page faults it saves.
constexpr std::int64_t kMostSparePixels = std::int64_t{3840} * 2160;

std::unique_ptr<TBitmap> KeptSpare(std::unique_ptr<TBitmap> Picture) {
  if (Picture && std::int64_t{Picture->Width()} * Picture->Height() > kMostSparePixels) Picture.reset();
  return Picture;
}

}  // namespace

TTransition::TTransition(const TPictureSource& From, const TPictureSource& To, const TLook& Look, const TTiming& Timing,
                         TSparePictures* Spares)
    : FSpares(Spares) {
  std::unique_ptr<TBitmap> from = From.Read(Spares ? std::move(Spares->From) : nullptr);
  std::unique_ptr<TBitmap> to = To.Read(Spares ? std::move(Spares->To) : nullptr);
  const auto [width, height] = Look.Size.value_or(std::pair{from->Width(), from->Height()});
  FFrom = Fitted(std::move(from), width, height, Look);
  FTo = Fitted(std::move(to), width, height, Look);
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

TTransition::~TTransition() {
  if (!FSpares) return;
  FSpares->From = KeptSpare(std::move(FFrom));
  FSpares->To = KeptSpare(std::move(FTo));
}

TGeneratorTurn::TGeneratorTurn(bool Draws) : FLock(GeneratorLock(), std::defer_lock) {
  if (Draws) FLock.lock();
}

}  // namespace tweenery::python
