// A form as Designer saves it, with a TTweenery, both image files and
// enumerations (Operation in the class-qualified spelling Designer writes,
// Modifier as a bare key, which hand-written forms use), compiled by uic:
// it builds, sets them, shows the pictures and plays.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "platform/qt/QtPlatform.h"
#include "ui_TweeneryForm.h"
#include "ui_TweeneryTimedForm.h"

using namespace tweenery;

class UiFormTests : public QObject {
  Q_OBJECT
  std::unique_ptr<TQtPlatform> FPlatform;

 private slots:
  void initTestCase() { FPlatform = std::make_unique<TQtPlatform>(); }
  void cleanupTestCase() { FPlatform.reset(); }

  void theFormShowsThePicturesItNames() {
    QWidget form;
    Ui::TweeneryForm ui;
    ui.setupUi(&form);
    TweeneryWidget* tweenery = ui.Tweenery;
    QCOMPARE(tweenery->objectName(), QStringLiteral("Tweenery"));
    QCOMPARE(tweenery->geometry(), QRect(8, 8, 65, 65));
    QVERIFY(tweenery->FromImageFile().endsWith(QStringLiteral("/rgb24-v3.bmp")));
    QVERIFY(tweenery->ToImageFile().endsWith(QStringLiteral("/baseline.jpg")));
    QCOMPARE(tweenery->Operation(), TweeneryWidget::toFade);
    QCOMPARE(tweenery->Tweenery()->Operation(), ::tweenery::toFade);
    QCOMPARE(tweenery->Modifier(), TweeneryWidget::tmDown);
    QCOMPARE(tweenery->Interval(), 10u);
    const QImage from = tweenery->FromBitmap().convertToFormat(QImage::Format_RGB32);
    const QImage to = tweenery->ToBitmap().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(from.size(), QSize(37, 23));
    QCOMPARE(to.size(), QSize(37, 23));  // fitted to the From picture

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QImage shown = tweenery->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (const QPoint p : {QPoint(0, 0), QPoint(18, 11), QPoint(36, 22)}) QCOMPARE(shown.pixel(p), from.pixel(p));

    QSignalSpy done(tweenery, &TweeneryWidget::done);
    tweenery->play();
    QVERIFY(done.wait(20000));
    const QImage last = tweenery->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (const QPoint p : {QPoint(0, 0), QPoint(18, 11), QPoint(36, 22)}) QCOMPARE(last.pixel(p), to.pixel(p));
  }

  // Duration, the easing (stored as its type) and Progress, compiled by
  // uic: the form opens mid-transition and plays in its Duration.
  void theTimedFormOpensMidTransitionAndPlaysInItsDuration() {
    QWidget form;
    Ui::TweeneryTimedForm ui;
    ui.setupUi(&form);
    TweeneryWidget* tweenery = ui.Tweenery;
    QCOMPARE(tweenery->Duration(), 300);
    QCOMPARE(tweenery->EasingCurve().type(), QEasingCurve::OutCubic);
    QCOMPARE(tweenery->Progress(), 0.5);
    QCOMPARE(tweenery->sizeHint(), QSize(37, 23));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QImage from = tweenery->FromBitmap().convertToFormat(QImage::Format_RGB32);
    const QImage to = tweenery->ToBitmap().convertToFormat(QImage::Format_RGB32);
    const QImage shown = tweenery->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QVERIFY(shown != from && shown != to);

    QSignalSpy done(tweenery, &TweeneryWidget::done);
    QElapsedTimer clock;
    clock.start();
    tweenery->play();
    QVERIFY(done.wait(20000));
    QVERIFY(clock.elapsed() >= 280);
    QCOMPARE(tweenery->grab().toImage().convertToFormat(QImage::Format_RGB32), to);
  }
};

QTEST_MAIN(UiFormTests)
#include "UiFormTests.moc"
