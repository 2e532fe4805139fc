// Hostile values through every door Qt has into the widget: each of its
// Q_PROPERTYs through QObject::setProperty, slots through queued calls,
// sizes past the bitmap limit, form text past what a widget can be. No
// exception may come out of a Qt handler, slot or property setter; what
// cannot be taken is refused with errorOccurred, and the widget stays
// consistent and keeps working.
#include <QEasingCurve>
#include <QMetaProperty>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <limits>
#include <memory>

#include "TestPictures.h"
#include "platform/FormText.h"
#include "platform/qt/QtDrawing.h"
#include "widget/TweeneryWidget.h"

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
#define TWEENERY_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
#define TWEENERY_UNDER_SANITIZER 1
#endif
#endif

using namespace tweenery;
using namespace tweenery::test;

namespace {

constexpr int kMax = std::numeric_limits<int>::max();
constexpr int kMin = std::numeric_limits<int>::min();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

QImage CodedImage(int Width, int Height, std::uint32_t Tag) {
  return BitmapImage(CodedPicture(Width, Height, Tag).get()).copy();
}

// One past the bitmap limit each way; Mono keeps the test's own copy small.
QImage PastTheBitmapLimit() { return QImage(16385, 16385, QImage::Format_Mono); }

// Image with defined pixels (QImage leaves new ones as they come).
QImage Filled(QImage Image) {
  Image.fill(0);
  return Image;
}

// A custom curve that answers NaN.
QEasingCurve NotANumberCurve() {
  QEasingCurve curve;
  curve.setCustomType([](qreal) { return std::numeric_limits<qreal>::quiet_NaN(); });
  return curve;
}

// The hostile values tried on every property.
QList<QVariant> HostileValues() {
  QList<QVariant> values = {
      QVariant(kMax), QVariant(kMin), QVariant(-1), QVariant(0), QVariant(99), QVariant(1 << 30),
      QVariant(static_cast<uint>(0xFFFFFFFFu)), QVariant(static_cast<qlonglong>(1) << 40),
      QVariant(kNaN), QVariant(kInf), QVariant(-kInf), QVariant(1e308), QVariant(-0.5), QVariant(2.5),
      QVariant(true), QVariant(QString()), QVariant(QStringLiteral("/nonexistent/a.png")),
      QVariant(QStringLiteral("/dev/zero")), QVariant(QStringLiteral("/dev/null.bmp")),
      QVariant(QStringLiteral("/tmp")), QVariant(QStringLiteral(TWEENERY_TEST_DATA "/baseline.ppm")),
      QVariant(QString(5000, u'x') + QStringLiteral(".jpg")), QVariant(QStringLiteral("toNothing")),
      QVariant(QStringLiteral("tmSideways")), QVariant(QColor()), QVariant(QColor(1, 2, 3)),
      QVariant(QStringList{QStringLiteral("x")}), QVariant(QImage()), QVariant(Filled(QImage(1, 1, QImage::Format_Mono))),
      QVariant(QImage(0, 5, QImage::Format_RGB32)), QVariant::fromValue(NotANumberCurve()),
      QVariant::fromValue(QEasingCurve(QEasingCurve::BezierSpline)), QVariant::fromValue(QEasingCurve(QEasingCurve::TCBSpline)),
      // (A QEasingCurve::Type outside its enumerators cannot even be made
      // without undefined behaviour; the one past the last is the farthest.)
      QVariant::fromValue(QEasingCurve::NCurveTypes),
      QVariant()};
  return values;
}

// What must hold of the widget whatever it was told.
QString Inconsistency(TweeneryWidget& Widget) {
  TTweenery* t = Widget.Tweenery();
  if (t->Parent() != static_cast<TControlHost*>(&Widget)) return QStringLiteral("the component is detached");
  if (t->BoundsRect() != Rect(0, 0, Widget.width(), Widget.height()))
    return QStringLiteral("the component does not cover the widget");
  if (int(Widget.Operation()) < 0 || int(Widget.Operation()) > 27) return QStringLiteral("Operation out of range");
  if (int(Widget.Modifier()) < 0 || int(Widget.Modifier()) > 3) return QStringLiteral("Modifier out of range");
  if (int(Widget.RGBOrder()) < 0 || int(Widget.RGBOrder()) > 5) return QStringLiteral("RGBOrder out of range");
  if (Widget.Duration() < 0) return QStringLiteral("negative Duration");
  const qreal progress = Widget.Progress();
  if (!(progress >= 0 && progress <= 1)) return QStringLiteral("Progress %1").arg(progress);
  const std::int64_t surface = std::int64_t{Widget.Surface()->Width()} * Widget.Surface()->Height();
  if (surface > TBitmap::MaxPixels) return QStringLiteral("a surface past the bitmap limit");
  if (!Widget.sizeHint().isValid()) return QStringLiteral("no size hint");
  const QImage from = Widget.FromBitmap(), to = Widget.ToBitmap();
  if (!from.isNull() && !to.isNull() && from.size() != to.size()) return QStringLiteral("pictures of two sizes");
  return {};
}

// The widget still plays a transition to its end.
bool StillPlays(TweeneryWidget& Widget) {
  Widget.stop();
  Widget.setDuration(0);
  Widget.setOperation(TweeneryWidget::toPush);
  Widget.setModifier(TweeneryWidget::tmLeft);
  Widget.setDelta(10);
  Widget.setSteps(4);
  Widget.setInterval(1);
  Widget.setFromBitmap(CodedImage(12, 8, kFromTag));
  Widget.setToBitmap(CodedImage(12, 8, kToTag));
  QSignalSpy done(&Widget, &TweeneryWidget::done);
  Widget.play();
  return done.wait(10000) || done.count() > 0;
}

}  // namespace

