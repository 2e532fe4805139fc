// Forms through Qt Designer's own reading and writing: its form editor core,
// offscreen, with the plugin found on the library path as Designer finds
// it. The enumerations come back from the spellings stored forms use,
// Designer writes them in one that it and uic read back, and a picture
// chosen through the task menu is one undoable step that the saved form
// keeps.
#include <QAction>
#include <QDesignerComponents>
#include <QDesignerContainerExtension>
#include <QDesignerFormEditorInterface>
#include <QDesignerFormWindowCursorInterface>
#include <QDesignerFormWindowInterface>
#include <QDesignerFormWindowManagerInterface>
#include <QDesignerIntegration>
#include <QDesignerPropertySheetExtension>
#include <QEasingCurve>
#include <QDesignerTaskMenuExtension>
#include <QDesignerWidgetDataBaseInterface>
#include <QExtensionManager>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUndoStack>
#include <QtTest>
#include <memory>

#include "FileDialogScript.h"
#include "widget/TweeneryWidget.h"

#if defined(__SANITIZE_THREAD__)
#define TWEENERY_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TWEENERY_UNDER_TSAN 1
#endif
#endif

namespace {

const QString kData = QStringLiteral(TWEENERY_TEST_DATA "/");
const QString kWidgetClass = QStringLiteral("tweenery::TweeneryWidget");

// A form with one placed TTweenery carrying Properties (.ui property elements).
QString FormWith(const QString& Properties) {
  return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>TweeneryForm</class>
 <widget class="QWidget" name="TweeneryForm">
  <property name="geometry"><rect><x>0</x><y>0</y><width>120</width><height>80</height></rect></property>
  <widget class="tweenery::TweeneryWidget" name="Tweenery">
   <property name="geometry"><rect><x>8</x><y>8</y><width>65</width><height>65</height></rect></property>
   %1
  </widget>
 </widget>
 <customwidgets>
  <customwidget>
   <class>tweenery::TweeneryWidget</class>
   <extends>QWidget</extends>
   <header>widget/TweeneryWidget.h</header>
  </customwidget>
 </customwidgets>
 <resources/>
 <connections/>
</ui>
)")
      .arg(Properties);
}

// A form with a TweeneryStackedWidget of two pages, as Designer saves one.
const QString kStackedForm = QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>PagesForm</class>
 <widget class="QWidget" name="PagesForm">
  <property name="geometry"><rect><x>0</x><y>0</y><width>220</width><height>160</height></rect></property>
  <widget class="tweenery::TweeneryStackedWidget" name="Pages">
   <property name="geometry"><rect><x>10</x><y>10</y><width>200</width><height>140</height></rect></property>
   <property name="Modifier"><enum>tmUp</enum></property>
   <widget class="QWidget" name="page"/>
   <widget class="QWidget" name="page_2"/>
  </widget>
 </widget>
 <customwidgets>
  <customwidget>
   <class>tweenery::TweeneryStackedWidget</class>
   <extends>QStackedWidget</extends>
   <header>widget/TweeneryStackedWidget.h</header>
   <container>1</container>
  </customwidget>
 </customwidgets>
 <resources/>
 <connections/>
</ui>
)");

QString EnumProperty(const QString& Name, const QString& Value) {
  return QStringLiteral("<property name=\"%1\"><enum>%2</enum></property>").arg(Name, Value);
}

}  // namespace

class DesignerFormTests : public QObject {
  Q_OBJECT
  QDesignerFormEditorInterface* FCore = nullptr;
  std::unique_ptr<QMainWindow> FMain;
  QString FSavedWithEnumerations;  // what enumerationsSetInDesignerAreSavedAndReadBack saved

  // A form window of Designer's holding Contents, as File > Open makes one.
  QDesignerFormWindowInterface* Open(const QString& Contents) {
    QDesignerFormWindowInterface* form = FCore->formWindowManager()->createFormWindow(FMain.get());
    form->setContents(Contents);
    return form;
  }

