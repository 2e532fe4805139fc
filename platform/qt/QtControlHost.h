/// @file
/// A QWidget that hosts windowless controls (any TGraphicControl): it keeps
/// a surface bitmap of its own size, lets the invalidated controls paint on
/// it and shows it as a QImage over the bitmap's own memory (no copy). Mouse
/// presses, moves, releases and double clicks reach the control under the
/// pointer (or the one that took the press) in control coordinates.
#pragma once

#include <QRegion>
#include <QWidget>
#include <vector>

#include "platform/Controls.h"

namespace tweenery {

/// The widget a TGraphicControl sits on in a Qt program.
class TQtControlHost : public QWidget, public TControlHost {
  Q_OBJECT
 public:
  /// A host without controls; its surface follows the widget's size.
  explicit TQtControlHost(QWidget* Parent = nullptr);
  ~TQtControlHost() override;

  /// TControlHost
  /// Kept at the widget's size (SurfaceSizeFor), also while hidden (a
  /// hidden widget has its resize event only when shown).
  TBitmap* Surface() override {
    SyncSurfaceSize();
    return &FSurface;
  }
  int ClientWidth() const override { return width(); }
  int ClientHeight() const override { return height(); }
  void InvalidateControl(TControl* Control) override;
  void RepaintControl(TControl* Control) override;
  void InsertControl(TControl* Control) override;
  void RemoveControl(TControl* Control) override;

  /// The hosted controls, in insertion (painting) order.
  const std::vector<TControl*>& Controls() const { return FControls; }
  /// The image the last paint showed; its bits are the surface's memory.
  const void* LastPaintedBits() const { return FLastPaintedBits; }
  /// The surface's size for a widget of Width x Height: the same, or past
  /// the bitmap limit (TBitmap::MaxPixels) the largest top-left part of the
  /// same proportions within it; the rest of the widget shows the face.
  static QSize SurfaceSizeFor(int Width, int Height);

 protected:
  /// Paints the invalidated controls on the surface and shows it.
  void paintEvent(QPaintEvent* Event) override;
  /// Resizes the surface and realigns the controls.
  void resizeEvent(QResizeEvent* Event) override;
  /**@{*/
  /// Delivered to the control under the pointer, or to the one that took
  /// the press, in its coordinates.
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void mouseDoubleClickEvent(QMouseEvent* Event) override;
  /**@}*/

 private:
  /// The topmost visible control under (X, Y), or nullptr.
  TControl* ControlAt(int X, int Y) const;
  /// Paints the dirty controls and those meeting Area onto the surface.
  void PaintSurface(const QRegion& Area);
  /// Fills what no opaque control covers with the button face colour.
  void EraseBehindControls(const QRegion& Area);
  void SyncSurfaceSize();
  void DeliverPress(QMouseEvent* Event, TShiftState Extra);

  TBitmap FSurface;
  std::vector<TControl*> FControls;
  std::vector<TControl*> FDirty;
  TControl* FMouseControl = nullptr;  ///< took the press; gets moves and the release
  const void* FLastPaintedBits = nullptr;
  bool FPainting = false;
};

}  // namespace tweenery