class TweeneryWidgetHostileTests : public QObject {
  Q_OBJECT

 private slots:
  // Every one of the widget's own properties, every hostile value, idle and
  // playing, through QObject::setProperty.
  void everyPropertyTakesEveryHostileValue_data() {
    QTest::addColumn<bool>("playing");
    QTest::newRow("idle") << false;
    QTest::newRow("playing") << true;
  }
  void everyPropertyTakesEveryHostileValue() {
    QFETCH(bool, playing);
    TweeneryWidget widget;
    widget.resize(24, 16);
    widget.show();
    const QMetaObject* meta = widget.metaObject();
    const QList<QVariant> values = HostileValues();
    int written = 0;
    for (int i = TQtControlHost::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
      const QMetaProperty property = meta->property(i);
      for (const QVariant& value : values) {
        // A number outside Qt's own QEasingCurve::Type is undefined behaviour
        // in the generated property code, before any setter of ours runs.
        if (QLatin1String(property.name()) == QLatin1String("EasingType") && value.canConvert<int>() &&
            !(value.toInt() >= 0 && value.toInt() <= int(QEasingCurve::NCurveTypes)))
          continue;
        widget.setFromBitmap(CodedImage(24, 16, kFromTag));
        widget.setToBitmap(CodedImage(24, 16, kToTag));
        widget.setInterval(1000);
        if (playing) widget.play();
        const QString what = QStringLiteral("%1 = %2 (%3)")
                                 .arg(QLatin1String(property.name()), value.toString().left(40),
                                      QLatin1String(value.typeName() ? value.typeName() : "invalid"));
        try {
          written += widget.setProperty(property.name(), value);
          QCoreApplication::processEvents();
          (void)widget.grab(QRect(0, 0, 24, 16));
          (void)widget.property(property.name());
        } catch (...) {
          QFAIL(qPrintable(QStringLiteral("an exception left %1").arg(what)));
        }
        const QString wrong = Inconsistency(widget);
        QVERIFY2(wrong.isEmpty(), qPrintable(what + QStringLiteral(": ") + wrong));
        widget.stop();
        if (property.isResettable()) property.reset(&widget);
      }
    }
    QVERIFY(written > 0);
    QVERIFY(StillPlays(widget));
  }

