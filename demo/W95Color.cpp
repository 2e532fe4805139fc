#include "demo/W95Color.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <algorithm>

#include "platform/Services.h"

namespace tweenery {

// ---------------------------------------------------------------- drawing routines

void DrawBevel(TCanvas* Canvas, TRect& R, TColor TopLeft, TColor BottomRight, int Width) {
  Canvas->Pen()->SetWidth(1);
  Canvas->Pen()->SetStyle(psSolid);
  --R.Right;
  --R.Bottom;
  for (int ring = 0; ring < Width; ++ring) {
    Canvas->Pen()->SetColor(TopLeft);
    Canvas->Polyline({{R.Left, R.Bottom}, {R.Left, R.Top}, {R.Right, R.Top}});
    Canvas->Pen()->SetColor(BottomRight);
    Canvas->Polyline({{R.Right, R.Top}, {R.Right, R.Bottom}, {R.Left - 1, R.Bottom}});
    ++R.Left;
    ++R.Top;
    --R.Right;
    --R.Bottom;
  }
  ++R.Right;
  ++R.Bottom;
}

TRect DrawButtonFrame(TCanvas* Canvas, const TRect& R, int BevelWidth, bool Down) {
  Canvas->Pen()->SetColor(clBtnFace);
  Canvas->Pen()->SetStyle(psSolid);
  Canvas->Brush()->SetColor(clBtnFace);
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Rectangle(R);
  TRect work = R;
  if (Down) {
    DrawBevel(Canvas, work, clBtnShadow, clBtnHighlight, BevelWidth);
    DrawBevel(Canvas, work, clWindowFrame, clBtnFace, BevelWidth);
  } else {
    DrawBevel(Canvas, work, clBtnHighlight, clWindowFrame, BevelWidth);
    DrawBevel(Canvas, work, clBtnFace, clBtnShadow, BevelWidth);
  }
  return R;
}

namespace {

TRect Offset(TRect R, int DX, int DY) {
  R.Left += DX;
  R.Right += DX;
  R.Top += DY;
  R.Bottom += DY;
  return R;
}

TRect Inflate(TRect R, int D) {
  R.Left -= D;
  R.Top -= D;
  R.Right += D;
  R.Bottom += D;
  return R;
}

void FillSolid(TCanvas* Canvas, const TRect& R, TColor Color) {
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(Color);
  Canvas->FillRect(R);
}

void FrameSolid(TCanvas* Canvas, const TRect& R, TColor Color) {
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(Color);
  Canvas->FrameRect(R);
}

void Line(TCanvas* Canvas, TColor Color, int X1, int Y1, int X2, int Y2) {
  Canvas->Pen()->SetStyle(psSolid);
  Canvas->Pen()->SetWidth(1);
  Canvas->Pen()->SetColor(Color);
  Canvas->MoveTo(X1, Y1);
  Canvas->LineTo(X2, Y2);
}

constexpr TColor kStandardPalette[PaletteColorCount] = {
    0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0xC0DCC0,  //
    0x000000, 0x000080, 0x008000, 0x800000, 0xF0CAA6,  //
    0xC0C0C0, 0x00FFFF, 0xFFFF00, 0xFF00FF, 0xF0FBFF,  //
    0x808080, 0x008080, 0x808000, 0x800080, 0xA4A0A0,
};

std::optional<QSize> gScreenSizeOverride;
QPointer<TPopUpColorBox> gPopUpColorBox;

// Column or row of the palette grid under a coordinate; the gaps between
// cells count to the neighbouring cell.
int GridStep(int V) { return V <= 21 ? V / 21 : V <= 39 ? V / 20 : V / 19; }

bool IsEnter(int Key) { return Key == Qt::Key_Return || Key == Qt::Key_Enter; }

}  // namespace

TColor PaletteColors[PaletteColorCount] = {};

TPopUpColorBox* PopUpColorBox() { return gPopUpColorBox.data(); }

QPoint PopupOrigin(const QPoint& Anchor, const QPoint& ButtonTopLeft, int ButtonHeight,
                   const QSize& Screen) {
  const bool tooLow = Screen.height() < Anchor.y() + PopupHeight;
  const bool tooFarRight = Screen.width() < Anchor.x() + PopupWidth;
  const bool offLeft = Anchor.x() < 0;
  const int left = tooFarRight ? Screen.width() - PopupWidth : offLeft ? 0 : ButtonTopLeft.x();
  const int top = tooLow ? ButtonTopLeft.y() - PopupHeight : ButtonTopLeft.y() + ButtonHeight;
  return QPoint(left, top);
}

// ---------------------------------------------------------------- shared button behaviour

TWin95ButtonControl::TWin95ButtonControl(QWidget* Parent) : TCustomControl(Parent) {
  setFocusPolicy(Qt::StrongFocus);
  // Tracking needs moves only while a button is held, which Qt always sends.
}

void TWin95ButtonControl::Click() { emit clicked(); }

void TWin95ButtonControl::SetState(TVisualState Value) {
  if (FState == Value) return;
  FState = Value;
  update();
}

void TWin95ButtonControl::MouseDown(Qt::MouseButton Button, int, int) {
  if (Button != Qt::LeftButton || !isEnabled()) return;
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  FState = vsDown;
  update();
  FTracking = true;
}

void TWin95ButtonControl::MouseMove(int X, int Y) {
  if (!FTracking) return;
  // The bottom edge still counts as inside, as the classic control has it.
  const bool inside = X >= 0 && X < width() && Y >= 0 && Y <= height();
  SetState(inside ? vsDown : vsUp);
}

void TWin95ButtonControl::MouseUp(Qt::MouseButton, int, int) {
  if (!FTracking) return;
  FTracking = false;
  FState = vsUp;
  update();
}

bool TWin95ButtonControl::KeyDown(int Key) {
  if (!isEnabled()) return false;
  if (Key == Qt::Key_Space) {
    if (FState != vsDown) MouseDown(Qt::LeftButton, 1, 1);
    return true;
  }
  if (IsEnter(Key)) {
    Click();
    return true;
  }
  return false;
}

bool TWin95ButtonControl::KeyUp(int Key) {
  if (Key != Qt::Key_Space || !isEnabled()) return false;
  MouseUp(Qt::LeftButton, 1, 1);
  Click();
  return true;
}

void TWin95ButtonControl::mousePressEvent(QMouseEvent* Event) {
  const QPoint p = Event->position().toPoint();
  if (Event->button() == Qt::LeftButton) FClickPending = isEnabled();
  MouseDown(Event->button(), p.x(), p.y());
  TCustomControl::mousePressEvent(Event);
}

void TWin95ButtonControl::mouseMoveEvent(QMouseEvent* Event) {
  const QPoint p = Event->position().toPoint();
  MouseMove(p.x(), p.y());
  TCustomControl::mouseMoveEvent(Event);
}

void TWin95ButtonControl::mouseReleaseEvent(QMouseEvent* Event) {
  const QPoint p = Event->position().toPoint();
  const bool click = Event->button() == Qt::LeftButton && FClickPending && rect().contains(p);
  if (Event->button() == Qt::LeftButton) FClickPending = false;
  MouseUp(Event->button(), p.x(), p.y());
  if (click) Click();
}

void TWin95ButtonControl::keyPressEvent(QKeyEvent* Event) {
  if (KeyDown(Event->key())) {
    Event->accept();
    return;
  }
  TCustomControl::keyPressEvent(Event);
}

void TWin95ButtonControl::keyReleaseEvent(QKeyEvent* Event) {
  // A held Space repeats its press; only the real release lets go.
  if (!Event->isAutoRepeat() && KeyUp(Event->key())) {
    Event->accept();
    return;
  }
  TCustomControl::keyReleaseEvent(Event);
}

// ---------------------------------------------------------------- colour button

TWin95ColorButton::TWin95ColorButton(QWidget* Parent) : TWin95ButtonControl(Parent) {
  std::copy(std::begin(kStandardPalette), std::end(kStandardPalette), PaletteColors);
  resize(46, 24);
}

void TWin95ColorButton::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  emit colorChange();
  update();
}

