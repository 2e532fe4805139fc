// Pages for the stacked widget's tests, and the hands on its clock: a test
// pauses the transition's clock and sets its time, so every frame it looks
// at is the frame of a known moment however slow the machine is.
#pragma once

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QVariantAnimation>
#include <QWidget>
#include <QtTest>
#include <cstring>
#include <memory>

#include "TestPictures.h"
#include "platform/qt/QtDrawing.h"
#include "widget/TweeneryStackedWidget.h"

namespace tweenery::test {

// A page that paints a coded picture (each pixel its tag and place), so no
// two pages and no two places on a page look alike.
class TCodedPage : public QWidget {
 public:
  explicit TCodedPage(std::uint32_t Tag, QWidget* Parent = nullptr) : QWidget(Parent), FTag(Tag) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent* Event) override {
    // Only the part asked for (a page may be far larger than the screen),
    // coded at device pixels.
    const QRect r = Event->rect() & rect();
    const qreal ratio = devicePixelRatioF();
    const QRect device(r.topLeft() * ratio, r.size() * ratio);
    QImage part(device.size(), QImage::Format_RGB32);
    for (int y = 0; y < device.height(); ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(part.scanLine(y));
      for (int x = 0; x < device.width(); ++x)
        row[x] = CodedPixel(FTag, (device.x() + x) & 2047, (device.y() + y) & 2047);
    }
    part.setDevicePixelRatio(ratio);
    QPainter(this).drawImage(r.topLeft(), part);
  }

 private:
  std::uint32_t FTag;
};

inline QImage Grabbed(QWidget* Widget) {
  return Widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// What the stack shows over its pages, at device pixels.
inline QImage ShownPages(TweeneryStackedWidget& Stack) {
  QImage shown = Stack.grab(Stack.contentsRect()).toImage().convertToFormat(QImage::Format_RGB32);
  shown.setDevicePixelRatio(1);
  return shown;
}

inline QImage PageGrab(QWidget* Page) {
  QImage grab = Grabbed(Page);
  grab.setDevicePixelRatio(1);
  return grab;
}

// The clock of the transition that plays.
inline QVariantAnimation* Clock(TweeneryStackedWidget& Stack) {
  return Stack.findChild<QVariantAnimation*>(QStringLiteral("TransitionClock"));
}

// Stops the clock at Time (ms) and lets the cover paint that moment.
inline void HoldAt(TweeneryStackedWidget& Stack, int Time) {
  QVariantAnimation* clock = Clock(Stack);
  QVERIFY(clock);
  clock->pause();
  clock->setCurrentTime(Time);
}

// The picture as a bitmap of the platform's layout.
inline std::unique_ptr<TBitmap> BitmapOf(const QImage& Image) {
  const QImage rgb = Image.convertToFormat(QImage::Format_RGB32);
  auto bitmap = std::make_unique<TBitmap>(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y)
    std::memcpy(bitmap->ScanLine(y), rgb.constScanLine(y), sizeof(std::uint32_t) * rgb.width());
  return bitmap;
}

// The frame the component composes between two pictures at an eased
// progress, as the stack must show it.
inline QImage ComponentFrame(const QImage& From, const QImage& To, const TTransitionSettings& Settings,
                             double EasedProgress) {
  TTransitionRenderer renderer(*BitmapOf(From), *BitmapOf(To), Settings);
  const TBitmap& frame = renderer.Compose(renderer.FrameAtProgress(EasedProgress, TEasing()));
  return BitmapImage(const_cast<TBitmap*>(&frame)).copy();
}

}  // namespace tweenery::test
