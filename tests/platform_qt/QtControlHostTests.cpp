// The widget that hosts windowless controls: painting through the surface,
// mouse input in control coordinates, alignment and detaching.
#include <QtTest>
#include <memory>
#include <vector>

#include "platform/Controls.h"
#include "platform/qt/QtControlHost.h"
#include "platform/qt/QtDrawing.h"
#include "platform/qt/QtPlatform.h"

using namespace tweenery;

namespace {

struct TMouseRecord {
  char Kind;  // 'd'own, 'm'ove, 'u'p
  TMouseButton Button;
  TShiftState Shift;
  int X, Y;
  bool operator==(const TMouseRecord&) const = default;
};

// Fills itself with one colour and records the input it gets.
class TRecordingControl : public TGraphicControl {
 public:
  TRecordingControl(TColor Fill) : TGraphicControl(nullptr), FFill(Fill) { SetControlStyle(csOpaque); }
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    Events.push_back({'d', Button, Shift, X, Y});
    TGraphicControl::MouseDown(Button, Shift, X, Y);
  }
  void MouseMove(TShiftState Shift, int X, int Y) override {
    Events.push_back({'m', mbLeft, Shift, X, Y});
    TGraphicControl::MouseMove(Shift, X, Y);
  }
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    Events.push_back({'u', Button, Shift, X, Y});
    TGraphicControl::MouseUp(Button, Shift, X, Y);
  }
  std::vector<TMouseRecord> Events;
  int Paints = 0;
  int Clicks = 0;
  int DoubleClicks = 0;

 protected:
  void Paint() override {
    ++Paints;
    Canvas()->Brush()->SetColor(FFill);
    Canvas()->FillRect(ClientRect());
  }

 private:
  TColor FFill;
};

}  // namespace

class QtControlHostTests : public QObject {
  Q_OBJECT
  std::unique_ptr<TQtPlatform> FPlatform;

 private slots:
  void initTestCase() { FPlatform = std::make_unique<TQtPlatform>(); }
  void cleanupTestCase() { FPlatform.reset(); }

  void paintsControlsOntoTheSurfaceAndShowsItWithoutACopy() {
    TQtControlHost host;
    host.resize(40, 30);
    TRecordingControl red(clRed), blue(clBlue);
    red.SetBounds(5, 5, 10, 10);
    blue.SetBounds(10, 10, 10, 10);
    red.SetParent(&host);
    blue.SetParent(&host);
    host.show();
    const QImage shown = host.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(host.LastPaintedBits(), static_cast<const void*>(host.Surface()->Bits()));
    QCOMPARE(QColor(shown.pixel(6, 6)), QColor(Qt::red));
    QCOMPARE(QColor(shown.pixel(12, 12)), QColor(Qt::blue));  // the later control on top
    QCOMPARE(QColor(shown.pixel(1, 1)), ToQColor(clBtnFace));  // the host's face behind them
    QCOMPARE(host.Surface()->ScanLine(12)[12], 0xFF0000FFu);

    // Invalidating paints at the next paint event; Repaint paints at once.
    const int paints = blue.Paints;
    blue.Invalidate();
    QTRY_VERIFY(blue.Paints > paints);
    const int before = red.Paints;
    red.Repaint();
    QCOMPARE(red.Paints, before + 1);
  }

  void resizeKeepsTheSurfaceAndAlignedControlsInStep() {
    TQtControlHost host;
    host.resize(50, 20);
    TRecordingControl client(clGreen);
    client.SetAlign(alClient);
    client.SetParent(&host);
    host.show();
    host.resize(70, 35);
    QTRY_COMPARE(host.Surface()->Width(), 70);
    QCOMPARE(host.Surface()->Height(), 35);
    QCOMPARE(client.BoundsRect(), Rect(0, 0, 70, 35));
  }

  void mouseReachesTheControlUnderThePointerInItsCoordinates() {
    TQtControlHost host;
    host.resize(60, 40);
    TRecordingControl left(clRed), right(clBlue);
    left.SetBounds(0, 0, 30, 40);
    right.SetBounds(30, 0, 30, 40);
    left.SetParent(&host);
    right.SetParent(&host);
    right.SetOnClick([&](TObject*) { ++right.Clicks; });
    right.SetOnDblClick([&](TObject*) { ++right.DoubleClicks; });
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));

    QTest::mouseClick(&host, Qt::LeftButton, Qt::ShiftModifier, QPoint(35, 7));
    QCOMPARE(right.Clicks, 1);
    QVERIFY(left.Events.empty());
    QCOMPARE(right.Events.size(), size_t(2));
    QCOMPARE(right.Events[0], (TMouseRecord{'d', mbLeft, ssShift | ssLeft, 5, 7}));
    QCOMPARE(right.Events[1], (TMouseRecord{'u', mbLeft, ssShift, 5, 7}));

    // The pressing control keeps the mouse until the release, wherever it is.
    right.Events.clear();
    QTest::mousePress(&host, Qt::RightButton, Qt::ControlModifier, QPoint(40, 20));
    QTest::mouseMove(&host, QPoint(3, 4));
    QTest::mouseRelease(&host, Qt::RightButton, Qt::NoModifier, QPoint(3, 4));
    QVERIFY(left.Events.empty());
    QCOMPARE(right.Events.front(), (TMouseRecord{'d', mbRight, ssCtrl | ssRight, 10, 20}));
    QCOMPARE(right.Events.back(), (TMouseRecord{'u', mbRight, 0, -27, 4}));

    // A double click arrives as a press marked ssDouble.
    right.Events.clear();
    QTest::mouseDClick(&host, Qt::LeftButton, Qt::NoModifier, QPoint(50, 30));
    QCOMPARE(right.DoubleClicks, 1);
    bool marked = false;
    for (const TMouseRecord& e : right.Events) marked = marked || (e.Kind == 'd' && (e.Shift & ssDouble));
    QVERIFY(marked);
  }

  void removedControlsAndADestroyedHostLeaveNothingDangling() {
    auto host = std::make_unique<TQtControlHost>();
    host->resize(30, 30);
    TRecordingControl a(clRed), b(clBlue);
    a.SetBounds(0, 0, 30, 30);
    a.SetParent(host.get());
    b.SetParent(host.get());
    host->show();
    QTest::mousePress(host.get(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    a.SetParent(nullptr);  // removed while it holds the mouse
    QCOMPARE(host->Controls().size(), size_t(1));
    QTest::mouseRelease(host.get(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(a.Events.size(), size_t(1));
    host.reset();
    QVERIFY(b.Parent() == nullptr);
    b.Invalidate();  // reaches no host
    QCOMPARE(b.Canvas()->Surface(), static_cast<TBitmap*>(nullptr));
  }
};

QTEST_MAIN(QtControlHostTests)
#include "QtControlHostTests.moc"
