// Two pictures (any format Qt reads) and a button that plays the transition
// between them: 600 ms, easing out. Usage: play-button FROM TO
#include <QApplication>
#include <QPushButton>
#include <QVBoxLayout>
#include <tweenery/TweeneryWidget.h>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  auto* w = new tweenery::TweeneryWidget;
  w->setFromBitmap(QImage(app.arguments().value(1)));
  w->setToBitmap(QImage(app.arguments().value(2)));
  w->setDuration(600);
  w->setEasingCurve(QEasingCurve::OutCubic);
  auto* play = new QPushButton("Play");
  QObject::connect(play, &QPushButton::clicked, w, &tweenery::TweeneryWidget::play);
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(w);
  layout->addWidget(play);
  window.show();
  return app.exec();
}