  static QWidget* Placed(QDesignerFormWindowInterface* Form) {
    return Form->mainContainer() ? Form->mainContainer()->findChild<QWidget*>(QStringLiteral("Tweenery")) : nullptr;
  }

  static void Close(QDesignerFormWindowInterface* Form) { delete Form; }

 private slots:
  void initTestCase() {
    // Designer keeps its settings; keep the test's away from the user's.
    QStandardPaths::setTestModeEnabled(true);
    // Designer looks in designer/ under each library path.
    QCoreApplication::addLibraryPath(QFileInfo(QFileInfo(QStringLiteral(TWEENERY_DESIGNER_PLUGIN)).absolutePath())
                                         .absolutePath());
    QDesignerComponents::initializeResources();
    FCore = QDesignerComponents::createFormEditor(this);
    QDesignerComponents::initializePlugins(FCore);
    FMain = std::make_unique<QMainWindow>();
    FCore->setTopLevel(FMain.get());
    FCore->setWidgetBox(QDesignerComponents::createWidgetBox(FCore, FMain.get()));
    FCore->setPropertyEditor(QDesignerComponents::createPropertyEditor(FCore, FMain.get()));
    new QDesignerIntegration(FCore, this);
    QVERIFY2(FCore->widgetDataBase()->indexOfClassName(kWidgetClass) >= 0, "the plugin was not loaded");
  }

  void cleanupTestCase() { FMain.reset(); }

  void storedEnumerationsAreReadBack_data() {
    QTest::addColumn<QString>("Scope");
    QTest::newRow("class-qualified, as Designer writes") << QStringLiteral("tweenery::TweeneryWidget::");
    QTest::newRow("bare keys, as forms are written by hand") << QString();
  }

  void storedEnumerationsAreReadBack() {
    QFETCH(QString, Scope);
    QDesignerFormWindowInterface* form =
        Open(FormWith(EnumProperty(QStringLiteral("Operation"), Scope + QStringLiteral("toFade")) +
                      EnumProperty(QStringLiteral("Modifier"), Scope + QStringLiteral("tmDown")) +
                      EnumProperty(QStringLiteral("RGBOrder"), Scope + QStringLiteral("coBGR"))));
    QWidget* widget = Placed(form);
    QVERIFY(widget);
    QCOMPARE(widget->metaObject()->className(), "tweenery::TweeneryWidget");
    QCOMPARE(widget->property("Operation").toInt(), 11);  // toFade
    QCOMPARE(widget->property("Modifier").toInt(), 3);    // tmDown
    QCOMPARE(widget->property("RGBOrder").toInt(), 5);    // coBGR
    // Saved again, the values stay (nothing falls back to the default).
    const QString saved = form->contents();
    QVERIFY(saved.contains(QStringLiteral("<enum>tweenery::TweeneryWidget::toFade</enum>")));
    QVERIFY(saved.contains(QStringLiteral("<enum>tweenery::TweeneryWidget::tmDown</enum>")));
    QVERIFY(saved.contains(QStringLiteral("<enum>tweenery::TweeneryWidget::coBGR</enum>")));
    Close(form);
  }

  void enumerationsSetInDesignerAreSavedAndReadBack() {
    QDesignerFormWindowInterface* form = Open(FormWith(QString()));
    QWidget* widget = Placed(form);
    QVERIFY(widget);
    // The property editor's path: an int for the enumeration's value.
    form->cursor()->setWidgetProperty(widget, QStringLiteral("Operation"), 27);  // toRoll
    form->cursor()->setWidgetProperty(widget, QStringLiteral("Modifier"), 2);    // tmUp
    QCOMPARE(widget->property("Operation").toInt(), 27);
    const QString saved = form->contents();
    Close(form);
    QVERIFY(saved.contains(QStringLiteral("<enum>tweenery::TweeneryWidget::toRoll</enum>")));
    QVERIFY(saved.contains(QStringLiteral("<enum>tweenery::TweeneryWidget::tmUp</enum>")));

    QDesignerFormWindowInterface* again = Open(saved);
    QVERIFY(Placed(again));
    QCOMPARE(Placed(again)->property("Operation").toInt(), 27);
    QCOMPARE(Placed(again)->property("Modifier").toInt(), 2);
    Close(again);

    FSavedWithEnumerations = saved;
  }

