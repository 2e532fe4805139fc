#include "quick/TweeneryItem.h"

#include <QMetaMethod>
#include <QQuickWindow>
#include <QSGImageNode>
#include <QSGTexture>
#include <QtQml/qqmlcontext.h>
#include <QtQml/qqmlinfo.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/qt/QtDrawing.h"
#include "quick/UrlPictures.h"
#include "tweenkit/Presets.h"

namespace tweenery {

namespace {

// The frame as the scene graph draws it: an image node and the texture it
// shows, which the node owns so that it goes with the node whenever the
// scene graph drops it.
class TFrameNode final : public QSGNode {
 public:
  explicit TFrameNode(QQuickWindow* Window) : FImage(Window->createImageNode()) {
    FImage->setFlag(QSGNode::OwnedByParent, false);
    appendChildNode(FImage);
  }
  ~TFrameNode() override {
    // The image node goes first: it refers to the texture.
    delete FImage;
  }

  // False when no texture could be made of the frame.
  bool Show(QQuickWindow* Window, const QImage& Frame, quint64 Serial, const QRectF& Rect, bool Smooth) {
    if (Serial != FSerial) {
      std::unique_ptr<QSGTexture> texture(Window->createTextureFromImage(Frame));
      if (!texture) return false;
      FImage->setTexture(texture.get());
      FTexture = std::move(texture);
      FSerial = Serial;
    }
    FImage->setSourceRect(QRectF(0, 0, Frame.width(), Frame.height()));
    FImage->setRect(Rect);
    FImage->setFiltering(Smooth ? QSGTexture::Linear : QSGTexture::Nearest);
    return true;
  }

