// Running effects in tests: one effect call on prepared pictures, and a
// whole transition through the component on the headless message loop.
#pragma once

#include <chrono>
#include <memory>
#include <random>

#include "TestPictures.h"
#include "platform/Runtime.h"
#include "tweenkit/Tweenery.h"

namespace tweenery::test {

// A parameter block as GenerateFrame hands it to an effect.
inline TFXParams MakeParams(int CurrentFrame, TTransitionModifier Modifier = tmLeft, bool Reverse = false,
                            std::int32_t Delta = 10, TColor Color = clBlack) {
  TFXParams p{};
  p.Color = Color;
  p.Delta = Delta;
  p.CurrentFrame = CurrentFrame;
  p.Modifier = Modifier;
  p.Reverse = Reverse;
  p.RGBOrder = coRGB;
  p.State = nullptr;
  return p;
}

// Prepares the frame as GenerateFrame does (From's size, filled with
// Params.Color, FrameRect set) and calls Effect once.
struct TEffectCall {
  std::unique_ptr<TBitmap> Frame = std::make_unique<TBitmap>();
  bool Finished = false;
};
inline TEffectCall CallEffect(TFXFunction Effect, TBitmap* From, TBitmap* To, TFXParams Params) {
  TEffectCall call;
  call.Frame->SetSize(From->Width(), From->Height());
  call.Frame->Canvas()->Brush()->SetStyle(bsSolid);
  call.Frame->Canvas()->Brush()->SetColor(Params.Color);
  call.Frame->Canvas()->FillRect(Rect(0, 0, From->Width(), From->Height()));
  Params.FrameRect = Rect(0, 0, From->Width(), From->Height());
  call.Finished = Effect(From, To, call.Frame.get(), Params);
  return call;
}

// Every pixel of an earlier call's frame, as the wanted frame of a
// comparison (FirstMismatch).
inline auto SameAs(const TEffectCall& Want) {
  return [&Want](int x, int y) { return PixelAt(*Want.Frame, x, y); };
}

inline THeadlessLoop& HeadlessLoop() { return static_cast<THeadlessLoop&>(*Application()); }

// Plays the component's current settings to the end on the headless loop.
// Returns the number of OnDone calls seen (1 for a run that completed)
// within Timeout; the component's OnDone is replaced.
inline int PlayToDone(TTweenery& Tweenery, std::chrono::milliseconds Timeout = std::chrono::seconds(60)) {
  int done = 0;
  Tweenery.SetOnDone([&done](TObject*) { ++done; });
  Tweenery.Play();
  HeadlessLoop().RunUntil([&] { return done > 0; }, Timeout);
  Tweenery.SetOnDone(nullptr);
  return done;
}

// A component on a headless host with coded pictures, ready to play fast.
struct TTweeneryRig {
  THeadlessHost Host;
  std::unique_ptr<TTweenery> Tweenery;

  TTweeneryRig(int Width, int Height, TTransitionOperation Operation) : Host(Width, Height) {
    Tweenery = std::make_unique<TTweenery>(nullptr);
    Tweenery->SetParent(&Host);
    Tweenery->SetBounds(0, 0, Width, Height);
    Tweenery->SetOperation(Operation);
    Tweenery->SetInterval(1);
    auto from = CodedPicture(Width, Height, kFromTag);
    auto to = CodedPicture(Width, Height, kToTag);
    Tweenery->SetFromBitmap(from.get());
    Tweenery->SetToBitmap(to.get());
  }
  ~TTweeneryRig() {
    Tweenery.reset();
    // Let a released worker thread run out.
    HeadlessLoop().RunFor(std::chrono::milliseconds(0));
  }
};

// A component whose frame a test can read and litter: noise where the
// previous frame was, so that any pixel the fill should have set and the
// effect did not write shows up.
class TFrameTweenery : public TTweenery {
 public:
  TFrameTweenery() : TTweenery(nullptr) {}
  void LitterFrame(std::mt19937& Random) {
    auto* frame = const_cast<TBitmap*>(FrameBitmap());
    for (int y = 0; y < frame->Height(); ++y)
      for (int x = 0; x < frame->Width(); ++x) frame->ScanLine(y)[x] = 0xFF000000u | (Random() & 0xFFFFFFu);
  }
  const TBitmap& Frame() const { return *FrameBitmap(); }
};

}  // namespace tweenery::test
