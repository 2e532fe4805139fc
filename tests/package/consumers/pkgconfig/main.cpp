// A headless program built with nothing but `pkg-config --cflags --libs
// tweenery`: the component takes its colour from the From picture and an
// effect composes a frame.
#include <cstdio>

#include "tweenkit/Tweenery.h"

using namespace tweenery;

int main() {
  TBitmap from, to, frame;
  from.SetSize(8, 8);
  to.SetSize(8, 8);
  from.Canvas()->Brush()->SetColor(clRed);
  from.Canvas()->FillRect(Rect(0, 0, 8, 8));
  to.Canvas()->Brush()->SetColor(clBlue);
  to.Canvas()->FillRect(Rect(0, 0, 8, 8));

  TTweenery tweenery(nullptr);
  tweenery.SetFromBitmap(&from);
  tweenery.SetToBitmap(&to);
  if (tweenery.Color() != clRed || tweenery.Delta() != 10) {
    std::puts("the component's properties are wrong");
    return 1;
  }

  frame.SetSize(8, 8);
  TFXParams params{};
  params.CurrentFrame = 1000;
  params.FrameRect = Rect(0, 0, 8, 8);
  const bool finished = FXPush(&from, &to, &frame, params);
  if (!finished || frame.Canvas()->Pixels(3, 3) != clBlue) {
    std::puts("the last frame of a push is not the To picture");
    return 1;
  }
  std::puts("ok");
  return 0;
}