  void uicCompilesWhatDesignerSaved() {
#ifdef TWEENERY_UNDER_TSAN
    QSKIP("ThreadSanitizer cannot follow uic's fork from a threaded process");
#endif
    QVERIFY(!FSavedWithEnumerations.isEmpty());
    // uic turns Designer's spelling into the widget's setters (UiFormTests
    // builds and runs such code).
    QTemporaryFile ui(QDir::tempPath() + QStringLiteral("/TweeneryFormXXXXXX.ui"));
    QVERIFY(ui.open());
    ui.write(FSavedWithEnumerations.toUtf8());
    ui.close();
    QProcess uic;
    uic.start(QStringLiteral(TWEENERY_UIC), {ui.fileName()});
    QVERIFY(uic.waitForFinished());
    QVERIFY2(uic.exitCode() == 0, uic.readAllStandardError().constData());
    const QString code = QString::fromUtf8(uic.readAllStandardOutput());
    QVERIFY2(code.contains(QStringLiteral("Tweenery->setOperation(tweenery::TweeneryWidget::toRoll);")),
             qPrintable(code));
    QVERIFY(code.contains(QStringLiteral("Tweenery->setModifier(tweenery::TweeneryWidget::tmUp);")));
  }

  void aStackedWidgetsPagesAndEnumerationsAreSavedAndCompiled() {
    QDesignerFormWindowInterface* form = Open(kStackedForm);
    QWidget* stack = form->mainContainer()->findChild<QWidget*>(QStringLiteral("Pages"));
    QVERIFY(stack);
    QCOMPARE(stack->metaObject()->className(), "tweenery::TweeneryStackedWidget");
    QCOMPARE(stack->property("Modifier").toInt(), 2);  // tmUp
    auto* pages = qt_extension<QDesignerContainerExtension*>(FCore->extensionManager(), stack);
    QVERIFY(pages);
    QCOMPARE(pages->count(), 2);
    // Editing switches at once: nothing covers the page Designer shows.
    pages->setCurrentIndex(1);
    QCOMPARE(stack->property("currentIndex").toInt(), 1);
    QVERIFY(!stack->findChild<QWidget*>(QStringLiteral("TransitionCover")) ||
            !stack->findChild<QWidget*>(QStringLiteral("TransitionCover"))->isVisible());
    form->cursor()->setWidgetProperty(stack, QStringLiteral("Operation"), 11);  // toFade
    const QString saved = form->contents();
    Close(form);
    QVERIFY(saved.contains(QStringLiteral("<enum>tweenery::TweeneryWidget::toFade</enum>")));
    QVERIFY(saved.contains(QStringLiteral("<enum>tweenery::TweeneryWidget::tmUp</enum>")));
    QVERIFY(saved.contains(QStringLiteral("name=\"page_2\"")));

#ifndef TWEENERY_UNDER_TSAN
    QTemporaryFile ui(QDir::tempPath() + QStringLiteral("/PagesFormXXXXXX.ui"));
    QVERIFY(ui.open());
    ui.write(saved.toUtf8());
    ui.close();
    QProcess uic;
    uic.start(QStringLiteral(TWEENERY_UIC), {ui.fileName()});
    QVERIFY(uic.waitForFinished());
    QVERIFY2(uic.exitCode() == 0, uic.readAllStandardError().constData());
    const QString code = QString::fromUtf8(uic.readAllStandardOutput());
    QVERIFY2(code.contains(QStringLiteral("Pages->setOperation(tweenery::TweeneryWidget::toFade);")), qPrintable(code));
    QVERIFY(code.contains(QStringLiteral("Pages->addWidget(page_2);")));
    QVERIFY(code.contains(QStringLiteral("#include \"widget/TweeneryStackedWidget.h\"")));
#endif
  }

