// Blinds and checkerboard: the entering picture is uncovered in place, slat
// by slat or square by square, over the leaving one; nothing moves.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "tweenkit/effects/FXCommon.h"

namespace tweenery {
namespace {

void Uncover(TBitmap* Frame, TBitmap* Picture, const TRect& R) { fx::CopyFrom(Frame, Picture, R, R); }

// Anchors and slat edges are 64-bit: a pitch near the int32 limit must step
// past the frame instead of wrapping round. Slats are clipped to the frame,
// which is also where the copy would clip them.
void DrawSlats(TBitmap* Frame, TBitmap* Entering, TTransitionModifier Modifier, std::int64_t Pitch,
               std::int64_t Opening) {
  const std::int64_t W = Frame->Width(), H = Frame->Height();
  auto columns = [&](std::int64_t Left, std::int64_t Right) {
    Uncover(Frame, Entering, Rect(static_cast<int>(std::max<std::int64_t>(Left, 0)), 0,
                                  static_cast<int>(std::min(Right, W)), static_cast<int>(H)));
  };
  auto rows = [&](std::int64_t Top, std::int64_t Bottom) {
    Uncover(Frame, Entering, Rect(0, static_cast<int>(std::max<std::int64_t>(Top, 0)), static_cast<int>(W),
                                  static_cast<int>(std::min(Bottom, H))));
  };
  switch (Modifier) {
    case tmLeft:
      for (std::int64_t x = 0; x < W; x += Pitch) columns(x, x + Opening);
      break;
    case tmRight:
      for (std::int64_t x = W; x > 0; x -= Pitch) columns(x - Opening, x);
      break;
    case tmUp:
      for (std::int64_t y = H; y > 0; y -= Pitch) rows(y - Opening, y);
      break;
    case tmDown:
      for (std::int64_t y = 0; y < H; y += Pitch) rows(y, y + Opening);
      break;
  }
}

// 3 x 3 squares of To at every Pitch from Offset, each to the same place.
// A square is cut at wT and hT: past them either the frame ends or To does,
// and a copy leaves the frame untouched in both cases. Tens of thousands of
// squares per frame, hence raw rows rather than one copy call per square.
void SquarePass(TBitmap* Frame, TBitmap* To, int wT, int hT, int Pitch, int Offset) {
  constexpr int kSide = 3;
  for (int y = Offset; y < hT; y += Pitch) {
    for (int row = y; row < std::min(y + kSide, hT); ++row) {
      std::uint32_t* dest = Frame->ScanLine(row);
      const std::uint32_t* source = To->ScanLine(row);
      for (int x = Offset; x < wT; x += Pitch)
        std::memcpy(dest + x, source + x, static_cast<std::size_t>(std::min(kSide, wT - x)) * sizeof *dest);
    }
  }
}

}  // namespace

bool FXBlinds(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  const auto [E, L] = fx::EnteringAndLeaving(From, To, Params.Reverse);
  Uncover(Frame, L, Params.FrameRect);
  const std::int64_t pitch = fx::PositiveDelta(Params.Delta);
  std::int64_t c = std::max<std::int32_t>(Params.CurrentFrame, 0);
  const bool finished = c >= pitch;
  if (finished) c = pitch;
  DrawSlats(Frame, E, Params.Modifier, pitch, c);
  return finished;
}

// Stages, forward: pitch 32, 16, 8, then 8 with the offset-4 grid added, then
// To whole. Reverse plays them backwards, ending on From, which the base
// copy has already put in place.
bool FXCheckerboard(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  constexpr int kLastStage = 4;
  Uncover(Frame, From, Params.FrameRect);
  int c = std::max<std::int32_t>(Params.CurrentFrame, 0);
  const bool finished = c >= kLastStage;
  if (finished) {
    if (!Params.Reverse) Uncover(Frame, To, Params.FrameRect);
    return true;
  }
  const int wT = std::min(Frame->Width(), To->Width()), hT = std::min(Frame->Height(), To->Height());
  switch (Params.Reverse ? kLastStage - 1 - c : c) {
    case 0: SquarePass(Frame, To, wT, hT, 32, 0); break;
    case 1: SquarePass(Frame, To, wT, hT, 16, 0); break;
    case 2: SquarePass(Frame, To, wT, hT, 8, 0); break;
    case 3:
      SquarePass(Frame, To, wT, hT, 8, 0);
      SquarePass(Frame, To, wT, hT, 8, 4);
      break;
  }
  Frame->Modified();
  return finished;
}

}  // namespace tweenery
