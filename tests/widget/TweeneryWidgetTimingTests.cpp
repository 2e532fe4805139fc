// Time, easing and progress on the widget: Duration and EasingCurve time a
// run with either driver, Progress shows a fraction of the transition and
// is driven by Qt's animations like any other property.
#include <QElapsedTimer>
#include <QEasingCurve>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QSignalSpy>
#include <QVariantAnimation>
#include <QtTest>
#include <memory>
#include <set>

#include "TestPictures.h"
#include "platform/qt/QtDrawing.h"
#include "platform/qt/QtPlatform.h"
#include "tweenkit/Timeline.h"
#include "widget/TweeneryWidget.h"

using namespace tweenery;
using namespace tweenery::test;

namespace {

constexpr int kW = 64, kH = 40;

QImage CodedImage(int Width, int Height, std::uint32_t Tag) {
  return BitmapImage(CodedPicture(Width, Height, Tag).get()).copy();
}

void SetUp(TweeneryWidget& Widget, TweeneryWidget::TTransitionOperation Operation = TweeneryWidget::toPush) {
  Widget.resize(kW, kH);
  Widget.setOperation(Operation);
  Widget.setFromBitmap(CodedImage(kW, kH, kFromTag));
  Widget.setToBitmap(CodedImage(kW, kH, kToTag));
}

QImage Shown(TweeneryWidget& Widget) { return Widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// How many pixels of what the widget shows come from each picture.
struct TCount {
  int From = 0, To = 0;
};
TCount Count(const QImage& Image) {
  TCount count;
  for (int y = 0; y < Image.height(); ++y)
    for (int x = 0; x < Image.width(); ++x) {
      const std::uint32_t tag = (Image.pixel(x, y) >> 22) & 3u;
      count.From += tag == kFromTag;
      count.To += tag == kToTag;
    }
  return count;
}

bool ShowsTheToPicture(const QImage& Image) {
  for (int y = 0; y < Image.height(); ++y)
    for (int x = 0; x < Image.width(); ++x)
      if (Image.pixel(x, y) != CodedPixel(kToTag, x, y)) return false;
  return true;
}

}  // namespace

class TweeneryWidgetTimingTests : public QObject {
  Q_OBJECT
  std::unique_ptr<TQtPlatform> FPlatform;

 private slots:
  void initTestCase() { FPlatform = std::make_unique<TQtPlatform>(); }
  void cleanupTestCase() { FPlatform.reset(); }

  void theNewPropertiesHaveTheirDefaultsAndResets() {
    TweeneryWidget widget;
    const QMetaObject* meta = widget.metaObject();
    for (const char* name : {"Duration", "EasingCurve", "EasingType", "Progress"}) {
      const QMetaProperty property = meta->property(meta->indexOfProperty(name));
      QVERIFY2(property.isValid(), name);
      QVERIFY2(property.isResettable(), name);
      QVERIFY2(property.hasNotifySignal(), name);
    }
    QCOMPARE(widget.property("Duration").toInt(), 0);
    QCOMPARE(widget.property("EasingCurve").value<QEasingCurve>(), QEasingCurve(QEasingCurve::Linear));
    QCOMPARE(widget.property("Progress").toDouble(), 0.0);
    QCOMPARE(meta->property(meta->indexOfProperty("Progress")).notifySignal().name(), QByteArray("progressChanged"));
    // Designer edits EasingCurve as its type: it knows no QEasingCurve.
    QVERIFY(!meta->property(meta->indexOfProperty("EasingCurve")).isDesignable());
    QVERIFY(meta->property(meta->indexOfProperty("EasingType")).isDesignable());
    QVERIFY(meta->property(meta->indexOfProperty("EasingType")).isEnumType());

    QSignalSpy duration(&widget, &TweeneryWidget::durationChanged);
    QSignalSpy easing(&widget, &TweeneryWidget::easingCurveChanged);
    widget.setProperty("Duration", 600);
    widget.setProperty("EasingType", QStringLiteral("OutCubic"));
    QCOMPARE(widget.EasingCurve().type(), QEasingCurve::OutCubic);
    widget.setEasingCurve(QEasingCurve(QEasingCurve::InOutBack));
    QCOMPARE(widget.property("EasingType").toInt(), int(QEasingCurve::InOutBack));
    QCOMPARE(duration.count(), 1);
    QCOMPARE(easing.count(), 2);
    const QMetaObject* m = widget.metaObject();
    for (const char* name : {"Duration", "EasingCurve", "Progress"}) m->property(m->indexOfProperty(name)).reset(&widget);
    QCOMPARE(widget.Duration(), 0);
    QCOMPARE(widget.EasingCurve(), QEasingCurve(QEasingCurve::Linear));
  }