  // Duration, EasingCurve (as its type: Designer knows no QEasingCurve) and
  // Progress are in the property editor, and a saved form keeps them.
  void timeEasingAndProgressAreEditedAndSaved() {
    QDesignerFormWindowInterface* form =
        Open(FormWith(QStringLiteral("<property name=\"FromImageFile\"><string>%1rgb24-v3.bmp</string></property>"
                                     "<property name=\"ToImageFile\"><string>%1baseline.jpg</string></property>")
                          .arg(kData)));
    QWidget* widget = Placed(form);
    QVERIFY(widget);
    auto* sheet = qt_extension<QDesignerPropertySheetExtension*>(FCore->extensionManager(), widget);
    QVERIFY(sheet);
    for (const char* name : {"Duration", "EasingType", "Progress"}) {
      const int index = sheet->indexOf(QString::fromLatin1(name));
      QVERIFY2(index >= 0 && sheet->isVisible(index), name);
    }
    const int easing = sheet->indexOf(QStringLiteral("EasingCurve"));
    QVERIFY(easing < 0 || !sheet->isVisible(easing));
    form->cursor()->setWidgetProperty(widget, QStringLiteral("Duration"), 600);
    form->cursor()->setWidgetProperty(widget, QStringLiteral("EasingType"), int(QEasingCurve::OutCubic));
    form->cursor()->setWidgetProperty(widget, QStringLiteral("Progress"), 0.5);
    QCOMPARE(widget->property("Duration").toInt(), 600);
    QCOMPARE(widget->property("EasingCurve").value<QEasingCurve>().type(), QEasingCurve::OutCubic);
    QCOMPARE(widget->property("Progress").toDouble(), 0.5);
    const QString saved = form->contents();
    Close(form);
    QVERIFY2(saved.contains(QStringLiteral("<property name=\"Duration\">\n    <number>600</number>")), qPrintable(saved));
    QVERIFY(saved.contains(QStringLiteral("<enum>QEasingCurve::OutCubic</enum>")));
    QVERIFY(saved.contains(QStringLiteral("<property name=\"Progress\">\n    <double>0.5")));
    // Progress comes after the pictures it needs.
    QVERIFY(saved.indexOf(QStringLiteral("\"Progress\"")) > saved.indexOf(QStringLiteral("\"ToImageFile\"")));

    QDesignerFormWindowInterface* again = Open(saved);
    QVERIFY(Placed(again));
    QCOMPARE(Placed(again)->property("Duration").toInt(), 600);
    QCOMPARE(Placed(again)->property("EasingType").toInt(), int(QEasingCurve::OutCubic));
    QCOMPARE(Placed(again)->property("Progress").toDouble(), 0.5);
    Close(again);
  }

  // Designer's preview shows what the running program shows, stretched or
  // not, proportions kept or not, mid-transition.
  void thePreviewShowsWhatTheProgramShows_data() {
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<bool>("keepAspect");
    QTest::newRow("stretched") << true << false;
    QTest::newRow("stretched, proportions kept") << true << true;
    QTest::newRow("unscaled") << false << true;
  }
  void thePreviewShowsWhatTheProgramShows() {
    QFETCH(bool, stretch);
    QFETCH(bool, keepAspect);
    const QString ui = QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>TweeneryForm</class>
 <widget class="QWidget" name="TweeneryForm">
  <property name="geometry"><rect><x>0</x><y>0</y><width>160</width><height>100</height></rect></property>
  <widget class="tweenery::TweeneryWidget" name="Tweenery">
   <property name="geometry"><rect><x>8</x><y>8</y><width>130</width><height>70</height></rect></property>
   <property name="FromImageFile"><string>%1rgb24-v3.bmp</string></property>
   <property name="ToImageFile"><string>%1baseline.jpg</string></property>
   <property name="Operation"><enum>tweenery::TweeneryWidget::toPush</enum></property>
   <property name="MaintainAspectRatio"><bool>%2</bool></property>
   <property name="Stretch"><bool>%3</bool></property>
   <property name="Progress"><double>0.4</double></property>
  </widget>
 </widget>
 <customwidgets>
  <customwidget>
   <class>tweenery::TweeneryWidget</class>
   <extends>QWidget</extends>
   <header>widget/TweeneryWidget.h</header>
  </customwidget>
 </customwidgets>
 <resources/>
 <connections/>
</ui>
)")
                           .arg(kData, keepAspect ? QStringLiteral("true") : QStringLiteral("false"),
                                stretch ? QStringLiteral("true") : QStringLiteral("false"));
    QDesignerFormWindowInterface* form = Open(ui);
    QVERIFY(Placed(form));
    FCore->formWindowManager()->setActiveFormWindow(form);
    const QImage preview = FCore->formWindowManager()->createPreviewPixmap().toImage().convertToFormat(QImage::Format_RGB32);
    Close(form);
    QVERIFY(!preview.isNull());