void TWin95ColorButton::SetColorDlgCustomColors(const TStrings* Value) {
  if (Value == &FColorDlgCustomColors) return;
  FColorDlgCustomColors.Assign(Value);
}

void TWin95ColorButton::SetScreenSizeOverride(std::optional<QSize> Size) {
  gScreenSizeOverride = Size;
}

QSize TWin95ColorButton::ScreenSize() {
  if (gScreenSizeOverride) return *gScreenSizeOverride;
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().size() : QSize();
}

void TWin95ColorButton::Click() {
  // One popup at a time: a fresh one replaces a popup still open.
  if (gPopUpColorBox) gPopUpColorBox->close();
  auto* popup = new TPopUpColorBox(this);
  gPopUpColorBox = popup;
  popup->setObjectName(QStringLiteral("PopUpColorBox"));
  const QPoint anchor = mapToGlobal(QPoint(1, height() - 2));
  const QPoint origin = PopupOrigin(anchor, mapToGlobal(QPoint(0, 0)), height(), ScreenSize());
  popup->setGeometry(origin.x(), origin.y(), PopupWidth, PopupHeight);
  popup->show();
  TWin95ButtonControl::Click();
}

void TWin95ColorButton::Paint() {
  const int W = width(), H = height();
  const int shift = Pressed() ? 1 : 0;
  DrawButtonFrame(Canvas(), Rect(0, 0, W, H), 1, Pressed());
  if (hasFocus()) Canvas()->DrawFocusRect(Offset(Rect(2, 2, W - 3, H - 3), shift, shift));
  PaintArrow(Offset(Rect(W - 12, H / 2 - 3, W, H / 2 + 3), shift, shift));
  PaintSwatch(Offset(Rect(5, 5, W - 15, H - 7), shift, shift));
}

