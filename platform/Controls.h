/// @file
/// Controls: the windowless graphic control the component derives from, and
/// the host that gives controls a surface to paint on. The headless host
/// paints into a TBitmap; the Qt port hosts controls in a widget.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/Classes.h"
#include "platform/Graphics.h"

namespace tweenery {

/// How a control fits itself to its host's client area (RealignInHost):
/// alNone keeps its bounds, alClient fills the area, the others dock to one
/// side at the control's own height or width.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
/// The mouse button of a press or release.
enum TMouseButton { mbLeft, mbRight, mbMiddle };
/// Keys and buttons held during a mouse event, as TShiftState bits.
enum TShiftFlag : unsigned {
  ssShift = 1u << 0,   ///< Shift key
  ssAlt = 1u << 1,     ///< Alt key
  ssCtrl = 1u << 2,    ///< Ctrl key
  ssLeft = 1u << 3,    ///< left button
  ssRight = 1u << 4,   ///< right button
  ssMiddle = 1u << 5,  ///< middle button
  ssDouble = 1u << 6,  ///< the press is the second of a double click
};
/// TShiftFlag bits.
using TShiftState = unsigned;
/// Where a drag stands relative to the control it passes over.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

/// A mouse press or release at (X, Y), in control coordinates.
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
/// A mouse move to (X, Y), in control coordinates.
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
/// Source was dropped on the control at (X, Y).
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
/// Source passes over the control; the handler sets Accept when it would take a drop.
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
/// A drag that started on the control ended over Target (nullptr: no target).
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
/// A drag starts on the control; the handler may supply the dragged object.
using TStartDragEvent = std::function<void(TObject* Sender, TObject*& DragObject)>;

/// Control style flags, as TControl::ControlStyle() bits.
enum TControlStyleFlag : unsigned {
  csOpaque = 1u << 0,  ///< paints its whole rectangle; nothing behind shows through
};

class TControl;

/// What a control needs from the surface it sits on.
class TControlHost {
 public:
  virtual ~TControlHost() = default;
  /// The surface the controls paint on, or nullptr when there is none yet.
  virtual TBitmap* Surface() = 0;
  /**@{*/
  /// Size of the area the controls are aligned in.
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  /**@}*/
  /// Schedules a repaint of the control's rectangle.
  virtual void InvalidateControl(TControl* Control) = 0;
  /// Paints the control at once.
  virtual void RepaintControl(TControl* Control) = 0;
  /// Takes Control in (TControl::SetParent calls it), painting it after
  /// those already there.
  virtual void InsertControl(TControl* Control) = 0;
  /// Lets Control go; it is painted no more.
  virtual void RemoveControl(TControl* Control) = 0;
};

/// A component with a rectangle on a host: bounds, alignment, visibility,
/// mouse input and the events a form binds.
class TControl : public TComponent {
 public:
  /// A control at (0, 0), 0 x 0, without a host.
  explicit TControl(TComponent* Owner);
  /// Leaves its host first.
  ~TControl() override;

  /**@{*/
  /// The control's rectangle in host coordinates; each setter goes through
  /// SetBounds.
  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  /**@}*/
  /// Moves and resizes the control and has its old and new rectangles
  /// repainted.
  virtual void SetBounds(int Left, int Top, int Width, int Height);
  /// The control's rectangle in host coordinates.
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  /// (0, 0, Width, Height): the rectangle the control paints in.
  TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }

  /**@{*/
  /// The host the control sits on, or nullptr; setting it moves the
  /// control from the old host to the new one.
  TControlHost* Parent() const { return FParent; }
  void SetParent(TControlHost* Value);
  /**@}*/

  /**@{*/
  /// How the control fits its host's client area; a change realigns it.
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  /**@}*/
  /**@{*/
  /// A disabled control takes no mouse input.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  /**@}*/
  /**@{*/
  /// A hidden control is not painted and takes no mouse input.
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  /**@}*/
  /**@{*/
  /// TControlStyleFlag bits.
  unsigned ControlStyle() const { return FControlStyle; }
  void SetControlStyle(unsigned Value) { FControlStyle = Value; }
  /**@}*/

  /// Asks the host to repaint the control later.
  void Invalidate();
  /// Paints the control now.
  virtual void Repaint();
  /// Fits the control to its host's client area as Align says.
  void RealignInHost();

  /// Paints the control; the host has set up its canvas.
  virtual void PaintControl() {}

