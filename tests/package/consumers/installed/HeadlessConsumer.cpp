// A program with no toolkit, built against an installed Tweenery through
// <tweenery/Tweenery.h> and Tweenery::tweenkit alone: the time base renders
// a push between two pictures, and the process holds no Qt library.
#include <tweenery/Tweenery.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

using namespace tweenery;

namespace {

int Fail(const char* What) {
  std::fprintf(stderr, "headless-consumer: %s\n", What);
  return 1;
}

void Fill(TBitmap& Picture, TColor Color) {
  Picture.SetSize(12, 8);
  Picture.Canvas()->Brush()->SetColor(Color);
  Picture.Canvas()->FillRect(Rect(0, 0, 12, 8));
}

std::uint32_t PixelAt(const TBitmap& Picture, int X, int Y) { return Picture.ScanLine(Y)[X]; }

bool LoadsQt() {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);)
    if (line.find("libQt") != std::string::npos) return true;
  return false;
}

}  // namespace

int main() {
  TBitmap from, to;
  Fill(from, clRed);
  Fill(to, clBlue);
  TTransitionSettings settings;
  settings.Operation = toPush;
  TTransitionRenderer renderer(from, to, settings);
  if (renderer.Width() != 12 || renderer.Height() != 8 || renderer.FrameCount() < 2)
    return Fail("the renderer's size or frame count is wrong");

  // Halfway, a push from the left shows both pictures; the last frame is To.
  const TBitmap& halfway = renderer.Compose(renderer.FrameAtProgress(0.5, TEasing()));
  if (PixelAt(halfway, 0, 4) == PixelAt(halfway, 11, 4))
    return Fail("the frame halfway through a push shows one picture only");
  const TBitmap& last = renderer.Compose(renderer.FrameCount());
  for (int x = 0; x < 12; ++x)
    if (PixelAt(last, x, 4) != ColorToPixel(clBlue)) return Fail("the last frame of a push is not the To picture");

  if (LoadsQt()) return Fail("Tweenery::tweenkit brought a Qt library into a headless program");
  std::puts("headless-consumer: ok");
  return 0;
}