void TWin95ColorButton::PaintArrow(const TRect& R) {
  const int n = (R.Bottom - R.Top) / 2;
  const int c = R.Left + (R.Right - R.Left + 1) / 2;
  const int b = R.Bottom - (R.Bottom - R.Top - 1) / 4;
  for (int a = n; a >= 1; --a) FillSolid(Canvas(), Rect(c - a, b - a, c + a - 1, b - a + 1), clBlack);
}

void TWin95ColorButton::PaintSwatch(TRect S) {
  Canvas()->Pen()->SetStyle(psSolid);
  Canvas()->Pen()->SetColor(clBlack);
  Canvas()->Rectangle(S.Left, S.Top, S.Right + 1, S.Bottom + 1);
  Line(Canvas(), clBtnShadow, S.Right + 3, S.Top, S.Right + 3, S.Bottom + 1);
  Line(Canvas(), clBtnHighlight, S.Right + 4, S.Top, S.Right + 4, S.Bottom + 1);
  S = Offset(S, 1, 1);
  --S.Right;
  --S.Bottom;
  FillSolid(Canvas(), S, isEnabled() ? FColor : clBtnFace);
}

// ---------------------------------------------------------------- dialog button

TWin95Button::TWin95Button(QWidget* Parent) : TWin95ButtonControl(Parent) {
  // Qt hands the parent's font down to the child.
  resize(40, 20);
}

void TWin95Button::SetCaption(const QString& Value) {
  FCaption = Value;
  delete FShortcut;
  FShortcut = nullptr;
  const QChar accelerator = AcceleratorChar(FCaption);
  if (!accelerator.isNull()) {
    FShortcut = new QShortcut(QKeySequence(QStringLiteral("Alt+") + accelerator), this);
    connect(FShortcut, &QShortcut::activated, this, [this] { DialogChar(AcceleratorChar(FCaption)); });
  }
  update();
}

