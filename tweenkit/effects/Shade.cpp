// Shade: a glide in two halves whose moving picture is combined with the one
// beneath by exclusive-or. The entering picture A glides in over the leaving
// picture B; then A lies still and B glides away over it, back the way A
// came (shade) or on in the same direction (shade-continue).
#include "tweenkit/effects/FXCommon.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tweenery {

namespace {

struct TStrip {
  TRect Dest, Source;
};

// The strip of A over B after A has travelled c pixels of the first half.
// Source and destination are measured with the frame's size, also when A
// has another one.
TStrip Arrived(TTransitionModifier Modifier, int c, int W, int H, int w, int h) {
  switch (Modifier) {
    case tmLeft: return {Rect(W - c, 0, W, h), Rect(0, 0, c, h)};
    case tmRight: return {Rect(0, 0, c, h), Rect(W - c, 0, W, h)};
    case tmUp: return {Rect(0, H - c, w, H), Rect(0, 0, w, c)};
    case tmDown: break;
  }
  return {Rect(0, 0, w, c), Rect(0, H - c, w, H)};
}

// B moving on in A's direction, c pixels into the second half, covers what A
// moving the opposite way would cover with as much left to travel.
TStrip LeavingOnwards(TTransitionModifier Modifier, int c, int W, int H, int w, int h) {
  const bool horizontal = fx::IsHorizontal(Modifier);
  return Arrived(fx::Opposite(Modifier), (horizontal ? 2 * W : 2 * H) - c, W, H, w, h);
}

// B going back out the way A came is the same strip seen from the other
// side: destination and source exchange.
TStrip LeavingBack(TTransitionModifier Modifier, int c, int W, int H, int w, int h) {
  const TStrip onwards = LeavingOnwards(Modifier, c, W, H, w, h);
  return {onwards.Source, onwards.Dest};
}

// Copies with exclusive-or and puts the canvas's own copy mode back, also
// when the copy raises.
void CopyInverted(TBitmap* Frame, TBitmap* Picture, const TStrip& Strip) {
  TCanvas* canvas = Frame->Canvas();
  struct TRestore {
    TCanvas* Canvas;
    TCopyMode Mode;
    ~TRestore() { Canvas->SetCopyMode(Mode); }
  } restore{canvas, canvas->CopyMode()};
  canvas->SetCopyMode(cmSrcInvert);
  fx::CopyFrom(Frame, Picture, Strip.Source, Strip.Dest);
}

// The still picture's row with the strip's span combined in, written once:
// the copy and the exclusive-or of the two-step form in a single pass. The
// loop is compiled plainly and for AVX2, and the processor's kind picks one
// at start-up (resolver-based clones run before the sanitizer runtimes).
__attribute__((always_inline)) inline void CombineLoop(std::uint32_t* __restrict Dest,
                                                       const std::uint32_t* __restrict Still,
                                                       const std::uint32_t* __restrict Moving, int Count) {
  constexpr std::uint32_t opaque = 0xFF000000u;
  for (int x = 0; x < Count; ++x) Dest[x] = (Still[x] ^ Moving[x]) | opaque;
}

void CombinePlain(std::uint32_t* Dest, const std::uint32_t* Still, const std::uint32_t* Moving, int Count) {
  CombineLoop(Dest, Still, Moving, Count);
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) void CombineAVX2(std::uint32_t* Dest, const std::uint32_t* Still,
                                                 const std::uint32_t* Moving, int Count) {
  CombineLoop(Dest, Still, Moving, Count);
}
const bool HasAVX2 = __builtin_cpu_supports("avx2");
#else
const bool HasAVX2 = false;
#define CombineAVX2 CombinePlain
#endif

void ComposeRow(std::uint32_t* Dest, const std::uint32_t* Still, const std::uint32_t* Moving, int Width, int First,
                int Last) {
  std::memcpy(Dest, Still, static_cast<std::size_t>(First) * sizeof *Dest);
  (HasAVX2 ? CombineAVX2 : CombinePlain)(Dest + First, Still + First, Moving, Last - First);
  std::memcpy(Dest + Last, Still + Last, static_cast<std::size_t>(Width - Last) * sizeof *Dest);
}

// With both pictures covering the frame every strip lies inside the frame
// and the moving picture and is a one-to-one copy, so the frame is the still
// picture with the strip combined in, composed row by row.
void ComposeCovered(TBitmap* Frame, TBitmap* Still, TBitmap* Moving, const TStrip& Strip) {
  const int W = Frame->Width(), H = Frame->Height();
  const bool empty = Strip.Dest.Left >= Strip.Dest.Right || Strip.Dest.Top >= Strip.Dest.Bottom;
  for (int y = 0; y < H; ++y) {
    std::uint32_t* dest = Frame->ScanLine(y);
    const std::uint32_t* still = Still->ScanLine(y);
    if (empty || y < Strip.Dest.Top || y >= Strip.Dest.Bottom) {
      std::memcpy(dest, still, static_cast<std::size_t>(W) * sizeof *dest);
      continue;
    }
    const std::uint32_t* moving = Moving->ScanLine(y - Strip.Dest.Top + Strip.Source.Top) + Strip.Source.Left;
    ComposeRow(dest, still, moving, W, Strip.Dest.Left, Strip.Dest.Right);
  }
  Frame->Modified();
}

bool Covers(const TBitmap& Picture, const TBitmap& Frame) {
  return Picture.Width() >= Frame.Width() && Picture.Height() >= Frame.Height();
}

// The still picture, then the moving one combined over it along the strip.
void Compose(TBitmap* Frame, TBitmap* Still, TBitmap* Moving, const TStrip& Strip, const TRect& FrameRect) {
  if (Covers(*Still, *Frame) && Covers(*Moving, *Frame) && fx::IsWhole(*Frame, FrameRect)) {
    ComposeCovered(Frame, Still, Moving, Strip);
    return;
  }
  fx::CopyFrom(Frame, Still, FrameRect, FrameRect);
  CopyInverted(Frame, Moving, Strip);
}

using TLeaving = TStrip (*)(TTransitionModifier, int, int, int, int, int);

bool Shade(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params, TLeaving Leaving) {
  const auto [A, B] = fx::EnteringAndLeaving(From, To, Params.Reverse);
  const int W = Frame->Width(), H = Frame->Height();
  const int w = std::min(W, A->Width()), h = std::min(H, A->Height());
  const bool horizontal = fx::IsHorizontal(Params.Modifier);
  const int half = horizontal ? W : H;
  // Twice a frame's extent stays within int: bitmaps hold at most 2^28 pixels.
  const bool finished = fx::FrameIndex(Params) > 2 * half;
  const int c = finished ? 2 * half : fx::FrameIndex(Params);

  if (c <= half)
    Compose(Frame, B, A, Arrived(Params.Modifier, c, W, H, w, h), Params.FrameRect);
  else
    Compose(Frame, A, B, Leaving(Params.Modifier, c, W, H, w, h), Params.FrameRect);
  return finished;
}

}  // namespace

bool FXShade(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return Shade(From, To, Frame, Params, LeavingBack);
}

bool FXShadeContinue(TBitmap* From, TBitmap* To, TBitmap* Frame, const TFXParams& Params) {
  return Shade(From, To, Frame, Params, LeavingOnwards);
}

}  // namespace tweenery