  // The run takes its Duration in wall-clock time, eased, and done() comes
  // once, right after it.
  void aTimedRunTakesItsDurationEasedAndEndsOnce_data() {
    QTest::addColumn<bool>("useThread");
    QTest::newRow("timer") << false;
    QTest::newRow("thread") << true;
  }
  void aTimedRunTakesItsDurationEasedAndEndsOnce() {
    QFETCH(bool, useThread);
    TweeneryWidget widget;
    SetUp(widget);
    widget.setUseThread(useThread);
    widget.setDuration(600);
    widget.setEasingCurve(QEasingCurve(QEasingCurve::OutCubic));
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QSignalSpy done(&widget, &TweeneryWidget::done);
    QSignalSpy active(&widget, &TweeneryWidget::activeChanged);
    std::vector<std::pair<qint64, double>> samples;  // elapsed ms, Progress
    QElapsedTimer clock;
    connect(&widget, &TweeneryWidget::progressChanged, this,
            [&] { samples.emplace_back(clock.elapsed(), widget.Progress()); });
    qint64 doneAt = -1;
    connect(&widget, &TweeneryWidget::done, this, [&] { doneAt = clock.elapsed(); });
    clock.start();
    widget.play();
    QVERIFY(widget.Active());
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
    QVERIFY2(doneAt >= 550 && doneAt <= 1000, qPrintable(QString::number(doneAt)));
    QTest::qWait(150);
    QCOMPARE(done.count(), 1);
    QCOMPARE(active.count(), 2);
    QVERIFY(!widget.Active());
    QCOMPARE(widget.Progress(), 1.0);
    QVERIFY(ShowsTheToPicture(Shown(widget)));
    // Frames at display rate rather than at Interval (100 ms)...
    QVERIFY2(samples.size() >= 10, qPrintable(QString::number(samples.size())));
    // ...following the eased time: OutCubic is far ahead at the middle.
    double atMiddle = -1;
    for (const auto& [ms, progress] : samples)
      if (ms <= 320) atMiddle = progress;
    QVERIFY2(atMiddle > 0.6 && atMiddle < 1.0, qPrintable(QString::number(atMiddle)));
    for (std::size_t i = 1; i < samples.size(); ++i) QVERIFY(samples[i].second >= samples[i - 1].second);
  }

  // The worker thread paces a timed run too (run under ThreadSanitizer).
  void theThreadedDriverPacesATimedRun() {
    TweeneryWidget widget;
    SetUp(widget, TweeneryWidget::toRandomBars);
    widget.setUseThread(true);
    widget.setInterval(5);
    widget.setDuration(300);
    QSignalSpy done(&widget, &TweeneryWidget::done);
    for (int run = 0; run < 3; ++run) {
      QElapsedTimer clock;
      clock.start();
      widget.play();
      QTRY_COMPARE_WITH_TIMEOUT(done.count(), run + 1, 10000);
      QVERIFY2(clock.elapsed() >= 290, qPrintable(QString::number(clock.elapsed())));
      QVERIFY(ShowsTheToPicture(Shown(widget)));
    }
    // Stopped halfway, then played to its end.
    widget.setOperation(TweeneryWidget::toFade);
    widget.play();
    QTest::qWait(100);
    widget.stop();
    QVERIFY(!widget.Active());
    const double stoppedAt = widget.Progress();
    QVERIFY2(stoppedAt > 0 && stoppedAt < 1, qPrintable(QString::number(stoppedAt)));
    QTest::qWait(300);
    QCOMPARE(widget.Progress(), stoppedAt);
    QCOMPARE(done.count(), 3);
  }

  void pausingHaltsTheClock() {
    TweeneryWidget widget;
    SetUp(widget);
    widget.setDuration(300);
    QSignalSpy done(&widget, &TweeneryWidget::done);
    QElapsedTimer clock;
    clock.start();
    widget.play();
    QTest::qWait(100);
    widget.pause();
    const double paused = widget.Progress();
    QTest::qWait(300);
    QCOMPARE(widget.Progress(), paused);
    QVERIFY(widget.Active());
    widget.resume();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
    QVERIFY2(clock.elapsed() >= 590, qPrintable(QString::number(clock.elapsed())));
  }

