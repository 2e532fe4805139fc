// Shows a window that fades from one picture to another and closes when
// the transition is done. With two file names (Windows bitmaps or JPEG
// pictures) it plays between those; without, between two pictures it draws.
#include <QApplication>
#include <QImage>
#include <QPainter>

#include "platform/qt/QtPlatform.h"
#include "widget/TweeneryWidget.h"

using tweenery::TweeneryWidget;

namespace {

// A picture of diagonal stripes in two colours.
QImage Stripes(const QColor& First, const QColor& Second) {
  QImage picture(160, 120, QImage::Format_RGB32);
  picture.fill(First);
  QPainter painter(&picture);
  painter.setPen(QPen(Second, 12));
  for (int x = -120; x < 160; x += 32) painter.drawLine(x, 120, x + 120, 0);
  return picture;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  // The component's timer and dialogs run on Qt from here on.
  tweenery::TQtPlatform platform;

  TweeneryWidget tweenery;
  tweenery.setWindowTitle(QStringLiteral("Embedded transition"));
  tweenery.resize(160, 120);
  if (argc > 2) {
    tweenery.setFromImageFile(QString::fromLocal8Bit(argv[1]));
    tweenery.setToImageFile(QString::fromLocal8Bit(argv[2]));
  } else {
    tweenery.setFromBitmap(Stripes(Qt::darkBlue, Qt::yellow));
    tweenery.setToBitmap(Stripes(Qt::white, Qt::darkRed));
  }
  tweenery.setOperation(TweeneryWidget::toFade);
  tweenery.setInterval(20);
  tweenery.setSteps(8);

  QObject::connect(&tweenery, &TweeneryWidget::done, &application, &QApplication::quit);
  tweenery.show();
  tweenery.play();
  return application.exec();
}
