/// @file
/// TweeneryWidget: the transition component as a QWidget for any Qt
/// program and Qt Designer.
#pragma once

#include <QColor>
#include <QEasingCurve>
#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

#include "platform/qt/QtControlHost.h"
#include "tweenkit/Tweenery.h"

class QTimer;

namespace tweenery {

class TTweeneryTimeline;
struct TFormOrdinal;

/// Registers a loader (ReadQtImageFile) for every file type QImageReader
/// reads that the component has no reader of its own for, Windows bitmaps
/// and JPEG staying with the component's decoders; once per process, on
/// the GUI thread. The widget calls it on construction; other Qt faces may.
void RegisterQtImageLoaders();

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
/// | Duration | int, ms | 0 | durationChanged() |
/// | EasingCurve | QEasingCurve, not designable, not stored | Linear | easingCurveChanged() |
/// | EasingType | QEasingCurve::Type: EasingCurve as Designer shows it and a .ui stores it | Linear | easingCurveChanged() |
/// | Progress | qreal, 0 to 1 | 0 | progressChanged() |
///
/// The last four are the widget's own, not the component's: Duration and
/// EasingCurve (EasingType in Designer and .ui files, which know no
/// QEasingCurve) time the runs play() starts (0 keeps the component's frame
/// by frame playback of Interval and Steps); Progress is where the
/// transition stands and shows the frame at a fraction of it, so that
/// QPropertyAnimation, QVariantAnimation, animation groups and state
/// machines drive it like any other property. They come last, so Designer
/// and form builders set them after the settings they depend on; a
/// Progress set before the pictures waits for them (uic's code sets file
/// names after everything else).
///
/// Designer has no editor for QImage, so a form gets its pictures through
/// FromImageFile and ToImageFile. Every writable property has a RESET (the
/// default above). A change signal follows every change, whatever made it:
/// a setter, a form description, a run (Active, CurrentFrame and Progress
/// at every tick) or a handler; the picture signals also follow every
/// accepted picture setter.
///
/// Nothing a setter, slot or event handler of the widget meets leaves it as
/// an exception: a value the widget cannot take (a picture past the bitmap
/// limit, an enumeration value out of range, a negative Duration, a NaN
/// Progress, a file that cannot be read) is refused with errorOccurred(),
/// the widget keeps what it had and stays usable. The widget never opens a
/// message box itself; a program that wants one connects errorOccurred().
///
/// The widget needs no set-up beyond a QApplication: on first use it puts
/// the Qt port in force (EnsureQtPlatform) when the program did not
/// construct a TQtPlatform, and registers Qt's image readers for the file
/// types the component has no reader of its own for.
///
/// The component's OnDone, OnTick and OnImageError belong to the widget:
/// OnDone runs the handler a form description bound and then emits done(),
/// OnTick times the runs, OnImageError emits errorOccurred(). Connect to the
/// signals or publish a handler; do not replace them on Tweenery().
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
  Q_PROPERTY(int Duration READ Duration WRITE setDuration RESET resetDuration NOTIFY durationChanged)
  Q_PROPERTY(QEasingCurve EasingCurve READ EasingCurve WRITE setEasingCurve RESET resetEasingCurve
                 NOTIFY easingCurveChanged DESIGNABLE false STORED false)
  Q_PROPERTY(QEasingCurve::Type EasingType READ EasingType WRITE setEasingType RESET resetEasingType
                 NOTIFY easingCurveChanged)
  Q_PROPERTY(qreal Progress READ Progress WRITE setProgress RESET resetProgress NOTIFY progressChanged)

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
  /// hidden. For what the Q_PROPERTYs leave out; do not replace its OnDone,
  /// OnTick or OnImageError.
  TTweenery* Tweenery() const;
  /// The component's transition measured by progress and by time (what
  /// Progress and the timed runs use).
  TTweeneryTimeline* Timeline() const { return FTimeline.get(); }
  /// The owner of the component: handlers published here are what form
  /// descriptions bind ("OnDone = TweeneryDone").
  TComponent* Root() const { return FRoot.get(); }
  /// Publishes Handler on the root under Name, for form descriptions to bind.
  void PublishHandler(const std::string& Name, TNotifyEvent Handler);
  /// Reads a form description into the component (EFormError naming the
  /// line on malformed text, which leaves the widget as it was). Width and
  /// Height size the widget and Left and Top place it in its parent, each
  /// within what a widget can be (0 to 16777215 for a size, -16777215 to
  /// 16777215 for a place); the component itself keeps covering the whole
  /// widget. The change signals follow.
  void LoadFormText(const std::string& Text);
  /// The component's form description, Left and Top being the widget's
  /// place in its parent.
  std::string FormText() const;

