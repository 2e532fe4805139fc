/// @file
/// TweeneryStackedWidget: a QStackedWidget whose page changes play one of
/// the component's transitions, for any Qt program and Qt Designer.
#pragma once

#include <QColor>
#include <QEasingCurve>
#include <QPointer>
#include <QStackedWidget>

#include "tweenkit/TimeBase.h"
#include "widget/TweeneryWidget.h"

namespace tweenery {

class TPageTransition;

/// A QStackedWidget that plays a transition from the page it showed to the
/// page it shows whenever its current page changes: through setCurrentIndex,
/// setCurrentWidget (also called through a QStackedWidget pointer, a .ui
/// form or Designer), or the removal of the current page. The frames are the
/// component's own (TTransitionRenderer over grabs of the two pages), so
/// every operation, modifier and Delta looks as it does in TweeneryWidget.
///
/// | Q_PROPERTY | Type | Default | Signal |
/// |---|---|---|---|
/// | Operation | TweeneryWidget::TTransitionOperation | toPush | operationChanged() |
/// | Modifier | TweeneryWidget::TTransitionModifier | tmLeft | modifierChanged() |
/// | Reverse | bool | false | reverseChanged() |
/// | Delta | int | 10 | deltaChanged() |
/// | Duration | int, ms | 400 | durationChanged() |
/// | EasingCurve | QEasingCurve | OutCubic | easingCurveChanged() |
/// | Color | QColor | invalid: the leaving page's top-left pixel | colorChanged() |
///
/// The enumerations are TweeneryWidget's, so a form stores them as it does
/// for that widget (tweenery::TweeneryWidget::toFade, or a bare key) and
/// Designer, uic and setProperty("Operation", "toFade") know them by name.
///
/// How a switch behaves:
/// - currentIndex() and currentWidget() are the new page's from the moment
///   of the call, as in QStackedWidget; the new page is shown under a cover
///   that paints the frames and takes every mouse, key, wheel, touch and
///   shortcut event meant for the stack's pages until the transition ends.
/// - Time runs from the moment the pages are grabbed and the transition is
///   set up (within the call); each paint shows the frame of the time it
///   paints at (frames are skipped when painting falls behind, never
///   slowed), eased by EasingCurve. The end shows the new page itself.
/// - A switch while a transition plays starts from what is on the screen:
///   the frame painted last becomes the leaving picture.
/// - Pages are grabbed at the screen's device pixel ratio and composed at
///   device pixels, so Delta counts device pixels.
/// - The switch happens at once (no cover) when the stack is hidden, has one
///   page, Duration is 0, the stack is being designed, the leaving page is
///   gone, the pages are larger than MaxTransitionPixels, or the transition
///   cannot be composed (a Delta it never ends with, no memory): no
///   exception leaves a Qt handler.
/// - Resizing or hiding the stack while a transition plays ends it at once.
///
/// transitionFinished(index) follows every change of the current page once
/// that page shows by itself: at the end of its transition, or at once when
/// it switches at once. A transition cut short by another switch has none;
/// the switch that cut it has its own.
class TweeneryStackedWidget : public QStackedWidget {
  Q_OBJECT
  Q_PROPERTY(tweenery::TweeneryWidget::TTransitionOperation Operation READ Operation WRITE setOperation
                 RESET resetOperation NOTIFY operationChanged)
  Q_PROPERTY(tweenery::TweeneryWidget::TTransitionModifier Modifier READ Modifier WRITE setModifier
                 RESET resetModifier NOTIFY modifierChanged)
  Q_PROPERTY(bool Reverse READ Reverse WRITE setReverse RESET resetReverse NOTIFY reverseChanged)
  Q_PROPERTY(int Delta READ Delta WRITE setDelta RESET resetDelta NOTIFY deltaChanged)
  Q_PROPERTY(int Duration READ Duration WRITE setDuration RESET resetDuration NOTIFY durationChanged)
  Q_PROPERTY(QEasingCurve EasingCurve READ EasingCurve WRITE setEasingCurve RESET resetEasingCurve
                 NOTIFY easingCurveChanged)
  Q_PROPERTY(QColor Color READ Color WRITE setColor RESET resetColor NOTIFY colorChanged)

 public:
  /// The transition played: TweeneryWidget's enumeration.
  using TTransitionOperation = TweeneryWidget::TTransitionOperation;
  /// Its direction: TweeneryWidget's enumeration.
  using TTransitionModifier = TweeneryWidget::TTransitionModifier;

  /// The most device pixels a page may have for its change to play (5120 x
  /// 3276, say): about six pictures of its size are held while one plays.
  /// Larger pages switch at once.
  static constexpr qint64 MaxTransitionPixels = qint64{1} << 24;

