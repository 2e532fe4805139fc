#include "package/designer/TweeneryDesignerPlugin.h"

#include <dlfcn.h>

#include <QAction>
#include <QDesignerFormEditorInterface>
#include <QDesignerFormWindowCursorInterface>
#include <QDesignerFormWindowInterface>
#include <QExtensionManager>
#include <QIcon>
#include <QCoreApplication>
#include <QVariant>
#include <QtGlobal>
#include <cstdlib>
#include <exception>

#include "package/TweenPack.h"
#include "platform/Designer.h"
#include "platform/Services.h"
#include "platform/qt/QtPlatform.h"
#include "widget/TweeneryStackedWidget.h"
#include "widget/TweeneryWidget.h"

namespace tweenery {

namespace {

// The component classes this plugin has a widget for.
constexpr const char* kTweeneryClass = "TTweenery";
constexpr const char* kWidgetClass = "tweenery::TweeneryWidget";
constexpr const char* kStackedClass = "tweenery::TweeneryStackedWidget";
constexpr const char* kPackageFile = "libtweenpack.so";

std::string PluginFolder() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&PluginFolder), &info) || !info.dli_fname) return {};
  const std::string path = info.dli_fname;
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Where to look, most specific first: the build folder keeps the plugin in
// plugins/designer/ under the package, an installation in
// <libdir>/qt6/plugins/designer/ under it.
std::vector<std::string> PackageCandidates() {
  std::vector<std::string> candidates;
  if (const char* named = std::getenv("TWEENERY_PACKAGE"); named && *named) candidates.emplace_back(named);
  const std::string folder = PluginFolder();
  if (!folder.empty()) {
    candidates.push_back(folder + kPackageFile);
    candidates.push_back(folder + "../../" + kPackageFile);
    candidates.push_back(folder + "../../../" + kPackageFile);
  }
  candidates.emplace_back(kPackageFile);
  return candidates;
}

bool EditorApplies(const TRegisteredPropertyEditor& Entry, const std::string& ClassName) {
  return Entry.ComponentClass.empty() || Entry.ComponentClass == ClassName;
}

}  // namespace

// ---------------------------------------------------------------- package

TPackageLoader::TPackageLoader() {
  for (const std::string& candidate : PackageCandidates())
    if (Open(candidate)) break;
  if (!FHandle) return;
  if (!Start()) {
    // The package stays loaded: what it registered may hold its code.
    FHandle = nullptr;
  }
}

void TPackageLoader::Finalize() {
  if (!FInitialized) return;
  FInitialized = false;
  ClearDesignerRegistry();
  if (auto finalize = reinterpret_cast<TTweenpackFinalize>(dlsym(FHandle, TweenpackFinalizeSymbol))) finalize();
  // Not closed: Designer may still hold widgets whose editors ran its code.
}

bool TPackageLoader::Open(const std::string& Path) {
  void* handle = dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    if (FError.empty()) FError = dlerror();
    return false;
  }
  FHandle = handle;
  FPath = Path;
  FError.clear();
  return true;
}

bool TPackageLoader::Start() {
  const auto* info = static_cast<const TTweenpackInfo*>(dlsym(FHandle, TweenpackInfoSymbol));
  auto initialize = reinterpret_cast<TTweenpackInitialize>(dlsym(FHandle, TweenpackInitializeSymbol));
  auto registerPackage = reinterpret_cast<TTweenpackRegister>(dlsym(FHandle, TweenpackRegisterSymbol));
  if (!info || info->Size != sizeof(TTweenpackInfo) || !(info->Flags & TweenpackDesignTime) || !initialize ||
      !registerPackage) {
    FError = FPath + " is no design-time package";
    return false;
  }
  TPackageHost host;
  host.Designer = &DesignerHooks();
  host.Services = &ServiceHooks();
  if (initialize(&host) != 0) {
    FError = FPath + " refused this host";
    return false;
  }
  FInitialized = true;
  try {
    registerPackage();
  } catch (const std::exception& error) {
    FError = std::string("Register failed: ") + error.what();
  }
  return true;
}

// ---------------------------------------------------------------- editing

void EditWidgetProperty(TweeneryWidget* Widget, const std::string& Property) {
  try {
    std::unique_ptr<TPropertyEditor> editor = CreatePropertyEditor(Widget->Tweenery(), Property);
    if (!editor) return;
    editor->SetWriter([Widget](TComponent*, const std::string& Name, const std::string& Value) {
      const QString name = QString::fromStdString(Name);
      const QVariant value(QString::fromStdString(Value));
      if (QDesignerFormWindowInterface* form = QDesignerFormWindowInterface::findFormWindow(Widget))
        form->cursor()->setWidgetProperty(Widget, name, value);
      else
        Widget->setProperty(name.toLatin1().constData(), value);
    });
    editor->Edit();
  } catch (const std::exception& error) {
    ShowMessage(error.what());
  }
}