  void hostileValuesAreRefusedWithAReason() {
    TweeneryWidget widget;
    widget.setFromBitmap(CodedImage(24, 16, kFromTag));
    widget.setToBitmap(CodedImage(24, 16, kToTag));
    widget.setDuration(500);
    widget.setProgress(0.5);
    QSignalSpy errors(&widget, &TweeneryWidget::errorOccurred);
    widget.setProperty("Operation", 99);
    widget.setProperty("Modifier", -1);
    widget.setProperty("RGBOrder", 6);
    widget.setProperty("Duration", -5);
    widget.setProperty("Progress", kNaN);
    widget.setProperty("EasingType", int(QEasingCurve::Custom));
    QCOMPARE(errors.count(), 6);
    QVERIFY(errors[0][0].toString().startsWith(QStringLiteral("Operation: 99 is not")));
    QVERIFY(errors[1][0].toString().startsWith(QStringLiteral("Modifier: -1 is not")));
    QVERIFY(errors[2][0].toString().startsWith(QStringLiteral("RGBOrder: 6 is not")));
    QVERIFY(errors[3][0].toString().startsWith(QStringLiteral("Duration: -5 ms is negative")));
    QVERIFY(errors[4][0].toString().startsWith(QStringLiteral("Progress: not a number")));
    QVERIFY(errors[5][0].toString().startsWith(QStringLiteral("EasingType:")));
    QCOMPARE(widget.Operation(), TweeneryWidget::toPush);
    QCOMPARE(widget.Modifier(), TweeneryWidget::tmLeft);
    QCOMPARE(widget.RGBOrder(), TweeneryWidget::coRGB);
    QCOMPARE(widget.Duration(), 500);
    QCOMPARE(widget.Progress(), 0.5);
    QCOMPARE(widget.EasingCurve().type(), QEasingCurve::Linear);
    // Infinite progress is only far: clamped.
    widget.setProperty("Progress", kInf);
    QCOMPARE(widget.Progress(), 1.0);
    widget.setProperty("Progress", -kInf);
    QCOMPARE(widget.Progress(), 0.0);
    // A Duration of INT_MAX is a long run, not an error.
    widget.setProperty("Duration", kMax);
    QCOMPARE(widget.Duration(), kMax);
    widget.play();
    QTest::qWait(50);
    QVERIFY(widget.Active());
    const double early = widget.Progress();
    QVERIFY(early >= 0 && early < 0.01);
    widget.stop();
    QCOMPARE(errors.count(), 6);
  }

