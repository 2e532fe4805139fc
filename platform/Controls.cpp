#include "platform/Controls.h"

#include <algorithm>

namespace tweenery {

TControl::TControl(TComponent* Owner) : TComponent(Owner) {}

TControl::~TControl() { SetParent(nullptr); }

void TControl::SetBounds(int Left, int Top, int Width, int Height) {
  Width = std::max(Width, 0);
  Height = std::max(Height, 0);
  if (Left == FLeft && Top == FTop && Width == FWidth && Height == FHeight) return;
  Invalidate();
  FLeft = Left;
  FTop = Top;
  FWidth = Width;
  FHeight = Height;
  Invalidate();
}

void TControl::SetParent(TControlHost* Value) {
  if (Value == FParent) return;
  if (FParent) FParent->RemoveControl(this);
  FParent = Value;
  if (FParent) {
    FParent->InsertControl(this);
    RealignInHost();
    Invalidate();
  }
}

void TControl::RealignInHost() {
  if (!FParent || FAlign == alNone) return;
  const int w = FParent->ClientWidth(), h = FParent->ClientHeight();
  switch (FAlign) {
    case alTop: SetBounds(0, 0, w, FHeight); break;
    case alBottom: SetBounds(0, h - FHeight, w, FHeight); break;
    case alLeft: SetBounds(0, 0, FWidth, h); break;
    case alRight: SetBounds(w - FWidth, 0, FWidth, h); break;
    case alClient: SetBounds(0, 0, w, h); break;
    case alNone: break;
  }
}

void TControl::SetAlign(TAlign Value) {
  if (Value == FAlign) return;
  FAlign = Value;
  RealignInHost();
}

void TControl::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  Invalidate();
}

void TControl::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  Invalidate();
}

void TControl::Invalidate() {
  if (FParent) FParent->InvalidateControl(this);
}

void TControl::Repaint() {
  if (FParent) FParent->RepaintControl(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (!FEnabled) return;
  FMouseDown = Button == mbLeft;
  if ((Shift & ssDouble) != 0 && Button == mbLeft) DblClick();
  if (FOnMouseDown) FOnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (!FEnabled) return;
  if (FOnMouseMove) FOnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (!FEnabled) return;
  // A click is a left press and release inside the control.
  const bool click = FMouseDown && Button == mbLeft && X >= 0 && Y >= 0 && X < FWidth && Y < FHeight;
  FMouseDown = false;
  if (click) Click();
  if (FOnMouseUp) FOnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Click() {
  if (FOnClick) FOnClick(this);
}

void TControl::DblClick() {
  if (FOnDblClick) FOnDblClick(this);
}

TGraphicControl::TGraphicControl(TComponent* Owner) : TControl(Owner) {}

TCanvas* TGraphicControl::Canvas() {
  TBitmap* surface = Parent() ? Parent()->Surface() : nullptr;
  FCanvas.SetSurface(surface, Left(), Top(), BoundsRect());
  return &FCanvas;
}

void TGraphicControl::PaintControl() {
  if (!Visible()) return;
  Canvas();
  Paint();
}

THeadlessHost::THeadlessHost(int Width, int Height) { FSurface.SetSize(Width, Height); }

THeadlessHost::~THeadlessHost() {
  for (TControl* c : std::vector<TControl*>(FControls)) c->SetParent(nullptr);
}

void THeadlessHost::InvalidateControl(TControl* Control) {
  ++FInvalidateCount;
  if (std::find(FDirty.begin(), FDirty.end(), Control) == FDirty.end()) FDirty.push_back(Control);
}

void THeadlessHost::RepaintControl(TControl* Control) {
  FDirty.erase(std::remove(FDirty.begin(), FDirty.end(), Control), FDirty.end());
  ++FPaintCount;
  Control->PaintControl();
}

void THeadlessHost::InsertControl(TControl* Control) { FControls.push_back(Control); }

void THeadlessHost::RemoveControl(TControl* Control) {
  FControls.erase(std::remove(FControls.begin(), FControls.end(), Control), FControls.end());
  FDirty.erase(std::remove(FDirty.begin(), FDirty.end(), Control), FDirty.end());
}

void THeadlessHost::Update() {
  std::vector<TControl*> dirty;
  dirty.swap(FDirty);
  for (TControl* c : FControls)
    if (std::find(dirty.begin(), dirty.end(), c) != dirty.end()) {
      ++FPaintCount;
      c->PaintControl();
    }
}

}  // namespace tweenery
