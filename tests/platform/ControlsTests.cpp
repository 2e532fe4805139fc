#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestPictures.h"
#include "platform/Controls.h"

namespace tweenery::test {
namespace {

constexpr std::uint32_t kHostBlack = 0xFF000000u;

// Paints far beyond its own rectangle, with a marker at its origin, to show
// where the host puts it and what the clip lets through.
class TSpillingControl : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  int Paints = 0;

 protected:
  void Paint() override {
    ++Paints;
    Canvas()->Brush()->SetColor(clBlue);
    Canvas()->FillRect(Rect(-100, -100, 1000, 1000));
    Canvas()->SetPixels(0, 0, clRed);
    Canvas()->SetPixels(-1, -1, clRed);  // outside: clipped away
  }
};

TEST(HeadlessHost, PaintsAControlAtItsOffsetClippedToItsBounds) {
  THeadlessHost host(20, 15);
  TSpillingControl control(nullptr);
  control.SetParent(&host);
  control.SetBounds(4, 3, 6, 5);
  control.Repaint();
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool inside = x >= 4 && x < 10 && y >= 3 && y < 8;
      const std::uint32_t want = x == 4 && y == 3 ? 0xFFFF0000u : inside ? 0xFF0000FFu : kHostBlack;
      ASSERT_EQ(PixelAt(*host.Surface(), x, y), want) << x << "," << y;
    }
  // Reading through the control's canvas uses control coordinates.
  EXPECT_EQ(control.Canvas()->Pixels(0, 0), clRed);

  // A control hanging over the host's edge paints only what lies on it.
  TSpillingControl edge(nullptr);
  edge.SetParent(&host);
  edge.SetBounds(17, 12, 10, 10);
  edge.Repaint();
  EXPECT_EQ(PixelAt(*host.Surface(), 19, 14), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(*host.Surface(), 16, 14), kHostBlack);

  // Without a host there is nothing to paint on and nothing breaks.
  TSpillingControl orphan(nullptr);
  orphan.SetBounds(0, 0, 5, 5);
  orphan.PaintControl();
  EXPECT_EQ(orphan.Canvas()->Pixels(0, 0), -1);
}

TEST(HeadlessHost, InvalidatedControlsPaintOnceOnUpdate) {
  THeadlessHost host(10, 10);
  TSpillingControl first(nullptr), second(nullptr), hidden(nullptr);
  for (TSpillingControl* c : {&first, &second, &hidden}) {
    c->SetParent(&host);
    c->SetBounds(0, 0, 5, 5);
  }
  hidden.SetVisible(false);
  host.Update();
  const int firstPaints = first.Paints;
  EXPECT_GE(firstPaints, 1);
  EXPECT_EQ(hidden.Paints, 0);

  host.Update();  // nothing invalidated since
  EXPECT_EQ(first.Paints, firstPaints);

  first.Invalidate();
  first.Invalidate();
  EXPECT_EQ(first.Paints, firstPaints);  // later, not now
  host.Update();
  EXPECT_EQ(first.Paints, firstPaints + 1);

  // Repaint paints at once and settles a pending invalidation.
  first.Invalidate();
  first.Repaint();
  EXPECT_EQ(first.Paints, firstPaints + 2);
  host.Update();
  EXPECT_EQ(first.Paints, firstPaints + 2);

  // A control removed from its host with an invalidation pending is not
  // painted by the host afterwards.
  second.Invalidate();
  const int secondPaints = second.Paints;
  second.SetParent(nullptr);
  host.Update();
  EXPECT_EQ(second.Paints, secondPaints);
}

TEST(Control, ClickIsALeftPressAndReleaseInside) {
  struct Case {
    const char* Name;
    TMouseButton Button;
    int UpX, UpY;
    bool Enabled;
    bool WantClick;
  };
  const Case cases[] = {
      {"inside", mbLeft, 9, 4, true, true},
      {"released outside", mbLeft, 10, 4, true, false},
      {"released above", mbLeft, 3, -1, true, false},
      {"right button", mbRight, 2, 2, true, false},
      {"disabled", mbLeft, 2, 2, false, false},
  };
  for (const Case& c : cases) {
    TSpillingControl control(nullptr);
    control.SetBounds(0, 0, 10, 5);
    control.SetEnabled(c.Enabled);
    std::vector<std::string> events;
    control.SetOnClick([&](TObject* Sender) {
      EXPECT_EQ(Sender, &control);
      events.push_back("click");
    });
    control.SetOnMouseDown([&](TObject*, TMouseButton, TShiftState, int, int) { events.push_back("down"); });
    control.SetOnMouseUp([&](TObject*, TMouseButton, TShiftState, int, int) { events.push_back("up"); });
    control.MouseDown(c.Button, 0, 1, 1);
    control.MouseUp(c.Button, 0, c.UpX, c.UpY);
    const bool clicked = std::count(events.begin(), events.end(), "click") == 1;
    EXPECT_EQ(clicked, c.WantClick) << c.Name;
    if (c.WantClick) {
      const std::vector<std::string> want{"down", "click", "up"};
      EXPECT_EQ(events, want) << c.Name;
    }
    if (!c.Enabled) {
      EXPECT_TRUE(events.empty()) << c.Name;
    }
  }
  // A release without a press is no click.
  TSpillingControl control(nullptr);
  control.SetBounds(0, 0, 10, 5);
  int clicks = 0;
  control.SetOnClick([&](TObject*) { ++clicks; });
  control.MouseUp(mbLeft, 0, 2, 2);
  EXPECT_EQ(clicks, 0);
}

TEST(Control, AlignClientFillsTheHost) {
  THeadlessHost host(30, 20);
  TSpillingControl control(nullptr);
  control.SetBounds(5, 5, 3, 3);
  control.SetAlign(alClient);  // no host yet: bounds stay
  EXPECT_EQ(control.BoundsRect(), Rect(5, 5, 8, 8));
  control.SetParent(&host);
  EXPECT_EQ(control.BoundsRect(), Rect(0, 0, 30, 20));
  EXPECT_EQ(control.ClientRect(), Rect(0, 0, 30, 20));

  TSpillingControl other(nullptr);
  other.SetParent(&host);
  other.SetBounds(1, 2, 3, 4);
  other.SetAlign(alClient);
  EXPECT_EQ(other.BoundsRect(), Rect(0, 0, 30, 20));
}

}  // namespace
}  // namespace tweenery::test
