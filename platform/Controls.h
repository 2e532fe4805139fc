// Controls: the windowless graphic control the component derives from, and
// the host that gives controls a surface to paint on. The headless host
// paints into a TBitmap; the Qt port hosts controls in a widget.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/Classes.h"
#include "platform/Graphics.h"

namespace tweenery {

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftFlag : unsigned {
  ssShift = 1u << 0,
  ssAlt = 1u << 1,
  ssCtrl = 1u << 2,
  ssLeft = 1u << 3,
  ssRight = 1u << 4,
  ssMiddle = 1u << 5,
  ssDouble = 1u << 6,
};
using TShiftState = unsigned;
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject* Sender, TObject*& DragObject)>;

// Control style flags.
enum TControlStyleFlag : unsigned {
  csOpaque = 1u << 0,  // paints its whole rectangle; nothing behind shows through
};

class TControl;

// What a control needs from the surface it sits on.
class TControlHost {
 public:
  virtual ~TControlHost() = default;
  // The surface the controls paint on, or nullptr when there is none yet.
  virtual TBitmap* Surface() = 0;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  // Schedules a repaint of the control's rectangle.
  virtual void InvalidateControl(TControl* Control) = 0;
  // Paints the control at once.
  virtual void RepaintControl(TControl* Control) = 0;
  virtual void InsertControl(TControl* Control) = 0;
  virtual void RemoveControl(TControl* Control) = 0;
};

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* Owner);
  ~TControl() override;

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  virtual void SetBounds(int Left, int Top, int Width, int Height);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }

  TControlHost* Parent() const { return FParent; }
  void SetParent(TControlHost* Value);

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  unsigned ControlStyle() const { return FControlStyle; }
  void SetControlStyle(unsigned Value) { FControlStyle = Value; }

  // Asks the host to repaint the control later; Repaint paints it now.
  void Invalidate();
  virtual void Repaint();
  // Fits the control to its host's client area as Align says.
  void RealignInHost();

  // Paints the control; the host has set up its canvas.
  virtual void PaintControl() {}

  // Input the host delivers, in control coordinates.
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void Click();
  virtual void DblClick();

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

// A windowless control that paints on its host's surface through Canvas.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* Owner);

  // Draws on the host's surface, shifted to the control's origin and clipped
  // to its bounds; draws nothing while the control has no host.
  TCanvas* Canvas();
  void PaintControl() override;

 protected:
  virtual void Paint() {}

 private:
  TCanvas FCanvas;
};

// Hosts controls on a surface bitmap of its own, for tests and the
// command-line tool. Invalidation is recorded and painted by Update.
class THeadlessHost : public TControlHost {
 public:
  THeadlessHost(int Width, int Height);
  ~THeadlessHost() override;

  TBitmap* Surface() override { return &FSurface; }
  int ClientWidth() const override { return FSurface.Width(); }
  int ClientHeight() const override { return FSurface.Height(); }
  void InvalidateControl(TControl* Control) override;
  void RepaintControl(TControl* Control) override;
  void InsertControl(TControl* Control) override;
  void RemoveControl(TControl* Control) override;

  // Paints every invalidated control, in insertion order.
  void Update();
  int InvalidateCount() const { return FInvalidateCount; }
  int PaintCount() const { return FPaintCount; }

 private:
  TBitmap FSurface;
  std::vector<TControl*> FControls;
  std::vector<TControl*> FDirty;
  int FInvalidateCount = 0;
  int FPaintCount = 0;
};

}  // namespace tweenery
