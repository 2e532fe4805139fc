// The Qt Designer plugin loaded as Designer loads it: its widget box entries,
// the widget it places (defaults, designing state), the task menu that
// runs the package's image-file editor through a real file dialog, and the
// stacked widget's pages through its container extension.
#include <QAction>
#include <QApplication>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <QDesignerContainerExtension>
#include <QDesignerFormEditorInterface>
#include <QDesignerTaskMenuExtension>
#include <QExtensionManager>
#include <QPluginLoader>
#include <QtTest>
#include <memory>

#include "FileDialogScript.h"

namespace {

const QString kData = QStringLiteral(TWEENERY_TEST_DATA "/");

// Designer's core with an extension manager, as Designer sets one up.
class TDesignerCore : public QDesignerFormEditorInterface {
 public:
  TDesignerCore() { setExtensionManager(new QExtensionManager(this)); }
};

}  // namespace

class DesignerPluginTests : public QObject {
  Q_OBJECT
  QPluginLoader FLoader{QStringLiteral(TWEENERY_DESIGNER_PLUGIN)};
  QDesignerCustomWidgetInterface* FEntry = nullptr;
  QDesignerCustomWidgetInterface* FStackedEntry = nullptr;
  std::unique_ptr<QDesignerFormEditorInterface> FCore;

  QDesignerTaskMenuExtension* TaskMenu(QWidget* Widget) {
    return qt_extension<QDesignerTaskMenuExtension*>(FCore->extensionManager(), Widget);
  }

 private slots:
  void initTestCase() {
    QObject* instance = FLoader.instance();
    QVERIFY2(instance, qPrintable(FLoader.errorString()));
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(instance);
    QVERIFY(collection);
    QCOMPARE(collection->customWidgets().size(), 2);
    FEntry = collection->customWidgets().first();
    FStackedEntry = collection->customWidgets().at(1);
    FCore = std::make_unique<TDesignerCore>();
    FEntry->initialize(FCore.get());
    FStackedEntry->initialize(FCore.get());
  }

  void theWidgetBoxEntryIsTheComponentUnderDemo() {
    QCOMPARE(FEntry->group(), QStringLiteral("Demo"));
    QCOMPARE(FEntry->name(), QStringLiteral("tweenery::TweeneryWidget"));
    QCOMPARE(FEntry->includeFile(), QStringLiteral("widget/TweeneryWidget.h"));
    QVERIFY(!FEntry->isContainer());
    QVERIFY(FEntry->isInitialized());
    QVERIFY(FEntry->domXml().contains(QStringLiteral("displayname=\"TTweenery\"")));
    QVERIFY(FEntry->domXml().contains(QStringLiteral("class=\"tweenery::TweeneryWidget\"")));
  }

  void theStackedWidgetIsAContainerUnderDemo() {
    QCOMPARE(FStackedEntry->group(), QStringLiteral("Demo"));
    QCOMPARE(FStackedEntry->name(), QStringLiteral("tweenery::TweeneryStackedWidget"));
    QCOMPARE(FStackedEntry->includeFile(), QStringLiteral("widget/TweeneryStackedWidget.h"));
    QVERIFY(FStackedEntry->isContainer());
    QVERIFY(FStackedEntry->isInitialized());
    const QString xml = FStackedEntry->domXml();
    QVERIFY(xml.contains(QStringLiteral("<extends>QStackedWidget</extends>")));
    QVERIFY(xml.contains(QStringLiteral("<addpagemethod>addWidget</addpagemethod>")));
    QCOMPARE(xml.count(QStringLiteral("<widget class=\"QWidget\"")), 2);
  }

  void theContainerExtensionAddsSwitchesAndRemovesPages() {
    std::unique_ptr<QWidget> widget(FStackedEntry->createWidget(nullptr));
    QVERIFY(widget);
    QCOMPARE(widget->metaObject()->className(), "tweenery::TweeneryStackedWidget");
    QCOMPARE(widget->property("Duration").toInt(), 400);
    auto* pages = qt_extension<QDesignerContainerExtension*>(FCore->extensionManager(), widget.get());
    QVERIFY(pages);
    QCOMPARE(pages->count(), 0);
    auto* first = new QWidget;
    auto* third = new QWidget;
    pages->addWidget(first);
    pages->addWidget(third);
    pages->insertWidget(1, new QWidget);
    QCOMPARE(pages->count(), 3);
    QCOMPARE(pages->widget(2), third);
    pages->setCurrentIndex(2);
    QCOMPARE(pages->currentIndex(), 2);
    QCOMPARE(widget->property("currentIndex").toInt(), 2);
    pages->remove(0);
    QCOMPARE(pages->count(), 2);
    QCOMPARE(pages->currentIndex(), 1);
    delete first;  // the container let it go
    // TweeneryWidget has no page container.
    std::unique_ptr<QWidget> tweenery(FEntry->createWidget(nullptr));
    QVERIFY(!qt_extension<QDesignerContainerExtension*>(FCore->extensionManager(), tweenery.get()));
  }

