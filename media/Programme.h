// The frames a command writes, in order: transitions between pictures and
// still holds of their first or last frames, each transition composed by
// the time base as it is reached.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "media/Pictures.h"
#include "tweenkit/TimeBase.h"

namespace tweenery {

struct TTransitionPlan {
  // The pictures, kept by the caller for the programme's life; or, where
  // these are not given, pictures FromPicture and ToPicture of the
  // programme's source, read as the run reaches them.
  const TBitmap* From = nullptr;
  const TBitmap* To = nullptr;
  std::size_t FromPicture = 0, ToPicture = 0;
  TTransitionSettings Settings;
  // Timing: as playback with these Steps, or Count frames through Easing.
  std::optional<TPositiveInteger> Steps;
  std::int64_t Count = 0;
  TEasing Easing;
};

class TProgramme {
 public:
  enum class TPartKind { FirstFrame, Run, LastFrame };

  // The source of the plans that name their pictures by number; it must
  // outlive the programme.
  void SetPictureSource(TPictureSource* Source) { FSource = Source; }
  std::size_t AddTransition(TTransitionPlan Plan);
  // Count frames of the transition's run, or of its first or last frame.
  void AddPart(std::size_t Transition, TPartKind Kind, std::int64_t Count);

  std::int64_t FrameCount();
  const TBitmap& Frame(std::int64_t Index);
  // Which transition frame Index shows, and at which CurrentFrame: what
  // another composer needs to compose the same picture. Found without
  // making the transition's renderer where its pictures are of one size.
  struct TFramePlace {
    std::size_t Transition;
    std::int32_t CurrentFrame;
  };
  TFramePlace Place(std::int64_t Index);
  // The transition's renderer and run, made when first needed; the one
  // before is let go.
  TTransitionRenderer& Renderer(std::size_t Transition);
  // A transition's two pictures, read if need be; whoever holds them keeps
  // them alive.
  struct TPicturePair {
    std::shared_ptr<const TBitmap> From, To;
  };
  TPicturePair Pictures(std::size_t Transition);
  TTransitionRun& Run(std::size_t Transition);
  // Lets the open transition's renderer and run go (the next frame asked
  // for opens its own again).
  void Close();
  std::size_t TransitionCount() const { return FPlans.size(); }
  // The same transitions and parts over Source's pictures (of the same
  // size), every operation filling with Fill: frame for frame the same
  // geometry, as the alpha of the frames needs. Only for programmes whose
  // plans all name their pictures by number.
  std::unique_ptr<TProgramme> Alike(TPictureSource* Source, TColor Fill) const;
  const TTransitionPlan& Plan(std::size_t Transition) const { return FPlans.at(Transition); }

 private:
  struct TPart {
    std::size_t Transition;
    TPartKind Kind;
    std::int64_t Count;  // -1: the run's own length
  };
  void Open(std::size_t Transition);
  // The part frame Index lies in and the index of its frame in the run.
  std::pair<const TPart*, std::size_t> Locate(std::int64_t Index);
  std::int64_t PartLength(const TPart& Part);
  // The transition's frame count: worked out from the size where both
  // pictures have one, else found by its renderer.
  std::int32_t FrameCountOf(std::size_t Transition);
  TRunFrames RunFrames(std::size_t Transition);

  TPictureSource* FSource = nullptr;
  std::vector<TTransitionPlan> FPlans;
  std::vector<TPart> FParts;
  std::optional<std::size_t> FOpen;
  std::unique_ptr<TTransitionRenderer> FRenderer;
  std::unique_ptr<TTransitionRun> FRun;
};

}  // namespace tweenery