bool TWin95Button::DialogChar(QChar Char) {
  const QChar accelerator = AcceleratorChar(FCaption);
  if (accelerator.isNull() || Char.toLower() != accelerator || !isEnabled()) return false;
  Click();
  return true;
}

void TWin95Button::Click() {
  if (auto* box = qobject_cast<TPopUpColorBox*>(parentWidget())) {
    box->RunColorDialog(this);
    return;
  }
  TWin95ButtonControl::Click();
}

void TWin95Button::keyPressEvent(QKeyEvent* Event) {
  const auto modifiers = Event->modifiers() & ~Qt::KeypadModifier;
  if ((modifiers == Qt::NoModifier || modifiers == Qt::AltModifier) && Event->text().size() == 1 &&
      DialogChar(Event->text()[0])) {
    Event->accept();
    return;
  }
  TWin95ButtonControl::keyPressEvent(Event);
}

void TWin95Button::Paint() {
  const int W = width(), H = height();
  const bool down = Pressed();
  DrawButtonFrame(Canvas(), Rect(0, 0, W, H), 1, down);
  int bottom = H;
  if (hasFocus()) {
    const TRect focus = Offset(Rect(2, 2, W - 3, H - 3), down ? 1 : 0, down ? 1 : 0);
    Canvas()->DrawFocusRect(focus);
    bottom = focus.Bottom;
  }
  Canvas()->Brush()->SetStyle(bsClear);
  const TRect text = Offset(Rect(0, bottom / 5, W, H), 0, down ? 1 : 0);
  DrawCaption(Surface(), text, FCaption, font(), clBtnText);
  Canvas()->Brush()->SetStyle(bsSolid);
}

// ---------------------------------------------------------------- palette popup

TPopUpColorBox::TPopUpColorBox(QWidget* Parent) : TCustomControl(Parent) {
  // A popup closes when the user clicks anywhere else, which is how a
  // borderless window loses activation under Qt.
  setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
  setMouseTracking(true);
  QFont face = DialogFont();
  face.setPixelSize(11);
  setFont(face);
  resize(PopupWidth, PopupHeight);
  FormCreate();
}

TWin95ColorButton* TPopUpColorBox::OwnerButton() const {
  return qobject_cast<TWin95ColorButton*>(parentWidget());
}

void TPopUpColorBox::FormCreate() {
  const TWin95ColorButton* owner = OwnerButton();
  FHotIndex = NoCell;
  FCurrentColor = owner ? owner->Color() : clWhite;
  FMarkedIndex = CustomCell;
  for (int i = 0; i < PaletteColorCount; ++i)
    if (PaletteColors[i] == FCurrentColor) FMarkedIndex = i;
  FCustomShown = FMarkedIndex == CustomCell;

  FDialogButton = new TWin95Button(this);
  FDialogButton->setObjectName(QStringLiteral("DialogButton"));
  FDialogButton->setGeometry(3, 101, 53, 22);
  FDialogButton->SetCaption(owner ? owner->ButtonCaption() : QStringLiteral("&More..."));
  FDialogButton->installEventFilter(this);  // keys reach the popup first
  FDialogButton->show();
  FDialogButton->setFocus(Qt::PopupFocusReason);
  FCloseOnDeactivate = true;
}

TRect TPopUpColorBox::CellRect(int Index) {
  if (Index == CustomCell) return Bounds(58, 106, 16, 16);
  return Bounds(4 + 18 * (Index / 5), 4 + 18 * (Index % 5), 16, 16);
}

TColor TPopUpColorBox::CellColor(int Index) const {
  return Index == CustomCell ? FCurrentColor : PaletteColors[Index];
}

