// The stacked widget on a screen of two device pixels per pixel: the pages
// are grabbed, composed and shown at device pixels, so a frame keeps every
// device pixel of the pages and the end is the new page to the pixel.
#include <QApplication>
#include <QtTest>

#include "StackedPages.h"

using namespace tweenery;
using namespace tweenery::test;

class TweeneryStackedHiDpiTests : public QObject {
  Q_OBJECT

 private slots:
  void framesAreComposedAtDevicePixels() {
    TweeneryStackedWidget stack;
    stack.addWidget(new TCodedPage(1));
    stack.addWidget(new TCodedPage(2));
    stack.resize(48, 32);
    stack.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stack));
    QCOMPARE(stack.devicePixelRatioF(), 2.0);
    stack.setOperation(TweeneryWidget::toCheckerboard);
    stack.setDelta(3);
    const QImage from = PageGrab(stack.widget(0));
    QCOMPARE(from.size(), QSize(96, 64));

    stack.setCurrentIndex(1);
    const QImage to = PageGrab(stack.widget(1));
    HoldAt(stack, 50);
    const QImage early = ShownPages(stack);
    QCOMPARE(early.size(), QSize(96, 64));
    QVERIFY(early != from && early != to);
    const double eased = QEasingCurve(QEasingCurve::OutCubic).valueForProgress(50 / 400.0);
    QCOMPARE(early, ComponentFrame(from, to, stack.TransitionSettings(), eased));

    Clock(stack)->setCurrentTime(400);
    QVERIFY(!stack.InTransition());
    QCOMPARE(ShownPages(stack), to);
  }
};

int main(int argc, char* argv[]) {
  qputenv("QT_SCALE_FACTOR", "2");
  QApplication application(argc, argv);
  TweeneryStackedHiDpiTests tests;
  return QTest::qExec(&tests, argc, argv);
}

#include "TweeneryStackedHiDpiTests.moc"
