// Checker blinds: bands 2 x Delta wide across the motion, cut into cells
// Delta long; in every cell a slat of the entering picture grows from the
// cell's leading edge, every second cell starting half a band further back.
#include "tweenkit/effects/FXCommon.h"

#include <algorithm>
#include <cstdint>

namespace tweenery {

namespace {

// Coordinates of a slat, held just outside the frame on either side. Both
// ends of a side move alike and destination and source are the same
// rectangle, so the pixels covered inside the frame do not change while a
// huge Delta cannot overflow a rectangle.
int Held(std::int64_t Value, int Extent) { return static_cast<int>(std::clamp<std::int64_t>(Value, -1, Extent + 1)); }

}  // namespace

bool FXCheckerBlinds(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const auto [E, L] = fx::EnteringAndLeaving(From, To, Params.Reverse);
  fx::CopyFrom(Frame, L, Params.FrameRect, Params.FrameRect);
  const std::int64_t D = fx::PositiveDelta(Params.Delta);
  std::int64_t c = Params.CurrentFrame;
  const bool finished = c >= 2 * D;
  if (finished) c = 2 * D;

  const int W = Frame->Width(), H = Frame->Height();
  // Bands follow each other along the motion; cells line up across it.
  const bool horizontal = Params.Modifier == tmLeft || Params.Modifier == tmRight;
  const std::int64_t along = horizontal ? W : H, across = horizontal ? H : W;
  // Slats growing right or down start at the bands' near edges from 0;
  // those growing left or up start at their far edges from the frame's end
  // and are handed over reversed, so they cover the pixels before the edge.
  const bool backwards = Params.Modifier == tmRight || Params.Modifier == tmUp;
  const std::int64_t step = backwards ? -2 * D : 2 * D, grow = backwards ? -c : c;
  // Walking back, the last band may start as far as D before the frame: its
  // odd slats are the ones that reach the first column (row).
  for (std::int64_t band = backwards ? along : 0; backwards ? band >= -D : band < along + D; band += step) {
    bool odd = false;
    for (std::int64_t cell = 0; cell < across; cell += D, odd = !odd) {
      const std::int64_t edge = odd ? band - step / 2 : band;
      const TRect slat = horizontal
          ? Rect(Held(edge, W), Held(cell, H), Held(edge + grow, W), Held(cell + D, H))
          : Rect(Held(cell, W), Held(edge, H), Held(cell + D, W), Held(edge + grow, H));
      fx::CopyFrom(Frame, E, slat, slat);
    }
  }
  return finished;
}

}  // namespace tweenery
