// The stacked widget's page changes as a user and a program see them: the
// component's frames while a transition plays, the new page at its end, the
// current index all along, one transitionFinished per change, the cases that
// switch at once, a switch that interrupts one, input held off, a resize.
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "StackedPages.h"

using namespace tweenery;
using namespace tweenery::test;

namespace {

constexpr int kW = 96, kH = 64;

// A shown stack of coded pages, the first one current.
struct TShownStack {
  explicit TShownStack(int Pages) {
    for (int i = 0; i < Pages; ++i) Stack.addWidget(new TCodedPage(std::uint32_t(i + 1)));
    Stack.resize(kW, kH);
    Stack.show();
    if (!QTest::qWaitForWindowExposed(&Stack)) qFatal("the stack was never exposed");
  }
  TweeneryStackedWidget Stack;
};

}  // namespace

class TweeneryStackedWidgetTests : public QObject {
  Q_OBJECT

 private slots:
  void theFramesAreTheComponentsAndTheEndIsTheNewPage() {
    TShownStack shown(2);
    TweeneryStackedWidget& stack = shown.Stack;
    QSignalSpy finished(&stack, &TweeneryStackedWidget::transitionFinished);
    const QImage from = PageGrab(stack.widget(0));

    stack.setCurrentIndex(1);
    QCOMPARE(stack.currentIndex(), 1);
    // A page the stack never showed has its size from the switch on.
    const QImage to = PageGrab(stack.widget(1));
    QVERIFY(stack.InTransition());
    QCOMPARE(finished.count(), 0);

    // Half the time, eased by OutCubic: 87.5 % of the way.
    HoldAt(stack, 200);
    const QImage half = ShownPages(stack);
    QVERIFY(half != from);
    QVERIFY(half != to);
    QCOMPARE(half, ComponentFrame(from, to, stack.TransitionSettings(), 0.875));
    QCOMPARE(stack.currentIndex(), 1);

    Clock(stack)->setCurrentTime(400);
    QVERIFY(!stack.InTransition());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 1);
    QCOMPARE(ShownPages(stack), to);
    QCOMPARE(stack.currentIndex(), 1);
  }

  void aRunningClockReachesTheNewPageOnItsOwn() {
    TShownStack shown(2);
    TweeneryStackedWidget& stack = shown.Stack;
    stack.setOperation(TweeneryWidget::toFade);
    stack.setDuration(60);
    QSignalSpy finished(&stack, &TweeneryStackedWidget::transitionFinished);
    stack.setCurrentWidget(stack.widget(1));
    QVERIFY(finished.wait(10000));
    QTest::qWait(50);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 1);
    QCOMPARE(ShownPages(stack), PageGrab(stack.widget(1)));
  }

  void theEasingCurveSetsTheFrameOfEachMoment_data() {
    QTest::addColumn<int>("Operation");
    QTest::addColumn<QEasingCurve>("Curve");
    QTest::addColumn<int>("Time");
    QTest::newRow("Blinds, linear, a quarter") << int(TweeneryWidget::toBlinds) << QEasingCurve(QEasingCurve::Linear) << 100;
    QTest::newRow("Fade, in-out quad, a third") << int(TweeneryWidget::toFade) << QEasingCurve(QEasingCurve::InOutQuad) << 133;
    QTest::newRow("Swarm, out-back, past the end") << int(TweeneryWidget::toSwarm) << QEasingCurve(QEasingCurve::OutBack) << 300;
    QTest::newRow("Roll, in-cubic, the start") << int(TweeneryWidget::toRoll) << QEasingCurve(QEasingCurve::InCubic) << 0;
  }

  void theEasingCurveSetsTheFrameOfEachMoment() {
    QFETCH(int, Operation);
    QFETCH(QEasingCurve, Curve);
    QFETCH(int, Time);
    TShownStack shown(2);
    TweeneryStackedWidget& stack = shown.Stack;
    stack.setOperation(TweeneryWidget::TTransitionOperation(Operation));
    stack.setModifier(TweeneryWidget::tmDown);
    stack.setDelta(4);
    stack.setEasingCurve(Curve);
    stack.setColor(Qt::red);
    const QImage from = PageGrab(stack.widget(0));
    stack.setCurrentIndex(1);
    const QImage to = PageGrab(stack.widget(1));
    HoldAt(stack, Time);
    QCOMPARE(ShownPages(stack), ComponentFrame(from, to, stack.TransitionSettings(), Curve.valueForProgress(Time / 400.0)));
  }

  void aPageChangeSwitchesAtOnceWhenNothingCanPlay_data() {
    QTest::addColumn<QString>("Case");
    QTest::newRow("Duration 0") << QStringLiteral("duration");
    QTest::newRow("hidden stack") << QStringLiteral("hidden");
    QTest::newRow("designing") << QStringLiteral("designing");
    QTest::newRow("the leaving page removed") << QStringLiteral("removed");
  }

  void aPageChangeSwitchesAtOnceWhenNothingCanPlay() {
    QFETCH(QString, Case);
    TShownStack shown(3);
    TweeneryStackedWidget& stack = shown.Stack;
    QSignalSpy finished(&stack, &TweeneryStackedWidget::transitionFinished);
    if (Case == QLatin1String("duration")) stack.setDuration(0);
    if (Case == QLatin1String("hidden")) stack.hide();
    if (Case == QLatin1String("designing")) stack.SetDesigning(true);
    if (Case == QLatin1String("removed")) {
      // The current page leaves the stack: the next one takes its place at once.
      std::unique_ptr<QWidget> removed(stack.widget(0));
      stack.removeWidget(removed.get());
      QCOMPARE(stack.currentIndex(), 0);
    } else {
      stack.setCurrentIndex(2);
      QCOMPARE(stack.currentIndex(), 2);
    }
    QVERIFY(!stack.InTransition());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), stack.currentIndex());
    if (Case != QLatin1String("hidden")) QCOMPARE(ShownPages(stack), PageGrab(stack.currentWidget()));
  }

  void aStackOfOnePageShowsItAtOnce() {
    TweeneryStackedWidget stack;
    stack.resize(kW, kH);
    stack.show();
    QVERIFY(QTest::qWaitForWindowExposed(&stack));
    QSignalSpy finished(&stack, &TweeneryStackedWidget::transitionFinished);
    stack.addWidget(new TCodedPage(1));
    QCOMPARE(stack.currentIndex(), 0);
    QVERIFY(!stack.InTransition());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 0);
    QCOMPARE(ShownPages(stack), PageGrab(stack.widget(0)));
  }

  void aSecondSwitchStartsFromTheScreen() {
    TShownStack shown(3);
    TweeneryStackedWidget& stack = shown.Stack;
    stack.setOperation(TweeneryWidget::toFade);
    QSignalSpy finished(&stack, &TweeneryStackedWidget::transitionFinished);
    stack.setCurrentIndex(1);
    HoldAt(stack, 100);
    const QImage screen = ShownPages(stack);
    QVERIFY(screen != PageGrab(stack.widget(0)) && screen != PageGrab(stack.widget(1)));

    stack.setCurrentIndex(2);
    QCOMPARE(stack.currentIndex(), 2);
    QVERIFY(stack.InTransition());
    HoldAt(stack, 200);
    QCOMPARE(ShownPages(stack), ComponentFrame(screen, PageGrab(stack.widget(2)), stack.TransitionSettings(), 0.875));
    QCOMPARE(finished.count(), 0);  // the interrupted change has none

    Clock(stack)->setCurrentTime(400);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 2);
    QCOMPARE(ShownPages(stack), PageGrab(stack.widget(2)));
  }

  void theNewPageGetsNoInputUntilTheEnd() {
    TShownStack shown(1);
    TweeneryStackedWidget& stack = shown.Stack;
    auto* page = new QWidget;
    auto* button = new QPushButton(QStringLiteral("&Go"), page);
    button->setGeometry(10, 10, 60, 30);
    stack.addWidget(page);
    QSignalSpy clicks(button, &QPushButton::clicked);
    stack.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&stack));

    stack.setCurrentIndex(1);
    HoldAt(stack, 200);
    button->setFocus();
    QWindow* window = stack.windowHandle();
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(30, 20));
    QTest::keyClick(window, Qt::Key_Space);
    QTest::keyClick(window, Qt::Key_G, Qt::AltModifier);
    QCOMPARE(clicks.count(), 0);

    stack.finishTransition();
    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(30, 20));
    QCOMPARE(clicks.count(), 1);
    QTest::keyClick(window, Qt::Key_Space);
    QCOMPARE(clicks.count(), 2);
  }

  void aResizeMidWayShowsTheNewPageAtOnce() {
    TShownStack shown(2);
    TweeneryStackedWidget& stack = shown.Stack;
    QSignalSpy finished(&stack, &TweeneryStackedWidget::transitionFinished);
    stack.setCurrentIndex(1);
    HoldAt(stack, 200);
    (void)ShownPages(stack);
    stack.resize(kW * 2 + 1, kH + 7);
    QVERIFY(!stack.InTransition());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 1);
    QCOMPARE(ShownPages(stack).size(), QSize(kW * 2 + 1, kH + 7));
    QCOMPARE(ShownPages(stack), PageGrab(stack.widget(1)));
    // The next change plays at the new size.
    stack.setCurrentIndex(0);
    QVERIFY(stack.InTransition());
    HoldAt(stack, 200);
    QCOMPARE(ShownPages(stack).size(), QSize(kW * 2 + 1, kH + 7));
  }

  void thePropertiesKeepTheirValuesAndSignalChanges() {
    TweeneryStackedWidget stack;
    QCOMPARE(stack.Duration(), 400);
    QCOMPARE(stack.EasingCurve().type(), QEasingCurve::OutCubic);
    QVERIFY(!stack.Color().isValid());
    QVERIFY(!stack.TransitionSettings().Color);
    QSignalSpy operation(&stack, &TweeneryStackedWidget::operationChanged);
    QVERIFY(stack.setProperty("Operation", QStringLiteral("toRoll")));
    QCOMPARE(stack.Operation(), TweeneryWidget::toRoll);
    stack.setProperty("Operation", 99);  // outside the enumeration: refused
    QCOMPARE(stack.Operation(), TweeneryWidget::toRoll);
    QCOMPARE(operation.count(), 1);
    stack.setProperty("Modifier", -1);
    QCOMPARE(stack.Modifier(), TweeneryWidget::tmLeft);
    stack.setDuration(-5);
    QCOMPARE(stack.Duration(), 0);
    stack.setColor(QColor(1, 2, 3));
    QCOMPARE(*stack.TransitionSettings().Color, TColor(0x030201));
    const QMetaObject* meta = stack.metaObject();
    const QMetaProperty property = meta->property(meta->indexOfProperty("Operation"));
    QVERIFY(property.isEnumType());
    QCOMPARE(property.enumerator().scope(), "tweenery::TweeneryWidget");
    QVERIFY(property.hasNotifySignal() && property.isResettable());
  }
};

QTEST_MAIN(TweeneryStackedWidgetTests)
#include "TweeneryStackedWidgetTests.moc"
