/// @file
/// Drawing with Qt onto the platform's bitmaps, for custom-painted controls:
/// a bitmap seen as a QImage over its own memory, colours, captions, and the
/// base of windowed custom controls that paint through a TCanvas.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>
#include <string>

#include "platform/Graphics.h"

namespace tweenery {

/// The bitmap as an RGB32 image over the same memory (no copy); valid until
/// the bitmap is resized or destroyed. An empty bitmap gives a null image.
QImage BitmapImage(TBitmap* Bitmap);
/// Out becomes a copy of Image in the bitmap's layout, every pixel opaque
/// (alpha is dropped); a null image empties it.
void ImageToBitmap(const QImage& Image, TBitmap& Out);
/// The colour as Qt's, system colours resolved.
QColor ToQColor(TColor Color);
/// Qt's colour as 0x00BBGGRR; alpha is dropped.
TColor FromQColor(const QColor& Color);

/// The caption without its accelerator marks ("&More..." -> "More...";
/// "&&" is a literal '&') and the index of the accelerator character in that
/// text, or -1.
QString StripAccelerator(const QString& Caption, int* AcceleratorIndex = nullptr);
/// The accelerator character of a caption in lower case, or 0.
QChar AcceleratorChar(const QString& Caption);

/// Draws Caption on one line, centred horizontally in R and aligned to R's
/// top, in Font and Color, with the accelerator character underlined;
/// clipped to R and to the bitmap. Calls the bitmap's Modified().
void DrawCaption(TBitmap* Target, const TRect& R, const QString& Caption, const QFont& Font,
                 TColor Color);

/// The program's standard dialog font: a condensed sans-serif face at 8 points.
QFont DialogFont();

/// A windowed control with its own canvas: the widget keeps a bitmap of its
/// size; paintEvent lets Paint draw on it through Canvas() and shows it as a
/// QImage over the same memory. Subclasses draw only in Paint.
class TCustomControl : public QWidget {
  Q_OBJECT
 public:
  /// A control with an empty surface, sized with the widget.
  explicit TCustomControl(QWidget* Parent = nullptr);

  /// Draws on the surface; meant for Paint.
  TCanvas* Canvas() { return FSurface.Canvas(); }
  /// The bitmap the widget shows.
  TBitmap* Surface() { return &FSurface; }
  /// Paints into the surface now, as a paint event would (tests read pixels).
  void PaintToSurface();

 protected:
  /// What a descendant draws through Canvas(); the base draws nothing.
  virtual void Paint() {}
  /// Runs Paint on the surface and shows it.
  void paintEvent(QPaintEvent* Event) override;
  void changeEvent(QEvent* Event) override;  ///< enabling repaints
  /**@{*/
  /// Gaining or losing focus repaints, for controls that show it.
  void focusInEvent(QFocusEvent* Event) override;
  void focusOutEvent(QFocusEvent* Event) override;
  /**@}*/
  /// Repaints at the new size; the surface follows at the next paint.
  void resizeEvent(QResizeEvent* Event) override;

 private:
  TBitmap FSurface;
};

}  // namespace tweenery
