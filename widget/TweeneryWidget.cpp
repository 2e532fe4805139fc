#include "widget/TweeneryWidget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <exception>

#include "platform/FormText.h"
#include "platform/ImageCodecs.h"
#include "platform/qt/QtDrawing.h"
#include "platform/qt/QtImageFiles.h"
#include "platform/qt/QtPlatform.h"
#include "tweenkit/Timeline.h"

namespace tweenery {

// The Qt enumerations are the component's, value for value.
static_assert(int(TweeneryWidget::toPush) == int(::tweenery::toPush));
static_assert(int(TweeneryWidget::toBlinds) == int(::tweenery::toBlinds));
static_assert(int(TweeneryWidget::toCheckerboard) == int(::tweenery::toCheckerboard));
static_assert(int(TweeneryWidget::toCrush) == int(::tweenery::toCrush));
static_assert(int(TweeneryWidget::toMonoReveal) == int(::tweenery::toMonoReveal));
static_assert(int(TweeneryWidget::toReveal) == int(::tweenery::toReveal));
static_assert(int(TweeneryWidget::toIris) == int(::tweenery::toIris));
static_assert(int(TweeneryWidget::toMonoSlider) == int(::tweenery::toMonoSlider));
static_assert(int(TweeneryWidget::toSlider) == int(::tweenery::toSlider));
static_assert(int(TweeneryWidget::toStrip) == int(::tweenery::toStrip));
static_assert(int(TweeneryWidget::toZoom) == int(::tweenery::toZoom));
static_assert(int(TweeneryWidget::toFade) == int(::tweenery::toFade));
static_assert(int(TweeneryWidget::toMosaic) == int(::tweenery::toMosaic));
static_assert(int(TweeneryWidget::toBlend) == int(::tweenery::toBlend));
static_assert(int(TweeneryWidget::toGlide) == int(::tweenery::toGlide));
static_assert(int(TweeneryWidget::toReplace) == int(::tweenery::toReplace));
static_assert(int(TweeneryWidget::toRGB) == int(::tweenery::toRGB));
static_assert(int(TweeneryWidget::toRGBBlend) == int(::tweenery::toRGBBlend));
static_assert(int(TweeneryWidget::toSpiral) == int(::tweenery::toSpiral));
static_assert(int(TweeneryWidget::toCheckerBlinds) == int(::tweenery::toCheckerBlinds));
static_assert(int(TweeneryWidget::toShade) == int(::tweenery::toShade));
static_assert(int(TweeneryWidget::toShadeContinue) == int(::tweenery::toShadeContinue));
static_assert(int(TweeneryWidget::toSqueeze) == int(::tweenery::toSqueeze));
static_assert(int(TweeneryWidget::toRandomBars) == int(::tweenery::toRandomBars));
static_assert(int(TweeneryWidget::toTwinRandomBars) == int(::tweenery::toTwinRandomBars));
static_assert(int(TweeneryWidget::toSwarm) == int(::tweenery::toSwarm));
static_assert(int(TweeneryWidget::toStripedIris) == int(::tweenery::toStripedIris));
static_assert(int(TweeneryWidget::toRoll) == int(::tweenery::toRoll));
static_assert(int(TweeneryWidget::tmLeft) == int(::tweenery::tmLeft));
static_assert(int(TweeneryWidget::tmRight) == int(::tweenery::tmRight));
static_assert(int(TweeneryWidget::tmUp) == int(::tweenery::tmUp));
static_assert(int(TweeneryWidget::tmDown) == int(::tweenery::tmDown));
static_assert(int(TweeneryWidget::coRGB) == int(::tweenery::coRGB));
static_assert(int(TweeneryWidget::coRBG) == int(::tweenery::coRBG));
static_assert(int(TweeneryWidget::coGRB) == int(::tweenery::coGRB));
static_assert(int(TweeneryWidget::coGBR) == int(::tweenery::coGBR));
static_assert(int(TweeneryWidget::coBRG) == int(::tweenery::coBRG));
static_assert(int(TweeneryWidget::coBGR) == int(::tweenery::coBGR));

namespace {

QImage BitmapCopy(TBitmap* Bitmap) { return BitmapImage(Bitmap).copy(); }

// The loader the widget registers for what Qt reads and the component has
// no reader of its own for.
bool LoadQtImageFile(const std::string& FileName, std::unique_ptr<TBitmap>& Picture) {
  std::string reason;
  if (ReadQtImageFile(FileName, Picture, reason)) return true;
  NoteImageLoadFailure(reason);
  return false;
}


// The widest place and size a widget can take (QWIDGETSIZE_MAX).
constexpr std::int64_t kWidgetExtent = 16777215;

// The component as the widget creates it: a subclass only to reach the
// frame it shows.
class TWidgetTweenery : public TTweenery {
 public:
  using TTweenery::TTweenery;
  using TTweenery::FrameBitmap;
};

}  // namespace

void RegisterQtImageLoaders() {
  // Windows bitmaps and JPEG stay with the component's own decoders (so
  // frames stay exact), and so does any reader a program registered itself.
  static bool registered = false;
  if (registered) return;
  registered = true;
  for (const std::string& format : QtImageFormats())
    if (!format.empty() && !FindImageLoader(format)) RegisterImageLoader(format, LoadQtImageFile);
}

// The values whose change the widget signals.
struct TweeneryWidget::TSnapshot {
  bool Active;
  TColor Color;
  std::int32_t CurrentFrame, Delta, Steps;
  std::uint32_t Interval;
  bool MaintainAspectRatio, Reverse, Stretch, UseThread;
  int Modifier, Operation, RGBOrder;
  std::string FromImageFile, ToImageFile;
  QSize FromSize, ToSize;
};

TweeneryWidget::TweeneryWidget(QWidget* parent)
    : TQtControlHost(parent), FRoot(std::make_unique<TComponent>(nullptr)) {
  // No hidden set-up: a QApplication is all a program needs.
  EnsureQtPlatform();
  RegisterQtImageLoaders();
  FRoot->SetName("Form");
  FTweenery = new TWidgetTweenery(FRoot.get());
  FTweenery->SetName("Tweenery");
  FTimeline = std::make_unique<TTweeneryTimeline>(*FTweenery);
  FPulse = new QTimer(this);
  FPulse->setSingleShot(true);
  FPulse->setTimerType(Qt::PreciseTimer);
  connect(FPulse, &QTimer::timeout, this, &TweeneryWidget::Pulse);
  resize(FTweenery->Width(), FTweenery->Height());
  CoverWidget();
  FTweenery->SetParent(this);
  BindDone();
  FTweenery->SetOnTick([this](TObject*) { Tick(); });
  FTweenery->SetOnImageError([this](TObject*, const std::string& Message) { Report(QString::fromStdString(Message)); });
}

TweeneryWidget::~TweeneryWidget() {
  FPulse->stop();
  // The component leaves the host while the host is still whole; the
  // timeline, which reaches it, goes first.
  FTimeline.reset();
  FRoot.reset();
}

template <class Action>
bool TweeneryWidget::Guarded(const char* What, Action&& Run) {
  // Nothing may leave a setter, slot or event handler into Qt.
  try {
    Run();
    return true;
  } catch (const std::exception& error) {
    Report(QStringLiteral("%1: %2").arg(QLatin1String(What), QString::fromUtf8(error.what())));
  } catch (...) {
    Report(QStringLiteral("%1: failed").arg(QLatin1String(What)));
  }
  return false;
}

void TweeneryWidget::Report(const QString& Message) { emit errorOccurred(Message); }

void TweeneryWidget::CoverWidget() const {
  // A hidden widget gets its resize event only when shown; whoever reaches
  // the component in the meantime finds it at the widget's size already.
  FTweenery->SetBounds(0, 0, width(), height());
}

TTweenery* TweeneryWidget::Tweenery() const {
  CoverWidget();
  return FTweenery;
}

void TweeneryWidget::resizeEvent(QResizeEvent* Event) {
  TQtControlHost::resizeEvent(Event);
  Guarded("resize", [&] { CoverWidget(); });
  // The random bars run across the widget: their frame count follows it.
  const ::tweenery::TTransitionOperation operation = FTweenery->Operation();
  if (operation == ::tweenery::toRandomBars || operation == ::tweenery::toTwinRandomBars) emit progressChanged();
}

const TBitmap* TweeneryWidget::FrameShownWhole() const {
  // Painting copies the frame unscaled onto the surface from the widget's
  // corner; where the frame, the component and the widget are of one size
  // and nothing else is hosted, the surface ends up holding exactly the
  // frame, so the frame itself can be shown.
  const TTweenery& t = *FTweenery;
  const TBitmap* frame = static_cast<const TWidgetTweenery&>(t).FrameBitmap();
  if (Controls().size() != 1 || !t.Visible() || t.Stretch()) return nullptr;
  if (FTweenery->Canvas()->CopyMode() != cmSrcCopy) return nullptr;
  if (t.FromBitmap()->Empty() || t.ToBitmap()->Empty()) return nullptr;
  const TRect bounds = t.BoundsRect();
  if (bounds.Left != 0 || bounds.Top != 0 || bounds.Right != width() || bounds.Bottom != height()) return nullptr;
  if (frame->Width() != width() || frame->Height() != height()) return nullptr;
  return frame;
}

void TweeneryWidget::paintEvent(QPaintEvent* Event) {
  // One copy into the window instead of two (into the surface, then from it)
  // for every frame of a playing transition.
  const TBitmap* frame = FrameShownWhole();
  if (!frame) {
    TQtControlHost::paintEvent(Event);
    return;
  }
  const QImage image = BitmapImage(const_cast<TBitmap*>(frame));
  QPainter painter(this);
  for (const QRect& r : Event->region()) painter.drawImage(r, image, r);
}

QSize TweeneryWidget::sizeHint() const {
  const TBitmap* from = FTweenery->FromBitmap();
  if (!from->Empty()) return QSize(from->Width(), from->Height());
  const TBitmap* to = FTweenery->ToBitmap();
  if (!to->Empty()) return QSize(to->Width(), to->Height());
  return QSize(Tweenery()->Width(), Tweenery()->Height());
}

void TweeneryWidget::SetDesigning(bool Value) {
  // Through the root, as a designer marks a whole form.
  FRoot->SetDesigning(Value);
  FTweenery->Invalidate();
}

void TweeneryWidget::BindDone() {
  FTweenery->SetOnDone([this](TObject* Sender) {
    // The run has stopped before the component calls this; a timed run
    // with it. A handler that plays again starts a new one.
    FTimeline->Stop();
    FPulse->stop();
    emit activeChanged();
    const TSnapshot before = Snapshot();
    // The bound handler may set a new one up through a form; call a copy.
    if (TNotifyEvent handler = FBoundDone) handler(Sender);
    EmitChanges(before);
    emit done();
  });
}

void TweeneryWidget::PublishHandler(const std::string& Name, TNotifyEvent Handler) {
  FRoot->PublishMethod(Name, std::move(Handler));
}

void TweeneryWidget::CheckFormGeometry(const std::vector<TFormOrdinal>& Values) const {
  // What a widget cannot be is refused before anything is set, naming the
  // line; the component alone could take it, its widget not.
  for (const TFormOrdinal& value : Values) {
    const std::string& name = value.Info->Name;
    const bool size = name == "Width" || name == "Height";
    if (!size && name != "Left" && name != "Top") continue;
    const std::int64_t low = size ? 0 : -kWidgetExtent;
    if (value.Value < low || value.Value > kWidgetExtent)
      throw EFormError(value.Line, name + " = " + std::to_string(value.Value) + " is beyond what a widget can be (" +
                                       std::to_string(low) + " to " + std::to_string(kWidgetExtent) + ")");
  }
}

void TweeneryWidget::LoadFormText(const std::string& Text) {
  const TSnapshot before = Snapshot();
  // Read off the host, with Left and Top at a mark, so that what the text
  // gives can be told from what it leaves out.
  FTweenery->SetParent(nullptr);
  FTweenery->SetBounds(INT_MIN, INT_MIN, width(), height());
  FTweenery->SetOnDone(FBoundDone);
  const auto restore = [this] {
    FBoundDone = FTweenery->OnDone();
    BindDone();
    const int left = FTweenery->Left(), top = FTweenery->Top();
    const int w = FTweenery->Width(), h = FTweenery->Height();
    // Whatever happens here, the component ends up on the widget, covering it.
    Guarded("LoadFormText", [&] {
      if (left != INT_MIN || top != INT_MIN) move(left != INT_MIN ? left : x(), top != INT_MIN ? top : y());
      if (w != width() || h != height()) resize(w, h);
    });
    Guarded("LoadFormText", [&] { CoverWidget(); });
    FTweenery->SetParent(this);
  };
  try {
    ReadComponentText(Text, *FTweenery, [this](const std::vector<TFormOrdinal>& Values) { CheckFormGeometry(Values); });
  } catch (...) {
    restore();
    EmitChanges(before);
    throw;
  }
  restore();
  EmitChanges(before);
  emit fromPictureChanged();
  emit toPictureChanged();
}

std::string TweeneryWidget::FormText() const {
  // The text places the component where the widget is in its parent.
  FTweenery->SetParent(nullptr);
  FTweenery->SetBounds(x(), y(), width(), height());
  std::string text;
  try {
    text = WriteComponentText(*FTweenery);
  } catch (...) {
    FTweenery->SetBounds(0, 0, width(), height());
    FTweenery->SetParent(const_cast<TweeneryWidget*>(this));
    throw;
  }
  FTweenery->SetBounds(0, 0, width(), height());
  FTweenery->SetParent(const_cast<TweeneryWidget*>(this));
  return text;
}

// ---------------------------------------------------------------- change signals

TweeneryWidget::TSnapshot TweeneryWidget::Snapshot() const {
  const TTweenery& t = *FTweenery;
  return TSnapshot{t.Active(),
                   t.Color(),
                   t.CurrentFrame(),
                   t.Delta(),
                   t.Steps(),
                   t.Interval(),
                   t.MaintainAspectRatio(),
                   t.Reverse(),
                   t.Stretch(),
                   t.UseThread(),
                   t.Modifier(),
                   t.Operation(),
                   t.RGBOrder(),
                   t.FromImageFile(),
                   t.ToImageFile(),
                   QSize(t.FromBitmap()->Width(), t.FromBitmap()->Height()),
                   QSize(t.ToBitmap()->Width(), t.ToBitmap()->Height())};
}

void TweeneryWidget::EmitChanges(const TSnapshot& Before) {
  // A Progress written before the pictures came (a .ui file's order) is
  // shown once they are there.
  if (FTimeline->PendingProgress() && (FTweenery->FromBitmap()->Width() != Before.FromSize.width() ||
                                       FTweenery->FromBitmap()->Height() != Before.FromSize.height() ||
                                       FTweenery->ToBitmap()->Width() != Before.ToSize.width() ||
                                       FTweenery->ToBitmap()->Height() != Before.ToSize.height() ||
                                       FTweenery->FromImageFile() != Before.FromImageFile ||
                                       FTweenery->ToImageFile() != Before.ToImageFile))
    Guarded("Progress", [&] { FTimeline->ShowPendingProgress(); });
  const TSnapshot now = Snapshot();
  if (now.Active != Before.Active) emit activeChanged();
  if (now.Color != Before.Color) emit colorChanged();
  if (now.CurrentFrame != Before.CurrentFrame) emit currentFrameChanged();
  if (now.Delta != Before.Delta) emit deltaChanged();
  if (now.Steps != Before.Steps) emit stepsChanged();
  if (now.Interval != Before.Interval) emit intervalChanged();
  if (now.MaintainAspectRatio != Before.MaintainAspectRatio) emit maintainAspectRatioChanged();
  if (now.Reverse != Before.Reverse) emit reverseChanged();
  if (now.Stretch != Before.Stretch) emit stretchChanged();
  if (now.UseThread != Before.UseThread) emit useThreadChanged();
  if (now.Modifier != Before.Modifier) emit modifierChanged();
  if (now.Operation != Before.Operation) emit operationChanged();
  if (now.RGBOrder != Before.RGBOrder) emit rgbOrderChanged();
  if (now.FromImageFile != Before.FromImageFile) emit fromPictureChanged();
  if (now.ToImageFile != Before.ToImageFile) emit toPictureChanged();
  const bool pictures = now.FromSize != Before.FromSize || now.ToSize != Before.ToSize;
  if (pictures) updateGeometry();
  // Progress is CurrentFrame over a frame count that follows the pictures'
  // sizes and the settings.
  if (pictures || now.CurrentFrame != Before.CurrentFrame || now.Delta != Before.Delta ||
      now.Reverse != Before.Reverse || now.Modifier != Before.Modifier || now.Operation != Before.Operation)
    emit progressChanged();
}

template <class Change>
void TweeneryWidget::Changing(Change&& Apply) {
  const TSnapshot before = Snapshot();
  try {
    Apply();
  } catch (...) {
    EmitChanges(before);
    throw;
  }
  EmitChanges(before);
}

// ---------------------------------------------------------------- properties

QStringList TweeneryWidget::About() const {
  QStringList lines;
  const TStrings* about = FTweenery->About();
  for (int i = 0; i < about->Count(); ++i) lines << QString::fromStdString(about->Strings(i));
  return lines;
}

QColor TweeneryWidget::Color() const { return ToQColor(FTweenery->Color()); }
QImage TweeneryWidget::FromBitmap() const { return BitmapCopy(FTweenery->FromBitmap()); }
QImage TweeneryWidget::ToBitmap() const { return BitmapCopy(FTweenery->ToBitmap()); }

qreal TweeneryWidget::Progress() const {
  // A getter raises nothing either: a frame count that cannot be found
  // (no memory for the copies it takes) reads as the start.
  try {
    return FTimeline->Progress();
  } catch (...) {
    return 0;
  }
}

void TweeneryWidget::setActive(bool Value) {
  if (Value) play(); else stop();
}
void TweeneryWidget::setColor(const QColor& Value) {
  Guarded("Color", [&] { Changing([&] { FTweenery->SetColor(FromQColor(Value)); }); });
}
void TweeneryWidget::resetColor() {
  Guarded("Color", [&] { Changing([&] { FTweenery->SetColor(clBtnFace); }); });
}
void TweeneryWidget::setCurrentFrame(int Value) {
  FTimeline->ForgetPendingProgress();
  Guarded("CurrentFrame", [&] { Changing([&] { FTweenery->SetCurrentFrame(Value); }); });
}

void TweeneryWidget::SetPicture(const char* What, const QImage& Value, bool From) {
  Guarded(What, [&] {
    const bool accepted = !FTweenery->Active();
    std::unique_ptr<TBitmap> picture;
    if (accepted && !Value.isNull()) {
      const std::int64_t pixels = std::int64_t{Value.width()} * Value.height();
      if (pixels > TBitmap::MaxPixels) {
        Report(QStringLiteral("%1: a %2 x %3 picture is too large (more than %4 pixels)")
                   .arg(QLatin1String(What))
                   .arg(Value.width())
                   .arg(Value.height())
                   .arg(TBitmap::MaxPixels));
        return;
      }
      picture = QImageToBitmap(Value);
    }
    Changing([&] {
      // The converted picture is the component's own: taken, not copied.
      if (!picture) {
        if (From) FTweenery->SetFromBitmap(nullptr); else FTweenery->SetToBitmap(nullptr);
      } else if (From) {
        FTweenery->TakeFromBitmap(*picture);
      } else {
        FTweenery->TakeToBitmap(*picture);
      }
    });
    if (!accepted) return;
    if (From) emit fromPictureChanged(); else emit toPictureChanged();
    emit progressChanged();
  });
}

void TweeneryWidget::setFromBitmap(const QImage& Value) { SetPicture("FromBitmap", Value, true); }
void TweeneryWidget::setToBitmap(const QImage& Value) { SetPicture("ToBitmap", Value, false); }

void TweeneryWidget::setFromImageFile(const QString& Value) {
  // A file that cannot be read is reported by the component (OnImageError).
  Guarded("FromImageFile", [&] { Changing([&] { FTweenery->SetFromImageFile(Value.toStdString()); }); });
}
void TweeneryWidget::setToImageFile(const QString& Value) {
  Guarded("ToImageFile", [&] { Changing([&] { FTweenery->SetToImageFile(Value.toStdString()); }); });
}
void TweeneryWidget::setDelta(int Value) {
  Guarded("Delta", [&] { Changing([&] { FTweenery->SetDelta(Value); }); });
}
void TweeneryWidget::setInterval(uint Value) {
  Guarded("Interval", [&] { Changing([&] { FTweenery->SetInterval(Value); }); });
}
void TweeneryWidget::setMaintainAspectRatio(bool Value) {
  Guarded("MaintainAspectRatio", [&] { Changing([&] { FTweenery->SetMaintainAspectRatio(Value); }); });
}
void TweeneryWidget::setModifier(TTransitionModifier Value) {
  if (Value < tmLeft || Value > tmDown) {
    Report(QStringLiteral("Modifier: %1 is not a TTransitionModifier (0 to 3)").arg(int(Value)));
    return;
  }
  Guarded("Modifier", [&] {
    Changing([&] { FTweenery->SetModifier(static_cast<::tweenery::TTransitionModifier>(Value)); });
  });
}
void TweeneryWidget::setOperation(TTransitionOperation Value) {
  // Out-of-range values (a setProperty with a bare integer) never reach
  // the component.
  if (Value < toPush || Value > toRoll) {
    Report(QStringLiteral("Operation: %1 is not a TTransitionOperation (0 to %2)")
               .arg(int(Value))
               .arg(TransitionOperationCount - 1));
    return;
  }
  Guarded("Operation", [&] {
    Changing([&] { FTweenery->SetOperation(static_cast<::tweenery::TTransitionOperation>(Value)); });
  });
}
void TweeneryWidget::setReverse(bool Value) {
  Guarded("Reverse", [&] { Changing([&] { FTweenery->SetReverse(Value); }); });
}
void TweeneryWidget::setRGBOrder(TRGBOrder Value) {
  if (Value < coRGB || Value > coBGR) {
    Report(QStringLiteral("RGBOrder: %1 is not a TRGBOrder (0 to 5)").arg(int(Value)));
    return;
  }
  Guarded("RGBOrder", [&] { Changing([&] { FTweenery->SetRGBOrder(static_cast<::tweenery::TRGBOrder>(Value)); }); });
}
void TweeneryWidget::setStretch(bool Value) {
  Guarded("Stretch", [&] { Changing([&] { FTweenery->SetStretch(Value); }); });
}
void TweeneryWidget::setUseThread(bool Value) {
  Guarded("UseThread", [&] { Changing([&] { FTweenery->SetUseThread(Value); }); });
}
void TweeneryWidget::setSteps(int Value) {
  Guarded("Steps", [&] { Changing([&] { FTweenery->SetSteps(Value); }); });
}

void TweeneryWidget::setDuration(int Value) {
  if (Value < 0) {
    Report(QStringLiteral("Duration: %1 ms is negative (0 plays frame by frame)").arg(Value));
    return;
  }
  if (Value == FDuration) return;
  FDuration = Value;
  emit durationChanged();
}

void TweeneryWidget::setEasingCurve(const QEasingCurve& Value) {
  if (Value == FEasingCurve) return;
  FEasingCurve = Value;
  emit easingCurveChanged();
}

void TweeneryWidget::setEasingType(QEasingCurve::Type Value) {
  // The splines need their points and Custom its function: only a whole
  // QEasingCurve (EasingCurve) brings those.
  if (Value < QEasingCurve::Linear || Value >= QEasingCurve::BezierSpline) {
    Report(QStringLiteral("EasingType: %1 is not a QEasingCurve type that needs no points or function (0 to %2)")
               .arg(int(Value))
               .arg(int(QEasingCurve::BezierSpline) - 1));
    return;
  }
  if (Value == FEasingCurve.type()) return;
  setEasingCurve(QEasingCurve(Value));
}

void TweeneryWidget::setProgress(qreal Value) {
  if (std::isnan(Value)) {
    Report(QStringLiteral("Progress: not a number (0 to 1)"));
    return;
  }
  Guarded("Progress", [&] {
    const qreal before = Progress();
    const std::int32_t frame = FTweenery->CurrentFrame();
    Changing([&] { FTimeline->SetProgress(Value); });
    // The same frame for another fraction: only the value read changed.
    if (FTweenery->CurrentFrame() == frame && Progress() != before) emit progressChanged();
  });
}

// ---------------------------------------------------------------- playback

void TweeneryWidget::play() {
  Guarded("play", [&] {
    // A TQtPlatform that came and went leaves the headless loop behind.
    EnsureQtPlatform();
    // Set-up sizes the random bars from the control.
    CoverWidget();
    if (FTweenery->Active()) return;
    FTimeline->Stop();
    FTimeline->ForgetPendingProgress();
    FPulse->stop();
    if (FDuration > 0) {
      const QEasingCurve curve = FEasingCurve;
      FTimeline->Start(FDuration, [curve](double Time) { return curve.valueForProgress(Time); });
    }
    Changing([&] { FTweenery->Play(); });
    if (!FTweenery->Active()) FTimeline->Stop();
    SchedulePulse();
  });
}
void TweeneryWidget::stop() {
  Guarded("stop", [&] {
    FPulse->stop();
    FTimeline->Stop();
    Changing([&] { FTweenery->Stop(); });
  });
}
void TweeneryWidget::pause() {
  Guarded("pause", [&] {
    Changing([&] { FTweenery->Pause(); });
    if (FTweenery->Paused()) {
      FTimeline->Pause();
      FPulse->stop();
    }
  });
}
void TweeneryWidget::resume() {
  Guarded("resume", [&] {
    Changing([&] { FTweenery->Resume(); });
    if (FTweenery->Active() && !FTweenery->Paused()) {
      FTimeline->Resume();
      SchedulePulse();
    }
  });
}

// ---------------------------------------------------------------- timed runs

int TweeneryWidget::FramePeriodMs() const {
  // One display refresh; 60 Hz where the screen does not tell.
  const QScreen* shown = screen();
  const qreal rate = shown ? shown->refreshRate() : 0;
  if (!(rate >= 20 && rate <= 500)) return 16;
  return std::max(2, static_cast<int>(std::floor(1000.0 / rate)));
}

void TweeneryWidget::SchedulePulse() {
  if (!FTimeline->Running() || FTimeline->Paused() || !FTweenery->Active()) {
    FPulse->stop();
    return;
  }
  // Every display refresh, and once more right at the end of the duration.
  using namespace std::chrono;
  const auto remaining = duration_cast<milliseconds>(FTimeline->Remaining(TTweeneryTimeline::TClock::now()));
  const long long left = std::max<long long>(remaining.count() + 1, 0);
  FPulse->start(static_cast<int>(std::min<long long>(left, FramePeriodMs())));
}

void TweeneryWidget::AdvanceTimedRun() {
  // The component may have been paused or resumed behind the widget's back
  // (through Tweenery()); the clock follows it.
  if (FTweenery->Active() && FTweenery->Paused()) {
    FTimeline->Pause();
    FPulse->stop();
    return;
  }
  FTimeline->Resume();
  FTimeline->Advance();
  SchedulePulse();
}

void TweeneryWidget::Tick() {
  const std::int32_t before = FTweenery->CurrentFrame();
  const bool ok = Guarded("tick", [&] {
    // A run started on the component itself (Tweenery()->Play()) is timed
    // from its first tick.
    if (FDuration > 0 && FTweenery->Active() && !FTimeline->Running()) {
      const QEasingCurve curve = FEasingCurve;
      FTimeline->Start(FDuration, [curve](double Time) { return curve.valueForProgress(Time); });
    }
    if (FTimeline->Running()) AdvanceTimedRun(); else FTweenery->StepFrame();
  });
  // A failing frame would fail at every tick: the run ends.
  if (!ok && FTweenery->Active()) stop();
  if (FTweenery->CurrentFrame() != before) {
    emit currentFrameChanged();
    emit progressChanged();
  }
}

void TweeneryWidget::Pulse() {
  if (!FTimeline->Running()) return;
  const std::int32_t before = FTweenery->CurrentFrame();
  const bool ok = Guarded("tick", [&] { AdvanceTimedRun(); });
  if (!ok && FTweenery->Active()) stop();
  if (FTweenery->CurrentFrame() != before) {
    emit currentFrameChanged();
    emit progressChanged();
  }
}

}  // namespace tweenery
