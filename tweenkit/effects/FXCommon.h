// Small helpers shared by the effect families.
#pragma once

#include <cstdint>

#include "tweenkit/Tweenery.h"

namespace tweenery::fx {

// Copy Source of Picture to Dest on the frame: the frame canvas's CopyRect.
inline void CopyFrom(TBitmap* Frame, TBitmap* Picture, const TRect& Source, const TRect& Dest) {
  Frame->Canvas()->CopyRect(Dest, Picture->Canvas(), Source);
}

// Delta is a positive integer by intent, but the component stores whatever
// code writes; an effect stepping by it uses 1 for anything below 1 so that
// it always ends.
inline std::int32_t PositiveDelta(std::int32_t Delta) { return Delta < 1 ? 1 : Delta; }

// The leaving and entering pictures: To enters unless Reverse swaps them.
struct TPicturePair {
  TBitmap* Entering;
  TBitmap* Leaving;
};
inline TPicturePair EnteringAndLeaving(TBitmap* From, TBitmap* To, bool Reverse) {
  return Reverse ? TPicturePair{From, To} : TPicturePair{To, From};
}

// The opposite direction (left and right, up and down exchange).
inline TTransitionModifier Opposite(TTransitionModifier Modifier) {
  switch (Modifier) {
    case tmLeft: return tmRight;
    case tmRight: return tmLeft;
    case tmUp: return tmDown;
    case tmDown: return tmUp;
  }
  return Modifier;
}

// Stands in for an effect whose family is not built yet.
[[noreturn]] bool NotAvailable();

}  // namespace tweenery::fx
