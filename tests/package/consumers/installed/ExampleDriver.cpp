// Linked into the docs' play-button example to run it unattended: once its
// window shows, this presses the Play button, waits for the widget's done()
// and checks that it came after about the 600 ms the example asks for and
// that the window then shows the To picture. The window is saved as
// play-button.png in the working folder. Exit status 0 when all holds.
#include <tweenery/TweeneryWidget.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

using tweenery::TweeneryWidget;

namespace {

void Finish(const char* Failure) {
  if (Failure) std::fprintf(stderr, "play-button: %s\n", Failure);
  QCoreApplication::exit(Failure ? 1 : 0);
}

QWidget* ShownWindow() {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible()) return window;
  return nullptr;
}

void PressPlay() {
  QWidget* window = ShownWindow();
  auto* widget = window ? window->findChild<TweeneryWidget*>() : nullptr;
  auto* button = window ? window->findChild<QPushButton*>() : nullptr;
  if (!widget || !button) return Finish("the example shows no window with a TweeneryWidget and a button");
  if (widget->FromBitmap().isNull() || widget->ToBitmap().isNull())
    return Finish("the example did not load its two pictures");

  auto* clock = new QElapsedTimer;
  QObject::connect(widget, &TweeneryWidget::done, window, [=] {
    const qint64 after = clock->elapsed();
    delete clock;
    const QImage shown = widget->grab().toImage();
    const QImage to = widget->ToBitmap();
    const QPoint middle(to.width() / 2, to.height() / 2);
    window->grab().save(QStringLiteral("play-button.png"));
    if (after < 550 || after > 1000) return Finish("done() did not come 550 to 1000 ms after Play");
    if (shown.pixel(middle) != to.pixel(middle)) return Finish("after done() the widget does not show the To picture");
    Finish(nullptr);
  });
  QTimer::singleShot(5000, [] { Finish("no done() within 5 s of pressing Play"); });
  clock->start();
  button->click();
}

// Runs as the QApplication is made, before the example's main goes on.
void Drive() { QTimer::singleShot(0, PressPlay); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Drive)
