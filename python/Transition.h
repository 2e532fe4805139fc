// One transition between two pictures as `tweenery render` composes it:
// the pictures fitted to the frame size, and the programme of its frames
// (the first frame held, the run, the last frame held). Built and used
// without the interpreter lock.
#pragma once

#include <memory>
#include <mutex>

#include "python/Look.h"
#include "python/Pictures.h"
#include "media/Programme.h"

namespace tweenery::python {

// Both pictures of a transition read and fitted to the frame size, Look's
// or From's.
struct TFittedPictures {
  std::unique_ptr<TBitmap> From, To;
};
TFittedPictures ReadFitted(const TPictureSource& From, const TPictureSource& To, const TLook& Look);

class TTransition {
 public:
  TTransition(TFittedPictures Pictures, const TLook& Look, const TTiming& Timing);
  TTransition(const TTransition&) = delete;
  TTransition& operator=(const TTransition&) = delete;

  int Width() const { return FFrom->Width(); }
  int Height() const { return FFrom->Height(); }
  const TTransitionPlan& Plan() { return FProgramme.Plan(0); }
  TProgramme& Programme() { return FProgramme; }

 private:
  std::unique_ptr<TBitmap> FFrom, FTo;
  TProgramme FProgramme;
};

// One picture of a run, as TTransition's programme gives it at a progress,
// composed by a renderer that takes the pictures rather than copying them.
class TOnePicture {
 public:
  TOnePicture(TFittedPictures Pictures, const TLook& Look, const TTiming& Timing);
  // Valid while this lives.
  const TBitmap& At(double Progress);

 private:
  TTiming FTiming;
  TTransitionRenderer FRenderer;
  TTransitionRun FRun;
};

// The process's random generator is one variable. Runs of the operations
// that draw on it, and the tool's commands (which may), take turns; the
// other operations compose on any number of threads at once.
class TGeneratorTurn {
 public:
  explicit TGeneratorTurn(bool Draws);
  static TGeneratorTurn For(TTransitionOperation Operation) { return TGeneratorTurn(UsesRandom(Operation)); }

 private:
  std::unique_lock<std::mutex> FLock;
};

}  // namespace tweenery::python
