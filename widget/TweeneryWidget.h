/// @file
/// TweeneryWidget: the transition component as a QWidget for any Qt
/// program and Qt Designer.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

#include "platform/qt/QtControlHost.h"
#include "tweenkit/Tweenery.h"

namespace tweenery {

/// The transition component (TTweenery) as a QWidget. It owns one
/// component that always covers the whole widget, under a root component
/// on which a program publishes the handlers that form descriptions bind by
/// name. Every published property of the component is a Q_PROPERTY of the
/// same spelling, so Qt Designer edits it and uic sets it; writes go through
/// the component's setters, so its rules hold (most are ignored while
/// Active). Each property's getter below tells what it is.
///
/// | Q_PROPERTY | Type | Default | Signal |
/// |---|---|---|---|
/// | About | QStringList, read only | the component's lines | |
/// | Active | bool, not stored | false | activeChanged() |
/// | Color | QColor | the button face colour (0xC0C0C0) | colorChanged() |
/// | CurrentFrame | int | 0 | currentFrameChanged() |
/// | FromBitmap | QImage, not designable | null | fromPictureChanged() |
/// | FromImageFile | QString | empty | fromPictureChanged() |
/// | ToBitmap | QImage, not designable | null | toPictureChanged() |
/// | ToImageFile | QString | empty | toPictureChanged() |
/// | Delta | int | 10 | deltaChanged() |
/// | Interval | uint, ms | 100 | intervalChanged() |
/// | MaintainAspectRatio | bool | true | maintainAspectRatioChanged() |
/// | Modifier | TTransitionModifier | tmLeft | modifierChanged() |
/// | Operation | TTransitionOperation | toPush | operationChanged() |
/// | Reverse | bool | false | reverseChanged() |
/// | RGBOrder | TRGBOrder | coRGB | rgbOrderChanged() |
/// | Stretch | bool | false | stretchChanged() |
/// | UseThread | bool | false | useThreadChanged() |
/// | Steps | int | 1 | stepsChanged() |
///
/// Designer has no editor for QImage, so a form gets its pictures through
/// FromImageFile and ToImageFile. Every writable property has a RESET (the
/// default above). A change signal follows every change, whatever made it:
/// a setter, a form description, a run (Active, CurrentFrame) or a
/// handler; the picture signals also follow every accepted picture setter.
///
/// The component's OnDone belongs to the widget: it runs the handler a form
/// description bound and then emits done(). Connect to done() or publish a
/// handler; do not replace Tweenery()->OnDone.
///
/// In a .ui file the enumerations are stored class-qualified
/// (tweenery::TweeneryWidget::toFade, as Designer writes them) or as bare
/// keys (toFade); both are read back by Designer and compiled by uic.
class TweeneryWidget : public TQtControlHost {
  Q_OBJECT
  Q_PROPERTY(QStringList About READ About)
  Q_PROPERTY(bool Active READ Active WRITE setActive RESET resetActive NOTIFY activeChanged STORED false)
  Q_PROPERTY(QColor Color READ Color WRITE setColor RESET resetColor NOTIFY colorChanged)
  Q_PROPERTY(int CurrentFrame READ CurrentFrame WRITE setCurrentFrame RESET resetCurrentFrame
                 NOTIFY currentFrameChanged)
  Q_PROPERTY(QImage FromBitmap READ FromBitmap WRITE setFromBitmap RESET resetFromBitmap
                 NOTIFY fromPictureChanged DESIGNABLE false)
  Q_PROPERTY(QString FromImageFile READ FromImageFile WRITE setFromImageFile RESET resetFromImageFile
                 NOTIFY fromPictureChanged)
  Q_PROPERTY(QImage ToBitmap READ ToBitmap WRITE setToBitmap RESET resetToBitmap NOTIFY toPictureChanged
                 DESIGNABLE false)
  Q_PROPERTY(QString ToImageFile READ ToImageFile WRITE setToImageFile RESET resetToImageFile
                 NOTIFY toPictureChanged)
  Q_PROPERTY(int Delta READ Delta WRITE setDelta RESET resetDelta NOTIFY deltaChanged)
  Q_PROPERTY(uint Interval READ Interval WRITE setInterval RESET resetInterval NOTIFY intervalChanged)
  Q_PROPERTY(bool MaintainAspectRatio READ MaintainAspectRatio WRITE setMaintainAspectRatio
                 RESET resetMaintainAspectRatio NOTIFY maintainAspectRatioChanged)
  Q_PROPERTY(TTransitionModifier Modifier READ Modifier WRITE setModifier RESET resetModifier
                 NOTIFY modifierChanged)
  Q_PROPERTY(TTransitionOperation Operation READ Operation WRITE setOperation RESET resetOperation
                 NOTIFY operationChanged)
  Q_PROPERTY(bool Reverse READ Reverse WRITE setReverse RESET resetReverse NOTIFY reverseChanged)
  Q_PROPERTY(TRGBOrder RGBOrder READ RGBOrder WRITE setRGBOrder RESET resetRGBOrder NOTIFY rgbOrderChanged)
  Q_PROPERTY(bool Stretch READ Stretch WRITE setStretch RESET resetStretch NOTIFY stretchChanged)
  Q_PROPERTY(bool UseThread READ UseThread WRITE setUseThread RESET resetUseThread NOTIFY useThreadChanged)
  Q_PROPERTY(int Steps READ Steps WRITE setSteps RESET resetSteps NOTIFY stepsChanged)

