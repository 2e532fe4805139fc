#include "widget/TweeneryWidget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <climits>
#include <cstring>

#include "platform/FormText.h"
#include "platform/qt/QtDrawing.h"

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

// A copy of the picture as a bitmap of the platform's pixel layout (the
// same as RGB32), every pixel opaque.
std::unique_ptr<TBitmap> ImageBitmap(const QImage& Image) {
  auto bitmap = std::make_unique<TBitmap>();
  if (Image.isNull()) return bitmap;
  const QImage rgb = Image.convertToFormat(QImage::Format_RGB32);
  bitmap->SetSize(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* from = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
    std::uint32_t* to = bitmap->ScanLine(y);
    for (int x = 0; x < rgb.width(); ++x) to[x] = from[x] | 0xFF000000u;
  }
  return bitmap;
}

QImage BitmapCopy(TBitmap* Bitmap) { return BitmapImage(Bitmap).copy(); }

// The component as the widget creates it: a subclass only to reach the
// frame it shows.
class TWidgetTweenery : public TTweenery {
 public:
  using TTweenery::TTweenery;
  using TTweenery::FrameBitmap;
};

}  // namespace

// The values whose change the widget signals.
struct TweeneryWidget::TSnapshot {
  bool Active;
  TColor Color;
  std::int32_t CurrentFrame, Delta, Steps;
  std::uint32_t Interval;
  bool MaintainAspectRatio, Reverse, Stretch, UseThread;
  int Modifier, Operation, RGBOrder;
  std::string FromImageFile, ToImageFile;
};

TweeneryWidget::TweeneryWidget(QWidget* parent)
    : TQtControlHost(parent), FRoot(std::make_unique<TComponent>(nullptr)) {
  FRoot->SetName("Form");
  FTweenery = new TWidgetTweenery(FRoot.get());
  FTweenery->SetName("Tweenery");
  resize(FTweenery->Width(), FTweenery->Height());
  CoverWidget();
  FTweenery->SetParent(this);
  BindDone();
}

TweeneryWidget::~TweeneryWidget() {
  // The component leaves the host while the host is still whole.
  FRoot.reset();
}

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
  CoverWidget();
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

QSize TweeneryWidget::sizeHint() const { return QSize(Tweenery()->Width(), Tweenery()->Height()); }

void TweeneryWidget::SetDesigning(bool Value) {
  // Through the root, as a designer marks a whole form.
  FRoot->SetDesigning(Value);
  FTweenery->Invalidate();
}

void TweeneryWidget::BindDone() {
  FTweenery->SetOnDone([this](TObject* Sender) {
    // The run has stopped before the component calls this.
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
    if (left != INT_MIN || top != INT_MIN) move(left != INT_MIN ? left : x(), top != INT_MIN ? top : y());
    if (w != width() || h != height()) resize(w, h);
    CoverWidget();
    FTweenery->SetParent(this);
  };
  try {
    ReadComponentText(Text, *FTweenery);
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
                   t.ToImageFile()};
}

void TweeneryWidget::EmitChanges(const TSnapshot& Before) {
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
}

template <class Change>
void TweeneryWidget::Changing(Change&& Apply) {
  const TSnapshot before = Snapshot();
  Apply();
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

void TweeneryWidget::setActive(bool Value) {
  Changing([&] { FTweenery->SetActive(Value); });
}
void TweeneryWidget::setColor(const QColor& Value) {
  Changing([&] { FTweenery->SetColor(FromQColor(Value)); });
}
void TweeneryWidget::resetColor() {
  Changing([&] { FTweenery->SetColor(clBtnFace); });
}
void TweeneryWidget::setCurrentFrame(int Value) {
  Changing([&] { FTweenery->SetCurrentFrame(Value); });
}

void TweeneryWidget::setFromBitmap(const QImage& Value) {
  const bool accepted = !FTweenery->Active();
  const std::unique_ptr<TBitmap> picture = ImageBitmap(Value);
  Changing([&] { FTweenery->SetFromBitmap(Value.isNull() ? nullptr : picture.get()); });
  if (accepted) emit fromPictureChanged();
}

void TweeneryWidget::setToBitmap(const QImage& Value) {
  const bool accepted = !FTweenery->Active();
  const std::unique_ptr<TBitmap> picture = ImageBitmap(Value);
  Changing([&] { FTweenery->SetToBitmap(Value.isNull() ? nullptr : picture.get()); });
  if (accepted) emit toPictureChanged();
}

void TweeneryWidget::setFromImageFile(const QString& Value) {
  Changing([&] { FTweenery->SetFromImageFile(Value.toStdString()); });
}
void TweeneryWidget::setToImageFile(const QString& Value) {
  Changing([&] { FTweenery->SetToImageFile(Value.toStdString()); });
}
void TweeneryWidget::setDelta(int Value) {
  Changing([&] { FTweenery->SetDelta(Value); });
}
void TweeneryWidget::setInterval(uint Value) {
  Changing([&] { FTweenery->SetInterval(Value); });
}
void TweeneryWidget::setMaintainAspectRatio(bool Value) {
  Changing([&] { FTweenery->SetMaintainAspectRatio(Value); });
}
void TweeneryWidget::setModifier(TTransitionModifier Value) {
  Changing([&] { FTweenery->SetModifier(static_cast<::tweenery::TTransitionModifier>(Value)); });
}
void TweeneryWidget::setOperation(TTransitionOperation Value) {
  // Out-of-range values (a setProperty with a bare integer) are the
  // component's to refuse.
  Changing([&] { FTweenery->SetOperation(static_cast<::tweenery::TTransitionOperation>(Value)); });
}
void TweeneryWidget::setReverse(bool Value) {
  Changing([&] { FTweenery->SetReverse(Value); });
}
void TweeneryWidget::setRGBOrder(TRGBOrder Value) {
  Changing([&] { FTweenery->SetRGBOrder(static_cast<::tweenery::TRGBOrder>(Value)); });
}
void TweeneryWidget::setStretch(bool Value) {
  Changing([&] { FTweenery->SetStretch(Value); });
}
void TweeneryWidget::setUseThread(bool Value) {
  Changing([&] { FTweenery->SetUseThread(Value); });
}
void TweeneryWidget::setSteps(int Value) {
  Changing([&] { FTweenery->SetSteps(Value); });
}

// ---------------------------------------------------------------- playback

void TweeneryWidget::play() {
  // Set-up sizes the random bars from the control.
  CoverWidget();
  Changing([&] { FTweenery->Play(); });
}
void TweeneryWidget::stop() {
  Changing([&] { FTweenery->Stop(); });
}
void TweeneryWidget::pause() {
  Changing([&] { FTweenery->Pause(); });
}
void TweeneryWidget::resume() {
  Changing([&] { FTweenery->Resume(); });
}

}  // namespace tweenery
