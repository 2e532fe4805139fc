// The component as a widget: its properties, both playback drivers, form
// descriptions and what the widget shows.
#include <QMetaProperty>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "TestPictures.h"
#include "platform/FormText.h"
#include "platform/qt/QtDrawing.h"
#include "platform/qt/QtMessageLoop.h"
#include "platform/qt/QtPlatform.h"
#include "widget/TweeneryWidget.h"

using namespace tweenery;
using namespace tweenery::test;

namespace {

QImage CodedImage(int Width, int Height, std::uint32_t Tag) {
  return BitmapImage(CodedPicture(Width, Height, Tag).get()).copy();
}

void SetCodedPictures(TweeneryWidget& Widget, int Width, int Height) {
  Widget.setFromBitmap(CodedImage(Width, Height, kFromTag));
  Widget.setToBitmap(CodedImage(Width, Height, kToTag));
}

}  // namespace

class TweeneryWidgetTests : public QObject {
  Q_OBJECT
  std::unique_ptr<TQtPlatform> FPlatform;

 private slots:
  void initTestCase() { FPlatform = std::make_unique<TQtPlatform>(); }
  void cleanupTestCase() { FPlatform.reset(); }

  void defaultsAreTheComponentsAndResetRestoresThem() {
    TweeneryWidget widget;
    TTweenery reference(nullptr);
    const QMetaObject* meta = widget.metaObject();
    QCOMPARE(widget.property("Color").value<QColor>(), ToQColor(reference.Color()));
    QCOMPARE(widget.property("Delta").toInt(), reference.Delta());
    QCOMPARE(widget.property("Interval").toUInt(), reference.Interval());
    QCOMPARE(widget.property("MaintainAspectRatio").toBool(), reference.MaintainAspectRatio());
    QCOMPARE(widget.property("Operation").toInt(), int(reference.Operation()));
    QCOMPARE(widget.property("Modifier").toInt(), int(reference.Modifier()));
    QCOMPARE(widget.property("RGBOrder").toInt(), int(reference.RGBOrder()));
    QCOMPARE(widget.property("Steps").toInt(), reference.Steps());
    QCOMPARE(widget.property("Stretch").toBool(), reference.Stretch());
    QCOMPARE(widget.property("UseThread").toBool(), reference.UseThread());
    QCOMPARE(widget.property("Reverse").toBool(), reference.Reverse());
    QCOMPARE(widget.property("CurrentFrame").toInt(), reference.CurrentFrame());
    QCOMPARE(widget.property("Active").toBool(), false);
    QVERIFY(widget.property("FromBitmap").value<QImage>().isNull());
    QCOMPARE(widget.property("About").toStringList().value(0), QStringLiteral("Component: TTweenery"));
    QCOMPARE(widget.sizeHint(), QSize(65, 65));
    QVERIFY(!meta->property(meta->indexOfProperty("About")).isWritable());

    // Every property of the component's table the widget shows (the table
    // holds the defaults that form descriptions leave out) resets to it.
    const QVariant changed[] = {false, 3, 7u, false, int(toRoll), int(tmDown), int(coBGR), true, true, true};
    const char* names[] = {"Active",   "Delta",     "Interval", "MaintainAspectRatio", "Operation",
                           "Modifier", "RGBOrder",  "Reverse",  "Stretch",             "UseThread"};
    for (int i = 0; i < 10; ++i) {
      QMetaProperty property = meta->property(meta->indexOfProperty(names[i]));
      QVERIFY2(property.isResettable(), names[i]);
      property.write(&widget, changed[i]);
      property.reset(&widget);
      const TPropInfo* info = FindProperty(reference.PublishedProperties(), names[i]);
      QVERIFY2(info, names[i]);
      QCOMPARE(property.read(&widget).toLongLong(), info->Default);
    }
    widget.setColor(Qt::red);
    widget.resetColor();
    QCOMPARE(widget.Tweenery()->Color(), clBtnFace);  // the system colour itself, not its value
  }

