#include "platform/qt/QtControlHost.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/Runtime.h"
#include "platform/qt/QtDrawing.h"

namespace tweenery {

namespace {

QRect ToQRect(const TRect& R) { return QRect(R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top); }

bool ToMouseButton(Qt::MouseButton Button, TMouseButton& Result) {
  switch (Button) {
    case Qt::LeftButton: Result = mbLeft; return true;
    case Qt::RightButton: Result = mbRight; return true;
    case Qt::MiddleButton: Result = mbMiddle; return true;
    default: return false;
  }
}

TShiftState ToShiftState(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons) {
  TShiftState shift = 0;
  if (Modifiers & Qt::ShiftModifier) shift |= ssShift;
  if (Modifiers & Qt::AltModifier) shift |= ssAlt;
  if (Modifiers & Qt::ControlModifier) shift |= ssCtrl;
  if (Buttons & Qt::LeftButton) shift |= ssLeft;
  if (Buttons & Qt::RightButton) shift |= ssRight;
  if (Buttons & Qt::MiddleButton) shift |= ssMiddle;
  return shift;
}

QPoint EventPoint(const QMouseEvent* Event) { return Event->position().toPoint(); }

// Runs a control's input or paint code; what it raises goes to the
// application's handler, since it cannot unwind through Qt's event loop.
template <class Action>
void Guarded(Action&& Run) {
  try {
    Run();
  } catch (...) {
    Application()->HandleException(std::current_exception());
  }
}

}  // namespace

TQtControlHost::TQtControlHost(QWidget* Parent) : QWidget(Parent) {
  // The surface covers every pixel of the widget.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  // Controls see moves without a button held, as hosted controls do.
  setMouseTracking(true);
  SyncSurfaceSize();
}

TQtControlHost::~TQtControlHost() {
  for (TControl* control : std::vector<TControl*>(FControls)) control->SetParent(nullptr);
}

QSize TQtControlHost::SurfaceSizeFor(int Width, int Height) {
  const std::int64_t w = std::max(Width, 0), h = std::max(Height, 0);
  if (w * h <= TBitmap::MaxPixels) return QSize(static_cast<int>(w), static_cast<int>(h));
  // Beyond the bitmap limit (a widget in a scroll area can be far larger
  // than any screen): the largest top-left part within it, of the same
  // proportions, or the whole of a short side.
  const std::int64_t side = static_cast<std::int64_t>(std::sqrt(static_cast<double>(TBitmap::MaxPixels)));
  std::int64_t sw, sh;
  if (std::min(w, h) <= side) {
    sw = w <= h ? w : TBitmap::MaxPixels / h;
    sh = w <= h ? TBitmap::MaxPixels / w : h;
  } else {
    const double scale = std::sqrt(static_cast<double>(TBitmap::MaxPixels) / (static_cast<double>(w) * h));
    sw = std::clamp<std::int64_t>(static_cast<std::int64_t>(w * scale), 1, w);
    sh = std::clamp<std::int64_t>(TBitmap::MaxPixels / sw, 1, h);
  }
  return QSize(static_cast<int>(std::min(sw, w)), static_cast<int>(std::min(sh, h)));
}

void TQtControlHost::SyncSurfaceSize() {
  const QSize size = SurfaceSizeFor(width(), height());
  if (FSurface.Width() == size.width() && FSurface.Height() == size.height()) return;
  try {
    FSurface.SetSize(size.width(), size.height());
  } catch (const std::exception&) {
    // No memory for it: no surface, and the face is painted instead.
    FSurface.SetSize(0, 0);
  }
  // Where a control leaves its rectangle unpainted, the host's face shows
  // rather than the black of new pixels.
  if (FSurface.Empty()) return;
  TCanvas* canvas = FSurface.Canvas();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(clBtnFace);
  canvas->FillRect(Rect(0, 0, FSurface.Width(), FSurface.Height()));
}

void TQtControlHost::InvalidateControl(TControl* Control) {
  if (std::find(FDirty.begin(), FDirty.end(), Control) == FDirty.end()) FDirty.push_back(Control);
  update(ToQRect(Control->BoundsRect()));
}

void TQtControlHost::RepaintControl(TControl* Control) {
  const QRect area = ToQRect(Control->BoundsRect()) & rect();
  if (FPainting || !isVisible() || area.isEmpty()) {
    // No paint event can come now (inside one, or hidden): the surface
    // still shows the control at once.
    FDirty.erase(std::remove(FDirty.begin(), FDirty.end(), Control), FDirty.end());
    SyncSurfaceSize();
    Guarded([&] { Control->PaintControl(); });
    if (!FPainting) update(area);
    return;
  }
  if (std::find(FDirty.begin(), FDirty.end(), Control) == FDirty.end()) FDirty.push_back(Control);
  repaint(area);
}

void TQtControlHost::InsertControl(TControl* Control) {
  if (std::find(FControls.begin(), FControls.end(), Control) != FControls.end()) return;
  FControls.push_back(Control);
}

void TQtControlHost::RemoveControl(TControl* Control) {
  FControls.erase(std::remove(FControls.begin(), FControls.end(), Control), FControls.end());
  FDirty.erase(std::remove(FDirty.begin(), FDirty.end(), Control), FDirty.end());
  if (FMouseControl == Control) FMouseControl = nullptr;
  // What the control covered shows what lies behind it now.
  update(ToQRect(Control->BoundsRect()));
}

TControl* TQtControlHost::ControlAt(int X, int Y) const {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* control = *it;
    const TRect r = control->BoundsRect();
    if (control->Visible() && X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom) return control;
  }
  return nullptr;
}