// ---------------------------------------------------------------- widget box entry

TTweeneryWidgetInterface::TTweeneryWidgetInterface(QString ClassName, QString Page, QObject* Parent)
    : QObject(Parent), FClassName(std::move(ClassName)), FPage(std::move(Page)) {}

QString TTweeneryWidgetInterface::name() const { return QString::fromLatin1(kWidgetClass); }

QString TTweeneryWidgetInterface::toolTip() const { return FClassName + QStringLiteral(": animated picture transition"); }

QString TTweeneryWidgetInterface::whatsThis() const {
  return QStringLiteral("%1 composes and paints a transition from its From picture to its To picture.").arg(FClassName);
}

// The path that works both in the source tree and under an installation's
// include/tweenery/.
QString TTweeneryWidgetInterface::includeFile() const { return QStringLiteral("widget/TweeneryWidget.h"); }

QIcon TTweeneryWidgetInterface::icon() const { return QIcon(); }

QWidget* TTweeneryWidgetInterface::createWidget(QWidget* Parent) {
  auto* widget = new TweeneryWidget(Parent);
  widget->SetDesigning(true);
  return widget;
}

void TTweeneryWidgetInterface::initialize(QDesignerFormEditorInterface* Core) {
  if (FInitialized) return;
  FInitialized = true;
  if (!Core || !Core->extensionManager()) return;
  QExtensionManager* manager = Core->extensionManager();
  manager->registerExtensions(new TTweeneryTaskMenuFactory(manager), Q_TYPEID(QDesignerTaskMenuExtension));
}

QString TTweeneryWidgetInterface::domXml() const {
  return QStringLiteral(
             "<ui language=\"c++\" displayname=\"%1\">\n"
             " <widget class=\"%2\" name=\"Tweenery\">\n"
             "  <property name=\"geometry\"><rect><x>0</x><y>0</y><width>65</width><height>65</height></rect></property>\n"
             " </widget>\n"
             "</ui>\n")
      .arg(FClassName, QString::fromLatin1(kWidgetClass));
}

// ---------------------------------------------------------------- stacked widget

TStackedWidgetInterface::TStackedWidgetInterface(QObject* Parent) : QObject(Parent) {}

QString TStackedWidgetInterface::name() const { return QString::fromLatin1(kStackedClass); }

QString TStackedWidgetInterface::toolTip() const {
  return QStringLiteral("TweeneryStackedWidget: pages that change with a transition");
}

QString TStackedWidgetInterface::whatsThis() const {
  return QStringLiteral("A stacked widget that plays one of the Tweenery transitions from the page it showed to the "
                        "page it shows whenever its current page changes.");
}

QString TStackedWidgetInterface::includeFile() const { return QStringLiteral("widget/TweeneryStackedWidget.h"); }

QIcon TStackedWidgetInterface::icon() const { return QIcon(); }

QWidget* TStackedWidgetInterface::createWidget(QWidget* Parent) {
  auto* stack = new TweeneryStackedWidget(Parent);
  // Editing switches pages at once; a preview, which is no form window, plays.
  stack->SetDesigning(Parent && QDesignerFormWindowInterface::findFormWindow(Parent));
  return stack;
}

void TStackedWidgetInterface::initialize(QDesignerFormEditorInterface* Core) {
  if (FInitialized) return;
  FInitialized = true;
  if (!Core || !Core->extensionManager()) return;
  QExtensionManager* manager = Core->extensionManager();
  manager->registerExtensions(new TStackedContainerFactory(manager), Q_TYPEID(QDesignerContainerExtension));
}

// Two pages, added by addWidget: uic writes the calls that the <extends>
// and <addpagemethod> entries name.
QString TStackedWidgetInterface::domXml() const {
  return QStringLiteral(
             "<ui language=\"c++\" displayname=\"TweeneryStackedWidget\">\n"
             " <widget class=\"%1\" name=\"Pages\">\n"
             "  <property name=\"geometry\"><rect><x>0</x><y>0</y><width>200</width><height>150</height></rect></property>\n"
             "  <widget class=\"QWidget\" name=\"page\"/>\n"
             "  <widget class=\"QWidget\" name=\"page_2\"/>\n"
             " </widget>\n"
             " <customwidgets>\n"
             "  <customwidget>\n"
             "   <class>%1</class>\n"
             "   <extends>QStackedWidget</extends>\n"
             "   <addpagemethod>addWidget</addpagemethod>\n"
             "  </customwidget>\n"
             " </customwidgets>\n"
             "</ui>\n")
      .arg(QString::fromLatin1(kStackedClass));
}

