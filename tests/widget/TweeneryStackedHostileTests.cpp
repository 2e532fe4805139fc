// Hostile values and calls on the stacked widget: every operation with
// Deltas at the ends of the int range, durations out of range, enumeration
// values that do not exist, a page too large to grab, indexes that are no
// page, and pages or the whole stack taken away while a transition plays.
// Nothing may crash, hang or leave the stack covered; each change of page
// ends with its page shown.
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>
#include <climits>
#include <memory>

#include "StackedPages.h"

using namespace tweenery;
using namespace tweenery::test;

namespace {

constexpr int kW = 40, kH = 30;

std::unique_ptr<TweeneryStackedWidget> ShownStack(int Pages, QWidget* Parent = nullptr) {
  auto stack = std::make_unique<TweeneryStackedWidget>(Parent);
  for (int i = 0; i < Pages; ++i) stack->addWidget(new TCodedPage(std::uint32_t(i + 1)));
  stack->resize(kW, kH);
  stack->show();
  return stack;
}

// A change of page, looked at half-way and at its end: what shows last is
// the new page, and one transitionFinished names it. Played counts the
// changes that played a transition.
void SwitchAndLook(TweeneryStackedWidget& Stack, int Index, int* Played = nullptr) {
  QSignalSpy finished(&Stack, &TweeneryStackedWidget::transitionFinished);
  Stack.setCurrentIndex(Index);
  QCOMPARE(Stack.currentIndex(), Index);
  if (Stack.InTransition()) {
    if (Played) ++*Played;
    HoldAt(Stack, Stack.Duration() / 2);
    (void)ShownPages(Stack);  // composes the frame of that moment
    Stack.finishTransition();
  }
  QVERIFY(!Stack.InTransition());
  QCOMPARE(finished.count(), 1);
  QCOMPARE(finished.at(0).at(0).toInt(), Index);
  QCOMPARE(ShownPages(Stack), PageGrab(Stack.currentWidget()));
}

}  // namespace

class TweeneryStackedHostileTests : public QObject {
  Q_OBJECT

 private slots:
  void everyOperationWithDeltasAtTheRangeEnds() {
    auto stack = ShownStack(2);
    QVERIFY(QTest::qWaitForWindowExposed(stack.get()));
    int played = 0, changes = 0;
    for (int operation = 0; operation < TransitionOperationCount; ++operation) {
      for (const int delta : {INT_MIN, -1, 0, 1, 7, 100000, INT_MAX}) {
        for (const bool reverse : {false, true}) {
          stack->setOperation(TweeneryWidget::TTransitionOperation(operation));
          stack->setDelta(delta);
          stack->setReverse(reverse);
          stack->setModifier(TweeneryWidget::TTransitionModifier((operation + (delta & 3)) & 3));
          SwitchAndLook(*stack, 1 - stack->currentIndex(), &played);
          ++changes;
          if (QTest::currentTestFailed()) {
            qWarning("operation %d, Delta %d, reverse %d", operation, delta, int(reverse));
            return;
          }
        }
      }
    }
    // Most of them play (a run whose effect never ends runs to the top of
    // the frame range); any that cannot be set up switch at once.
    qInfo("%d of %d changes played", played, changes);
    QVERIFY(played > changes / 2);
  }

  void valuesOutsideTheirRangeAreRefusedOrBounded() {
    auto stack = ShownStack(2);
    QVERIFY(QTest::qWaitForWindowExposed(stack.get()));
    for (const int value : {-1, 28, 255, INT_MAX, INT_MIN}) {
      stack->setProperty("Operation", value);
      stack->setProperty("Modifier", value);
    }
    QCOMPARE(stack->Operation(), TweeneryWidget::toPush);
    QCOMPARE(stack->Modifier(), TweeneryWidget::tmLeft);
    // The enumerations are TweeneryWidget's, which takes such values too.
    TweeneryWidget tweenery;
    for (const int value : {-1, 28, INT_MAX}) tweenery.setProperty("Operation", value);
    QCOMPARE(tweenery.Operation(), TweeneryWidget::toPush);
    stack->setDuration(INT_MIN);
    QCOMPARE(stack->Duration(), 0);
    SwitchAndLook(*stack, 1);
    stack->setDuration(INT_MAX);
    SwitchAndLook(*stack, 0);
    stack->setEasingCurve(QEasingCurve(QEasingCurve::OutElastic));
    stack->setColor(QColor::fromRgb(0xFFFFFFFFu));
    SwitchAndLook(*stack, 1);
  }

  void indexesThatAreNoPageChangeNothing() {
    auto stack = ShownStack(2);
    QSignalSpy finished(stack.get(), &TweeneryStackedWidget::transitionFinished);
    for (const int index : {-1, 2, INT_MAX, INT_MIN}) stack->setCurrentIndex(index);
    stack->setCurrentWidget(nullptr);
    QCOMPARE(stack->currentIndex(), 0);
    QCOMPARE(finished.count(), 0);
    QVERIFY(!stack->InTransition());
  }

  void aPageTooLargeToGrabSwitchesAtOnce() {
    // The window stays small; the stack inside it is 16385 pixels square.
    QWidget window;
    window.resize(kW, kH);
    auto stack = ShownStack(2, &window);
    stack->resize(16385, 16385);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy finished(stack.get(), &TweeneryStackedWidget::transitionFinished);
    stack->setCurrentIndex(1);
    QVERIFY(!stack->InTransition());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(stack->currentIndex(), 1);
  }

  void pagesTakenAwayMidWay() {
    auto stack = ShownStack(4);
    QVERIFY(QTest::qWaitForWindowExposed(stack.get()));
    QSignalSpy finished(stack.get(), &TweeneryStackedWidget::transitionFinished);

    // The entering page removed: the page after it enters, from the screen.
    stack->setCurrentIndex(1);
    HoldAt(*stack, 150);
    (void)ShownPages(*stack);
    std::unique_ptr<QWidget> removed(stack->widget(1));
    stack->removeWidget(removed.get());
    QCOMPARE(stack->currentIndex(), 1);
    QVERIFY(stack->InTransition());
    HoldAt(*stack, 100);
    (void)ShownPages(*stack);

    // The entering page deleted.
    delete stack->currentWidget();
    QCOMPARE(stack->count(), 2);
    QVERIFY(stack->InTransition());
    (void)ShownPages(*stack);

    // Every page gone.
    while (stack->count() > 0) delete stack->widget(0);
    QCOMPARE(stack->currentIndex(), -1);
    QVERIFY(!stack->InTransition());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), -1);
    (void)ShownPages(*stack);
  }

  void theStackDeletedMidWay() {
    auto stack = ShownStack(3);
    QVERIFY(QTest::qWaitForWindowExposed(stack.get()));
    QPointer<QWidget> page = stack->widget(2);
    stack->setCurrentIndex(1);
    (void)ShownPages(*stack);
    stack->setDuration(10);
    stack->setCurrentIndex(2);
    stack.reset();
    QVERIFY(page.isNull());
    // The clock's time passes with nobody left to paint.
    QTest::qWait(50);
  }
};

QTEST_MAIN(TweeneryStackedHostileTests)
#include "TweeneryStackedHostileTests.moc"
