// Any text given to the form-description reader either loads into the
// component or raises an error of our own; the component then plays a few
// ticks and paints on a small surface, so hostile geometry, Steps, Delta
// and operations meet the effects too. Nothing hangs, nothing is touched
// outside a bitmap.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Controls.h"
#include "platform/FormText.h"
#include "tweenkit/Tweenery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using namespace tweenery;
  const std::string text(reinterpret_cast<const char*>(Data), Size);
  THeadlessHost host(32, 24);
  TTweenery tweenery(nullptr);
  tweenery.SetParent(&host);
  try {
    ReadComponentText(text, tweenery);
  } catch (const Exception&) {
    return 0;
  }
  tweenery.SetUseThread(false);
  if (tweenery.Active())
    for (int tick = 0; tick < 4 && tweenery.Active(); ++tick) tweenery.FXTimer(nullptr);
  tweenery.Repaint();
  tweenery.Stop();
  return 0;
}