  // Duration 0 keeps the frame-by-frame playback: Interval and Steps.
  void durationZeroPlaysFrameByFrame() {
    TweeneryWidget widget;
    SetUp(widget);
    widget.setInterval(1);
    widget.setSteps(8);
    QSignalSpy frames(&widget, &TweeneryWidget::currentFrameChanged);
    QSignalSpy done(&widget, &TweeneryWidget::done);
    widget.play();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
    // Set up at -1, then by 8 up to the first frame past 64: 7, 15, ..., 71.
    QCOMPARE(widget.CurrentFrame(), 71);
    QCOMPARE(frames.count(), 1 + 9);
    QCOMPARE(widget.Progress(), 1.0);
  }

  void progressHalfShowsAFrameUnlikeBothPictures() {
    TweeneryWidget widget;
    SetUp(widget);
    widget.show();
    QSignalSpy progress(&widget, &TweeneryWidget::progressChanged);
    widget.setProgress(0.5);
    QCOMPARE(progress.count(), 1);
    QCOMPARE(widget.Progress(), 0.5);
    QCOMPARE(widget.CurrentFrame(), widget.Timeline()->FrameCount() / 2);
    QVERIFY(!widget.Active());
    const QImage shown = Shown(widget);
    shown.save(QDir::tempPath() + "/tweenery-widget-progress-half.png");
    const TCount count = Count(shown);
    QVERIFY(count.From > kW * kH / 4 && count.To > kW * kH / 4);
    QCOMPARE(count.From + count.To, kW * kH);
    // Reading it back through the property system.
    QCOMPARE(widget.property("Progress").toDouble(), 0.5);
    widget.setProperty("Progress", 1.0);
    QVERIFY(ShowsTheToPicture(Shown(widget)));
    QCOMPARE(widget.property("Progress").toDouble(), 1.0);
    widget.setProperty("Progress", 0.0);
    QCOMPARE(Count(Shown(widget)).From, kW * kH);
  }

  void aPropertyAnimationOnProgressRunsIt() {
    TweeneryWidget widget;
    SetUp(widget, TweeneryWidget::toBlinds);
    widget.setDelta(32);
    widget.show();
    std::set<int> frames;
    connect(&widget, &TweeneryWidget::currentFrameChanged, this, [&] { frames.insert(widget.CurrentFrame()); });
    QPropertyAnimation animation(&widget, "Progress");
    animation.setStartValue(0.0);
    animation.setEndValue(1.0);
    animation.setDuration(300);
    QSignalSpy finished(&animation, &QAbstractAnimation::finished);
    QSignalSpy done(&widget, &TweeneryWidget::done);
    animation.start();
    QTest::qWait(150);
    const TCount middle = Count(Shown(widget));
    QVERIFY(middle.From > 0 && middle.To > 0);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
    QCOMPARE(widget.Progress(), 1.0);
    QVERIFY(ShowsTheToPicture(Shown(widget)));
    QVERIFY2(frames.size() >= 5, qPrintable(QString::number(frames.size())));
    QCOMPARE(done.count(), 0);  // no run: the animation drove it
    QVERIFY(!widget.Active());
  }

  void animationGroupsAndVariantAnimationsDriveItToo() {
    TweeneryWidget widget;
    SetUp(widget, TweeneryWidget::toFade);
    // There and back again, in a sequential group with an eased half.
    QSequentialAnimationGroup group;
    auto* there = new QPropertyAnimation(&widget, "Progress");
    there->setEndValue(1.0);
    there->setDuration(120);
    there->setEasingCurve(QEasingCurve::InOutQuad);
    auto* back = new QPropertyAnimation(&widget, "Progress");
    back->setStartValue(1.0);
    back->setEndValue(0.25);
    back->setDuration(120);
    group.addAnimation(there);
    group.addAnimation(back);
    QSignalSpy finished(&group, &QAbstractAnimation::finished);
    group.start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
    QCOMPARE(widget.Progress(), 0.25);
    QVariantAnimation variant;
    variant.setStartValue(0.25);
    variant.setEndValue(0.75);
    variant.setDuration(100);
    connect(&variant, &QVariantAnimation::valueChanged, &widget,
            [&](const QVariant& Value) { widget.setProgress(Value.toDouble()); });
    QSignalSpy variantFinished(&variant, &QAbstractAnimation::finished);
    variant.start();
    QTRY_COMPARE_WITH_TIMEOUT(variantFinished.count(), 1, 5000);
    QCOMPARE(widget.Progress(), 0.75);
  }

