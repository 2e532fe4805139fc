// TweeneryWidget: the transition component as a QWidget for any Qt
// program and Qt Designer. It owns one TTweenery that always covers the
// whole widget, under a root component on which a program publishes the
// handlers that form descriptions bind by name. Every published property of
// the component is a Q_PROPERTY of the same spelling; writes go through the
// component's setters, so its rules hold (most are ignored while Active).
//
// The component's OnDone belongs to the widget: it runs the handler a form
// description bound and then emits done(). Connect to done() or publish a
// handler; do not replace Tweenery()->OnDone.
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

class TweeneryWidget : public TQtControlHost {
  Q_OBJECT
  Q_PROPERTY(QStringList About READ About)
  Q_PROPERTY(bool Active READ Active WRITE setActive RESET resetActive NOTIFY activeChanged STORED false)
  Q_PROPERTY(QColor Color READ Color WRITE setColor RESET resetColor NOTIFY colorChanged)
  Q_PROPERTY(int CurrentFrame READ CurrentFrame WRITE setCurrentFrame RESET resetCurrentFrame
                 NOTIFY currentFrameChanged)
  Q_PROPERTY(QImage FromBitmap READ FromBitmap WRITE setFromBitmap RESET resetFromBitmap
                 NOTIFY fromPictureChanged)
  Q_PROPERTY(QString FromImageFile READ FromImageFile WRITE setFromImageFile RESET resetFromImageFile
                 NOTIFY fromPictureChanged)
  Q_PROPERTY(QImage ToBitmap READ ToBitmap WRITE setToBitmap RESET resetToBitmap NOTIFY toPictureChanged)
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
  // The component's enumerations, spelled as the component spells them.
  enum TTransitionOperation {
    toPush, toBlinds, toCheckerboard, toCrush, toMonoReveal, toReveal, toIris, toMonoSlider,
    toSlider, toStrip, toZoom, toFade, toMosaic, toBlend, toGlide, toReplace, toRGB,
    toRGBBlend, toSpiral, toCheckerBlinds, toShade, toShadeContinue, toSqueeze, toRandomBars,
    toTwinRandomBars, toSwarm, toStripedIris, toRoll
  };
  Q_ENUM(TTransitionOperation)

  enum TTransitionModifier {
    tmLeft, tmRight, tmUp, tmDown
  };
  Q_ENUM(TTransitionModifier)

  enum TRGBOrder {
    coRGB, coRBG, coGRB, coGBR, coBRG, coBGR
  };
  Q_ENUM(TRGBOrder)

  explicit TweeneryWidget(QWidget* parent = nullptr);
  ~TweeneryWidget() override;

  TTweenery* Tweenery() const;
  // The owner of the component: handlers published here are what form
  // descriptions bind ("OnDone = TweeneryDone").
  TComponent* Root() const { return FRoot.get(); }
  void PublishHandler(const std::string& Name, TNotifyEvent Handler);
  // Reads a form description into the component (EFormError on malformed
  // text). Width and Height size the widget and Left and Top place it in
  // its parent; the component itself keeps covering the whole widget.
  void LoadFormText(const std::string& Text);
  // The component's form description, Left and Top being the widget's place.
  std::string FormText() const;

  QSize sizeHint() const override;

  // The designing state, which a form designer sets on the widgets it
  // places: the component then outlines itself while a picture is missing.
  void SetDesigning(bool Value);
  bool IsDesigning() const { return FTweenery->IsDesigning(); }

  QStringList About() const;
  bool Active() const { return FTweenery->Active(); }
  QColor Color() const;
  int CurrentFrame() const { return FTweenery->CurrentFrame(); }
  QImage FromBitmap() const;
  QString FromImageFile() const { return QString::fromStdString(FTweenery->FromImageFile()); }
  QImage ToBitmap() const;
  QString ToImageFile() const { return QString::fromStdString(FTweenery->ToImageFile()); }
  int Delta() const { return FTweenery->Delta(); }
  uint Interval() const { return FTweenery->Interval(); }
  bool MaintainAspectRatio() const { return FTweenery->MaintainAspectRatio(); }
  TTransitionModifier Modifier() const { return static_cast<TTransitionModifier>(FTweenery->Modifier()); }
  TTransitionOperation Operation() const { return static_cast<TTransitionOperation>(FTweenery->Operation()); }
  bool Reverse() const { return FTweenery->Reverse(); }
  TRGBOrder RGBOrder() const { return static_cast<TRGBOrder>(FTweenery->RGBOrder()); }
  bool Stretch() const { return FTweenery->Stretch(); }
  bool UseThread() const { return FTweenery->UseThread(); }
  int Steps() const { return FTweenery->Steps(); }

  // Setters in Qt's spelling, which uic calls for properties of a .ui file.
  void setActive(bool Value);
  void setColor(const QColor& Value);
  void setCurrentFrame(int Value);
  void setFromBitmap(const QImage& Value);
  void setFromImageFile(const QString& Value);
  void setToBitmap(const QImage& Value);
  void setToImageFile(const QString& Value);
  void setDelta(int Value);
  void setInterval(uint Value);
  void setMaintainAspectRatio(bool Value);
  void setModifier(TTransitionModifier Value);
  void setOperation(TTransitionOperation Value);
  void setReverse(bool Value);
  void setRGBOrder(TRGBOrder Value);
  void setStretch(bool Value);
  void setUseThread(bool Value);
  void setSteps(int Value);

  // Back to the component's defaults (its constructor's values).
  void resetActive() { setActive(false); }
  void resetColor();
  void resetCurrentFrame() { setCurrentFrame(0); }
  void resetFromBitmap() { setFromBitmap(QImage()); }
  void resetFromImageFile() { setFromImageFile(QString()); }
  void resetToBitmap() { setToBitmap(QImage()); }
  void resetToImageFile() { setToImageFile(QString()); }
  void resetDelta() { setDelta(10); }
  void resetInterval() { setInterval(100); }
  void resetMaintainAspectRatio() { setMaintainAspectRatio(true); }
  void resetModifier() { setModifier(tmLeft); }
  void resetOperation() { setOperation(toPush); }
  void resetReverse() { setReverse(false); }
  void resetRGBOrder() { setRGBOrder(coRGB); }
  void resetStretch() { setStretch(false); }
  void resetUseThread() { setUseThread(false); }
  void resetSteps() { setSteps(1); }

 public slots:
  void play();
  void stop();
  void pause();
  void resume();

 signals:
  // A transition completed; emitted after the handler a form bound.
  void done();
  void activeChanged();
  void colorChanged();
  void currentFrameChanged();
  void fromPictureChanged();
  void toPictureChanged();
  void deltaChanged();
  void intervalChanged();
  void maintainAspectRatioChanged();
  void modifierChanged();
  void operationChanged();
  void reverseChanged();
  void rgbOrderChanged();
  void stretchChanged();
  void useThreadChanged();
  void stepsChanged();

 protected:
  void resizeEvent(QResizeEvent* Event) override;

 private:
  struct TSnapshot;
  TSnapshot Snapshot() const;
  void EmitChanges(const TSnapshot& Before);
  // Runs Change on the component and signals what it changed.
  template <class Change>
  void Changing(Change&& Apply);
  void CoverWidget() const;
  void BindDone();

  std::unique_ptr<TComponent> FRoot;
  TTweenery* FTweenery = nullptr;  // owned by FRoot
  TNotifyEvent FBoundDone;         // the handler a form description bound
};

}  // namespace tweenery
