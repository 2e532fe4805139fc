// The widget's playback by duration and easing, its size hint and its error
// signal, as a program sees them through the installed headers.
#include <tweenery/TweeneryWidget.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEasingCurve>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QPropertyAnimation>
#include <QStringList>
#include <QTimer>

#include "WidgetConsumer.h"

using tweenery::TweeneryWidget;

namespace {

// 600 ms with OutCubic: done() 550 to 1000 ms after play(), the widget
// sized to its pictures.
bool PlaysForItsDuration(const QString& FromFile, const QString& ToFile) {
  TweeneryWidget widget;
  widget.setFromBitmap(QImage(FromFile));
  widget.setToBitmap(QImage(ToFile));
  if (widget.sizeHint() != kPictureSize) return ConsumerFailed(QStringLiteral("sizeHint() is not the pictures' size"));
  widget.setDuration(600);
  widget.setEasingCurve(QEasingCurve::OutCubic);
  if (widget.property("Duration").toInt() != 600 ||
      widget.property("EasingCurve").value<QEasingCurve>().type() != QEasingCurve::OutCubic)
    return ConsumerFailed(QStringLiteral("the Duration or EasingCurve property does not hold what was set"));
  widget.show();

  QEventLoop loop;
  qint64 doneAfter = -1;
  QElapsedTimer clock;
  QObject::connect(&widget, &TweeneryWidget::done, &loop, [&] { doneAfter = clock.elapsed(); loop.quit(); });
  QTimer::singleShot(3000, &loop, &QEventLoop::quit);
  clock.start();
  widget.play();
  loop.exec();
  if (doneAfter < 550 || doneAfter > 1000)
    return ConsumerFailed(QStringLiteral("done() came %1 ms after play() with Duration 600").arg(doneAfter));
  return true;
}

// Every window that became visible while Work ran, by class name; each is
// closed as soon as it is seen (a modal message box would wait forever).
template <class Work>
QStringList WindowsOpenedBy(Work&& Run) {
  QStringList opened;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    for (QWidget* window : QApplication::topLevelWidgets())
      if (window->isVisible()) {
        opened << QString::fromLatin1(window->metaObject()->className());
        window->close();
      }
  });
  watch.start(20);
  Run();
  // Whatever the work posted still gets its turn.
  const QDeadlineTimer settle(200);
  while (!settle.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return opened;
}

// A missing file: errorOccurred names it, no window opens, the picture stays.
bool ReportsAMissingFile(const QString& FromFile) {
  TweeneryWidget widget;
  widget.setFromBitmap(QImage(FromFile));
  const QString missing = QFileInfo(FromFile).dir().filePath(QStringLiteral("no-such-picture.png"));
  QStringList errors;
  QObject::connect(&widget, &TweeneryWidget::errorOccurred, [&](const QString& Message) { errors << Message; });
  const QStringList opened = WindowsOpenedBy([&] { widget.setFromImageFile(missing); });
  if (errors.size() != 1 || !errors[0].contains(QStringLiteral("no-such-picture.png")))
    return ConsumerFailed(QStringLiteral("a missing file gave errorOccurred %1 times: %2")
                              .arg(errors.size())
                              .arg(errors.join(QStringLiteral(" | "))));
  if (!opened.isEmpty())
    return ConsumerFailed(QStringLiteral("a missing file opened a window: ") + opened.join(QStringLiteral(", ")));
  if (widget.FromBitmap().size() != kPictureSize)
    return ConsumerFailed(QStringLiteral("a missing file changed the From picture"));
  return true;
}

// Progress shows the frame at a fraction of the run: half-way it is neither
// picture, and an animation of the property runs the transition to its end.
bool FollowsProgress(const QString& FromFile, const QString& ToFile) {
  const QImage from = QImage(FromFile).convertToFormat(QImage::Format_RGB32);
  const QImage to = QImage(ToFile).convertToFormat(QImage::Format_RGB32);
  TweeneryWidget widget;
  widget.setFromBitmap(from);
  widget.setToBitmap(to);
  widget.resize(kPictureSize);
  widget.show();
  widget.setProperty("Progress", 0.5);
  const QImage half = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
  if (half == from || half == to) return ConsumerFailed(QStringLiteral("Progress 0.5 shows one of the pictures"));

  QPropertyAnimation animation(&widget, "Progress");
  animation.setStartValue(0.0);
  animation.setEndValue(1.0);
  animation.setDuration(200);
  QEventLoop loop;
  QObject::connect(&animation, &QPropertyAnimation::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(3000, &loop, &QEventLoop::quit);
  animation.start();
  loop.exec();
  if (widget.property("Progress").toDouble() != 1.0)
    return ConsumerFailed(QStringLiteral("an animation of Progress did not reach 1"));
  if (widget.grab().toImage().convertToFormat(QImage::Format_RGB32) != to)
    return ConsumerFailed(QStringLiteral("Progress 1 does not show the To picture"));
  return true;
}

}  // namespace

bool WidgetTimingChecks(const QString& FromFile, const QString& ToFile) {
  return PlaysForItsDuration(FromFile, ToFile) && FollowsProgress(FromFile, ToFile) && ReportsAMissingFile(FromFile);
}