TStackedContainer::TStackedContainer(TweeneryStackedWidget* Stack, QObject* Parent) : QObject(Parent), FStack(Stack) {}

int TStackedContainer::count() const { return FStack->count(); }
QWidget* TStackedContainer::widget(int Index) const { return FStack->widget(Index); }
int TStackedContainer::currentIndex() const { return FStack->currentIndex(); }
void TStackedContainer::setCurrentIndex(int Index) { FStack->setCurrentIndex(Index); }
void TStackedContainer::addWidget(QWidget* Page) { FStack->addWidget(Page); }
void TStackedContainer::insertWidget(int Index, QWidget* Page) { FStack->insertWidget(Index, Page); }

void TStackedContainer::remove(int Index) {
  // Designer keeps the page (for undo); the stack only lets it go.
  if (QWidget* page = FStack->widget(Index)) FStack->removeWidget(page);
}

TStackedContainerFactory::TStackedContainerFactory(QExtensionManager* Parent) : QExtensionFactory(Parent) {}

QObject* TStackedContainerFactory::createExtension(QObject* Object, const QString& Iid, QObject* Parent) const {
  if (Iid != QLatin1String(Q_TYPEID(QDesignerContainerExtension))) return nullptr;
  auto* stack = qobject_cast<TweeneryStackedWidget*>(Object);
  return stack ? new TStackedContainer(stack, Parent) : nullptr;
}

// ---------------------------------------------------------------- task menu

TTweeneryTaskMenu::TTweeneryTaskMenu(TweeneryWidget* Widget, QObject* Parent) : QObject(Parent), FWidget(Widget) {
  const std::string className = Widget->Tweenery()->ClassName();
  for (const TRegisteredPropertyEditor& entry : RegisteredPropertyEditors()) {
    if (!EditorApplies(entry, className) || entry.PropertyName.empty()) continue;
    const std::string property = entry.PropertyName;
    auto* action = new QAction(QStringLiteral("Edit %1…").arg(QString::fromStdString(property)), this);
    connect(action, &QAction::triggered, this, [this, property] { EditWidgetProperty(FWidget, property); });
    FActions.append(action);
  }
}

QAction* TTweeneryTaskMenu::preferredEditAction() const { return FActions.isEmpty() ? nullptr : FActions.first(); }

TTweeneryTaskMenuFactory::TTweeneryTaskMenuFactory(QExtensionManager* Parent) : QExtensionFactory(Parent) {}

QObject* TTweeneryTaskMenuFactory::createExtension(QObject* Object, const QString& Iid, QObject* Parent) const {
  if (Iid != QLatin1String(Q_TYPEID(QDesignerTaskMenuExtension))) return nullptr;
  auto* widget = qobject_cast<TweeneryWidget*>(Object);
  return widget ? new TTweeneryTaskMenu(widget, Parent) : nullptr;
}

// ---------------------------------------------------------------- collection

namespace {

TTweeneryDesignerCollection* LiveCollection = nullptr;

void ShutdownLiveCollection() {
  if (LiveCollection) LiveCollection->Shutdown();
}

}  // namespace

TTweeneryDesignerCollection::TTweeneryDesignerCollection(QObject* Parent)
    : QObject(Parent), FPlatform(std::make_unique<TQtPlatform>()), FPackage(std::make_unique<TPackageLoader>()) {
  LiveCollection = this;
  qAddPostRoutine(ShutdownLiveCollection);
  if (!FPackage->Error().empty()) qWarning("Tweenery designer plugin: %s", FPackage->Error().c_str());
  if (FPackage->Loaded()) {
    for (const TRegisteredPage& page : RegisteredComponents()) {
      for (const std::string& className : page.ClassNames) {
        if (className != kTweeneryClass) {
          qWarning("Tweenery designer plugin: no widget for %s", className.c_str());
          continue;
        }
        FWidgets.append(
            new TTweeneryWidgetInterface(QString::fromStdString(className), QString::fromStdString(page.Page), this));
      }
    }
  }
  // The stacked widget is no component of the package: it is there either way.
  FWidgets.append(new TStackedWidgetInterface(this));
}

TTweeneryDesignerCollection::~TTweeneryDesignerCollection() {
  Shutdown();
  qRemovePostRoutine(ShutdownLiveCollection);
  if (LiveCollection == this) LiveCollection = nullptr;
  qDeleteAll(FWidgets);
  FWidgets.clear();
}

void TTweeneryDesignerCollection::Shutdown() {
  if (FPackage) FPackage->Finalize();
  FPlatform.reset();
}

}  // namespace tweenery