    // The running program: the widget as uic's code makes it.
    QWidget program;
    program.resize(160, 100);
    tweenery::TweeneryWidget* tween = new tweenery::TweeneryWidget(&program);
    tween->setGeometry(8, 8, 130, 70);
    tween->setFromImageFile(kData + QStringLiteral("rgb24-v3.bmp"));
    tween->setToImageFile(kData + QStringLiteral("baseline.jpg"));
    tween->setOperation(tweenery::TweeneryWidget::toPush);
    tween->setMaintainAspectRatio(keepAspect);
    tween->setStretch(stretch);
    tween->setProgress(0.4);
    const QImage shown = tween->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage previewed = preview.copy(8, 8, 130, 70);
    preview.save(QDir::tempPath() + QStringLiteral("/tweenery-designer-preview-%1%2.png").arg(stretch).arg(keepAspect));
    shown.save(QDir::tempPath() + QStringLiteral("/tweenery-designer-program-%1%2.png").arg(stretch).arg(keepAspect));
    QCOMPARE(previewed.size(), shown.size());
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x)
        if (previewed.pixel(x, y) != shown.pixel(x, y))
          QFAIL(qPrintable(QStringLiteral("(%1, %2): %3 in the preview, %4 in the program")
                               .arg(x).arg(y).arg(previewed.pixel(x, y), 8, 16).arg(shown.pixel(x, y), 8, 16)));
  }

  void aPictureChosenInTheTaskMenuIsOneUndoableStepThatTheSavedFormKeeps() {
    QDesignerFormWindowInterface* form = Open(FormWith(QString()));
    QWidget* widget = Placed(form);
    QVERIFY(widget);
    auto* menu = qt_extension<QDesignerTaskMenuExtension*>(FCore->extensionManager(), widget);
    QVERIFY(menu);
    form->setDirty(false);
    const int steps = form->commandHistory()->count();

    const QString file = kData + QStringLiteral("rgb24-v3.bmp");
    TDialogScript* script = TDialogScript::Choosing(file, this);
    menu->preferredEditAction()->trigger();
    QVERIFY(script->Seen);
    QCOMPARE(widget->property("FromImageFile").toString(), file);
    QCOMPARE(widget->property("FromBitmap").value<QImage>().size(), QSize(37, 23));
    QVERIFY(form->isDirty());
    QCOMPARE(form->commandHistory()->count(), steps + 1);
    QVERIFY(form->contents().contains(QStringLiteral("<string>%1</string>").arg(file)));

    form->commandHistory()->undo();
    QCOMPARE(widget->property("FromImageFile").toString(), QString());
    QVERIFY(widget->property("FromBitmap").value<QImage>().isNull());
    QVERIFY(!form->contents().contains(file));
    form->commandHistory()->redo();
    QCOMPARE(widget->property("FromImageFile").toString(), file);

    // Read back, the form has the picture again.
    const QString saved = form->contents();
    Close(form);
    QDesignerFormWindowInterface* again = Open(saved);
    QVERIFY(Placed(again));
    QCOMPARE(Placed(again)->property("FromImageFile").toString(), file);
    QCOMPARE(Placed(again)->property("FromBitmap").value<QImage>().size(), QSize(37, 23));
    Close(again);
  }
};

QTEST_MAIN(DesignerFormTests)
#include "DesignerFormTests.moc"