  // The random operations go back by drawing again from the start.
  void progressGoesBackInTheRandomOperations_data() {
    QTest::addColumn<int>("operation");
    QTest::newRow("RandomBars") << int(TweeneryWidget::toRandomBars);
    QTest::newRow("TwinRandomBars") << int(TweeneryWidget::toTwinRandomBars);
    QTest::newRow("Swarm") << int(TweeneryWidget::toSwarm);
  }
  void progressGoesBackInTheRandomOperations() {
    QFETCH(int, operation);
    TweeneryWidget widget;
    SetUp(widget, TweeneryWidget::TTransitionOperation(operation));
    widget.show();
    widget.setProgress(0.7);
    const int at70 = Count(Shown(widget)).To;
    widget.setProgress(0.2);
    const int at20 = Count(Shown(widget)).To;
    widget.setProgress(0.5);
    const int at50 = Count(Shown(widget)).To;
    QVERIFY2(at20 < at50 && at50 < at70, qPrintable(QStringLiteral("%1 %2 %3").arg(at20).arg(at50).arg(at70)));
    widget.setProgress(1.0);
    QVERIFY(ShowsTheToPicture(Shown(widget)));
    widget.setProgress(0.0);
    QVERIFY(Count(Shown(widget)).From > kW * kH / 2);
  }

  // Progress written during a run moves the run; its end completes it.
  void progressDuringARunMovesIt() {
    TweeneryWidget widget;
    SetUp(widget);
    widget.setInterval(10000);  // no tick comes in time
    QSignalSpy done(&widget, &TweeneryWidget::done);
    widget.play();
    widget.setProgress(0.5);
    QVERIFY(widget.Active());
    QCOMPARE(widget.Progress(), 0.5);
    widget.setProgress(1.0);
    QVERIFY(!widget.Active());
    QCOMPARE(done.count(), 1);
  }

  // Progress written before the pictures (as uic's code does) waits for them.
  void progressBeforeThePicturesWaitsForThem() {
    TweeneryWidget widget;
    widget.resize(kW, kH);
    QSignalSpy errors(&widget, &TweeneryWidget::errorOccurred);
    widget.setProgress(0.5);
    QCOMPARE(widget.Progress(), 0.5);
    QCOMPARE(widget.CurrentFrame(), 0);
    widget.setFromBitmap(CodedImage(kW, kH, kFromTag));
    QCOMPARE(widget.CurrentFrame(), 0);
    widget.setToBitmap(CodedImage(kW, kH, kToTag));
    QCOMPARE(widget.CurrentFrame(), widget.Timeline()->FrameCount() / 2);
    QCOMPARE(widget.Progress(), 0.5);
    const TCount count = Count(Shown(widget));
    QVERIFY(count.From > 0 && count.To > 0);
    // Once shown it waits no more.
    widget.setToBitmap(QImage());
    widget.setToBitmap(CodedImage(kW, kH, kToTag));
    widget.setCurrentFrame(3);
    QCOMPARE(widget.CurrentFrame(), 3);
    QCOMPARE(errors.count(), 0);
  }

  void aTimedRunWithoutPicturesEndsAfterItsDuration() {
    TweeneryWidget widget;
    widget.setDuration(100);
    QSignalSpy done(&widget, &TweeneryWidget::done);
    QElapsedTimer clock;
    clock.start();
    widget.play();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
    QVERIFY(clock.elapsed() >= 95);
  }

  // Screenshots of the widget mid-transition, for a person to look at.
  void screenshotsMidTransition() {
    TweeneryWidget widget;
    widget.resize(160, 100);
    widget.setFromImageFile(QStringLiteral(TWEENERY_TEST_DATA "/baseline.jpg"));
    widget.setToImageFile(QStringLiteral(TWEENERY_TEST_DATA "/rgb24-v3.bmp"));
    widget.setStretch(true);
    widget.setMaintainAspectRatio(false);
    widget.show();
    for (const auto& [operation, name] : {std::pair{TweeneryWidget::toRoll, "roll"},
                                          std::pair{TweeneryWidget::toRandomBars, "randombars"},
                                          std::pair{TweeneryWidget::toStripedIris, "stripediris"}}) {
      widget.setOperation(operation);
      widget.setProgress(0.4);
      const QImage shown = Shown(widget);
      QVERIFY(shown.save(QDir::tempPath() + QStringLiteral("/tweenery-widget-%1-40.png").arg(QLatin1String(name))));
    }
  }
};

QTEST_MAIN(TweeneryWidgetTimingTests)
#include "TweeneryWidgetTimingTests.moc"