 public:
  /// The transition played: tweenery::TTransitionOperation, value for
  /// value, as a Q_ENUM that Designer and uic know by name. The three
  /// enumerations are of int, so any int a setProperty passes is a value
  /// of them, for the setters to refuse.
  enum TTransitionOperation : int {
    toPush,            ///< tweenery::toPush
    toBlinds,          ///< tweenery::toBlinds
    toCheckerboard,    ///< tweenery::toCheckerboard
    toCrush,           ///< tweenery::toCrush
    toMonoReveal,      ///< tweenery::toMonoReveal
    toReveal,          ///< tweenery::toReveal
    toIris,            ///< tweenery::toIris
    toMonoSlider,      ///< tweenery::toMonoSlider
    toSlider,          ///< tweenery::toSlider
    toStrip,           ///< tweenery::toStrip
    toZoom,            ///< tweenery::toZoom
    toFade,            ///< tweenery::toFade
    toMosaic,          ///< tweenery::toMosaic
    toBlend,           ///< tweenery::toBlend
    toGlide,           ///< tweenery::toGlide
    toReplace,         ///< tweenery::toReplace
    toRGB,             ///< tweenery::toRGB
    toRGBBlend,        ///< tweenery::toRGBBlend
    toSpiral,          ///< tweenery::toSpiral
    toCheckerBlinds,   ///< tweenery::toCheckerBlinds
    toShade,           ///< tweenery::toShade
    toShadeContinue,   ///< tweenery::toShadeContinue
    toSqueeze,         ///< tweenery::toSqueeze
    toRandomBars,      ///< tweenery::toRandomBars
    toTwinRandomBars,  ///< tweenery::toTwinRandomBars
    toSwarm,           ///< tweenery::toSwarm
    toStripedIris,     ///< tweenery::toStripedIris
    toRoll             ///< tweenery::toRoll
  };
  Q_ENUM(TTransitionOperation)

  /// The direction of the transition: tweenery::TTransitionModifier, value
  /// for value.
  enum TTransitionModifier : int {
    tmLeft,   ///< tweenery::tmLeft
    tmRight,  ///< tweenery::tmRight
    tmUp,     ///< tweenery::tmUp
    tmDown    ///< tweenery::tmDown
  };
  Q_ENUM(TTransitionModifier)

  /// The channel order of toRGB and toRGBBlend: tweenery::TRGBOrder, value
  /// for value.
  enum TRGBOrder : int {
    coRGB,  ///< tweenery::coRGB
    coRBG,  ///< tweenery::coRBG
    coGRB,  ///< tweenery::coGRB
    coGBR,  ///< tweenery::coGBR
    coBRG,  ///< tweenery::coBRG
    coBGR   ///< tweenery::coBGR
  };
  Q_ENUM(TRGBOrder)

  /// A 65 x 65 widget holding an idle component with the defaults of the
  /// table above, named "Tweenery" under a root named "Form".
  explicit TweeneryWidget(QWidget* parent = nullptr);
  /// Frees the component (a worker thread is told to end and frees itself)
  /// while the widget that hosts it is still whole.
  ~TweeneryWidget() override;