  void propertiesReachTheComponentUnderItsRules() {
    TweeneryWidget widget;
    QSignalSpy operationChanged(&widget, &TweeneryWidget::operationChanged);
    QVERIFY(widget.setProperty("Operation", QStringLiteral("toMosaic")));
    QCOMPARE(widget.Tweenery()->Operation(), ::tweenery::toMosaic);
    QVERIFY(widget.setProperty("Operation", int(toRandomBars)));
    QCOMPARE(widget.Tweenery()->Operation(), ::tweenery::toRandomBars);
    QVERIFY(widget.Tweenery()->State() != nullptr);
    QCOMPARE(operationChanged.count(), 2);
    widget.setProperty("Modifier", QStringLiteral("tmUp"));
    QCOMPARE(widget.Tweenery()->Modifier(), ::tweenery::tmUp);
    widget.setProperty("Color", QColor(0x12, 0x34, 0x56));
    QCOMPARE(widget.Tweenery()->Color(), TColor(0x563412));
    widget.setProperty("Interval", 250u);
    QCOMPARE(widget.Tweenery()->Interval(), 250u);

    // While a run plays, Operation is refused and no change is signalled;
    // Steps takes effect.
    SetCodedPictures(widget, 8, 8);
    widget.setInterval(10000);
    widget.play();
    QVERIFY(widget.Active());
    widget.setProperty("Operation", int(toFade));
    QCOMPARE(widget.Tweenery()->Operation(), ::tweenery::toRandomBars);
    QCOMPARE(operationChanged.count(), 2);
    widget.setSteps(4);
    QCOMPARE(widget.Tweenery()->Steps(), 4);
    widget.stop();
    QVERIFY(!widget.Active());

    // An image through the property is the component's picture, opaque.
    widget.setToBitmap(QImage());
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(QColor(10, 20, 30, 0));
    widget.setFromBitmap(image);
    QCOMPARE(widget.Tweenery()->FromBitmap()->Width(), 3);
    QCOMPARE(widget.Tweenery()->FromBitmap()->ScanLine(1)[2], 0xFF0A141Eu);
    QCOMPARE(widget.FromBitmap().pixel(2, 1), 0xFF0A141Eu);
    widget.setFromBitmap(QImage());
    QVERIFY(widget.Tweenery()->FromBitmap()->Empty());
  }

  void componentAlwaysCoversTheWidget() {
    TweeneryWidget widget;
    widget.resize(120, 40);
    QCOMPARE(widget.Tweenery()->BoundsRect(), Rect(0, 0, 120, 40));
    QCOMPARE(widget.Surface()->Width(), 120);
    QCOMPARE(widget.sizeHint(), QSize(120, 40));
  }

