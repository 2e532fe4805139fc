// The Qt Designer plugin of the package: it loads libtweenpack.so, lets it
// register its components and property editors into the plugin's registry,
// and offers each registered component as a TweeneryWidget in Designer's
// widget box under its palette page. The registered property editors are
// the widget's task menu ("Edit FromImageFile…"), the first of them also
// its double-click; they set properties through Designer's own path, so a
// change can be undone and is saved with the form. Beside them, under
// "Demo", TweeneryStackedWidget: a multi-page container whose pages Designer
// adds, removes and switches through a container extension.
#pragma once

#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <QDesignerContainerExtension>
#include <QDesignerTaskMenuExtension>
#include <QExtensionFactory>
#include <QList>
#include <memory>
#include <string>
#include <vector>

class QAction;

namespace tweenery {

class TQtPlatform;
class TweeneryStackedWidget;
class TweeneryWidget;

// The loaded package: found beside the plugin, in the folders above it
// (the build folder's and an installation's layout), through
// TWEENERY_PACKAGE, or by the loader's own search. Initialised with the
// plugin's registry and services, then Register is called.
class TPackageLoader {
 public:
  TPackageLoader();
  ~TPackageLoader() { Finalize(); }
  // Forgets the registrations, which hold the package's code, and calls
  // its finalise entry; idempotent. The package stays loaded.
  void Finalize();
  TPackageLoader(const TPackageLoader&) = delete;
  TPackageLoader& operator=(const TPackageLoader&) = delete;

  bool Loaded() const { return FHandle != nullptr; }
  const std::string& Path() const { return FPath; }
  // Why loading failed; empty when it did not.
  const std::string& Error() const { return FError; }

 private:
  bool Open(const std::string& Path);
  bool Start();

  void* FHandle = nullptr;
  std::string FPath;
  std::string FError;
  bool FInitialized = false;
};

// One registered component class, as Designer's widget box shows it.
class TTweeneryWidgetInterface : public QObject, public QDesignerCustomWidgetInterface {
  Q_OBJECT
  Q_INTERFACES(QDesignerCustomWidgetInterface)
 public:
  TTweeneryWidgetInterface(QString ClassName, QString Page, QObject* Parent);

  QString name() const override;
  QString group() const override { return FPage; }
  QString toolTip() const override;
  QString whatsThis() const override;
  QString includeFile() const override;
  QIcon icon() const override;
  bool isContainer() const override { return false; }
  QWidget* createWidget(QWidget* Parent) override;
  bool isInitialized() const override { return FInitialized; }
  void initialize(QDesignerFormEditorInterface* Core) override;
  QString domXml() const override;

 private:
  QString FClassName;  // the component's class, "TTweenery"
  QString FPage;
  bool FInitialized = false;
};

// TweeneryStackedWidget in the widget box: a container that comes with two
// pages. On a form being edited its pages switch at once; in a preview they
// play their transitions.
class TStackedWidgetInterface : public QObject, public QDesignerCustomWidgetInterface {
  Q_OBJECT
  Q_INTERFACES(QDesignerCustomWidgetInterface)
 public:
  explicit TStackedWidgetInterface(QObject* Parent);

  QString name() const override;
  QString group() const override { return QStringLiteral("Demo"); }
  QString toolTip() const override;
  QString whatsThis() const override;
  QString includeFile() const override;
  QIcon icon() const override;
  bool isContainer() const override { return true; }
  QWidget* createWidget(QWidget* Parent) override;
  bool isInitialized() const override { return FInitialized; }
  void initialize(QDesignerFormEditorInterface* Core) override;
  QString domXml() const override;

 private:
  bool FInitialized = false;
};

// The pages of a placed TweeneryStackedWidget, as Designer adds, removes
// and switches them.
class TStackedContainer : public QObject, public QDesignerContainerExtension {
  Q_OBJECT
  Q_INTERFACES(QDesignerContainerExtension)
 public:
  TStackedContainer(TweeneryStackedWidget* Stack, QObject* Parent);

  bool canAddWidget() const override { return true; }
  bool canRemove(int) const override { return true; }
  int count() const override;
  QWidget* widget(int Index) const override;
  int currentIndex() const override;
  void setCurrentIndex(int Index) override;
  void addWidget(QWidget* Page) override;
  void insertWidget(int Index, QWidget* Page) override;
  void remove(int Index) override;

 private:
  TweeneryStackedWidget* FStack;
};

class TStackedContainerFactory : public QExtensionFactory {
  Q_OBJECT
 public:
  explicit TStackedContainerFactory(QExtensionManager* Parent);

 protected:
  QObject* createExtension(QObject* Object, const QString& Iid, QObject* Parent) const override;
};

// The task menu of a placed TweeneryWidget: one entry per property editor
// registered for its component.
class TTweeneryTaskMenu : public QObject, public QDesignerTaskMenuExtension {
  Q_OBJECT
  Q_INTERFACES(QDesignerTaskMenuExtension)
 public:
  TTweeneryTaskMenu(TweeneryWidget* Widget, QObject* Parent);

  QAction* preferredEditAction() const override;
  QList<QAction*> taskActions() const override { return FActions; }

 private:
  TweeneryWidget* FWidget;
  QList<QAction*> FActions;
};

class TTweeneryTaskMenuFactory : public QExtensionFactory {
  Q_OBJECT
 public:
  explicit TTweeneryTaskMenuFactory(QExtensionManager* Parent);

 protected:
  QObject* createExtension(QObject* Object, const QString& Iid, QObject* Parent) const override;
};

class TTweeneryDesignerCollection : public QObject, public QDesignerCustomWidgetCollectionInterface {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface")
  Q_INTERFACES(QDesignerCustomWidgetCollectionInterface)
 public:
  explicit TTweeneryDesignerCollection(QObject* Parent = nullptr);
  ~TTweeneryDesignerCollection() override;

  QList<QDesignerCustomWidgetInterface*> customWidgets() const override { return FWidgets; }

  // Finalises the package and lets the Qt port go; idempotent. Runs when
  // the application ends, while the libraries' statics still live (Qt
  // deletes plugin instances only after they are gone).
  void Shutdown();

 private:
  std::unique_ptr<TQtPlatform> FPlatform;
  std::unique_ptr<TPackageLoader> FPackage;
  QList<QDesignerCustomWidgetInterface*> FWidgets;
};

// Runs the registered editor of Property for the widget's component; the
// editor's writes go through the form window's cursor when the widget is
// on a form, else straight to the widget's property.
void EditWidgetProperty(TweeneryWidget* Widget, const std::string& Property);

}  // namespace tweenery
