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

// Bitmaps one transition leaves to the next on the same thread: a picture
// of the size of the one before is then read into memory already mapped,
// where new memory costs a page fault every 4 KiB, much of a frame's time
// at large sizes.
struct TSparePictures {
  std::unique_ptr<TBitmap> From, To;
};

class TTransition {
 public:
  // Reads both pictures, into Spares' bitmaps where given; the frame size
  // is Look's or From's.
  TTransition(const TPictureSource& From, const TPictureSource& To, const TLook& Look, const TTiming& Timing,
              TSparePictures* Spares = nullptr);
  // Leaves the pictures to Spares, unless they are very large.
  ~TTransition();
  TTransition(const TTransition&) = delete;
  TTransition& operator=(const TTransition&) = delete;

  int Width() const { return FFrom->Width(); }
  int Height() const { return FFrom->Height(); }
  const TTransitionPlan& Plan() { return FProgramme.Plan(0); }
  TProgramme& Programme() { return FProgramme; }

 private:
  std::unique_ptr<TBitmap> FFrom, FTo;
  TSparePictures* FSpares;
  TProgramme FProgramme;
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
