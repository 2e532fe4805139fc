#include "widget/TweeneryStackedWidget.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QVariantAnimation>
#include <memory>

#include "platform/qt/QtDrawing.h"

namespace tweenery {

namespace {

// The events a user makes; a page under a transition gets none of them.
bool IsInput(QEvent::Type Type) {
  switch (Type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::Gesture:
      return true;
    default:
      return false;
  }
}

// The widget an event for Receiver is meant for: the receiver, or for a
// shortcut or an action the widget it belongs to.
QWidget* WidgetOf(QObject* Receiver) {
  for (QObject* object = Receiver; object; object = object->parent())
    if (object->isWidgetType()) return static_cast<QWidget*>(object);
  return nullptr;
}

// The page as the screen shows it, at device pixels, opaque: over
// Background wherever the page leaves its own background unpainted.
std::unique_ptr<TBitmap> PagePicture(QWidget* Page, const QColor& Background) {
  QPixmap grab = Page->grab();
  if (grab.isNull()) return nullptr;
  grab.setDevicePixelRatio(1);  // drawn pixel for pixel
  auto picture = std::make_unique<TBitmap>();
  picture->SetSize(grab.width(), grab.height());
  QImage view = BitmapImage(picture.get());
  view.fill(Background);
  QPainter painter(&view);
  painter.drawPixmap(0, 0, grab);
  return picture;
}

}  // namespace

// ---------------------------------------------------------------- the cover

/// The cover over the pages while a transition plays: it paints the frame
/// of the moment from the component's renderer and takes the input meant
/// for the stack. Its clock runs the time from 0 to the duration; each paint
/// maps the time so far to a frame.
class TPageTransition : public QWidget {
 public:
  explicit TPageTransition(TweeneryStackedWidget* Stack) : QWidget(Stack), FStack(Stack), FClock(new QVariantAnimation(this)) {
    setObjectName(QStringLiteral("TransitionCover"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    hide();
    FClock->setObjectName(QStringLiteral("TransitionClock"));
    FClock->setStartValue(0.0);
    FClock->setEndValue(1.0);
    connect(FClock, &QVariantAnimation::valueChanged, this, [this] { update(); });
  }
  ~TPageTransition() override { Stop(); }

  QVariantAnimation* Clock() const { return FClock; }
  bool Playing() const { return FRenderer != nullptr; }

  /// Plays from From to To (of one size, at device pixels) over the
  /// rectangle of the stack's pages. Raises what the renderer raises (a
  /// transition that never ends, no memory); nothing plays then.
  void Start(std::unique_ptr<TBitmap> From, const TBitmap& To, const TTransitionSettings& Settings, qreal Ratio,
             int Duration, const QEasingCurve& Easing, const QRect& Pages) {
    Stop();
    ++FRun;
    FRenderer = std::make_unique<TTransitionRenderer>(*From, To, Settings);
    FFrom = std::move(From);
    FShown = FFrom.get();
    FRatio = Ratio;
    FEasing = Easing;
    setGeometry(Pages);
    raise();
    show();
    qApp->installEventFilter(this);
    FClock->setDuration(Duration);
    FClock->start();
  }

  /// Ends the transition without a word: the cover hides and lets the
  /// pictures go.
  void Stop() {
    FClock->stop();
    qApp->removeEventFilter(this);
    hide();
    FShown = nullptr;
    FRenderer.reset();
    FFrom.reset();
  }

  /// What the cover shows: the frame painted last, or the leaving picture
  /// before the first paint. Only while Playing.
  const TBitmap& Shown() const { return *FShown; }

 protected:
  void paintEvent(QPaintEvent* Event) override {
    if (!FRenderer) return;
    try {
      FShown = &FRenderer->Compose(FRenderer->FrameAtProgress(EasedProgress(), TEasing()));
    } catch (...) {
      // Shown keeps what painted last; the stack ends this run at once,
      // outside this handler (a later run is not this one's to end).
      QMetaObject::invokeMethod(
          this, [this, run = FRun] { if (run == FRun) FStack->finishTransition(); }, Qt::QueuedConnection);
    }
    QImage frame = BitmapImage(const_cast<TBitmap*>(FShown));
    frame.setDevicePixelRatio(FRatio);
    QPainter painter(this);
    painter.setClipRegion(Event->region());
    painter.drawImage(QPoint(0, 0), frame);
  }

  bool event(QEvent* Event) override {
    if (IsInput(Event->type())) {
      Event->accept();
      return true;
    }
    return QWidget::event(Event);
  }

  bool eventFilter(QObject* Receiver, QEvent* Event) override {
    if (!IsInput(Event->type())) return false;
    QWidget* target = WidgetOf(Receiver);
    if (!target || (target != FStack && !FStack->isAncestorOf(target))) return false;
    // Accepted, so that a ShortcutOverride also keeps the page's shortcuts
    // from firing.
    Event->accept();
    return true;
  }

 private:
  // The time so far as a fraction of the duration, through the easing
  // curve: how far the picture has got.
  double EasedProgress() const {
    const int duration = FClock->duration();
    const double time = duration > 0 ? static_cast<double>(FClock->currentTime()) / duration : 1.0;
    return FEasing.valueForProgress(qBound(0.0, time, 1.0));
  }

  TweeneryStackedWidget* FStack;
  QVariantAnimation* FClock;
  std::unique_ptr<TTransitionRenderer> FRenderer;
  std::unique_ptr<TBitmap> FFrom;
  const TBitmap* FShown = nullptr;
  QEasingCurve FEasing;
  qreal FRatio = 1;
  quint64 FRun = 0;  // counts the runs started
};

// ---------------------------------------------------------------- the stack

TweeneryStackedWidget::TweeneryStackedWidget(QWidget* parent) : QStackedWidget(parent) {
  // The layout reports every change of the current page, however it came.
  connect(this, &QStackedWidget::currentChanged, this, &TweeneryStackedWidget::CurrentPageChanged);
}

TweeneryStackedWidget::~TweeneryStackedWidget() {
  // The pages die after this part of the stack; their removal must not reach it.
  disconnect(this, &QStackedWidget::currentChanged, this, &TweeneryStackedWidget::CurrentPageChanged);
  delete FTransition;
  FTransition = nullptr;
}

bool TweeneryStackedWidget::InTransition() const { return FTransition && FTransition->Playing(); }

TTransitionSettings TweeneryStackedWidget::TransitionSettings() const {
  TTransitionSettings settings;
  settings.Operation = static_cast<::tweenery::TTransitionOperation>(FOperation);
  settings.Modifier = static_cast<::tweenery::TTransitionModifier>(FModifier);
  settings.Reverse = FReverse;
  settings.Delta = FDelta;
  if (FColor.isValid()) settings.Color = FromQColor(FColor);
  return settings;
}

void TweeneryStackedWidget::CurrentPageChanged(int Index) {
  QWidget* leaving = FShownPage;
  FShownPage = currentWidget();
  bool started = false;
  try {
    started = StartTransition(leaving);
  } catch (...) {
    // No memory for the pictures, or a transition that never ends: the
    // page shows at once.
  }
  if (started) return;
  if (FTransition) FTransition->Stop();
  emit transitionFinished(Index);
}

bool TweeneryStackedWidget::Animates(const QWidget* Leaving) const {
  if (!isVisible() || FDesigning || FDuration <= 0 || count() < 2) return false;
  // A removed or deleted page cannot be grabbed; a playing transition
  // supplies the screen instead.
  return InTransition() || (Leaving && indexOf(const_cast<QWidget*>(Leaving)) >= 0);
}

bool TweeneryStackedWidget::StartTransition(QWidget* Leaving) {
  QWidget* entering = currentWidget();
  if (!entering || !Animates(Leaving)) return false;
  // Pages added since the last layout pass get their geometry now.
  if (layout()) layout()->activate();
  const QRect pages = entering->geometry();
  const qreal ratio = entering->devicePixelRatioF();
  const QSize devicePixels = pages.size() * ratio;
  if (pages.isEmpty() || qint64{devicePixels.width()} * devicePixels.height() > MaxTransitionPixels) return false;

  const QColor background = palette().color(backgroundRole());
  std::unique_ptr<TBitmap> from;
  if (InTransition()) {
    from = std::make_unique<TBitmap>();
    from->Assign(&FTransition->Shown());
  } else {
    from = PagePicture(Leaving, background);
  }
  const std::unique_ptr<TBitmap> to = PagePicture(entering, background);
  if (!from || !to || from->Width() != to->Width() || from->Height() != to->Height()) return false;

  if (!FTransition) {
    FTransition = new TPageTransition(this);
    connect(FTransition->Clock(), &QAbstractAnimation::finished, this, &TweeneryStackedWidget::TransitionEnded);
  }
  FTransition->Start(std::move(from), *to, TransitionSettings(), ratio, FDuration, FEasingCurve, pages);
  return true;
}

void TweeneryStackedWidget::TransitionEnded() {
  FTransition->Stop();
  emit transitionFinished(currentIndex());
}

void TweeneryStackedWidget::finishTransition() {
  if (InTransition()) TransitionEnded();
}

void TweeneryStackedWidget::resizeEvent(QResizeEvent* Event) {
  QStackedWidget::resizeEvent(Event);
  finishTransition();
}

void TweeneryStackedWidget::hideEvent(QHideEvent* Event) {
  QStackedWidget::hideEvent(Event);
  finishTransition();
}

// ---------------------------------------------------------------- properties

void TweeneryStackedWidget::setOperation(TTransitionOperation Value) {
  if (int(Value) < 0 || int(Value) >= TransitionOperationCount || Value == FOperation) return;
  FOperation = Value;
  emit operationChanged();
}

void TweeneryStackedWidget::setModifier(TTransitionModifier Value) {
  if (int(Value) < int(TweeneryWidget::tmLeft) || int(Value) > int(TweeneryWidget::tmDown) || Value == FModifier) return;
  FModifier = Value;
  emit modifierChanged();
}

void TweeneryStackedWidget::setReverse(bool Value) {
  if (Value == FReverse) return;
  FReverse = Value;
  emit reverseChanged();
}

void TweeneryStackedWidget::setDelta(int Value) {
  if (Value == FDelta) return;
  FDelta = Value;
  emit deltaChanged();
}

void TweeneryStackedWidget::setDuration(int Value) {
  Value = qMax(0, Value);
  if (Value == FDuration) return;
  FDuration = Value;
  emit durationChanged();
}

void TweeneryStackedWidget::setEasingCurve(const QEasingCurve& Value) {
  if (Value == FEasingCurve) return;
  FEasingCurve = Value;
  emit easingCurveChanged();
}

void TweeneryStackedWidget::setColor(const QColor& Value) {
  if (Value == FColor) return;
  FColor = Value;
  emit colorChanged();
}

}  // namespace tweenery