  /// The From picture's size; the To picture's while the From picture is
  /// empty; with neither, the component's size (65 x 65 until resized).
  /// Layouts are told (updateGeometry) when a picture changes.
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
  /// The picture file the From picture was read from.
  QString FromImageFile() const { return QString::fromStdString(FTweenery->FromImageFile()); }
  /// A copy of the entering picture, in QImage::Format_RGB32; null when empty.
  QImage ToBitmap() const;
  /// The picture file the To picture was read from.
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
  /// Milliseconds a run of play() takes; 0 plays frame by frame (Interval,
  /// Steps). Above 0 every frame shown is the one of the eased elapsed
  /// fraction of Duration, composed at each display refresh and at each
  /// tick of the driver (the frame timer or, with UseThread, the worker
  /// thread); frames are skipped when the machine is behind, never slowed
  /// down; the last frame is exact and done() follows once, at most one
  /// display frame after Duration. Steps plays no part then.
  int Duration() const { return FDuration; }
  /// The curve that maps the elapsed fraction of Duration to the fraction
  /// of the transition shown; Linear by default. Overshooting curves keep
  /// to the transition's frames.
  QEasingCurve EasingCurve() const { return FEasingCurve; }
  /// EasingCurve's type, as Designer edits and a .ui file stores it (Qt
  /// Designer and uic know no QEasingCurve): writing it sets a curve of
  /// that type with Qt's default amplitude, period and overshoot.
  QEasingCurve::Type EasingType() const { return FEasingCurve.type(); }
  /// Where the transition stands, from 0 (its first frame) to 1 (the frame
  /// that ends it): CurrentFrame over the frame count of the pictures and
  /// settings as they are (TTweeneryTimeline::FrameCount); 0 while a
  /// picture is empty. During a timed run it follows the eased time.
  qreal Progress() const;
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
  /// size; clears FromImageFile. A null image empties the picture. One of
  /// more pixels than the bitmap limit (TBitmap::MaxPixels, 16384 x 16384)
  /// is refused with errorOccurred().
  void setFromBitmap(const QImage& Value);
  /// Reads the file into the From picture: Windows bitmaps and JPEG
  /// through the component's own decoders, whatever else QImageReader reads
  /// (PNG, GIF's first frame, WebP, TIFF, ... as installed) through Qt,
  /// within the same picture-size limit (PictureLimit()). A file that cannot
  /// be read changes nothing and emits errorOccurred() naming it and the
  /// reason ("cannot read /x/a.png: no such file", "... not a picture",
  /// "... too large"); "" empties the picture.
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
  /// Sets Modifier; a value outside the enumeration is refused with
  /// errorOccurred().
  void setModifier(TTransitionModifier Value);
  /// Sets Operation; a value outside the enumeration is refused with
  /// errorOccurred().
  void setOperation(TTransitionOperation Value);
  /// Sets Reverse.
  void setReverse(bool Value);
  /// Composes the frame again; a value outside the enumeration is refused
  /// with errorOccurred().
  void setRGBOrder(TRGBOrder Value);
  /// Repaints.
  void setStretch(bool Value);
  /// Switches the driver of the next run.
  void setUseThread(bool Value);
  /// Takes effect at the next tick; below 1 a tick advances by 1.
  void setSteps(int Value);
  /// Takes effect at the next play(); a negative value is refused with
  /// errorOccurred().
  void setDuration(int Value);
  /// Takes effect at the next play().
  void setEasingCurve(const QEasingCurve& Value);
  /// Sets EasingCurve to a curve of that type; BezierSpline, TCBSpline and
  /// Custom, which need points or a function, and values that are no type
  /// at all are refused with errorOccurred().
  void setEasingType(QEasingCurve::Type Value);
  /// Shows the frame at Progress of the transition (no easing, no timer),
  /// idle or during a run; values outside [0, 1] are clamped, NaN is
  /// refused with errorOccurred(). During a run, 1 completes it. While a
  /// picture is empty the value waits and is shown once both pictures are
  /// there (uic sets a form's file names after its other properties);
  /// play() and setCurrentFrame() forget it.
  void setProgress(qreal Value);
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
  void resetDuration() { setDuration(0); }  ///< 0: frame by frame
  void resetEasingCurve() { setEasingCurve(QEasingCurve(QEasingCurve::Linear)); }  ///< Linear
  void resetEasingType() { resetEasingCurve(); }  ///< Linear
  void resetProgress() { setProgress(0); }  ///< the first frame
  /**@}*/

 public slots:
  /// Starts a run from its first frame; nothing while Active. With a
  /// Duration, a timed run (Duration()).
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
  void durationChanged();              ///< Duration
  void easingCurveChanged();           ///< EasingCurve
  void progressChanged();              ///< Progress: the frame or what the frame count depends on changed
  /**@}*/
  /// Something the widget was asked to do could not be done; Message names
  /// what and why ("cannot read /x/a.png: no such file", "FromBitmap: a
  /// 16385 x 16385 picture is too large (more than 268435456 pixels)"). The
  /// widget keeps its previous state.
  void errorOccurred(const QString& Message);

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
  // Runs Action; what it raises is reported through errorOccurred, named
  // after What. True when nothing was raised.
  template <class Action>
  bool Guarded(const char* What, Action&& Run);
  void Report(const QString& Message);
  void CoverWidget() const;
  void BindDone();
  void SetPicture(const char* What, const QImage& Value, bool From);
  // The tick of either driver, and the display pulse of a timed run.
  void Tick();
  void Pulse();
  void AdvanceTimedRun();
  void SchedulePulse();
  int FramePeriodMs() const;
  void CheckFormGeometry(const std::vector<TFormOrdinal>& Values) const;
  // The component's frame when it is exactly what painting would show over
  // the whole widget, or nullptr.
  const TBitmap* FrameShownWhole() const;

  std::unique_ptr<TComponent> FRoot;
  TTweenery* FTweenery = nullptr;  // owned by FRoot
  TNotifyEvent FBoundDone;         // the handler a form description bound
  std::unique_ptr<TTweeneryTimeline> FTimeline;
  int FDuration = 0;
  QEasingCurve FEasingCurve{QEasingCurve::Linear};
  QTimer* FPulse = nullptr;  // the display refresh of a timed run
};

}  // namespace tweenery