  /// An empty stack with the defaults of the table above.
  explicit TweeneryStackedWidget(QWidget* parent = nullptr);
  /// Ends a transition silently (no transitionFinished).
  ~TweeneryStackedWidget() override;

  /// @name Properties
  /**@{*/
  /// The transition played.
  TTransitionOperation Operation() const { return FOperation; }
  /// Its direction.
  TTransitionModifier Modifier() const { return FModifier; }
  /// Whether the operation's reverse form plays.
  bool Reverse() const { return FReverse; }
  /// The effect's band, tile or cell size, in device pixels (TTweenery::Delta).
  int Delta() const { return FDelta; }
  /// Milliseconds a transition takes; 0 switches at once.
  int Duration() const { return FDuration; }
  /// The time curve: how far the transition has got at each moment.
  QEasingCurve EasingCurve() const { return FEasingCurve; }
  /// Fill colour of every frame before its effect draws; invalid takes the
  /// leaving page's top-left pixel, as the component does with a new From
  /// picture.
  QColor Color() const { return FColor; }
  /**@}*/

  /// @name Setters
  /// Each takes effect at the next switch; a transition that plays keeps
  /// what it started with.
  /**@{*/
  /// A value outside the enumeration (setProperty with a bare integer)
  /// changes nothing.
  void setOperation(TTransitionOperation Value);
  /// A value outside the enumeration changes nothing.
  void setModifier(TTransitionModifier Value);
  /// Sets Reverse.
  void setReverse(bool Value);
  /// Any int; the effects read a Delta below 1 as 1.
  void setDelta(int Value);
  /// A negative value is taken as 0.
  void setDuration(int Value);
  /// Sets EasingCurve; a curve that leaves [0, 1] is held at its ends.
  void setEasingCurve(const QEasingCurve& Value);
  /// Sets Color; an invalid colour takes the leaving page's top-left pixel.
  void setColor(const QColor& Value);
  /**@}*/

  /// @name Resets
  /**@{*/
  void resetOperation() { setOperation(TweeneryWidget::toPush); }        ///< toPush
  void resetModifier() { setModifier(TweeneryWidget::tmLeft); }          ///< tmLeft
  void resetReverse() { setReverse(false); }                             ///< false
  void resetDelta() { setDelta(10); }                                    ///< 10
  void resetDuration() { setDuration(400); }                             ///< 400 ms
  void resetEasingCurve() { setEasingCurve(QEasingCurve::OutCubic); }    ///< OutCubic
  void resetColor() { setColor(QColor()); }                              ///< invalid
  /**@}*/

  /// Whether a transition plays.
  bool InTransition() const;
  /// The designing state, which a form designer sets: pages then switch at
  /// once, so editing a form plays nothing.
  void SetDesigning(bool Value) { FDesigning = Value; }
  /// Whether the stack is in the designing state (SetDesigning).
  bool IsDesigning() const { return FDesigning; }

  /// What a transition started now would be made with: the properties in
  /// the component's terms.
  TTransitionSettings TransitionSettings() const;

 public slots:
  /// Ends a playing transition at once: the new page shows and
  /// transitionFinished follows. Nothing when none plays.
  void finishTransition();

 signals:
  /// The page at Index shows by itself after a change of the current page
  /// (-1 when the stack became empty).
  void transitionFinished(int index);
  /// @name Change signals
  /// The NOTIFY signals of the Q_PROPERTYs, emitted when the value changed.
  /**@{*/
  void operationChanged();    ///< Operation
  void modifierChanged();     ///< Modifier
  void reverseChanged();      ///< Reverse
  void deltaChanged();        ///< Delta
  void durationChanged();     ///< Duration
  void easingCurveChanged();  ///< EasingCurve
  void colorChanged();        ///< Color
  /**@}*/

 protected:
  /// Ends a playing transition: its pictures no longer fit.
  void resizeEvent(QResizeEvent* Event) override;
  /// Ends a playing transition: nobody sees it.
  void hideEvent(QHideEvent* Event) override;

 private:
  void CurrentPageChanged(int Index);
  // Starts a transition to the current page; false when it must switch at once.
  bool StartTransition(QWidget* Leaving);
  bool Animates(const QWidget* Leaving) const;
  void TransitionEnded();

  TTransitionOperation FOperation = TweeneryWidget::toPush;
  TTransitionModifier FModifier = TweeneryWidget::tmLeft;
  bool FReverse = false;
  int FDelta = 10;
  int FDuration = 400;
  QEasingCurve FEasingCurve{QEasingCurve::OutCubic};
  QColor FColor;
  bool FDesigning = false;
  QPointer<QWidget> FShownPage;             // the page shown before the change
  TPageTransition* FTransition = nullptr;   // the cover, a child made at the first transition
};

}  // namespace tweenery
