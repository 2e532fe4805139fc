// Crush: the To picture, split at its centre line, slides over the still
// From picture, the halves either leaving the centre for the edges or coming
// in from the edges to meet at the centre.
#include <algorithm>

#include "tweenkit/effects/FXCommon.h"

namespace tweenery {
namespace {

// Each half shows a band Shown pixels long of its own half of To. The reverse
// run counts the travel from the other end, so it is the forward run played
// backwards.
bool Crush(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, bool Backwards) {
  const int W = Frame->Width(), H = Frame->Height();
  const bool horizontal = fx::IsHorizontal(Params.Modifier);
  const int m = (horizontal ? std::min(W, To->Width()) : std::min(H, To->Height())) / 2;
  const int c = std::clamp<std::int32_t>(Params.CurrentFrame, 0, m);
  const bool finished = Params.CurrentFrame >= m;
  const int shown = Backwards ? m - c : c;

  // Outwards the halves lead with their outer edges, from the centre line;
  // inwards they lead with their inner edges, from the frame's edges.
  const bool outwards = fx::TowardStart(Params.Modifier);
  const fx::TSpan firstSource = outwards ? fx::TSpan{0, shown} : fx::TSpan{m - shown, m};
  const fx::TSpan secondSource = outwards ? fx::TSpan{2 * m - shown, 2 * m} : fx::TSpan{m, m + shown};
  const fx::TCentreBands dest = fx::CentreBands(m, shown, outwards);
  if (horizontal && fx::OneSizeApart(Frame, From, To, Params.FrameRect)) {
    // Each row then is From, a half, From, the other half, From, laid once
    // from left to right.
    fx::ComposeRowPieces(Frame,
                         {{From, 0, 0, dest.First.First},
                          {To, dest.First.First, firstSource.First, shown},
                          {From, dest.First.Last, dest.First.Last, dest.Second.First - dest.First.Last},
                          {To, dest.Second.First, secondSource.First, shown},
                          {From, dest.Second.Last, dest.Second.Last, W - dest.Second.Last}},
                         H);
    return finished;
  }
  // From goes only where the halves of To will not lie: they are one-to-one
  // copies inside To and the frame, so across the motion they cover the
  // frame's first rows (columns) up to where To or the frame ends.
  fx::CopyFromBeside(Frame, From, {dest.First, dest.Second}, horizontal,
                     horizontal ? std::min(H, To->Height()) : std::min(W, To->Width()));
  fx::CopyFrom(Frame, To, fx::Band(firstSource, horizontal, W, H), fx::Band(dest.First, horizontal, W, H));
  fx::CopyFrom(Frame, To, fx::Band(secondSource, horizontal, W, H), fx::Band(dest.Second, horizontal, W, H));
  return finished;
}

}  // namespace

bool FXCrush(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return Crush(From, To, Frame, Params, false);
}

bool FXReverseCrush(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return Crush(From, To, Frame, Params, true);
}

}  // namespace tweenery