  /// The component, kept at the widget's size even while the widget is
  /// hidden. For what the Q_PROPERTYs leave out; do not replace its OnDone.
  TTweenery* Tweenery() const;
  /// The owner of the component: handlers published here are what form
  /// descriptions bind ("OnDone = TweeneryDone").
  TComponent* Root() const { return FRoot.get(); }
  /// Publishes Handler on the root under Name, for form descriptions to bind.
  void PublishHandler(const std::string& Name, TNotifyEvent Handler);
  /// Reads a form description into the component (EFormError on malformed
  /// text). Width and Height size the widget and Left and Top place it in
  /// its parent; the component itself keeps covering the whole widget. The
  /// change signals follow.
  void LoadFormText(const std::string& Text);
  /// The component's form description, Left and Top being the widget's
  /// place in its parent.
  std::string FormText() const;

  /// The component's size.
  QSize sizeHint() const override;

  /// The designing state, which a form designer sets on the widgets it
  /// places: the component then outlines itself while a picture is missing.
  void SetDesigning(bool Value);
  /// Whether the widget is in the designing state (SetDesigning).
  bool IsDesigning() const { return FTweenery->IsDesigning(); }

  /// @name Properties
  /// Getters of the Q_PROPERTYs of the same names (TTweenery tells each
  /// property's rules in full).
  /**@{*/
  /// The component's name and version, then the author and e-mail lines.
  QStringList About() const;
  /// True while a transition plays or is paused.
  bool Active() const { return FTweenery->Active(); }
  /// Fill colour of every frame before its effect draws; a new From picture
  /// sets it to its top-left pixel.
  QColor Color() const;
  /// The frame composed last.
  int CurrentFrame() const { return FTweenery->CurrentFrame(); }
  /// A copy of the leaving picture, in QImage::Format_RGB32; null when empty.
  QImage FromBitmap() const;
  /// The Windows bitmap or JPEG file the From picture was read from.
  QString FromImageFile() const { return QString::fromStdString(FTweenery->FromImageFile()); }
  /// A copy of the entering picture, in QImage::Format_RGB32; null when empty.
  QImage ToBitmap() const;
  /// The Windows bitmap or JPEG file the To picture was read from.
  QString ToImageFile() const { return QString::fromStdString(FTweenery->ToImageFile()); }
  /// The effect's band, tile or cell size (TTweenery::Delta).
  int Delta() const { return FTweenery->Delta(); }
  /// Milliseconds between ticks; at 0 no frame is composed.
  uint Interval() const { return FTweenery->Interval(); }
  /// With Stretch, whether the frame keeps its proportions, centred.
  bool MaintainAspectRatio() const { return FTweenery->MaintainAspectRatio(); }
  /// The direction of the transition.
  TTransitionModifier Modifier() const { return static_cast<TTransitionModifier>(FTweenery->Modifier()); }
  /// The transition played.
  TTransitionOperation Operation() const { return static_cast<TTransitionOperation>(FTweenery->Operation()); }
  /// Whether the operation's reverse form plays.
  bool Reverse() const { return FTweenery->Reverse(); }
  /// The channel order of toRGB and toRGBBlend.
  TRGBOrder RGBOrder() const { return static_cast<TRGBOrder>(FTweenery->RGBOrder()); }
  /// Whether the frame is scaled to the widget (else unscaled, top-left).
  bool Stretch() const { return FTweenery->Stretch(); }
  /// Whether a worker thread drives the run instead of the frame timer.
  bool UseThread() const { return FTweenery->UseThread(); }
  /// How far each tick advances CurrentFrame.
  int Steps() const { return FTweenery->Steps(); }
  /**@}*/

  /// @name Setters
  /// In Qt's spelling, which uic calls for the properties of a .ui file.
  /// Each goes through the component's setter (most are ignored while
  /// Active) and emits the change signals of what changed.
  /**@{*/
  /// true plays (play()), false stops (stop()).
  void setActive(bool Value);
  /// Sets Color and composes the frame again.
  void setColor(const QColor& Value);
  /// Composes that frame, also while Active (not for the random-bar
  /// operations, and nothing for a negative frame).
  void setCurrentFrame(int Value);
  /// Copies the picture in as the From picture, fitted to the To picture's
  /// size; clears FromImageFile. A null image empties the picture.
  void setFromBitmap(const QImage& Value);
  /// Reads the file into the From picture; a file that cannot be read
  /// shows "Unable to read image file" and changes nothing; "" empties it.
  void setFromImageFile(const QString& Value);
  /// As setFromBitmap, for the To picture (fitted to the From picture).
  void setToBitmap(const QImage& Value);
  /// As setFromImageFile, for the To picture.
  void setToImageFile(const QString& Value);
  /// Takes effect at the next frame.
  void setDelta(int Value);
  /// Reaches the frame timer at once, the worker thread at its next sleep.
  void setInterval(uint Value);
  /// Repaints.
  void setMaintainAspectRatio(bool Value);
  /// Sets Modifier.
  void setModifier(TTransitionModifier Value);
  /// Sets Operation; a value outside the enumeration is the component's to refuse.
  void setOperation(TTransitionOperation Value);
  /// Sets Reverse.
  void setReverse(bool Value);
  /// Composes the frame again.
  void setRGBOrder(TRGBOrder Value);
  /// Repaints.
  void setStretch(bool Value);
  /// Switches the driver of the next run.
  void setUseThread(bool Value);
  /// Takes effect at the next tick; below 1 a tick advances by 1.
  void setSteps(int Value);
  /**@}*/

