// The demonstration program's colour button: a focusable button-like control
// showing the chosen colour in a swatch beside a drop-down arrow. Clicking it
// drops a borderless palette popup with 20 fixed colours, a cell for a
// current colour outside the palette and a button that opens the platform's
// colour dialog. Every control paints through a TCanvas onto its own bitmap.
#pragma once

#include <QPoint>
#include <QSize>
#include <cstdint>
#include <optional>

#include "platform/Classes.h"
#include "platform/Graphics.h"
#include "platform/qt/QtDrawing.h"

class QShortcut;

namespace tweenery {

// Draws Width rings of a bevel inside R: top and left sides in TopLeft,
// right and bottom sides in BottomRight. R is left inset by Width.
void DrawBevel(TCanvas* Canvas, TRect& R, TColor TopLeft, TColor BottomRight, int Width);
// A button face over R with a raised (up) or sunken (down) double bevel;
// gives R back unchanged.
TRect DrawButtonFrame(TCanvas* Canvas, const TRect& R, int BevelWidth, bool Down);

// The popup's palette; cell i lies in column i div 5, row i mod 5. Every
// colour button writes the standard colours afresh when it is created.
constexpr int PaletteColorCount = 20;
extern TColor PaletteColors[PaletteColorCount];

// Size of the palette popup.
constexpr int PopupWidth = 78;
constexpr int PopupHeight = 128;

// Where the popup goes for a colour button whose top-left corner is at
// ButtonTopLeft on a screen of size Screen. Anchor is the screen position of
// the button's client point (1, height - 2). The popup hangs below the
// button; it opens above when it would leave the bottom of the screen and
// moves in from the side it would cross.
QPoint PopupOrigin(const QPoint& Anchor, const QPoint& ButtonTopLeft, int ButtonHeight,
                   const QSize& Screen);

// Visual state and mouse tracking shared by the colour button and the
// popup's dialog button: a left press (or Space) shows it down while the
// pointer stays over it; releasing over it clicks; Enter clicks at once.
class TWin95ButtonControl : public TCustomControl {
  Q_OBJECT
 public:
  enum TVisualState : std::uint8_t { vsUp = 0, vsDown = 2 };

  explicit TWin95ButtonControl(QWidget* Parent = nullptr);

  bool Pressed() const { return FState == vsDown; }
  bool Tracking() const { return FTracking; }

  // The platform's click: runs the control's own action, then clicked().
  virtual void Click();

 signals:
  void clicked();

 protected:
  void MouseDown(Qt::MouseButton Button, int X, int Y);
  void MouseMove(int X, int Y);
  void MouseUp(Qt::MouseButton Button, int X, int Y);
  // Space and Enter; true when the key was used.
  bool KeyDown(int Key);
  bool KeyUp(int Key);

  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;
  void keyReleaseEvent(QKeyEvent* Event) override;

 private:
  void SetState(TVisualState Value);

  TVisualState FState = vsUp;
  bool FTracking = false;
  bool FClickPending = false;  // a left press began on the control
};

class TPopUpColorBox;

class TWin95ColorButton : public TWin95ButtonControl {
  Q_OBJECT
 public:
  explicit TWin95ColorButton(QWidget* Parent = nullptr);

  TColor Color() const { return FColor; }
  // A different colour is stored, announced by colorChange() and shown.
  void SetColor(TColor Value);
  // Custom colours handed to the colour dialog ("ColorA=FFFFFF" ...);
  // SetColorDlgCustomColors copies the given list.
  TStringList* ColorDlgCustomColors() { return &FColorDlgCustomColors; }
  void SetColorDlgCustomColors(const TStrings* Value);
  // TColorDialogOption flags handed to the colour dialog.
  unsigned ColorDlgOptions() const { return FColorDlgOptions; }
  void SetColorDlgOptions(unsigned Value) { FColorDlgOptions = Value; }
  // Caption of the popup's dialog button.
  const QString& ButtonCaption() const { return FButtonCaption; }
  void SetButtonCaption(const QString& Value) { FButtonCaption = Value; }