  void aPlacedWidgetHasTheDefaultsAndShowsItsDesignOutline() {
    std::unique_ptr<QWidget> widget(FEntry->createWidget(nullptr));
    QVERIFY(widget);
    QCOMPARE(widget->metaObject()->className(), "tweenery::TweeneryWidget");
    QCOMPARE(widget->size(), QSize(65, 65));
    QCOMPARE(widget->property("Delta").toInt(), 10);
    QCOMPARE(widget->property("Steps").toInt(), 1);
    QCOMPARE(widget->property("Interval").toUInt(), 100u);
    QCOMPARE(widget->property("Operation").toInt(), 0);
    QCOMPARE(widget->property("MaintainAspectRatio").toBool(), true);
    QCOMPARE(widget->property("Active").toBool(), false);
    QCOMPARE(widget->property("FromImageFile").toString(), QString());
    const QImage shown = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb face = qRgb(0xC0, 0xC0, 0xC0);
    QCOMPARE(shown.pixel(32, 32), face);
    // The dashed outline runs along the edges, dashes and gaps alternating.
    int dark = 0;
    for (int x = 0; x < 64; ++x) dark += shown.pixel(x, 0) != face ? 1 : 0;
    QVERIFY2(dark > 10 && dark < 60, qPrintable(QString::number(dark)));
    QVERIFY(shown.pixel(0, 20) != face || shown.pixel(0, 21) != face || shown.pixel(0, 22) != face);
  }

  void theTaskMenuOffersAnEditorPerImageFileProperty() {
    std::unique_ptr<QWidget> widget(FEntry->createWidget(nullptr));
    QDesignerTaskMenuExtension* menu = TaskMenu(widget.get());
    QVERIFY(menu);
    QStringList texts;
    for (QAction* action : menu->taskActions()) texts << action->text();
    QCOMPARE(texts, (QStringList{QStringLiteral("Edit FromImageFile…"), QStringLiteral("Edit ToImageFile…")}));
    QCOMPARE(menu->preferredEditAction(), menu->taskActions().first());
  }

  void choosingFilesSetsThePropertiesAndTheSecondDialogOpensInTheFirstsFolder() {
    std::unique_ptr<QWidget> widget(FEntry->createWidget(nullptr));
    QDesignerTaskMenuExtension* menu = TaskMenu(widget.get());
    QVERIFY(menu);

    TDialogScript choose;
    choose.Respond = [](QFileDialog* Dialog) {
      ChooseFile(Dialog, kData + QStringLiteral("rgb24-v3.bmp"));
    };
    choose.Arm();
    menu->preferredEditAction()->trigger();
    QVERIFY(choose.Seen);
    QCOMPARE(choose.Title, QStringLiteral("Select Image File"));
    QCOMPARE(choose.Filters.size(), 4);
    QCOMPARE(widget->property("FromImageFile").toString(), kData + QStringLiteral("rgb24-v3.bmp"));
    QCOMPARE(widget->property("FromBitmap").value<QImage>().size(), QSize(37, 23));

    TDialogScript cancel;
    cancel.Respond = [](QFileDialog* Dialog) { Dialog->reject(); };
    cancel.Arm();
    menu->taskActions().at(1)->trigger();
    QVERIFY(cancel.Seen);
    QCOMPARE(cancel.Directory + "/", kData);
    QCOMPARE(widget->property("ToImageFile").toString(), QString());

    TDialogScript second;
    second.Respond = [](QFileDialog* Dialog) {
      ChooseFile(Dialog, kData + QStringLiteral("baseline.jpg"));
    };
    second.Arm();
    menu->taskActions().at(1)->trigger();
    QVERIFY(second.Seen);
    QCOMPARE(second.Directory + "/", kData);
    QCOMPARE(widget->property("ToImageFile").toString(), kData + QStringLiteral("baseline.jpg"));
    // Both pictures present: the placed widget shows the From picture, no outline.
    const QImage shown = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage from = widget->property("FromBitmap").value<QImage>().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.pixel(5, 5), from.pixel(5, 5));
  }
};

QTEST_MAIN(DesignerPluginTests)
#include "DesignerPluginTests.moc"
