#include "demo/Tour.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "demo/AbtUnit.h"
#include "demo/MainUnit.h"

namespace tweenery {

namespace {

constexpr int kFrameMs = 40;            // 25 frames a second
constexpr qint64 kLongestPlayMs = 5000;  // a transition still running then is stopped
constexpr int kHoldFrames = 12;          // the finished picture stays a while

template <typename T>
T* Find(const QObject& Parent, const QString& Name) {
  T* child = Parent.findChild<T*>(Name);
  if (!child) throw Exception("The dialog has no control named " + Name.toStdString() + ".");
  return child;
}

void Settle(int Milliseconds = 30) {
  QElapsedTimer clock;
  clock.start();
  do QApplication::processEvents(QEventLoop::AllEvents, 10);
  while (clock.elapsed() < Milliseconds);
}

bool Save(const QImage& Image, const QString& Path) {
  const bool saved = Image.save(Path, "PNG", 80);
  if (!saved) std::fprintf(stderr, "tweenery-demo: cannot write %s\n", qPrintable(Path));
  return saved;
}

// A press and release of the left button, delivered as the window system would.
void ClickAt(QWidget* Target, QPoint At) {
  const QPointF local(At), global(Target->mapToGlobal(At));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(Target, &release);
}

void MoveTo(QWidget* Target, QPoint At) {
  QMouseEvent move(QEvent::MouseMove, QPointF(At), QPointF(Target->mapToGlobal(At)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(Target, &move);
}

// The dialog with the top-level windows it dropped drawn where they lie.
QImage DialogWithPopup(QWidget& Form, QWidget* Popup) {
  QImage shot = Form.grab().toImage();
  if (Popup && Popup->isVisible()) {
    QPainter painter(&shot);
    painter.drawPixmap(Popup->mapToGlobal(QPoint(0, 0)) - Form.mapToGlobal(QPoint(0, 0)), Popup->grab());
  }
  return shot;
}

class TFilm {
 public:
  TFilm(QWidget& Form, const QString& Folder) : FForm(Form), FFolder(Folder) {}

  bool Frame() {
    ++FCount;
    return Save(FForm.grab().toImage(), FFolder + QStringLiteral("/%1.png").arg(FCount, 4, 10, QChar(u'0')));
  }
  // Films until Finished holds (or the longest play has passed), then holds the picture.
  bool FilmUntil(const std::function<bool()>& Finished) {
    QElapsedTimer clock;
    clock.start();
    bool saved = true;
    while (!Finished() && clock.elapsed() < kLongestPlayMs) {
      saved = Frame() && saved;
      Settle(kFrameMs);
    }
    for (int i = 0; i < kHoldFrames; ++i) {
      saved = Frame() && saved;
      Settle(kFrameMs);
    }
    return saved;
  }
  int Count() const { return FCount; }

 private:
  QWidget& FForm;
  QString FFolder;
  int FCount = 0;
};

struct TTourStop {
  const char* Item;     // the operation's item text
  bool UseThread;       // which driver plays it
};

const TTourStop kTourStops[] = {
    {"Roll", true}, {"Iris", false}, {"Swarm", true}, {"Fade", false},
    {"StripedIris", true}, {"Blinds", false}, {"Push", true},
};

int ItemOf(const char* Text) {
  for (int i = 0; i < OperationItemCount; ++i)
    if (QLatin1String(OperationItemText(i)) == QLatin1String(Text)) return i;
  return 0;
}

QAbstractButton* OperationItem(QWidget& Form, int Item) {
  return Find<QAbstractButton>(Form, QStringLiteral("RadioGroupItem%1").arg(Item));
}

bool ShootStill(TMainForm& Form, const QString& Folder) {
  std::printf("  the idle dialog\n");
  return Save(Form.grab().toImage(), Folder + QStringLiteral("/dialog.png"));
}

bool ShootPopup(TMainForm& Form, const QString& Folder) {
  std::printf("  the colour popup of \"Fade\"\n");
  OperationItem(Form, ItemOf("Fade"))->click();
  Settle();
  auto* button = Find<QWidget>(Form, QStringLiteral("FadeColorButton"));
  ClickAt(button, QPoint(5, 5));
  Settle();
  QWidget* popup = Form.findChild<QWidget*>(QStringLiteral("PopUpColorBox"));
  if (popup) {
    MoveTo(popup, QPoint(30, 50));  // hover a cell so the marking shows
    Settle();
  }
  const bool saved = Save(DialogWithPopup(Form, popup), Folder + QStringLiteral("/popup.png"));
  if (popup) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(popup, &escape);
    Settle();
  }
  return saved;
}

bool ShootAbout(TMainForm& Form, const QString& Folder) {
  std::printf("  the about box\n");
  TAboutForm* about = Form.AboutForm();
  if (!about) return true;
  about->show();
  Settle(60);
  const bool saved = Save(about->grab().toImage(), Folder + QStringLiteral("/about.png"));
  about->hide();
  Settle();
  return saved;
}

bool FilmTransitions(TMainForm& Form, TFilm& Film) {
  auto* play = Find<QPushButton>(Form, QStringLiteral("ActivateButton"));
  auto* reversible = Find<QCheckBox>(Form, QStringLiteral("ReversibleCheckBox"));
  auto* useThread = Find<QCheckBox>(Form, QStringLiteral("UseThreadCheckBox"));
  auto idle = [play] { return play->text() == QLatin1String("Play"); };
  bool saved = true;

  // "Reverse on done": forth, a second's pause, back, and stopped by hand.
  std::printf("  MonoSlider back and forth (Reverse on done)\n");
  OperationItem(Form, ItemOf("MonoSlider"))->click();
  Settle();
  play->click();
  int completions = 0;
  auto* reverse = Find<QCheckBox>(Form, QStringLiteral("ReverseCheckBox"));
  const bool startReverse = reverse->isChecked();
  bool lastReverse = startReverse;
  saved = Film.FilmUntil([&] {
    if (reverse->isChecked() != lastReverse) {
      lastReverse = reverse->isChecked();
      ++completions;
    }
    return completions >= 2;
  }) && saved;
  play->click();  // Stop
  Settle();

  for (const TTourStop& stop : kTourStops) {
    std::printf("  %s with the %s driver\n", stop.Item, stop.UseThread ? "thread" : "timer");
    OperationItem(Form, ItemOf(stop.Item))->click();
    reversible->setChecked(false);
    useThread->setChecked(stop.UseThread);
    Settle();
    play->click();
    saved = Film.FilmUntil(idle) && saved;
    if (!idle()) play->click();  // still running after the longest play
    Settle();
  }
  return saved;
}

}  // namespace

bool RunTour(TMainForm& Form, const QString& Folder) {
  const QString frames = Folder + QStringLiteral("/frames");
  if (!QDir().mkpath(frames)) {
    std::fprintf(stderr, "tweenery-demo: cannot make the folder %s\n", qPrintable(frames));
    return false;
  }
  for (const QString& old : QDir(frames).entryList({QStringLiteral("*.png")}, QDir::Files))
    QDir(frames).remove(old);
  std::printf("tweenery-demo: touring the dialog into %s\n", qPrintable(Folder));
  Settle(100);
  bool saved = ShootStill(Form, Folder);
  saved = ShootPopup(Form, Folder) && saved;
  saved = ShootAbout(Form, Folder) && saved;
  TFilm film(Form, frames);
  saved = FilmTransitions(Form, film) && saved;
  std::printf("tweenery-demo: %d frames in %s\n", film.Count(), qPrintable(frames));
  std::fflush(stdout);
  return saved;
}

}  // namespace tweenery
