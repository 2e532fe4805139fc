// A Qt program built only against an installed Tweenery, through
// <tweenery/TweeneryWidget.h> and Tweenery::widget: it writes two PNG
// pictures into the folder it is given, loads them, plays a push between
// them on the widget and checks what the widget shows at the end.
#include <tweenery/TweeneryWidget.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <cstdio>

#include "WidgetConsumer.h"

using tweenery::TweeneryWidget;

namespace {

// Two bands, so that a frame halfway through a push is told from either end.
QImage TwoBands(const QColor& Left, const QColor& Right) {
  QImage picture(kPictureSize, QImage::Format_RGB32);
  picture.fill(Left);
  QPainter(&picture).fillRect(picture.width() / 2, 0, picture.width() / 2, picture.height(), Right);
  return picture;
}

bool WritePicture(const QImage& Picture, const QString& File) {
  if (Picture.save(File, "PNG")) return true;
  return ConsumerFailed(QStringLiteral("cannot write ") + File);
}

// Plays a push on Widget and waits (up to a few seconds) for done().
bool PlaysToTheEnd(TweeneryWidget& Widget) {
  QEventLoop loop;
  bool done = false;
  QObject::connect(&Widget, &TweeneryWidget::done, &loop, [&] { done = true; loop.quit(); });
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);
  Widget.play();
  loop.exec();
  return done || ConsumerFailed(QStringLiteral("done() did not follow play() within 5 s"));
}

}  // namespace

bool ConsumerFailed(const QString& What) {
  std::fprintf(stderr, "widget-consumer: %s\n", qPrintable(What));
  return false;
}

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
  const QString fromFile = folder.filePath(QStringLiteral("from.png"));
  const QString toFile = folder.filePath(QStringLiteral("to.png"));
  if (!WritePicture(TwoBands(Qt::darkBlue, Qt::yellow), fromFile) ||
      !WritePicture(TwoBands(Qt::white, Qt::darkRed), toFile))
    return 1;

  const QImage from(fromFile), to(toFile);
  if (from.size() != kPictureSize || to.size() != kPictureSize) {
    ConsumerFailed(QStringLiteral("the PNG pictures did not read back"));
    return 1;
  }
  TweeneryWidget widget;
  widget.setFromBitmap(from);
  widget.setToBitmap(to);
  if (widget.FromBitmap().size() != kPictureSize || widget.FromBitmap().pixel(70, 10) != from.pixel(70, 10)) {
    ConsumerFailed(QStringLiteral("the widget does not hold the From picture it was given"));
    return 1;
  }

  widget.resize(kPictureSize);
  widget.setOperation(TweeneryWidget::toPush);
  widget.setInterval(1);
  widget.setSteps(4);
  widget.show();
  if (!PlaysToTheEnd(widget)) return 1;
  const QImage shown = widget.grab().toImage();
  for (const QPoint at : {QPoint(10, 32), QPoint(86, 32)})
    if (shown.pixel(at) != to.pixel(at)) {
      ConsumerFailed(QStringLiteral("after done() the widget does not show the To picture"));
      return 1;
    }
  widget.hide();

#ifdef WITH_WIDGET_TIMING
  if (!WidgetTimingChecks(fromFile, toFile)) return 1;
#endif
  std::puts("widget-consumer: ok");
  return 0;
}
