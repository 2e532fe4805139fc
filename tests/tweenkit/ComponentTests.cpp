// The component model, frame generation and painting, and Push.
#include <gtest/gtest.h>

#include "EffectHarness.h"
#include "platform/DIB.h"

namespace tweenery::test {
namespace {

class TTestTweenery : public TTweenery {
 public:
  explicit TTestTweenery(TComponent* Owner = nullptr) : TTweenery(Owner) {}
  using TTweenery::FrameBitmap;
  using TTweenery::SetupFX;
  int Generated = 0;
  void GenerateFrame() override {
    ++Generated;
    TTweenery::GenerateFrame();
  }
};

TEST(Component, DefaultsOfANewComponent) {
  TTestTweenery t;
  EXPECT_EQ(t.Width(), 65);
  EXPECT_EQ(t.Height(), 65);
  EXPECT_FALSE(t.Active());
  EXPECT_EQ(t.Color(), clBtnFace);
  EXPECT_EQ(t.CurrentFrame(), 0);
  EXPECT_EQ(t.Delta(), 10);
  EXPECT_EQ(t.Interval(), 100u);
  EXPECT_TRUE(t.MaintainAspectRatio());
  EXPECT_EQ(t.Modifier(), tmLeft);
  EXPECT_EQ(t.Operation(), toPush);
  EXPECT_FALSE(t.Reverse());
  EXPECT_EQ(t.RGBOrder(), coRGB);
  EXPECT_FALSE(t.Stretch());
  EXPECT_FALSE(t.UseThread());
  EXPECT_EQ(t.Steps(), 1);
  EXPECT_EQ(t.State(), nullptr);
  EXPECT_TRUE(t.FromBitmap()->Empty());
  EXPECT_TRUE(t.ToBitmap()->Empty());
  EXPECT_NE(t.ControlStyle() & csOpaque, 0u);
  ASSERT_GE(t.About()->Count(), 4);
  EXPECT_EQ(t.About()->Strings(0), "Component: TTweenery");
  EXPECT_EQ(t.About()->Strings(1), "Version: 4.1");
  TStringList other;
  other.Add("replaced?");
  t.SetAbout(&other);
  EXPECT_EQ(t.About()->Strings(0), "Component: TTweenery");
}

TEST(Component, StateObjectFollowsTheOperation) {
  TTestTweenery t;
  t.SetOperation(toRandomBars);
  ASSERT_NE(dynamic_cast<TRandomBarsFXState*>(t.State()), nullptr);
  t.SetOperation(toTwinRandomBars);
  ASSERT_NE(dynamic_cast<TTwinRandomBarsFXState*>(t.State()), nullptr);
  t.SetOperation(toPush);
  EXPECT_EQ(t.State(), nullptr);
}

TEST(Component, SettersWhileIdleAndWhileActive) {
  TTweeneryRig rig(20, 10, toPush);
  TTweenery& t = *rig.Tweenery;
  t.SetInterval(100000);  // no tick during the test
  t.Play();
  ASSERT_TRUE(t.Active());
  // Ignored while Active.
  t.SetOperation(toBlend);
  t.SetModifier(tmUp);
  t.SetReverse(true);
  t.SetRGBOrder(coBGR);
  t.SetStretch(true);
  t.SetMaintainAspectRatio(false);
  t.SetUseThread(true);
  t.SetColor(clRed);
  auto other = CodedPicture(5, 5, kToTag);
  t.SetFromBitmap(other.get());
  EXPECT_EQ(t.Operation(), toPush);
  EXPECT_EQ(t.Modifier(), tmLeft);
  EXPECT_FALSE(t.Reverse());
  EXPECT_EQ(t.RGBOrder(), coRGB);
  EXPECT_FALSE(t.Stretch());
  EXPECT_TRUE(t.MaintainAspectRatio());
  EXPECT_FALSE(t.UseThread());
  EXPECT_NE(t.Color(), clRed);
  EXPECT_EQ(t.FromBitmap()->Width(), 20);
  // Take effect while Active.
  t.SetCurrentFrame(7);
  t.SetInterval(5000);
  t.SetSteps(3);
  t.SetDelta(0);
  EXPECT_EQ(t.CurrentFrame(), 7);
  EXPECT_EQ(t.Interval(), 5000u);
  EXPECT_EQ(t.Steps(), 3);
  EXPECT_EQ(t.Delta(), 0);
  t.Stop();
  EXPECT_FALSE(t.Active());
  t.SetOperation(toBlend);
  EXPECT_EQ(t.Operation(), toBlend);
}

TEST(Component, CurrentFrameRejectsNegativeAndRandomBarValues) {
  TTestTweenery t;
  t.SetCurrentFrame(5);
  t.SetCurrentFrame(-1);
  EXPECT_EQ(t.CurrentFrame(), 5);
  t.SetOperation(toRandomBars);
  t.SetCurrentFrame(9);
  EXPECT_EQ(t.CurrentFrame(), 5);
}

TEST(Component, FromPictureSetsColorFromItsTopLeftPixel) {
  TTestTweenery t;
  auto red = SolidPicture(4, 4, clRed);
  t.SetFromBitmap(red.get());
  EXPECT_EQ(t.Color(), clRed);
  // Setting a picture clears the file name; nullptr empties the picture.
  t.SetFromBitmap(nullptr);
  EXPECT_TRUE(t.FromBitmap()->Empty());
  EXPECT_EQ(t.FromImageFile(), "");
}

TEST(Component, GenerateFrameNeedsBothPictures) {
  TTestTweenery t;
  auto from = CodedPicture(8, 8, kFromTag);
  t.SetFromBitmap(from.get());
  EXPECT_TRUE(t.FrameBitmap()->Empty());
  auto to = CodedPicture(8, 8, kToTag);
  t.SetToBitmap(to.get());
  EXPECT_EQ(t.FrameBitmap()->Width(), 8);
  // CurrentFrame 0: the frame is the From picture.
  EXPECT_EQ(PixelAt(*t.FrameBitmap(), 3, 2), CodedPixel(kFromTag, 3, 2));
}

TEST(Component, FinishingWhileIdleStopsNothing) {
  TTweeneryRig rig(10, 10, toPush);
  int done = 0;
  rig.Tweenery->SetOnDone([&](TObject*) { ++done; });
  rig.Tweenery->SetCurrentFrame(1000);  // past the end: the effect reports completion
  EXPECT_EQ(done, 0);
  EXPECT_FALSE(rig.Tweenery->Active());
}

TEST(Component, SetupFXSizesBarStatesFromTheControl) {
  THeadlessHost host(300, 200);
  TTestTweenery t;
  t.SetParent(&host);
  t.SetBounds(0, 0, 300, 200);
  t.SetOperation(toRandomBars);
  t.SetModifier(tmUp);
  t.SetupFX();
  EXPECT_EQ(static_cast<TRandomBarsFXState*>(t.State())->BarCount, 200);
  EXPECT_EQ(t.CurrentFrame(), -1);
  t.SetOperation(toTwinRandomBars);
  t.SetupFX();
  EXPECT_EQ(static_cast<TTwinRandomBarsFXState*>(t.State())->BarCount, 300);
  t.SetOperation(toPush);
  t.SetCurrentFrame(4);
  t.SetupFX();
  EXPECT_EQ(t.CurrentFrame(), -1);
}

TEST(Component, AnEffectFailureStillInvalidatesAndPropagates) {
  TTweeneryRig rig(10, 10, toFade);
  const int before = rig.Host.InvalidateCount();
  InjectDIBFailures(2, 0);  // the size query and the read itself
  EXPECT_THROW(rig.Tweenery->SetCurrentFrame(3), ETweenBitmapConvert);
  InjectDIBFailures(0, 0);
  EXPECT_GT(rig.Host.InvalidateCount(), before);
}

// ---------------------------------------------------------------- painting

struct TPaintCase {
  int ControlWidth, ControlHeight;
  TRect Drawn;
};

TEST(Paint, AspectRatioKeptAndCentred) {
  // A 200 x 100 frame: in 100 x 100 it is drawn in (0, 25, 100, 75); in
  // 300 x 100 in (50, 0, 250, 100).
  for (const TPaintCase& c : {TPaintCase{100, 100, Rect(0, 25, 100, 75)}, TPaintCase{300, 100, Rect(50, 0, 250, 100)}}) {
    THeadlessHost host(c.ControlWidth, c.ControlHeight);
    host.Surface()->Canvas()->Brush()->SetColor(clLime);
    host.Surface()->Canvas()->FillRect(Rect(0, 0, c.ControlWidth, c.ControlHeight));
    TTestTweenery t;
    t.SetParent(&host);
    t.SetBounds(0, 0, c.ControlWidth, c.ControlHeight);
    auto from = SolidPicture(200, 100, clRed), to = SolidPicture(200, 100, clBlue);
    t.SetFromBitmap(from.get());
    t.SetToBitmap(to.get());
    t.SetStretch(true);
    host.Update();
    for (int y = 0; y < c.ControlHeight; ++y)
      for (int x = 0; x < c.ControlWidth; ++x) {
        const bool inside = x >= c.Drawn.Left && x < c.Drawn.Right && y >= c.Drawn.Top && y < c.Drawn.Bottom;
        ASSERT_EQ(host.Surface()->Canvas()->Pixels(x, y), inside ? clRed : clLime)
            << c.ControlWidth << "x" << c.ControlHeight << " at " << x << "," << y;
      }
  }
}

TEST(Paint, UnscaledStretchedAndEmpty) {
  THeadlessHost host(30, 20);
  TTestTweenery t;
  t.SetParent(&host);
  t.SetBounds(0, 0, 30, 20);
  host.Update();
  EXPECT_EQ(host.Surface()->Canvas()->Pixels(15, 10), ColorToRGB(clBtnFace));

  // Designing: a dashed outline on the button face.
  t.SetDesigning(true);
  t.Invalidate();
  host.Update();
  EXPECT_EQ(host.Surface()->Canvas()->Pixels(0, 0), clBlack);
  EXPECT_EQ(host.Surface()->Canvas()->Pixels(15, 10), ColorToRGB(clBtnFace));
  t.SetDesigning(false);

  // Unscaled and anchored top-left; the rest of a larger control is left alone.
  auto from = CodedPicture(10, 8, kFromTag), to = CodedPicture(10, 8, kToTag);
  t.SetFromBitmap(from.get());
  t.SetToBitmap(to.get());
  host.Update();
  EXPECT_EQ(PixelAt(*host.Surface(), 9, 7), CodedPixel(kFromTag, 9, 7));
  EXPECT_EQ(host.Surface()->Canvas()->Pixels(20, 15), ColorToRGB(clBtnFace));

  // Stretched without the aspect ratio: fills the control.
  t.SetStretch(true);
  t.SetMaintainAspectRatio(false);
  host.Update();
  EXPECT_EQ(PixelAt(*host.Surface(), 29, 19), CodedPixel(kFromTag, 9, 7));
}

// ---------------------------------------------------------------- Push

TEST(Push, FinishesStrictlyPastTheExtent) {
  auto from = CodedPicture(100, 80, kFromTag), to = CodedPicture(100, 80, kToTag);
  for (int c : {100, 101, 104}) {
    auto call = CallEffect(FXPush, from.get(), to.get(), MakeParams(c));
    EXPECT_EQ(call.Finished, c > 100) << c;
    EXPECT_EQ(PixelAt(*call.Frame, 0, 0), CodedPixel(kToTag, 0, 0)) << c;
    EXPECT_EQ(PixelAt(*call.Frame, 99, 79), CodedPixel(kToTag, 99, 79)) << c;
  }
  EXPECT_FALSE(CallEffect(FXPush, from.get(), to.get(), MakeParams(80, tmDown)).Finished);
  EXPECT_TRUE(CallEffect(FXPush, from.get(), to.get(), MakeParams(81, tmDown)).Finished);
  // c = 0 shows the leaving picture whole.
  auto first = CallEffect(FXPush, from.get(), to.get(), MakeParams(0, tmRight));
  EXPECT_EQ(PixelAt(*first.Frame, 50, 40), CodedPixel(kFromTag, 50, 40));
}

TEST(Push, ReverseIsTheForwardFilmBackwards) {
  auto from = CodedPicture(12, 9, kFromTag), to = CodedPicture(12, 9, kToTag);
  for (TTransitionModifier m : {tmLeft, tmRight, tmUp, tmDown}) {
    const int extent = (m == tmLeft || m == tmRight) ? 12 : 9;
    for (int c = 0; c <= extent; ++c) {
      auto reversed = CallEffect(FXPush, from.get(), to.get(), MakeParams(c, m, true));
      auto forward = CallEffect(FXPush, from.get(), to.get(), MakeParams(extent - c, m, false));
      for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
          ASSERT_EQ(PixelAt(*reversed.Frame, x, y), PixelAt(*forward.Frame, x, y))
              << "modifier " << m << " c " << c << " at " << x << "," << y;
    }
  }
}

TEST(Push, PicturesOfDifferentSizes) {
  auto from = CodedPicture(100, 80, kFromTag);
  // A shorter entering picture leaves rows 60..79 in the fill colour.
  auto shortTo = CodedPicture(100, 60, kToTag);
  auto call = CallEffect(FXPush, from.get(), shortTo.get(), MakeParams(30, tmLeft, false, 10, clRed));
  for (int x : {0, 50, 99}) {
    EXPECT_EQ(call.Frame->Canvas()->Pixels(x, 60), clRed);
    EXPECT_EQ(call.Frame->Canvas()->Pixels(x, 79), clRed);
  }
  EXPECT_EQ(PixelAt(*call.Frame, 70, 59), CodedPixel(kToTag, 0, 59));
  // A taller entering picture: Down shows its bottom rows at the top, Up
  // its top rows at the bottom.
  auto tallTo = CodedPicture(100, 120, kToTag);
  auto down = CallEffect(FXPush, from.get(), tallTo.get(), MakeParams(10, tmDown));
  EXPECT_EQ(PixelAt(*down.Frame, 5, 0), CodedPixel(kToTag, 5, 110));
  EXPECT_EQ(PixelAt(*down.Frame, 5, 10), CodedPixel(kFromTag, 5, 0));
  auto up = CallEffect(FXPush, from.get(), tallTo.get(), MakeParams(10, tmUp));
  EXPECT_EQ(PixelAt(*up.Frame, 5, 70), CodedPixel(kToTag, 5, 0));
  EXPECT_EQ(PixelAt(*up.Frame, 5, 0), CodedPixel(kFromTag, 5, 10));
}

TEST(Push, HugeFramesNumbersClampWithoutOverflow) {
  auto from = CodedPicture(16, 8, kFromTag), to = CodedPicture(16, 8, kToTag);
  for (TTransitionModifier m : {tmLeft, tmRight, tmUp, tmDown}) {
    auto call = CallEffect(FXPush, from.get(), to.get(), MakeParams(2147483647, m));
    EXPECT_TRUE(call.Finished);
    EXPECT_EQ(PixelAt(*call.Frame, 3, 3), CodedPixel(kToTag, 3, 3));
  }
}

}  // namespace
}  // namespace tweenery::test
