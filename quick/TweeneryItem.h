/// @file
/// TweeneryItem: a transition between two pictures as a Qt Quick item
/// (`import Tweenery`). It shows the frame the component composes at a
/// progress, so every pixel is the one playback shows.
#pragma once

#include <QColor>
#include <QEasingCurve>
#include <QImage>
#include <QQuickItem>
#include <QStringList>
#include <QUrl>
#include <QVariantAnimation>
#include <QtQml/qqmlregistration.h>
#include <memory>
#include <optional>

#include "tweenkit/TimeBase.h"

namespace tweenery {

/// The transition from the picture `from` to the picture `to`, shown at
/// `progress`, stretched over the item (its implicit size is the From
/// picture's; a To picture of another size is fitted to it). At rest, at
/// progress 0 and 1, the item shows the pictures themselves; in between, the
/// frames the component composes (some operations' first frame shows a part
/// of To already, and a few end on a frame that keeps a pixel of From).
///
/// | Property | QML type | Default | Meaning |
/// |---|---|---|---|
/// | from, to | url | empty | local files or qrc resources; relative URLs are resolved against the QML file |
/// | operation | string | "Push" | one of the 28 operation names (`operations`), in any case; "toPush" works too |
/// | modifier | string | "left" | "left", "right", "up" or "down" |
/// | reverse | bool | false | the operation's reverse form |
/// | delta | int | 10 | the operation's size (bands, tiles, cells...) |
/// | rgbOrder | string | "RGB" | the channel order of RGB and RGBBlend: "RGB", "RBG", "GRB", "GBR", "BRG", "BGR" |
/// | color | color | unset | the fill colour; unset (`undefined`) takes From's top-left pixel |
/// | progress | real | 0 | time through the transition, 0 (From) to 1 (To); animatable |
/// | easing | easingCurve | Linear | maps progress to the frame shown (`easing.type: Easing.InOutQuad`) |
/// | duration | int | 1000 | milliseconds that play() takes |
/// | running | bool, read-only | false | play() is under way |
///
/// A value that cannot be taken (an unknown operation or modifier, a NaN
/// progress, a negative duration, a picture that cannot be read) is refused:
/// the property keeps its value and errorOccurred() says why (what is
/// refused while QML builds the item is reported once it is complete, when
/// its handlers listen). Nothing the component raises leaves the item.
class TweeneryItem : public QQuickItem {
  Q_OBJECT
  QML_ELEMENT
  Q_PROPERTY(QUrl from READ from WRITE setFrom NOTIFY fromChanged)
  Q_PROPERTY(QUrl to READ to WRITE setTo NOTIFY toChanged)
  Q_PROPERTY(QString operation READ operation WRITE setOperation NOTIFY operationChanged)
  Q_PROPERTY(QString modifier READ modifier WRITE setModifier NOTIFY modifierChanged)
  Q_PROPERTY(bool reverse READ reverse WRITE setReverse NOTIFY reverseChanged)
  Q_PROPERTY(int delta READ delta WRITE setDelta NOTIFY deltaChanged)
  Q_PROPERTY(QString rgbOrder READ rgbOrder WRITE setRgbOrder NOTIFY rgbOrderChanged)
  Q_PROPERTY(QColor color READ color WRITE setColor RESET resetColor NOTIFY colorChanged)
  Q_PROPERTY(qreal progress READ progress WRITE setProgress NOTIFY progressChanged)
  Q_PROPERTY(QEasingCurve easing READ easing WRITE setEasing NOTIFY easingChanged)
  Q_PROPERTY(int duration READ duration WRITE setDuration NOTIFY durationChanged)
  Q_PROPERTY(bool running READ running NOTIFY runningChanged)
  Q_PROPERTY(QStringList operations READ operations CONSTANT)

 public:
  explicit TweeneryItem(QQuickItem* Parent = nullptr);
  ~TweeneryItem() override;

  QUrl from() const { return FFromUrl; }
  QUrl to() const { return FToUrl; }
  QString operation() const;
  QString modifier() const;
  bool reverse() const { return FSettings.Reverse; }
  int delta() const { return FSettings.Delta; }
  QString rgbOrder() const;
  /// Invalid while unset.
  QColor color() const;
  qreal progress() const { return FProgress; }
  QEasingCurve easing() const { return FEasing; }
  int duration() const { return FDuration; }
  bool running() const;
  /// The operation names in the demonstration's display order.
  static QStringList operations();

  /**@{*/
  /// A picture is read when its URL is set; an empty URL empties it.
  void setFrom(const QUrl& Value);
  void setTo(const QUrl& Value);
  /**@}*/
  void setOperation(const QString& Value);
  void setModifier(const QString& Value);
  void setReverse(bool Value);
  void setDelta(int Value);
  void setRgbOrder(const QString& Value);
  void setColor(const QColor& Value);
  void resetColor();
  /// Kept inside [0, 1]; NaN is refused. Setting it stops play().
  void setProgress(qreal Value);
  void setEasing(const QEasingCurve& Value);
  /// Negative values are refused.
  void setDuration(int Value);

  /// Runs progress from 0 to 1 in `duration` milliseconds (evenly in time;
  /// `easing` shapes the frames), then emits finished().
  Q_INVOKABLE void play();
  /// Leaves progress where it is; finished() is not emitted.
  Q_INVOKABLE void stop();

 signals:
  void fromChanged();
  void toChanged();
  void operationChanged();
  void modifierChanged();
  void reverseChanged();
  void deltaChanged();
  void rgbOrderChanged();
  void colorChanged();
  void progressChanged();
  void easingChanged();
  void durationChanged();
  void runningChanged();
  /// play() has reached the end.
  void finished();
  /// What was refused or could not be done, and why.
  void errorOccurred(const QString& message);

 protected:
  void componentComplete() override;
  void updatePolish() override;
  QSGNode* updatePaintNode(QSGNode* Node, UpdatePaintNodeData* Data) override;

 private:
  // Which picture a URL goes to.
  enum class TSide { From, To };
  bool LoadPicture(TSide Side, const QUrl& Value);
  QUrl Resolved(const QUrl& Value) const;
  void ShowProgress(qreal Value);
  // A setting changed: the run is set up again before the next frame.
  void SettingsChanged();
  // Only the frame to show changed.
  void FrameChanged();
  void ComposeFrame();
  void ShowPicture(std::int64_t Shown);
  void KeepFrame(const TBitmap& Picture);
  void Report(const QString& Message);

  QUrl FFromUrl, FToUrl;
  std::unique_ptr<TBitmap> FFrom, FTo;
  TTransitionSettings FSettings;
  qreal FProgress = 0;
  QEasingCurve FEasing;
  int FDuration = 1000;
  QVariantAnimation FPlayer;

  // The run between the pictures: set up when a frame is wanted, dropped
  // when a setting changes. FRun comes after FRenderer, which it refers to.
  std::unique_ptr<TTransitionRenderer> FRenderer;
  std::unique_ptr<TTransitionRun> FRun;
  bool FRunFailed = false;  // the set-up raised; not tried again until a change
  bool FFrameStale = true;
  // What FFrame holds: a CurrentFrame, or kShowsFrom or kShowsTo at rest.
  static constexpr std::int64_t kShowsFrom = -1, kShowsTo = std::int64_t{1} << 32;
  std::optional<std::int64_t> FShown;
  QStringList FPendingReports;  // refused while QML builds the item
  // The frame to show, handed to the scene graph; FFrameSerial tells it a
  // new one is there.
  QImage FFrame;
  quint64 FFrameSerial = 0;
};

}  // namespace tweenery
