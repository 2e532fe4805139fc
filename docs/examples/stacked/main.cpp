// Three pages behind a tab bar; each change of tab plays a transition
// chosen in the combo box. With --capture FOLDER it grabs the window as it
// changes from the first page to the third, one PNG every 40 ms, and quits
// (run it with QT_QPA_PLATFORM=offscreen to make the pictures headless);
// docs/images/stacked.gif is such a run through ImageMagick's
// `convert -delay 5 FOLDER/frame-*.png -loop 0 -layers Optimize`.
#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaEnum>
#include <QProgressBar>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

#include "widget/TweeneryStackedWidget.h"

using tweenery::TweeneryStackedWidget;
using tweenery::TweeneryWidget;

namespace {

QWidget* AccountPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  form->addRow(QStringLiteral("Name:"), new QLineEdit(QStringLiteral("Ada")));
  form->addRow(QStringLiteral("E-mail:"), new QLineEdit(QStringLiteral("ada@example.org")));
  form->addRow(QStringLiteral("Plan:"), new QLabel(QStringLiteral("<b>Studio</b>, renews in May")));
  return page;
}

QWidget* ProjectsPage() {
  auto* list = new QListWidget;
  for (const char* name : {"Harbour at dawn", "Winter garden", "Street market", "Night train", "Lighthouse"})
    list->addItem(QString::fromLatin1(name));
  list->setCurrentRow(1);
  return list;
}

QWidget* StoragePage() {
  auto* page = new QWidget;
  page->setAutoFillBackground(true);
  page->setStyleSheet(QStringLiteral("background: #204a87; color: white;"));
  auto* column = new QVBoxLayout(page);
  column->addWidget(new QLabel(QStringLiteral("<h2>Storage</h2>3.2 GB of 5 GB used")));
  auto* used = new QProgressBar;
  used->setValue(64);
  column->addWidget(used);
  column->addStretch();
  return page;
}

// Grabs Window before the third tab's page comes in and every 40 ms while
// it does, into Folder/frame-NN.png, then quits.
void Capture(QWidget* Window, QTabBar* Tabs, TweeneryStackedWidget* Pages, const QString& Folder) {
  auto* timer = new QTimer(Window);
  auto save = [Window, Folder, frame = std::make_shared<int>(0)] {
    Window->grab().save(QStringLiteral("%1/frame-%2.png").arg(Folder).arg((*frame)++, 2, 10, QChar('0')));
  };
  QObject::connect(timer, &QTimer::timeout, Window, save);
  QObject::connect(Pages, &TweeneryStackedWidget::transitionFinished, Window, [timer, save] {
    timer->stop();
    save();
    QApplication::quit();
  });
  QTimer::singleShot(200, Window, [Tabs, timer, save] {
    save();
    Tabs->setCurrentIndex(2);
    timer->start(40);
  });
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);

  QWidget window;
  window.setWindowTitle(QStringLiteral("Page transitions"));
  auto* tabs = new QTabBar;
  auto* choice = new QComboBox;
  auto* pages = new TweeneryStackedWidget;

  for (const char* name : {"Account", "Projects", "Storage"}) tabs->addTab(QString::fromLatin1(name));
  pages->addWidget(AccountPage());
  pages->addWidget(ProjectsPage());
  pages->addWidget(StoragePage());
  pages->setOperation(TweeneryWidget::toCheckerBlinds);
  pages->setDelta(12);
  pages->setDuration(600);

  // Every operation by its name, as the enumeration spells it.
  const QMetaEnum operations = QMetaEnum::fromType<TweeneryWidget::TTransitionOperation>();
  for (int i = 0; i < operations.keyCount(); ++i) choice->addItem(QString::fromLatin1(operations.key(i)));
  choice->setCurrentIndex(pages->Operation());

  QObject::connect(tabs, &QTabBar::currentChanged, pages, &TweeneryStackedWidget::setCurrentIndex);
  QObject::connect(choice, &QComboBox::currentIndexChanged, pages,
                   [pages](int Index) { pages->setOperation(TweeneryWidget::TTransitionOperation(Index)); });

  auto* column = new QVBoxLayout(&window);
  column->addWidget(choice);
  column->addWidget(tabs);
  column->addWidget(pages);
  window.resize(360, 220);
  window.show();

  const QStringList arguments = application.arguments();
  if (const qsizetype at = arguments.indexOf(QStringLiteral("--capture")); at >= 0 && at + 1 < arguments.size())
    Capture(&window, tabs, pages, arguments.at(at + 1));
  return application.exec();
}