void TQtControlHost::EraseBehindControls(const QRegion& Area) {
  QRegion uncovered = Area;
  for (TControl* control : FControls)
    if (control->Visible() && (control->ControlStyle() & csOpaque) != 0)
      uncovered -= ToQRect(control->BoundsRect());
  if (uncovered.isEmpty()) return;
  TCanvas* canvas = FSurface.Canvas();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(clBtnFace);
  for (const QRect& r : uncovered)
    canvas->FillRect(Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()));
}

void TQtControlHost::PaintSurface(const QRegion& Area) {
  SyncSurfaceSize();
  if (FSurface.Empty()) return;
  std::vector<TControl*> dirty;
  dirty.swap(FDirty);
  EraseBehindControls(Area);
  // Painted in insertion order, so later controls lie on top.
  for (TControl* control : std::vector<TControl*>(FControls)) {
    const bool isDirty = std::find(dirty.begin(), dirty.end(), control) != dirty.end();
    if (isDirty || Area.intersects(ToQRect(control->BoundsRect()))) control->PaintControl();
  }
}

void TQtControlHost::paintEvent(QPaintEvent* Event) {
  FPainting = true;
  Guarded([&] { PaintSurface(Event->region()); });
  FPainting = false;
  const QImage image = BitmapImage(&FSurface);
  QPainter painter(this);
  // Beyond the surface (a widget past the bitmap limit), the host's face.
  const QRegion outside = Event->region() - QRect(0, 0, image.width(), image.height());
  for (const QRect& r : outside) painter.fillRect(r, ToQColor(clBtnFace));
  if (image.isNull()) return;
  FLastPaintedBits = image.constBits();
  for (const QRect& r : Event->region() & image.rect()) painter.drawImage(r, image, r);
}

void TQtControlHost::resizeEvent(QResizeEvent* Event) {
  // Nothing may leave an event handler into Qt's event loop.
  Guarded([&] {
    SyncSurfaceSize();
    for (TControl* control : std::vector<TControl*>(FControls)) control->RealignInHost();
  });
  update();
  QWidget::resizeEvent(Event);
}

void TQtControlHost::DeliverPress(QMouseEvent* Event, TShiftState Extra) {
  TMouseButton button;
  if (!ToMouseButton(Event->button(), button)) return;
  const QPoint p = EventPoint(Event);
  // The control that takes the first press keeps the mouse until every
  // button is up again.
  if (!FMouseControl) FMouseControl = ControlAt(p.x(), p.y());
  if (!FMouseControl) return;
  TControl* target = FMouseControl;
  const TShiftState shift = ToShiftState(Event->modifiers(), Event->buttons()) | Extra;
  Guarded([&] { target->MouseDown(button, shift, p.x() - target->Left(), p.y() - target->Top()); });
}

void TQtControlHost::mousePressEvent(QMouseEvent* Event) { DeliverPress(Event, 0); }

void TQtControlHost::mouseDoubleClickEvent(QMouseEvent* Event) { DeliverPress(Event, ssDouble); }

void TQtControlHost::mouseMoveEvent(QMouseEvent* Event) {
  const QPoint p = EventPoint(Event);
  TControl* target = FMouseControl ? FMouseControl : ControlAt(p.x(), p.y());
  if (!target) return;
  const TShiftState shift = ToShiftState(Event->modifiers(), Event->buttons());
  Guarded([&] { target->MouseMove(shift, p.x() - target->Left(), p.y() - target->Top()); });
}

void TQtControlHost::mouseReleaseEvent(QMouseEvent* Event) {
  TMouseButton button;
  if (!ToMouseButton(Event->button(), button)) return;
  const QPoint p = EventPoint(Event);
  TControl* target = FMouseControl ? FMouseControl : ControlAt(p.x(), p.y());
  if (Event->buttons() == Qt::NoButton) FMouseControl = nullptr;
  if (!target) return;
  const TShiftState shift = ToShiftState(Event->modifiers(), Event->buttons());
  Guarded([&] { target->MouseUp(button, shift, p.x() - target->Left(), p.y() - target->Top()); });
}

}  // namespace tweenery
