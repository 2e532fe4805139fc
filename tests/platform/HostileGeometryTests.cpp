// Geometry at the ends of int's range: controls placed or sized there, and
// outlines that run far outside the surface. Nothing may be touched outside
// a bitmap, and the work must depend on the surface, not on the shape.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <random>

#include "platform/Controls.h"
#include "platform/Graphics.h"

namespace tweenery::test {
namespace {

constexpr std::uint32_t kPaper = 0xFF123456u;

// Fills its whole rectangle and outlines it with a dashed pen, the way a
// designing control without pictures paints itself.
class TOutlinedControl : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  void Paint() override {
    TCanvas* c = Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(0, 0, Width(), Height()));
    c->Pen()->SetStyle(psDash);
    c->Brush()->SetStyle(bsClear);
    c->Rectangle(0, 0, Width() - 1, Height() - 1);
    c->DrawFocusRect(Rect(0, 0, Width(), Height()));
  }
};

int CountNot(const TBitmap& B, std::uint32_t Pixel) {
  int n = 0;
  for (int y = 0; y < B.Height(); ++y)
    for (int x = 0; x < B.Width(); ++x) n += B.ScanLine(y)[x] != Pixel;
  return n;
}

TEST(HostileGeometry, BoundsSaturateInsteadOfWrapping) {
  EXPECT_EQ(Bounds(INT_MAX, 0, 10, 48), Rect(INT_MAX, 0, INT_MAX, 48));
  EXPECT_EQ(Bounds(0, INT_MAX - 5, 10, INT_MAX), Rect(0, INT_MAX - 5, 10, INT_MAX));
  EXPECT_EQ(Bounds(INT_MIN, INT_MIN, INT_MAX, 1), Rect(INT_MIN, INT_MIN, -1, INT_MIN + 1));
  EXPECT_EQ(Bounds(3, 4, 5, 6), Rect(3, 4, 8, 10));
}

// Every placement at or near the range's ends paints inside the surface
// only, and paints the part of the control that lies on it.
TEST(HostileGeometry, ControlsAtTheRangeEndsPaintOnlyWhatLiesOnTheSurface) {
  struct Case { int Left, Top, Width, Height; int Painted; };
  const Case cases[] = {
      {INT_MAX, 0, 10, 48, 0},
      {INT_MAX - 3, 0, INT_MAX, INT_MAX, 0},
      {0, INT_MAX, 48, 10, 0},
      {INT_MIN, 0, 10, 48, 0},
      {INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0},
      {0, 0, INT_MAX, INT_MAX, 40 * 30},
      {-5, -7, INT_MAX, INT_MAX, 40 * 30},
      {INT_MIN + 1, 0, INT_MAX, 48, 0},
      {-(INT_MAX - 10), 2, INT_MAX, 3, 10 * 3},
      {38, 28, INT_MAX, INT_MAX, 2 * 2},
  };
  for (const Case& c : cases) {
    THeadlessHost host(40, 30);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) host.Surface()->ScanLine(y)[x] = kPaper;
    TOutlinedControl control(nullptr);
    control.SetParent(&host);
    control.SetBounds(c.Left, c.Top, c.Width, c.Height);
    const auto start = std::chrono::steady_clock::now();
    control.Repaint();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.Left << "," << c.Top;
    EXPECT_EQ(CountNot(*host.Surface(), kPaper), c.Painted) << c.Left << "," << c.Top << " " << c.Width;
    control.SetParent(nullptr);
  }
}

// The walk this canvas draws a line with, one step at a time.
void ReferenceLine(TBitmap& B, int X0, int Y0, int X1, int Y1, bool Dashed, int& Phase) {
  int x = X0, y = Y0;
  const int dx = std::abs(X1 - x), dy = -std::abs(Y1 - y);
  const int sx = x < X1 ? 1 : -1, sy = y < Y1 ? 1 : -1;
  int err = dx + dy;
  while (x != X1 || y != Y1) {
    const bool drawn = !Dashed || Phase % 24 < 18;
    ++Phase;
    if (drawn && x >= 0 && y >= 0 && x < B.Width() && y < B.Height()) B.ScanLine(y)[x] = 0xFFFFFFFFu;
    const int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x += sx; }
    if (e2 <= dx) { err += dx; y += sy; }
  }
}

TEST(HostileGeometry, ClippedLinesMatchTheStepByStepWalk) {
  std::mt19937 random(13);
  std::uniform_int_distribution<int> coordinate(-60, 90);
  for (int i = 0; i < 3000; ++i) {
    TBitmap got(31, 23), want(31, 23);
    const bool dashed = i % 2 == 1;
    got.Canvas()->Pen()->SetColor(clWhite);
    got.Canvas()->Pen()->SetStyle(dashed ? psDash : psSolid);
    int phase = 0;
    int x = coordinate(random), y = coordinate(random);
    got.Canvas()->MoveTo(x, y);
    // A polyline, so the dash phase must carry across skipped parts.
    for (int segment = 0; segment < 3; ++segment) {
      const int nx = coordinate(random), ny = coordinate(random);
      got.Canvas()->LineTo(nx, ny);
      ReferenceLine(want, x, y, nx, ny, dashed, phase);
      x = nx;
      y = ny;
    }
    for (int py = 0; py < 23; ++py)
      for (int px = 0; px < 31; ++px)
        ASSERT_EQ(got.ScanLine(py)[px], want.ScanLine(py)[px]) << "case " << i << " at " << px << "," << py;
  }
}

TEST(HostileGeometry, LinesSpanningTheWholeRangeFinishAtOnce) {
  TBitmap b(20, 20);
  TCanvas* c = b.Canvas();
  c->Pen()->SetColor(clWhite);
  c->Pen()->SetWidth(3);
  const auto start = std::chrono::steady_clock::now();
  c->MoveTo(INT_MIN, INT_MIN);
  c->LineTo(INT_MAX, INT_MAX);  // the diagonal through the bitmap
  c->MoveTo(INT_MIN, 5);
  c->LineTo(INT_MAX, 5);
  c->MoveTo(INT_MIN, INT_MAX);
  c->LineTo(INT_MAX, INT_MIN + 7);
  c->Pen()->SetStyle(psDash);
  c->Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  c->DrawFocusRect(Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(b.ScanLine(10)[10], 0xFFFFFFFFu);
  EXPECT_EQ(b.ScanLine(5)[0], 0xFFFFFFFFu);
}

}  // namespace
}  // namespace tweenery::test