  /**@{*/
  /// Input the host delivers, in control coordinates. MouseDown and MouseUp
  /// raise their events; a release over the control after a press on it
  /// clicks it.
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void Click();
  virtual void DblClick();
  /**@}*/

  /**@{*/
  /// Event handlers, each called with the control as sender.
  const TNotifyEvent& OnClick() const { return FOnClick; }
  void SetOnClick(TNotifyEvent Value) { FOnClick = std::move(Value); }
  const TNotifyEvent& OnDblClick() const { return FOnDblClick; }
  void SetOnDblClick(TNotifyEvent Value) { FOnDblClick = std::move(Value); }
  const TMouseEvent& OnMouseDown() const { return FOnMouseDown; }
  void SetOnMouseDown(TMouseEvent Value) { FOnMouseDown = std::move(Value); }
  const TMouseMoveEvent& OnMouseMove() const { return FOnMouseMove; }
  void SetOnMouseMove(TMouseMoveEvent Value) { FOnMouseMove = std::move(Value); }
  const TMouseEvent& OnMouseUp() const { return FOnMouseUp; }
  void SetOnMouseUp(TMouseEvent Value) { FOnMouseUp = std::move(Value); }
  const TDragDropEvent& OnDragDrop() const { return FOnDragDrop; }
  void SetOnDragDrop(TDragDropEvent Value) { FOnDragDrop = std::move(Value); }
  const TDragOverEvent& OnDragOver() const { return FOnDragOver; }
  void SetOnDragOver(TDragOverEvent Value) { FOnDragOver = std::move(Value); }
  const TEndDragEvent& OnEndDrag() const { return FOnEndDrag; }
  void SetOnEndDrag(TEndDragEvent Value) { FOnEndDrag = std::move(Value); }
  const TStartDragEvent& OnStartDrag() const { return FOnStartDrag; }
  void SetOnStartDrag(TStartDragEvent Value) { FOnStartDrag = std::move(Value); }
  /**@}*/

 private:
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TControlHost* FParent = nullptr;
  TAlign FAlign = alNone;
  bool FEnabled = true;
  bool FVisible = true;
  bool FMouseDown = false;
  unsigned FControlStyle = 0;
  TNotifyEvent FOnClick, FOnDblClick;
  TMouseEvent FOnMouseDown, FOnMouseUp;
  TMouseMoveEvent FOnMouseMove;
  TDragDropEvent FOnDragDrop;
  TDragOverEvent FOnDragOver;
  TEndDragEvent FOnEndDrag;
  TStartDragEvent FOnStartDrag;
};

/// A windowless control that paints on its host's surface through Canvas.
class TGraphicControl : public TControl {
 public:
  /// A control with a canvas that is set up for each paint.
  explicit TGraphicControl(TComponent* Owner);

  /// Draws on the host's surface, shifted to the control's origin and clipped
  /// to its bounds; draws nothing while the control has no host.
  TCanvas* Canvas();
  /// Points Canvas at the host's surface and calls Paint.
  void PaintControl() override;

 protected:
  /// What a descendant draws through Canvas(); the base draws nothing.
  virtual void Paint() {}

 private:
  TCanvas FCanvas;
};

/// Hosts controls on a surface bitmap of its own, for tests and the
/// command-line tool. Invalidation is recorded and painted by Update.
class THeadlessHost : public TControlHost {
 public:
  /// A host whose surface is Width x Height pixels.
  THeadlessHost(int Width, int Height);
  /// Lets its controls go; they stay alive with their owners.
  ~THeadlessHost() override;

  TBitmap* Surface() override { return &FSurface; }
  int ClientWidth() const override { return FSurface.Width(); }
  int ClientHeight() const override { return FSurface.Height(); }
  void InvalidateControl(TControl* Control) override;
  void RepaintControl(TControl* Control) override;
  void InsertControl(TControl* Control) override;
  void RemoveControl(TControl* Control) override;

  /// Paints every invalidated control, in insertion order.
  void Update();
  /// How often a control asked to be repainted (tests count them).
  int InvalidateCount() const { return FInvalidateCount; }
  /// How many control paints the host ran.
  int PaintCount() const { return FPaintCount; }

 private:
  TBitmap FSurface;
  std::vector<TControl*> FControls;
  std::vector<TControl*> FDirty;
  int FInvalidateCount = 0;
  int FPaintCount = 0;
};

}  // namespace tweenery