void TPopUpColorBox::DrawCell(int Index, TColor Value, bool Marked) {
  const TRect cell = CellRect(Index);
  if (Marked && FHotIndex != FMarkedIndex)
    DrawMarking(cell);
  else
    DrawPlainCell(cell, Value);
}

void TPopUpColorBox::DrawMarking(const TRect& Cell) {
  FrameSolid(Canvas(), Inflate(Cell, 1), clBlack);
  FrameSolid(Canvas(), Cell, clWhite);
  FrameSolid(Canvas(), Inflate(Cell, -1), clBlack);
}

void TPopUpColorBox::DrawPlainCell(const TRect& Cell, TColor Value) {
  FillSolid(Canvas(), Inflate(Cell, 1), clBtnFace);
  TRect inner = Cell;
  DrawBevel(Canvas(), inner, clBtnShadow, clBtnHighlight, 1);
  DrawBevel(Canvas(), inner, clWindowFrame, clBtnFace, 1);
  Canvas()->Pen()->SetColor(Value);
  Canvas()->Brush()->SetColor(Value);
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->Rectangle(inner);
}

void TPopUpColorBox::FormPaint() {
  TRect R = Rect(0, 0, width(), height());
  DrawBevel(Canvas(), R, clBtnHighlight, clWindowFrame, 1);
  DrawBevel(Canvas(), R, clBtnHighlight, clBtnShadow, 1);
  for (int i = 0; i < PaletteColorCount; ++i) DrawCell(i, PaletteColors[i], false);
  if (FCustomShown) DrawCell(CustomCell, FCurrentColor, false);
  DrawCell(FMarkedIndex, CellColor(FMarkedIndex), true);
  Line(Canvas(), clBtnShadow, 4, 96, 74, 96);
  Line(Canvas(), clBtnHighlight, 4, 97, 74, 97);
}

// The surface keeps what hot tracking drew, as the window's own content
// would; the whole popup is drawn again only when the surface is new.
void TPopUpColorBox::EnsurePainted() {
  if (Surface()->Width() != width() || Surface()->Height() != height())
    Surface()->SetSize(width(), height());
  if (FPaintedSize == size() || Surface()->Empty()) return;
  FillSolid(Canvas(), Rect(0, 0, width(), height()), clBtnFace);
  FormPaint();
  FPaintedSize = size();
}

void TPopUpColorBox::Paint() { EnsurePainted(); }

void TPopUpColorBox::changeEvent(QEvent* Event) {
  if (Event->type() == QEvent::PaletteChange) FPaintedSize = QSize();
  TCustomControl::changeEvent(Event);
}

bool TPopUpColorBox::OnCustomCell(int X, int Y) { return X >= 57 && X <= 74 && Y >= 105 && Y <= 122; }

bool TPopUpColorBox::OnGrid(int X, int Y) { return X >= 3 && X <= 74 && Y >= 3 && Y <= 92; }

void TPopUpColorBox::MarkCell(int Index) {
  const int previous = FMarkedIndex;
  FHotIndex = Index;
  DrawCell(Index, CellColor(Index), true);
  const bool previousShown = previous != CustomCell || FCustomShown;
  if (previousShown) DrawCell(previous, CellColor(previous), false);
  FMarkedIndex = Index;
  update();
}

void TPopUpColorBox::FormMouseMove(int X, int Y) {
  EnsurePainted();
  if (FCustomShown && OnCustomCell(X, Y)) {
    if (FHotIndex != CustomCell && FMarkedIndex != CustomCell) {
      MarkCell(CustomCell);
      return;
    }
    // Entering the marked custom cell makes it hot, as with a marked
    // palette cell, so clicking it picks the current colour again.
    if (FHotIndex == NoCell) FHotIndex = FMarkedIndex;
    return;
  }
  if (!OnGrid(X, Y)) return;
  const int a = 5 * GridStep(X) + GridStep(Y);
  if (a == FHotIndex || a == FMarkedIndex) {
    if (FHotIndex == NoCell) FHotIndex = FMarkedIndex;
    return;
  }
  MarkCell(a);
}