  // Drops the palette popup below (or above) the button, then clicked().
  void Click() override;

  // The screen size the popup placement works with; tests set their own.
  // std::nullopt returns to the primary screen's size.
  static void SetScreenSizeOverride(std::optional<QSize> Size);
  static QSize ScreenSize();

 signals:
  void colorChange();

 protected:
  void Paint() override;

 private:
  void PaintArrow(const TRect& R);
  void PaintSwatch(TRect S);

  TColor FColor = clWhite;
  TStringList FColorDlgCustomColors;
  unsigned FColorDlgOptions = 0;
  QString FButtonCaption = QStringLiteral("&More...");
};

// The popup's dialog button (and any plain button of this look): a caption
// with an underlined accelerator that clicks it.
class TWin95Button : public TWin95ButtonControl {
  Q_OBJECT
 public:
  explicit TWin95Button(QWidget* Parent = nullptr);

  const QString& Caption() const { return FCaption; }
  void SetCaption(const QString& Value);

  // On the palette popup: runs the colour dialog; elsewhere only clicked().
  void Click() override;
  // The caption's accelerator character clicks the button while enabled;
  // true when it was that character.
  bool DialogChar(QChar Char);

 protected:
  void Paint() override;
  void keyPressEvent(QKeyEvent* Event) override;

 private:
  QString FCaption;
  QShortcut* FShortcut = nullptr;  // Alt + accelerator within the window
};

// The palette popup, owned by the colour button that dropped it (its Qt
// parent) and freed when it closes. Cell indices: 0 to 19 the palette, 20
// the custom cell, 22 no cell entered yet.
class TPopUpColorBox : public TCustomControl {
  Q_OBJECT
 public:
  static constexpr int CustomCell = 20;
  static constexpr int NoCell = 22;

  explicit TPopUpColorBox(QWidget* Parent = nullptr);

  TWin95ColorButton* OwnerButton() const;
  TWin95Button* DialogButton() const { return FDialogButton; }
  int HotIndex() const { return FHotIndex; }
  int MarkedIndex() const { return FMarkedIndex; }
  int PressedIndex() const { return FPressedIndex; }
  TColor CurrentColor() const { return FCurrentColor; }
  bool CustomShown() const { return FCustomShown; }
  bool CloseOnDeactivate() const { return FCloseOnDeactivate; }

  // Cell k's rectangle in popup coordinates.
  static TRect CellRect(int Index);

  // The dialog button's click: the popup hides while the colour dialog
  // runs, then closes whatever the answer.
  void RunColorDialog(TWin95Button* Button);

 protected:
  void Paint() override;
  bool event(QEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;
  void changeEvent(QEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void mouseReleaseEvent(QMouseEvent* Event) override;
  void keyPressEvent(QKeyEvent* Event) override;

 private:
  void FormCreate();
  void FormPaint();
  void FormMouseMove(int X, int Y);
  void FormMouseDown();
  void FormMouseUp(int X, int Y);
  bool FormKeyDown(int Key);
  void FormClose();
  void Deactivated();
  void AskColor();
  void FinishColorDialog(TWin95Button* Button);

  void EnsurePainted();
  void DrawCell(int Index, TColor Value, bool Marked);
  void DrawPlainCell(const TRect& Cell, TColor Value);
  void DrawMarking(const TRect& Cell);
  TColor CellColor(int Index) const;
  void MarkCell(int Index);
  void Choose(TColor Value);
  static bool OnCustomCell(int X, int Y);
  static bool OnGrid(int X, int Y);

  TWin95Button* FDialogButton = nullptr;
  int FHotIndex = NoCell;
  int FMarkedIndex = 0;
  int FPressedIndex = NoCell;
  TColor FCurrentColor = clWhite;
  bool FCustomShown = false;
  bool FCloseOnDeactivate = false;
  QSize FPaintedSize;  // the surface holds the whole popup at this size
};

// The popup that is open now, or nullptr.
TPopUpColorBox* PopUpColorBox();

}  // namespace tweenery