 private:
  std::unique_ptr<QSGTexture> FTexture;
  QSGImageNode* FImage;
  quint64 FSerial = 0;
};

QString OperationNames() { return TweeneryItem::operations().join(QStringLiteral(", ")); }

}  // namespace

TweeneryItem::TweeneryItem(QQuickItem* Parent) : QQuickItem(Parent) {
  setFlag(ItemHasContents);
  FPlayer.setStartValue(0.0);
  FPlayer.setEndValue(1.0);
  FPlayer.setDuration(FDuration);
  connect(&FPlayer, &QVariantAnimation::valueChanged, this, [this](const QVariant& Value) { ShowProgress(Value.toReal()); });
  connect(&FPlayer, &QAbstractAnimation::stateChanged, this, &TweeneryItem::runningChanged);
  connect(&FPlayer, &QAbstractAnimation::finished, this, &TweeneryItem::finished);
}

TweeneryItem::~TweeneryItem() {
  // The player stops as it goes; nobody is to hear of it from an item
  // that is half gone.
  FPlayer.disconnect(this);
}

QString TweeneryItem::operation() const { return QString::fromLatin1(OperationText(FSettings.Operation)); }

QString TweeneryItem::modifier() const { return QString::fromLatin1(ModifierText(FSettings.Modifier)); }

QString TweeneryItem::rgbOrder() const { return QString::fromLatin1(RGBOrderText(FSettings.RGBOrder)); }

QColor TweeneryItem::color() const { return FSettings.Color ? ToQColor(*FSettings.Color) : QColor(); }

bool TweeneryItem::running() const { return FPlayer.state() == QAbstractAnimation::Running; }

QStringList TweeneryItem::operations() {
  QStringList names;
  for (int item = 0; item < OperationItemCount; ++item) names << QString::fromLatin1(OperationItemText(item));
  return names;
}

void TweeneryItem::setFrom(const QUrl& Value) {
  if (!LoadPicture(TSide::From, Value)) return;
  setImplicitSize(FFrom ? FFrom->Width() : 0, FFrom ? FFrom->Height() : 0);
  SettingsChanged();
  emit fromChanged();
}

void TweeneryItem::setTo(const QUrl& Value) {
  if (!LoadPicture(TSide::To, Value)) return;
  SettingsChanged();
  emit toChanged();
}

void TweeneryItem::setOperation(const QString& Value) {
  const std::optional<TTransitionOperation> found = FindOperation(Value.toStdString());
  if (!found) {
    Report(QStringLiteral("unknown operation '%1'; the operations are %2").arg(Value, OperationNames()));
    return;
  }
  if (*found == FSettings.Operation) return;
  FSettings.Operation = *found;
  SettingsChanged();
  emit operationChanged();
}

void TweeneryItem::setModifier(const QString& Value) {
  const std::optional<TTransitionModifier> found = FindModifier(Value.toStdString());
  if (!found) {
    Report(QStringLiteral("unknown modifier '%1'; the modifiers are left, right, up and down").arg(Value));
    return;
  }
  if (*found == FSettings.Modifier) return;
  FSettings.Modifier = *found;
  SettingsChanged();
  emit modifierChanged();
}

void TweeneryItem::setReverse(bool Value) {
  if (Value == FSettings.Reverse) return;
  FSettings.Reverse = Value;
  SettingsChanged();
  emit reverseChanged();
}

void TweeneryItem::setDelta(int Value) {
  if (Value == FSettings.Delta) return;
  FSettings.Delta = Value;
  SettingsChanged();
  emit deltaChanged();
}

void TweeneryItem::setRgbOrder(const QString& Value) {
  const std::optional<TRGBOrder> found = FindRGBOrder(Value.toStdString());
  if (!found) {
    Report(QStringLiteral("unknown channel order '%1'; the orders are RGB, RBG, GRB, GBR, BRG and BGR").arg(Value));
    return;
  }
  if (*found == FSettings.RGBOrder) return;
  FSettings.RGBOrder = *found;
  SettingsChanged();
  emit rgbOrderChanged();
}

void TweeneryItem::setColor(const QColor& Value) {
  if (!Value.isValid()) return resetColor();
  const TColor color = FromQColor(Value);
  if (FSettings.Color == color) return;
  FSettings.Color = color;
  SettingsChanged();
  emit colorChanged();
}

void TweeneryItem::resetColor() {
  if (!FSettings.Color) return;
  FSettings.Color.reset();
  SettingsChanged();
  emit colorChanged();
}

void TweeneryItem::setProgress(qreal Value) {
  if (std::isnan(Value)) {
    Report(QStringLiteral("progress must be a number from 0 to 1, not NaN"));
    return;
  }
  stop();
  ShowProgress(Value);
}

void TweeneryItem::setEasing(const QEasingCurve& Value) {
  if (Value == FEasing) return;
  FEasing = Value;
  FrameChanged();
  emit easingChanged();
}

void TweeneryItem::setDuration(int Value) {
  if (Value < 0) {
    Report(QStringLiteral("duration must be at least 0 milliseconds, not %1").arg(Value));
    return;
  }
  if (Value == FDuration) return;
  FDuration = Value;
  FPlayer.setDuration(Value);
  emit durationChanged();
}

void TweeneryItem::play() {
  FPlayer.stop();
  FPlayer.start();
}

void TweeneryItem::stop() { FPlayer.stop(); }

bool TweeneryItem::LoadPicture(TSide Side, const QUrl& Value) {
  QUrl& url = Side == TSide::From ? FFromUrl : FToUrl;
  std::unique_ptr<TBitmap>& picture = Side == TSide::From ? FFrom : FTo;
  if (Value == url) return false;
  try {
    picture = Value.isEmpty() ? nullptr : ReadUrlPicture(Resolved(Value));
  } catch (const std::exception& e) {
    Report(QString::fromStdString(e.what()));
    return false;
  }
  url = Value;
  return true;
}

QUrl TweeneryItem::Resolved(const QUrl& Value) const {
  // A resource path (":/...") is already whole.
  if (!Value.isRelative() || Value.path().startsWith(QLatin1Char(':'))) return Value;
  const QQmlContext* context = qmlContext(this);
  return context ? context->resolvedUrl(Value) : Value;
}

void TweeneryItem::ShowProgress(qreal Value) {
  const qreal progress = std::clamp<qreal>(Value, 0, 1);
  if (progress == FProgress) return;
  FProgress = progress;
  FrameChanged();
  emit progressChanged();
}

void TweeneryItem::SettingsChanged() {
  FRun.reset();
  FRenderer.reset();
  FRunFailed = false;
  FShown.reset();
  FrameChanged();
}

void TweeneryItem::FrameChanged() {
  FFrameStale = true;
  polish();
  update();
}

void TweeneryItem::componentComplete() {
  QQuickItem::componentComplete();
  for (const QString& message : std::exchange(FPendingReports, {})) Report(message);
}

void TweeneryItem::updatePolish() {
  // Frames are composed here, on the GUI thread, where the component lives;
  // the scene graph only takes the finished image.
  if (FFrameStale) ComposeFrame();
}

void TweeneryItem::ComposeFrame() {
  FFrameStale = false;
  try {
    std::int64_t shown = FProgress <= 0 ? kShowsFrom : kShowsTo;
    if (FFrom && FTo && !FRunFailed && FProgress > 0 && FProgress < 1) {
      if (!FRun) {
        FRenderer = std::make_unique<TTransitionRenderer>(*FFrom, *FTo, FSettings);
        FRun = std::make_unique<TTransitionRun>(*FRenderer, std::vector<std::int32_t>{});
      }
      // Qt's curve shapes the time; the run takes the shaped progress as it is.
      shown = FRenderer->FrameAtProgress(FEasing.valueForProgress(FProgress), TEasing());
    }
    if (FShown == shown && !FFrame.isNull()) return;
    ShowPicture(shown);
    FShown = shown;
  } catch (const std::exception& e) {
    FRun.reset();
    FRenderer.reset();
    FRunFailed = true;
    FFrame = QImage();
    Report(QStringLiteral("cannot show the transition: %1").arg(QString::fromStdString(e.what())));
  }
  ++FFrameSerial;
}

void TweeneryItem::ShowPicture(std::int64_t Shown) {
  if (!FFrom || !FTo || FRunFailed) {
    FFrame = QImage();
  } else if (Shown == kShowsFrom) {
    KeepFrame(*FFrom);
  } else if (Shown == kShowsTo) {
    // As the component fits it to From.
    TBitmap fitted;
    AssignPicture(&fitted, FTo.get(), FFrom.get());
    KeepFrame(fitted);
  } else {
    KeepFrame(FRun->At(FEasing.valueForProgress(FProgress), TEasing()));
  }
}

void TweeneryItem::KeepFrame(const TBitmap& Picture) {
  const QImage picture = BitmapImage(const_cast<TBitmap*>(&Picture));
  // The image shown before is written over where nobody else holds it
  // (the scene graph may, until it has made its texture): a frame's worth
  // of fresh memory each frame costs more than the copy.
  if (FFrame.isDetached() && FFrame.size() == picture.size() && FFrame.format() == picture.format())
    std::memcpy(FFrame.bits(), picture.constBits(), static_cast<std::size_t>(picture.sizeInBytes()));
  else
    FFrame = picture.copy();
}

QSGNode* TweeneryItem::updatePaintNode(QSGNode* Node, UpdatePaintNodeData*) {
  auto* node = static_cast<TFrameNode*>(Node);
  if (FFrame.isNull() || width() <= 0 || height() <= 0) {
    delete node;
    return nullptr;
  }
  if (!node) node = new TFrameNode(window());
  if (!node->Show(window(), FFrame, FFrameSerial, boundingRect(), smooth())) {
    delete node;
    return nullptr;
  }
  return node;
}

void TweeneryItem::Report(const QString& Message) {
  if (!isComponentComplete()) {
    FPendingReports << Message;
    return;
  }
  if (!isSignalConnected(QMetaMethod::fromSignal(&TweeneryItem::errorOccurred))) qmlWarning(this) << Message;
  emit errorOccurred(Message);
}

}  // namespace tweenery
