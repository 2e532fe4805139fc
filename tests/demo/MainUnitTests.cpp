// The demonstration dialog driven through real key and mouse events on its
// controls, found by their names.
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "demo/MainUnit.h"
#include "demo/W95Color.h"
#include "platform/qt/QtPlatform.h"
#include "widget/TweeneryWidget.h"

using namespace tweenery;

class MainUnitTests : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TQtPlatform> FPlatform;
  std::unique_ptr<TMainForm> FForm;

  template <typename T>
  T* Control(const char* Name) {
    T* control = FForm->findChild<T*>(QString::fromLatin1(Name));
    if (!control) qFatal("no control %s", Name);
    return control;
  }
  QRadioButton* OperationItem(const char* Text) {
    for (int i = 0; i < OperationItemCount; ++i)
      if (QLatin1String(OperationItemText(i)) == QLatin1String(Text))
        return Control<QRadioButton>(qPrintable(QStringLiteral("RadioGroupItem%1").arg(i)));
    qFatal("no item %s", Text);
  }
  // A click on the item's round button, where a radio item takes clicks.
  static void ClickItem(QAbstractButton* Item) {
    QTest::mouseClick(Item, Qt::LeftButton, Qt::NoModifier, QPoint(8, Item->height() / 2));
  }
  void Choose(const char* Text) {
    ClickItem(OperationItem(Text));
    QVERIFY(OperationItem(Text)->isChecked());
  }
  // Replaces an edit's text by typing, as a user would.
  void TypeInto(QLineEdit* Edit, const QString& Text) {
    Edit->setFocus();
    QTest::keyClick(Edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Edit, Qt::Key_Backspace);
    QTest::keyClicks(Edit, Text);
  }
  QPushButton* Play() { return Control<QPushButton>("ActivateButton"); }
  QPushButton* Pause() { return Control<QPushButton>("PauseButton"); }
  bool ChoiceControlsEnabled() {
    return Control<QGroupBox>("RadioGroup")->isEnabled() && Control<QGroupBox>("RadioGroup1")->isEnabled() &&
           Control<QGroupBox>("GroupBox1")->isEnabled() && Control<QWidget>("Panel1")->isEnabled();
  }
  bool ChoiceControlsDisabled() {
    return !Control<QGroupBox>("RadioGroup")->isEnabled() && !Control<QGroupBox>("RadioGroup1")->isEnabled() &&
           !Control<QGroupBox>("GroupBox1")->isEnabled() && !Control<QWidget>("Panel1")->isEnabled();
  }

 private slots:
  void init() {
    FPlatform = std::make_unique<TQtPlatform>();
    FForm = std::make_unique<TMainForm>();
    FForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(FForm.get()));
  }
  void cleanup() {
    FForm.reset();
    FPlatform.reset();
  }

  void startsWithTheStoredComponentAndAnIdleDialog() {
    QCOMPARE(FForm->windowTitle(), QStringLiteral("TTweenery 4.1 Component Demonstration"));
    QCOMPARE(FForm->size(), QSize(568, 440));
    TTweenery* t = FForm->Tweenery();
    QCOMPARE(t->Operation(), toMonoSlider);
    QCOMPARE(t->Interval(), 10u);
    QCOMPARE(t->Steps(), 5);
    QCOMPARE(t->Delta(), 1);
    QVERIFY(t->UseThread());
    QCOMPARE(t->FromBitmap()->Width(), 422);
    QCOMPARE(t->FromBitmap()->Height(), 143);
    QCOMPARE(t->ToBitmap()->Width(), 422);
    // Loading the From picture gives Color its top-left pixel.
    QCOMPARE(t->Color(), PixelToColor(t->FromBitmap()->ScanLine(0)[0]));
    QCOMPARE(Control<QWidget>("Tweenery")->geometry(), QRect(8, 16, 422, 143));
    QCOMPARE(t->Width(), 422);
    QCOMPARE(t->Left(), 0);

    QVERIFY(OperationItem("MonoSlider")->isChecked());
    QVERIFY(Control<QRadioButton>("RadioGroup1Item0")->isChecked());
    QCOMPARE(Control<QLineEdit>("IntervalEdit")->text(), QStringLiteral("10"));
    QCOMPARE(Control<QLineEdit>("StepsEdit")->text(), QStringLiteral("5"));
    QCOMPARE(Control<QLineEdit>("DeltaEdit")->text(), QStringLiteral("1"));
    QVERIFY(Control<QCheckBox>("ReversibleCheckBox")->isChecked());
    QVERIFY(Control<QCheckBox>("UseThreadCheckBox")->isChecked());
    QVERIFY(!Control<QCheckBox>("ReverseCheckBox")->isChecked());
    QVERIFY(Control<TWin95ColorButton>("FadeColorButton")->isHidden());
    QVERIFY(Control<QComboBox>("RGBComboBox")->isHidden());
    QCOMPARE(Control<QComboBox>("RGBComboBox")->currentText(), QStringLiteral("RGB"));
    QCOMPARE(Play()->text(), QStringLiteral("Play"));
    QVERIFY(!Pause()->isEnabled());
    QVERIFY(ChoiceControlsEnabled());
  }

  void operationItemsFillThreeColumnsTopToBottom() {
    const QRadioButton* first = OperationItem("MonoSlider");
    const QRadioButton* second = OperationItem("Slider");
    const QRadioButton* eleventh = OperationItem("Iris");
    const QRadioButton* last = OperationItem("Roll");
    QCOMPARE(second->x(), first->x());
    QVERIFY(second->y() > first->y());
    QCOMPARE(eleventh->y(), first->y());
    QVERIFY(eleventh->x() > first->x());
    QVERIFY(last->x() > eleventh->x());
    // The colour button and the channel list sit on their items' rows.
    const QWidget* group = Control<QWidget>("GroupBox");
    const QRect fade(OperationItem("Fade")->mapTo(group, QPoint(0, 0)), OperationItem("Fade")->size());
    const QRect rgb(OperationItem("RGB")->mapTo(group, QPoint(0, 0)), OperationItem("RGB")->size());
    QVERIFY(fade.intersects(Control<QWidget>("FadeColorButton")->geometry()));
    QVERIFY(rgb.intersects(Control<QWidget>("RGBComboBox")->geometry()));
  }

  void editsTakeDigitsAndBackspaceOnly() {
    TTweenery* t = FForm->Tweenery();
    for (const char* name : {"IntervalEdit", "StepsEdit", "DeltaEdit"}) {
      auto* edit = Control<QLineEdit>(name);
      const QString before = edit->text();
      edit->setFocus();
      QTest::keyClick(edit, Qt::Key_End);
      QTest::keyClicks(edit, QStringLiteral("x-+ ."));
      QCOMPARE(edit->text(), before);
      QTest::keyClicks(edit, QStringLiteral("7"));
      QCOMPARE(edit->text(), before + QLatin1Char('7'));
      QTest::keyClick(edit, Qt::Key_Backspace);
      QCOMPARE(edit->text(), before);
    }
    TypeInto(Control<QLineEdit>("IntervalEdit"), QStringLiteral("25"));
    TypeInto(Control<QLineEdit>("StepsEdit"), QStringLiteral("3"));
    TypeInto(Control<QLineEdit>("DeltaEdit"), QStringLiteral("4"));
    QCOMPARE(t->Interval(), 25u);
    QCOMPARE(t->Steps(), 3);
    QCOMPARE(t->Delta(), 4);
  }

  void anEmptiedOrOverlongEditLeavesTheValue() {
    TTweenery* t = FForm->Tweenery();
    auto* interval = Control<QLineEdit>("IntervalEdit");
    TypeInto(interval, QString());
    QVERIFY(interval->text().isEmpty());
    QCOMPARE(t->Interval(), 10u);
    // Typed digit by digit, the last number that fits stays; the ones past
    // the range of Steps are ignored instead of wrapping.
    TypeInto(Control<QLineEdit>("StepsEdit"), QStringLiteral("99999999999"));
    QCOMPARE(t->Steps(), 999999999);
  }

  void choosingAnOperationShowsItsControlsAndAppliesItsPreset() {
    TTweenery* t = FForm->Tweenery();
    Choose("Fade");
    QCOMPARE(t->Operation(), toFade);
    QVERIFY(Control<TWin95ColorButton>("FadeColorButton")->isVisible());
    QVERIFY(Control<QComboBox>("RGBComboBox")->isHidden());
    QVERIFY(!Control<QLineEdit>("DeltaEdit")->isEnabled());
    QVERIFY(!Control<QLabel>("Label3")->isEnabled());

    Choose("RGB");
    QVERIFY(Control<QComboBox>("RGBComboBox")->isVisible());
    QVERIFY(Control<TWin95ColorButton>("FadeColorButton")->isHidden());
    Choose("RGBBlend");
    QVERIFY(Control<QComboBox>("RGBComboBox")->isVisible());

    Control<QCheckBox>("ReverseCheckBox")->click();
    QVERIFY(t->Reverse());
    Choose("Blinds");
    QCOMPARE(Control<QLineEdit>("IntervalEdit")->text(), QStringLiteral("50"));
    QCOMPARE(Control<QLineEdit>("StepsEdit")->text(), QStringLiteral("1"));
    QCOMPARE(Control<QLineEdit>("DeltaEdit")->text(), QStringLiteral("15"));
    QCOMPARE(t->Interval(), 50u);
    QCOMPARE(t->Steps(), 1);
    QCOMPARE(t->Delta(), 15);
    QVERIFY(Control<QLineEdit>("DeltaEdit")->isEnabled());
    QVERIFY(!Control<QCheckBox>("ReversibleCheckBox")->isChecked());
    QVERIFY(!Control<QCheckBox>("ReverseCheckBox")->isChecked());
    QVERIFY(!t->Reverse());

    // An operation without a Delta of its own keeps the one set before.
    Choose("Push");
    QCOMPARE(t->Delta(), 15);
    QCOMPARE(Control<QLineEdit>("DeltaEdit")->text(), QStringLiteral("15"));
    QCOMPARE(t->Steps(), 10);
    QVERIFY(Control<QCheckBox>("ReversibleCheckBox")->isChecked());
  }

  void presetsFollowTheTable() {
    struct Row { const char* Item; std::uint32_t Interval; int Steps; int Delta; bool Reversible; };
    const Row rows[] = {
        {"Slider", 10, 3, 1, true},        {"Checkerboard", 200, 1, 1, false},
        {"Iris", 10, 1, 1, false},         {"Zoom", 10, 2, 1, true},
        {"Mosaic", 100, 1, 6, false},      {"RGB", 1000, 1, 1, true},
        {"Spiral", 10, 1, 7, false},       {"CheckerBlinds", 50, 1, 5, true},
        {"Swarm", 10, 10, 15, false},      {"StripedIris", 10, 2, 1, false},
        {"Roll", 10, 2, 10, false},        {"Shade", 10, 2, 10, true},
        {"RandomBars", 10, 10, 10, false},
    };
    for (const Row& row : rows) {
      Choose(row.Item);
      QCOMPARE(FForm->Tweenery()->Interval(), row.Interval);
      QCOMPARE(FForm->Tweenery()->Steps(), row.Steps);
      QCOMPARE(FForm->Tweenery()->Delta(), row.Delta);
      QCOMPARE(Control<QCheckBox>("ReversibleCheckBox")->isChecked(), row.Reversible);
    }
  }

  void modifierColourAndChannelReachTheComponent() {
    TTweenery* t = FForm->Tweenery();
    ClickItem(Control<QRadioButton>("RadioGroup1Item2"));
    QCOMPARE(t->Modifier(), tmUp);
    Choose("Fade");
    Control<TWin95ColorButton>("FadeColorButton")->SetColor(0x123456);
    QCOMPARE(t->Color(), 0x123456);
    Choose("RGB");
    auto* channels = Control<QComboBox>("RGBComboBox");
    channels->setFocus();
    QTest::keyClick(channels, Qt::Key_Down);  // a closed list steps to the next entry
    QCOMPARE(channels->currentIndex(), 1);
    QCOMPARE(t->RGBOrder(), coRBG);
    QTest::mouseClick(Control<QCheckBox>("UseThreadCheckBox"), Qt::LeftButton);
    QVERIFY(!t->UseThread());
  }

  void playStopPauseResumeRelabelAndEnable() {
    TTweenery* t = FForm->Tweenery();
    Choose("Spiral");  // long enough to be caught playing
    for (bool thread : {true, false}) {
      if (Control<QCheckBox>("UseThreadCheckBox")->isChecked() != thread)
        QTest::mouseClick(Control<QCheckBox>("UseThreadCheckBox"), Qt::LeftButton);
      QTest::mouseClick(Play(), Qt::LeftButton);
      QCOMPARE(Play()->text(), QStringLiteral("Stop"));
      QVERIFY(t->Active());
      QVERIFY(Pause()->isEnabled());
      QCOMPARE(Pause()->text(), QStringLiteral("Pause"));
      QVERIFY(ChoiceControlsDisabled());

      QTest::mouseClick(Pause(), Qt::LeftButton);
      QCOMPARE(Pause()->text(), QStringLiteral("Resume"));
      QVERIFY(t->Paused());
      const std::int32_t frame = t->CurrentFrame();
      QTest::qWait(50);
      QCOMPARE(t->CurrentFrame(), frame);
      QTest::mouseClick(Pause(), Qt::LeftButton);
      QCOMPARE(Pause()->text(), QStringLiteral("Pause"));
      QVERIFY(!t->Paused());
      QTRY_VERIFY_WITH_TIMEOUT(t->CurrentFrame() > frame, 5000);

      QTest::mouseClick(Play(), Qt::LeftButton);
      QCOMPARE(Play()->text(), QStringLiteral("Play"));
      QVERIFY(!t->Active());
      QVERIFY(!Pause()->isEnabled());
      QCOMPARE(Pause()->text(), QStringLiteral("Pause"));
      QVERIFY(ChoiceControlsEnabled());
    }
  }

  void reverseOnDoneWaitsASecondTogglesAndReplays() {
    TTweenery* t = FForm->Tweenery();
    Choose("Push");
    TypeInto(Control<QLineEdit>("IntervalEdit"), QStringLiteral("1"));
    TypeInto(Control<QLineEdit>("StepsEdit"), QStringLiteral("200"));
    QVERIFY(Control<QCheckBox>("ReversibleCheckBox")->isChecked());
    QSignalSpy done(FForm->TweeneryControl(), &TweeneryWidget::done);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(Play(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(Control<QCheckBox>("ReverseCheckBox")->isChecked(), 10000);
    // The handler slept a second before the replay started.
    QVERIFY(clock.elapsed() >= 950);
    QVERIFY(t->Reverse());
    QVERIFY(t->Active());
    QCOMPARE(Play()->text(), QStringLiteral("Stop"));
    QVERIFY(ChoiceControlsDisabled());
    QTRY_VERIFY_WITH_TIMEOUT(done.count() >= 2, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!Control<QCheckBox>("ReverseCheckBox")->isChecked(), 10000);
    QTest::mouseClick(Play(), Qt::LeftButton);
    QVERIFY(!t->Active());
  }

  void everyOperationPlaysToDoneWithBothDrivers() {
    TTweenery* t = FForm->Tweenery();
    QSignalSpy done(FForm->TweeneryControl(), &TweeneryWidget::done);
    int expected = 0;
    for (bool thread : {true, false}) {
      for (int item = 0; item < OperationItemCount; ++item) {
        const char* text = OperationItemText(item);
        Choose(text);
        // Fast and in few frames, so the whole sweep stays short.
        TypeInto(Control<QLineEdit>("IntervalEdit"), QStringLiteral("1"));
        TypeInto(Control<QLineEdit>("StepsEdit"), QStringLiteral("60"));
        if (Control<QCheckBox>("ReversibleCheckBox")->isChecked())
          QTest::mouseClick(Control<QCheckBox>("ReversibleCheckBox"), Qt::LeftButton);
        if (Control<QCheckBox>("UseThreadCheckBox")->isChecked() != thread)
          QTest::mouseClick(Control<QCheckBox>("UseThreadCheckBox"), Qt::LeftButton);
        QCOMPARE(t->UseThread(), thread);
        QTest::mouseClick(Play(), Qt::LeftButton);
        ++expected;
        QTRY_VERIFY2_WITH_TIMEOUT(done.count() == expected, text, 30000);
        QCOMPARE(Play()->text(), QStringLiteral("Play"));
        QVERIFY(!t->Active());
        QVERIFY(ChoiceControlsEnabled());
      }
    }
  }
};

QTEST_MAIN(MainUnitTests)
#include "MainUnitTests.moc"