void TPopUpColorBox::FormMouseDown() { FPressedIndex = FHotIndex; }

void TPopUpColorBox::FormMouseUp(int X, int Y) {
  if (FPressedIndex != FHotIndex) return;
  if (FHotIndex == CustomCell && FCustomShown && OnCustomCell(X, Y))
    Choose(FCurrentColor);
  else if (FHotIndex < PaletteColorCount && OnGrid(X, Y))
    Choose(PaletteColors[FHotIndex]);
}

void TPopUpColorBox::Choose(TColor Value) {
  if (TWin95ColorButton* owner = OwnerButton()) owner->SetColor(Value);
  close();
}

bool TPopUpColorBox::FormKeyDown(int Key) {
  if (Key != Qt::Key_Escape) return false;
  close();
  return true;
}

void TPopUpColorBox::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

void TPopUpColorBox::Deactivated() {
  if (FCloseOnDeactivate && isVisible()) close();
}

void TPopUpColorBox::RunColorDialog(TWin95Button* Button) {
  // Hidden and not closing on deactivation, the popup survives the dialog
  // taking the activation; it closes afterwards whatever the answer.
  FCloseOnDeactivate = false;
  hide();
  try {
    AskColor();
  } catch (...) {
    FinishColorDialog(Button);
    throw;
  }
  FinishColorDialog(Button);
}

void TPopUpColorBox::AskColor() {
  TWin95ColorButton* owner = OwnerButton();
  if (!owner) return;
  TColorDialogRequest request;
  request.Options = owner->ColorDlgOptions();
  for (int i = 0; i < owner->ColorDlgCustomColors()->Count(); ++i)
    request.CustomColors.push_back(owner->ColorDlgCustomColors()->Strings(i));
  request.Color = owner->Color();
  request.Ctl3D = true;
  if (!ExecuteColorDialog(request)) return;
  // Custom colours the user defined are offered again next time.
  owner->ColorDlgCustomColors()->Clear();
  for (const std::string& entry : request.CustomColors) owner->ColorDlgCustomColors()->Add(entry);
  owner->SetColor(request.Color);
}

void TPopUpColorBox::FinishColorDialog(TWin95Button* Button) {
  emit Button->clicked();
  FCloseOnDeactivate = true;
  close();
}

bool TPopUpColorBox::event(QEvent* Event) {
  if (Event->type() == QEvent::WindowDeactivate) Deactivated();
  return TCustomControl::event(Event);
}

bool TPopUpColorBox::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::KeyPress && FormKeyDown(static_cast<QKeyEvent*>(Event)->key()))
    return true;
  return TCustomControl::eventFilter(Watched, Event);
}

void TPopUpColorBox::keyPressEvent(QKeyEvent* Event) {
  if (FormKeyDown(Event->key())) {
    Event->accept();
    return;
  }
  TCustomControl::keyPressEvent(Event);
}

void TPopUpColorBox::closeEvent(QCloseEvent* Event) {
  FormClose();
  TCustomControl::closeEvent(Event);
}

void TPopUpColorBox::mousePressEvent(QMouseEvent* Event) {
  // While the popup is open Qt routes every press to it; one outside it is
  // the user turning to another window.
  if (!rect().contains(Event->position().toPoint())) {
    Deactivated();
    return;
  }
  FormMouseDown();
}

void TPopUpColorBox::mouseMoveEvent(QMouseEvent* Event) {
  const QPoint p = Event->position().toPoint();
  FormMouseMove(p.x(), p.y());
}

void TPopUpColorBox::mouseReleaseEvent(QMouseEvent* Event) {
  const QPoint p = Event->position().toPoint();
  FormMouseUp(p.x(), p.y());
}

}  // namespace tweenery
