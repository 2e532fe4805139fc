// Frames that keep their pictures' alpha. The operations compose opaque
// pixels only, so the alpha travels as a second, grey programme: the same
// transitions over the pictures' alpha planes, frame for frame of the same
// geometry. The colour programme's pictures are composed onto black (their
// colour premultiplied by alpha), so a blend of two pictures blends both
// alike; a frame's colour is divided by its alpha again as it is written.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "media/Output.h"

namespace tweenery {

// Colour (premultiplied, opaque pixels) and its alpha as grey into Out:
// straight colour with the alpha in each pixel's top byte.
void CarryAlpha(const TBitmap& Colour, const TBitmap& Alpha, TBitmap& Out);

// A sink that hands Inner each frame with its alpha: the alpha frame for
// the Index-th frame written (from 0) is AlphaOf(Index).
class TAlphaSink : public TFrameSink {
 public:
  using TAlphaFrames = std::function<const TBitmap&(std::int64_t Index)>;
  TAlphaSink(std::unique_ptr<TFrameSink> Inner, TAlphaFrames AlphaOf)
      : FInner(std::move(Inner)), FAlphaOf(std::move(AlphaOf)) {}
  void Write(const TBitmap& Frame) override;
  void Finish() override { FInner->Finish(); }
  std::string Description() const override { return FInner->Description() + ", with alpha"; }

 private:
  std::unique_ptr<TFrameSink> FInner;
  TAlphaFrames FAlphaOf;
  std::int64_t FWritten = 0;
  TBitmap FCarried;
};

}  // namespace tweenery