  /// @name Resets
  /// Back to the component's defaults (its constructor's values), as
  /// Designer's "reset" does.
  /**@{*/
  void resetActive() { setActive(false); }  ///< stops
  void resetColor();                        ///< the button face colour
  void resetCurrentFrame() { setCurrentFrame(0); }  ///< frame 0
  void resetFromBitmap() { setFromBitmap(QImage()); }  ///< empties the From picture
  void resetFromImageFile() { setFromImageFile(QString()); }  ///< empties the From picture
  void resetToBitmap() { setToBitmap(QImage()); }  ///< empties the To picture
  void resetToImageFile() { setToImageFile(QString()); }  ///< empties the To picture
  void resetDelta() { setDelta(10); }  ///< 10
  void resetInterval() { setInterval(100); }  ///< 100 ms
  void resetMaintainAspectRatio() { setMaintainAspectRatio(true); }  ///< true
  void resetModifier() { setModifier(tmLeft); }  ///< tmLeft
  void resetOperation() { setOperation(toPush); }  ///< toPush
  void resetReverse() { setReverse(false); }  ///< false
  void resetRGBOrder() { setRGBOrder(coRGB); }  ///< coRGB
  void resetStretch() { setStretch(false); }  ///< false
  void resetUseThread() { setUseThread(false); }  ///< false
  void resetSteps() { setSteps(1); }  ///< 1
  /**@}*/

 public slots:
  /// Starts a run from its first frame; nothing while Active.
  void play();
  /// Ends a run without completing it: CurrentFrame stays, done() is not
  /// emitted. Nothing while idle.
  void stop();
  /// Halts a playing run; Active stays true.
  void pause();
  /// Continues a paused run.
  void resume();

 signals:
  /// A transition completed; emitted after the handler a form bound, with
  /// the component idle, so a slot may change properties and play again.
  void done();
  /// @name Change signals
  /// The NOTIFY signals of the Q_PROPERTYs, emitted when the value changed.
  /**@{*/
  void activeChanged();                ///< Active
  void colorChanged();                 ///< Color
  void currentFrameChanged();          ///< CurrentFrame
  void fromPictureChanged();           ///< FromBitmap or FromImageFile; every accepted setFromBitmap emits it
  void toPictureChanged();             ///< ToBitmap or ToImageFile; every accepted setToBitmap emits it
  void deltaChanged();                 ///< Delta
  void intervalChanged();              ///< Interval
  void maintainAspectRatioChanged();   ///< MaintainAspectRatio
  void modifierChanged();              ///< Modifier
  void operationChanged();             ///< Operation
  void reverseChanged();               ///< Reverse
  void rgbOrderChanged();              ///< RGBOrder
  void stretchChanged();               ///< Stretch
  void useThreadChanged();             ///< UseThread
  void stepsChanged();                 ///< Steps
  /**@}*/

 protected:
  /// Keeps the component covering the widget.
  void resizeEvent(QResizeEvent* Event) override;
  /// Shows the component's frame in one copy while it covers the widget.
  void paintEvent(QPaintEvent* Event) override;

 private:
  struct TSnapshot;
  TSnapshot Snapshot() const;
  void EmitChanges(const TSnapshot& Before);
  // Runs Change on the component and signals what it changed.
  template <class Change>
  void Changing(Change&& Apply);
  void CoverWidget() const;
  void BindDone();
  // The component's frame when it is exactly what painting would show over
  // the whole widget, or nullptr.
  const TBitmap* FrameShownWhole() const;

  std::unique_ptr<TComponent> FRoot;
  TTweenery* FTweenery = nullptr;  // owned by FRoot
  TNotifyEvent FBoundDone;         // the handler a form description bound
};

}  // namespace tweenery