  void playsToDoneWithEitherDriver_data() {
    QTest::addColumn<bool>("useThread");
    QTest::newRow("timer") << false;
    QTest::newRow("thread") << true;
  }
  void playsToDoneWithEitherDriver() {
    QFETCH(bool, useThread);
    TweeneryWidget widget;
    widget.resize(12, 10);
    SetCodedPictures(widget, 12, 10);
    widget.setUseThread(useThread);
    QCOMPARE(widget.UseThread(), useThread);
    widget.setInterval(1);
    widget.setOperation(TweeneryWidget::toPush);
    widget.show();
    QSignalSpy done(&widget, &TweeneryWidget::done);
    QSignalSpy active(&widget, &TweeneryWidget::activeChanged);
    widget.play();
    QVERIFY(widget.Active());
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
    QVERIFY(!widget.Active());
    QCOMPARE(active.count(), 2);  // on at Play, off at completion
    // The last frame is the To picture, and the widget shows it.
    const QImage shown = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.pixel(0, 0), CodedPixel(kToTag, 0, 0));
    QCOMPARE(shown.pixel(11, 9), CodedPixel(kToTag, 11, 9));
  }

  void formTextBindsHandlersAndDoneStillFires() {
    TweeneryWidget widget;
    QSignalSpy done(&widget, &TweeneryWidget::done);
    int handlerCalls = 0;
    int doneSignalsBeforeHandler = -1;
    widget.PublishHandler("TweeneryDone", [&](TObject* Sender) {
      ++handlerCalls;
      doneSignalsBeforeHandler = done.count();
      QCOMPARE(Sender, static_cast<TObject*>(widget.Tweenery()));
    });
    widget.LoadFormText(
        "object Tweenery: TTweenery\n"
        "  Left = 5\n"
        "  Top = 6\n"
        "  Width = 14\n"
        "  Height = 9\n"
        "  Operation = toFade\n"
        "  Interval = 1\n"
        "  OnDone = TweeneryDone\n"
        "end\n");
    QCOMPARE(widget.size(), QSize(14, 9));
    QCOMPARE(widget.pos(), QPoint(5, 6));
    QCOMPARE(widget.Tweenery()->BoundsRect(), Rect(0, 0, 14, 9));
    QCOMPARE(widget.Operation(), TweeneryWidget::toFade);

    // The description written back names the handler and the widget's place.
    const std::string text = widget.FormText();
    QVERIFY(text.find("OnDone = TweeneryDone") != std::string::npos);
    QVERIFY(text.find("Left = 5") != std::string::npos);
    QVERIFY(text.find("Width = 14") != std::string::npos);
    QCOMPARE(widget.Tweenery()->BoundsRect(), Rect(0, 0, 14, 9));

    SetCodedPictures(widget, 14, 9);
    widget.setSteps(32);  // a fade has 512 frames
    widget.play();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
    QCOMPARE(handlerCalls, 1);
    QCOMPARE(doneSignalsBeforeHandler, 0);

    // A later description without OnDone keeps the bound handler.
    widget.LoadFormText("object Tweenery: TTweenery\n  Delta = 3\nend\n");
    QCOMPARE(widget.size(), QSize(14, 9));
    QCOMPARE(widget.pos(), QPoint(5, 6));
    widget.play();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 20000);
    QCOMPARE(handlerCalls, 2);
  }

  void malformedFormTextLeavesTheWidgetWhole() {
    TweeneryWidget widget;
    widget.resize(30, 20);
    QVERIFY_THROWS_EXCEPTION(EFormError, widget.LoadFormText("object Tweenery: TTweenery\n  Width = \nend\n"));
    QCOMPARE(widget.Tweenery()->BoundsRect(), Rect(0, 0, 30, 20));
    QCOMPARE(widget.Tweenery()->Parent(), static_cast<TControlHost*>(&widget));
    QVERIFY_THROWS_EXCEPTION(EFormError,
                             widget.LoadFormText("object Tweenery: TTweenery\n  OnDone = Nobody\nend\n"));
    QSignalSpy done(&widget, &TweeneryWidget::done);
    SetCodedPictures(widget, 30, 20);
    widget.setInterval(1);
    widget.setSteps(8);
    widget.play();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
  }

  void grabShowsTheComponentsFrame() {
    TweeneryWidget widget;
    widget.resize(24, 16);
    widget.setOperation(TweeneryWidget::toCheckerboard);
    widget.setDelta(4);
    SetCodedPictures(widget, 24, 16);
    widget.setCurrentFrame(2);
    widget.show();
    const QImage shown = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    shown.save("/tmp/widget-test-frame.png");

    // The same frame composed by a component on a headless host.
    THeadlessHost host(24, 16);
    TTweenery reference(nullptr);
    reference.SetParent(&host);
    reference.SetBounds(0, 0, 24, 16);
    reference.SetOperation(::tweenery::toCheckerboard);
    reference.SetDelta(4);
    reference.SetFromBitmap(CodedPicture(24, 16, kFromTag).get());
    reference.SetToBitmap(CodedPicture(24, 16, kToTag).get());
    reference.SetCurrentFrame(2);
    host.Update();
    int fromPixels = 0, toPixels = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 24; ++x) {
        const std::uint32_t want = PixelAt(*host.Surface(), x, y);
        QCOMPARE(shown.pixel(x, y), want);
        fromPixels += ((want >> 22) & 3u) == kFromTag;
        toPixels += ((want >> 22) & 3u) == kToTag;
      }
    QVERIFY(fromPixels > 0 && toPixels > 0);  // a frame in between, not either picture
  }
};

QTEST_MAIN(TweeneryWidgetTests)
#include "TweeneryWidgetTests.moc"