  // A picture past the bitmap limit, through the property and from a slot
  // called by the event loop, is refused and the previous one kept.
  void aPicturePastTheBitmapLimitIsRefused() {
    TweeneryWidget widget;
    widget.setFromBitmap(CodedImage(24, 16, kFromTag));
    widget.setToBitmap(CodedImage(24, 16, kToTag));
    QSignalSpy errors(&widget, &TweeneryWidget::errorOccurred);
    const QImage huge = PastTheBitmapLimit();
    QVERIFY(widget.setProperty("FromBitmap", huge));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors[0][0].toString(),
             QStringLiteral("FromBitmap: a 16385 x 16385 picture is too large (more than 268435456 pixels)"));
    // From a slot the event loop runs.
    QTimer::singleShot(0, &widget, [&] { widget.setToBitmap(huge); });
    QTRY_COMPARE(errors.count(), 2);
    QVERIFY(errors[1][0].toString().startsWith(QStringLiteral("ToBitmap: a 16385 x 16385 picture is too large")));
    QCOMPARE(widget.FromBitmap().size(), QSize(24, 16));
    QCOMPARE(widget.ToBitmap().size(), QSize(24, 16));
    QCOMPARE(Inconsistency(widget), QString());
    QVERIFY(StillPlays(widget));
  }

  // A shown widget resized past the bitmap limit inside a scroll area keeps
  // painting what it can.
  void aWidgetPastTheBitmapLimitKeepsPainting() {
#ifdef TWEENERY_UNDER_SANITIZER
    QSKIP("a gigabyte surface is too much for the sanitizers' shadow memory");
#endif
    QScrollArea area;
    area.resize(120, 90);
    auto* widget = new TweeneryWidget;
    widget->setFromBitmap(CodedImage(24, 16, kFromTag));
    widget->setToBitmap(CodedImage(24, 16, kToTag));
    area.setWidget(widget);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    QSignalSpy errors(widget, &TweeneryWidget::errorOccurred);
    try {
      widget->resize(16385, 16385);
      QCoreApplication::processEvents();
      const QImage shown = area.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
      QCOMPARE(shown.pixel(3, 2), CodedPixel(kFromTag, 3, 2));
      widget->resize(16777215, 16777215);
      QCoreApplication::processEvents();
      (void)area.viewport()->grab();
    } catch (...) {
      QFAIL("an exception left a resize or a paint");
    }
    QCOMPARE(errors.count(), 0);
    QCOMPARE(widget->Tweenery()->BoundsRect(), Rect(0, 0, widget->width(), widget->height()));
    QVERIFY(std::int64_t{widget->Surface()->Width()} * widget->Surface()->Height() <= TBitmap::MaxPixels);
    widget->resize(40, 30);
    QCoreApplication::processEvents();
    QCOMPARE(widget->Surface()->Width(), 40);
    QCOMPARE(Inconsistency(*widget), QString());
    QVERIFY(StillPlays(*widget));
  }

  void surfaceSizesStayWithinTheLimit() {
    QCOMPARE(TQtControlHost::SurfaceSizeFor(100, 50), QSize(100, 50));
    QCOMPARE(TQtControlHost::SurfaceSizeFor(16384, 16384), QSize(16384, 16384));
    QCOMPARE(TQtControlHost::SurfaceSizeFor(-3, 7), QSize(0, 7));
    for (const QSize size : {QSize(16385, 16385), QSize(16777215, 16777215), QSize(16777215, 1 << 20), QSize(kMax, 2)}) {
      const QSize s = TQtControlHost::SurfaceSizeFor(size.width(), size.height());
      QVERIFY(std::int64_t{s.width()} * s.height() <= TBitmap::MaxPixels);
      QVERIFY(s.width() <= size.width() && s.height() <= size.height() && s.width() > 0 && s.height() > 0);
      QVERIFY(std::int64_t{s.width()} * s.height() > TBitmap::MaxPixels / 2);
    }
  }

  // Form text asking for more than a widget can be is refused naming the
  // line, before anything is set.
  void formTextPastWhatAWidgetCanBeIsRefusedWithItsLine() {
    TweeneryWidget widget;
    widget.resize(30, 20);
    widget.show();
    for (const char* line : {"Width = 2147483647", "Height = 16777216", "Width = -1", "Left = 2147483647",
                             "Top = -2147483647"}) {
      const std::string text = std::string("object Tweenery: TTweenery\n  Delta = 7\n  ") + line + "\nend\n";
      try {
        widget.LoadFormText(text);
        QFAIL(qPrintable(QStringLiteral("accepted: %1").arg(QLatin1String(line))));
      } catch (const EFormError& error) {
        QCOMPARE(error.Line(), 3);
        QVERIFY2(QByteArray(error.what()).startsWith("Line 3: "), error.what());
      } catch (...) {
        QFAIL(qPrintable(QStringLiteral("not a form error: %1").arg(QLatin1String(line))));
      }
      QCOMPARE(widget.size(), QSize(30, 20));
      QCOMPARE(widget.Delta(), 10);
      QCOMPARE(Inconsistency(widget), QString());
    }
    // The largest a widget can be is taken.
    widget.LoadFormText("object Tweenery: TTweenery\n  Width = 16777215\n  Height = 3\nend\n");
    QCOMPARE(widget.size(), QSize(16777215, 3));
    QCoreApplication::processEvents();
    (void)widget.grab(QRect(0, 0, 20, 3));
    QCOMPARE(Inconsistency(widget), QString());
    widget.resize(30, 20);
    QVERIFY(StillPlays(widget));
  }

  // Slots called by the event loop in any order and state.
  void slotsInAnyOrder() {
    TweeneryWidget widget;
    widget.show();
    QSignalSpy errors(&widget, &TweeneryWidget::errorOccurred);
    for (const char* slot : {"resume", "pause", "stop", "play", "play", "pause", "pause", "resume", "stop", "stop"})
      QVERIFY(QMetaObject::invokeMethod(&widget, slot, Qt::QueuedConnection));
    widget.setDuration(50);
    for (const char* slot : {"play", "pause", "resume", "stop", "play"})
      QVERIFY(QMetaObject::invokeMethod(&widget, slot, Qt::QueuedConnection));
    QTest::qWait(200);
    QCOMPARE(Inconsistency(widget), QString());
    QCOMPARE(errors.count(), 0);
    QVERIFY(StillPlays(widget));
  }
};

QTEST_MAIN(TweeneryWidgetHostileTests)
#include "TweeneryWidgetHostileTests.moc"
