// What the widget shows while its frame is drawn straight from the frame
// bitmap (the component covering the widget alone, at the pictures' size)
// and when it is not: each must be the pixels the component paints.
#include <QtTest>
#include <memory>

#include "TestPictures.h"
#include "platform/Controls.h"
#include "platform/qt/QtDrawing.h"
#include "platform/qt/QtPlatform.h"
#include "widget/TweeneryWidget.h"

using namespace tweenery;
using namespace tweenery::test;

namespace {

constexpr int kW = 24, kH = 16;

// A Checkerboard frame between coded pictures of kW x kH, composed by a
// component on a headless host: what the widget must show of the component.
std::unique_ptr<THeadlessHost> ReferenceFrame(int Frame) {
  auto host = std::make_unique<THeadlessHost>(kW, kH);
  TTweenery reference(nullptr);
  reference.SetParent(host.get());
  reference.SetBounds(0, 0, kW, kH);
  reference.SetOperation(::tweenery::toCheckerboard);
  reference.SetDelta(4);
  reference.SetFromBitmap(CodedPicture(kW, kH, kFromTag).get());
  reference.SetToBitmap(CodedPicture(kW, kH, kToTag).get());
  reference.SetCurrentFrame(Frame);
  host->Update();
  reference.SetParent(nullptr);
  return host;
}

void SetUp(TweeneryWidget& Widget, int Frame) {
  Widget.setOperation(TweeneryWidget::toCheckerboard);
  Widget.setDelta(4);
  Widget.setFromBitmap(BitmapImage(CodedPicture(kW, kH, kFromTag).get()).copy());
  Widget.setToBitmap(BitmapImage(CodedPicture(kW, kH, kToTag).get()).copy());
  Widget.setCurrentFrame(Frame);
}

QImage Shown(TweeneryWidget& Widget) { return Widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Every pixel of the frame's area is the reference's; returns the first
// that is not, as text, or an empty string.
QString FrameMismatch(const QImage& Shown, const THeadlessHost& Reference) {
  const TBitmap& want = *const_cast<THeadlessHost&>(Reference).Surface();
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      if (Shown.pixel(x, y) != PixelAt(want, x, y))
        return QString("(%1, %2): %3 instead of %4").arg(x).arg(y).arg(Shown.pixel(x, y), 8, 16).arg(PixelAt(want, x, y), 8, 16);
  return {};
}

// Paints one colour over its rectangle.
class TSolidControl : public TGraphicControl {
 public:
  explicit TSolidControl(TColor Fill) : TGraphicControl(nullptr), FFill(Fill) { SetControlStyle(csOpaque); }

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(FFill);
    Canvas()->FillRect(ClientRect());
  }

 private:
  TColor FFill;
};

}  // namespace

class TweeneryWidgetPaintTests : public QObject {
  Q_OBJECT
  std::unique_ptr<TQtPlatform> FPlatform;

 private slots:
  void initTestCase() { FPlatform = std::make_unique<TQtPlatform>(); }
  void cleanupTestCase() { FPlatform.reset(); }

  void showsEachFrameAsTheComponentPaintsIt() {
    TweeneryWidget widget;
    widget.resize(kW, kH);
    SetUp(widget, 1);
    widget.show();
    for (const int frame : {1, 2, 3}) {
      widget.setCurrentFrame(frame);
      QCOMPARE(FrameMismatch(Shown(widget), *ReferenceFrame(frame)), QString());
    }
  }

  void aWidgetLargerThanTheFrameShowsTheFaceAroundIt() {
    TweeneryWidget widget;
    widget.resize(kW, kH);
    SetUp(widget, 2);
    widget.show();
    Shown(widget);  // painted once at the frame's size
    widget.resize(kW + 10, kH + 6);
    const QImage shown = Shown(widget);
    QCOMPARE(FrameMismatch(shown, *ReferenceFrame(2)), QString());
    const QRgb face = 0xFF000000u | static_cast<std::uint32_t>(ToQColor(clBtnFace).rgb());
    QCOMPARE(shown.pixel(kW + 9, 0), face);
    QCOMPARE(shown.pixel(0, kH + 5), face);
    // Back at the frame's size, the frame alone again.
    widget.resize(kW, kH);
    widget.setCurrentFrame(3);
    QCOMPARE(FrameMismatch(Shown(widget), *ReferenceFrame(3)), QString());
  }

  void anotherHostedControlStillShowsOnTop() {
    TweeneryWidget widget;
    widget.resize(kW, kH);
    SetUp(widget, 2);
    widget.show();
    TSolidControl patch(clRed);
    patch.SetBounds(4, 3, 5, 4);
    patch.SetParent(&widget);
    const QImage shown = Shown(widget);
    QCOMPARE(shown.pixel(4, 3), ToQColor(clRed).rgb());
    QCOMPARE(shown.pixel(8, 6), ToQColor(clRed).rgb());
    const std::unique_ptr<THeadlessHost> reference = ReferenceFrame(2);
    QCOMPARE(shown.pixel(0, 0), PixelAt(*reference->Surface(), 0, 0));
    QCOMPARE(shown.pixel(kW - 1, kH - 1), PixelAt(*reference->Surface(), kW - 1, kH - 1));
    patch.SetParent(nullptr);
    widget.setCurrentFrame(3);
    QCOMPARE(FrameMismatch(Shown(widget), *ReferenceFrame(3)), QString());
  }
};

QTEST_MAIN(TweeneryWidgetPaintTests)
#include "TweeneryWidgetPaintTests.moc"
